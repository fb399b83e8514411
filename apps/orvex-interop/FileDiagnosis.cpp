#include "FileDiagnosis.h"

#include "Common/Core/PathUtil.h"
#include "Graphics/SceneExchangeManager.h"

#include <VrmlData_Scene.hxx>

#include <cstring>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

namespace orvex::cli {

namespace {

const char* const kOcctPrefix = "OCCT: ";

// OpenCASCADE frames its errors in asterisks; keep the words only.
std::string Tidy(const std::string& text)
{
    const size_t first = text.find_first_not_of("* ");
    const size_t last = text.find_last_not_of("* ");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string Diagnose(const std::string& file, const std::vector<orvkit::LogRecord>& log)
{
    if (std::string access = ProblemWithFile(file); !access.empty()) {
        return access;
    }
    const std::string extension = orvkit::PathUtil::Extension(file);
    if (extension != ".step" && extension != ".stp" && extension != ".iges" &&
        extension != ".igs") {
        return "unsupported extension '" + extension +
               "' (expected .step, .stp, .iges or .igs, in lower case)";
    }
    const bool step = extension == ".step" || extension == ".stp";
    std::string reason = step ? "not a readable STEP file" : "not a readable IGES file";
    // The translator's own first complaint (a parse error with its line) says the most;
    // otherwise the reader's own last error.
    for (const auto& record : log) {
        if (record.level >= 3 && record.text.rfind(kOcctPrefix, 0) == 0) {
            return reason + ": " + Tidy(record.text.substr(std::strlen(kOcctPrefix)));
        }
    }
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        if (it->level >= 3) {
            return reason + ": " + it->text;
        }
    }
    return reason;
}

const char* VrmlStatusText(VrmlData_ErrorStatus status)
{
    switch (status) {
    case VrmlData_EmptyData:
        return "no data";
    case VrmlData_EndOfFile:
        return "unexpected end of file";
    case VrmlData_NotVrmlFile:
        return "not VRML";
    case VrmlData_CannotOpenFile:
        return "a file it inlines cannot be opened (inlined files are looked up from the current "
               "folder)";
    case VrmlData_VrmlFormatError:
        return "syntax error";
    case VrmlData_NumericInputError:
        return "bad number";
    case VrmlData_IrrelevantNumber:
        return "number out of range";
    case VrmlData_BooleanInputError:
        return "bad boolean";
    case VrmlData_StringInputError:
        return "bad string";
    case VrmlData_NodeNameUnknown:
        return "USE of a name no DEF gave";
    case VrmlData_NonPositiveSize:
        return "size not positive";
    case VrmlData_ReadUnknownNode:
        return "unknown node";
    case VrmlData_NonSupportedFeature:
    case VrmlData_NotImplemented:
        return "unsupported feature";
    case VrmlData_StatusOK:
    case VrmlData_UnrecoverableError:
    case VrmlData_GeneralError:
    case VrmlData_OutputStreamUndefined:
        break;
    }
    // Also what a line longer than the parser's buffer gives.
    return "cannot parse";
}

// The reader says only that the load failed; parsing the file again tells where and why.
std::string DiagnoseScene(const std::string& file, const std::vector<orvkit::LogRecord>& log)
{
    if (std::string access = ProblemWithFile(file); !access.empty()) {
        return access;
    }
    const std::string extension = orvkit::PathUtil::Extension(file);
    if (orvkit::SceneExchangeManager::Instance().FindReader(extension) == nullptr) {
        std::string expected;
        for (const auto& [key, pattern] : orvkit::SceneExchangeManager::Instance().GetFilters()) {
            expected += (expected.empty() ? "" : ", ") + pattern;
        }
        return "no scene reader takes the extension '" + extension + "' (expected " + expected +
               ")";
    }
    const std::string reason = "not a readable VRML file";
    VrmlData_Scene scene;
    std::ifstream in(file);
    scene << in;
    if (scene.Status() == VrmlData_StatusOK) {
        const std::string logged = FirstError(log);
        return logged.empty() ? reason : reason + ": " + logged;
    }
    return reason + ": " + VrmlStatusText(scene.Status()) + " at line " +
           std::to_string(scene.GetLineError());
}

} // namespace

std::string ProblemWithFile(const std::string& file)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return "no such file";
    }
    if (S_ISDIR(info.st_mode)) {
        return "it is a directory";
    }
    if (!S_ISREG(info.st_mode)) {
        return "not a regular file (a FIFO or a device)";
    }
    if (info.st_size == 0) {
        return "the file is empty";
    }
    return std::string();
}

std::string FirstError(const std::vector<orvkit::LogRecord>& log)
{
    for (const auto& record : log) {
        if (record.level < 3) {
            continue;
        }
        if (record.text.rfind(kOcctPrefix, 0) == 0) {
            return Tidy(record.text.substr(std::strlen(kOcctPrefix)));
        }
        return record.text;
    }
    return std::string();
}

void PrintError(const std::string& file, const std::string& reason)
{
    std::cerr << "orvex-interop: error: cannot read '" << file << "': " << reason << "\n";
}

LoadLog::LoadLog() : mySink(std::make_shared<orvkit::CaptureLogSink>())
{
    orvkit::Logger::Instance().AddSink(mySink);
}

LoadLog::~LoadLog()
{
    orvkit::Logger::Instance().RemoveSink(mySink);
}

void LoadLog::ReportFailure(const std::string& file) const
{
    PrintError(file, Diagnose(file, mySink->GetRecords()));
}

void ReportSceneFailure(const std::string& file, const std::vector<orvkit::LogRecord>& log)
{
    std::cerr << "orvex-interop: error: cannot load scene '" << file
              << "': " << DiagnoseScene(file, log) << "\n";
}

} // namespace orvex::cli
