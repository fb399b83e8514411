#include "ModelTree.h"

#include "DifferenceWords.h"
#include "Geometry/IO/LabelName.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeModelReader.h"

#include <BRepBndLib.hxx>
#include <BRep_Tool.hxx>
#include <NCollection_DataMap.hxx>
#include <Poly_Triangulation.hxx>
#include <ShapeAnalysis_ShapeTolerance.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DimTolTool.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XCAFDoc_VisMaterial.hxx>
#include <XCAFDoc_VisMaterialTool.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace orvex::detail {

using orvkit::ModelFormat;

const char* const kUnnamed = "(unnamed)";

namespace {

// A colour channel may differ by one step of 255 and still count as the same colour.
constexpr int kColourStepTolerance = 1;

} // namespace

std::string Segment(const std::string& name)
{
    return name.empty() ? kUnnamed : name;
}

bool Colour::Matches(const Colour& other) const
{
    if (has != other.has) {
        return false;
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (std::abs(bytes[i] - other.bytes[i]) > kColourStepTolerance) {
            return false;
        }
    }
    return true;
}

std::string Colour::Text() const
{
    return has ? fmt::format("#{:02x}{:02x}{:02x}", bytes[0], bytes[1], bytes[2]) : kNone;
}

Colour ToColour(const Quantity_Color& color)
{
    Colour colour;
    colour.has = true;
    const float linear[3] = {static_cast<float>(color.Red()), static_cast<float>(color.Green()),
                             static_cast<float>(color.Blue())};
    for (size_t i = 0; i < colour.bytes.size(); ++i) {
        const float srgb =
            Quantity_Color::Convert_LinearRGB_To_sRGB(std::clamp(linear[i], 0.0f, 1.0f));
        colour.bytes[i] = static_cast<int>(std::lround(srgb * 255.0f));
    }
    return colour;
}

Colour ColourOf(const Handle(XCAFDoc_ColorTool)& tool, const TDF_Label& label)
{
    Quantity_Color color;
    for (XCAFDoc_ColorType type : {XCAFDoc_ColorSurf, XCAFDoc_ColorGen, XCAFDoc_ColorCurv}) {
        if (!tool.IsNull() && tool->GetColor(label, type, color)) {
            return ToColour(color);
        }
    }
    // Mesh readers give their colours as visual materials.
    const Handle(XCAFDoc_VisMaterial) material =
        XCAFDoc_DocumentTool::VisMaterialTool(label)->GetShapeMaterial(label);
    if (!material.IsNull()) {
        const Quantity_Color base = material->BaseColor().GetRGB();
        return ToColour(base);
    }
    return {};
}

std::vector<double> ModelTree::Dimensions() const
{
    std::vector<double> values;
    if (impl->dimTolTool.IsNull()) {
        return values;
    }
    TDF_LabelSequence labels;
    impl->dimTolTool->GetDimensionLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Dimension) dimension;
        if (label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension)) {
            const Handle(XCAFDimTolObjects_DimensionObject) object = dimension->GetObject();
            if (!object.IsNull()) {
                values.push_back(object->GetValue());
            }
        }
    }
    std::sort(values.begin(), values.end());
    return values;
}

TopoDS_Shape ModelTree::WholeShape() const
{
    return orvkit::XdeModelEdit::WholeShape(*impl);
}

namespace {

// Expands the tree from the free shapes with an explicit stack: one step per node, whatever
// the depth, and each product's label read once.
class TreeWalk {
public:
    explicit TreeWalk(ModelTree& model) : myModel(model) {}

    void Run()
    {
        for (int i = myModel.impl->freeShapes.Length(); i >= 1; --i) {
            myPending.push_back({myModel.impl->freeShapes.Value(i), -1});
        }
        while (!myPending.empty()) {
            const Pending next = myPending.back();
            myPending.pop_back();
            Visit(next);
        }
    }

private:
    struct Pending {
        TDF_Label label;
        int parent;
    };

