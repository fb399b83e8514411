#include "StepItemUsage.h"

#include <StepAP242_ItemIdentifiedRepresentationUsageDefinition.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <TCollection_HAsciiString.hxx>

namespace orvkit {

StepItemUsage StepItemUsage::Make(const Handle(StepRepr_ProductDefinitionShape)& shape,
                                  const Handle(StepRepr_Representation)& representation,
                                  const Handle(StepRepr_RepresentationItem)& item,
                                  StepData_Logical onProduct)
{
    StepItemUsage made;
    made.aspect = new StepRepr_ShapeAspect;
    made.aspect->Init(new TCollection_HAsciiString(), new TCollection_HAsciiString(), shape,
                      onProduct);
    StepAP242_ItemIdentifiedRepresentationUsageDefinition definition;
    definition.SetValue(made.aspect);
    Handle(StepRepr_HArray1OfRepresentationItem) items =
        new StepRepr_HArray1OfRepresentationItem(1, 1);
    items->SetValue(1, item);
    made.usage = new StepAP242_GeometricItemSpecificUsage;
    made.usage->Init(new TCollection_HAsciiString(), new TCollection_HAsciiString(), definition,
                     representation, items);
    return made;
}

} // namespace orvkit
