#include "AngularAnnotationModel.h"

namespace orvkit {

void AngularAnnotationModel::SetTextPosition(const gp_Pnt& position)
{
    SetField(&AnnotationElement::myTextPosition, position);
}

void AngularAnnotationModel::SetEnableTextPosition(bool enable)
{
    SetField(&AnnotationElement::myTextPositionEnabled, enable);
}

} // namespace orvkit
