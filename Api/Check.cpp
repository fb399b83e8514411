#include "orvex/Check.h"

#include "ModelData.h"

#include "Geometry/IO/LabelName.h"
#include "Geometry/Kernel/BoxDiagonal.h"
#include "Geometry/Kernel/ValueText.h"
#include "Interop/Kernel/XdeDeclaredValidation.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeModelReader.h"
#include "Interop/Kernel/XdeValidationProps.h"

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <NCollection_DataMap.hxx>
#include <TDF_LabelMap.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TDF_LabelSequence.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <utility>
#include <vector>

namespace orvex {

namespace {

// How far the computed values may lie from the declared ones. No published figure for the
// CAx-IF's geometric validation properties could be confirmed, so these are our own choice: a
// volume or an area within 1 % of the larger of the two values, a centroid within 1 % of the
// diagonal of the part's bounding box. A faithful transfer lands orders of magnitude closer; a
// lost face, a flipped shell or a part in another unit lands far outside.
constexpr double kVolumeRelativeTolerance = kCheckVolumeTolerance;
constexpr double kAreaRelativeTolerance = kCheckAreaTolerance;
constexpr double kCentroidDiagonalFraction = kCheckCentroidTolerance;

const char* const kVerdictOk = "ok";
const char* const kVerdictDiffers = "differs";
const char* const kVerdictNotDeclared = "not declared";
const char* const kVerdictNotCompared = "not compared";
const char* const kAspectNotFound = "not compared: its geometry is not among the part's sub-shapes "
                                    "(declared {})";
const char* const kCarrierNotFound = "not compared: not found in the document (declared {})";
const char* const kSummaryAgree = "every declared value agrees with the geometry";
const char* const kSummaryNotCompared = "{}; {} not compared";
const char* const kSummaryDifferOne = "1 declared value differs from the geometry";
const char* const kSummaryDiffer = "{} declared values differ from the geometry";
const char* const kSummaryNoneDeclared = "the file declares no validation properties";

// One property of one part: what the file declared, what the geometry gives and the verdict.
struct Measure {
    bool declared = false;
    bool computed = false;
    gp_XYZ declaredValue; // a volume or an area in X only
    gp_XYZ computedValue;
    double deviation = 0.0; // relative, or a fraction of the part's diagonal for a centroid
    const char* verdict = kVerdictNotDeclared;
};

// What carries a set of values, each stated in its own frame.
enum class Carrier { Part, Assembly, Component, ShapeAspect };

struct ProductReport {
    std::string path;
    Carrier carrier = Carrier::Part;
    // Declared values whose carrier's geometry was not found, with why; none compared.
    const char* notFound = nullptr;
    Measure volume;
    Measure area;
    Measure centroid;

    bool HasDeclared() const { return volume.declared || area.declared || centroid.declared; }
};

const char* KindOf(Carrier carrier)
{
    switch (carrier) {
    case Carrier::Assembly:
        return "assembly";
    case Carrier::Component:
        return "component";
    case Carrier::ShapeAspect:
        return "shape aspect";
    case Carrier::Part:
        break;
    }
    return "part";
}

// The label's name, or "(unnamed)".
std::string NameOf(const TDF_Label& label)
{
    return detail::Segment(orvkit::LabelName(label));
}

// Sets the verdict of a measure whose deviation is known, against `limit`.
void Judge(Measure& measure, double limit)
{
    if (!measure.declared) {
        measure.verdict = kVerdictNotDeclared;
        return;
    }
    // A declared value that the geometry cannot give (a volume of a part without solids) is a
    // difference as much as a wrong value.
    measure.verdict = measure.computed && measure.deviation <= limit ? kVerdictOk : kVerdictDiffers;
}

Measure CompareScalar(bool declared, double declaredValue, bool computed, double computedValue,
                      double limit)
{
    Measure measure;
    measure.declared = declared;
    measure.computed = computed;
    measure.declaredValue.SetX(declaredValue);
    measure.computedValue.SetX(computedValue);
    const double larger = std::max(std::abs(declaredValue), std::abs(computedValue));
    measure.deviation = larger > 0.0 ? std::abs(declaredValue - computedValue) / larger : 0.0;
    Judge(measure, limit);
    return measure;
}

Measure CompareCentroid(const orvkit::XdeValidationProps& declared,
                        const orvkit::XdeValidationProps& computed, double diagonal)
{
    Measure measure;
    measure.declared = declared.hasCentroid;
    measure.computed = computed.hasCentroid;
    measure.declaredValue = declared.centroid.XYZ();
    measure.computedValue = computed.centroid.XYZ();
    const double distance = declared.centroid.Distance(computed.centroid);
    measure.deviation = diagonal > 0.0 ? distance / diagonal : (distance > 0.0 ? 1.0 : 0.0);
    Judge(measure, kCentroidDiagonalFraction);
    return measure;
}

// The mass properties of a product, kept so that an assembly's follow from its components'
// without measuring their geometry again: volumes and areas add up, centroids are weighted by
// volume (or, for a product without solids, by area) and moved with their instance.
struct Mass {
    double volume = 0.0;
    double area = 0.0;
    bool hasArea = false;
    gp_XYZ volumeMoment;        // sum of volume times centroid
    double surfaceWeight = 0.0; // area of the members without volume
    gp_XYZ surfaceMoment;
    Bnd_Box box;

