#include "CommandVerbs.h"

#include "CommandSession.h"
#include "DocumentPrinter.h"
#include "PrintFormat.h"

#include "Common/Core/Logger.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/Path.h"
#include "Common/Core/PathUtil.h"
#include "Data/App/CommandManager.h"
#include "Data/Kernel/CompositeElement.h"
#include "Geometry/IO/ImportSettingsModel.h"

#include <fmt/format.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

namespace orvex::cli {

using namespace orvkit;

namespace {

// "true"/"false" become flags, whole numbers integers, other numbers reals (with a decimal
// point whatever the locale), anything else text.
std::unique_ptr<ParameterValue> ParseValue(const std::string& text)
{
    if (text == "true" || text == "false") {
        return ParameterCreator::Create(text == "true");
    }
    if (text.empty()) {
        return ParameterCreator::Create(text);
    }
    char* end = nullptr;
    errno = 0;
    const long integer = std::strtol(text.c_str(), &end, 10);
    if (*end == '\0' && errno == 0 && integer >= INT32_MIN && integer <= INT32_MAX) {
        return ParameterCreator::Create(static_cast<int>(integer));
    }
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    const double real = ::strtod_l(text.c_str(), &end, cLocale);
    if (*end == '\0' && errno == 0) {
        return ParameterCreator::Create(real);
    }
    return ParameterCreator::Create(text);
}

// Runs the command on a new document and prints the document under `title`.
int RunOnNewDocument(const std::string& name, const std::vector<std::string>& answers,
                     ParameterDict& parameters, bool batch, bool json, const std::string& title)
{
    CommandSession session;
    if (!session.Run(name, answers, parameters, batch, parameters)) {
        return 1;
    }
    Print(DocumentPrinter(session.GetDocument()), title, json);
    return 0;
}

} // namespace

int RunCommand(const RunOptions& options)
{
    if (!CommandManager::Instance().Find(options.command)) {
        std::cerr << "orvex-interop: error: no command is registered under the name '"
                  << options.command << "' (see 'orvex-interop commands')\n";
        return 1;
    }
    ParameterDict parameters;
    for (const std::string& setting : options.settings) {
        const size_t equals = setting.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::cerr << "orvex-interop: error: --set takes KEY=VALUE, not '" << setting << "'\n";
            return 1;
        }
        parameters.Add(setting.substr(0, equals), ParseValue(setting.substr(equals + 1)));
    }
    // Output is headed by the file the command read, when there is one.
    std::string title = options.command;
    if (!options.answers.empty()) {
        title = options.answers.front();
    } else if (const ParameterValue* filePath = parameters.Find("FilePath")) {
        title = filePath->ToString();
    }
    return RunOnNewDocument(options.command, options.answers, parameters, options.batch,
                            options.json, title);
}

int RunRead(const ReadOptions& options)
{
    SharedParameterDict& preferences = ImportSettingsModel::GetPreferences();
    if (options.edgeLength) {
        preferences.Add(ImportSettingsModel::FixEdgesKey, ParameterCreator::Create(true));
        preferences.Add(ImportSettingsModel::EdgeLengthKey,
                        ParameterCreator::Create(*options.edgeLength));
    }
    if (options.solidTolerance) {
        preferences.Add(ImportSettingsModel::FixSolidKey, ParameterCreator::Create(true));
        preferences.Add(ImportSettingsModel::MakeSolidTolKey,
                        ParameterCreator::Create(*options.solidTolerance));
    }
    ParameterDict parameters;
    std::vector<std::string> answers;
    if (options.batch) {
        parameters.Add("FilePath", ParameterCreator::Create(options.file));
    } else {
        answers.push_back(options.file);
    }
    return RunOnNewDocument("Import", answers, parameters, options.batch, options.json,
                            options.file);
}

int RunImportPart(const ImportPartOptions& options)
{
    ParameterDict parameters;
    if (!options.docType.empty()) {
        parameters.Add("DocType", ParameterCreator::Create(options.docType));
    }
    return RunOnNewDocument("ImportAsPart", {options.file}, parameters, false, options.json,
                            options.file);
}

namespace {

// An axis code as the export dialog takes it; -1 for a text that names none.
int ParseAxis(const std::string& text)
{
    if (text.empty() || text == "2" || text == "z-up") {
        return 2;
    }
    if (text == "0" || text == "x-up") {
        return 0;
    }
    if (text == "1" || text == "y-up") {
        return 1;
    }
    return -1;
}

bool ProblemWithFolder(const std::string& folder, std::string& problem)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        problem = "no such folder";
    } else if (::access(folder.c_str(), W_OK) != 0) {
        problem = "the folder cannot be written";
    }
    return !problem.empty();
}

