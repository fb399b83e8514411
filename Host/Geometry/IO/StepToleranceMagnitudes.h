#pragma once

class StepData_StepReaderData;

namespace orvkit {

// Gives each geometric tolerance of a loaded STEP model the magnitude its file states as a
// measure that is also a representation item (LENGTH_MEASURE_WITH_UNIT with
// MEASURE_REPRESENTATION_ITEM, as AP242 exporters write it). OpenCASCADE 7.6 reads only a plain
// measure there and leaves such a tolerance without a magnitude, so without its value; the
// measure part of the item is that magnitude. Call it after the model's entities are read,
// while `data` still holds their records; a tolerance that has a magnitude is left as it is.
// Returns how many tolerances got one.
int LinkToleranceMagnitudes(const StepData_StepReaderData& data);

} // namespace orvkit