    static Mass OfPart(const TopoDS_Shape& shape)
    {
        const orvkit::XdeValidationProps props = orvkit::XdeValidationProps::Compute(shape);
        Mass mass;
        mass.hasArea = props.hasArea;
        mass.area = props.area;
        if (props.hasVolume) {
            mass.volume = props.volume;
            mass.volumeMoment = props.centroid.XYZ() * props.volume;
        } else if (props.hasCentroid) {
            mass.surfaceWeight = props.area;
            mass.surfaceMoment = props.centroid.XYZ() * props.area;
        }
        BRepBndLib::Add(shape, mass.box, Standard_True);
        return mass;
    }

    void Add(const Mass& member, const gp_Trsf& placement)
    {
        const double scale = std::abs(placement.ScaleFactor());
        const double volumeScale = scale * scale * scale;
        const double areaScale = scale * scale;
        volume += member.volume * volumeScale;
        area += member.area * areaScale;
        hasArea = hasArea || member.hasArea;
        if (member.volume > 0.0) {
            gp_XYZ centroid = member.volumeMoment / member.volume;
            placement.Transforms(centroid);
            volumeMoment += centroid * (member.volume * volumeScale);
        }
        if (member.surfaceWeight > 0.0) {
            gp_XYZ centroid = member.surfaceMoment / member.surfaceWeight;
            placement.Transforms(centroid);
            surfaceWeight += member.surfaceWeight * areaScale;
            surfaceMoment += centroid * (member.surfaceWeight * areaScale);
        }
        if (!member.box.IsVoid()) {
            box.Add(member.box.Transformed(placement));
        }
    }

    orvkit::XdeValidationProps Props() const
    {
        orvkit::XdeValidationProps props;
        props.hasVolume = volume > 0.0;
        props.volume = volume;
        props.hasArea = hasArea;
        props.area = area;
        props.hasCentroid = volume > 0.0 || surfaceWeight > 0.0;
        if (volume > 0.0) {
            props.centroid = gp_Pnt(volumeMoment / volume);
        } else if (surfaceWeight > 0.0) {
            props.centroid = gp_Pnt(surfaceMoment / surfaceWeight);
        }
        return props;
    }
};

ProductReport CheckProduct(const std::string& path, const orvkit::XdeValidationProps& declared,
                           const Mass& mass, Carrier carrier)
{
    const orvkit::XdeValidationProps computed = mass.Props();
    ProductReport report;
    report.path = path;
    report.carrier = carrier;
    report.volume = CompareScalar(declared.hasVolume, declared.volume, computed.hasVolume,
                                  computed.volume, kVolumeRelativeTolerance);
    report.area = CompareScalar(declared.hasArea, declared.area, computed.hasArea, computed.area,
                                kAreaRelativeTolerance);
    report.centroid = CompareCentroid(declared, computed, orvkit::BoxDiagonal(mass.box));
    return report;
}

// Declared values that are not compared with anything, for the reason `why`.
ProductReport NotCompared(const std::string& path, const orvkit::XdeValidationProps& declared,
                          Carrier carrier, const char* why)
{
    ProductReport report;
    report.path = path;
    report.carrier = carrier;
    report.notFound = why;
    report.volume = CompareScalar(declared.hasVolume, declared.volume, false, 0.0, 0.0);
    report.area = CompareScalar(declared.hasArea, declared.area, false, 0.0, 0.0);
    report.centroid = CompareCentroid(declared, {}, 0.0);
    for (Measure* measure : {&report.volume, &report.area, &report.centroid}) {
        measure->verdict = measure->declared ? kVerdictNotCompared : kVerdictNotDeclared;
    }
    return report;
}

std::string ValueText(bool has, const gp_XYZ& value, bool point)
{
    using orvkit::Number;
    if (!has) {
        return "-";
    }
    if (!point) {
        return Number(value.X(), 7);
    }
    return "(" + Number(value.X(), 7) + ", " + Number(value.Y(), 7) + ", " + Number(value.Z(), 7) +
           ")";
}

// The parts of a document, and the assemblies, components and shape aspects that declare
// validation properties, with their declared and computed properties.
class ModelCheck {
public:
    explicit ModelCheck(const orvkit::XdeDocumentImpl& impl)
    {
        IndexDeclarations(impl);
        CollectProducts(impl);
    }

