#include "PmiWords.h"

#include <iterator>
#include <utility>

namespace orvkit {

namespace {

const char* const kUnknown = "unknown";

// The word at an enumeration's value, in the order the kernel declares its enumerators.
template <size_t N> const char* At(const char* const (&words)[N], int value)
{
    return value >= 0 && static_cast<size_t>(value) < N ? words[value] : kUnknown;
}

const char* const kDimensionTypes[] = {
    "location",
    "curved distance",
    "linear distance",
    "linear distance from centre to outer side",
    "linear distance from centre to inner side",
    "linear distance from outer side to centre",
    "linear distance from outer side to outer side",
    "linear distance from outer side to inner side",
    "linear distance from inner side to centre",
    "linear distance from inner side to outer side",
    "linear distance from inner side to inner side",
    "angular location",
    "oriented location",
    "location with path",
    "curve length",
    "diameter",
    "spherical diameter",
    "radius",
    "spherical radius",
    "toroidal minor diameter",
    "toroidal major diameter",
    "toroidal minor radius",
    "toroidal major radius",
    "toroidal high major diameter",
    "toroidal low major diameter",
    "toroidal high major radius",
    "toroidal low major radius",
    "thickness",
    "angular size",
    "size with path",
    "common label",
    "presentation",
};

// Both tables start with the kernel's "none".
const char* const kToleranceTypes[] = {
    "none",          "angularity",   "circular runout", "circularity",  "coaxiality",
    "concentricity", "cylindricity", "flatness",        "parallelism",  "perpendicularity",
    "position",      "line profile", "surface profile", "straightness", "symmetry",
    "total runout",
};
const char* const kToleranceSymbols[] = {
    "", "∠", "↗", "○", "◎", "◎", "⌭", "⏥", "∥", "⟂", "⌖", "⌒", "⌓", "⏤", "⌯", "⌰",
};

const char* const kToleranceModifiers[] = {
    "any cross section",
    "common zone",
    "each radial element",
    "free state",
    "LMR",
    "line element",
    "major diameter",
    "MMR",
    "minor diameter",
    "not convex",
    "pitch diameter",
    "reciprocity requirement",
    "separate requirement",
    "statistical",
    "tangent plane",
    "all around",
    "all over",
};

const char* const kDatumModifiers[] = {
    "any cross section",
    "any longitudinal section",
    "basic",
    "contacting feature",
    "degree of freedom u",
    "degree of freedom v",
    "degree of freedom w",
    "degree of freedom x",
    "degree of freedom y",
    "degree of freedom z",
    "distance variable",
    "free state",
    "LMC",
    "line",
    "major diameter",
    "MMC",
    "minor diameter",
    "orientation",
    "pitch diameter",
    "plane",
    "point",
    "translation",
};

const char* const kDatumTargetTypes[] = {"point", "line", "rectangle", "circle", "area"};

} // namespace

const char* PmiWords::DimensionType(XCAFDimTolObjects_DimensionType type)
{
    return At(kDimensionTypes, type);
}

const char* PmiWords::ToleranceType(XCAFDimTolObjects_GeomToleranceType type)
{
    return At(kToleranceTypes, type);
}

const char* PmiWords::ToleranceSymbol(XCAFDimTolObjects_GeomToleranceType type)
{
    static_assert(std::size(kToleranceSymbols) == std::size(kToleranceTypes));
    return type >= 0 && static_cast<size_t>(type) < std::size(kToleranceSymbols)
               ? kToleranceSymbols[type]
               : "";
}

const char* PmiWords::ToleranceSymbol(const std::string& type)
{
    for (size_t i = 1; i < std::size(kToleranceTypes); ++i) {
        if (type == kToleranceTypes[i]) {
            return kToleranceSymbols[i];
        }
    }
    return "";
}

const char* PmiWords::ToleranceZone(XCAFDimTolObjects_GeomToleranceTypeValue zone)
{
    switch (zone) {
    case XCAFDimTolObjects_GeomToleranceTypeValue_Diameter:
        return "diameter";
    case XCAFDimTolObjects_GeomToleranceTypeValue_SphericalDiameter:
        return "spherical diameter";
    default:
        return nullptr;
    }
}

const char* PmiWords::ZoneSymbol(XCAFDimTolObjects_GeomToleranceTypeValue zone)
{
    switch (zone) {
    case XCAFDimTolObjects_GeomToleranceTypeValue_Diameter:
        return "⌀";
    case XCAFDimTolObjects_GeomToleranceTypeValue_SphericalDiameter:
        return "S⌀";
    default:
        return "";
    }
}

const char* PmiWords::MaterialModifier(XCAFDimTolObjects_GeomToleranceMatReqModif modifier)
{
    switch (modifier) {
    case XCAFDimTolObjects_GeomToleranceMatReqModif_M:
        return "MMC";
    case XCAFDimTolObjects_GeomToleranceMatReqModif_L:
        return "LMC";
    default:
        return nullptr;
    }
}

const char* PmiWords::ZoneModifier(XCAFDimTolObjects_GeomToleranceZoneModif modifier)
{
    switch (modifier) {
    case XCAFDimTolObjects_GeomToleranceZoneModif_Projected:
        return "projected";
    case XCAFDimTolObjects_GeomToleranceZoneModif_Runout:
        return "runout";
    case XCAFDimTolObjects_GeomToleranceZoneModif_NonUniform:
        return "unequally disposed";
    default:
        return nullptr;
    }
}

const char* PmiWords::ToleranceModifier(XCAFDimTolObjects_GeomToleranceModif modifier)
{
    return At(kToleranceModifiers, modifier);
}

std::string PmiWords::ModifierSymbol(const std::string& modifier)
{
    static const std::pair<const char*, const char*> kSymbols[] = {
        {"MMC", "Ⓜ"},
        {"LMC", "Ⓛ"},
        {"projected", "Ⓟ"},
        {"free state", "Ⓕ"},
        {"tangent plane", "Ⓣ"},
        {"unequally disposed", "Ⓤ"},
        {"statistical", "〈ST〉"},
    };
    for (const auto& [word, symbol] : kSymbols) {
        if (modifier == word) {
            return symbol;
        }
    }
    return modifier;
}

const char* PmiWords::DatumModifier(XCAFDimTolObjects_DatumSingleModif modifier)
{
    return At(kDatumModifiers, modifier);
}

const char* PmiWords::DatumTargetType(XCAFDimTolObjects_DatumTargetType type)
{
    return At(kDatumTargetTypes, type);
}

} // namespace orvkit
