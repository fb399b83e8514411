#pragma once

#include "Annotation/AnnotationModel.h"

namespace orvkit {

// A size of a round feature, written at a position.
class SizeAnnotationModel : public AnnotationModel {
public:
    void SetPosition(const gp_Pnt& position);

protected:
    using AnnotationModel::AnnotationModel;
};

} // namespace orvkit
