#pragma once

#include "Annotation/SizeAnnotationModel.h"

namespace orvkit {

// The radius of a round feature.
class RadiusAnnotationModel : public SizeAnnotationModel {
public:
    RadiusAnnotationModel() : SizeAnnotationModel(AnnotationRadius) {}
};

} // namespace orvkit
