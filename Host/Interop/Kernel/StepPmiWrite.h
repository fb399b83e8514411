#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <XSControl_WorkSession.hxx>
#include <gp_Pnt.hxx>

#include <optional>
#include <vector>

namespace orvkit {

// Writes what OpenCASCADE 7.6's AP242 writer leaves out of, or gets wrong in, a document's
// semantic PMI, on the model it has written, so that a reader gets every tolerance and dimension
// back as the document held it:
// - values are written in the file's units: the writer gives lengths in millimetres and angles
//   in degrees, as the document holds them, beside the file's units; and where the document has
//   no dimension it names a bare metre as the unit of each tolerance (0.15 mm reads back as
//   150 mm);
// - an "all around" tolerance names an all-around shape aspect of its faces, and an "all over"
//   one the whole part: the writer drops both modifiers;
// - a projected tolerance zone is written with its length: the writer writes no projected zone;
// - a datum target on an isolated point of a part names the point written for it: the writer
//   finds no item written for a vertex of a set of points, and writes the target without its
//   feature, which a reader then drops.
class StepPmiWrite {
public:
    // Before the transfer: notes what the writer will leave out of each tolerance it writes.
    explicit StepPmiWrite(const XdeDocumentImpl& impl);

    // After the transfer, on the session's model, whose length unit is `millimetres` long.
    void Complete(const Handle(XSControl_WorkSession)& session, double millimetres) const;

private:
    // One tolerance the writer writes, in the order it writes them.
    struct Tolerance {
        bool allAround = false;
        bool allOver = false;
        bool projected = false;
        double projectedLength = 0.0; // in millimetres
    };

    void NoteDatumTargets(const XdeDocumentImpl& impl);

    std::vector<Tolerance> myTolerances;
    // Each datum target the writer writes as placed at a point, in its order: the point it is
    // on, in millimetres in its part's frame; none where its feature is not a vertex.
    std::vector<std::optional<gp_Pnt>> myTargetPoints;
};

} // namespace orvkit
