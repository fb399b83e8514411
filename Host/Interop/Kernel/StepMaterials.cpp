#include "StepMaterials.h"

#include "Geometry/IO/AsciiText.h"
#include "Geometry/IO/LabelProperties.h"
#include "Interop/Kernel/StepEntityLabels.h"
#include "Interop/Kernel/StepWrittenEntities.h"

#include <Interface_EntityIterator.hxx>
#include <Interface_Graph.hxx>
#include <StepBasic_ConversionBasedUnit.hxx>
#include <StepBasic_DerivedUnit.hxx>
#include <StepBasic_DerivedUnitElement.hxx>
#include <StepBasic_HArray1OfDerivedUnitElement.hxx>
#include <StepBasic_MeasureValueMember.hxx>
#include <StepBasic_MeasureWithUnit.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepBasic_SiUnitAndLengthUnit.hxx>
#include <StepBasic_SiUnitAndMassUnit.hxx>
#include <StepRepr_DescriptiveRepresentationItem.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_MeasureRepresentationItem.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_PropertyDefinition.hxx>
#include <StepRepr_PropertyDefinitionRepresentation.hxx>
#include <StepRepr_Representation.hxx>
#include <TDF_LabelSequence.hxx>
#include <Transfer_FinderProcess.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_MaterialTool.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_TransferWriter.hxx>
#include <fmt/format.h>

#include <cmath>
#include <map>
#include <optional>
#include <tuple>

namespace orvkit {

namespace {

const char* const kMaterialProperty = "material property";
// How densities are kept in the document's materials, and written.
const char* const kDensityName = "density";
const char* const kDensityType = "POSITIVE_RATIO_MEASURE";

bool IsMaterialProperty(const Handle(StepRepr_PropertyDefinition)& property)
{
    return !property->Name().IsNull() &&
           TCollection_AsciiString::IsSameString(property->Name()->String(), kMaterialProperty,
                                                 Standard_False);
}

// The product definition a property describes, directly or through its shape.
Handle(StepBasic_ProductDefinition) DescribedProduct(const Handle(StepRepr_PropertyDefinition)& p)
{
    if (Handle(StepBasic_ProductDefinition) product = p->Definition().ProductDefinition()) {
        return product;
    }
    const Handle(StepRepr_ProductDefinitionShape) shape = p->Definition().ProductDefinitionShape();
    return shape.IsNull() ? nullptr : shape->Definition().ProductDefinition();
}

double PrefixFactor(StepBasic_SiPrefix prefix)
{
    static const double kPowers[] = {18, 15, 12, 9, 6, 3, 2, 1, -1, -2, -3, -6, -9, -12, -15, -18};
    return std::pow(10.0, kPowers[prefix]);
}

enum class Quantity { Mass, Length, Other };

// How many kilograms or metres one `unit` is; 0 for a unit of neither, or one it cannot tell.
double SiFactor(const Handle(StepBasic_NamedUnit)& unit, Quantity& quantity, int depth = 0)
{
    quantity = Quantity::Other;
    if (const Handle(StepBasic_SiUnit) si = Handle(StepBasic_SiUnit)::DownCast(unit)) {
        const double prefix = si->HasPrefix() ? PrefixFactor(si->Prefix()) : 1.0;
        if (si->Name() == StepBasic_sunGram) {
            quantity = Quantity::Mass;
            return prefix * 1e-3;
        }
        if (si->Name() == StepBasic_sunMetre) {
            quantity = Quantity::Length;
            return prefix;
        }
        return 0.0;
    }
    const Handle(StepBasic_ConversionBasedUnit) converted =
        Handle(StepBasic_ConversionBasedUnit)::DownCast(unit);
    if (converted.IsNull() || converted->ConversionFactor().IsNull() || depth > 4) {
        return 0.0;
    }
    const Handle(StepBasic_MeasureWithUnit) factor = converted->ConversionFactor();
    return factor->ValueComponent() *
           SiFactor(factor->UnitComponent().NamedUnit(), quantity, depth + 1);
}

// How many kg/m³ one `unit` of density is; none for a unit that is not a mass over a volume.
// OCCT 7.6's writer states g/cm³ with the exponents 3 and 2: read as what it meant.
std::optional<double> DensityFactor(const StepBasic_Unit& unit)
{
    const Handle(StepBasic_DerivedUnit) derived = unit.DerivedUnit();
    if (derived.IsNull() || derived->Elements().IsNull()) {
        return std::nullopt;
    }
    double mass = 0.0, length = 0.0;
    double massPower = 0.0, lengthPower = 0.0;
    for (const Handle(StepBasic_DerivedUnitElement)& element : derived->Elements()->Array1()) {
        Quantity quantity = Quantity::Other;
        const double factor = element.IsNull() ? 0.0 : SiFactor(element->Unit(), quantity);
        if (factor <= 0.0 || quantity == Quantity::Other) {
            return std::nullopt;
        }
        (quantity == Quantity::Mass ? mass : length) = factor;
        (quantity == Quantity::Mass ? massPower : lengthPower) += element->Exponent();
    }
    const bool density = massPower == 1.0 && lengthPower == -3.0;
    const bool occtQuirk = massPower == 3.0 && lengthPower == 2.0;
    if (mass <= 0.0 || length <= 0.0 || !(density || occtQuirk)) {
        return std::nullopt;
    }
    return mass / (length * length * length);
}

struct FoundMaterial {
    std::string name;
    std::string description;
    std::optional<double> density; // kg/m³
    bool densityUnread = false;
};

void ReadItems(const Handle(StepRepr_Representation)& representation, FoundMaterial& found)
{
    if (representation.IsNull() || representation->Items().IsNull()) {
        return;
    }
    for (const Handle(StepRepr_RepresentationItem)& item : representation->Items()->Array1()) {
        if (const auto text = Handle(StepRepr_DescriptiveRepresentationItem)::DownCast(item)) {
            // Some writers leave the name empty and put it in the description.
            found.name = AsciiText(text->Name()).empty() ? AsciiText(text->Description())
                                                         : AsciiText(text->Name());
            found.description = AsciiText(text->Description());
        } else if (const auto measure = Handle(StepRepr_MeasureRepresentationItem)::DownCast(item);
                   !measure.IsNull() && !measure->Measure().IsNull()) {
            const std::optional<double> factor = DensityFactor(measure->Measure()->UnitComponent());
            found.densityUnread = !factor;
            if (factor) {
                found.density = measure->Measure()->ValueComponent() * *factor;
            }
        }
    }
}

// The material properties of the model, by the product they describe.
std::map<Handle(StepBasic_ProductDefinition), FoundMaterial>
FindMaterials(const Handle(Transfer_TransientProcess)& process)
{
    std::map<Handle(StepBasic_ProductDefinition), FoundMaterial> found;
    const Handle(Interface_InterfaceModel) model = process->Model();
    const Interface_Graph& graph = process->Graph();
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const auto property = Handle(StepRepr_PropertyDefinition)::DownCast(model->Value(i));
        if (property.IsNull() || !IsMaterialProperty(property)) {
            continue;
        }
        const Handle(StepBasic_ProductDefinition) product = DescribedProduct(property);
        if (product.IsNull()) {
            continue;
        }
        FoundMaterial& material = found[product];
        for (Interface_EntityIterator it = graph.TypedSharings(
                 property, STANDARD_TYPE(StepRepr_PropertyDefinitionRepresentation));
             it.More(); it.Next()) {
            ReadItems(Handle(StepRepr_PropertyDefinitionRepresentation)::DownCast(it.Value())
                          ->UsedRepresentation(),
                      material);
        }
    }
    return found;
}

} // namespace

