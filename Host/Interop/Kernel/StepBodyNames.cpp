#include "StepBodyNames.h"

#include "Geometry/IO/LabelName.h"

#include <Quantity_ColorRGBA.hxx>
#include <StepShape_ManifoldSolidBrep.hxx>
#include <StepShape_ShellBasedSurfaceModel.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDF_TagSource.hxx>
#include <TDataStd_Name.hxx>
#include <TNaming_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Iterator.hxx>
#include <TransferBRep.hxx>
#include <TransferBRep_ShapeMapper.hxx>
#include <Transfer_FinderProcess.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_TransferWriter.hxx>
#include <XSControl_WorkSession.hxx>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvkit {

namespace {

struct NamedBody {
    std::string name; // UTF-8, as the parser decoded it
    TopoDS_Shape shape;
};

// The name a body item carries; empty for none. CATIA writes "NONE" for an unnamed body.
std::string BodyName(const Handle(Standard_Transient)& entity)
{
    // The type first: a model is mostly points and curves, whose names are not looked at.
    if (!entity->IsKind(STANDARD_TYPE(StepShape_ManifoldSolidBrep)) &&
        !entity->IsKind(STANDARD_TYPE(StepShape_ShellBasedSurfaceModel))) {
        return {};
    }
    const auto* item = static_cast<const StepRepr_RepresentationItem*>(entity.get());
    if (item->Name().IsNull()) {
        return {};
    }
    std::string name = item->Name()->ToCString();
    return name == "NONE" ? std::string() : name;
}

std::vector<NamedBody> NamedBodies(const Handle(Transfer_TransientProcess)& process)
{
    std::vector<NamedBody> bodies;
    const Handle(Interface_InterfaceModel) model = process->Model();
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient) entity = model->Value(i);
        std::string name = BodyName(entity);
        if (name.empty()) {
            continue;
        }
        const Handle(Transfer_Binder) binder = process->Find(entity);
        if (!binder.IsNull() && binder->HasResult()) {
            TopoDS_Shape shape = TransferBRep::ShapeResult(process, binder);
            if (!shape.IsNull()) {
                bodies.push_back({std::move(name), std::move(shape)});
            }
        }
    }
    return bodies;
}

// The part that holds each solid and shell of the document, and the shape it holds it as,
// by the shape's TShape: a body keeps its TShape from the transfer into its part.
using Owners = std::unordered_map<const TopoDS_TShape*, std::pair<TDF_Label, TopoDS_Shape>>;

Owners BodyOwners(const XdeDocumentImpl& impl)
{
    Owners owners;
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
        // A shell-based model of several shells comes as a compound of them.
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

int ReadStepBodyNames(const STEPCAFControl_Reader& reader, XdeDocumentImpl& impl)
{
    const Handle(Transfer_TransientProcess) process =
        reader.Reader().WS()->TransferReader()->TransientProcess();
    if (process.IsNull() || process->Model().IsNull()) {
        return 0;
    }
    const std::vector<NamedBody> bodies = NamedBodies(process);
    if (bodies.empty()) {
        return 0;
    }
    const Owners owners = BodyOwners(impl);
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

void ColourWholeBodies(XdeDocumentImpl& impl)
{
    if (impl.colorTool.IsNull()) {
        return;
    }
    TDF_LabelSequence parts;
    impl.shapeTool->GetShapes(parts);
    for (const TDF_Label& part : parts) {
        const TopoDS_Shape whole = XCAFDoc_ShapeTool::GetShape(part);
        TDF_LabelSequence subShapes;
        XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
        for (const TDF_Label& sub : subShapes) {
            if (!XCAFDoc_ShapeTool::GetShape(sub).IsEqual(whole)) {
                continue;
            }
            for (const XCAFDoc_ColorType type :
                 {XCAFDoc_ColorGen, XCAFDoc_ColorSurf, XCAFDoc_ColorCurv}) {
                Quantity_ColorRGBA colour;
                if (!impl.colorTool->IsSet(sub, type) &&
                    impl.colorTool->GetColor(part, type, colour)) {
                    impl.colorTool->SetColor(sub, colour, type);
                }
            }
        }
    }
}

int WriteStepBodyNames(const Handle(XSControl_WorkSession)& session, const XdeDocumentImpl& impl)
{
    const Handle(Transfer_FinderProcess) process = session->TransferWriter()->FinderProcess();
    TDF_LabelSequence parts;
    impl.shapeTool->GetShapes(parts);
    int named = 0;
    for (const TDF_Label& part : parts) {
        TDF_LabelSequence subShapes;
        XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
        for (const TDF_Label& sub : subShapes) {
            const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(sub);
            const std::string name = LabelName(sub);
            Handle(StepRepr_RepresentationItem) item;
            if (shape.IsNull() || shape.ShapeType() > TopAbs_SHELL || name.empty() ||
                !process->FindTypedTransient(TransferBRep::ShapeMapper(process, shape),
                                             STANDARD_TYPE(StepRepr_RepresentationItem), item)) {
                continue;
            }
            // UTF-8, as the writer takes the products' names.
            item->SetName(new TCollection_HAsciiString(name.c_str()));
            ++named;
        }
    }
    return named;
}

} // namespace orvkit
