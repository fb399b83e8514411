#pragma once

#include "Geometry/IO/ImportSettingsModel.h"

#include <TopoDS_Shape.hxx>

#include <functional>
#include <string>

class XSControl_Reader;

namespace orvkit {

// What the STEP and IGES shape readers share: both hand one of OpenCASCADE's XSControl
// translators to the same read sequence, in the same model unit.

class StaticSettingsScope;

// Sets OpenCASCADE's STEP read parameters for products and representations to its own
// defaults (every product, every representation), whatever an earlier caller left behind; the
// scope puts them back. Every STEP read of the host and the kernel starts from these.
void SetStepReadDefaults(StaticSettingsScope& scope);

// Makes the translator produce lengths in the settings' model unit. False, with the reason
// logged, when the unit is not one the translators know.
bool SetReadModelUnit(StaticSettingsScope& scope, const ImportSettingsModel& settings,
                      const char* format, const std::string& path);

// Parses the file, transfers every root and gives them in one shape; null, with the reason
// logged, when the file does not parse, has no root or nothing could be translated. `parse`
// puts the file's model into the reader's session (OpenCASCADE's ReadFile when empty) and says
// whether it could.
TopoDS_Shape TranslateRoots(XSControl_Reader& reader, const std::string& path, const char* format,
                            const std::function<bool(XSControl_Reader&)>& parse = {});

} // namespace orvkit
