#include "XdeModelEdit.h"

#include "Geometry/IO/LabelName.h"

#include <BRep_Builder.hxx>
#include <TDF_ChildIterator.hxx>
#include <TDF_LabelDataMap.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TNaming_Builder.hxx>
#include <TopoDS_Compound.hxx>
#include <XCAFDoc_Editor.hxx>
#include <XCAFDoc_Location.hxx>

#include <algorithm>
#include <vector>

namespace orvkit {

namespace {

// Moves a shape label's shape and its sub-shape labels' shapes by `location`, so that the
// sub-shapes are still found in the moved shape.
void MoveShapeLabel(const TDF_Label& label, const TopLoc_Location& location)
{
    const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
    TNaming_Builder(label).Generated(shape.Moved(location));
    for (TDF_ChildIterator it(label); it.More(); it.Next()) {
        const TDF_Label child = it.Value();
        TopoDS_Shape sub;
        if (XCAFDoc_ShapeTool::IsSubShape(child) && XCAFDoc_ShapeTool::GetShape(child, sub)) {
            TNaming_Builder(child).Generated(sub.Moved(location));
        }
    }
}

} // namespace

TDF_Label XdeModelEdit::FindNamed(const XdeDocumentImpl& impl, const std::string& name)
{
    std::vector<TDF_Label> pending(impl.freeShapes.begin(), impl.freeShapes.end());
    // Depth first, in the document's order.
    std::reverse(pending.begin(), pending.end());
    while (!pending.empty()) {
        const TDF_Label label = pending.back();
        pending.pop_back();
        if (LabelName(label) == name) {
            return label;
        }
        TDF_Label referred = label;
        if (XCAFDoc_ShapeTool::GetReferredShape(label, referred) && LabelName(referred) == name) {
            return referred;
        }
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(referred, components);
        for (int i = components.Length(); i >= 1; --i) {
            pending.push_back(components.Value(i));
        }
    }
    return {};
}

std::vector<TDF_Label> XdeModelEdit::Parts(const XdeDocumentImpl& impl)
{
    std::vector<TDF_Label> parts;
    if (impl.shapeTool.IsNull()) {
        return parts;
    }
    TDF_LabelSequence shapes;
    impl.shapeTool->GetShapes(shapes);
    for (const TDF_Label& label : shapes) {
        if (!XCAFDoc_ShapeTool::IsAssembly(label)) {
            parts.push_back(label);
        }
    }
    return parts;
}

TopoDS_Shape XdeModelEdit::WholeShape(const XdeDocumentImpl& impl)
{
    TopoDS_Compound compound;
    BRep_Builder builder;
    builder.MakeCompound(compound);
    for (const TDF_Label& root : impl.freeShapes) {
        builder.Add(compound, XCAFDoc_ShapeTool::GetShape(root));
    }
    return compound;
}

gp_Trsf XdeModelEdit::GetPlacement(const TDF_Label& label)
{
    return XCAFDoc_ShapeTool::IsComponent(label)
               ? XCAFDoc_ShapeTool::GetLocation(label).Transformation()
               : gp_Trsf();
}

bool XdeModelEdit::Extract(const XdeDocumentImpl& source, const TDF_Label& label, bool placed,
                           XdeDocumentImpl& target)
{
    target.CreateNew();
    TDF_Label part = label;
    XCAFDoc_ShapeTool::GetReferredShape(label, part);
    if (source.shapeTool.IsNull() || XCAFDoc_ShapeTool::GetShape(part).IsNull()) {
        return false;
    }
    TDF_LabelDataMap copies;
    const TDF_Label copy =
        XCAFDoc_Editor::CloneShapeLabel(part, source.shapeTool, target.shapeTool, copies);
    if (copy.IsNull()) {
        return false;
    }
    copies.Bind(part, copy);
    for (TDF_LabelDataMap::Iterator it(copies); it.More(); it.Next()) {
        XCAFDoc_Editor::CloneMetaData(it.Key(), it.Value(), nullptr);
    }
    if (placed && XCAFDoc_ShapeTool::IsComponent(label)) {
        const TDF_Label root = target.shapeTool->NewShape();
        TDataStd_Name::Set(root,
                           TCollection_ExtendedString(LabelName(label).c_str(), Standard_True));
        const TDF_Label instance =
            target.shapeTool->AddComponent(root, copy, XCAFDoc_ShapeTool::GetLocation(label));
        XCAFDoc_Editor::CloneMetaData(label, instance, nullptr);
    }
    // The assemblies' compounds are made from their components only here.
    target.shapeTool->UpdateAssemblies();
    target.RefreshTools();
    return !target.freeShapes.IsEmpty();
}

void XdeModelEdit::TransformRoots(XdeDocumentImpl& impl, const gp_Trsf& transform)
{
    if (impl.shapeTool.IsNull() || transform.Form() == gp_Identity) {
        return;
    }
    const TopLoc_Location location(transform);
    for (const TDF_Label& root : impl.freeShapes) {
        if (!XCAFDoc_ShapeTool::IsAssembly(root)) {
            MoveShapeLabel(root, location);
            continue;
        }
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(root, components);
        for (const TDF_Label& component : components) {
            const TopLoc_Location placed = location * XCAFDoc_ShapeTool::GetLocation(component);
            XCAFDoc_Location::Set(component, placed);
            TDF_Label referred;
            XCAFDoc_ShapeTool::GetReferredShape(component, referred);
            TNaming_Builder(component).Generated(
                XCAFDoc_ShapeTool::GetShape(referred).Located(placed));
        }
    }
    impl.shapeTool->UpdateAssemblies();
}

} // namespace orvkit
