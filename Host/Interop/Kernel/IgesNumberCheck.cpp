#include "IgesNumberCheck.h"

#include <Precision.hxx>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orvkit {

namespace {

// The file's lines: IGES writers end them with LF, CR LF or CR alone.
std::string NextLine(std::istream& in, bool& more)
{
    std::string line;
    int c = 0;
    while ((c = in.get()) != EOF && c != '\n' && c != '\r') {
        line.push_back(char(c));
    }
    if (c == '\r' && in.peek() == '\n') {
        in.get();
    }
    more = c != EOF || !line.empty();
    return line;
}

// The delimiter a global section declares at its start ("1H," or ",,"), else `fallback`.
char Delimiter(const std::string& global, std::size_t& at, char fallback)
{
    if (at + 2 < global.size() && global[at] == '1' && global[at + 1] == 'H') {
        const char declared = global[at + 2];
        at += 3;
        if (at < global.size() && (global[at] == ',' || global[at] == declared)) {
            ++at;
        }
        return declared;
    }
    if (at < global.size() && global[at] == fallback) {
        ++at;
    }
    return fallback;
}

bool IsHostile(const std::string& token)
{
    std::string number = token;
    for (char& c : number) {
        c = c == 'D' || c == 'd' ? 'E' : c;
    }
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    return end != number.c_str() &&
           (!std::isfinite(value) || std::fabs(value) > Precision::Infinite());
}

// The first hostile number of the parameter text, skipping Hollerith strings; empty when
// there is none.
std::string FindInParameters(const std::string& text, char parameter, char record)
{
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
        std::size_t j = i;
        while (j < text.size() && text[j] != parameter && text[j] != record) {
            if (std::isdigit(static_cast<unsigned char>(text[j])) && j == i) {
                std::size_t k = j;
                while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) {
                    ++k;
                }
                if (k < text.size() && text[k] == 'H') {
                    j = k + 1 + std::strtoul(text.c_str() + j, nullptr, 10);
                    break;
                }
            }
            ++j;
        }
        std::string token = text.substr(i, j > i ? std::min(j, text.size()) - i : 0);
        token.erase(0, token.find_first_not_of(' '));
        token.erase(token.find_last_not_of(' ') + 1);
        if (!token.empty() && token.find('H') == std::string::npos && IsHostile(token)) {
            return token;
        }
        i = j + 1;
    }
    return {};
}

} // namespace

std::string FindHostileIgesNumber(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string global;
    std::string parameters;
    std::string entity;
    char parameterDelimiter = ',';
    char recordDelimiter = ';';
    bool more = true;
    bool delimitersRead = false;
    while (more) {
        const std::string line = NextLine(in, more);
        if (line.size() < 73) {
            continue;
        }
        const char section = line[72];
        if (section == 'G') {
            global += line.substr(0, 72);
            continue;
        }
        if (section != 'P') {
            continue;
        }
        if (!delimitersRead) {
            std::size_t at = 0;
            parameterDelimiter = Delimiter(global, at, ',');
            recordDelimiter = Delimiter(global, at, ';');
            delimitersRead = true;
        }
        // An entity's parameters run over lines with the same directory pointer.
        const std::string pointer = line.substr(64, 8);
        if (pointer != entity && !parameters.empty()) {
            const std::string found =
                FindInParameters(parameters, parameterDelimiter, recordDelimiter);
            if (!found.empty()) {
                break;
            }
            parameters.clear();
        }
        entity = pointer;
        parameters += line.substr(0, 64);
    }
    const std::string found = FindInParameters(parameters, parameterDelimiter, recordDelimiter);
    if (found.empty()) {
        return {};
    }
    std::istringstream number(entity);
    long directoryLine = 0;
    number >> directoryLine;
    return "entity at directory line " + std::to_string(directoryLine) + " holds the number " +
           found.substr(0, 40) +
           ", beyond what OpenCASCADE's geometry holds (magnitudes up to 2e+100)";
}

} // namespace orvkit