    // How many declared values differ from the geometry.
    int CountDifferences() const { return CountVerdicts(kVerdictDiffers); }

    CheckReport Report() const
    {
        CheckReport report;
        for (const ProductReport& product : myProducts) {
            CheckedProduct& checked = report.products.emplace_back();
            checked.path = product.path;
            checked.kind = KindOf(product.carrier);
            if (product.notFound != nullptr) {
                checked.notCompared =
                    fmt::format(fmt::runtime(product.notFound), DeclaredText(product));
            }
            checked.volume = ToValue(product.volume);
            checked.area = ToValue(product.area);
            checked.centroid = ToValue(product.centroid);
        }
        report.differences = CountDifferences();
        report.notCompared = CountVerdicts(kVerdictNotCompared);
        report.summary = Summary();
        return report;
    }

private:
    // Where the file attaches each declared set. A document the STEP reader filled carries
    // them in its list; any other keeps what it declares in its labels' attributes.
    void IndexDeclarations(const orvkit::XdeDocumentImpl& impl)
    {
        myFromFile = !impl.declaredValidation.empty();
        for (const orvkit::XdeDeclaredValidation& declared : impl.declaredValidation) {
            if (declared.label.IsNull()) {
                myUnplaced.push_back(&declared);
            } else if (declared.carrier == orvkit::XdeValidationCarrier::ShapeAspect) {
                if (!myAspects.IsBound(declared.label)) {
                    myAspects.Bind(declared.label, {});
                }
                myAspects.ChangeFind(declared.label).push_back(&declared);
            } else {
                DeclaredOf& carriers = declared.carrier == orvkit::XdeValidationCarrier::Occurrence
                                           ? myOccurrences
                                           : myDeclaredProducts;
                // The first set the file states for a carrier is the one shown.
                if (!carriers.IsBound(declared.label)) {
                    carriers.Bind(declared.label, &declared);
                }
            }
        }
    }

    // What the file declares for a product in its own frame.
    orvkit::XdeValidationProps DeclaredFor(const TDF_Label& product) const
    {
        if (!myFromFile) {
            return orvkit::XdeValidationProps::Declared(product);
        }
        const orvkit::XdeDeclaredValidation* const* found = myDeclaredProducts.Seek(product);
        return found == nullptr ? orvkit::XdeValidationProps() : (*found)->values;
    }

    // Parts in the order a depth-first walk from the free shapes meets them, and the
    // assemblies that declare properties, each followed by its shape aspects and by its
    // components that declare properties; each product once, under the first path that
    // reaches it, so that the walk is linear in the labels however often a product is placed.
    // Carriers the reader could not place in the document come last.
    void CollectProducts(const orvkit::XdeDocumentImpl& impl)
    {
        TDF_LabelMap seen;
        std::vector<std::pair<TDF_Label, std::string>> pending;
        for (int i = impl.freeShapes.Length(); i >= 1; --i) {
            pending.emplace_back(impl.freeShapes.Value(i), std::string());
        }
        while (!pending.empty()) {
            auto [label, parent] = std::move(pending.back());
            pending.pop_back();
            TDF_Label shape = label;
            XCAFDoc_ShapeTool::GetReferredShape(label, shape);
            if (!seen.Add(shape)) {
                continue;
            }
            const std::string path = parent.empty() ? NameOf(shape) : parent + "/" + NameOf(shape);
            const bool assembly = XCAFDoc_ShapeTool::IsAssembly(shape);
            ProductReport report = CheckProduct(path, DeclaredFor(shape), MassOf(shape),
                                                assembly ? Carrier::Assembly : Carrier::Part);
            if (!assembly || report.HasDeclared()) {
                myProducts.push_back(std::move(report));
            }
            CollectAspects(shape, path);
            TDF_LabelSequence components;
            XCAFDoc_ShapeTool::GetComponents(shape, components);
            CollectComponents(components, path);
            for (int i = components.Length(); i >= 1; --i) {
                pending.emplace_back(components.Value(i), path);
            }
        }
        for (const orvkit::XdeDeclaredValidation* declared : myUnplaced) {
            const Carrier carrier =
                declared->carrier == orvkit::XdeValidationCarrier::ShapeAspect
                    ? Carrier::ShapeAspect
                    : (declared->carrier == orvkit::XdeValidationCarrier::Occurrence
                           ? Carrier::Component
                           : Carrier::Part);
            myProducts.push_back(
                NotCompared(declared->name, declared->values, carrier, kCarrierNotFound));
        }
    }

