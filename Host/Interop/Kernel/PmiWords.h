#pragma once

#include <XCAFDimTolObjects_DatumSingleModif.hxx>
#include <XCAFDimTolObjects_DatumTargetType.hxx>
#include <XCAFDimTolObjects_DimensionType.hxx>
#include <XCAFDimTolObjects_GeomToleranceMatReqModif.hxx>
#include <XCAFDimTolObjects_GeomToleranceModif.hxx>
#include <XCAFDimTolObjects_GeomToleranceType.hxx>
#include <XCAFDimTolObjects_GeomToleranceTypeValue.hxx>
#include <XCAFDimTolObjects_GeomToleranceZoneModif.hxx>

#include <string>

namespace orvkit {

// The words a user reads for the kernel's PMI enumerations, the same in the program's listings,
// its JSON, the library and the page. Each returns a non-null, static text; a value the kernel
// adds later reads as "unknown".
namespace PmiWords {

// "linear distance", "curved distance", "diameter", "toroidal minor radius", "thickness", ...
const char* DimensionType(XCAFDimTolObjects_DimensionType type);
// "position", "flatness", "surface profile", "perpendicularity", ...
const char* ToleranceType(XCAFDimTolObjects_GeomToleranceType type);
// The drafting symbol of a tolerance type: "⌖" for position, "⏥" for flatness, ...; "" for
// none.
const char* ToleranceSymbol(XCAFDimTolObjects_GeomToleranceType type);
// The same for a type in words ("position": "⌖"); "" for a word that names no type.
const char* ToleranceSymbol(const std::string& type);
// "diameter" or "spherical diameter"; null for a zone without a shape of its own.
const char* ToleranceZone(XCAFDimTolObjects_GeomToleranceTypeValue zone);
// The sign before a zone's value in a tolerance frame: "⌀" or "S⌀"; "" for none.
const char* ZoneSymbol(XCAFDimTolObjects_GeomToleranceTypeValue zone);
// "MMC" or "LMC"; null for none.
const char* MaterialModifier(XCAFDimTolObjects_GeomToleranceMatReqModif modifier);
// "projected", "runout" or "unequally disposed"; null for none.
const char* ZoneModifier(XCAFDimTolObjects_GeomToleranceZoneModif modifier);
// "all around", "free state", "tangent plane", "common zone", ...
const char* ToleranceModifier(XCAFDimTolObjects_GeomToleranceModif modifier);
// The symbol a frame shows for a modifier in words, of a tolerance or of a datum: "Ⓜ" for
// "MMC", "Ⓟ" for "projected", "Ⓕ" for "free state", ...; the word itself where a frame has no
// symbol for it.
std::string ModifierSymbol(const std::string& modifier);
// "MMC", "LMC", "basic", "translation", "free state", ...
const char* DatumModifier(XCAFDimTolObjects_DatumSingleModif modifier);
// "point", "line", "rectangle", "circle" or "area".
const char* DatumTargetType(XCAFDimTolObjects_DatumTargetType type);

} // namespace PmiWords

} // namespace orvkit
