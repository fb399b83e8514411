#pragma once

#include "orvex/Model.h"

#include <nlohmann/json.hpp>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace orvex {

// The semantic PMI a file carries (STEP AP242 product manufacturing information): dimensions,
// geometric tolerances, datums and datum targets, each with the geometry it controls. Lengths
// are in millimetres and angles in degrees, whatever the file's units.
//
// A target names a part and one of its faces, edges or vertices, as "PART face 12": the part's
// path of product names, the kind of the sub-shape and its index among the part's sub-shapes of
// that kind, counted from 0 in the order Part::faceColors uses. A target that is a whole part is
// its path alone.

struct PmiDimension {
    // "linear distance", "curved distance", "angular location", "diameter", "radius",
    // "spherical diameter", "thickness", ... (one for each kind the kernel tells apart).
    std::string kind;
    std::optional<double> value;
    // The deviations of a plus/minus tolerance, signed: +0.2 and -0.1.
    std::optional<double> upper;
    std::optional<double> lower;
    // The lower and the upper limit of a dimension given as limits.
    std::optional<std::array<double, 2>> limits;
    // An ISO 286 tolerance class, as "H7" or "g6"; empty when none.
    std::string toleranceClass;
    // "min", "max" or "avg"; empty when none.
    std::string qualifier;
    // Decimal places the value is shown with, before and after the point; 0 0 when the file
    // states none.
    std::array<int, 2> decimals{};
    std::vector<std::string> targets;
};

// One datum of a feature control frame, with the modifiers it carries there ("MMC", ...).
// Datums of a common datum ("A-B") share one place in the frame.
struct PmiDatumReference {
    std::string label;
    int place = 0; // 1 primary, 2 secondary, 3 tertiary
    std::vector<std::string> modifiers;
};

struct PmiTolerance {
    // "position", "flatness", "surface profile", "perpendicularity", ... in words.
    std::string type;
    std::optional<double> value;
    // "diameter" or "spherical diameter"; empty for a zone without a shape of its own.
    std::string zone;
    // The material modifier first ("MMC", "LMC"), then the zone's ("projected",
    // "unequally disposed"), then the others ("all around", "free state", ...).
    std::vector<std::string> modifiers;
    // The length of a projected zone, or the offset of an unequally disposed one.
    std::optional<double> zoneValue;
    std::vector<PmiDatumReference> datums; // in frame order
    std::vector<std::string> targets;
    // The frame as a drawing shows it: "⌖ ⌀0.15 Ⓛ | G | H".
    std::string frame;
};

struct PmiDatum {
    std::string label;
    std::vector<std::string> targets;
};

struct PmiDatumTarget {
    std::string label; // "A1"
    std::string type;  // "point", "line", "rectangle", "circle" or "area"
    std::string datum; // "A"
    std::vector<std::string> targets;
};

struct PmiList {
    std::string file;
    std::vector<PmiDimension> dimensions;
    std::vector<PmiTolerance> tolerances;
    std::vector<PmiDatum> datums;
    std::vector<PmiDatumTarget> datumTargets;

    size_t Count() const
    {
        return dimensions.size() + tolerances.size() + datums.size() + datumTargets.size();
    }
    // {"file", "dimensions", "tolerances", "datums", "datum_targets"}, fields as named above,
    // absent values as null.
    nlohmann::json ToJson() const;
};

// The semantic PMI of a model, in the order its file gives it.
PmiList ReadPmi(const Model& model);

} // namespace orvex
