#include "StepEntityLabels.h"

#include "Interop/Kernel/KernelSupport.h"

#include <Interface_EntityIterator.hxx>
#include <StepAP242_ItemIdentifiedRepresentationUsage.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_PropertyDefinition.hxx>
#include <StepRepr_Representation.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <StepShape_ShapeRepresentation.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp.hxx>
#include <TransferBRep.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>

#include <algorithm>

namespace orvkit {

namespace {

// The product that a product definition shape, or a shape aspect's property, belongs to.
Handle(StepBasic_ProductDefinition) OwningProduct(const Handle(StepRepr_PropertyDefinition)& shape)
{
    if (shape.IsNull()) {
        return nullptr;
    }
    const StepRepr_CharacterizedDefinition definition = shape->Definition();
    if (const Handle(StepRepr_ShapeAspect) aspect = definition.ShapeAspect()) {
        const Handle(StepRepr_ProductDefinitionShape) ofShape = aspect->OfShape();
        return ofShape.IsNull() ? nullptr : ofShape->Definition().ProductDefinition();
    }
    return definition.ProductDefinition();
}

} // namespace

StepEntityLabels::StepEntityLabels(const STEPCAFControl_Reader& reader, const XdeDocumentImpl& impl,
                                   const Interface_Graph& graph)
    : myProcess(reader.Reader().WS()->TransferReader()->TransientProcess()),
      myLabels(reader.GetShapeLabelMap()), myShapeTool(impl.shapeTool), myGraph(graph)
{
}

TopoDS_Shape StepEntityLabels::ShapeOf(const Handle(Standard_Transient)& entity) const
{
    const Handle(Transfer_Binder) binder = myProcess->Find(entity);
    if (binder.IsNull() || !binder->HasResult()) {
        return {};
    }
    return TransferBRep::ShapeResult(myProcess, binder);
}

TDF_Label StepEntityLabels::ProductLabel(const Handle(StepBasic_ProductDefinition)& product) const
{
    const TopoDS_Shape shape = ShapeOf(product);
    if (shape.IsNull()) {
        return {};
    }
    if (const TDF_Label* label = myLabels.Seek(shape)) {
        TDF_Label referred = *label;
        XCAFDoc_ShapeTool::GetReferredShape(*label, referred);
        return referred;
    }
    TDF_Label label;
    myShapeTool->Search(shape, label, Standard_False, Standard_False, Standard_False);
    return label;
}

TDF_Label StepEntityLabels::ComponentLabel(
    const Handle(StepRepr_NextAssemblyUsageOccurrence)& occurrence) const
{
    const TopoDS_Shape placed = ShapeOf(occurrence);
    const TDF_Label parent = ProductLabel(occurrence->RelatingProductDefinition());
    const TDF_Label child = ProductLabel(occurrence->RelatedProductDefinition());
    if (placed.IsNull() || parent.IsNull() || child.IsNull()) {
        return {};
    }
    TDF_LabelSequence components;
    XCAFDoc_ShapeTool::GetComponents(parent, components);
    for (const TDF_Label& component : components) {
        TDF_Label referred;
        if (XCAFDoc_ShapeTool::GetReferredShape(component, referred) && referred == child &&
            XCAFDoc_ShapeTool::GetLocation(component).IsEqual(placed.Location())) {
            return component;
        }
    }
    return {};
}

Handle(StepBasic_ProductDefinition)
StepEntityLabels::ProductStatedIn(const Handle(StepBasic_ProductDefinition)& assembly,
                                  const Handle(StepRepr_RepresentationContext)& context)
{
    if (context.IsNull()) {
        return nullptr;
    }
    auto [found, added] = myProductsInContext.try_emplace(context.get());
    if (added) {
        found->second = ProductsRepresentedIn(context);
    }
    const std::vector<Handle(StepBasic_ProductDefinition)>& products = found->second;
    if (products.size() != 1 || products.front() == assembly) {
        return nullptr;
    }
    const TDF_Label parent = ProductLabel(assembly);
    const TDF_Label part = ProductLabel(products.front());
    if (parent.IsNull() || part.IsNull() || !PlacedUnder(parent).Contains(part)) {
        return nullptr;
    }
    return products.front();
}

TopoDS_Shape StepEntityLabels::AspectShape(const Handle(StepRepr_ShapeAspect)& aspect,
                                           const TDF_Label& part)
{
    std::vector<Handle(StepRepr_RepresentationItem)> items;
    for (Interface_EntityIterator users = myGraph.Sharings(aspect); users.More(); users.Next()) {
        const Handle(Standard_Transient)& user = users.Value();
        if (const auto usage =
                Handle(StepAP242_ItemIdentifiedRepresentationUsage)::DownCast(user)) {
            for (int i = 1; i <= usage->NbIdentifiedItem(); ++i) {
                items.push_back(usage->IdentifiedItemValue(i));
            }
            continue;
        }
        if (!user->IsKind(STANDARD_TYPE(StepRepr_PropertyDefinition))) {
            continue;
        }
        for (Interface_EntityIterator definitions = myGraph.Sharings(user); definitions.More();
             definitions.Next()) {
            const auto definition =
                Handle(StepShape_ShapeDefinitionRepresentation)::DownCast(definitions.Value());
            const Handle(StepRepr_Representation) representation =
                definition.IsNull() ? nullptr : definition->UsedRepresentation();
            for (int i = 1; !representation.IsNull() && i <= representation->NbItems(); ++i) {
                items.push_back(representation->ItemsValue(i));
            }
        }
    }
    const TopTools_IndexedMapOfShape& subShapes = SubShapesOf(part);
    std::vector<TopoDS_Shape> found;
    for (const Handle(StepRepr_RepresentationItem)& item : items) {
        // Placements and other items without a shape of their own carry no geometry.
        const TopoDS_Shape shape = item.IsNull() ? TopoDS_Shape() : ShapeOf(item);
        if (shape.IsNull()) {
            continue;
        }
        if (!subShapes.Contains(shape)) {
            return {};
        }
        found.push_back(shape);
    }
    return OneOrCompound(found);
}

// The products whose shape representations, or whose shape aspects' ones, use `context`.
std::vector<Handle(StepBasic_ProductDefinition)>
StepEntityLabels::ProductsRepresentedIn(const Handle(StepRepr_RepresentationContext)& context) const
{
    std::vector<Handle(StepBasic_ProductDefinition)> products;
    for (Interface_EntityIterator users = myGraph.Sharings(context); users.More(); users.Next()) {
        if (!users.Value()->IsKind(STANDARD_TYPE(StepShape_ShapeRepresentation))) {
            continue;
        }
        for (Interface_EntityIterator definitions = myGraph.Sharings(users.Value());
             definitions.More(); definitions.Next()) {
            const auto definition =
                Handle(StepShape_ShapeDefinitionRepresentation)::DownCast(definitions.Value());
            const Handle(StepRepr_PropertyDefinition) shape =
                definition.IsNull() ? nullptr : definition->Definition().PropertyDefinition();
            const Handle(StepBasic_ProductDefinition) product = OwningProduct(shape);
            if (!product.IsNull() &&
                std::find(products.begin(), products.end(), product) == products.end()) {
                products.push_back(product);
            }
        }
    }
    return products;
}

// The products placed in the assembly at any depth, found once per assembly.
const TDF_LabelMap& StepEntityLabels::PlacedUnder(const TDF_Label& assembly)
{
    if (const TDF_LabelMap* placed = myPlacedUnder.Seek(assembly)) {
        return *placed;
    }
    TDF_LabelMap placed;
    std::vector<TDF_Label> pending{assembly};
    while (!pending.empty()) {
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(pending.back(), components);
        pending.pop_back();
        for (const TDF_Label& component : components) {
            TDF_Label product;
            if (XCAFDoc_ShapeTool::GetReferredShape(component, product) && placed.Add(product)) {
                pending.push_back(product);
            }
        }
    }
    return *myPlacedUnder.Bound(assembly, placed);
}

// The part's sub-shapes, mapped once per part: a part may carry an aspect for each of its
// thousands of faces.
const TopTools_IndexedMapOfShape& StepEntityLabels::SubShapesOf(const TDF_Label& part)
{
    if (const TopTools_IndexedMapOfShape* subShapes = mySubShapes.Seek(part)) {
        return *subShapes;
    }
    TopTools_IndexedMapOfShape subShapes;
    TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(part), subShapes);
    return *mySubShapes.Bound(part, subShapes);
}

} // namespace orvkit