    // The part's shape aspects, measured on their own sub-shapes in the part's frame.
    void CollectAspects(const TDF_Label& part, const std::string& path)
    {
        const std::vector<const orvkit::XdeDeclaredValidation*>* aspects = myAspects.Seek(part);
        if (aspects == nullptr) {
            return;
        }
        for (const orvkit::XdeDeclaredValidation* aspect : *aspects) {
            const std::string aspectPath = path + "/" + aspect->name;
            if (aspect->subShape.IsNull()) {
                myProducts.push_back(
                    NotCompared(aspectPath, aspect->values, Carrier::ShapeAspect, kAspectNotFound));
                continue;
            }
            myProducts.push_back(CheckProduct(
                aspectPath, aspect->values, Mass::OfPart(aspect->subShape), Carrier::ShapeAspect));
        }
    }

    // The components that declare properties, their product placed as they place it, in the
    // frame of the assembly at `path`.
    void CollectComponents(const TDF_LabelSequence& components, const std::string& path)
    {
        for (const TDF_Label& component : components) {
            const orvkit::XdeDeclaredValidation* const* found = myOccurrences.Seek(component);
            TDF_Label referred;
            if (found == nullptr || !XCAFDoc_ShapeTool::GetReferredShape(component, referred)) {
                continue;
            }
            const std::string name = orvkit::LabelName(component);
            Mass placed;
            placed.Add(MassOf(referred),
                       XCAFDoc_ShapeTool::GetLocation(component).Transformation());
            myProducts.push_back(CheckProduct(path + "/" + (name.empty() ? NameOf(referred) : name),
                                              (*found)->values, placed, Carrier::Component));
        }
    }

    // The mass of a product, its components' first (an explicit stack: nesting depth is the
    // file's to choose); each product measured once.
    const Mass& MassOf(const TDF_Label& product)
    {
        std::vector<std::pair<TDF_Label, bool>> stack{{product, false}};
        TDF_LabelMap open;
        while (!stack.empty()) {
            const auto [label, expanded] = stack.back();
            if (myMasses.IsBound(label)) {
                stack.pop_back();
                continue;
            }
            if (!XCAFDoc_ShapeTool::IsAssembly(label)) {
                myMasses.Bind(label, Mass::OfPart(XCAFDoc_ShapeTool::GetShape(label)));
                stack.pop_back();
                continue;
            }
            TDF_LabelSequence components;
            XCAFDoc_ShapeTool::GetComponents(label, components);
            if (!expanded) {
                stack.back().second = true;
                open.Add(label);
                for (const TDF_Label& component : components) {
                    TDF_Label referred;
                    // An assembly that contains itself contributes nothing the second time.
                    if (XCAFDoc_ShapeTool::GetReferredShape(component, referred) &&
                        !open.Contains(referred)) {
                        stack.emplace_back(referred, false);
                    }
                }
                continue;
            }
            Mass mass;
            for (const TDF_Label& component : components) {
                TDF_Label referred;
                XCAFDoc_ShapeTool::GetReferredShape(component, referred);
                if (const Mass* member = myMasses.Seek(referred)) {
                    mass.Add(*member, XCAFDoc_ShapeTool::GetLocation(component).Transformation());
                }
            }
            myMasses.Bind(label, mass);
            stack.pop_back();
        }
        return myMasses.Find(product);
    }

