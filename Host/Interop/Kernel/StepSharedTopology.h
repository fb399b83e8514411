#pragma once

#include <XSControl_WorkSession.hxx>

namespace orvkit {

// Puts back together the edges and vertices OpenCASCADE's STEP writer wrote more than once
// within one shape representation.
//
// The writer gives every shell of a compound (and every face lying loose in one) topology of its
// own, so an edge two shells share is written once for each: read back, each copy is an edge of
// its own on the boundary of one face, the shells no longer meet, and the model has twice the
// edges it had. Within each representation, every copy of an edge or vertex is replaced by the
// first written (the one the writer styled and named), the copy's curve on its face's surface
// goes to that edge, and the copies no entity refers to any more are taken out of the model.
class StepSharedTopology {
public:
    // After the transfer, on the session's model; the session's graph is computed again when
    // anything was taken out.
    static void Rejoin(const Handle(XSControl_WorkSession)& session);
};

} // namespace orvkit
