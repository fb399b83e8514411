#include "StepDatumFeatures.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/CaughtFailure.h"

#include <Interface_EntityIterator.hxx>
#include <Interface_Graph.hxx>
#include <Interface_InterfaceModel.hxx>
#include <StepAP242_GeometricItemSpecificUsage.hxx>
#include <StepAP242_ItemIdentifiedRepresentationUsage.hxx>
#include <StepDimTol_Datum.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_ShapeAspectRelationship.hxx>
#include <StepShape_TopologicalRepresentationItem.hxx>
#include <TDF_LabelSequence.hxx>
#include <TransferBRep.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDoc_Datum.hxx>
#include <XSControl_TransferReader.hxx>

#include <map>
#include <set>
#include <string>

namespace orvkit {

namespace {

// The document label of the shape the transfer made of `item`. A geometric item leads to the
// topological item sharing it, as in the reader's own search for tolerance targets.
TDF_Label ShapeLabelOf(const Handle(Standard_Transient)& item,
                       const Handle(Transfer_TransientProcess)& process,
                       const Handle(XCAFDoc_ShapeTool)& shapeTool)
{
    Standard_Integer index = process->MapIndex(item);
    for (Interface_EntityIterator sharing = process->Graph().Sharings(item);
         index == 0 && sharing.More(); sharing.Next()) {
        if (sharing.Value()->IsKind(STANDARD_TYPE(StepShape_TopologicalRepresentationItem))) {
            index = process->MapIndex(sharing.Value());
        }
    }
    TDF_Label label;
    if (index == 0) {
        return label;
    }
    const TopoDS_Shape shape = TransferBRep::ShapeResult(process->MapItem(index));
    if (!shape.IsNull()) {
        shapeTool->Search(shape, label, Standard_True, Standard_True, Standard_True);
    }
    return label;
}

// Appends the shapes that usages of `aspect` name; usages of the specific kind only when
// `specificToo`.
void AppendUsageShapes(const Handle(Standard_Transient)& aspect, bool specificToo,
                       const Handle(Transfer_TransientProcess)& process,
                       const Handle(XCAFDoc_ShapeTool)& shapeTool, TDF_LabelSequence& shapes)
{
    for (Interface_EntityIterator usages = process->Graph().Sharings(aspect); usages.More();
         usages.Next()) {
        const Handle(StepAP242_ItemIdentifiedRepresentationUsage) usage =
            Handle(StepAP242_ItemIdentifiedRepresentationUsage)::DownCast(usages.Value());
        if (usage.IsNull() || usage->IdentifiedItem().IsNull() ||
            (!specificToo && usage->IsKind(STANDARD_TYPE(StepAP242_GeometricItemSpecificUsage)))) {
            continue;
        }
        for (const Handle(StepRepr_RepresentationItem)& item : usage->IdentifiedItem()->Array1()) {
            const TDF_Label label =
                item.IsNull() ? TDF_Label() : ShapeLabelOf(item, process, shapeTool);
            if (!label.IsNull()) {
                shapes.Append(label);
            }
        }
    }
}

// The shapes the file names for `datum` where the reader does not look: through the general
// usage of its features, and through any usage of the datum itself.
TDF_LabelSequence DatumShapes(const Handle(StepDimTol_Datum)& datum,
                              const Handle(Transfer_TransientProcess)& process,
                              const Handle(XCAFDoc_ShapeTool)& shapeTool)
{
    TDF_LabelSequence shapes;
    AppendUsageShapes(datum, true, process, shapeTool, shapes);
    for (Interface_EntityIterator relations = process->Graph().Sharings(datum); relations.More();
         relations.Next()) {
        const Handle(StepRepr_ShapeAspectRelationship) relation =
            Handle(StepRepr_ShapeAspectRelationship)::DownCast(relations.Value());
        if (!relation.IsNull() && relation->RelatedShapeAspect() == datum &&
            !relation->RelatingShapeAspect().IsNull()) {
            AppendUsageShapes(relation->RelatingShapeAspect(), false, process, shapeTool, shapes);
        }
    }
    return shapes;
}

// The faces of each datum letter the model ties only through such usages; a letter two
// datums share is left out.
std::map<std::string, TDF_LabelSequence>
ShapesByLetter(const Handle(XSControl_WorkSession)& session,
               const Handle(XCAFDoc_ShapeTool)& shapeTool)
{
    std::map<std::string, TDF_LabelSequence> byLetter;
    std::set<std::string> shared;
    const Handle(Interface_InterfaceModel) model = session->Model();
    const Handle(Transfer_TransientProcess) process = session->TransferReader()->TransientProcess();
    for (Standard_Integer i = 1; i <= model->NbEntities(); ++i) {
        const Handle(StepDimTol_Datum) datum = Handle(StepDimTol_Datum)::DownCast(model->Value(i));
        if (datum.IsNull() || datum->Identification().IsNull()) {
            continue;
        }
        TDF_LabelSequence shapes = DatumShapes(datum, process, shapeTool);
        if (shapes.IsEmpty()) {
            continue;
        }
        const std::string letter = datum->Identification()->ToCString();
        if (!byLetter.emplace(letter, std::move(shapes)).second) {
            shared.insert(letter);
        }
    }
    for (const std::string& letter : shared) {
        byLetter.erase(letter);
    }
    return byLetter;
}

int Link(const Handle(XSControl_WorkSession)& session, XdeDocumentImpl& impl)
{
    TDF_LabelSequence labels;
    impl.dimTolTool->GetDatumLabels(labels);
    if (labels.IsEmpty()) {
        return 0; // spares large assemblies a walk through every entity
    }
    const std::map<std::string, TDF_LabelSequence> byLetter =
        ShapesByLetter(session, impl.shapeTool);
    int linked = 0;
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Datum) datum;
        if (!label.FindAttribute(XCAFDoc_Datum::GetID(), datum) || datum->GetObject().IsNull() ||
            datum->GetObject()->IsDatumTarget() || datum->GetObject()->GetName().IsNull()) {
            continue;
        }
        TDF_LabelSequence first;
        TDF_LabelSequence second;
        impl.dimTolTool->GetRefShapeLabel(label, first, second);
        const auto found = byLetter.find(datum->GetObject()->GetName()->ToCString());
        if (first.IsEmpty() && second.IsEmpty() && found != byLetter.end()) {
            impl.dimTolTool->SetDatum(found->second, label);
            ++linked;
        }
    }
    return linked;
}

} // namespace

int LinkStepDatumFeatures(const Handle(XSControl_WorkSession)& session, XdeDocumentImpl& impl)
{
    if (session.IsNull() || session->Model().IsNull() || session->TransferReader().IsNull() ||
        session->TransferReader()->TransientProcess().IsNull() || impl.dimTolTool.IsNull()) {
        return 0;
    }
    int linked = 0;
    const std::optional<CaughtFailure> caught =
        CaughtFailure::Guard([&] { linked = Link(session, impl); }, CaughtFailure::OcctOnly);
    if (caught) {
        Logger::Instance().Message(3, "STEP reader: datum features left as read: %s %s",
                                   caught->type.c_str(), caught->message.c_str());
    }
    return linked;
}

} // namespace orvkit
