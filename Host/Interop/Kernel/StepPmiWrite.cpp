#include "StepPmiWrite.h"

#include "Interop/Kernel/PmiDatums.h"
#include "Interop/Kernel/StepItemUsage.h"

#include <BRep_Tool.hxx>
#include <Interface_InterfaceModel.hxx>
#include <Precision.hxx>
#include <STEPConstruct_UnitContext.hxx>
#include <StepBasic_ConversionBasedUnitAndLengthUnit.hxx>
#include <StepBasic_ConversionBasedUnitAndPlaneAngleUnit.hxx>
#include <StepBasic_LengthMeasureWithUnit.hxx>
#include <StepBasic_MeasureValueMember.hxx>
#include <StepBasic_SiUnitAndLengthUnit.hxx>
#include <StepBasic_SiUnitAndPlaneAngleUnit.hxx>
#include <StepDimTol_GeoTolAndGeoTolWthDatRefAndGeoTolWthMaxTol.hxx>
#include <StepDimTol_GeoTolAndGeoTolWthMaxTol.hxx>
#include <StepDimTol_GeometricTolerance.hxx>
#include <StepDimTol_HArray1OfToleranceZoneTarget.hxx>
#include <StepDimTol_PlacedDatumTargetFeature.hxx>
#include <StepDimTol_ProjectedZoneDefinition.hxx>
#include <StepDimTol_RunoutZoneDefinition.hxx>
#include <StepDimTol_ToleranceZone.hxx>
#include <StepDimTol_ToleranceZoneForm.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx.hxx>
#include <StepRepr_AllAroundShapeAspect.hxx>
#include <StepRepr_FeatureForDatumTargetRelationship.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_ReprItemAndMeasureWithUnit.hxx>
#include <StepRepr_ShapeAspectRelationship.hxx>
#include <StepShape_AngularLocation.hxx>
#include <StepShape_AngularSize.hxx>
#include <StepShape_DimensionalCharacteristicRepresentation.hxx>
#include <StepShape_GeometricSet.hxx>
#include <StepShape_PlusMinusTolerance.hxx>
#include <StepShape_ShapeDimensionRepresentation.hxx>
#include <StepShape_ShapeRepresentation.hxx>
#include <StepShape_ShapeRepresentationWithParameters.hxx>
#include <StepShape_ToleranceValue.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopoDS.hxx>
#include <XCAFDimTolObjects_GeomToleranceObject.hxx>
#include <XCAFDoc_GeomTolerance.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace orvkit {

namespace {

// The units of the file, as the context of its shapes gives them.
struct FileUnits {
    Handle(StepBasic_NamedUnit) length;
    Handle(StepBasic_NamedUnit) angle;
    double millimetres = 1.0; // the length unit's size
    double radians = 1.0;     // the angle unit's size
};

FileUnits UnitsOf(const Handle(Interface_InterfaceModel)& model, double millimetres)
{
    FileUnits units;
    units.millimetres = millimetres;
    for (int i = 1; i <= model->NbEntities() && units.length.IsNull(); ++i) {
        const Handle(StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx) context =
            Handle(StepGeom_GeomRepContextAndGlobUnitAssCtxAndGlobUncertaintyAssCtx)::DownCast(
                model->Value(i));
        for (int j = 1; !context.IsNull() && j <= context->NbUnits(); ++j) {
            const Handle(StepBasic_NamedUnit) unit = context->UnitsValue(j);
            if (unit->IsKind(STANDARD_TYPE(StepBasic_SiUnitAndLengthUnit)) ||
                unit->IsKind(STANDARD_TYPE(StepBasic_ConversionBasedUnitAndLengthUnit))) {
                units.length = unit;
            } else if (unit->IsKind(STANDARD_TYPE(StepBasic_SiUnitAndPlaneAngleUnit)) ||
                       unit->IsKind(
                           STANDARD_TYPE(StepBasic_ConversionBasedUnitAndPlaneAngleUnit))) {
                units.angle = unit;
            }
        }
    }
    if (!units.angle.IsNull()) {
        STEPConstruct_UnitContext context;
        context.ComputeFactors(units.angle);
        units.radians = context.PlaneAngleFactor() > 0.0 ? context.PlaneAngleFactor() : 1.0;
    }
    return units;
}

// Puts the measures the writer gave as the document holds them (millimetres and degrees) into
// the file's units, naming them; each measure once, however many items share it.
class MeasureUnits {
public:
    explicit MeasureUnits(FileUnits units) : myUnits(std::move(units)) {}

