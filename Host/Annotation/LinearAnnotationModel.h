#pragma once

#include "Annotation/AnnotationModel.h"

namespace orvkit {

// A distance between two things, written at a location.
class LinearAnnotationModel : public AnnotationModel {
public:
    LinearAnnotationModel() : AnnotationModel(AnnotationLinear) {}
    void SetLocation(const gp_Pnt& location);
    // Whether the text lies in the annotation plane (else it faces the viewer's plane).
    void SetOnPlane(bool onPlane);
    // Whether the text always turns to the viewer.
    void SetBillboard(bool billboard);
};

} // namespace orvkit
