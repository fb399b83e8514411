#include "orvex/Read.h"

#include "ReportJson.h"

#include "Common/Core/ParameterCreator.h"
#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeModelReader.h"

#include <XCAFDoc_Editor.hxx>

#include <atomic>
#include <utility>

namespace orvex {

namespace {

const char* KindName(orvkit::EnumLoadFailure kind)
{
    switch (kind) {
    case orvkit::LoadFailureNone:
        break;
    case orvkit::LoadFailureNotFound:
        return "not found";
    case orvkit::LoadFailureNotAFile:
        return "not a file";
    case orvkit::LoadFailureEmpty:
        return "empty";
    case orvkit::LoadFailureNotReadable:
        return "not readable";
    case orvkit::LoadFailureUnknownExtension:
        return "unknown extension";
    case orvkit::LoadFailureInvalidSetting:
        return "invalid setting";
    case orvkit::LoadFailureParseError:
        return "parse error";
    case orvkit::LoadFailureTranslatorFault:
        return "translator fault";
    case orvkit::LoadFailureNothingTransferable:
        return "nothing transferable";
    case orvkit::LoadFailureCancelled:
        return "cancelled";
    }
    return "";
}

// Hands a read's progress to the caller's function; once it returns false the read is asked to
// stop at its next step.
class FunctionProgress : public orvkit::ProgressHandler {
public:
    explicit FunctionProgress(ProgressFunction function) : myFunction(std::move(function)) {}

    void Update(const std::string& step, double fraction) override
    {
        if (!myFunction(step, fraction)) {
            myCancelled = true;
        }
    }
    void Finish() override {}
    bool IsCancelled() const override { return myCancelled; }

private:
    ProgressFunction myFunction;
    std::atomic<bool> myCancelled{false};
};

} // namespace

ReadFailure ToReadFailure(const std::string& path, const orvkit::LoadFailure& failure)
{
    return {KindName(failure.kind), path, failure.Describe()};
}

std::string ReadFailure::Text() const
{
    return "cannot read '" + path + "': " + reason;
}

nlohmann::ordered_json ReadResult::ToJson() const
{
    nlohmann::ordered_json json;
    json["ok"] = model.has_value();
    json["failure"] = model ? nlohmann::ordered_json() : detail::FailureJson(failure);
    json["warnings"] = warnings;
    return json;
}

ReadResult Read(const std::string& path, const ReadOptions& options)
{
    ReadResult result;
    auto document = std::make_unique<orvkit::XdeDocumentImpl>();
    // Without a function of the caller's the read reports to nobody: never to the process's
    // handler, which belongs to the framework's commands.
    document->progress = std::make_shared<FunctionProgress>(
        options.progress ? options.progress : [](const std::string&, double) { return true; });
    orvkit::ParameterDict settings;
    if (!options.codePage.empty()) {
        settings.Add(orvkit::StepModelReader::CodePageKey,
                     orvkit::ParameterCreator::Create(options.codePage));
    }
    if (options.transferJobs > 0) {
        settings.Add(orvkit::StepModelReader::TransferJobsKey,
                     orvkit::ParameterCreator::Create(options.transferJobs));
    }
    if (!orvkit::XdeModelReader::Open(path, *document, &settings)) {
        // Every reader records why it failed; a silent one is a fault of ours, said as such.
        result.failure = ToReadFailure(path, document->failure);
        if (result.failure.reason.empty()) {
            result.failure.reason = "the reader gave no reason";
        }
        return result;
    }
    document->progress.reset();
    if (options.assembly) {
        // Each free part whose shape is a compound of several bodies becomes an assembly of
        // them, as a CAD system that kept its bodies apart would have written it.
        for (const TDF_Label& label : document->freeShapes) {
            XCAFDoc_Editor::Expand(document->GetMain(), label, Standard_True);
        }
        document->RefreshTools();
    }
    result.warnings = document->readWarnings;
    result.model = Model::Adopt(std::move(document), path);
    return result;
}

} // namespace orvex
