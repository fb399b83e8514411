#pragma once

#include <StepAP242_GeometricItemSpecificUsage.hxx>
#include <StepData_Logical.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_RepresentationItem.hxx>
#include <StepRepr_ShapeAspect.hxx>

namespace orvkit {

// An unnamed shape aspect of `shape` that stands for one item of `representation`, and the
// geometric item specific usage that ties the two: how AP242 names a body, a face or a point
// for what refers to it (a property, a datum target). `onProduct` is the aspect's
// "product_definitional" flag. Neither is added to a model yet.
struct StepItemUsage {
    Handle(StepRepr_ShapeAspect) aspect;
    Handle(StepAP242_GeometricItemSpecificUsage) usage;

    static StepItemUsage Make(const Handle(StepRepr_ProductDefinitionShape)& shape,
                              const Handle(StepRepr_Representation)& representation,
                              const Handle(StepRepr_RepresentationItem)& item,
                              StepData_Logical onProduct);
};

} // namespace orvkit
