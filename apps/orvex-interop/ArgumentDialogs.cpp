#include "ArgumentDialogs.h"

#include "Common/Core/Logger.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"

#include <fmt/format.h>

#include <sstream>

namespace orvex::cli {

using namespace orvkit;

namespace {

// Whether one pattern list ("*.step *.stp") takes the file; "*" takes everything.
bool PatternTakes(const std::string& patterns, const std::string& extension)
{
    std::istringstream words(patterns);
    std::string pattern;
    while (words >> pattern) {
        if (pattern == "*" || StringUtil::ToLower(pattern) == "*" + extension) {
            return true;
        }
    }
    return false;
}

} // namespace

ArgumentDialogs::ArgumentDialogs(std::vector<std::string> answers, const ParameterDict& values)
    : myAnswers(answers.begin(), answers.end())
{
    for (const std::string& key : values.GetKeys()) {
        myValues.Add(key, values.Find(key)->Clone());
    }
}

Path ArgumentDialogs::Answer(const std::string& title)
{
    if (myAnswers.empty()) {
        Logger::Instance().Message(2,
                                   fmt::format("dialog \"{}\": no answer given, cancelled", title));
        if (!myCancelledTitle) {
            myCancelledTitle = title;
        }
        return Path();
    }
    std::string answer = myAnswers.front();
    myAnswers.pop_front();
    Logger::Instance().Message(2, fmt::format("dialog \"{}\": {}", title, answer));
    return Path(answer);
}

void ArgumentDialogs::CheckFileType(const std::string& file,
                                    const std::vector<std::string>& filters)
{
    const std::string extension = StringUtil::ToLower(PathUtil::Extension(file));
    std::string offered;
    for (size_t i = 1; i < filters.size(); i += 2) {
        if (filters[i] == "*") {
            continue;
        }
        if (PatternTakes(filters[i], extension)) {
            return;
        }
        offered += (offered.empty() ? "" : " ") + filters[i];
    }
    if (!offered.empty() && myMismatch.empty()) {
        myMismatch = fmt::format("'{}' is not among the file types it reads ({})", file, offered);
    }
}

void ArgumentDialogs::SetDialogValue(const std::string& key, std::unique_ptr<ParameterValue> value)
{
    myValues.Add(key, std::move(value));
}

Path ArgumentDialogs::OpenFile(const std::string& title, const std::vector<std::string>& filters)
{
    myCalls.push_back({"open", title, "", filters});
    Path path = Answer(title);
    if (path) {
        CheckFileType(path.GetString(), filters);
    }
    return path;
}

Path ArgumentDialogs::SaveFile(const std::string& title, const std::string& defaultName,
                               const std::vector<std::string>& filters)
{
    myCalls.push_back({"save", title, defaultName, filters});
    Logger::Instance().Message(2, fmt::format("dialog \"{}\" suggests \"{}\"", title, defaultName));
    Path path = Answer(title);
    if (path) {
        CheckFileType(path.GetString(), filters);
    }
    return path;
}

Path ArgumentDialogs::OpenFolder(const std::string& title)
{
    myCalls.push_back({"folder", title, "", {}});
    return Answer(title);
}

void ArgumentDialogs::Notify(const std::string& title, const std::string& text)
{
    myCalls.push_back({"notify", title, text, {}});
    Logger::Instance().Message(2, fmt::format("notice \"{}\": {}", title, text));
}

bool ArgumentDialogs::ShowDialog(const std::string& name, Document*, ParameterDict* params)
{
    myCalls.push_back({name, name, "", {}});
    if (!myAcceptNamed) {
        Logger::Instance().Message(2, fmt::format("dialog \"{}\": cancelled", name));
        return false;
    }
    if (params != nullptr) {
        for (const std::string& key : params->GetKeys()) {
            if (const ParameterValue* value = myValues.Find(key)) {
                params->Add(key, value->Clone());
            }
        }
    }
    Logger::Instance().Message(2, fmt::format("dialog \"{}\": accepted", name));
    return true;
}

} // namespace orvex::cli
