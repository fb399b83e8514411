#pragma once

#include <StepBasic_ProductDefinition.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <TopoDS_Shape.hxx>
#include <Transfer_FinderProcess.hxx>

namespace orvkit {

// What OpenCASCADE's STEP writer made of a label's shape, found through its finder process.
namespace StepWrittenEntities {

// The shape definition it made of the shape; null when it made none.
Handle(StepShape_ShapeDefinitionRepresentation)
ShapeDefinitionOf(const Handle(Transfer_FinderProcess)& process, const TopoDS_Shape& shape);

// The product definition that shape definition describes; null when there is none.
Handle(StepBasic_ProductDefinition)
ProductDefinitionOf(const Handle(Transfer_FinderProcess)& process, const TopoDS_Shape& shape);
// The product definition a shape definition describes; null for none.
Handle(StepBasic_ProductDefinition)
ProductDefinitionOf(const Handle(StepShape_ShapeDefinitionRepresentation)& definition);

} // namespace StepWrittenEntities

} // namespace orvkit
