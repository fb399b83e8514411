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

private:
    EnumAnnotationKind myKind;
    Document* myDocument = nullptr;
    ObjectId myElementId = ObjectId::InvalidId;
};

// A distance between two things, written at a location.
class LinearAnnotationModel : public AnnotationModel {
public:
    LinearAnnotationModel() : AnnotationModel(AnnotationLinear) {}
    void SetLocation(const gp_Pnt& location);
    // Whether the text lies in the annotation plane (else it faces the viewer's plane).
    void SetOnPlane(bool onPlane);
    // Whether the text always turns to the viewer.
    void SetBillboard(bool billboard);
};

// An angle; its value comes from the geometry it measures.
class AngularAnnotationModel : public AnnotationModel {
public:
    AngularAnnotationModel() : AnnotationModel(AnnotationAngular) {}
    void SetTextPosition(const gp_Pnt& position);
    void SetEnableTextPosition(bool enable);
};

// A size of a round feature, written at a position.
class SizeAnnotationModel : public AnnotationModel {
public:
    void SetPosition(const gp_Pnt& position);

protected:
    using AnnotationModel::AnnotationModel;
};

class DiameterAnnotationModel : public SizeAnnotationModel {
public:
    DiameterAnnotationModel() : SizeAnnotationModel(AnnotationDiameter) {}
};

class RadiusAnnotationModel : public SizeAnnotationModel {
public:
    RadiusAnnotationModel() : SizeAnnotationModel(AnnotationRadius) {}
};

} // namespace orvkit