std::vector<std::string> StepMaterials::Read(const STEPCAFControl_Reader& reader,
                                             XdeDocumentImpl& impl)
{
    const Handle(Transfer_TransientProcess) process =
        reader.Reader().WS()->TransferReader()->TransientProcess();
    std::vector<std::string> unread;
    if (process.IsNull() || process->Model().IsNull()) {
        return unread;
    }
    const Handle(XCAFDoc_MaterialTool) tool = XCAFDoc_DocumentTool::MaterialTool(impl.GetMain());
    const StepEntityLabels labels(reader, impl, process->Graph());
    for (const auto& [product, material] : FindMaterials(process)) {
        const TDF_Label label = labels.ProductLabel(product);
        if (label.IsNull() || material.name.empty()) {
            continue;
        }
        if (material.densityUnread) {
            unread.push_back(fmt::format("the density of material '{}' is left out: its unit is "
                                         "not a mass over a volume",
                                         material.name));
        }
        // XCAFDoc_Material keeps a density of 0 as none.
        tool->SetMaterial(label, new TCollection_HAsciiString(material.name.c_str()),
                          new TCollection_HAsciiString(material.description.c_str()),
                          material.density.value_or(0.0),
                          new TCollection_HAsciiString(kDensityName),
                          new TCollection_HAsciiString(kDensityType));
    }
    return unread;
}

