#include "LengthUnit.h"

#include <cstring>
#include <vector>

#include <strings.h>

namespace orvkit {

namespace {

const char* const kUnknownUnit = "unknown unit '";

struct UnitEntry {
    const char* name;
    const char* translatorName;
    double metres;
};

// The translators know exactly these units, so the table offers no others. A second name of a
// unit ("inch") follows its first.
const UnitEntry kUnits[] = {
    {"mm", "MM", 0.001},    {"cm", "CM", 0.01},      {"m", "M", 1.0},          {"km", "KM", 1000.0},
    {"um", "UM", 1.0e-6},   {"in", "INCH", 0.0254},  {"inch", "INCH", 0.0254}, {"ft", "FT", 0.3048},
    {"mi", "MI", 1609.344}, {"mil", "MIL", 2.54e-5}, {"uin", "UIN", 2.54e-8},
};

const UnitEntry* Find(const std::string& unit)
{
    for (const UnitEntry& entry : kUnits) {
        if (::strcasecmp(entry.name, unit.c_str()) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

// "mm, cm, ... mil or uin": each unit by its first name.
std::string ListUnits()
{
    std::vector<const char*> names;
    const UnitEntry* previous = nullptr;
    for (const UnitEntry& entry : kUnits) {
        if (previous == nullptr ||
            std::strcmp(previous->translatorName, entry.translatorName) != 0) {
            names.push_back(entry.name);
        }
        previous = &entry;
    }
    std::string list;
    for (size_t i = 0; i < names.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + std::string(names[i]);
    }
    return list;
}

} // namespace

double LengthUnit::GetMetres(const std::string& unit)
{
    const UnitEntry* entry = Find(unit);
    return entry != nullptr ? entry->metres : 0.0;
}

const char* LengthUnit::GetTranslatorName(const std::string& unit)
{
    const UnitEntry* entry = Find(unit);
    return entry != nullptr ? entry->translatorName : nullptr;
}

std::string LengthUnit::UnknownText(const std::string& unit)
{
    static const std::string units = ListUnits();
    return kUnknownUnit + unit + "' (" + units + ")";
}

} // namespace orvkit
