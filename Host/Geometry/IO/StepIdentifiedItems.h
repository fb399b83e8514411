#pragma once

class StepData_StepReaderData;

namespace orvkit {

// Gives each item-identified representation usage of a loaded STEP model the items its file
// lists as a typed set, "SET_REPRESENTATION_ITEM((#854,#853))", as some AP242 exporters tie a
// datum feature to the faces of a hole. OpenCASCADE 7.6 reads only a bare reference or a bare
// list there and leaves a single empty item in the usage's place, so the feature points at no
// face. Call it after the model's entities are read, while `data` still holds their records; a
// usage whose items were all read is left as it is. Returns how many usages got their items.
int LinkIdentifiedItemSets(const StepData_StepReaderData& data);

} // namespace orvkit
