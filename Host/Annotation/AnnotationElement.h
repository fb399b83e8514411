#pragma once

#include "Data/Kernel/DrawableElement.h"

#include <gp_Ax2.hxx>
#include <gp_Pnt.hxx>

namespace orvkit {

// The first four are dimension annotations (AnnotationElement); the others are the rest of a
// file's semantic PMI (PmiElement): a dimension of any other type, a geometric tolerance, a
// datum and a datum target.
enum EnumAnnotationKind {
    AnnotationLinear = 0,
    AnnotationAngular = 1,
    AnnotationDiameter = 2,
    AnnotationRadius = 3,
    AnnotationDimension = 4,
    AnnotationGeometricTolerance = 5,
    AnnotationDatum = 6,
    AnnotationDatumTarget = 7
};

// How a dimension's tolerance is given: none, plus/minus values, or limits turned into
// deviations from the nominal value.
enum EnumToleranceType { ToleranceNone = 0, TolerancePlusMinus = 1, ToleranceRange = 2 };

// A dimension annotation in a document. Its coordinate system places the text and the
// drawing plane; targets are ReferenceShape elements naming what is measured.
class AnnotationElement : public DrawableElement {
public:
    static AnnotationElement* Create(Document* document, EnumAnnotationKind kind);
    const char* GetClassName() const override { return "AnnotationElement"; }
    // "Linear", "Angular", "Diameter", "Radius", "Dimension", "GeometricTolerance", "Datum" or
    // "DatumTarget".
    static const char* GetKindName(EnumAnnotationKind kind);

    EnumAnnotationKind GetKind() const { return myKind; }
    const gp_Ax2& GetCoordinate() const { return myCoordinate; }
    bool HasValue() const { return myHasValue; }
    double GetValue() const { return myValue; }
    const gp_Pnt& GetLocation() const { return myLocation; }
    const gp_Pnt& GetPosition() const { return myPosition; }
    const gp_Pnt& GetTextPosition() const { return myTextPosition; }
    bool IsTextPositionEnabled() const { return myTextPositionEnabled; }
    bool IsOnPlane() const { return myOnPlane; }
    bool IsBillboard() const { return myBillboard; }
    ObjectId GetTarget1() const { return myTarget1; }
    ObjectId GetTarget2() const { return myTarget2; }
    EnumToleranceType GetToleranceType() const { return myToleranceType; }
    double GetUpperTolerance() const { return myUpperTolerance; }
    double GetLowerTolerance() const { return myLowerTolerance; }

private:
    friend class AnnotationModel;
    friend class LinearAnnotationModel;
    friend class AngularAnnotationModel;
    friend class SizeAnnotationModel;

    EnumAnnotationKind myKind = AnnotationLinear;
    gp_Ax2 myCoordinate;
    bool myHasValue = false;
    double myValue = 0;
    gp_Pnt myLocation;
    gp_Pnt myPosition;
    gp_Pnt myTextPosition;
    bool myTextPositionEnabled = false;
    bool myOnPlane = true;
    bool myBillboard = true;
    ObjectId myTarget1;
    ObjectId myTarget2;
    EnumToleranceType myToleranceType = ToleranceNone;
    double myUpperTolerance = 0;
    double myLowerTolerance = 0;
};

} // namespace orvkit
