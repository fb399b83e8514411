#pragma once

#include "Common/Core/LoadFailure.h"
#include "Geometry/IO/ModelFormat.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <Bnd_Box.hxx>
#include <Quantity_Color.hxx>
#include <TDF_Label.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Trsf.hxx>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace orvex::detail {

// What an unnamed product is called in a path.
extern const char* const kUnnamed;

// A product's segment of a path: its name, or "(unnamed)".
std::string Segment(const std::string& name);

// A placement as a 4x4 matrix, row by row (the last row 0 0 0 1).
std::array<double, 16> MatrixOf(const gp_Trsf& placement);

// A colour as people see it: sRGB bytes and their "#rrggbb".
struct Colour {
    bool has = false;
    std::array<int, 3> bytes{0, 0, 0};

    bool operator<(const Colour& other) const { return bytes < other.bytes; }
    // The same colour, within one step of 255 a channel: a round trip through a format that
    // stores colours as reals can move it across a rounding boundary.
    bool Matches(const Colour& other) const;
    // "#rrggbb", or "none".
    std::string Text() const;
};

Colour ToColour(const Quantity_Color& color);
// The label's own colour: surface, else generic, else curve, else its visual material's.
Colour ColourOf(const Handle(XCAFDoc_ColorTool)& tool, const TDF_Label& label);

// A product of a model: a part or an assembly label, with what the walk learnt of it.
struct Product {
    TDF_Label label;
    std::string name;
    bool assembly = false;
    int occurrences = 0;
    Bnd_Box box; // of a part, in its own coordinates
};

// One place of a product in the expanded tree: a free shape or an instance.
struct Node {
    int product = -1;
    TDF_Label instance; // the component label; null for a free shape
    gp_Trsf global;     // composed from the root
    std::vector<int> children;
};

// A model laid out as an expanded tree: each product once, each place of it a node.
struct ModelTree {
    std::string file;
    const orvkit::ModelFormat* format = nullptr;
    // The document laid out: read here from `file`, or one the caller holds.
    std::unique_ptr<orvkit::XdeDocumentImpl> owned;
    const orvkit::XdeDocumentImpl* impl = nullptr;
    std::vector<Product> products;
    std::vector<Node> nodes;
    std::vector<int> roots;
    Bnd_Box box;
    // The largest tolerance of a face, edge or vertex of its parts: the geometry is only known
    // to within it, and a reader's healing moves it within that band.
    double largestTolerance = 0.0;
    int instances = 0;

    int Count(bool assemblies) const;
    // The values of the model's dimensions, sorted.
    std::vector<double> Dimensions() const;
    TopoDS_Shape WholeShape() const;
};

// Lays out `tree.impl` (set, with `file` and `format`, by the caller).
void BuildTree(ModelTree& tree);

// Reads `file` into `tree` and lays it out; false with the reason in `failure`.
bool LoadTree(const std::string& file, ModelTree& tree, orvkit::LoadFailure& failure);

// The display segments of a list of sibling nodes ("nut", or "nut:2" when several siblings
// have that name) and the keys that match them across two models.
struct Siblings {
    std::vector<std::string> segments;
    std::vector<std::string> keys;
};

Siblings NameSiblings(const ModelTree& tree, const std::vector<int>& nodes);

} // namespace orvex::detail
