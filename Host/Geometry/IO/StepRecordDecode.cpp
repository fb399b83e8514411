#include "StepRecordDecode.h"

#include "Geometry/IO/StepTypedValue.h"

#include <Interface_FileReaderData.hxx>
#include <StepBasic_MeasureValueMember.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepBasic_ProductDefinitionOrReference.hxx>
#include <StepBasic_ProductDefinitionRelationship.hxx>
#include <StepGeom_Axis2Placement.hxx>
#include <StepGeom_Axis2Placement2d.hxx>
#include <StepGeom_Axis2Placement3d.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepGeom_Circle.hxx>
#include <StepGeom_Curve.hxx>
#include <StepGeom_CylindricalSurface.hxx>
#include <StepGeom_Direction.hxx>
#include <StepGeom_Line.hxx>
#include <StepGeom_Plane.hxx>
#include <StepGeom_Point.hxx>
#include <StepGeom_Surface.hxx>
#include <StepGeom_Vector.hxx>
#include <StepRepr_CharacterizedDefinition.hxx>
#include <StepRepr_FunctionallyDefinedTransformation.hxx>
#include <StepRepr_ItemDefinedTransformation.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_RepresentationItem.hxx>
#include <StepRepr_ShapeRepresentationRelationship.hxx>
#include <StepRepr_ShapeRepresentationRelationshipWithTransformation.hxx>
#include <StepRepr_Transformation.hxx>
#include <StepRepr_ValueRepresentationItem.hxx>
#include <StepShape_AdvancedFace.hxx>
#include <StepShape_ContextDependentShapeRepresentation.hxx>
#include <StepShape_Edge.hxx>
#include <StepShape_EdgeCurve.hxx>
#include <StepShape_EdgeLoop.hxx>
#include <StepShape_FaceBound.hxx>
#include <StepShape_FaceOuterBound.hxx>
#include <StepShape_HArray1OfFaceBound.hxx>
#include <StepShape_HArray1OfOrientedEdge.hxx>
#include <StepShape_Loop.hxx>
#include <StepShape_OrientedEdge.hxx>
#include <StepShape_Vertex.hxx>
#include <StepShape_VertexPoint.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TCollection_HAsciiString.hxx>

#include <cstring>
#include <string_view>

