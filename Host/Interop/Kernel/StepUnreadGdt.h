#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <XSControl_WorkSession.hxx>

#include <string>
#include <vector>

namespace orvkit {

// The semantic PMI items of a STEP file that OCCT 7.6 left out of the document, as read
// warnings: dimensions and geometric tolerances (of a kind the reader does not know, such as a
// flatness per unit area, or whose features lead to no shape it made), datums no tolerance frame
// names, and datum targets it does not read (a plain DATUM_TARGET rather than a placed one). Each
// item is named with its file name and entity number, at most ten a warning. A dimension is paired
// with its label by model order and name, a tolerance by model order, name and value; a datum or
// datum target by its letter and number. Call it after the transfer and the fixes that follow it,
// with the session that read the file. Empty when everything came through or the document holds no
// PMI tool.
std::vector<std::string> FindUnreadStepGdt(const Handle(XSControl_WorkSession)& session,
                                           const XdeDocumentImpl& impl);

} // namespace orvkit
