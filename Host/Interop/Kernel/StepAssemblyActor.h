#pragma once

#include <STEPControl_ActorRead.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepData_StepModel.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_ShapeRepresentationRelationship.hxx>
#include <StepShape_ContextDependentShapeRepresentation.hxx>
#include <TransferBRep_ShapeBinder.hxx>
#include <XSControl_Reader.hxx>

#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvkit {

class StepTessellation;
class StepTransferWorkers;

// OpenCASCADE's STEP transfer actor with a faster road through assemblies.
//
// For every assembly occurrence, OCCT 7.6's actor lists every entity that refers to the
// placed part's representation, and searches the assembly's representation for the two axes
// of the placement. All placements of a part share the one, all placements in an assembly
// the other, so an assembly holding a part n times does n x n work, and a plant of a hundred
// thousand placed fasteners takes minutes. This actor translates the occurrences itself,
// before the base class reaches them, from what it learns about each representation once;
// the base class then finds them translated and does everything else as before. The choices
// OCCT makes among several candidates (the first product found through a representation, the
// last relationship, its corrections of swapped axes) are kept exactly, so the document is the
// same as the stock actor's.
//
// Files written by I-DEAS and reads with "read.step.product.mode" off go through the base
// class alone: the former need state the base class keeps to itself.
//
// The stand-ins of tessellated representations, and the shape representations that list
// tessellated items alone (see StepTessellation), are bound to their shapes before anything is
// translated, so that OCCT takes them as translated. A product
// with both an exact shape and a tessellated one keeps the exact one alone. So are, product by
// product, the solids and shells that worker processes translated (see StepTransferWorkers).
class StepAssemblyActor : public STEPControl_ActorRead {
public:
    StepAssemblyActor() = default;

    // Puts a new actor of this kind on the reader's session, with the file's tessellated
    // geometry when it has some. Call it after ReadFile, which resets the session's actor, and
    // before Transfer.
    static Handle(StepAssemblyActor)
    Install(XSControl_Reader& reader, std::shared_ptr<StepTessellation> tessellation = nullptr);

    // Whether this actor translates the assemblies of `model` itself (not for I-DEAS files,
    // nor with "read.step.product.mode" off).
    static bool TakesAssembliesOf(const Handle(StepData_StepModel)& model);

    // Workers that translate parts' geometry for this actor's transfer.
    void SetWorkers(std::shared_ptr<StepTransferWorkers> workers)
    {
        myWorkers = std::move(workers);
    }

    // A product: its occurrences first (here), then the product itself (OCCT). Anything
    // else: as OCCT.
    Handle(Transfer_Binder) Transfer(const Handle(Standard_Transient)& start,
                                     const Handle(Transfer_TransientProcess)& process,
                                     const Message_ProgressRange& range) override;

    DEFINE_STANDARD_RTTI_INLINE(StepAssemblyActor, STEPControl_ActorRead)

private:
    // What the entities referring to one representation say, gathered in one pass.
    struct RepresentationUse {
        // Product of the first shape definition whose definition is a product definition
        // shape with a product definition among what it refers to.
        Handle(StepBasic_ProductDefinition) product;
        // Product of the first plain shape definition that uses this representation.
        Handle(StepBasic_ProductDefinition) definingProduct;
        // The last shape representation relationship that refers to it.
        Handle(StepRepr_ShapeRepresentationRelationship) lastRelationship;
    };

    const RepresentationUse& UseOf(const Handle(StepRepr_Representation)& representation,
                                   const Handle(Transfer_TransientProcess)& process);
    // True when the placement's representation relationship runs against its occurrence.
    bool IsReversed(const Handle(StepShape_ContextDependentShapeRepresentation)& placement,
                    const Handle(Transfer_TransientProcess)& process);
    // ComputeSRRWT's result, without its work that grows with the size of the assembly.
    bool ComputePlacement(const Handle(StepRepr_RepresentationRelationship)& link,
                          const Handle(Transfer_TransientProcess)& process, gp_Trsf& placement);
    // The length factor OCCT translates the representation's items with; none when it
    // depends on OCCT's state.
    std::optional<double> LengthFactorOf(const Handle(StepRepr_Representation)& representation);
    // Whether `item` is one of the representation's items.
    bool Holds(const Handle(StepRepr_Representation)& representation,
               const Handle(Standard_Transient)& item);
    // Translates the occurrences below `product` that are not translated yet.
    void PrepareProduct(const Handle(StepBasic_ProductDefinition)& product,
                        const Handle(Transfer_TransientProcess)& process,
                        const Message_ProgressRange& range);
    // The shape of one occurrence: its product's shape, placed. Bound to the occurrence.
    Handle(TransferBRep_ShapeBinder)
    TransferOccurrence(const Handle(StepRepr_NextAssemblyUsageOccurrence)& occurrence,
                       const Handle(Transfer_TransientProcess)& process,
                       const Message_ProgressRange& range);
    // The binder of `product`, translating it (occurrences first) when it has none yet.
    Handle(Transfer_Binder) ProductBinder(const Handle(StepBasic_ProductDefinition)& product,
                                          const Handle(Transfer_TransientProcess)& process,
                                          const Message_ProgressRange& range);
    // Whether this actor takes the start entity's assembly part, for the model being read.
    bool TakesAssemblies(const Handle(Transfer_TransientProcess)& process);
    // Binds the representations of tessellated shapes to their shapes, once per model.
    void BindTessellation(const Handle(Transfer_TransientProcess)& process);
    // `binder`, or when its shape holds both exact and tessellated shapes, a binder of the
    // exact ones, bound to the product in its place.
    Handle(Transfer_Binder) WithTessellation(const Handle(StepBasic_ProductDefinition)& product,
                                             const Handle(Transfer_Binder)& binder,
                                             const Handle(Transfer_TransientProcess)& process);
    std::optional<double> ContextLengthFactor(const Handle(Standard_Transient)& context);

    std::unordered_map<const Standard_Transient*, RepresentationUse> myUses;
    // The items of large representations.
    std::unordered_map<const Standard_Transient*, std::unordered_set<const Standard_Transient*>>
        myItems;
    // Length factors by representation context.
    std::unordered_map<const Standard_Transient*, std::optional<double>> myLengthFactors;
    // Products whose translation gave nothing; the base class does not remember them.
    std::unordered_set<const Standard_Transient*> myEmptyProducts;
    Handle(Standard_Transient) myModel; // what the caches below describe
    bool myTakesAssemblies = false;
    std::shared_ptr<StepTessellation> myTessellation;
    // The shapes of the tessellated representations, bound once per model.
    std::unordered_set<const Standard_Transient*> myTessellatedShapes;
    bool myTessellationBound = false;
    std::shared_ptr<StepTransferWorkers> myWorkers;
};

} // namespace orvkit
