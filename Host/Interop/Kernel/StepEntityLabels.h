#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <Interface_Graph.hxx>
#include <NCollection_DataMap.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_RepresentationContext.hxx>
#include <StepRepr_ShapeAspect.hxx>
#include <TDF_LabelMap.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <Transfer_TransientProcess.hxx>

#include <map>
#include <vector>

namespace orvkit {

// Finds the document labels and shapes that a STEP read's transfer made of the file's
// products, occurrences and shape aspects. Lookups go through the transfer's bindings and the
// reader's shape-to-label map, never a search over the model; what a lookup needs more than once
// (the sub-shapes of a part, the products placed in an assembly) is kept.
class StepEntityLabels {
public:
    // For the document `impl` that `reader` has just filled; `graph` is the read model's.
    StepEntityLabels(const STEPCAFControl_Reader& reader, const XdeDocumentImpl& impl,
                     const Interface_Graph& graph);

    // The shape the transfer made of `entity`; null when it made none.
    TopoDS_Shape ShapeOf(const Handle(Standard_Transient)& entity) const;

    // The product's shape label; null when the product was not transferred.
    TDF_Label ProductLabel(const Handle(StepBasic_ProductDefinition)& product) const;

    // The component that places the occurrence's product in its parent: the one of the
    // parent's components that refers to that product with the occurrence's placement; null
    // when there is none.
    TDF_Label ComponentLabel(const Handle(StepRepr_NextAssemblyUsageOccurrence)& occurrence) const;

    // The product whose values a property of `assembly` states in `context`: the one product
    // placed in the assembly whose shape, or a shape aspect's shape, the file represents in that
    // context. Null when the assembly's own shape is represented there, or when no product or
    // several are. Some writers hang every part's values on the root, and only the context tells
    // which part they describe, in that part's frame.
    Handle(StepBasic_ProductDefinition)
    ProductStatedIn(const Handle(StepBasic_ProductDefinition)& assembly,
                    const Handle(StepRepr_RepresentationContext)& context);

    // The shape aspect's geometry among the part's sub-shapes: its items, found through the
    // shape representation of a shape definition of the aspect and through geometric item
    // specific usages. Null when an item that gave a shape is not a sub-shape of the part (a
    // portion of another frame or another part) or when no item gave one.
    TopoDS_Shape AspectShape(const Handle(StepRepr_ShapeAspect)& aspect, const TDF_Label& part);

private:
    std::vector<Handle(StepBasic_ProductDefinition)>
    ProductsRepresentedIn(const Handle(StepRepr_RepresentationContext)& context) const;
    const TDF_LabelMap& PlacedUnder(const TDF_Label& assembly);
    const TopTools_IndexedMapOfShape& SubShapesOf(const TDF_Label& part);

    Handle(Transfer_TransientProcess) myProcess;
    const XCAFDoc_DataMapOfShapeLabel& myLabels;
    Handle(XCAFDoc_ShapeTool) myShapeTool;
    const Interface_Graph& myGraph;
    std::map<const Standard_Transient*, std::vector<Handle(StepBasic_ProductDefinition)>>
        myProductsInContext;
    NCollection_DataMap<TDF_Label, TDF_LabelMap, TDF_LabelMapHasher> myPlacedUnder;
    NCollection_DataMap<TDF_Label, TopTools_IndexedMapOfShape, TDF_LabelMapHasher> mySubShapes;
};

} // namespace orvkit
