#include "StepAssemblyActor.h"

#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/StepTessellation.h"
#include "Interop/Kernel/StepTransferWorkers.h"

#include <Geom_Direction.hxx>
#include <HeaderSection_FileName.hxx>
#include <Interface_EntityIterator.hxx>
#include <Interface_Graph.hxx>
#include <Interface_Static.hxx>
#include <Message_ProgressScope.hxx>
#include <Precision.hxx>
#include <STEPConstruct_UnitContext.hxx>
#include <StepData_StepModel.hxx>
#include <StepGeom_Axis2Placement3d.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx.hxx>
#include <StepGeom_GeometricRepresentationContextAndGlobalUnitAssignedContext.hxx>
#include <StepRepr_GlobalUnitAssignedContext.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_ItemDefinedTransformation.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_PropertyDefinition.hxx>
#include <StepRepr_ShapeRepresentationRelationshipWithTransformation.hxx>
#include <StepRepr_Transformation.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <StepToGeom.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS_Iterator.hxx>
#include <TransferBRep.hxx>
#include <Transfer_TransientProcess.hxx>
#include <UnitsMethods.hxx>
#include <XSAlgo.hxx>
#include <XSAlgo_AlgoContainer.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>
#include <gp_Ax3.hxx>

#include <optional>

namespace orvkit {

namespace {

// The product definition `shape` describes, when it describes one.
Handle(StepBasic_ProductDefinition)
DescribedProduct(const Handle(StepRepr_PropertyDefinition)& shape)
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

// Whether OCCT can make an axis of `axis` (it fails on a location without three coordinates).
bool HasLocation(const Handle(StepGeom_Axis2Placement3d)& axis)
{
    return !axis.IsNull() && !axis->Location().IsNull() && axis->Location()->NbCoordinates() == 3;
}

// The axis OCCT makes of `axis` when the representation's length unit is `lengthFactor`.
gp_Ax2 MakeAxis(const Handle(StepGeom_Axis2Placement3d)& axis, double lengthFactor)
{
    const Handle(StepGeom_CartesianPoint) location = axis->Location();
    const gp_Pnt origin(location->CoordinatesValue(1) * lengthFactor,
                        location->CoordinatesValue(2) * lengthFactor,
                        location->CoordinatesValue(3) * lengthFactor);
    gp_Dir normal(0., 0., 1.);
    if (axis->HasAxis()) {
        if (const Handle(Geom_Direction) direction = StepToGeom::MakeDirection(axis->Axis())) {
            normal = direction->Dir();
        }
    }
    if (axis->HasRefDirection()) {
        const Handle(Geom_Direction) direction = StepToGeom::MakeDirection(axis->RefDirection());
        if (!direction.IsNull() && !normal.IsParallel(direction->Dir(), Precision::Angular())) {
            return gp_Ax2(origin, normal, direction->Dir());
        }
    }
    return gp_Ax2(origin, normal);
}

// Below this many items a search costs less than an index.
const int kItemsWorthIndexing = 16;

} // namespace

Handle(StepAssemblyActor) StepAssemblyActor::Install(XSControl_Reader& reader,
                                                     std::shared_ptr<StepTessellation> tessellation)
{
    const Handle(XSControl_TransferReader) transfer = reader.WS()->TransferReader();
    Handle(StepAssemblyActor) actor = new StepAssemblyActor;
    actor->myTessellation = std::move(tessellation);
    transfer->SetActor(actor);
    // Restarts the transfer process, which holds the actor it was started with.
    transfer->BeginTransfer();
    return actor;
}

bool StepAssemblyActor::TakesAssembliesOf(const Handle(StepData_StepModel)& model)
{
    return !model.IsNull() && !IsIdeasFile(model) &&
           TCollection_AsciiString(Interface_Static::CVal("read.step.product.mode")) == "ON";
}

bool StepAssemblyActor::TakesAssemblies(const Handle(Transfer_TransientProcess)& process)
{
    const Handle(StepData_StepModel) model = Handle(StepData_StepModel)::DownCast(process->Model());
    if (model.IsNull()) {
        return false;
    }
    if (model != myModel) {
        myModel = model;
        myUses.clear();
        myEmptyProducts.clear();
        myItems.clear();
        myLengthFactors.clear();
        myTessellatedShapes.clear();
        myTessellationBound = false;
        myTakesAssemblies = TakesAssembliesOf(model);
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
    if (start.IsNull()) {
        return STEPControl_ActorRead::Transfer(start, process, range);
    }
    const bool assemblies = TakesAssemblies(process);
    BindTessellation(process);
    if (const Handle(StepBasic_ProductDefinition) product =
            Handle(StepBasic_ProductDefinition)::DownCast(start)) {
        Message_ProgressScope scope(range, nullptr, 2);
        if (assemblies) {
            PrepareProduct(product, process, scope.Next());
        }
        if (myWorkers) {
            myWorkers->Bind(product, process);
        }
        return WithTessellation(
            product, STEPControl_ActorRead::Transfer(start, process, scope.Next()), process);
    }
    if (const Handle(StepRepr_NextAssemblyUsageOccurrence) occurrence =
            Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(start);
        assemblies && !occurrence.IsNull()) {
        return TransferOccurrence(occurrence, process, range);
    }
    return STEPControl_ActorRead::Transfer(start, process, range);
}

void StepAssemblyActor::BindTessellation(const Handle(Transfer_TransientProcess)& process)
{
    if (!myTessellation || myTessellationBound) {
        return;
    }
    myTessellationBound = true;
    for (const auto& [bound, representation] : myTessellation->GetRepresentations()) {
        // A context without units leaves lengths as they are written.
        const Handle(StepRepr_RepresentationContext) context = bound->ContextOfItems();
        const double factor = context.IsNull() ? 1.0 : ContextLengthFactor(context).value_or(1.0);
        const TopoDS_Shape shape = myTessellation->ShapeOf(representation, factor);
        if (!shape.IsNull()) {
            process->Bind(bound, new TransferBRep_ShapeBinder(shape));
            myTessellatedShapes.insert(shape.TShape().get());
        }
    }
    // Styled items find the faces, shells and solids they colour through their stand-ins.
    for (const auto& [standIn, item] : myTessellation->GetItemStandIns()) {
        if (const TopoDS_Shape shape = myTessellation->MadeShape(item); !shape.IsNull()) {
            process->Bind(standIn, new TransferBRep_ShapeBinder(shape));
        }
    }
}

Handle(Transfer_Binder)
StepAssemblyActor::WithTessellation(const Handle(StepBasic_ProductDefinition)& product,
                                    const Handle(Transfer_Binder)& binder,
                                    const Handle(Transfer_TransientProcess)& process)
{
    if (myTessellatedShapes.empty() || binder.IsNull()) {
        return binder;
    }
    const TopoDS_Shape shape = TransferBRep::ShapeResult(binder);
    if (shape.IsNull() || shape.ShapeType() != TopAbs_COMPOUND) {
        return binder;
    }
    // The exact shape wins, as in OCCT 7.7 and later.
    std::vector<TopoDS_Shape> exact;
    bool dropped = false;
    for (TopoDS_Iterator it(shape, Standard_False, Standard_False); it.More(); it.Next()) {
        if (myTessellatedShapes.count(it.Value().TShape().get()) != 0) {
            dropped = true;
        } else {
            exact.push_back(it.Value());
        }
    }
    if (!dropped || exact.empty()) {
        return binder;
    }
    Handle(TransferBRep_ShapeBinder) result =
        new TransferBRep_ShapeBinder(OneOrCompound(exact).Moved(shape.Location()));
    process->Rebind(product, result);
    return result;
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
                use.definingProduct = DescribedProduct(property);
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

std::optional<double>
StepAssemblyActor::LengthFactorOf(const Handle(StepRepr_Representation)& representation)
{
    // What PrepareUnits would set for the representation. A context without units leaves
    // OCCT's factor as the last representation set it, which only OCCT knows.
    const Handle(StepRepr_RepresentationContext) context = representation->ContextOfItems();
    if (context.IsNull()) {
        return 1.0;
    }
    return ContextLengthFactor(context);
}

std::optional<double>
StepAssemblyActor::ContextLengthFactor(const Handle(Standard_Transient)& context)
{
    const auto known = myLengthFactors.find(context.get());
    if (known != myLengthFactors.end()) {
        return known->second;
    }
    Handle(StepRepr_GlobalUnitAssignedContext) units;
    if (const auto plain =
            Handle(StepGeom_GeometricRepresentationContextAndGlobalUnitAssignedContext)::DownCast(
                context)) {
        units = plain->GlobalUnitAssignedContext();
    } else if (const auto full =
                   Handle(StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx)::
                       DownCast(context)) {
        units = full->GlobalUnitAssignedContext();
    }
    std::optional<double> factor;
    if (!units.IsNull()) {
        STEPConstruct_UnitContext unitContext;
        unitContext.ComputeFactors(units);
        factor = unitContext.LengthFactor();
    }
    myLengthFactors.emplace(context.get(), factor);
    return factor;
}

bool StepAssemblyActor::Holds(const Handle(StepRepr_Representation)& representation,
                              const Handle(Standard_Transient)& item)
{
    const Handle(StepRepr_HArray1OfRepresentationItem)& items = representation->Items();
    if (items.IsNull()) {
        return false;
    }
    if (items->Length() < kItemsWorthIndexing) {
        for (int index = items->Lower(); index <= items->Upper(); ++index) {
            if (items->Value(index) == item) {
                return true;
            }
        }
        return false;
    }
    auto& index = myItems[representation.get()];
    if (index.empty()) {
        for (int position = items->Lower(); position <= items->Upper(); ++position) {
            index.insert(items->Value(position).get());
        }
    }
    return index.count(item.get()) != 0;
}

bool StepAssemblyActor::ComputePlacement(const Handle(StepRepr_RepresentationRelationship)& link,
                                         const Handle(Transfer_TransientProcess)& process,
                                         gp_Trsf& placement)
{
    // OCCT's ComputeSRRWT looks for both axes among all items of both sides, for every
    // placement, and sets and restores the units of both sides each time: for an assembly of
    // n parts that is n x n work. This does the same with an index of the items and the
    // length factors worked out once, and leaves the rare cases to OCCT.
    const Handle(StepRepr_ShapeRepresentationRelationshipWithTransformation) transformed =
        Handle(StepRepr_ShapeRepresentationRelationshipWithTransformation)::DownCast(link);
    const Handle(StepRepr_ItemDefinedTransformation) axes =
        transformed.IsNull() ? Handle(StepRepr_ItemDefinedTransformation)()
                             : transformed->TransformationOperator().ItemDefinedTransformation();
    if (axes.IsNull() || link->Rep1().IsNull() || link->Rep2().IsNull()) {
        return ComputeSRRWT(link, process, placement);
    }
    Handle(StepGeom_Axis2Placement3d) origin =
        Handle(StepGeom_Axis2Placement3d)::DownCast(axes->TransformItem1());
    Handle(StepGeom_Axis2Placement3d) target =
        Handle(StepGeom_Axis2Placement3d)::DownCast(axes->TransformItem2());
    const std::optional<double> originFactor = LengthFactorOf(link->Rep1());
    const std::optional<double> targetFactor = LengthFactorOf(link->Rep2());
    if (!HasLocation(origin) || !HasLocation(target) || !originFactor || !targetFactor) {
        return ComputeSRRWT(link, process, placement);
    }
    // The same checks, corrections and warnings as OCCT's.
    const bool originHere = Holds(link->Rep1(), origin);
    const bool targetThere = Holds(link->Rep2(), target);
    if (!originHere || !targetThere) {
        const bool targetHere = origin != target && Holds(link->Rep1(), target);
        const bool originThere = origin != target && Holds(link->Rep2(), origin);
        if (originThere && targetHere) {
            std::swap(origin, target);
            process->AddWarning(origin, "Axis placements are swapped in SRRWT; corrected");
        } else {
            process->AddWarning(originHere ? target : origin,
                                "Axis placement used by SRRWT does not belong to corresponding "
                                "representation");
        }
    }
    placement = gp_Trsf();
    placement.SetTransformation(gp_Ax3(MakeAxis(target, *targetFactor)),
                                gp_Ax3(MakeAxis(origin, *originFactor)));
    return placement.Form() != gp_Identity;
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
    if (myWorkers) {
        myWorkers->Bind(product, process);
    }
    binder = WithTessellation(
        product, TransferEntity(product, process, Standard_False, scope.Next()), process);
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
