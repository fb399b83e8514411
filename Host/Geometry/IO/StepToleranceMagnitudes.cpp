#include "StepToleranceMagnitudes.h"

#include <Interface_Check.hxx>
#include <StepData_StepReaderData.hxx>
#include <StepDimTol_GeometricTolerance.hxx>
#include <StepRepr_ReprItemAndMeasureWithUnit.hxx>

namespace orvkit {

int LinkToleranceMagnitudes(const StepData_StepReaderData& data)
{
    int linked = 0;
    for (Standard_Integer n = 1; n <= data.NbRecords(); ++n) {
        const Handle(StepDimTol_GeometricTolerance) tolerance =
            Handle(StepDimTol_GeometricTolerance)::DownCast(data.BoundEntity(n));
        if (tolerance.IsNull() || !tolerance->Magnitude().IsNull()) {
            continue;
        }
        // A tolerance with a datum reference or a modifier is a complex entity: its
        // magnitude is the third parameter of its GEOMETRIC_TOLERANCE part.
        Handle(Interface_Check) check = new Interface_Check;
        Standard_Integer part = n;
        if (data.IsComplex(n)) {
            part = 0;
            if (!data.NamedForComplex("GEOMETRIC_TOLERANCE", "GMTTLR", n, part, check)) {
                continue;
            }
        }
        Handle(StepRepr_ReprItemAndMeasureWithUnit) item;
        if (data.NbParams(part) >= 3 &&
            data.ReadEntity(part, 3, "magnitude", check,
                            STANDARD_TYPE(StepRepr_ReprItemAndMeasureWithUnit), item) &&
            !item->GetMeasureWithUnit().IsNull()) {
            tolerance->SetMagnitude(item->GetMeasureWithUnit());
            ++linked;
        }
    }
    return linked;
}

} // namespace orvkit
