#pragma once

#include "Annotation/SizeAnnotationModel.h"

namespace orvkit {

// The diameter of a round feature.
class DiameterAnnotationModel : public SizeAnnotationModel {
public:
    DiameterAnnotationModel() : SizeAnnotationModel(AnnotationDiameter) {}
};

} // namespace orvkit
