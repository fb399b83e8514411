#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <XSControl_WorkSession.hxx>

#include <string>
#include <vector>

namespace orvkit {

// What OpenCASCADE's STEP writer needs done around it so that the file it writes is valid and
// reads back as the document it was given.
struct StepWriteFixes {
    // Before the transfer, on the document: leaves out the edges without an end, puts the
    // faces that lie loose in a compound and share edges into one shell each, so that they are
    // written sharing them, and gives straight curves on faces an end (StepLinePcurves). What it
    // left out, one sentence a part, and how many loose faces come back in shells; none when
    // nothing.
    static std::vector<std::string> PrepareDocument(XdeDocumentImpl& impl);

    // After the transfer of `impl`, on the session's model: unnamed products stay unnamed and
    // each occurrence has its own instance's name, the colours of edges and wires go where a
    // reader finds them (StepCurveStyles), wires and edges that meet at their ends are written
    // sharing their vertices (StepWireframe), no trimmed curve names a point it does not have, a
    // distance or an angle with one end gets a second one that names no geometry, without
    // which no reader takes it, and the edges and vertices written once for each shell that
    // shares them are written once (StepSharedTopology). The PMI's values and modifiers are
    // StepPmiWrite's.
    static void RepairModel(const Handle(XSControl_WorkSession)& session,
                            const XdeDocumentImpl& impl);
};

} // namespace orvkit