namespace orvkit::StepRecordDecode {

namespace {

using Param = StepFileParse::Param;

// A name OpenCASCADE keeps as it stands: the text between the apostrophes holds no
// apostrophe, backslash (escapes and code pages) or control character (line ends it drops).
bool IsPlainName(const Param& param)
{
    if (param.kind != Interface_ParamText || param.length < 2) {
        return false;
    }
    for (std::uint32_t i = 1; i + 1 < param.length; ++i) {
        const unsigned char c = static_cast<unsigned char>(param.text[i]);
        if (c < 0x20 || c > 0x7e || c == '\'' || c == '\\') {
            return false;
        }
    }
    return true;
}

bool IsReal(const Param& param)
{
    return param.kind == Interface_ParamReal || param.kind == Interface_ParamInteger;
}

bool IsBoolean(const Param& param)
{
    return param.kind == Interface_ParamEnum && param.length == 3 &&
           (std::strcmp(param.text, ".T.") == 0 || std::strcmp(param.text, ".F.") == 0);
}

// A derived attribute: OpenCASCADE warns about anything else in its place.
bool IsDerived(const Param& param)
{
    return param.length == 1 && param.text[0] == '*';
}

bool IsVoid(const Param& param)
{
    return param.kind == Interface_ParamVoid;
}

bool RefersTo(const Param& param, const Handle(Standard_Type)& type, const Links& links)
{
    if (param.kind != Interface_ParamIdent) {
        return false;
    }
    const Handle(Standard_Type)& target = links.ClassOf(param);
    return !target.IsNull() && target->SubType(type);
}

// A sub-list of `least` to `most` parameters, each taken by `accept`.
template <typename Accept>
bool IsListOf(const Param& param, std::uint32_t least, std::uint32_t most, const Links& links,
              Accept accept)
{
    if (param.kind != Interface_ParamSub) {
        return false;
    }
    const Params list = links.SubList(param);
    if (list.count < least || list.count > most) {
        return false;
    }
    for (std::uint32_t i = 0; i < list.count; ++i) {
        if (!accept(list.first[i])) {
            return false;
        }
    }
    return true;
}

// An optional text: omitted, or a plain one.
bool IsOptionalName(const Param& param)
{
    return param.kind == Interface_ParamVoid || IsPlainName(param);
}

Handle(TCollection_HAsciiString) Name(const Param& param)
{
    if (param.length == 2) {
        return new TCollection_HAsciiString;
    }
    return new TCollection_HAsciiString(
        TCollection_AsciiString(param.text + 1, int(param.length) - 2));
}

double Real(const Param& param)
{
    return Interface_FileReaderData::Fastof(param.text);
}

bool Boolean(const Param& param)
{
    return param.text[1] == 'T';
}

// The entity a reference names, of the class `Accepts` found it to be.
template <typename T> Handle(T) EntityAs(const Param& param, const Links& links)
{
    return Handle(T)(static_cast<T*>(links.Entity(param).get()));
}

// The entities a sub-list names, of the class `Accepts` found them to be.
template <typename Array, typename T>
Handle(Array) EntityList(const Param& param, const Links& links)
{
    const Params items = links.SubList(param);
    const Handle(Array) list = new Array(1, int(items.count));
    for (std::uint32_t i = 0; i < items.count; ++i) {
        list->SetValue(int(i) + 1, EntityAs<T>(items.first[i], links));
    }
    return list;
}

// An optional text `IsOptionalName` took: null when omitted.
Handle(TCollection_HAsciiString) OptionalName(const Param& param)
{
    return param.kind == Interface_ParamVoid ? Handle(TCollection_HAsciiString)() : Name(param);
}

StepBasic_ProductDefinitionOrReference ProductDefinitionOf(const Param& param, const Links& links)
{
    StepBasic_ProductDefinitionOrReference definition;
    definition.SetValue(links.Entity(param));
    return definition;
}

// A record of `count` parameters, the first a name.
bool IsLogical(const Param& param)
{
    return IsBoolean(param) || (param.kind == Interface_ParamEnum && param.length == 3 &&
                                std::strcmp(param.text, ".U.") == 0);
}

// The value a typed sub-list states, for the types OpenCASCADE's measure value refuses; null
// for any other sub-list, which OpenCASCADE reads as well.
Handle(StepTypedValue) TypedValueOf(Params value)
{
    if (value.count != 1) {
        return nullptr;
    }
    const Param& p = value.first[0];
    if (value.type == "BOOLEAN_VALUE" && IsBoolean(p)) {
        return StepTypedValue::Boolean(Boolean(p));
    }
    if (value.type == "LOGICAL_VALUE" && IsLogical(p)) {
        return p.text[1] == 'U'
                   ? StepTypedValue::Logical(StepData_LUnknown)
                   : StepTypedValue::Logical(p.text[1] == 'T' ? StepData_LTrue : StepData_LFalse);
    }
    if (value.type == "INTEGER_VALUE" && p.kind == Interface_ParamInteger) {
        return StepTypedValue::Integer(std::atoi(p.text));
    }
    const std::string type(value.type);
    Handle(StepBasic_MeasureValueMember) listed = new StepBasic_MeasureValueMember;
    if (IsReal(p) && !listed->SetName(type.c_str())) {
        return StepTypedValue::Number(type.c_str(), Real(p));
    }
    return nullptr;
}

// Whether a value representation item's record holds a value OpenCASCADE's reading refuses.
bool AcceptsValue(Params params, const Links& links)
{
    const Param* p = params.first;
    return params.count == 2 && p[1].kind == Interface_ParamSub &&
           !TypedValueOf(links.SubList(p[1])).IsNull();
}

bool IsNamedOf(Params params, std::uint32_t count)
{
    return params.count == count && IsPlainName(params.first[0]);
}

// Whether a record of a kind of curve, surface or point has what Fill reads; false for any other
// kind.
bool AcceptsGeometry(Kind kind, Params params, const Links& links)
{
    const Param* p = params.first;
    const auto refersTo = [&](const Param& param, const Handle(Standard_Type)& type) {
        return RefersTo(param, type, links);
    };
    switch (kind) {
    case CartesianPoint:
    case Direction:
        return IsNamedOf(params, 2) && IsListOf(p[1], 2, 3, links, IsReal);
    case Vector:
        return IsNamedOf(params, 3) && refersTo(p[1], STANDARD_TYPE(StepGeom_Direction)) &&
               IsReal(p[2]);
    case Axis2Placement3d:
        return IsNamedOf(params, 4) && refersTo(p[1], STANDARD_TYPE(StepGeom_CartesianPoint)) &&
               (IsVoid(p[2]) || refersTo(p[2], STANDARD_TYPE(StepGeom_Direction))) &&
               (IsVoid(p[3]) || refersTo(p[3], STANDARD_TYPE(StepGeom_Direction)));
    case Line:
        return IsNamedOf(params, 3) && refersTo(p[1], STANDARD_TYPE(StepGeom_CartesianPoint)) &&
               refersTo(p[2], STANDARD_TYPE(StepGeom_Vector));
    case Circle:
        return IsNamedOf(params, 3) &&
               (refersTo(p[1], STANDARD_TYPE(StepGeom_Axis2Placement3d)) ||
                refersTo(p[1], STANDARD_TYPE(StepGeom_Axis2Placement2d))) &&
               IsReal(p[2]);
    case Plane:
        return IsNamedOf(params, 2) && refersTo(p[1], STANDARD_TYPE(StepGeom_Axis2Placement3d));
    case CylindricalSurface:
        return IsNamedOf(params, 3) && refersTo(p[1], STANDARD_TYPE(StepGeom_Axis2Placement3d)) &&
               IsReal(p[2]);
    default:
        return false;
    }
}

// Whether a record of a kind of vertex, edge, loop or face has what Fill reads; false for any
// other kind.
bool AcceptsTopology(Kind kind, Params params, const Links& links)
{
    const Param* p = params.first;
    const auto refersTo = [&](const Param& param, const Handle(Standard_Type)& type) {
        return RefersTo(param, type, links);
    };
    switch (kind) {
    case VertexPoint:
        return IsNamedOf(params, 2) && refersTo(p[1], STANDARD_TYPE(StepGeom_Point));
    case EdgeCurve:
        return IsNamedOf(params, 5) && refersTo(p[1], STANDARD_TYPE(StepShape_Vertex)) &&
               refersTo(p[2], STANDARD_TYPE(StepShape_Vertex)) &&
               refersTo(p[3], STANDARD_TYPE(StepGeom_Curve)) && IsBoolean(p[4]);
    case OrientedEdge:
        return IsNamedOf(params, 5) && IsDerived(p[1]) && IsDerived(p[2]) &&
               refersTo(p[3], STANDARD_TYPE(StepShape_Edge)) && IsBoolean(p[4]);
    case EdgeLoop:
        return IsNamedOf(params, 2) && IsListOf(p[1], 1, UINT32_MAX, links, [&](const Param& edge) {
                   return refersTo(edge, STANDARD_TYPE(StepShape_OrientedEdge));
               });
    case FaceBound:
    case FaceOuterBound:
        return IsNamedOf(params, 3) && refersTo(p[1], STANDARD_TYPE(StepShape_Loop)) &&
               IsBoolean(p[2]);
    case AdvancedFace:
        return IsNamedOf(params, 4) &&
               IsListOf(p[1], 1, UINT32_MAX, links,
                        [&](const Param& bound) {
                            return refersTo(bound, STANDARD_TYPE(StepShape_FaceBound));
                        }) &&
               refersTo(p[2], STANDARD_TYPE(StepGeom_Surface)) && IsBoolean(p[3]);
    default:
        return false;
    }
}

// Whether a record of a kind of the assembly structure has what Fill reads; false for any other
// kind.
bool AcceptsAssembly(Kind kind, Params params, const Links& links)
{
    const Param* p = params.first;
    const auto refersTo = [&](const Param& param, const Handle(Standard_Type)& type) {
        return RefersTo(param, type, links);
    };
    switch (kind) {
    case ProductDefinitionShape:
        return IsNamedOf(params, 3) && IsOptionalName(p[1]) &&
               (refersTo(p[2], STANDARD_TYPE(StepBasic_ProductDefinition)) ||
                refersTo(p[2], STANDARD_TYPE(StepBasic_ProductDefinitionRelationship)));
    case NextAssemblyUsageOccurrence:
        return IsNamedOf(params, 6) && IsPlainName(p[1]) && IsOptionalName(p[2]) &&
               refersTo(p[3], STANDARD_TYPE(StepBasic_ProductDefinition)) &&
               refersTo(p[4], STANDARD_TYPE(StepBasic_ProductDefinition)) && IsOptionalName(p[5]);
    case ItemDefinedTransformation:
        return IsNamedOf(params, 4) && IsOptionalName(p[1]) &&
               refersTo(p[2], STANDARD_TYPE(StepRepr_RepresentationItem)) &&
               refersTo(p[3], STANDARD_TYPE(StepRepr_RepresentationItem));
    case ContextDependentShapeRepresentation:
        // No name: two references.
        return params.count == 2 &&
               refersTo(p[0], STANDARD_TYPE(StepRepr_ShapeRepresentationRelationship)) &&
               refersTo(p[1], STANDARD_TYPE(StepRepr_ProductDefinitionShape));
    case ShapeRepresentationRelationshipWithTransformation: {
        if (links.PartCount() != 3 || !IsNamedOf(params, 4) || !IsOptionalName(p[1]) ||
            !refersTo(p[2], STANDARD_TYPE(StepRepr_Representation)) ||
            !refersTo(p[3], STANDARD_TYPE(StepRepr_Representation))) {
            return false;
        }
        const Params transformation = links.Part(1);
        return transformation.count == 1 &&
               (refersTo(transformation.first[0],
                         STANDARD_TYPE(StepRepr_ItemDefinedTransformation)) ||
                refersTo(transformation.first[0],
                         STANDARD_TYPE(StepRepr_FunctionallyDefinedTransformation))) &&
               links.Part(2).count == 0;
    }
    default:
        return false;
    }
}

// Fills a curve, surface or point from its record; false for any other kind.
bool FillGeometry(Kind kind, Standard_Transient* object,
                  const Handle(TCollection_HAsciiString)& name, Params params, const Links& links)
{
    const Param* p = params.first;
    switch (kind) {
    case CartesianPoint: {
        const Params xyz = links.SubList(p[1]);
        auto* point = static_cast<StepGeom_CartesianPoint*>(object);
        if (xyz.count == 3) {
            point->Init3D(name, Real(xyz.first[0]), Real(xyz.first[1]), Real(xyz.first[2]));
        } else {
            point->Init2D(name, Real(xyz.first[0]), Real(xyz.first[1]));
        }
        return true;
    }
    case Direction: {
        const Params ratios = links.SubList(p[1]);
        const Handle(TColStd_HArray1OfReal) values =
            new TColStd_HArray1OfReal(1, int(ratios.count));
        for (std::uint32_t i = 0; i < ratios.count; ++i) {
            values->SetValue(int(i) + 1, Real(ratios.first[i]));
        }
        static_cast<StepGeom_Direction*>(object)->Init(name, values);
        return true;
    }
    case Vector:
        static_cast<StepGeom_Vector*>(object)->Init(name, EntityAs<StepGeom_Direction>(p[1], links),
                                                    Real(p[2]));
        return true;
    case Axis2Placement3d: {
        const bool hasAxis = !IsVoid(p[2]);
        const bool hasRef = !IsVoid(p[3]);
        static_cast<StepGeom_Axis2Placement3d*>(object)->Init(
            name, EntityAs<StepGeom_CartesianPoint>(p[1], links), hasAxis,
            hasAxis ? EntityAs<StepGeom_Direction>(p[2], links) : Handle(StepGeom_Direction)(),
            hasRef,
            hasRef ? EntityAs<StepGeom_Direction>(p[3], links) : Handle(StepGeom_Direction)());
        return true;
    }
    case Line:
        static_cast<StepGeom_Line*>(object)->Init(name,
                                                  EntityAs<StepGeom_CartesianPoint>(p[1], links),
                                                  EntityAs<StepGeom_Vector>(p[2], links));
        return true;
    case Circle: {
        StepGeom_Axis2Placement position;
        position.SetValue(links.Entity(p[1]));
        static_cast<StepGeom_Circle*>(object)->Init(name, position, Real(p[2]));
        return true;
    }
    case Plane:
        static_cast<StepGeom_Plane*>(object)->Init(
            name, EntityAs<StepGeom_Axis2Placement3d>(p[1], links));
        return true;
    case CylindricalSurface:
        static_cast<StepGeom_CylindricalSurface*>(object)->Init(
            name, EntityAs<StepGeom_Axis2Placement3d>(p[1], links), Real(p[2]));
        return true;
    default:
        return false;
    }
}

// Fills a vertex, edge, loop or face from its record; false for any other kind.
bool FillTopology(Kind kind, Standard_Transient* object,
                  const Handle(TCollection_HAsciiString)& name, Params params, const Links& links)
{
    const Param* p = params.first;
    switch (kind) {
    case VertexPoint:
        static_cast<StepShape_VertexPoint*>(object)->Init(name,
                                                          EntityAs<StepGeom_Point>(p[1], links));
        return true;
    case EdgeCurve:
        static_cast<StepShape_EdgeCurve*>(object)->Init(
            name, EntityAs<StepShape_Vertex>(p[1], links), EntityAs<StepShape_Vertex>(p[2], links),
            EntityAs<StepGeom_Curve>(p[3], links), Boolean(p[4]));
        return true;
    case OrientedEdge:
        static_cast<StepShape_OrientedEdge*>(object)->Init(
            name, EntityAs<StepShape_Edge>(p[3], links), Boolean(p[4]));
        return true;
    case EdgeLoop:
        static_cast<StepShape_EdgeLoop*>(object)->Init(
            name, EntityList<StepShape_HArray1OfOrientedEdge, StepShape_OrientedEdge>(p[1], links));
        return true;
    case FaceBound:
    case FaceOuterBound:
        static_cast<StepShape_FaceBound*>(object)->Init(name, EntityAs<StepShape_Loop>(p[1], links),
                                                        Boolean(p[2]));
        return true;
    case AdvancedFace:
        static_cast<StepShape_AdvancedFace*>(object)->Init(
            name, EntityList<StepShape_HArray1OfFaceBound, StepShape_FaceBound>(p[1], links),
            EntityAs<StepGeom_Surface>(p[2], links), Boolean(p[3]));
        return true;
    default:
        return false;
    }
}

// Fills an entity of the assembly structure from its record; false for any other kind.
bool FillAssembly(Kind kind, Standard_Transient* object,
                  const Handle(TCollection_HAsciiString)& name, Params params, const Links& links)
{
    const Param* p = params.first;
    switch (kind) {
    case ProductDefinitionShape: {
        StepRepr_CharacterizedDefinition definition;
        definition.SetValue(links.Entity(p[2]));
        static_cast<StepRepr_ProductDefinitionShape*>(object)->Init(name, !IsVoid(p[1]),
                                                                    OptionalName(p[1]), definition);
        return true;
    }
    case NextAssemblyUsageOccurrence:
        static_cast<StepRepr_NextAssemblyUsageOccurrence*>(object)->Init(
            name, Name(p[1]), !IsVoid(p[2]), OptionalName(p[2]), ProductDefinitionOf(p[3], links),
            ProductDefinitionOf(p[4], links), !IsVoid(p[5]), OptionalName(p[5]));
        return true;
    case ItemDefinedTransformation:
        static_cast<StepRepr_ItemDefinedTransformation*>(object)->Init(
            name, OptionalName(p[1]), EntityAs<StepRepr_RepresentationItem>(p[2], links),
            EntityAs<StepRepr_RepresentationItem>(p[3], links));
        return true;
    case ShapeRepresentationRelationshipWithTransformation: {
        StepRepr_Transformation transformation;
        transformation.SetValue(links.Entity(links.Part(1).first[0]));
        static_cast<StepRepr_ShapeRepresentationRelationshipWithTransformation*>(object)->Init(
            name, OptionalName(p[1]), EntityAs<StepRepr_Representation>(p[2], links),
            EntityAs<StepRepr_Representation>(p[3], links), transformation);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

Kind KindOf(const char* type, std::uint32_t length)
{
    static constexpr struct {
        std::string_view name;
        Kind kind;
    } kTypes[] = {
        {"CARTESIAN_POINT", CartesianPoint},
        {"DIRECTION", Direction},
        {"VECTOR", Vector},
        {"AXIS2_PLACEMENT_3D", Axis2Placement3d},
        {"LINE", Line},
        {"CIRCLE", Circle},
        {"PLANE", Plane},
        {"CYLINDRICAL_SURFACE", CylindricalSurface},
        {"VERTEX_POINT", VertexPoint},
        {"EDGE_CURVE", EdgeCurve},
        {"ORIENTED_EDGE", OrientedEdge},
        {"EDGE_LOOP", EdgeLoop},
        {"FACE_BOUND", FaceBound},
        {"FACE_OUTER_BOUND", FaceOuterBound},
        {"ADVANCED_FACE", AdvancedFace},
        {"PRODUCT_DEFINITION_SHAPE", ProductDefinitionShape},
        {"NEXT_ASSEMBLY_USAGE_OCCURRENCE", NextAssemblyUsageOccurrence},
        {"ITEM_DEFINED_TRANSFORMATION", ItemDefinedTransformation},
        {"CONTEXT_DEPENDENT_SHAPE_REPRESENTATION", ContextDependentShapeRepresentation},
        {"VALUE_REPRESENTATION_ITEM", ValueRepresentationItem},
    };
    const std::string_view name(type, length);
    for (const auto& entry : kTypes) {
        if (entry.name == name) {
            return entry.kind;
        }
    }
    return None;
}

Kind KindOfComplex(std::string_view types)
{
    return types == "REPRESENTATION_RELATIONSHIP REPRESENTATION_RELATIONSHIP_WITH_TRANSFORMATION "
                    "SHAPE_REPRESENTATION_RELATIONSHIP "
               ? ShapeRepresentationRelationshipWithTransformation
               : None;
}

bool Accepts(Kind kind, Params params, const Links& links)
{
    if (kind == ValueRepresentationItem) {
        return AcceptsValue(params, links);
    }
    return AcceptsGeometry(kind, params, links) || AcceptsTopology(kind, params, links) ||
           AcceptsAssembly(kind, params, links);
}

Handle(Standard_Transient) New(Kind kind)
{
    switch (kind) {
    case CartesianPoint:
        return new StepGeom_CartesianPoint;
    case Direction:
        return new StepGeom_Direction;
    case Vector:
        return new StepGeom_Vector;
    case Axis2Placement3d:
        return new StepGeom_Axis2Placement3d;
    case Line:
        return new StepGeom_Line;
    case Circle:
        return new StepGeom_Circle;
    case Plane:
        return new StepGeom_Plane;
    case CylindricalSurface:
        return new StepGeom_CylindricalSurface;
    case VertexPoint:
        return new StepShape_VertexPoint;
    case EdgeCurve:
        return new StepShape_EdgeCurve;
    case OrientedEdge:
        return new StepShape_OrientedEdge;
    case EdgeLoop:
        return new StepShape_EdgeLoop;
    case FaceBound:
        return new StepShape_FaceBound;
    case FaceOuterBound:
        return new StepShape_FaceOuterBound;
    case AdvancedFace:
        return new StepShape_AdvancedFace;
    case ProductDefinitionShape:
        return new StepRepr_ProductDefinitionShape;
    case NextAssemblyUsageOccurrence:
        return new StepRepr_NextAssemblyUsageOccurrence;
    case ItemDefinedTransformation:
        return new StepRepr_ItemDefinedTransformation;
    case ContextDependentShapeRepresentation:
        return new StepShape_ContextDependentShapeRepresentation;
    case ShapeRepresentationRelationshipWithTransformation:
        return new StepRepr_ShapeRepresentationRelationshipWithTransformation;
    case ValueRepresentationItem:
        return new StepRepr_ValueRepresentationItem;
    case None:
        break;
    }
    return Handle(Standard_Transient)();
}

void Fill(Kind kind, const Handle(Standard_Transient)& entity, Params params, const Links& links)
{
    const Param* p = params.first;
    Standard_Transient* const object = entity.get();
    if (kind == ContextDependentShapeRepresentation) {
        static_cast<StepShape_ContextDependentShapeRepresentation*>(object)->Init(
            EntityAs<StepRepr_ShapeRepresentationRelationship>(p[0], links),
            EntityAs<StepRepr_ProductDefinitionShape>(p[1], links));
        return;
    }
    const Handle(TCollection_HAsciiString) name = Name(p[0]);
    if (kind == ValueRepresentationItem) {
        static_cast<StepRepr_ValueRepresentationItem*>(object)->Init(
            name, TypedValueOf(links.SubList(p[1])));
        return;
    }
    if (!FillGeometry(kind, object, name, params, links) &&
        !FillTopology(kind, object, name, params, links)) {
        FillAssembly(kind, object, name, params, links);
    }
}

} // namespace orvkit::StepRecordDecode
