#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <XSControl_WorkSession.hxx>

namespace orvkit {

// What UnifyStepDimensionUnits did to a document's semantic dimensions.
struct StepDimensionUnitsResult {
    // Dimensions paired with the STEP entity they were read from.
    int traced = 0;
    // Of those, the ones whose values were corrected.
    int corrected = 0;
    // Dimensions no entity could be paired with; their values stay as read.
    int untraced = 0;
};

// Puts the values of the semantic dimensions that OCCT 7.6 read from a STEP file into the
// document's length unit (angles into degrees), the unit it already gives their geometry.
//
// The reader converts a measure only by the type of the entity that holds it: a nominal value
// or a limit that carries a qualifier (a value format, as most AP242 exporters write), and a
// tolerance bound written as a plain MEASURE_WITH_UNIT, keep the number of the file's unit, so
// on an inch file one dimension can mix inches and millimetres. This reads each dimension
// entity of `session`'s model again, works out which of its numbers were left in their own
// unit, and rescales only those, from the entity's numbers rather than from the stored ones.
// It also gives a range the lower limit the reader drops when the file lists the nominal
// value after it.
// A dimension is paired with its entity by model order, name and the values the reader
// stored; one whose stored values are no longer the reader's (a second call, say) is left
// alone. Call it right after the transfer, with the session that read the file.
StepDimensionUnitsResult UnifyStepDimensionUnits(const Handle(XSControl_WorkSession)& session,
                                                 XdeDocumentImpl& impl);

} // namespace orvkit
