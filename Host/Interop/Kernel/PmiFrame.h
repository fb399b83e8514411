#pragma once

#include <TDF_Label.hxx>
#include <XCAFDoc_DimTolTool.hxx>

#include <string>
#include <vector>

class XCAFDimTolObjects_GeomToleranceObject;

namespace orvkit {

// One datum of a geometric tolerance's reference frame, as the kernel document states it.
struct PmiFrameDatum {
    TDF_Label label;                    // the datum's own label
    std::string name;                   // "A"
    int place = 0;                      // 1 primary, 2 secondary, 3 tertiary
    std::vector<std::string> modifiers; // words: "MMC", "free state", ...
    std::string symbols;                // what the frame draws after the name: "Ⓜ"
};

// The feature control frame of a geometric tolerance: its datums and its text.
namespace PmiFrame {

// The datums `tolerance` refers to, by place; the datums of a common datum ("A-B") share a
// place and keep the kernel's order.
std::vector<PmiFrameDatum> Datums(const Handle(XCAFDoc_DimTolTool)& tool,
                                  const TDF_Label& tolerance);

// The frame as a drawing shows it: "⌖ ⌀0.15 Ⓛ Ⓟ | G | HⓁ", a common datum as "A-B". Modifiers
// a frame draws no symbol for ("all around", "each radial element", ...) are left to the item's
// own list.
std::string Text(const XCAFDimTolObjects_GeomToleranceObject& tolerance,
                 const std::vector<PmiFrameDatum>& datums);

// One line for a label of the document's PMI: "⌖ 0.75 | A | B | C" for a tolerance, "diameter
// 35" for a dimension, "datum A", "datum target A1 (point)"; "" for any other label.
std::string Describe(const TDF_Label& label);

} // namespace PmiFrame

} // namespace orvkit
