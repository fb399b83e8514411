#pragma once

#include "Annotation/AnnotationElement.h"

#include <gp_Ax2.hxx>

#include <string>
#include <vector>

namespace orvkit {

// One datum of a tolerance's reference frame.
struct PmiDatumReference {
    std::string label;                  // "A"
    std::vector<std::string> modifiers; // "MMC", "basic", ...
    ObjectId datum;                     // the Datum or DatumTarget element; InvalidId for none
};

// What a PMI element says. Which fields a kind fills:
// - Dimension: type, value, tolerance;
// - GeometricTolerance: type, value, zone, material and zone modifiers, modifiers, datums and
//   the frame's text;
// - Datum: label;
// - DatumTarget: label, type, datumLabel.
// Every kind may have a text point and plane, and targets. Words are those of PmiWords; an
// empty text means none.
struct PmiContent {
    std::string type;
    bool hasValue = false;
    double value = 0;
    EnumToleranceType toleranceType = ToleranceNone;
    double upperTolerance = 0;
    double lowerTolerance = 0;
    std::string zone;
    std::string materialModifier;
    std::string zoneModifier;
    std::vector<std::string> modifiers;
    // In frame order: primary, secondary, tertiary.
    std::vector<PmiDatumReference> datums;
    // "⌖ ⌀0.15 Ⓛ | G | H".
    std::string frame;
    std::string label;
    std::string datumLabel;
    bool hasTextPoint = false;
    // The text point, and the normal of the plane the text lies in.
    gp_Ax2 textPlane;
    // ReferenceShape elements naming the faces, edges or vertices the PMI applies to.
    std::vector<ObjectId> targets;
};

// Semantic PMI other than the four dimension annotations: a dimension of another type, a
// geometric tolerance, a datum or a datum target. It is made whole from what the file says and
// does not change afterwards.
class PmiElement : public DrawableElement {
public:
    // A new element owned by `document`; never null. `kind` is one of the four PMI kinds.
    static PmiElement* Create(Document* document, EnumAnnotationKind kind, PmiContent content);
    const char* GetClassName() const override { return "PmiElement"; }

    EnumAnnotationKind GetKind() const { return myKind; }
    const PmiContent& GetContent() const { return myContent; }

private:
    EnumAnnotationKind myKind = AnnotationDimension;
    PmiContent myContent;
};

} // namespace orvkit
