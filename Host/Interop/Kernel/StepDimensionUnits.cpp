#include "StepDimensionUnits.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/CaughtFailure.h"

#include <Interface_EntityIterator.hxx>
#include <Interface_Graph.hxx>
#include <Interface_InterfaceModel.hxx>
#include <Precision.hxx>
#include <STEPConstruct_UnitContext.hxx>
#include <StepBasic_LengthMeasureWithUnit.hxx>
#include <StepBasic_MeasureWithUnit.hxx>
#include <StepBasic_NamedUnit.hxx>
#include <StepBasic_PlaneAngleMeasureWithUnit.hxx>
#include <StepBasic_Unit.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_ReprItemAndLengthMeasureWithUnit.hxx>
#include <StepRepr_ReprItemAndMeasureWithUnit.hxx>
#include <StepRepr_ReprItemAndPlaneAngleMeasureWithUnit.hxx>
#include <StepRepr_ShapeAspect.hxx>
#include <StepShape_DimensionalCharacteristicRepresentation.hxx>
#include <StepShape_DimensionalLocation.hxx>
#include <StepShape_DimensionalSize.hxx>
#include <StepShape_PlusMinusTolerance.hxx>
#include <StepShape_ShapeDimensionRepresentation.hxx>
#include <StepShape_ToleranceMethodDefinition.hxx>
#include <StepShape_ToleranceValue.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XSControl_TransferReader.hxx>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace orvkit {