    // "volume 664.4, area 747, centroid (10, 7.5, 1.5)": the values a report declares.
    static std::string DeclaredText(const ProductReport& report)
    {
        std::vector<std::string> values;
        if (report.volume.declared) {
            values.push_back("volume " + ValueText(true, report.volume.declaredValue, false));
        }
        if (report.area.declared) {
            values.push_back("area " + ValueText(true, report.area.declaredValue, false));
        }
        if (report.centroid.declared) {
            values.push_back("centroid " + ValueText(true, report.centroid.declaredValue, true));
        }
        std::string text;
        for (const std::string& value : values) {
            text += (text.empty() ? "" : ", ") + value;
        }
        return text;
    }

    int CountVerdicts(const char* verdict) const
    {
        int count = 0;
        for (const ProductReport& part : myProducts) {
            for (const Measure* measure : {&part.volume, &part.area, &part.centroid}) {
                count += measure->verdict == verdict ? 1 : 0;
            }
        }
        return count;
    }

    static CheckedValue ToValue(const Measure& measure)
    {
        CheckedValue value;
        value.declared = measure.declared;
        value.computed = measure.computed;
        value.declaredValue = {measure.declaredValue.X(), measure.declaredValue.Y(),
                               measure.declaredValue.Z()};
        value.computedValue = {measure.computedValue.X(), measure.computedValue.Y(),
                               measure.computedValue.Z()};
        value.deviation = measure.deviation;
        value.verdict = measure.verdict;
        return value;
    }

    std::string Summary() const
    {
        const int differences = CountDifferences();
        std::string summary;
        if (differences == 1) {
            summary = kSummaryDifferOne;
        } else if (differences > 1) {
            summary = fmt::format(fmt::runtime(kSummaryDiffer), differences);
        } else {
            const bool anyDeclared =
                std::any_of(myProducts.begin(), myProducts.end(),
                            [](const ProductReport& p) { return p.HasDeclared(); });
            summary = anyDeclared ? kSummaryAgree : kSummaryNoneDeclared;
        }
        const int notCompared = CountVerdicts(kVerdictNotCompared);
        return notCompared == 0
                   ? summary
                   : fmt::format(fmt::runtime(kSummaryNotCompared), summary, notCompared);
    }

    bool myFromFile = false;
    using DeclaredOf =
        NCollection_DataMap<TDF_Label, const orvkit::XdeDeclaredValidation*, TDF_LabelMapHasher>;
    DeclaredOf myDeclaredProducts;
    DeclaredOf myOccurrences;
    NCollection_DataMap<TDF_Label, std::vector<const orvkit::XdeDeclaredValidation*>,
                        TDF_LabelMapHasher>
        myAspects;
    std::vector<const orvkit::XdeDeclaredValidation*> myUnplaced;
    std::vector<ProductReport> myProducts;
    NCollection_DataMap<TDF_Label, Mass, TDF_LabelMapHasher> myMasses;
};

} // namespace

nlohmann::json CheckReport::ToJson() const
{
    const auto valueJson = [](bool has, const std::array<double, 3>& value, bool point) {
        if (!has) {
            return nlohmann::json();
        }
        return point ? nlohmann::json::array({value[0], value[1], value[2]})
                     : nlohmann::json(value[0]);
    };
    const auto measureJson = [&](const CheckedValue& measure, bool point) {
        nlohmann::json out;
        out["declared"] = valueJson(measure.declared, measure.declaredValue, point);
        out["computed"] = valueJson(measure.computed, measure.computedValue, point);
        if (measure.declared && measure.computed) {
            out["deviation"] = measure.deviation;
        }
        out["verdict"] = measure.verdict;
        return out;
    };
    nlohmann::json parts = nlohmann::json::array();
    for (const CheckedProduct& part : products) {
        parts.push_back({{"path", part.path},
                         {"kind", part.kind},
                         {"declares", part.Declares()},
                         {"volume", measureJson(part.volume, false)},
                         {"area", measureJson(part.area, false)},
                         {"centroid", measureJson(part.centroid, true)}});
    }
    nlohmann::json json = {{"products", parts},
                           {"differences", differences},
                           {"agrees", Agrees()},
                           {"summary", summary},
                           {"tolerances",
                            {{"volumeRelative", kCheckVolumeTolerance},
                             {"areaRelative", kCheckAreaTolerance},
                             {"centroidDiagonalFraction", kCheckCentroidTolerance}}}};
    return json;
}

CheckReport Check(const Model& model)
{
    detail::ModelData& data = detail::ModelAccess::Data(model);
    const std::lock_guard<std::recursive_mutex> lock(data.lock);
    CheckReport report = ModelCheck(*data.document).Report();
    report.file = data.source;
    return report;
}

} // namespace orvex
