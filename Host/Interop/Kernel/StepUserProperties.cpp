#include "StepUserProperties.h"

#include "Geometry/IO/AsciiText.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/StepEntityLabels.h"
#include "Interop/Kernel/StepUnitText.h"

#include <Interface_Check.hxx>
#include <Interface_EntityIterator.hxx>
#include <StepAP242_DraughtingModelItemAssociation.hxx>
#include <StepBasic_MeasureValueMember.hxx>
#include <StepBasic_MeasureWithUnit.hxx>
#include <StepBasic_Product.hxx>
#include <StepBasic_ProductDefinitionFormation.hxx>
#include <StepData_StepModel.hxx>
#include <StepRepr_DescriptiveRepresentationItem.hxx>
#include <StepRepr_IntegerRepresentationItem.hxx>
#include <StepRepr_MeasureRepresentationItem.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_PropertyDefinition.hxx>
#include <StepRepr_PropertyDefinitionRepresentation.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_ValueRepresentationItem.hxx>
#include <TDataStd_AsciiString.hxx>
#include <TDataStd_Comment.hxx>
#include <TDataStd_NamedData.hxx>
#include <XSControl_WorkSession.hxx>
#include <fmt/format.h>

#include <optional>

namespace orvkit {

namespace {

constexpr const char* kNoValue = "{} user propert{} without a value {} left out: {}";
constexpr const char* kNoUnit = "{} user propert{} whose unit cannot be read {} left out: {}";
constexpr const char* kNoCarrier =
    "{} user propert{} of nothing the document holds {} left out: {}";

// Properties that other passes read, or that describe the shape rather than the user's data.
bool ReadElsewhere(std::string name)
{
    for (char& c : name) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return name.find("validation") != std::string::npos || name == "material property" ||
           name == "material name" || name == "density";
}

// The warnings' lists of properties, by reason.
struct LeftOut {
    std::vector<std::string> noValue;
    std::vector<std::string> noUnit;
    std::vector<std::string> noCarrier;
};

// Stores one item of a property's representation under `name`; an item whose value or unit
// cannot be read is noted in `leftOut` instead.
void StoreItem(const Handle(StepRepr_RepresentationItem)& item,
               const TCollection_ExtendedString& name, const Handle(TDataStd_NamedData)& data,
               const std::string& described, LeftOut& leftOut)
{
    std::vector<std::string>& noValue = leftOut.noValue;
    if (const auto text = Handle(StepRepr_DescriptiveRepresentationItem)::DownCast(item)) {
        if (text->Description().IsNull()) {
            noValue.push_back(described);
            return;
        }
        data->SetString(name, TCollection_ExtendedString(text->Description()->ToCString(), true));
        return;
    }
    if (const auto measure = Handle(StepRepr_MeasureRepresentationItem)::DownCast(item)) {
        const Handle(StepBasic_MeasureWithUnit) value = measure->Measure();
        if (value.IsNull() || value->ValueComponentMember().IsNull() ||
            value->ValueComponentMember()->Kind() == 0) {
            noValue.push_back(described);
            return;
        }
        const std::optional<std::string> unit = StepUnitText::Of(value->UnitComponent());
        if (!unit) {
            leftOut.noUnit.push_back(described);
            return;
        }
        data->SetReal(name, value->ValueComponent());
        data->SetString(name, TCollection_ExtendedString(unit->c_str(), true));
        return;
    }
    if (const auto integer = Handle(StepRepr_IntegerRepresentationItem)::DownCast(item)) {
        data->SetReal(name, integer->Value());
        return;
    }
    const auto valued = Handle(StepRepr_ValueRepresentationItem)::DownCast(item);
    const Handle(StepBasic_MeasureValueMember) member =
        valued.IsNull() ? nullptr : valued->ValueComponentMember();
    // OpenCASCADE's measure value refuses a value type it does not list and keeps no value; its
    // kind still says real.
    const int kind = member.IsNull() || !member->HasName() ? 0 : member->Kind();
    if (kind == 2 || (kind == 3 && member->Logical() != StepData_LUnknown)) {
        data->SetInteger(name, member->Int() > 0 ? 1 : 0);
        return;
    }
    if (kind == 1 || kind == 5) {
        data->SetReal(name, kind == 1 ? double(member->Integer()) : member->Real());
        return;
    }
    noValue.push_back(described);
}

// The label of what `property` describes: a product's shape, an occurrence's component, or the
// sub-shape label of the one solid or shell a shape aspect names. Null for what holds no user
// data (a datum, a dimension) or for what the transfer made no label of; `found` says which.
TDF_Label CarrierOf(const Handle(StepRepr_PropertyDefinition)& property, StepEntityLabels& labels,
                    const Handle(XCAFDoc_ShapeTool)& shapeTool, bool& found)
{
    found = true;
    StepRepr_CharacterizedDefinition definition = property->Definition();
    if (const Handle(StepRepr_ProductDefinitionShape) shape = definition.ProductDefinitionShape()) {
        definition = shape->Definition();
    }
    if (const Handle(StepBasic_ProductDefinition) product = definition.ProductDefinition()) {
        return labels.ProductLabel(product);
    }
    if (const auto occurrence = Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(
            definition.ProductDefinitionRelationship())) {
        return labels.ComponentLabel(occurrence);
    }
    const Handle(StepRepr_ShapeAspect) aspect = definition.ShapeAspect();
    // Datums, datum features and the other aspects of tolerances carry no user data.
    if (aspect.IsNull() || aspect->DynamicType() != STANDARD_TYPE(StepRepr_ShapeAspect)) {
        found = false;
        return {};
    }
    const Handle(StepRepr_ProductDefinitionShape) ofShape = aspect->OfShape();
    const TDF_Label part = ofShape.IsNull()
                               ? TDF_Label()
                               : labels.ProductLabel(ofShape->Definition().ProductDefinition());
    const TopoDS_Shape body = part.IsNull() ? TopoDS_Shape() : labels.AspectShape(aspect, part);
    if (body.IsNull() || (body.ShapeType() != TopAbs_SOLID && body.ShapeType() != TopAbs_SHELL)) {
        return {};
    }
    TDF_Label label;
    if (shapeTool->FindSubShape(part, body, label)) {
        return label;
    }
    return shapeTool->AddSubShape(part, body);
}

// Reads the values of one property definition's representation onto its carrier's label.
void ReadProperty(const Handle(StepRepr_PropertyDefinitionRepresentation)& link,
                  const StepData_StepModel& model, const Interface_Graph& graph,
                  StepEntityLabels& labels, const Handle(XCAFDoc_ShapeTool)& shapeTool,
                  LeftOut& leftOut)
{
    const Handle(StepRepr_PropertyDefinition) property = link->Definition().PropertyDefinition();
    const Handle(StepRepr_Representation) values = link->UsedRepresentation();
    if (property.IsNull() || values.IsNull() || ReadElsewhere(AsciiText(property->Name()))) {
        return;
    }
    const std::string propertyName = AsciiText(property->Name());
    const auto describe = [&](const std::string& name, const Handle(Standard_Transient)& entity) {
        return fmt::format("'{}' (#{})", name, model.IdentLabel(entity));
    };
    // Semantic PMI links its texts and values to their presentation; those are no user's.
    for (Interface_EntityIterator users = graph.Sharings(property); users.More(); users.Next()) {
        if (users.Value()->IsKind(STANDARD_TYPE(StepAP242_DraughtingModelItemAssociation))) {
            return;
        }
    }
    bool userData = false;
    const TDF_Label label = CarrierOf(property, labels, shapeTool, userData);
    if (!userData) {
        return;
    }
    if (label.IsNull()) {
        leftOut.noCarrier.push_back(describe(propertyName, property));
        return;
    }
    if (values->Items().IsNull() || values->NbItems() == 0) {
        leftOut.noValue.push_back(describe(propertyName, property));
        return;
    }
    const Handle(TDataStd_NamedData) data = TDataStd_NamedData::Set(label);
    for (int i = 1; i <= values->NbItems(); ++i) {
        const Handle(StepRepr_RepresentationItem) item = values->ItemsValue(i);
        const std::string itemName = item.IsNull() ? std::string() : AsciiText(item->Name());
        const std::string& name = itemName.empty() ? propertyName : itemName;
        const std::string described =
            describe(name, item.IsNull() ? Handle(Standard_Transient)(property)
                                         : Handle(Standard_Transient)(item));
        // A value its reading failed on (INTEGER_REPRESENTATION_ITEM('',1.)) holds no number.
        if (!item.IsNull() && model.Check(model.Number(item), Standard_True)->HasFailed()) {
            leftOut.noValue.push_back(described);
            continue;
        }
        StoreItem(item, TCollection_ExtendedString(name.c_str(), true), data, described, leftOut);
    }
}

// The product's id and description onto its shape label. A product without a description of
// its own often repeats its id or name in its definition's; that says nothing more.
void ReadProductText(const Handle(StepBasic_ProductDefinition)& definition,
                     const StepEntityLabels& labels)
{
    const Handle(StepBasic_ProductDefinitionFormation) formation = definition->Formation();
    const Handle(StepBasic_Product) product = formation.IsNull() ? nullptr : formation->OfProduct();
    const TDF_Label label = product.IsNull() ? TDF_Label() : labels.ProductLabel(definition);
    if (label.IsNull()) {
        return;
    }
    const std::string id = AsciiText(product->Id());
    if (!id.empty()) {
        TDataStd_AsciiString::Set(label, TCollection_AsciiString(id.c_str()));
    }
    std::string description = AsciiText(product->Description());
    if (description.empty()) {
        description = AsciiText(definition->Description());
        if (description == id || description == AsciiText(product->Name())) {
            description.clear();
        }
    }
    if (!description.empty()) {
        TDataStd_Comment::Set(label, TCollection_ExtendedString(description.c_str(), true));
    }
}

std::string LeftOutWarning(const char* text, const std::vector<std::string>& items)
{
    const bool one = items.size() == 1;
    return fmt::format(text, items.size(), one ? "y" : "ies", one ? "is" : "are", ListNames(items));
}

} // namespace

std::vector<std::string> ReadStepUserProperties(const STEPCAFControl_Reader& reader,
                                                XdeDocumentImpl& impl)
{
    const Handle(XSControl_WorkSession) session = reader.Reader().WS();
    if (session.IsNull() || impl.shapeTool.IsNull()) {
        return {};
    }
    const Handle(StepData_StepModel) model = Handle(StepData_StepModel)::DownCast(session->Model());
    if (model.IsNull()) {
        return {};
    }
    StepEntityLabels labels(reader, impl, session->Graph());
    LeftOut leftOut;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient)& entity = model->Value(i);
        // Shape definitions are property definition representations too: the part's geometry.
        if (entity->DynamicType() == STANDARD_TYPE(StepRepr_PropertyDefinitionRepresentation)) {
            ReadProperty(Handle(StepRepr_PropertyDefinitionRepresentation)::DownCast(entity),
                         *model, session->Graph(), labels, impl.shapeTool, leftOut);
        } else if (const auto product = Handle(StepBasic_ProductDefinition)::DownCast(entity)) {
            ReadProductText(product, labels);
        }
    }
    std::vector<std::string> warnings;
    if (!leftOut.noValue.empty()) {
        warnings.push_back(LeftOutWarning(kNoValue, leftOut.noValue));
    }
    if (!leftOut.noUnit.empty()) {
        warnings.push_back(LeftOutWarning(kNoUnit, leftOut.noUnit));
    }
    if (!leftOut.noCarrier.empty()) {
        warnings.push_back(LeftOutWarning(kNoCarrier, leftOut.noCarrier));
    }
    return warnings;
}

} // namespace orvkit
