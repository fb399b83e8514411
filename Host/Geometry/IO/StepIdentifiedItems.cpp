#include "StepIdentifiedItems.h"

#include <Interface_Check.hxx>
#include <StepAP242_ItemIdentifiedRepresentationUsage.hxx>
#include <StepData_StepReaderData.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_RepresentationItem.hxx>

namespace orvkit {

namespace {

// Whether the reader left a usage without one of its items.
bool MissesAnItem(const StepAP242_ItemIdentifiedRepresentationUsage& usage)
{
    const Handle(StepRepr_HArray1OfRepresentationItem) items = usage.IdentifiedItem();
    if (items.IsNull() || items->Length() == 0) {
        return true;
    }
    for (const Handle(StepRepr_RepresentationItem)& item : items->Array1()) {
        if (item.IsNull()) {
            return true;
        }
    }
    return false;
}

// The items of record `n`'s fifth parameter when it is a typed list: the record of the type
// holds one parameter, the list itself. Null when the parameter is anything else.
Handle(StepRepr_HArray1OfRepresentationItem) TypedItems(const StepData_StepReaderData& data,
                                                        Standard_Integer n)
{
    Handle(Interface_Check) check = new Interface_Check;
    Standard_Integer typed = 0;
    Standard_Integer list = 0;
    if (data.NbParams(n) < 5 || data.ParamType(n, 5) != Interface_ParamSub ||
        !data.ReadSubList(n, 5, "identified_item", check, typed) || data.NbParams(typed) != 1 ||
        data.ParamType(typed, 1) != Interface_ParamSub ||
        !data.ReadSubList(typed, 1, "identified_item", check, list) || data.NbParams(list) < 1) {
        return nullptr;
    }
    Handle(StepRepr_HArray1OfRepresentationItem) items =
        new StepRepr_HArray1OfRepresentationItem(1, data.NbParams(list));
    for (Standard_Integer i = 1; i <= data.NbParams(list); ++i) {
        Handle(StepRepr_RepresentationItem) item;
        if (!data.ReadEntity(list, i, "representation_item", check,
                             STANDARD_TYPE(StepRepr_RepresentationItem), item)) {
            return nullptr;
        }
        items->SetValue(i, item);
    }
    return items;
}

} // namespace

int LinkIdentifiedItemSets(const StepData_StepReaderData& data)
{
    int linked = 0;
    for (Standard_Integer n = 1; n <= data.NbRecords(); ++n) {
        const Handle(StepAP242_ItemIdentifiedRepresentationUsage) usage =
            Handle(StepAP242_ItemIdentifiedRepresentationUsage)::DownCast(data.BoundEntity(n));
        if (usage.IsNull() || data.IsComplex(n) || !MissesAnItem(*usage)) {
            continue;
        }
        if (const Handle(StepRepr_HArray1OfRepresentationItem) items = TypedItems(data, n);
            !items.IsNull()) {
            usage->SetIdentifiedItem(items);
            ++linked;
        }
    }
    return linked;
}

} // namespace orvkit
