#pragma once

#include "Geometry/IO/TranslatorWrite.h"

class IGESControl_Writer;

namespace orvkit {

// What every IGES write sets up, the shape writer's and the kernel's document writer's alike.
// These live in the library Orvex.Host.Iges with the IGES shape reader and writer, which the
// host reaches through IgesTranslator (TranslatorLibraries.h).

// Registers the IGES translator and sets its units and B-rep entities (so that solids stay
// solids) in `scope`. Call it before the writer is made, then SetIgesGlobalSection on the writer.
void PrepareIgesWrite(StaticSettingsScope& scope, const TranslatorWriteUnits& units);

// Makes an IGES writer scale from `units.model`, and dates its file with WriteTime. The writer
// scales from the unit its model's global section names, which it takes from whatever
// translator ran last rather than from the parameter PrepareIgesWrite sets; its dates are
// those of the first IGES translator the process made, in local time.
void SetIgesGlobalSection(IGESControl_Writer& writer, const TranslatorWriteUnits& units);

} // namespace orvkit
