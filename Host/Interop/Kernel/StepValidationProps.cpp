#include "StepValidationProps.h"

#include "Geometry/IO/AsciiText.h"
#include "Interop/Kernel/StepEntityLabels.h"

#include <STEPConstruct_ValidationProps.hxx>
#include <StepBasic_DerivedUnit.hxx>
#include <StepBasic_DerivedUnitElement.hxx>
#include <StepBasic_MeasureWithUnit.hxx>
#include <StepBasic_ProductDefinition.hxx>
#include <StepRepr_MeasureRepresentationItem.hxx>
#include <StepRepr_NextAssemblyUsageOccurrence.hxx>
#include <StepRepr_ProductDefinitionShape.hxx>
#include <StepRepr_PropertyDefinitionRepresentation.hxx>
#include <StepRepr_Representation.hxx>
#include <StepRepr_ShapeAspect.hxx>
#include <TColStd_SequenceOfTransient.hxx>
#include <XSControl_WorkSession.hxx>

#include <algorithm>
#include <map>
#include <vector>

namespace orvkit {

namespace {

// The carrier of one property definition, found in the document; carrier Product with a null
// label for a definition of no kind that a geometric validation property is attached to.
XdeDeclaredValidation FindCarrier(const Handle(StepRepr_PropertyDefinition)& property,
                                  StepEntityLabels& finder, const Interface_InterfaceModel& model)
{
    XdeDeclaredValidation declared;
    const StepRepr_CharacterizedDefinition definition = property->Definition();
    if (const Handle(StepRepr_ShapeAspect) aspect = definition.ShapeAspect()) {
        declared.carrier = XdeValidationCarrier::ShapeAspect;
        declared.name = AsciiText(aspect->Name());
        if (declared.name.empty() && aspect->Description()) {
            declared.name = AsciiText(aspect->Description());
        }
        if (declared.name.empty()) {
            declared.name = AsciiText(model.StringLabel(aspect));
        }
        const Handle(StepRepr_ProductDefinitionShape) ofShape = aspect->OfShape();
        const Handle(StepBasic_ProductDefinition) part =
            ofShape.IsNull() ? nullptr : ofShape->Definition().ProductDefinition();
        if (!part.IsNull()) {
            declared.label = finder.ProductLabel(part);
        }
        if (!declared.label.IsNull()) {
            declared.subShape = finder.AspectShape(aspect, declared.label);
        }
        return declared;
    }
    const Handle(StepRepr_ProductDefinitionShape) shape = definition.ProductDefinitionShape();
    if (shape.IsNull()) {
        declared.name = AsciiText(model.StringLabel(property));
        return declared;
    }
    const StepRepr_CharacterizedDefinition shaped = shape->Definition();
    if (const Handle(StepBasic_ProductDefinition) product = shaped.ProductDefinition()) {
        declared.label = finder.ProductLabel(product);
    } else if (const auto occurrence = Handle(StepRepr_NextAssemblyUsageOccurrence)::DownCast(
                   shaped.ProductDefinitionRelationship())) {
        declared.carrier = XdeValidationCarrier::Occurrence;
        declared.label = finder.ComponentLabel(occurrence);
    }
    if (declared.label.IsNull()) {
        declared.name = AsciiText(model.StringLabel(shape));
    }
    return declared;
}

// The product placed in an assembly that a property of the assembly states its values for, by
// the context they are stated in; null for a property of anything else, or of the assembly
// itself.
Handle(StepBasic_ProductDefinition)
PartStatedFor(const Handle(StepRepr_PropertyDefinition)& property,
              const Handle(StepRepr_Representation)& values, StepEntityLabels& finder)
{
    const Handle(StepRepr_ProductDefinitionShape) shape =
        property->Definition().ProductDefinitionShape();
    const Handle(StepBasic_ProductDefinition) product =
        shape.IsNull() ? nullptr : shape->Definition().ProductDefinition();
    return product.IsNull() ? nullptr : finder.ProductStatedIn(product, values->ContextOfItems());
}

// How well an item's name fits the value the document compares: lower is better, kNotUsed
// for an item that states something else. One carrier may state several areas and points;
// OCCT's reader keeps whichever comes last, a bounding box corner as readily as a centroid.
constexpr int kNotUsed = 100;

int RankOf(const Handle(StepRepr_RepresentationItem)& item, bool point)
{
    TCollection_AsciiString name = item->Name().IsNull() ? "" : item->Name()->String();
    name.LowerCase();
    if (point) {
        // The centroid of the volume, then that of the surfaces of a part without solids; the
        // centres of curves and points and the box corners describe other geometry.
        if (name.Search("curve") > 0 || name.Search("points") > 0 ||
            name.Search("bounding box") > 0) {
            return kNotUsed;
        }
        return name.Search("surface") > 0 ? 1 : 0;
    }
    // The area of all faces (a solid's is its wetted area) before that of the surfaces
    // outside solids, which is all a part without solids has.
    return name.Search("independent") > 0 ? 1 : 0;
}

// The values one carrier states, each from its best-named item.
struct DecodedValues {
    XdeValidationProps values;
    int areaRank = kNotUsed;
    int centroidRank = kNotUsed;
};

// Whether OpenCASCADE's decoding can read the item: it follows every reference without looking,
// and a damaged file's missing item, measure, value or unit element would crash it.
bool Decodable(const Handle(StepRepr_RepresentationItem)& item)
{
    if (item.IsNull()) {
        return false;
    }
    const auto measure = Handle(StepRepr_MeasureRepresentationItem)::DownCast(item);
    if (measure.IsNull()) {
        return true; // a point, which the decoding checks itself
    }
    const Handle(StepBasic_MeasureWithUnit) value = measure->Measure();
    if (value.IsNull() || value->ValueComponentMember().IsNull()) {
        return false;
    }
    const Handle(StepBasic_DerivedUnit) derived = value->UnitComponent().DerivedUnit();
    if (derived.IsNull()) {
        return true;
    }
    if (derived->Elements().IsNull()) {
        return false;
    }
    for (int i = 1; i <= derived->NbElements(); ++i) {
        if (derived->ElementsValue(i).IsNull()) {
            return false;
        }
    }
    return true;
}

// Adds the volume, area and centroid that the representation states to `decoded`.
void DecodeValues(const STEPConstruct_ValidationProps& tool,
                  const Handle(StepRepr_Representation)& representation, DecodedValues& decoded)
{
    XdeValidationProps& values = decoded.values;
    for (int i = 1; i <= representation->NbItems(); ++i) {
        const Handle(StepRepr_RepresentationItem) item = representation->ItemsValue(i);
        if (!Decodable(item)) {
            continue;
        }
        double value = 0.0;
        Standard_Boolean isArea = Standard_False;
        gp_Pnt point;
        if (tool.GetPropReal(item, value, isArea)) {
            const int rank = isArea ? RankOf(item, false) : 0;
            if (!isArea) {
                values.volume = value;
                values.hasVolume = true;
            } else if (rank < decoded.areaRank) {
                values.area = value;
                values.hasArea = true;
                decoded.areaRank = rank;
            }
        } else if (tool.GetPropPnt(item, representation->ContextOfItems(), point)) {
            const int rank = RankOf(item, true);
            if (rank < decoded.centroidRank) {
                values.centroid = point;
                values.hasCentroid = true;
                decoded.centroidRank = rank;
            }
        }
    }
}

} // namespace

int ReadStepValidationProps(const STEPCAFControl_Reader& reader, XdeDocumentImpl& impl)
{
    impl.declaredValidation.clear();
    const Handle(XSControl_WorkSession) session = reader.Reader().WS();
    if (session.IsNull() || session->Model().IsNull() || impl.shapeTool.IsNull()) {
        return 0;
    }
    const STEPConstruct_ValidationProps tool(session);
    TColStd_SequenceOfTransient properties;
    if (!tool.LoadProps(properties)) {
        return 0;
    }
    StepEntityLabels finder(reader, impl, tool.Graph());
    // Writers state volume, area and centroid as three properties of one carrier; they are
    // gathered in one set per carrier entity (per product, for what an assembly states for one
    // placed in it), in the order the file first names each carrier.
    std::map<const Standard_Transient*, size_t> setOfCarrier;
    std::vector<DecodedValues> decoded;
    for (const Handle(Standard_Transient)& entity : properties) {
        const auto representation =
            Handle(StepRepr_PropertyDefinitionRepresentation)::DownCast(entity);
        const Handle(StepRepr_PropertyDefinition) property =
            representation.IsNull() ? nullptr : representation->Definition().PropertyDefinition();
        if (property.IsNull() || representation->UsedRepresentation().IsNull()) {
            continue;
        }
        const Handle(StepRepr_Representation) values = representation->UsedRepresentation();
        const Handle(StepBasic_ProductDefinition) part = PartStatedFor(property, values, finder);
        const Handle(Standard_Transient) carrier =
            part.IsNull() ? property->Definition().Value() : part;
        auto [found, added] = setOfCarrier.emplace(carrier.get(), impl.declaredValidation.size());
        if (added && part.IsNull()) {
            impl.declaredValidation.push_back(FindCarrier(property, finder, *session->Model()));
        } else if (added) {
            impl.declaredValidation.emplace_back().label = finder.ProductLabel(part);
        }
        decoded.resize(impl.declaredValidation.size());
        DecodeValues(tool, values, decoded[found->second]);
    }
    for (size_t i = 0; i < decoded.size(); ++i) {
        impl.declaredValidation[i].values = decoded[i].values;
    }
    // A carrier that states none of the three (a curve's length and centre, say) is left out.
    auto& list = impl.declaredValidation;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const XdeDeclaredValidation& declared) {
                                  const XdeValidationProps& v = declared.values;
                                  return !v.hasVolume && !v.hasArea && !v.hasCentroid;
                              }),
               list.end());
    return static_cast<int>(list.size());
}

} // namespace orvkit
