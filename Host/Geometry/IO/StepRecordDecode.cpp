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
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_ItemDefinedTransformation.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_RepresentationContext.hxx>
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
#include <StepVisual_Colour.hxx>
#include <StepVisual_ColourRgb.hxx>
#include <StepVisual_CurveStyle.hxx>
#include <StepVisual_DraughtingPreDefinedColour.hxx>
#include <StepVisual_DraughtingPreDefinedCurveFont.hxx>
#include <StepVisual_FillAreaStyle.hxx>
#include <StepVisual_FillAreaStyleColour.hxx>
#include <StepVisual_HArray1OfFillStyleSelect.hxx>
#include <StepVisual_HArray1OfLayeredItem.hxx>
#include <StepVisual_HArray1OfPresentationStyleAssignment.hxx>
#include <StepVisual_HArray1OfPresentationStyleSelect.hxx>
#include <StepVisual_HArray1OfSurfaceStyleElementSelect.hxx>
#include <StepVisual_MechanicalDesignGeometricPresentationRepresentation.hxx>
#include <StepVisual_OverRidingStyledItem.hxx>
#include <StepVisual_PointStyle.hxx>
#include <StepVisual_PresentationLayerAssignment.hxx>
#include <StepVisual_PresentationRepresentation.hxx>
#include <StepVisual_PresentationStyleAssignment.hxx>
#include <StepVisual_StyledItem.hxx>
#include <StepVisual_SurfaceSideStyle.hxx>
#include <StepVisual_SurfaceStyleBoundary.hxx>
#include <StepVisual_SurfaceStyleFillArea.hxx>
#include <StepVisual_SurfaceStyleParameterLine.hxx>
#include <StepVisual_SurfaceStyleRendering.hxx>
#include <StepVisual_SurfaceStyleUsage.hxx>
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

// Whether a reference names an entity of one of `types`: the classes a select type takes.
template <typename... Types>
bool RefersToOneOf(const Param& param, const Links& links, const Types&... types)
{
    if (param.kind != Interface_ParamIdent) {
        return false;
    }
    const Handle(Standard_Type)& target = links.ClassOf(param);
    return !target.IsNull() && (target->SubType(types) || ...);
}

// A sub-list of one or more references, each to an entity of one of `types`. OpenCASCADE
// reads an empty list as no list at all, which is left to it.
template <typename... Types>
bool IsListOfRefs(const Param& param, const Links& links, const Types&... types)
{
    return IsListOf(param, 1, UINT32_MAX, links,
                    [&](const Param& item) { return RefersToOneOf(item, links, types...); });
}

