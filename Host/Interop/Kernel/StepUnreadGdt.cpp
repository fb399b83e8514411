#include "StepUnreadGdt.h"

#include "Common/Core/Logger.h"
#include "Geometry/IO/AsciiText.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Interop/Kernel/KernelSupport.h"

#include <Interface_EntityIterator.hxx>
#include <Interface_Graph.hxx>
#include <Interface_UndefinedContent.hxx>
#include <STEPConstruct_UnitContext.hxx>
#include <StepBasic_MeasureWithUnit.hxx>
#include <StepBasic_NamedUnit.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_UndefinedEntity.hxx>
#include <StepDimTol_Datum.hxx>
#include <StepDimTol_DatumTarget.hxx>
#include <StepDimTol_GeometricTolerance.hxx>
#include <StepRepr_ShapeAspectRelationship.hxx>
#include <StepShape_DimensionalLocation.hxx>
#include <StepShape_DimensionalSize.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDimTolObjects_GeomToleranceObject.hxx>
#include <XCAFDoc_Datum.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_GeomTolerance.hxx>
#include <XSControl_TransferReader.hxx>

#include <fmt/format.h>

#include <cmath>
#include <optional>
#include <set>

namespace orvkit {

namespace {

constexpr const char* kUnreadDimensions = "{} dimension{} of the file {} not read: {}";
constexpr const char* kUnreadTolerances = "{} geometric tolerance{} of the file {} not read: {}";
constexpr const char* kUnreadDatums = "{} datum{} of the file {} not read: {}";
constexpr const char* kUnreadTargets = "{} datum target{} of the file {} not read: {}";
constexpr const char* kUnknownKind = "of a kind not read";

// A geometric tolerance of the file: its name, entity and value in millimetres.
struct ToleranceEntity {
    std::string name;
    Handle(Standard_Transient) entity;
    std::optional<double> value;
    bool unknownKind = false;
};

// A tolerance the reader could not make an entity of: a complex one with a part it does not
// know. Its name is the first parameter of its GEOMETRIC_TOLERANCE part, quotes and all.
std::optional<std::string> UnknownToleranceName(const Handle(Standard_Transient)& entity)
{
    for (Handle(StepData_UndefinedEntity) part = Handle(StepData_UndefinedEntity)::DownCast(entity);
         !part.IsNull(); part = part->IsComplex() ? part->Next() : nullptr) {
        const Handle(Interface_UndefinedContent) content = part->UndefinedContent();
        if (std::string(part->StepType()) == "GEOMETRIC_TOLERANCE" && !content.IsNull() &&
            content->NbParams() >= 1) {
            std::string name = AsciiText(content->ParamValue(1));
            return name.size() >= 2 && name.front() == '\'' ? name.substr(1, name.size() - 2)
                                                            : name;
        }
    }
    return std::nullopt;
}

// The magnitude as the reader converts it, by the unit it names.
std::optional<double> MagnitudeOf(const StepDimTol_GeometricTolerance& tolerance)
{
    const Handle(StepBasic_MeasureWithUnit) magnitude = tolerance.Magnitude();
    if (magnitude.IsNull() || magnitude->UnitComponent().NamedUnit().IsNull()) {
        return std::nullopt;
    }
    STEPConstruct_UnitContext units;
    units.ComputeFactors(magnitude->UnitComponent().NamedUnit());
    return magnitude->ValueComponent() * units.LengthFactor();
}

std::vector<ToleranceEntity> ToleranceEntities(const Handle(StepData_StepModel)& model)
{
    std::vector<ToleranceEntity> entities;
    for (Standard_Integer i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient) entity = model->Value(i);
        if (const Handle(StepDimTol_GeometricTolerance) tolerance =
                Handle(StepDimTol_GeometricTolerance)::DownCast(entity);
            !tolerance.IsNull()) {
            entities.push_back({AsciiText(tolerance->Name()), entity, MagnitudeOf(*tolerance)});
        } else if (std::optional<std::string> name = UnknownToleranceName(entity)) {
            entities.push_back({std::move(*name), entity, std::nullopt, true});
        }
    }
    return entities;
}

// Name and value of each tolerance label, in the order the reader made them.
std::vector<std::pair<std::string, double>> ToleranceLabels(const XdeDocumentImpl& impl)
{
    std::vector<std::pair<std::string, double>> read;
    TDF_LabelSequence labels;
    impl.dimTolTool->GetGeomToleranceLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(TDataStd_Name) name;
        Handle(XCAFDoc_GeomTolerance) tolerance;
        const double value = label.FindAttribute(XCAFDoc_GeomTolerance::GetID(), tolerance) &&
                                     !tolerance->GetObject().IsNull()
                                 ? tolerance->GetObject()->GetValue()
                                 : 0.0;
        read.emplace_back(label.FindAttribute(TDataStd_Name::GetID(), name)
                              ? TCollection_AsciiString(name->Get()).ToCString()
                              : "",
                          value);
    }
    return read;
}

