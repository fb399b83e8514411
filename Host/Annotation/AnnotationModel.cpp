#include "AnnotationModel.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

AnnotationElement* AnnotationElement::Create(Document* document, EnumAnnotationKind kind)
{
    auto* element = static_cast<AnnotationElement*>(
        document->NewElement(std::make_unique<AnnotationElement>(), ObjectId::InvalidId));
    element->myKind = kind;
    return element;
}

const char* AnnotationElement::GetKindName(EnumAnnotationKind kind)
{
    switch (kind) {
    case AnnotationLinear:
        return "Linear";
    case AnnotationAngular:
        return "Angular";
    case AnnotationDiameter:
        return "Diameter";
    case AnnotationRadius:
        return "Radius";
    }
    return "Unknown";
}

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
    if (AnnotationElement* element = GetElement()) {
        element->myCoordinate = coordinate;
    }
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
    if (AnnotationElement* element = GetElement()) {
        element->myTarget1 = target;
    }
}

void AnnotationModel::SetTarget2(ObjectId target)
{
    if (AnnotationElement* element = GetElement()) {
        element->myTarget2 = target;
    }
}

void AnnotationModel::SetToleranceType(EnumToleranceType type)
{
    if (AnnotationElement* element = GetElement()) {
        element->myToleranceType = type;
    }
}

void AnnotationModel::SetUpperTolerance(double tolerance)
{
    if (AnnotationElement* element = GetElement()) {
        element->myUpperTolerance = tolerance;
    }
}

void AnnotationModel::SetLowerTolerance(double tolerance)
{
    if (AnnotationElement* element = GetElement()) {
        element->myLowerTolerance = tolerance;
    }
}

void LinearAnnotationModel::SetLocation(const gp_Pnt& location)
{
    if (AnnotationElement* element = GetElement()) {
        element->myLocation = location;
    }
}

void LinearAnnotationModel::SetOnPlane(bool onPlane)
{
    if (AnnotationElement* element = GetElement()) {
        element->myOnPlane = onPlane;
    }
}

void LinearAnnotationModel::SetBillboard(bool billboard)
{
    if (AnnotationElement* element = GetElement()) {
        element->myBillboard = billboard;
    }
}

void AngularAnnotationModel::SetTextPosition(const gp_Pnt& position)
{
    if (AnnotationElement* element = GetElement()) {
        element->myTextPosition = position;
    }
}

void AngularAnnotationModel::SetEnableTextPosition(bool enable)
{
    if (AnnotationElement* element = GetElement()) {
        element->myTextPositionEnabled = enable;
    }
}

void SizeAnnotationModel::SetPosition(const gp_Pnt& position)
{
    if (AnnotationElement* element = GetElement()) {
        element->myPosition = position;
    }
}

} // namespace orvkit