    // A measure is a length or an angle by the name of its kind; the deviations of a
    // dimension's tolerance are written without one (the writer asks for a kind that does not
    // exist), and are what their dimension is.
    enum Kind { ByName, Length, Angle };

    // `entity` is a measure with unit, or a representation item that is one.
    void Convert(const Handle(Standard_Transient)& entity, Kind kind = ByName)
    {
        Handle(StepBasic_MeasureWithUnit) measure =
            Handle(StepBasic_MeasureWithUnit)::DownCast(entity);
        if (const Handle(StepRepr_ReprItemAndMeasureWithUnit) item =
                Handle(StepRepr_ReprItemAndMeasureWithUnit)::DownCast(entity);
            !item.IsNull()) {
            measure = item->GetMeasureWithUnit();
        }
        if (measure.IsNull() || measure->ValueComponentMember().IsNull() ||
            !myDone.insert(measure.get()).second) {
            return;
        }
        const Handle(StepBasic_MeasureValueMember) value = measure->ValueComponentMember();
        const char* name = value->HasName() ? value->Name() : "";
        if (kind == ByName) {
            kind = std::strstr(name, "PLANE_ANGLE") != nullptr ? Angle
                   : std::strstr(name, "LENGTH") != nullptr    ? Length
                                                               : ByName;
        }
        const Handle(StepBasic_NamedUnit)& named = kind == Angle ? myUnits.angle : myUnits.length;
        if (kind == ByName || named.IsNull()) {
            return;
        }
        const double size = kind == Angle ? myUnits.radians * 180.0 / M_PI : myUnits.millimetres;
        measure->SetValueComponent(measure->ValueComponent() / size);
        if (!value->HasName()) {
            value->SetName(kind == Angle ? "PLANE_ANGLE_MEASURE" : "LENGTH_MEASURE");
        }
        StepBasic_Unit unit;
        unit.SetValue(named);
        measure->SetUnitComponent(unit);
    }

    // The measures of one PMI entity: the values of a dimension, the deviations of its
    // tolerance, the magnitudes of a geometric tolerance, the sizes of a datum target.
    void ConvertEntity(const Handle(Standard_Transient)& entity)
    {
        if (const auto value =
                Handle(StepShape_DimensionalCharacteristicRepresentation)::DownCast(entity);
            !value.IsNull() && !value->Representation().IsNull()) {
            ConvertItems(value->Representation()->Items());
        } else if (const auto parameters =
                       Handle(StepShape_ShapeRepresentationWithParameters)::DownCast(entity);
                   !parameters.IsNull()) {
            ConvertItems(parameters->Items());
        } else if (const auto plusMinus = Handle(StepShape_PlusMinusTolerance)::DownCast(entity);
                   !plusMinus.IsNull()) {
            const Handle(Standard_Transient) dimension = plusMinus->TolerancedDimension().Value();
            const Kind kind =
                !dimension.IsNull() &&
                        (dimension->IsKind(STANDARD_TYPE(StepShape_AngularLocation)) ||
                         dimension->IsKind(STANDARD_TYPE(StepShape_AngularSize)))
                    ? Angle
                    : Length;
            if (const Handle(StepShape_ToleranceValue) range = plusMinus->Range().ToleranceValue();
                !range.IsNull()) {
                Convert(range->LowerBound(), kind);
                Convert(range->UpperBound(), kind);
            }
        } else if (const auto tolerance = Handle(StepDimTol_GeometricTolerance)::DownCast(entity);
                   !tolerance.IsNull()) {
            Convert(tolerance->Magnitude());
            if (const auto withMax = Handle(StepDimTol_GeoTolAndGeoTolWthMaxTol)::DownCast(entity);
                !withMax.IsNull()) {
                Convert(withMax->GetMaxTolerance());
            } else if (const auto datumsAndMax =
                           Handle(StepDimTol_GeoTolAndGeoTolWthDatRefAndGeoTolWthMaxTol)::DownCast(
                               entity);
                       !datumsAndMax.IsNull()) {
                Convert(datumsAndMax->GetMaxTolerance());
            }
        }
    }