// The side a surface style usage's enumeration names; false for a text OpenCASCADE refuses
// (it compares the text as written, capitals and dots).
bool SideOf(const Param& param, StepVisual_SurfaceSide& side)
{
    if (param.kind != Interface_ParamEnum) {
        return false;
    }
    const std::string_view text(param.text, param.length);
    if (text == ".NEGATIVE.") {
        side = StepVisual_ssNegative;
    } else if (text == ".POSITIVE.") {
        side = StepVisual_ssPositive;
    } else if (text == ".BOTH.") {
        side = StepVisual_ssBoth;
    } else {
        return false;
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

// The members of a select type a sub-list names, of the classes `Accepts` found them to be.
template <typename Array, typename Select>
Handle(Array) SelectList(const Param& param, const Links& links)
{
    const Params items = links.SubList(param);
    const Handle(Array) list = new Array(1, int(items.count));
    Select member;
    for (std::uint32_t i = 0; i < items.count; ++i) {
        member.SetValue(links.Entity(items.first[i]));
        list->SetValue(int(i) + 1, member);
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

// Whether a record of a kind of style, colour, presentation or layer has what Fill reads; false
// for any other kind. A reference to a select type's member names one of the classes its
// select takes. OpenCASCADE reads a styled item's item as any entity, but shares it (in the
// graph, which the load makes from the references of decoded records) only when it is a
// representation item: an item of any other class is left to it.
bool AcceptsStyle(Kind kind, Params params, const Links& links)
{
    const Param* p = params.first;
    StepVisual_SurfaceSide side = StepVisual_ssNegative;
    switch (kind) {
    case StyledItem:
    case OverRidingStyledItem:
        return IsNamedOf(params, kind == StyledItem ? 3 : 4) &&
               IsListOfRefs(p[1], links, STANDARD_TYPE(StepVisual_PresentationStyleAssignment)) &&
               RefersToOneOf(p[2], links, STANDARD_TYPE(StepRepr_RepresentationItem)) &&
               (kind == StyledItem ||
                RefersToOneOf(p[3], links, STANDARD_TYPE(StepVisual_StyledItem)));
    case PresentationStyleAssignment:
        // Its null style, an enumeration in the list, is left to OpenCASCADE.
        return params.count == 1 && IsListOfRefs(p[0], links, STANDARD_TYPE(StepVisual_PointStyle),
                                                 STANDARD_TYPE(StepVisual_CurveStyle),
                                                 STANDARD_TYPE(StepVisual_SurfaceStyleUsage));
    case SurfaceStyleUsage:
        return params.count == 2 && SideOf(p[0], side) &&
               RefersToOneOf(p[1], links, STANDARD_TYPE(StepVisual_SurfaceSideStyle));
    case SurfaceSideStyle:
        return IsNamedOf(params, 2) &&
               IsListOfRefs(p[1], links, STANDARD_TYPE(StepVisual_SurfaceStyleFillArea),
                            STANDARD_TYPE(StepVisual_SurfaceStyleBoundary),
                            STANDARD_TYPE(StepVisual_SurfaceStyleParameterLine),
                            STANDARD_TYPE(StepVisual_SurfaceStyleRendering));
    case SurfaceStyleFillArea:
        return params.count == 1 &&
               RefersToOneOf(p[0], links, STANDARD_TYPE(StepVisual_FillAreaStyle));
    case FillAreaStyle:
        return IsNamedOf(params, 2) &&
               IsListOfRefs(p[1], links, STANDARD_TYPE(StepVisual_FillAreaStyleColour));
    case FillAreaStyleColour:
        return IsNamedOf(params, 2) && RefersToOneOf(p[1], links, STANDARD_TYPE(StepVisual_Colour));
    case ColourRgb:
        return IsNamedOf(params, 4) && IsReal(p[1]) && IsReal(p[2]) && IsReal(p[3]);
    case DraughtingPreDefinedColour:
    case DraughtingPreDefinedCurveFont:
        return IsNamedOf(params, 1);
    case MechanicalDesignGeometricPresentationRepresentation:
        return IsNamedOf(params, 3) &&
               IsListOfRefs(p[1], links, STANDARD_TYPE(StepRepr_RepresentationItem)) &&
               RefersToOneOf(p[2], links, STANDARD_TYPE(StepRepr_RepresentationContext));
    case PresentationLayerAssignment:
        return IsNamedOf(params, 3) && IsPlainName(p[1]) &&
               IsListOfRefs(p[2], links, STANDARD_TYPE(StepVisual_PresentationRepresentation),
                            STANDARD_TYPE(StepRepr_RepresentationItem));
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

// Fills an entity whose record has no name: a shape representation in its context, or a style
// that only links others; false for any other kind.
bool FillUnnamed(Kind kind, Standard_Transient* object, Params params, const Links& links)
{
    const Param* p = params.first;
    switch (kind) {
    case ContextDependentShapeRepresentation:
        static_cast<StepShape_ContextDependentShapeRepresentation*>(object)->Init(
            EntityAs<StepRepr_ShapeRepresentationRelationship>(p[0], links),
            EntityAs<StepRepr_ProductDefinitionShape>(p[1], links));
        return true;
    case PresentationStyleAssignment:
        static_cast<StepVisual_PresentationStyleAssignment*>(object)->Init(
            SelectList<StepVisual_HArray1OfPresentationStyleSelect,
                       StepVisual_PresentationStyleSelect>(p[0], links));
        return true;
    case SurfaceStyleUsage: {
        StepVisual_SurfaceSide side = StepVisual_ssNegative;
        SideOf(p[0], side);
        static_cast<StepVisual_SurfaceStyleUsage*>(object)->Init(
            side, EntityAs<StepVisual_SurfaceSideStyle>(p[1], links));
        return true;
    }
    case SurfaceStyleFillArea:
        static_cast<StepVisual_SurfaceStyleFillArea*>(object)->Init(
            EntityAs<StepVisual_FillAreaStyle>(p[0], links));
        return true;
    default:
        return false;
    }
}

// Fills a style, colour, presentation or layer from its record; false for any other kind.
bool FillStyle(Kind kind, Standard_Transient* object, const Handle(TCollection_HAsciiString)& name,
               Params params, const Links& links)
{
    const Param* p = params.first;
    switch (kind) {
    case StyledItem:
        static_cast<StepVisual_StyledItem*>(object)->Init(
            name,
            EntityList<StepVisual_HArray1OfPresentationStyleAssignment,
                       StepVisual_PresentationStyleAssignment>(p[1], links),
            links.Entity(p[2]));
        return true;
    case OverRidingStyledItem:
        static_cast<StepVisual_OverRidingStyledItem*>(object)->Init(
            name,
            EntityList<StepVisual_HArray1OfPresentationStyleAssignment,
                       StepVisual_PresentationStyleAssignment>(p[1], links),
            links.Entity(p[2]), EntityAs<StepVisual_StyledItem>(p[3], links));
        return true;
    case SurfaceSideStyle:
        static_cast<StepVisual_SurfaceSideStyle*>(object)->Init(
            name, SelectList<StepVisual_HArray1OfSurfaceStyleElementSelect,
                             StepVisual_SurfaceStyleElementSelect>(p[1], links));
        return true;
    case FillAreaStyle:
        static_cast<StepVisual_FillAreaStyle*>(object)->Init(
            name, SelectList<StepVisual_HArray1OfFillStyleSelect, StepVisual_FillStyleSelect>(
                      p[1], links));
        return true;
    case FillAreaStyleColour:
        static_cast<StepVisual_FillAreaStyleColour*>(object)->Init(
            name, EntityAs<StepVisual_Colour>(p[1], links));
        return true;
    case ColourRgb:
        static_cast<StepVisual_ColourRgb*>(object)->Init(name, Real(p[1]), Real(p[2]), Real(p[3]));
        return true;
    case DraughtingPreDefinedColour:
        static_cast<StepVisual_DraughtingPreDefinedColour*>(object)->GetPreDefinedItem()->Init(
            name);
        return true;
    case DraughtingPreDefinedCurveFont:
        static_cast<StepVisual_DraughtingPreDefinedCurveFont*>(object)->Init(name);
        return true;
    case MechanicalDesignGeometricPresentationRepresentation:
        static_cast<StepVisual_MechanicalDesignGeometricPresentationRepresentation*>(object)->Init(
            name,
            EntityList<StepRepr_HArray1OfRepresentationItem, StepRepr_RepresentationItem>(p[1],
                                                                                          links),
            EntityAs<StepRepr_RepresentationContext>(p[2], links));
        return true;
    case PresentationLayerAssignment:
        static_cast<StepVisual_PresentationLayerAssignment*>(object)->Init(
            name, Name(p[1]),
            SelectList<StepVisual_HArray1OfLayeredItem, StepVisual_LayeredItem>(p[2], links));
        return true;
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
        {"STYLED_ITEM", StyledItem},
        {"OVER_RIDING_STYLED_ITEM", OverRidingStyledItem},
        {"PRESENTATION_STYLE_ASSIGNMENT", PresentationStyleAssignment},
        {"SURFACE_STYLE_USAGE", SurfaceStyleUsage},
        {"SURFACE_SIDE_STYLE", SurfaceSideStyle},
        {"SURFACE_STYLE_FILL_AREA", SurfaceStyleFillArea},
        {"FILL_AREA_STYLE", FillAreaStyle},
        {"FILL_AREA_STYLE_COLOUR", FillAreaStyleColour},
        {"COLOUR_RGB", ColourRgb},
        {"DRAUGHTING_PRE_DEFINED_COLOUR", DraughtingPreDefinedColour},
        {"DRAUGHTING_PRE_DEFINED_CURVE_FONT", DraughtingPreDefinedCurveFont},
        {"MECHANICAL_DESIGN_GEOMETRIC_PRESENTATION_REPRESENTATION",
         MechanicalDesignGeometricPresentationRepresentation},
        {"PRESENTATION_LAYER_ASSIGNMENT", PresentationLayerAssignment},
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
           AcceptsAssembly(kind, params, links) || AcceptsStyle(kind, params, links);
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
    case StyledItem:
        return new StepVisual_StyledItem;
    case OverRidingStyledItem:
        return new StepVisual_OverRidingStyledItem;
    case PresentationStyleAssignment:
        return new StepVisual_PresentationStyleAssignment;
    case SurfaceStyleUsage:
        return new StepVisual_SurfaceStyleUsage;
    case SurfaceSideStyle:
        return new StepVisual_SurfaceSideStyle;
    case SurfaceStyleFillArea:
        return new StepVisual_SurfaceStyleFillArea;
    case FillAreaStyle:
        return new StepVisual_FillAreaStyle;
    case FillAreaStyleColour:
        return new StepVisual_FillAreaStyleColour;
    case ColourRgb:
        return new StepVisual_ColourRgb;
    case DraughtingPreDefinedColour:
        return new StepVisual_DraughtingPreDefinedColour;
    case DraughtingPreDefinedCurveFont:
        return new StepVisual_DraughtingPreDefinedCurveFont;
    case MechanicalDesignGeometricPresentationRepresentation:
        return new StepVisual_MechanicalDesignGeometricPresentationRepresentation;
    case PresentationLayerAssignment:
        return new StepVisual_PresentationLayerAssignment;
    case None:
        break;
    }
    return Handle(Standard_Transient)();
}

void Fill(Kind kind, const Handle(Standard_Transient)& entity, Params params, const Links& links)
{
    const Param* p = params.first;
    Standard_Transient* const object = entity.get();
    if (FillUnnamed(kind, object, params, links)) {
        return;
    }
    const Handle(TCollection_HAsciiString) name = Name(p[0]);
    if (kind == ValueRepresentationItem) {
        static_cast<StepRepr_ValueRepresentationItem*>(object)->Init(
            name, TypedValueOf(links.SubList(p[1])));
        return;
    }
    if (!FillGeometry(kind, object, name, params, links) &&
        !FillTopology(kind, object, name, params, links) &&
        !FillAssembly(kind, object, name, params, links)) {
        FillStyle(kind, object, name, params, links);
    }
}

} // namespace orvkit::StepRecordDecode
