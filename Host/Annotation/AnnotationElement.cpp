#include "AnnotationElement.h"

#include "Data/Kernel/Document.h"

namespace orvkit {

AnnotationElement* AnnotationElement::Create(Document* document, EnumAnnotationKind kind)
{
    AnnotationElement* element = document->NewElementOf<AnnotationElement>();
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
    case AnnotationDimension:
        return "Dimension";
    case AnnotationGeometricTolerance:
        return "GeometricTolerance";
    case AnnotationDatum:
        return "Datum";
    case AnnotationDatumTarget:
        return "DatumTarget";
    }
    return "Unknown";
}

} // namespace orvkit