    const FileUnits& Units() const { return myUnits; }

private:
    void ConvertItems(const Handle(StepRepr_HArray1OfRepresentationItem)& items)
    {
        for (int i = 1; !items.IsNull() && i <= items->Length(); ++i) {
            Convert(items->Value(i));
        }
    }

    FileUnits myUnits;
    std::set<const Standard_Transient*> myDone;
};

// The tolerance's faces gathered in an all-around shape aspect: the one that gathered several
// becomes it, a single face's is related to it.
void MarkAllAround(const Handle(Interface_InterfaceModel)& model,
                   const Handle(StepDimTol_GeometricTolerance)& tolerance)
{
    const Handle(StepRepr_ShapeAspect) aspect = tolerance->TolerancedShapeAspect().ShapeAspect();
    if (aspect.IsNull()) {
        return;
    }
    Handle(StepRepr_AllAroundShapeAspect) around = new StepRepr_AllAroundShapeAspect;
    around->Init(aspect->Name(), aspect->Description(), aspect->OfShape(),
                 aspect->ProductDefinitional());
    if (aspect->IsKind(STANDARD_TYPE(StepRepr_CompositeShapeAspect))) {
        for (int i = 1; i <= model->NbEntities(); ++i) {
            const Handle(StepRepr_ShapeAspectRelationship) relation =
                Handle(StepRepr_ShapeAspectRelationship)::DownCast(model->Value(i));
            if (!relation.IsNull() && relation->RelatingShapeAspect() == aspect) {
                relation->SetRelatingShapeAspect(around);
            }
        }
        model->ReplaceEntity(model->Number(aspect), around);
    } else {
        Handle(StepRepr_ShapeAspectRelationship) relation = new StepRepr_ShapeAspectRelationship;
        relation->Init(new TCollection_HAsciiString(), Standard_False, nullptr, around, aspect);
        model->AddWithRefs(relation);
    }
    StepDimTol_GeometricToleranceTarget target;
    target.SetValue(around);
    tolerance->SetTolerancedShapeAspect(target);
}

// A tolerance that applies all over its part names the part's shape, which a reader takes as
// the modifier.
void MarkAllOver(const Handle(StepDimTol_GeometricTolerance)& tolerance)
{
    const Handle(StepRepr_ShapeAspect) aspect = tolerance->TolerancedShapeAspect().ShapeAspect();
    if (aspect.IsNull() || aspect->OfShape().IsNull()) {
        return;
    }
    StepDimTol_GeometricToleranceTarget target;
    target.SetValue(aspect->OfShape());
    tolerance->SetTolerancedShapeAspect(target);
}

// The zone the writer wrote for the tolerance, and the definition it gave it; null ones when it
// wrote none.
std::pair<Handle(StepDimTol_ToleranceZone), Handle(StepDimTol_RunoutZoneDefinition)>
ZoneOf(const Handle(Interface_InterfaceModel)& model,
       const Handle(StepDimTol_GeometricTolerance)& tolerance)
{
    Handle(StepDimTol_ToleranceZone) zone;
    for (int i = 1; i <= model->NbEntities() && zone.IsNull(); ++i) {
        const Handle(StepDimTol_ToleranceZone) candidate =
            Handle(StepDimTol_ToleranceZone)::DownCast(model->Value(i));
        for (int j = 1; !candidate.IsNull() && j <= candidate->NbDefiningTolerances(); ++j) {
            if (candidate->DefiningToleranceValue(j).GeometricTolerance() == tolerance) {
                zone = candidate;
            }
        }
    }
    Handle(StepDimTol_RunoutZoneDefinition) definition;
    for (int i = 1; i <= model->NbEntities() && !zone.IsNull() && definition.IsNull(); ++i) {
        const Handle(StepDimTol_RunoutZoneDefinition) candidate =
            Handle(StepDimTol_RunoutZoneDefinition)::DownCast(model->Value(i));
        if (!candidate.IsNull() && candidate->Zone() == zone) {
            definition = candidate;
        }
    }
    return {zone, definition};
}

// A projected zone of the length given (in millimetres), projected from the tolerance's own
// feature. It takes the place of the runout zone the writer defines for every zone it writes.
void WriteProjectedZone(const Handle(Interface_InterfaceModel)& model,
                        const Handle(StepDimTol_GeometricTolerance)& tolerance, double length,
                        const FileUnits& units)
{
    const Handle(StepRepr_ShapeAspect) aspect = tolerance->TolerancedShapeAspect().ShapeAspect();
    if (aspect.IsNull() || units.length.IsNull()) {
        return;
    }
    auto [zone, runout] = ZoneOf(model, tolerance);
    if (zone.IsNull()) {
        Handle(StepDimTol_ToleranceZoneForm) form = new StepDimTol_ToleranceZoneForm;
        form->Init(new TCollection_HAsciiString("unknown"));
        Handle(StepDimTol_HArray1OfToleranceZoneTarget) targets =
            new StepDimTol_HArray1OfToleranceZoneTarget(1, 1);
        StepDimTol_ToleranceZoneTarget target;
        target.SetValue(tolerance);
        targets->SetValue(1, target);
        zone = new StepDimTol_ToleranceZone;
        zone->Init(new TCollection_HAsciiString(), new TCollection_HAsciiString(),
                   aspect->OfShape(), StepData_LFalse, targets, form);
        model->AddWithRefs(zone);
    }
    Handle(StepBasic_MeasureValueMember) value = new StepBasic_MeasureValueMember;
    value->SetName("LENGTH_MEASURE");
    value->SetReal(length / units.millimetres);
    StepBasic_Unit unit;
    unit.SetValue(units.length);
    Handle(StepBasic_LengthMeasureWithUnit) measure = new StepBasic_LengthMeasureWithUnit;
    measure->Init(value, unit);
    model->AddWithRefs(measure);
    Handle(StepDimTol_ProjectedZoneDefinition) projected = new StepDimTol_ProjectedZoneDefinition;
    projected->Init(zone, nullptr, aspect, measure);
    if (runout.IsNull()) {
        model->AddWithRefs(projected);
    } else {
        model->ReplaceEntity(model->Number(runout), projected);
    }
}

// The point written at `point` (in the file's units) in a set of points, with the
// representation that holds the set; null ones when there is none.
std::pair<Handle(StepGeom_CartesianPoint), Handle(StepShape_ShapeRepresentation)>
WrittenPoint(const Handle(Interface_InterfaceModel)& model, const gp_Pnt& point)
{
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(StepShape_ShapeRepresentation) representation =
            Handle(StepShape_ShapeRepresentation)::DownCast(model->Value(i));
        for (int j = 1; !representation.IsNull() && j <= representation->NbItems(); ++j) {
            const Handle(StepShape_GeometricSet) set =
                Handle(StepShape_GeometricSet)::DownCast(representation->ItemsValue(j));
            for (int k = 1; !set.IsNull() && k <= set->NbElements(); ++k) {
                const Handle(StepGeom_CartesianPoint) written =
                    Handle(StepGeom_CartesianPoint)::DownCast(set->ElementsValue(k).Point());
                if (!written.IsNull() && written->NbCoordinates() == 3 &&
                    point.Distance(
                        gp_Pnt(written->CoordinatesValue(1), written->CoordinatesValue(2),
                               written->CoordinatesValue(3))) <= Precision::Confusion()) {
                    return {written, representation};
                }
            }
        }
    }
    return {};
}

