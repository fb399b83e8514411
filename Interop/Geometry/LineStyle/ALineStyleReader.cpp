// Reader of AutoCAD-style .lin line-type files.
#include "LineStyleReader.h"

#include "Common/Core/FileUtil.h"

#include "Common/Core/Logger.h"
#include "Data/Kernel/Document.h"
#include "Data/Kernel/ElementTable.h"
#include "Data/Kernel/LineStyleElement.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <regex>
#include <stdexcept>
#include <vector>

#include <locale.h>

namespace orvkit {

namespace {

const char* const kPrefix = "[.lin line style parser]";

std::string ParserMessage(const char* text)
{
    return std::string(kPrefix) + text;
}

// Far longer than any real definition. The pattern matching recurses once per character, so an
// unbounded line could exhaust the stack, and a file without line breaks would be held whole.
const std::streamsize kMaxLineLength = 4096;

// Reads one line into `line`; a line longer than kMaxLineLength is read to its end and
// dropped, with `tooLong` set. False at the end of the file.
bool ReadLine(std::istream& in, std::vector<char>& buffer, std::string& line, bool& tooLong)
{
    tooLong = false;
    in.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.fail()) {
        if (in.gcount() < static_cast<std::streamsize>(buffer.size()) - 1) {
            return false; // nothing more to read
        }
        tooLong = true;
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        line.clear();
        return true;
    }
    line.assign(buffer.data());
    return true;
}

// std::stod's conversion (leading whitespace skipped, the longest numeric prefix taken, the
// rest ignored, the same exceptions), but always with the C locale's decimal point: std::stod
// follows the global locale, so a program running under a comma locale would read "0.5" as 0.
// The exceptions name the text, which std::stod's do not.
double ToDouble(const std::string& text)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = strtod_l(begin, &end, cLocale);
    if (end == begin) {
        throw std::invalid_argument("not a number: \"" + text + "\"");
    }
    if (errno == ERANGE) {
        throw std::out_of_range("number out of range: \"" + text + "\"");
    }
    return value;
}

