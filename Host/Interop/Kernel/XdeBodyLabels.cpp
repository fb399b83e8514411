#include "XdeBodyLabels.h"

#include <TDF_LabelSequence.hxx>
#include <TDF_TagSource.hxx>
#include <TDataStd_Name.hxx>
#include <TNaming_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Iterator.hxx>

#include <unordered_map>
#include <utility>

namespace orvkit {

namespace {

// The part that holds each solid and shell of the document, and the shape it holds it as,
// by the shape's TShape.
using BodyOwnerMap = std::unordered_map<const TopoDS_TShape*, std::pair<TDF_Label, TopoDS_Shape>>;

BodyOwnerMap BodyOwners(const XdeDocumentImpl& impl)
{
    BodyOwnerMap owners;
    TDF_LabelSequence labels;
    impl.shapeTool->GetShapes(labels);
    for (const TDF_Label& part : labels) {
        if (XCAFDoc_ShapeTool::IsAssembly(part)) {
            continue;
        }
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part);
        if (shape.IsNull()) {
            continue;
        }
        // A shell-based model of several shells, or a group of faces, comes as a compound of
        // them.
        owners.emplace(shape.TShape().get(), std::make_pair(part, shape));
        for (TopoDS_Iterator child(shape); child.More(); child.Next()) {
            owners.emplace(child.Value().TShape().get(), std::make_pair(part, child.Value()));
        }
        for (const TopAbs_ShapeEnum type : {TopAbs_SOLID, TopAbs_SHELL}) {
            for (TopExp_Explorer it(shape, type); it.More(); it.Next()) {
                owners.emplace(it.Current().TShape().get(), std::make_pair(part, it.Current()));
            }
        }
    }
    return owners;
}

// A sub-shape label for the body. XCAF makes none for the part's whole shape, which is the one
// body of a part that has one: that one is made as XCAF makes the others.
TDF_Label AddBodyLabel(const XdeDocumentImpl& impl, const TDF_Label& part, const TopoDS_Shape& body)
{
    if (!body.IsSame(XCAFDoc_ShapeTool::GetShape(part))) {
        return impl.shapeTool->AddSubShape(part, body);
    }
    const TDF_Label label = TDF_TagSource::NewChild(part);
    TNaming_Builder(label).Generated(body);
    return label;
}

} // namespace

int LabelNamedBodies(const XdeDocumentImpl& impl, const std::vector<NamedBody>& bodies)
{
    if (bodies.empty()) {
        return 0;
    }
    const BodyOwnerMap owners = BodyOwners(impl);
    int named = 0;
    for (const NamedBody& body : bodies) {
        const auto owner = owners.find(body.shape.TShape().get());
        if (owner == owners.end()) {
            continue;
        }
        const auto& [part, shape] = owner->second;
        TDF_Label label;
        if (!impl.shapeTool->FindSubShape(part, shape, label)) {
            label = AddBodyLabel(impl, part, shape);
        }
        if (!label.IsNull()) {
            TDataStd_Name::Set(label, TCollection_ExtendedString(body.name.c_str(), Standard_True));
            ++named;
        }
    }
    return named;
}

} // namespace orvkit