// The target's feature: a shape aspect identifying the point, tied to the target.
void LinkDatumTarget(const Handle(Interface_InterfaceModel)& model,
                     const Handle(StepDimTol_PlacedDatumTargetFeature)& target, const gp_Pnt& point)
{
    const auto [written, representation] = WrittenPoint(model, point);
    if (written.IsNull()) {
        return;
    }
    const StepItemUsage feature =
        StepItemUsage::Make(target->OfShape(), representation, written, StepData_LTrue);
    Handle(StepRepr_FeatureForDatumTargetRelationship) relation =
        new StepRepr_FeatureForDatumTargetRelationship;
    relation->Init(new TCollection_HAsciiString(), Standard_False, nullptr, feature.aspect, target);
    model->AddWithRefs(feature.usage);
    model->AddWithRefs(relation);
}

} // namespace

StepPmiWrite::StepPmiWrite(const XdeDocumentImpl& impl)
{
    if (impl.dimTolTool.IsNull()) {
        return;
    }
    TDF_LabelSequence labels;
    impl.dimTolTool->GetGeomToleranceLabels(labels);
    for (const TDF_Label& label : labels) {
        // The writer writes a tolerance that has a target and an object, in this order.
        TDF_LabelSequence targets;
        TDF_LabelSequence none;
        Handle(XCAFDoc_GeomTolerance) attribute;
        if (!impl.dimTolTool->GetRefShapeLabel(label, targets, none) ||
            !label.FindAttribute(XCAFDoc_GeomTolerance::GetID(), attribute) ||
            attribute->GetObject().IsNull()) {
            continue;
        }
        const Handle(XCAFDimTolObjects_GeomToleranceObject) object = attribute->GetObject();
        Tolerance tolerance;
        for (const XCAFDimTolObjects_GeomToleranceModif modifier : object->GetModifiers()) {
            tolerance.allAround |= modifier == XCAFDimTolObjects_GeomToleranceModif_All_Around;
            tolerance.allOver |= modifier == XCAFDimTolObjects_GeomToleranceModif_All_Over;
        }
        tolerance.projected =
            object->GetZoneModifier() == XCAFDimTolObjects_GeomToleranceZoneModif_Projected;
        tolerance.projectedLength = object->GetValueOfZoneModifier();
        myTolerances.push_back(tolerance);
    }
    NoteDatumTargets(impl);
}

