#include "StepBodyNames.h"

#include "Geometry/IO/LabelName.h"
#include "Interop/Kernel/XdeBodyLabels.h"

#include <Quantity_ColorRGBA.hxx>
#include <StepShape_ManifoldSolidBrep.hxx>
#include <StepShape_ShellBasedSurfaceModel.hxx>
#include <TDF_LabelSequence.hxx>
#include <TransferBRep.hxx>
#include <TransferBRep_ShapeMapper.hxx>
#include <Transfer_FinderProcess.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_TransferWriter.hxx>
#include <XSControl_WorkSession.hxx>

#include <string>
#include <vector>

namespace orvkit {

namespace {

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

} // namespace

int ReadStepBodyNames(const STEPCAFControl_Reader& reader, XdeDocumentImpl& impl)
{
    const Handle(Transfer_TransientProcess) process =
        reader.Reader().WS()->TransferReader()->TransientProcess();
    if (process.IsNull() || process->Model().IsNull()) {
        return 0;
    }
    return LabelNamedBodies(impl, NamedBodies(process));
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
