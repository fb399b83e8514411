#include "AnnotationModel.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

ObjectId AnnotationModel::Create(Document* document)
{
    myDocument = document;
    myElementId = AnnotationElement::Create(document, myKind)->GetId();
    return myElementId;
}

AnnotationElement* AnnotationModel::GetElement() const
{
    // Looked up every time: an undo may have taken the element out of the document.
    return myDocument != nullptr ? myDocument->FindElementAs<AnnotationElement>(myElementId)
                                 : nullptr;
}

void AnnotationModel::SetCoordinate(const gp_Ax2& coordinate)
{
    SetField(&AnnotationElement::myCoordinate, coordinate);
}

void AnnotationModel::SetValue(double value)
{
    if (AnnotationElement* element = GetElement()) {
        element->myValue = value;
        element->myHasValue = true;
    }
}

void AnnotationModel::SetTarget1(ObjectId target)
{
    SetField(&AnnotationElement::myTarget1, target);
}

void AnnotationModel::SetTarget2(ObjectId target)
{
    SetField(&AnnotationElement::myTarget2, target);
}

void AnnotationModel::SetToleranceType(EnumToleranceType type)
{
    SetField(&AnnotationElement::myToleranceType, type);
}

void AnnotationModel::SetUpperTolerance(double tolerance)
{
    SetField(&AnnotationElement::myUpperTolerance, tolerance);
}

void AnnotationModel::SetLowerTolerance(double tolerance)
{
    SetField(&AnnotationElement::myLowerTolerance, tolerance);
}

} // namespace orvkit