std::string UnreadWarning(const char* text, const std::vector<std::string>& items)
{
    const bool one = items.size() == 1;
    return fmt::format(text, items.size(), one ? "" : "s", one ? "is" : "are", ListNames(items));
}

// The reader makes labels in the order of the entities and passes over those it cannot read.
std::vector<std::string> UnreadTolerances(const Handle(StepData_StepModel)& model,
                                          const XdeDocumentImpl& impl)
{
    const std::vector<std::pair<std::string, double>> read = ToleranceLabels(impl);
    std::vector<std::string> unread;
    size_t next = 0;
    for (const ToleranceEntity& entity : ToleranceEntities(model)) {
        const bool paired = next < read.size() && !entity.unknownKind &&
                            read[next].first == entity.name &&
                            (!entity.value || std::abs(read[next].second - *entity.value) <=
                                                  1e-9 * std::max(1.0, std::abs(*entity.value)));
        if (paired) {
            ++next;
            continue;
        }
        unread.push_back(
            entity.unknownKind
                ? fmt::format("'{}' (#{}, {})", entity.name, model->IdentLabel(entity.entity),
                              kUnknownKind)
                : fmt::format("'{}' (#{})", entity.name, model->IdentLabel(entity.entity)));
    }
    return unread;
}

// The names of the dimension labels, in the order the reader made them; notes and drawn-only
// dimensions come from other entities.
std::vector<std::string> DimensionLabels(const XdeDocumentImpl& impl)
{
    std::vector<std::string> read;
    TDF_LabelSequence labels;
    impl.dimTolTool->GetDimensionLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Dimension) dimension;
        Handle(TDataStd_Name) name;
        if (!label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension) ||
            dimension->GetObject().IsNull() ||
            dimension->GetObject()->GetType() == XCAFDimTolObjects_DimensionType_CommonLabel ||
            dimension->GetObject()->GetType() ==
                XCAFDimTolObjects_DimensionType_DimensionPresentation) {
            continue;
        }
        read.emplace_back(label.FindAttribute(TDataStd_Name::GetID(), name)
                              ? TCollection_AsciiString(name->Get()).ToCString()
                              : "");
    }
    return read;
}

// A dimension's label takes the name of its entity, and labels come in the entities' order.
std::vector<std::string> UnreadDimensions(const Handle(StepData_StepModel)& model,
                                          const XdeDocumentImpl& impl)
{
    const std::vector<std::string> read = DimensionLabels(impl);
    std::vector<std::string> unread;
    size_t next = 0;
    for (Standard_Integer i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient) entity = model->Value(i);
        Handle(TCollection_HAsciiString) name;
        if (const Handle(StepShape_DimensionalSize) size =
                Handle(StepShape_DimensionalSize)::DownCast(entity);
            !size.IsNull()) {
            name = size->Name();
        } else if (const Handle(StepShape_DimensionalLocation) location =
                       Handle(StepShape_DimensionalLocation)::DownCast(entity);
                   !location.IsNull()) {
            name = location->Name();
        } else {
            continue;
        }
        if (next < read.size() && read[next] == AsciiText(name)) {
            ++next;
            continue;
        }
        unread.push_back(fmt::format("'{}' (#{})", AsciiText(name), model->IdentLabel(entity)));
    }
    return unread;
}

// The letters of the datums the document holds, a datum made of targets only included, and
// the letter and number of each of its datum targets ("K1").
void ReadDatumKeys(const XdeDocumentImpl& impl, std::set<std::string>& datums,
                   std::set<std::string>& targets)
{
    TDF_LabelSequence labels;
    impl.dimTolTool->GetDatumLabels(labels);
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Datum) datum;
        if (!label.FindAttribute(XCAFDoc_Datum::GetID(), datum) || datum->GetObject().IsNull()) {
            continue;
        }
        const Handle(XCAFDimTolObjects_DatumObject) object = datum->GetObject();
        datums.insert(AsciiText(object->GetName()));
        if (object->IsDatumTarget()) {
            targets.insert(
                fmt::format("{}{}", AsciiText(object->GetName()), object->GetDatumTargetNumber()));
        }
    }
}

