#include "WriteEntityOrder.h"

#include <Interface_EntityIterator.hxx>
#include <Interface_GeneralLib.hxx>
#include <Interface_GeneralModule.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_RepresentationContext.hxx>
#include <StepVisual_MechanicalDesignGeometricPresentationRepresentation.hxx>
#include <StepVisual_StyledItem.hxx>
#include <TCollection_HAsciiString.hxx>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace orvkit {

namespace {

using Presentation = Handle(StepVisual_MechanicalDesignGeometricPresentationRepresentation);

// Where a presentation goes: with the context of its shape's representation, and the item its
// first style is on for shapes that share a context.
std::pair<int, int> PlaceOf(const Handle(Interface_InterfaceModel)& model,
                            const Presentation& presentation)
{
    int styled = 0;
    if (const Handle(StepRepr_HArray1OfRepresentationItem)& items = presentation->Items();
        !items.IsNull() && items->Length() > 0) {
        if (const Handle(StepVisual_StyledItem) style =
                Handle(StepVisual_StyledItem)::DownCast(items->First());
            !style.IsNull()) {
            styled = model->Number(style->Item());
        }
    }
    return {model->Number(presentation->ContextOfItems()), styled};
}

// What AddWithRefs adds with `entity` to a model that holds the entities before `first` and
// those `added` marks (by number): the entity, then, depth first, what it refers to.
void AddWithRefs(const Handle(Interface_InterfaceModel)& model, const Interface_GeneralLib& lib,
                 const Handle(Standard_Transient)& entity, int first, std::vector<bool>& added,
                 std::vector<Handle(Standard_Transient)>& order)
{
    const int number = model->Number(entity);
    if (number < first || added[number]) {
        return;
    }
    added[number] = true;
    order.push_back(entity);
    Interface_EntityIterator refs;
    Handle(Interface_GeneralModule) module;
    Standard_Integer caseNumber = 0;
    if (lib.Select(entity, module, caseNumber)) {
        module->FillSharedCase(caseNumber, entity, refs);
        module->ListImpliedCase(caseNumber, entity, refs);
    }
    for (refs.Start(); refs.More(); refs.Next()) {
        AddWithRefs(model, lib, refs.Value(), first, added, order);
    }
}

} // namespace

void WriteEntityOrder::SortStepPresentations(const Handle(Interface_InterfaceModel)& model)
{
    // The writer adds them after the rest of its colours, each with what it refers to that the
    // model does not hold yet.
    std::vector<Presentation> presentations;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        if (const Presentation presentation = Presentation::DownCast(model->Value(i));
            !presentation.IsNull()) {
            presentations.push_back(presentation);
        }
    }
    if (presentations.size() < 2) {
        return;
    }
    const int first = model->Number(presentations.front());
    std::stable_sort(presentations.begin(), presentations.end(),
                     [&model](const Presentation& a, const Presentation& b) {
                         return PlaceOf(model, a) < PlaceOf(model, b);
                     });
    const Interface_GeneralLib lib(model->Protocol());
    std::vector<bool> added(model->NbEntities() + 1, false);
    std::vector<Handle(Standard_Transient)> order;
    for (const Presentation& presentation : presentations) {
        AddWithRefs(model, lib, presentation, first, added, order);
    }
    WriteEntityOrder::Renumber(model, order);
}

void WriteEntityOrder::Renumber(const Handle(Interface_InterfaceModel)& model,
                                const std::vector<Handle(Standard_Transient)>& entities)
{
    std::vector<int> numbers;
    for (const Handle(Standard_Transient)& entity : entities) {
        numbers.push_back(model->Number(entity));
    }
    std::sort(numbers.begin(), numbers.end());
    // A number cannot take an entity another number still holds: each lets its own go first.
    for (const int number : numbers) {
        model->ReplaceEntity(number, new Standard_Transient);
    }
    for (size_t i = 0; i < numbers.size(); ++i) {
        model->ReplaceEntity(numbers[i], entities[i]);
    }
}

} // namespace orvkit