    void Visit(const Pending& next)
    {
        TDF_Label referred = next.label;
        const bool instance = XCAFDoc_ShapeTool::GetReferredShape(next.label, referred);
        Node node;
        node.product = ProductOf(referred);
        if (instance && next.parent >= 0) {
            node.instance = next.label;
            node.global = myModel.nodes[next.parent].global *
                          XCAFDoc_ShapeTool::GetLocation(next.label).Transformation();
            ++myModel.instances;
        }
        const int index = static_cast<int>(myModel.nodes.size());
        (next.parent < 0 ? myModel.roots : myModel.nodes[next.parent].children).push_back(index);
        Product& product = myModel.products[node.product];
        ++product.occurrences;
        if (!product.assembly && !product.box.IsVoid()) {
            myModel.box.Add(product.box.Transformed(node.global));
        }
        myModel.nodes.push_back(std::move(node));
        if (product.assembly) {
            TDF_LabelSequence components;
            XCAFDoc_ShapeTool::GetComponents(referred, components);
            for (int i = components.Length(); i >= 1; --i) {
                myPending.push_back({components.Value(i), index});
            }
        }
    }

    int ProductOf(const TDF_Label& label)
    {
        if (const int* known = myIndex.Seek(label)) {
            return *known;
        }
        Product product;
        product.label = label;
        product.name = orvkit::LabelName(label);
        product.assembly = XCAFDoc_ShapeTool::IsAssembly(label);
        if (!product.assembly) {
            // The geometry's own extent: shape tolerances, which a writer and a reader may
            // each change, would move the box without the model having moved.
            const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
            BRepBndLib::AddOptimal(shape, product.box, Standard_True, Standard_False);
            myModel.largestTolerance =
                std::max(myModel.largestTolerance,
                         ShapeAnalysis_ShapeTolerance().Tolerance(shape, 1, TopAbs_SHAPE));
        }
        myModel.products.push_back(std::move(product));
        const int index = static_cast<int>(myModel.products.size()) - 1;
        myIndex.Bind(label, index);
        return index;
    }

    ModelTree& myModel;
    std::vector<Pending> myPending;
    NCollection_DataMap<TDF_Label, int, TDF_LabelMapHasher> myIndex;
};

} // namespace

bool LoadTree(const std::string& file, ModelTree& model, orvkit::LoadFailure& failure)
{
    model.file = file;
    model.format = ModelFormat::ForPath(file);
    model.owned = std::make_unique<orvkit::XdeDocumentImpl>();
    model.impl = model.owned.get();
    if (!orvkit::XdeModelReader::Open(file, *model.owned, nullptr)) {
        failure = model.owned->failure;
        return false;
    }
    BuildTree(model);
    return true;
}

Siblings NameSiblings(const ModelTree& model, const std::vector<int>& nodes)
{
    std::unordered_map<std::string, int> total;
    std::vector<std::string> names;
    for (int node : nodes) {
        names.push_back(Segment(model.products[model.nodes[node].product].name));
        ++total[names.back()];
    }
    Siblings siblings;
    std::unordered_map<std::string, int> seen;
    for (const std::string& name : names) {
        const int occurrence = ++seen[name];
        siblings.segments.push_back(total[name] > 1 ? name + ":" + std::to_string(occurrence)
                                                    : name);
        siblings.keys.push_back(name + '\n' + std::to_string(occurrence));
    }
    return siblings;
}

std::array<double, 16> MatrixOf(const gp_Trsf& placement)
{
    std::array<double, 16> matrix{};
    for (int row = 1; row <= 3; ++row) {
        for (int col = 1; col <= 4; ++col) {
            matrix[static_cast<size_t>((row - 1) * 4 + col - 1)] = placement.Value(row, col);
        }
    }
    matrix[15] = 1.0;
    return matrix;
}

int ModelTree::Count(bool assemblies) const
{
    return static_cast<int>(std::count_if(products.begin(), products.end(), [&](const Product& p) {
        return p.assembly == assemblies;
    }));
}

void BuildTree(ModelTree& tree)
{
    TreeWalk(tree).Run();
}

} // namespace orvex::detail