// The letter of the datum a target belongs to: the related side of the relationship it
// relates, as the reader walks it.
std::string DatumLetterOf(const Handle(StepDimTol_DatumTarget)& target,
                          const Interface_Graph& graph)
{
    for (Interface_EntityIterator relations = graph.Sharings(target); relations.More();
         relations.Next()) {
        const Handle(StepRepr_ShapeAspectRelationship) relation =
            Handle(StepRepr_ShapeAspectRelationship)::DownCast(relations.Value());
        const Handle(StepDimTol_Datum) datum =
            relation.IsNull() ? nullptr
                              : Handle(StepDimTol_Datum)::DownCast(relation->RelatedShapeAspect());
        if (!datum.IsNull() && relation->RelatingShapeAspect() == target) {
            return AsciiText(datum->Identification());
        }
    }
    return std::string();
}

// Datums and datum targets of the file the document does not hold. A datum letter is named
// once, however many parts state it.
void UnreadDatumItems(const Handle(StepData_StepModel)& model, const Interface_Graph& graph,
                      const XdeDocumentImpl& impl, std::vector<std::string>& datums,
                      std::vector<std::string>& targets)
{
    std::set<std::string> readDatums;
    std::set<std::string> readTargets;
    ReadDatumKeys(impl, readDatums, readTargets);
    std::set<std::string> named;
    for (Standard_Integer i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient) entity = model->Value(i);
        if (const Handle(StepDimTol_Datum) datum = Handle(StepDimTol_Datum)::DownCast(entity);
            !datum.IsNull()) {
            const std::string letter = AsciiText(datum->Identification());
            if (readDatums.count(letter) == 0 && named.insert(letter).second) {
                datums.push_back(fmt::format("{} (#{})", letter, model->IdentLabel(entity)));
            }
        } else if (const Handle(StepDimTol_DatumTarget) target =
                       Handle(StepDimTol_DatumTarget)::DownCast(entity);
                   !target.IsNull()) {
            const std::string key = DatumLetterOf(target, graph) + AsciiText(target->TargetId());
            if (readTargets.count(key) == 0) {
                targets.push_back(fmt::format("{} (#{})", key, model->IdentLabel(entity)));
            }
        }
    }
}

std::vector<std::string> Find(const Handle(StepData_StepModel)& model, const Interface_Graph& graph,
                              const XdeDocumentImpl& impl)
{
    std::vector<std::string> datums;
    std::vector<std::string> targets;
    UnreadDatumItems(model, graph, impl, datums, targets);
    std::vector<std::string> warnings;
    if (const std::vector<std::string> dimensions = UnreadDimensions(model, impl);
        !dimensions.empty()) {
        warnings.push_back(UnreadWarning(kUnreadDimensions, dimensions));
    }
    if (const std::vector<std::string> tolerances = UnreadTolerances(model, impl);
        !tolerances.empty()) {
        warnings.push_back(UnreadWarning(kUnreadTolerances, tolerances));
    }
    if (!datums.empty()) {
        warnings.push_back(UnreadWarning(kUnreadDatums, datums));
    }
    if (!targets.empty()) {
        warnings.push_back(UnreadWarning(kUnreadTargets, targets));
    }
    return warnings;
}

} // namespace

std::vector<std::string> FindUnreadStepGdt(const Handle(XSControl_WorkSession)& session,
                                           const XdeDocumentImpl& impl)
{
    if (session.IsNull() || session->TransferReader().IsNull() ||
        session->TransferReader()->TransientProcess().IsNull() || impl.dimTolTool.IsNull()) {
        return {};
    }
    const Handle(StepData_StepModel) model = Handle(StepData_StepModel)::DownCast(session->Model());
    const Handle(Transfer_TransientProcess) process = session->TransferReader()->TransientProcess();
    if (model.IsNull() || !process->HasGraph()) {
        return {};
    }
    std::vector<std::string> warnings;
    const std::optional<CaughtFailure> caught = CaughtFailure::Guard(
        [&] { warnings = Find(model, process->Graph(), impl); }, CaughtFailure::OcctOnly);
    if (caught) {
        Logger::Instance().Message(3, "STEP reader: PMI left out not looked for: %s %s",
                                   caught->type.c_str(), caught->message.c_str());
    }
    return warnings;
}

} // namespace orvkit
