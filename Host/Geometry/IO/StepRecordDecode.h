#pragma once

#include "Geometry/IO/StepFileParse.h"

#include <Standard_Handle.hxx>
#include <Standard_Type.hxx>

#include <cstdint>
#include <string_view>

class Standard_Transient;

namespace orvkit {

// Entities of the commonest types of B-rep files (points, directions, vectors, placements,
// lines, circles, planes, cylinders, vertices, edges, loops, face bounds, faces), of
// assemblies (occurrences, their shape definitions and placements) and of the styles that
// colour faces and parts (styled items down to their colours), made straight from a
// parse's records, without OpenCASCADE's reader data: they are nine in ten entities of a B-rep
// file and eight in ten of a large assembly, and reading them parameter by parameter through
// the reader data, with a check for each, is most of the time OpenCASCADE takes to load a
// model.
//
// A record is decoded only when OpenCASCADE would read it without a word: the number and kinds
// of its parameters are those of its type, every reference names an entity of the class the
// field takes, names are plain ASCII texts that need no cleaning. What is decoded is exactly
// what OpenCASCADE's own reading would make. Any other record is left to OpenCASCADE, with the
// checks and reports it makes. One exception, for property values OpenCASCADE 7.6 loses: a value
// representation item whose value is typed as a boolean, logical or number of a type its
// measure value does not list, which it reads as an empty value, keeps it (see StepTypedValue).
namespace StepRecordDecode {

enum Kind : std::uint8_t {
    None,
    CartesianPoint,
    Direction,
    Vector,
    Axis2Placement3d,
    Line,
    Circle,
    Plane,
    CylindricalSurface,
    VertexPoint,
    EdgeCurve,
    OrientedEdge,
    EdgeLoop,
    FaceBound,
    FaceOuterBound,
    AdvancedFace,
    // The structure of assemblies: placed occurrences and their transformations.
    ProductDefinitionShape,
    NextAssemblyUsageOccurrence,
    ItemDefinedTransformation,
    ContextDependentShapeRepresentation,
    // A complex entity: representation relationship, with transformation, of shapes.
    ShapeRepresentationRelationshipWithTransformation,
    // A property value typed as a boolean, logical or number.
    ValueRepresentationItem,
    // The styles of items (a colour on a face, a solid, a curve) and the representations and
    // layers that gather them.
    StyledItem,
    OverRidingStyledItem,
    PresentationStyleAssignment,
    SurfaceStyleUsage,
    SurfaceSideStyle,
    SurfaceStyleFillArea,
    FillAreaStyle,
    FillAreaStyleColour,
    ColourRgb,
    DraughtingPreDefinedColour,
    DraughtingPreDefinedCurveFont,
    MechanicalDesignGeometricPresentationRepresentation,
    PresentationLayerAssignment,
    LastKind = PresentationLayerAssignment,
};

// A record's parameters.
struct Params {
    const StepFileParse::Param* first = nullptr;
    std::uint32_t count = 0;
    // A typed sub-list's type ("BOOLEAN_VALUE"); for a plain list, the parse's stand-in.
    std::string_view type;
};

// What the loader knows of the records parameters name.
class Links {
public:
    virtual ~Links() = default;
    // The parameters of the sub-list a parameter ("$2") names.
    virtual Params SubList(const StepFileParse::Param& param) const = 0;
    // The class of the entity a reference ("#12") names; null when it names none, or one whose
    // class is only known once OpenCASCADE has recognised it (a complex entity).
    virtual const Handle(Standard_Type)& ClassOf(const StepFileParse::Param& param) const = 0;
    // The entity a reference names, once every entity is made.
    virtual const Handle(Standard_Transient)& Entity(const StepFileParse::Param& param) const = 0;
    // The parts of a complex entity: how many, and the parameters of each (0 is the first).
    virtual int PartCount() const = 0;
    virtual Params Part(int index) const = 0;
};

// The kind of records of a type, None for a type left to OpenCASCADE.
Kind KindOf(const char* type, std::uint32_t length);

// The kind of complex entities whose parts have these types, in the file's order, each followed
// by one space ("A B "); None for those left to OpenCASCADE.
Kind KindOfComplex(std::string_view types);

// Whether a record of `kind` with `params` (of its first part, for a complex entity) decodes
// without a word. It uses no records but its own: its parts and their sub-lists.
bool Accepts(Kind kind, Params params, const Links& links);

// A new, empty entity of the class OpenCASCADE makes for `kind`.
Handle(Standard_Transient) New(Kind kind);

// Fills `entity`, made by `New(kind)`, from a record `Accepts` took.
void Fill(Kind kind, const Handle(Standard_Transient)& entity, Params params, const Links& links);

} // namespace StepRecordDecode

} // namespace orvkit
