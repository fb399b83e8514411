#pragma once

#include "Common/Core/ParameterDict.h"

#include <string>

class STEPControl_Writer;

namespace orvkit {

class StaticSettingsScope;

// What every STEP and IGES write sets up, through whichever writer it runs: the shape writers'
// plain translators and the kernel's document writers take their units, schema and entity
// kinds from here, so that a shape written alone and the same shape written as a model come
// out alike, whatever an earlier caller left in OpenCASCADE's process-wide parameters.

// The units of a STEP or IGES write, as the translators name them ("MM", "INCH";
// LengthUnit::GetTranslatorName): the lengths of the shapes handed to the writer, and those
// of the file. (The IGES parts are in IgesShapeIO.h.)
struct TranslatorWriteUnits {
    const char* model = "MM";
    const char* file = "MM";
};

// Registers the STEP translator and sets its units and `schema` ("AP214IS", "AP242DIS") in
// `scope`. Call it before the writer is made: the writer fixes its model's schema and unit
// when it is constructed.
void PrepareStepWrite(StaticSettingsScope& scope, const TranslatorWriteUnits& units,
                      const char* schema);

// What every STEP write does after its transfer, so that one shape written twice gives the same
// bytes: the header stamped with WriteTime in place of the time the model was made, and the
// occurrences (assembly links) numbered from 1 in place of on from those of the process's
// earlier writes, as the translator counts them.
void FinishStepTransfer(STEPControl_Writer& writer);

// The translators' name of the settings' model unit (`settings` may be null); null, with the
// reason, when LengthUnit does not know the unit.
const char* GetWriteModelUnit(ParameterDict* settings, std::string& reason);

} // namespace orvkit
