#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <StepData_StepModel.hxx>

namespace orvkit {

// What the document needs after OpenCASCADE's STEP reader so that it holds what the file
// means.
struct StepReadFixes {
    // A STEP file can colour only representation items, so a part made of several bodies (a
    // compound of solids or shells) is written with its colour on each body, and
    // OpenCASCADE reads it back as that many body colours and none on the part. Where every
    // body of a part carries the same colour of a kind and the part none, the colour goes back
    // onto the part. A single body keeps its own colour: a one-face compound's face colour is
    // the face's, not the part's.
    static void LiftBodyColours(XdeDocumentImpl& impl);

    // OpenCASCADE's reader gives each datum of a common datum ("A-B") the modifiers of the datums
    // before it in the frame as well as its own: B of "A(M)-B(M)" reads as B(M)(M). Each keeps
    // its own.
    static void SeparateCommonDatumModifiers(XdeDocumentImpl& impl);

    // The greatest length uncertainty the model's representation contexts declare, in
    // millimetres, as the reader converts it; 0 when none declares one.
    static double DeclaredPrecision(const Handle(StepData_StepModel)& model);
};

} // namespace orvkit