namespace {

// How the reader converted a measure. It goes by the type of the entity holding the number,
// not by the number's unit.
enum class ReaderConversion { None, Length, Angle };

// One number of a dimension: as the reader stored it and in the document's units. -1 stands
// for "not read", as in the reader, which tells the kinds of dimension apart by it.
struct Measure {
    double read = -1;
    double unified = -1;
};

// The reader's angle conversion: to degrees, unless the factor is within confusion of 1 (a
// degree unit defined in radians), which it leaves alone to keep the number as written.
double ToDegrees(const STEPConstruct_UnitContext& units, double value)
{
    const double factor = units.PlaneAngleFactor() * 180.0 / M_PI;
    return std::abs(1.0 - factor) > Precision::Confusion() ? value * factor : value;
}

// Reads one measure. `readerUnits` is the unit context the reader would have used for it
// (it reuses one across the two bounds of a tolerance); the document's value always comes
// from a context of its own, and the unit's kind decides how it converts.
bool ReadMeasure(const Handle(StepBasic_MeasureWithUnit)& measure, ReaderConversion conversion,
                 STEPConstruct_UnitContext& readerUnits, Measure& out)
{
    if (measure.IsNull()) {
        return false;
    }
    const StepBasic_Unit unit = measure->UnitComponent();
    if (unit.IsNull() || unit.CaseNum(unit.Value()) != 1) {
        return false; // derived units: the reader skips the measure
    }
    const Handle(StepBasic_NamedUnit) named = unit.NamedUnit();
    const double raw = measure->ValueComponent();
    readerUnits.ComputeFactors(named);
    switch (conversion) {
    case ReaderConversion::Length:
        out.read = raw * readerUnits.LengthFactor();
        break;
    case ReaderConversion::Angle:
        out.read = ToDegrees(readerUnits, raw);
        break;
    case ReaderConversion::None:
        out.read = raw;
        break;
    }
    STEPConstruct_UnitContext units;
    units.ComputeFactors(named);
    if (units.LengthDone()) {
        out.unified = raw * units.LengthFactor();
    } else if (units.PlaneAngleDone()) {
        out.unified = ToDegrees(units, raw);
    } else {
        out.unified = raw;
    }
    return true;
}

// Nominal values and limits of a dimensional characteristic representation. Every item
// holding a measure is read as a plain one first, so that those also carrying a qualifier
// (the value format of most exporters) are never converted, whatever their unit; the name
// tells an upper limit from a nominal value or lower limit, and the last of those two listed
// is the one the reader keeps. A range in the document starts at its lower limit, wherever
// the file lists the nominal value.
void ReadRepresentationValues(const Handle(StepShape_DimensionalCharacteristicRepresentation)& dcr,
                              Measure& first, Measure& upper)
{
    Measure lowerLimit;
    const Handle(StepShape_ShapeDimensionRepresentation) representation = dcr->Representation();
    if (representation.IsNull() || representation->Items().IsNull()) {
        return;
    }
    const Handle(StepRepr_HArray1OfRepresentationItem) items = representation->Items();
    for (Standard_Integer i = items->Lower(); i <= items->Upper(); ++i) {
        const auto item = Handle(StepRepr_ReprItemAndMeasureWithUnit)::DownCast(items->Value(i));
        if (item.IsNull()) {
            continue;
        }
        ReaderConversion conversion = ReaderConversion::None;
        if (item->IsKind(STANDARD_TYPE(StepRepr_ReprItemAndLengthMeasureWithUnit))) {
            conversion = ReaderConversion::Length;
        } else if (item->IsKind(STANDARD_TYPE(StepRepr_ReprItemAndPlaneAngleMeasureWithUnit))) {
            conversion = ReaderConversion::Angle;
        }
        STEPConstruct_UnitContext units;
        Measure measure;
        if (!ReadMeasure(item->GetMeasureWithUnit(), conversion, units, measure)) {
            continue;
        }
        const Handle(TCollection_HAsciiString) name = item->Name();
        if (!name.IsNull() && name->Search("upper") > 0) {
            upper = measure;
        } else {
            first = measure;
            if (!name.IsNull() && name->Search("lower") > 0) {
                lowerLimit = measure;
            }
        }
    }
    if (upper.read >= 0 && lowerLimit.read >= 0) {
        first.unified = lowerLimit.unified;
    }
}

// The measure of a tolerance bound; a bound of another kind leaves `previous`, as the reader
// keeps the measure it read last.
Handle(StepBasic_MeasureWithUnit) BoundMeasure(const Handle(Standard_Transient)& bound,
                                               const Handle(StepBasic_MeasureWithUnit)& previous)
{
    if (const auto measure = Handle(StepBasic_MeasureWithUnit)::DownCast(bound)) {
        return measure;
    }
    if (const auto item = Handle(StepRepr_ReprItemAndMeasureWithUnit)::DownCast(bound)) {
        return item->GetMeasureWithUnit();
    }
    return previous;
}

// Only a LENGTH_MEASURE_WITH_UNIT or PLANE_ANGLE_MEASURE_WITH_UNIT bound is converted; a bound
// written as a plain MEASURE_WITH_UNIT, or inside a representation item, keeps its number.
ReaderConversion BoundConversion(const Handle(StepBasic_MeasureWithUnit)& measure)
{
    if (measure->IsKind(STANDARD_TYPE(StepBasic_LengthMeasureWithUnit))) {
        return ReaderConversion::Length;
    }
    if (measure->IsKind(STANDARD_TYPE(StepBasic_PlaneAngleMeasureWithUnit))) {
        return ReaderConversion::Angle;
    }
    return ReaderConversion::None;
}

// The bounds of a plus/minus tolerance: the upper one as written, the lower one as its size.
void ReadToleranceBounds(const Handle(StepShape_PlusMinusTolerance)& tolerance, Measure& lower,
                         Measure& upper)
{
    const StepShape_ToleranceMethodDefinition method = tolerance->Range();
    if (method.CaseNumber() != 1) {
        return; // limits and fits: a class of tolerance, no numbers
    }
    const Handle(StepShape_ToleranceValue) value = method.ToleranceValue();
    if (value.IsNull() || value->UpperBound().IsNull()) {
        return;
    }
    STEPConstruct_UnitContext units;
    Handle(StepBasic_MeasureWithUnit) measure =
        BoundMeasure(value->UpperBound(), Handle(StepBasic_MeasureWithUnit)());
    if (measure.IsNull() || !ReadMeasure(measure, BoundConversion(measure), units, upper) ||
        value->LowerBound().IsNull()) {
        return;
    }
    measure = BoundMeasure(value->LowerBound(), measure);
    if (ReadMeasure(measure, BoundConversion(measure), units, lower)) {
        lower.read = std::abs(lower.read);
        lower.unified = std::abs(lower.unified);
    }
}

// A dimension entity of the file with the values the reader gave it and their document form.
struct DimensionEntity {
    TCollection_ExtendedString name;
    Handle(TColStd_HArray1OfReal) read;
    Handle(TColStd_HArray1OfReal) unified;
};

Handle(TColStd_HArray1OfReal) ToArray(const std::vector<double>& values)
{
    Handle(TColStd_HArray1OfReal) array =
        new TColStd_HArray1OfReal(1, static_cast<int>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) {
        array->SetValue(static_cast<int>(i) + 1, values[i]);
    }
    return array;
}

// The values as the reader lays them out: a nominal value alone; lower and upper limits of a
// range; or nominal value, lower and upper tolerance. No nominal value, no values at all.
void ReadDimensionValues(const Handle(Standard_Transient)& dimension, const Interface_Graph& graph,
                         DimensionEntity& entity)
{
    Measure first;
    Measure second;
    Measure third;
    Interface_EntityIterator it = graph.Sharings(dimension);
    for (it.Start(); it.More(); it.Next()) {
        if (const auto dcr =
                Handle(StepShape_DimensionalCharacteristicRepresentation)::DownCast(it.Value())) {
            ReadRepresentationValues(dcr, first, second);
        } else if (const auto pmt = Handle(StepShape_PlusMinusTolerance)::DownCast(it.Value())) {
            ReadToleranceBounds(pmt, second, third);
        }
    }
    if (first.read < 0) {
        return;
    }
    std::vector<Measure> measures{first};
    if (second.read >= 0) {
        measures.push_back(second);
        // The third number only comes from a plus/minus tolerance, so it is a deviation
        // already.
        if (third.read >= 0) {
            measures.push_back(third);
        }
    }
    std::vector<double> read;
    std::vector<double> unified;
    for (const Measure& measure : measures) {
        read.push_back(measure.read);
        unified.push_back(measure.unified);
    }
    entity.read = ToArray(read);
    entity.unified = ToArray(unified);
}

// The reader makes a dimension only for a size that applies to an aspect, or a location
// between two; the label takes the entity's name.
bool ReadDimensionEntity(const Handle(Standard_Transient)& item, const Interface_Graph& graph,
                         DimensionEntity& entity)
{
    Handle(TCollection_HAsciiString) name;
    const char* unnamed = nullptr;
    if (const auto size = Handle(StepShape_DimensionalSize)::DownCast(item)) {
        if (size->AppliesTo().IsNull()) {
            return false;
        }
        name = size->Name();
        unnamed = "DGT:Dimensional_Size";
    } else if (const auto location = Handle(StepShape_DimensionalLocation)::DownCast(item)) {
        if (location->RelatingShapeAspect().IsNull() || location->RelatedShapeAspect().IsNull()) {
            return false;
        }
        name = location->Name();
        unnamed = "DGT:Dimensional_Location";
    } else {
        return false;
    }
    entity.name = name.IsNull() ? TCollection_ExtendedString(unnamed)
                                : TCollection_ExtendedString(name->String());
    ReadDimensionValues(item, graph, entity);
    return true;
}

bool SameValues(const Handle(TColStd_HArray1OfReal)& a, const Handle(TColStd_HArray1OfReal)& b)
{
    if (a.IsNull() || b.IsNull()) {
        return a.IsNull() == b.IsNull();
    }
    if (a->Length() != b->Length()) {
        return false;
    }
    for (Standard_Integer i = 0; i < a->Length(); ++i) {
        const double x = a->Value(a->Lower() + i);
        const double y = b->Value(b->Lower() + i);
        if (std::abs(x - y) > 1e-12 * std::max(1.0, std::abs(x))) {
            return false;
        }
    }
    return true;
}

TCollection_ExtendedString LabelName(const TDF_Label& label)
{
    Handle(TDataStd_Name) name;
    return label.FindAttribute(TDataStd_Name::GetID(), name) ? name->Get()
                                                             : TCollection_ExtendedString();
}

StepDimensionUnitsResult Unify(const Handle(XSControl_WorkSession)& session, XdeDocumentImpl& impl)
{
    StepDimensionUnitsResult result;
    const Handle(Interface_InterfaceModel) model = session->Model();
    const Handle(XSControl_TransferReader) transferReader = session->TransferReader();
    if (model.IsNull() || transferReader.IsNull() || transferReader->TransientProcess().IsNull()) {
        return result;
    }
    TDF_LabelSequence labels;
    impl.dimTolTool->GetDimensionLabels(labels);
    if (labels.IsEmpty()) {
        return result; // spares large assemblies a walk through every entity
    }
    // The graph the reader walked, so that sharing entities come in its order.
    const Interface_Graph& graph = transferReader->TransientProcess()->Graph();
    std::vector<DimensionEntity> entities;
    for (Standard_Integer i = 1; i <= model->NbEntities(); ++i) {
        DimensionEntity entity;
        if (ReadDimensionEntity(model->Value(i), graph, entity)) {
            entities.push_back(std::move(entity));
        }
    }

    size_t next = 0;
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Dimension) dimension;
        if (!label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension)) {
            continue;
        }
        Handle(XCAFDimTolObjects_DimensionObject) object = dimension->GetObject();
        const XCAFDimTolObjects_DimensionType type = object->GetType();
        if (type == XCAFDimTolObjects_DimensionType_DimensionPresentation ||
            type == XCAFDimTolObjects_DimensionType_CommonLabel) {
            continue; // drawn only, no values
        }
        // Labels come in the order of their entities; entities whose aspects lead to no shape
        // made no label and are passed over. A label without values (the reader gives up on a
        // dimension whose path it cannot resolve before storing anything) pairs by name.
        const TCollection_ExtendedString name = LabelName(label);
        const Handle(TColStd_HArray1OfReal) stored = object->GetValues();
        size_t found = next;
        while (found < entities.size() &&
               !(entities[found].name == name &&
                 (stored.IsNull() || SameValues(entities[found].read, stored)))) {
            ++found;
        }
        if (found == entities.size()) {
            ++result.untraced;
            continue;
        }
        next = found + 1;
        ++result.traced;
        const DimensionEntity& entity = entities[found];
        if (stored.IsNull() || SameValues(entity.read, entity.unified)) {
            continue;
        }
        // A fresh array: the one the object came with is the attribute's own.
        object->SetValues(entity.unified);
        dimension->SetObject(object);
        ++result.corrected;
    }
    return result;
}

} // namespace

StepDimensionUnitsResult UnifyStepDimensionUnits(const Handle(XSControl_WorkSession)& session,
                                                 XdeDocumentImpl& impl)
{
    if (session.IsNull() || impl.dimTolTool.IsNull()) {
        return {};
    }
    StepDimensionUnitsResult result;
    const std::optional<CaughtFailure> caught =
        CaughtFailure::Guard([&] { result = Unify(session, impl); }, CaughtFailure::OcctOnly);
    if (caught) {
        Logger::Instance().Message(3, "STEP reader: dimension values left as read: %s %s",
                                   caught->type.c_str(), caught->message.c_str());
        return result;
    }
    if (result.untraced > 0) {
        Logger::Instance().Message(
            2,
            "STEP reader: %d of %d dimensions not traced to their entities keep their values "
            "as read, possibly in the file's unit",
            result.untraced, result.untraced + result.traced);
    }
    return result;
}

} // namespace orvkit
