#include "StepWrittenEntities.h"

#include <StepRepr_PropertyDefinition.hxx>
#include <TransferBRep.hxx>
#include <TransferBRep_ShapeMapper.hxx>

namespace orvkit {

Handle(StepShape_ShapeDefinitionRepresentation)
StepWrittenEntities::ShapeDefinitionOf(const Handle(Transfer_FinderProcess)& process,
                                       const TopoDS_Shape& shape)
{
    Handle(StepShape_ShapeDefinitionRepresentation) definition;
    process->FindTypedTransient(TransferBRep::ShapeMapper(process, shape),
                                STANDARD_TYPE(StepShape_ShapeDefinitionRepresentation), definition);
    return definition;
}

Handle(StepBasic_ProductDefinition)
StepWrittenEntities::ProductDefinitionOf(const Handle(Transfer_FinderProcess)& process,
                                         const TopoDS_Shape& shape)
{
    return ProductDefinitionOf(ShapeDefinitionOf(process, shape));
}

Handle(StepBasic_ProductDefinition) StepWrittenEntities::ProductDefinitionOf(
    const Handle(StepShape_ShapeDefinitionRepresentation)& definition)
{
    const Handle(StepRepr_PropertyDefinition) property =
        definition.IsNull() ? nullptr : definition->Definition().PropertyDefinition();
    return property.IsNull() ? nullptr : property->Definition().ProductDefinition();
}

} // namespace orvkit
