#include "SizeAnnotationModel.h"

namespace orvkit {

void SizeAnnotationModel::SetPosition(const gp_Pnt& position)
{
    SetField(&AnnotationElement::myPosition, position);
}

} // namespace orvkit
