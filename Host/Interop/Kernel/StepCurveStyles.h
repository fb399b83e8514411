#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <XSControl_WorkSession.hxx>

namespace orvkit {

// Where the colours of edges, vertices and groups of curves go in a STEP model OpenCASCADE's
// writer has just made, so that a reader gives each back to the label it came from.
struct StepCurveStyles {
    // After the transfer of `impl`: the colour of an edge goes onto the curve a reader makes the
    // edge of (written alone, the writer puts it on the curve set around the curve; inside a
    // wire, it writes none), and the colour of a part or of a group of curves stays on the set
    // that stands for it. The colour of a vertex of an edge, which the writer does not write,
    // goes onto the vertex (a vertex of a curve written alone has none to carry it).
    static void Place(const Handle(XSControl_WorkSession)& session, const XdeDocumentImpl& impl);
};

} // namespace orvkit
