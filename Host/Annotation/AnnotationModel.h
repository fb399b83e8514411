#pragma once

#include "Annotation/AnnotationElement.h"

namespace orvkit {

// Builds one annotation element. Create makes the element in a document; the setters called
// afterwards change that element. The model itself can go once the element is built; the
// element stays with its document. Setters called before Create, or after the element has
// left its document (an undo), change nothing.
class AnnotationModel {
public:
    virtual ~AnnotationModel() = default;

    // Makes the annotation element in `document` and returns its id.
    ObjectId Create(Document* document);

    void SetCoordinate(const gp_Ax2& coordinate);
    void SetValue(double value);
    void SetTarget1(ObjectId target);
    void SetTarget2(ObjectId target);
    void SetToleranceType(EnumToleranceType type);
    void SetUpperTolerance(double tolerance);
    void SetLowerTolerance(double tolerance);

protected:
    explicit AnnotationModel(EnumAnnotationKind kind) : myKind(kind) {}
    // The element Create made, while its document still holds it; null otherwise.
    AnnotationElement* GetElement() const;
    // Sets one field of that element; nothing when there is none.
    template <class T, class V> void SetField(T AnnotationElement::*field, const V& value)
    {
        if (AnnotationElement* element = GetElement()) {
            element->*field = value;
        }
    }

private:
    EnumAnnotationKind myKind;
    Document* myDocument = nullptr;
    ObjectId myElementId = ObjectId::InvalidId;
};

} // namespace orvkit