std::string WithoutSpaces(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

// A pattern or text name written in double quotes loses its one pair of quotes.
std::string Unquoted(const std::string& text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// Group 1 of every match of `expression` over `text`, left to right.
std::vector<std::string> FirstGroups(const std::string& text, const std::regex& expression)
{
    std::vector<std::string> groups;
    for (std::sregex_iterator it(text.begin(), text.end(), expression), end; it != end; ++it) {
        groups.push_back((*it)[1].str());
    }
    return groups;
}

} // namespace

LineStyleReader::LineStyleReader(Document* document) : document(document) {}

LineStyleReader::~LineStyleReader() = default;

LineStyleReader& LineStyleReader::operator=(const LineStyleReader& other)
{
    document = other.document;
    return *this;
}

void LineStyleReader::Load(const std::string& path)
{
    // Only a regular file: a FIFO or a device would block the read for good.
    if (!IsRegularFile(path)) {
        return;
    }
    std::ifstream file(path);
    if (!file.is_open()) {
        return;
    }
    // The style whose title was read and whose components line is awaited.
    LineStyleElement* open = nullptr;
    bool openIsNew = false;
    std::string openFormerDescription;

    std::string line;
    std::vector<char> buffer(static_cast<size_t>(kMaxLineLength) + 1);
    bool tooLong = false;
    while (ReadLine(file, buffer, line, tooLong)) {
        if (tooLong) {
            ORVKIT_LOG_ERROR(ParserMessage("line too long"));
            continue;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        line.erase(0, line.find_first_not_of(' '));
        if (line.empty()) {
            continue;
        }
        if (line.front() == '*') {
            if (open != nullptr) {
                ORVKIT_LOG_ERROR(ParserMessage("inconsistent line style pairs"));
                continue;
            }
            std::string name;
            if (!GetLineStyleName(line, name)) {
                ORVKIT_LOG_ERROR(ParserMessage("title line content invalid"));
                continue;
            }
            auto* table = dynamic_cast<ElementTableT<LineStyleElement>*>(
                document->FindTable(LineStyleElement::GetStaticClassId()));
            if (table == nullptr) {
                ORVKIT_LOG_ERROR(ParserMessage("line style table invalid"));
                continue;
            }
            open = dynamic_cast<LineStyleElement*>(table->FindByName(name));
            openIsNew = open == nullptr;
            if (openIsNew) {
                open = LineStyleElement::Create(document);
            } else {
                openFormerDescription = open->GetDescription();
            }
            ParseTitleLine(line, *open);
        } else if (line.front() == 'A') {
            if (open == nullptr) {
                ORVKIT_LOG_ERROR(ParserMessage("inconsistent line style pairs"));
                continue;
            }
            if (ParseComponentsLine(line, *open)) {
                open = nullptr;
            }
        }
    }
    // A definition cut short changes nothing: a style it created goes, a style it found gets
    // its description back (its name is the one it was found by).
    if (open != nullptr) {
        if (openIsNew) {
            document->RemoveElement(open->GetId());
        } else {
            open->SetDescription(openFormerDescription);
        }
    }
}

bool LineStyleReader::GetLineStyleName(const std::string& line, std::string& name)
{
    const size_t comma = line.find(',', 1);
    if (comma == std::string::npos) {
        ORVKIT_LOG_ERROR(ParserMessage("invalid title line"));
        return false;
    }
    name = line.substr(1, comma - 1);
    return true;
}

bool LineStyleReader::ParseTitleLine(const std::string& line, LineStyleElement& element)
{
    const size_t comma = line.find(',', 1);
    if (comma == std::string::npos) {
        ORVKIT_LOG_ERROR(ParserMessage("invalid title line"));
        return false;
    }
    element.SetName(line.substr(1, comma - 1));
    element.SetDescription(line.substr(comma + 1));
    return true;
}

bool LineStyleReader::ParseComponentsLine(const std::string& line, LineStyleElement& element)
{
    // Each element follows a comma: a bracketed pattern, or a run of anything else.
    static const std::regex elementExpression(R"(,\s*(\[[^\[\]]*\]|[^\[\],]*)\s*)");

    LineStyleElement::Components components;
    for (const std::string& text : FirstGroups(line, elementExpression)) {
        if (text.empty()) {
            continue;
        }
        auto component = std::make_shared<LineStyleComponent>();
        if (text.front() == '[') {
            ParsePatternComponent(text, component);
        } else {
            const double value = ToDouble(WithoutSpaces(text));
            if (value > 0.0) {
                component->SetStyleType(EnumLineStyleComponentType::Dash);
                component->SetLength(value);
            } else if (value < 0.0) {
                component->SetStyleType(EnumLineStyleComponentType::Gap);
                component->SetLength(-value);
            } else {
                component->SetStyleType(EnumLineStyleComponentType::Dot);
                component->SetLength(0.0);
            }
        }
        components.push_back(std::move(component));
    }
    element.SetComponents(std::move(components));
    return true;
}

bool LineStyleReader::ParsePatternComponent(const std::string& text,
                                            std::shared_ptr<LineStyleComponent>& component)
{
    // A part starts after "[" or "," and runs to the next "]" or ",".
    static const std::regex partExpression(R"([\[|,]\s*([^\[\],]*)\s*)");
    static const std::regex keyExpression(R"(([S|s|U|u|X|x|Y|y])\s*=\s*(.*))");

    component->SetStyleType(EnumLineStyleComponentType::Pattern);
    const std::vector<std::string> parts = FirstGroups(text, partExpression);
    if (parts.size() < 2) {
        ORVKIT_LOG_ERROR(ParserMessage(" pattern component too short"));
        return false;
    }
    component->SetPattern(Unquoted(parts[0]));
    component->SetTextName(Unquoted(parts[1]));
    for (size_t i = 2; i < parts.size(); ++i) {
        std::smatch match;
        const bool found = std::regex_search(parts[i], match, keyExpression);
        const std::string value = found ? WithoutSpaces(match[2].str()) : std::string();
        const char key = found ? match[1].str().front() : '|';
        if (key == '|' || value.empty()) {
            Logger::Instance().Message(1, ParserMessage(" invalid pattern key"));
            continue;
        }
        const double number = ToDouble(value);
        switch (key) {
        case 'S':
        case 's':
            component->SetS(number);
            break;
        case 'U':
        case 'u':
            component->SetU(number);
            break;
        case 'X':
        case 'x':
            component->SetX(number);
            break;
        default:
            component->SetY(number);
            break;
        }
    }
    return true;
}

} // namespace orvkit
