#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <XSControl_WorkSession.hxx>

namespace orvkit {

// Writes the wires and edges of a part that meet at their ends as edges that share vertices.
//
// OpenCASCADE's STEP writer writes each wire and edge that bounds no face as a curve set of
// trimmed curves, and a reader makes each curve an edge with ends of its own: wires that met at a
// point come back apart, each with a vertex of its own there. Where free wires and edges of a
// part share vertices, their curve sets are replaced, in the representation that held them, by
// one edge-based wireframe: a connected edge set for each wire or edge (a reader makes each a
// wire), whose edges lie on the written curves and meet at vertices written once.
class StepWireframe {
public:
    // After the transfer of `impl`, once StepCurveStyles has placed the colours of edges on their
    // curves: each such colour goes onto the edge made of the curve. Wires and edges that carry a
    // colour no edge can (that of a wire, a group or a part) are left as the writer wrote them,
    // with those they meet.
    static void ShareVertices(const Handle(XSControl_WorkSession)& session,
                              const XdeDocumentImpl& impl);
};

} // namespace orvkit