namespace {

Handle(StepRepr_Representation) OneItem(const char* name,
                                        const Handle(StepRepr_RepresentationItem)& item,
                                        const Handle(StepRepr_RepresentationContext)& context)
{
    auto items = new StepRepr_HArray1OfRepresentationItem(1, 1);
    items->SetValue(1, item);
    Handle(StepRepr_Representation) representation = new StepRepr_Representation;
    representation->Init(new TCollection_HAsciiString(name), items, context);
    return representation;
}

// kg·m⁻³, as the CAx-IF practice states densities.
StepBasic_Unit KilogramPerCubicMetre()
{
    Handle(StepBasic_SiUnitAndMassUnit) kilogram = new StepBasic_SiUnitAndMassUnit;
    kilogram->Init(Standard_True, StepBasic_spKilo, StepBasic_sunGram);
    Handle(StepBasic_SiUnitAndLengthUnit) metre = new StepBasic_SiUnitAndLengthUnit;
    metre->Init(Standard_False, StepBasic_spKilo, StepBasic_sunMetre);
    auto elements = new StepBasic_HArray1OfDerivedUnitElement(1, 2);
    elements->SetValue(1, new StepBasic_DerivedUnitElement);
    elements->Value(1)->Init(kilogram, 1.0);
    elements->SetValue(2, new StepBasic_DerivedUnitElement);
    elements->Value(2)->Init(metre, -3.0);
    Handle(StepBasic_DerivedUnit) derived = new StepBasic_DerivedUnit;
    derived->Init(elements);
    StepBasic_Unit unit;
    unit.SetValue(derived);
    return unit;
}

// The name and the density representations of one material, made once for all its parts.
struct WrittenMaterial {
    Handle(StepRepr_Representation) name;
    Handle(StepRepr_Representation) density;
};

WrittenMaterial MakeMaterial(const LabelMaterial& material,
                             const Handle(StepRepr_RepresentationContext)& context)
{
    Handle(StepRepr_DescriptiveRepresentationItem) text =
        new StepRepr_DescriptiveRepresentationItem;
    text->Init(new TCollection_HAsciiString(material.name.c_str()),
               new TCollection_HAsciiString(material.description.c_str()));
    WrittenMaterial written{OneItem("material name", text, context), nullptr};
    if (material.density > 0.0) {
        Handle(StepBasic_MeasureValueMember) value = new StepBasic_MeasureValueMember;
        value->SetName(kDensityType);
        value->SetReal(material.density);
        Handle(StepRepr_MeasureRepresentationItem) measure = new StepRepr_MeasureRepresentationItem;
        measure->Init(new TCollection_HAsciiString("density measure"), value,
                      KilogramPerCubicMetre());
        written.density = OneItem(kDensityName, measure, context);
    }
    return written;
}

void Describe(const Handle(Interface_InterfaceModel)& model,
              const Handle(StepBasic_ProductDefinition)& product, const char* what,
              const Handle(StepRepr_Representation)& representation)
{
    StepRepr_CharacterizedDefinition described;
    described.SetValue(product);
    Handle(StepRepr_PropertyDefinition) property = new StepRepr_PropertyDefinition;
    property->Init(new TCollection_HAsciiString(kMaterialProperty), Standard_True,
                   new TCollection_HAsciiString(what), described);
    StepRepr_RepresentedDefinition definition;
    definition.SetValue(property);
    Handle(StepRepr_PropertyDefinitionRepresentation) link =
        new StepRepr_PropertyDefinitionRepresentation;
    link->Init(definition, representation);
    model->AddWithRefs(link);
}

} // namespace

int StepMaterials::Write(const Handle(XSControl_WorkSession)& session, const XdeDocumentImpl& impl)
{
    const Handle(Transfer_FinderProcess) process = session->TransferWriter()->FinderProcess();
    const Handle(Interface_InterfaceModel) model = session->Model();
    std::map<std::tuple<std::string, std::string, double>, WrittenMaterial> written;
    TDF_LabelSequence shapes;
    impl.shapeTool->GetShapes(shapes);
    int count = 0;
    for (const TDF_Label& label : shapes) {
        const std::optional<LabelMaterial> material = ReadLabelMaterial(label);
        if (!material) {
            continue;
        }
        const Handle(StepShape_ShapeDefinitionRepresentation) definition =
            StepWrittenEntities::ShapeDefinitionOf(process, XCAFDoc_ShapeTool::GetShape(label));
        const Handle(StepBasic_ProductDefinition) product =
            StepWrittenEntities::ProductDefinitionOf(definition);
        if (product.IsNull() || definition->UsedRepresentation().IsNull()) {
            continue;
        }
        auto [found, added] = written.try_emplace(
            std::make_tuple(material->name, material->description, material->density));
        if (added) {
            found->second =
                MakeMaterial(*material, definition->UsedRepresentation()->ContextOfItems());
        }
        Describe(model, product, "material name", found->second.name);
        if (!found->second.density.IsNull()) {
            Describe(model, product, kDensityName, found->second.density);
        }
        ++count;
    }
    return count;
}

} // namespace orvkit