void StepPmiWrite::NoteDatumTargets(const XdeDocumentImpl& impl)
{
    // The writer writes a datum or target once for its name and number, in this order.
    for (const DocumentDatum& datum : DistinctDatums(*impl.dimTolTool)) {
        if (!datum.object->IsDatumTarget() ||
            datum.object->GetDatumTargetType() == XCAFDimTolObjects_DatumTargetType_Area) {
            continue;
        }
        TDF_LabelSequence features;
        TDF_LabelSequence none;
        impl.dimTolTool->GetRefShapeLabel(datum.label, features, none);
        const TopoDS_Shape feature =
            features.IsEmpty() ? TopoDS_Shape() : XCAFDoc_ShapeTool::GetShape(features.First());
        myTargetPoints.push_back(
            !feature.IsNull() && feature.ShapeType() == TopAbs_VERTEX
                ? std::optional<gp_Pnt>(BRep_Tool::Pnt(TopoDS::Vertex(feature)))
                : std::nullopt);
    }
}

void StepPmiWrite::Complete(const Handle(XSControl_WorkSession)& session, double millimetres) const
{
    const Handle(Interface_InterfaceModel) model = session->Model();
    MeasureUnits measures(UnitsOf(model, millimetres));
    std::vector<Handle(StepDimTol_GeometricTolerance)> tolerances;
    std::vector<Handle(StepDimTol_PlacedDatumTargetFeature)> targets;
    std::set<const Standard_Transient*> linked;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient) entity = model->Value(i);
        measures.ConvertEntity(entity);
        if (entity->IsKind(STANDARD_TYPE(StepDimTol_GeometricTolerance))) {
            tolerances.push_back(Handle(StepDimTol_GeometricTolerance)::DownCast(entity));
        } else if (entity->IsKind(STANDARD_TYPE(StepDimTol_PlacedDatumTargetFeature))) {
            targets.push_back(Handle(StepDimTol_PlacedDatumTargetFeature)::DownCast(entity));
        } else if (const auto relation =
                       Handle(StepRepr_FeatureForDatumTargetRelationship)::DownCast(entity);
                   !relation.IsNull()) {
            linked.insert(relation->RelatedShapeAspect().get());
        }
    }
    // Matched by order, as the tolerances are.
    for (size_t i = 0; i < targets.size() && targets.size() == myTargetPoints.size(); ++i) {
        if (myTargetPoints[i] && linked.count(targets[i].get()) == 0) {
            LinkDatumTarget(model, targets[i], myTargetPoints[i]->XYZ() / millimetres);
        }
    }
    // The tolerances are matched with the document's by order; a writer that skipped one
    // unannounced would mismatch them all, and none is touched then.
    if (tolerances.size() != myTolerances.size()) {
        return;
    }
    for (size_t i = 0; i < tolerances.size(); ++i) {
        const Tolerance& wanted = myTolerances[i];
        if (wanted.projected) {
            WriteProjectedZone(model, tolerances[i], wanted.projectedLength, measures.Units());
        }
        if (wanted.allAround) {
            MarkAllAround(model, tolerances[i]);
        } else if (wanted.allOver) {
            MarkAllOver(tolerances[i]);
        }
    }
}

} // namespace orvkit
