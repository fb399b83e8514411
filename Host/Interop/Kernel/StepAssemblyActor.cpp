#include "StepAssemblyActor.h"

#include <HeaderSection_FileName.hxx>
#include <Interface_EntityIterator.hxx>
#include <Interface_Graph.hxx>
#include <Interface_Static.hxx>
#include <Message_ProgressScope.hxx>
#include <StepData_StepModel.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_ItemDefinedTransformation.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_PropertyDefinition.hxx>
#include <StepRepr_ShapeRepresentationRelationshipWithTransformation.hxx>
#include <StepRepr_Transformation.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <TopLoc_Location.hxx>
#include <TransferBRep.hxx>
#include <Transfer_TransientProcess.hxx>
#include <UnitsMethods.hxx>
#include <XSAlgo.hxx>
#include <XSAlgo_AlgoContainer.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>

#include <optional>

namespace orvkit {

namespace {

// The product definition `shape` describes, when it describes one.
Handle(StepBasic_ProductDefinition) ProductOfShape(const Handle(StepRepr_PropertyDefinition)& shape)
{
    return shape.IsNull() ? Handle(StepBasic_ProductDefinition)()
                          : shape->Definition().ProductDefinition();
}

bool IsIdeasFile(const Handle(StepData_StepModel)& model)
{
    for (Interface_EntityIterator header = model->Header(); header.More(); header.Next()) {
        const Handle(HeaderSection_FileName) name =
            Handle(HeaderSection_FileName)::DownCast(header.Value());
        if (!name.IsNull() && !name->PreprocessorVersion().IsNull() &&
            name->PreprocessorVersion()->Search("I-DEAS") != -1) {
            return true;
        }
    }
    return false;
}

void Place(TopoDS_Shape& shape, const gp_Trsf& transformation)
{
    if (transformation.Form() != gp_Identity) {
        shape.Move(TopLoc_Location(transformation));
    }
}

// Gives a representation a short list of items for as long as it lives, and its own list
// back afterwards, also when the translator throws.
class ItemsStandIn {
public:
    ItemsStandIn(const Handle(StepRepr_Representation)& representation,
                 const Handle(StepRepr_HArray1OfRepresentationItem)& items)
        : myRepresentation(representation), myItems(representation->Items())
    {
        myRepresentation->SetItems(items);
    }
    ~ItemsStandIn() { myRepresentation->SetItems(myItems); }
    ItemsStandIn(const ItemsStandIn&) = delete;
    ItemsStandIn& operator=(const ItemsStandIn&) = delete;

private:
    Handle(StepRepr_Representation) myRepresentation;
    Handle(StepRepr_HArray1OfRepresentationItem) myItems;
};

// Below this many items a search costs less than building the stand-in.
const int kItemsWorthIndexing = 16;

} // namespace

void StepAssemblyActor::Install(XSControl_Reader& reader)
{
    const Handle(XSControl_TransferReader) transfer = reader.WS()->TransferReader();
    transfer->SetActor(new StepAssemblyActor);
    // Restarts the transfer process, which holds the actor it was started with.
    transfer->BeginTransfer();
}

bool StepAssemblyActor::TakesAssemblies(const Handle(Transfer_TransientProcess)& process)
{
    const Handle(StepData_StepModel) model = Handle(StepData_StepModel)::DownCast(process->Model());
    if (model.IsNull()) {
        return false;
    }
    if (model.get() != myModel) {
        myModel = model.get();
        myUses.clear();
        myEmptyProducts.clear();
        myTakesAssemblies =
            !IsIdeasFile(model) &&
            TCollection_AsciiString(Interface_Static::CVal("read.step.product.mode")) == "ON";
    }
    if (!model->IsInitializedUnit()) {
        // What the base class does first on every transfer; products translated here come
        // before it.
        XSAlgo::AlgoContainer()->PrepareForTransfer();
        model->SetLocalLengthUnit(UnitsMethods::GetCasCadeLengthUnit());
    }
    return myTakesAssemblies;
}

Handle(Transfer_Binder)
StepAssemblyActor::Transfer(const Handle(Standard_Transient)& start,
                            const Handle(Transfer_TransientProcess)& process,
                            const Message_ProgressRange& range)
{
    if (start.IsNull() || !TakesAssemblies(process)) {
        return STEPControl_ActorRead::Transfer(start, process, range);
    }
    if (const Handle(StepBasic_ProductDefinition) product =
            Handle(StepBasic_ProductDefinition)::DownCast(start)) {
        Message_ProgressScope scope(range, nullptr, 2);
        PrepareProduct(product, process, scope.Next());
        return STEPControl_ActorRead::Transfer(start, process, scope.Next());
    }
    if (const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
            Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(start)) {
        return TransferOccurrence(occurrence, process, range);
    }
    return STEPControl_ActorRead::Transfer(start, process, range);
}

const StepAssemblyActor::RepresentationUse&
StepAssemblyActor::UseOf(const Handle(StepRepr_Representation)& representation,
                         const Handle(Transfer_TransientProcess)& process)
{
    const auto found = myUses.find(representation.get());
    if (found != myUses.end()) {
        return found->second;
    }
    RepresentationUse& use = myUses[representation.get()];
    const Interface_Graph& graph = process->Graph();
    for (Interface_EntityIterator sharing = graph.Sharings(representation); sharing.More();
         sharing.Next()) {
        const Handle(Standard_Transient)& entity = sharing.Value();
        if (const Handle(StepShape_ShapeDefinitionRepresentation) definition =
                Handle(StepShape_ShapeDefinitionRepresentation)::DownCast(entity)) {
            const Handle(StepRepr_PropertyDefinition) property =
                definition->Definition().PropertyDefinition();
            const Handle(StepRepr_ProductDefinitionShape) shape =
                Handle(StepRepr_ProductDefinitionShape)::DownCast(property);
            if (use.product.IsNull() && !shape.IsNull()) {
                for (Interface_EntityIterator shared = graph.Shareds(shape);
                     use.product.IsNull() && shared.More(); shared.Next()) {
                    use.product = Handle(StepBasic_ProductDefinition)::DownCast(shared.Value());
                }
            }
            // Only the exact type counts here, and only a definition that uses this very
            // representation, as OCCT checks the direction of a placement.
            if (use.definingProduct.IsNull() &&
                entity->DynamicType() == STANDARD_TYPE(StepShape_ShapeDefinitionRepresentation) &&
                definition->UsedRepresentation() == representation) {
                use.definingProduct = ProductOfShape(property);
            }
        } else if (entity->IsKind(STANDARD_TYPE(StepRepr_ShapeRepresentationRelationship))) {
            use.lastRelationship =
                Handle(StepRepr_ShapeRepresentationRelationship)::DownCast(entity);
        }
    }
    return use;
}

bool StepAssemblyActor::IsReversed(
    const Handle(StepShape_ContextDependentShapeRepresentation)& placement,
    const Handle(Transfer_TransientProcess)& process)
{
    const Handle(StepRepr_ProductDefinitionShape) occurrenceShape =
        placement->RepresentedProductRelation();
    const Handle(StepRepr_RepresentationRelationship) relationship =
        placement->RepresentationRelation();
    if (occurrenceShape.IsNull() || relationship.IsNull()) {
        return false;
    }
    const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
        Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(
            occurrenceShape->Definition().ProductDefinitionRelationship());
    if (occurrence.IsNull() || relationship->Rep1().IsNull() || relationship->Rep2().IsNull()) {
        return false;
    }
    const Handle(StepBasic_ProductDefinition) first =
        UseOf(relationship->Rep1(), process).definingProduct;
    const Handle(StepBasic_ProductDefinition) second =
        UseOf(relationship->Rep2(), process).definingProduct;
    const Handle(StepBasic_ProductDefinition) related = occurrence->RelatedProductDefinition();
    const Handle(StepBasic_ProductDefinition) relating = occurrence->RelatingProductDefinition();
    if (first == related && second == relating) {
        return false;
    }
    if (second == related && first == relating) {
        return true;
    }
    // Half a match: OCCT trusts whichever end points against the occurrence.
    return second == related || first == relating;
}

bool StepAssemblyActor::ComputePlacement(const Handle(StepRepr_RepresentationRelationship)& link,
                                         const Handle(Transfer_TransientProcess)& process,
                                         gp_Trsf& placement)
{
    const Handle(StepRepr_ShapeRepresentationRelationshipWithTransformation) transformed =
        Handle(StepRepr_ShapeRepresentationRelationshipWithTransformation)::DownCast(link);
    const Handle(StepRepr_ItemDefinedTransformation) axes =
        transformed.IsNull() ? Handle(StepRepr_ItemDefinedTransformation)()
                             : transformed->TransformationOperator().ItemDefinedTransformation();
    if (axes.IsNull() || link->Rep1().IsNull() || link->Rep2().IsNull()) {
        return ComputeSRRWT(link, process, placement);
    }
    // OCCT looks for the two axes among each side's items only to tell whether they are
    // where they belong, swapped or foreign. A stand-in list holding just those of the two
    // that the representation has gives the same answer (and warnings) at once.
    const Handle(StepRepr_RepresentationItem) axis[2] = {axes->TransformItem1(),
                                                         axes->TransformItem2()};
    std::optional<ItemsStandIn> standIns[2];
    for (int side = 0; side < 2; ++side) {
        const Handle(StepRepr_Representation) representation =
            side == 0 ? link->Rep1() : link->Rep2();
        const int count = representation->NbItems();
        if (count < kItemsWorthIndexing || (side == 1 && representation == link->Rep1())) {
            continue;
        }
        auto& items = myItems[representation.get()];
        if (items.empty()) {
            for (int index = 1; index <= count; ++index) {
                items.insert(representation->ItemsValue(index).get());
            }
        }
        NCollection_Sequence<Handle(StepRepr_RepresentationItem)> present;
        for (int which = 0; which < 2; ++which) {
            if (!axis[which].IsNull() && items.count(axis[which].get()) != 0 &&
                (which == 0 || axis[1] != axis[0])) {
                present.Append(axis[which]);
            }
        }
        Handle(StepRepr_HArray1OfRepresentationItem) shortList;
        if (!present.IsEmpty()) {
            shortList = new StepRepr_HArray1OfRepresentationItem(1, present.Length());
            for (int index = 1; index <= present.Length(); ++index) {
                shortList->SetValue(index, present.Value(index));
            }
        }
        standIns[side].emplace(representation, shortList);
    }
    return ComputeSRRWT(link, process, placement);
}

void StepAssemblyActor::PrepareProduct(const Handle(StepBasic_ProductDefinition)& product,
                                       const Handle(Transfer_TransientProcess)& process,
                                       const Message_ProgressRange& range)
{
    if (Interface_Static::IVal("read.step.assembly.level") == 4) {
        return; // the product's own shape only
    }
    // The occurrences in the order the base class collects them, directly or through the
    // product's shape.
    NCollection_Sequence<Handle(StepRepr_NextAssemblyUsageOccurrence)> occurrences;
    const Interface_Graph& graph = process->Graph();
    for (Interface_EntityIterator sharing = graph.Sharings(product); sharing.More();
         sharing.Next()) {
        if (const Handle(StepRepr_ProductDefinitionShape) shape =
                Handle(StepRepr_ProductDefinitionShape)::DownCast(sharing.Value())) {
            for (Interface_EntityIterator user = graph.Sharings(shape); user.More(); user.Next()) {
                const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
                    Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(user.Value());
                if (!occurrence.IsNull() && shape->Definition().ProductDefinition() ==
                                                occurrence->RelatingProductDefinition()) {
                    occurrences.Append(occurrence);
                }
            }
        } else if (const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
                       Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(sharing.Value())) {
            if (occurrence->RelatingProductDefinition() == product) {
                occurrences.Append(occurrence);
            }
        }
    }
    Message_ProgressScope scope(range, "Part", occurrences.Length());
    for (const Handle(StepRepr_NextAssemblyUsageOccurrence)& occurrence : occurrences) {
        if (!scope.More()) {
            return;
        }
        const Message_ProgressRange next = scope.Next();
        if (!process->IsBound(occurrence)) {
            TransferOccurrence(occurrence, process, next);
        }
    }
}

Handle(Transfer_Binder)
StepAssemblyActor::ProductBinder(const Handle(StepBasic_ProductDefinition)& product,
                                 const Handle(Transfer_TransientProcess)& process,
                                 const Message_ProgressRange& range)
{
    Handle(Transfer_Binder) binder = process->Find(product);
    if (!binder.IsNull() || myEmptyProducts.count(product.get()) != 0) {
        return binder;
    }
    Message_ProgressScope scope(range, nullptr, 2);
    PrepareProduct(product, process, scope.Next());
    binder = TransferEntity(product, process, Standard_False, scope.Next());
    if (binder.IsNull()) {
        myEmptyProducts.insert(product.get());
    }
    return binder;
}

Handle(TransferBRep_ShapeBinder) StepAssemblyActor::TransferOccurrence(
    const Handle(StepRepr_NextAssemblyUsageOccurrence)& occurrence,
    const Handle(Transfer_TransientProcess)& process, const Message_ProgressRange& range)
{
    // The same walk as OCCT's, with the lists that grow with the placements of a part
    // replaced by what UseOf gathered once.
    Handle(StepBasic_ProductDefinition) product;
    Handle(StepRepr_ShapeRepresentationRelationship) relationship;
    gp_Trsf placement;
    bool placed = false, reversed = false, dependent = false;
    const Interface_Graph& graph = process->Graph();
    for (Interface_EntityIterator sharing = graph.Sharings(occurrence); sharing.More();
         sharing.Next()) {
        const Handle(StepRepr_ProductDefinitionShape) shape =
            Handle(StepRepr_ProductDefinitionShape)::DownCast(sharing.Value());
        if (shape.IsNull()) {
            continue;
        }
        for (Interface_EntityIterator user = graph.Sharings(shape); user.More(); user.Next()) {
            const Handle(StepShape_ContextDependentShapeRepresentation) dependency =
                Handle(StepShape_ContextDependentShapeRepresentation)::DownCast(user.Value());
            if (dependency.IsNull()) {
                continue;
            }
            dependent = true;
            const Handle(StepRepr_RepresentationRelationship) link =
                dependency->RepresentationRelation();
            if (link.IsNull()) {
                continue;
            }
            reversed = IsReversed(dependency, process);
            const Handle(StepRepr_Representation) representation =
                reversed ? link->Rep2() : link->Rep1();
            if (representation.IsNull()) {
                continue;
            }
            placed = ComputePlacement(link, process, placement);
            const RepresentationUse& use = UseOf(representation, process);
            if (product.IsNull()) {
                product = use.product;
            }
            if (!use.lastRelationship.IsNull()) {
                relationship = use.lastRelationship;
            }
        }
    }

    Handle(TransferBRep_ShapeBinder) result;
    if (dependent) {
        Message_ProgressScope scope(range, nullptr, 2);
        TopoDS_Shape shape;
        if (!product.IsNull()) {
            shape = TransferBRep::ShapeResult(ProductBinder(product, process, scope.Next()));
            if (!shape.IsNull()) {
                if (placed) {
                    Place(shape, reversed ? placement.Inverted() : placement);
                }
                result = new TransferBRep_ShapeBinder(shape);
            }
        }
        if (shape.IsNull() && !relationship.IsNull() && process->Find(relationship).IsNull()) {
            shape = TransferBRep::ShapeResult(
                TransferEntity(relationship, process, 0, Standard_False, scope.Next()));
            if (!shape.IsNull()) {
                result = new TransferBRep_ShapeBinder(shape);
            }
        }
    }
    process->Bind(occurrence, result);
    return result;
}

} // namespace orvkit
