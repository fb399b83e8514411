#pragma once

#include "Annotation/AnnotationModel.h"

namespace orvkit {

// An angle; its value comes from the geometry it measures.
class AngularAnnotationModel : public AnnotationModel {
public:
    AngularAnnotationModel() : AnnotationModel(AnnotationAngular) {}
    void SetTextPosition(const gp_Pnt& position);
    void SetEnableTextPosition(bool enable);
};

} // namespace orvkit
