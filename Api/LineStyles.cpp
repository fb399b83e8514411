#include "orvex/LineStyles.h"

#include "ReportJson.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/LogSink.h"
#include "Common/Core/Logger.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/Document.h"
#include "Data/Kernel/ElementTable.h"
#include "Data/Kernel/LineStyleElement.h"
#include "LineStyleReader.h"

#include <stdexcept>
#include <thread>

namespace orvex {

namespace {

const char* const kNoDefinitions = "no line-style definitions (a \"*NAME,description\" line "
                                   "followed by an \"A,...\" line)";

// The level at which the reader says it skipped a line; below it, it notes pattern keys it does
// not know (rotation "R=", say), whose patterns are otherwise read whole.
constexpr int kSkippedLevel = 3;

// Keeps the texts the calling thread logs at kSkippedLevel or above while it is added: the
// line-style reader, whose interface is fixed, says which lines it skipped in the log alone.
// Other threads' records are not this read's.
class SkippedLines : public orvkit::LogSink {
public:
    int GetMinLevel() const override { return kSkippedLevel; }
    void Write(const orvkit::LogRecord& record) override
    {
        if (std::this_thread::get_id() == myThread && record.level >= kSkippedLevel) {
            myTexts.push_back(record.text);
        }
    }
    std::vector<std::string> TakeTexts() { return std::move(myTexts); }

private:
    const std::thread::id myThread = std::this_thread::get_id();
    std::vector<std::string> myTexts;
};

bool HoldsStyles(const orvkit::Document& document)
{
    const orvkit::ElementTable* table =
        document.FindTable(orvkit::LineStyleElement::GetStaticClassId());
    return table != nullptr && !table->GetIds().empty();
}

// Loads the file into `document`, with the lines the reader skipped as warnings; false, with
// the failure, at a value that is not a number.
bool Load(orvkit::Document& document, const std::string& path, LineStylesResult& result)
{
    const auto skipped = std::make_shared<SkippedLines>();
    orvkit::Logger::Instance().AddSink(skipped);
    bool loaded = true;
    try {
        orvkit::LineStyleReader(&document).Load(path);
    } catch (const std::logic_error& error) {
        // A value that is not a number (std::invalid_argument) or beyond a double
        // (std::out_of_range); the message names the text.
        result.failure = {"parse error", path, error.what()};
        loaded = false;
    }
    orvkit::Logger::Instance().RemoveSink(skipped);
    if (loaded) {
        result.warnings = skipped->TakeTexts();
    }
    return loaded;
}

} // namespace

LineStylesResult ReadLineStyles(const std::string& path)
{
    LineStylesResult result;
    // The reader itself says nothing about a file it cannot open.
    if (const orvkit::LoadFailure failure = orvkit::LoadFailure::CheckFile(path)) {
        result.failure = ToReadFailure(path, failure);
        return result;
    }
    std::shared_ptr<orvkit::Document> document = orvkit::DocumentManager::Instance().NewDocument();
    if (!Load(*document, path, result)) {
        return result;
    }
    if (!HoldsStyles(*document)) {
        result.failure = {"nothing transferable", path, kNoDefinitions};
        return result;
    }
    result.document = std::move(document);
    return result;
}

} // namespace orvex