// The file's size in bytes; -1 when it is not there.
long long FileSize(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : -1;
}

// Selects the element for the next command; false, with the error line printed, when the
// document has no element of that name (and class).
bool Select(Document& document, const std::string& name, const char* className)
{
    Element* element = FindElementNamed(document, name, className);
    if (element == nullptr) {
        std::cerr << "orvex-interop: error: no " << (className != nullptr ? className : "element")
                  << " is named '" << name << "'\n";
        return false;
    }
    document.SetSelection({PickedId(element->GetId())});
    return true;
}

} // namespace

int RunExport(const ExportOptions& options)
{
    const int from = ParseAxis(options.from);
    const int to = ParseAxis(options.to);
    if (from < 0 || to < 0) {
        std::cerr << "orvex-interop: error: an axis is 0, 1, 2, x-up, y-up or z-up, not '"
                  << (from < 0 ? options.from : options.to) << "'\n";
        return 1;
    }
    CommandSession session;
    Document& document = session.GetDocument();
    document.SetName(PathUtil::GetFileName(options.input));
    ParameterDict none;
    if (!session.Run("AdvImport", {options.input}, none, false, none)) {
        return 1;
    }
    if (!options.select.empty() && !Select(document, options.select, nullptr)) {
        return 1;
    }
    ParameterDict axes;
    axes.Add("ModelAxisSource", ParameterCreator::Create(from));
    axes.Add("ModelAxisTarget", ParameterCreator::Create(to));
    if (!session.Run("ExportModel", {options.output}, none, false, axes)) {
        return 1;
    }
    std::cout << "wrote " << options.output << " (" << FileSize(options.output) << " bytes)\n";
    return 0;
}

int RunSplit(const SplitOptions& options)
{
    if (std::string problem; ProblemWithFolder(options.folder, problem)) {
        std::cerr << "orvex-interop: error: cannot write into '" << options.folder
                  << "': " << problem << "\n";
        return 1;
    }
    CommandSession session;
    Document& document = session.GetDocument();
    ParameterDict parameters;
    parameters.Add("CreateAssembly", ParameterCreator::Create(true));
    ParameterDict none;
    if (!session.Run("AdvImport", {options.input}, parameters, false, none)) {
        return 1;
    }
    const AssemblyElement* assembly = nullptr;
    if (!options.assembly.empty()) {
        if (!Select(document, options.assembly, "AssemblyElement")) {
            return 1;
        }
        assembly =
            document.FindElementAs<AssemblyElement>(document.GetSelection().front().GetElementId());
    } else {
        for (const Element* element : document.GetElements()) {
            const auto* candidate = dynamic_cast<const AssemblyElement*>(element);
            // Sub-assemblies are shared prototypes, managed and placed by instances.
            if (candidate != nullptr && !candidate->GetParentId().IsValid() &&
                !candidate->IsManaged()) {
                assembly = candidate;
                document.SetSelection({PickedId(candidate->GetId())});
                break;
            }
        }
    }
    if (!session.Run("ExportAssemblyChildren", {options.folder}, none, false, none)) {
        return 1;
    }
    if (assembly == nullptr) {
        return 0; // the command found its assembly elsewhere; there is nothing to list
    }
    // The files the children were written to, each once (two children of one name share one).
    std::set<std::string> listed;
    for (ObjectId childId : assembly->GetChildren()) {
        const Element* child = document.FindElement(childId);
        const std::string path = (Path(options.folder) + (child->GetName() + ".stp")).GetString();
        if (listed.insert(path).second) {
            if (const long long size = FileSize(path); size >= 0) {
                std::cout << path << " (" << size << " bytes)\n";
            }
        }
    }
    return 0;
}

int ListCommands(bool json)
{
    const auto& commands = CommandManager::Instance().GetCommands();
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& command : commands) {
            list.push_back({{"name", command->GetName()},
                            {"code", command->GetCode()},
                            {"path", command->GetPath()}});
        }
        std::cout << JsonText(nlohmann::json{{"commands", list}}) << "\n";
        return 0;
    }
    for (const auto& command : commands) {
        std::cout << command->GetName();
        if (command->GetCode() != 0) {
            std::cout << "  code=" << command->GetCode();
        }
        if (!command->GetPath().empty()) {
            std::cout << "  path=" << command->GetPath();
        }
        std::cout << "\n";
    }
    return 0;
}

} // namespace orvex::cli
