#include "LinearAnnotationModel.h"

namespace orvkit {

void LinearAnnotationModel::SetLocation(const gp_Pnt& location)
{
    SetField(&AnnotationElement::myLocation, location);
}

void LinearAnnotationModel::SetOnPlane(bool onPlane)
{
    SetField(&AnnotationElement::myOnPlane, onPlane);
}

void LinearAnnotationModel::SetBillboard(bool billboard)
{
    SetField(&AnnotationElement::myBillboard, billboard);
}

} // namespace orvkit
