#pragma once

#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Geometry/IO/OcctFaultScope.h"
#include "Geometry/IO/OcctMessageCapture.h"
#include "Geometry/IO/OcctServices.h"
#include "Geometry/IO/ReplacingWrite.h"
#include "Geometry/IO/StaticSettingsScope.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Interop/Kernel/KernelProgress.h"
#include "Interop/Kernel/ModelReadOutcome.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

#include <IFSelect_ReturnStatus.hxx>

#include <TopoDS_Shape.hxx>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvkit {

// The words for a caught translator exception; a fault's own text holds an address, which
// tells a user nothing.
std::string DescribeTranslatorFailure(const CaughtFailure& failure);

// The failure of a read of a `format` file that the reader's exception ended.
ModelReadOutcome FailedReading(const char* format, const std::string& path,
                               const CaughtFailure& caught);

// Names for a message, in their order: "a, b, c", the first ten then "and N more".
std::string ListNames(const std::vector<std::string>& names);

// The one shape, or a compound of them; null for none.
TopoDS_Shape OneOrCompound(const std::vector<TopoDS_Shape>& shapes);

// Records that no XDE reader takes `extension` (nothing is logged: the callers stay silent
// about other files) and returns false. `exactCase`: the caller takes lower-case extensions
// only, and the reason says so.
bool RefuseExtension(XdeDocumentImpl& impl, const std::string& extension, bool exactCase = true);

} // namespace orvkit
