// Dimensions of real AP242 files become annotation elements tied to the faces they measure.
#include "Support/TestSupport.h"

#include "Annotation/AnnotationElement.h"
#include "Annotation/PmiElement.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Data/Kernel/ShapeElement.h"
#include "Interop/Kernel/StepDimensionUnits.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XcafDocumentRead.h"
#include "Xde2Doc.h"

#include <BRepAdaptor_Surface.hxx>
#include <TopoDS.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

using namespace orvkit;
using namespace orvtest;

namespace {

struct Imported {
    std::shared_ptr<Document> document;
    std::vector<AnnotationElement*> annotations;
};

Imported ImportPmi(const std::string& relative)
{
    Imported imported;
    const std::string path = CorpusFile(relative);
    if (path.empty()) {
        return imported;
    }
    Xde2Doc converter;
    EXPECT_TRUE(converter.Load(path)) << relative;
    converter.Transfer();
    imported.document = converter.GetDocument();
    imported.annotations = ElementsOf<AnnotationElement>(*imported.document);
    return imported;
}

#define IMPORT_PMI_OR_SKIP(name, file)                                                             \
    const Imported name = ImportPmi(file);                                                         \
    if (!name.document) {                                                                          \
        GTEST_SKIP() << "corpus not available";                                                    \
    }

// The face a reference element names, looked up in its shape element.
TopoDS_Shape TargetShape(const Document& document, ObjectId target)
{
    const auto* reference = document.FindElementAs<ReferenceShape>(target);
    if (reference == nullptr) {
        return {};
    }
    const PickedId& picked = reference->GetPickedId();
    const auto* owner = document.FindElementAs<ShapeElement>(picked.GetElementId());
    if (owner == nullptr) {
        return {};
    }
    return owner->GetShape()->FindChild(picked.GetShapeType(), picked.GetTopoShapeId());
}

// Linear, angular, diameter and radius annotations (the kinds in their enum order), then how
// many carry plus/minus and range tolerances.
using KindCounts = std::array<int, 6>;

KindCounts CountKinds(const std::vector<AnnotationElement*>& annotations)
{
    KindCounts counts{};
    for (const AnnotationElement* annotation : annotations) {
        ++counts.at(annotation->GetKind());
        counts[4] += annotation->GetToleranceType() == TolerancePlusMinus ? 1 : 0;
        counts[5] += annotation->GetToleranceType() == ToleranceRange ? 1 : 0;
    }
    return counts;
}

// The dimensions of a kernel document that carry semantics, in label order.
std::vector<Handle(XCAFDimTolObjects_DimensionObject)>
SemanticDimensions(const XdeDocumentImpl& impl)
{
    TDF_LabelSequence labels;
    impl.dimTolTool->GetDimensionLabels(labels);
    std::vector<Handle(XCAFDimTolObjects_DimensionObject)> objects;
    for (const TDF_Label& label : labels) {
        Handle(XCAFDoc_Dimension) dimension;
        if (label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension) &&
            dimension->GetObject()->GetType() !=
                XCAFDimTolObjects_DimensionType_DimensionPresentation &&
            dimension->GetObject()->GetType() != XCAFDimTolObjects_DimensionType_CommonLabel) {
            objects.push_back(dimension->GetObject());
        }
    }
    return objects;
}

TEST(DimensionTest, EveryDimensionOfTheFourKindsBecomesAnAnnotation)
{
    // Thickness, unspecified-location and outer-to-centre dimensions, and labels that only
    // group others, make none.
    const std::map<std::string, KindCounts> expected = {
        {"step-pmi/nist_ctc_01_asme1_ap242-e1.stp", {0, 1, 7, 0, 6, 2}},
        {"step-pmi/nist_ctc_02_asme1_ap242-e2.stp", {0, 0, 7, 0, 7, 0}},
        {"step-pmi/nist_ctc_03_asme1_ap242-e2.stp", {1, 0, 7, 0, 7, 0}},
        {"step-pmi/nist_ctc_04_asme1_ap242-e1.stp", {3, 1, 5, 0, 7, 0}},
        {"step-pmi/nist_ctc_05_asme1_ap242-e1.stp", {5, 0, 1, 0, 2, 0}},
        {"step-pmi/nist_ftc_07_asme1_ap242-e2.stp", {5, 0, 11, 1, 16, 1}},
        {"step-pmi/nist_ftc_11_asme1_ap242-e1.stp", {1, 0, 3, 2, 4, 0}},
        {"step-pmi/bug32745_pmi1.stp", {3, 0, 0, 1, 3, 1}},
    };
    for (const auto& [file, counts] : expected) {
        IMPORT_PMI_OR_SKIP(imported, file);
        EXPECT_EQ(CountKinds(imported.annotations), counts) << file;
        for (const AnnotationElement* annotation : imported.annotations) {
            EXPECT_TRUE(annotation->IsBrowserable()) << file;
        }
    }
}

TEST(DimensionTest, AnnotationsCarryTheFilesValuesTolerancesAndTextPoints)
{
    size_t linear = 0;
    for (const char* file :
         {"step-pmi/nist_ftc_07_asme1_ap242-e2.stp", "step-pmi/bug32745_pmi1.stp",
          "step-pmi/nist_ctc_01_asme1_ap242-e1.stp"}) {
        IMPORT_PMI_OR_SKIP(imported, file);
        // The kernel's own reading of the file, dimension by dimension, in the same order.
        XdeDocumentImpl impl;
        ASSERT_TRUE(StepModelReader().Open(CorpusFile(file), impl, nullptr));
        std::vector<Handle(XCAFDimTolObjects_DimensionObject)> objects;
        for (const auto& object : SemanticDimensions(impl)) {
            const auto type = object->GetType();
            if (type == XCAFDimTolObjects_DimensionType_Location_LinearDistance ||
                type == XCAFDimTolObjects_DimensionType_Size_CurveLength ||
                type == XCAFDimTolObjects_DimensionType_Location_Angular ||
                type == XCAFDimTolObjects_DimensionType_Size_Angular ||
                type == XCAFDimTolObjects_DimensionType_Size_Diameter ||
                type == XCAFDimTolObjects_DimensionType_Size_Radius) {
                objects.push_back(object);
            }
        }
        ASSERT_EQ(objects.size(), imported.annotations.size()) << file;
        ASSERT_FALSE(objects.empty()) << file;
        for (size_t i = 0; i < objects.size(); ++i) {
            const auto& object = objects[i];
            const AnnotationElement& annotation = *imported.annotations[i];
            EXPECT_TRUE(
                annotation.GetCoordinate().Location().IsEqual(object->GetPointTextAttach(), 1e-9));
            EXPECT_TRUE(annotation.GetCoordinate().Direction().IsEqual(
                object->GetPlane().Direction(), 1e-9));
            if (annotation.GetKind() == AnnotationAngular) {
                EXPECT_FALSE(annotation.HasValue());
                EXPECT_TRUE(annotation.IsTextPositionEnabled());
            } else {
                EXPECT_DOUBLE_EQ(annotation.GetValue(), object->GetValue()) << file << " " << i;
            }
            if (annotation.GetKind() == AnnotationLinear) {
                ++linear;
                EXPECT_FALSE(annotation.IsOnPlane());
                EXPECT_FALSE(annotation.IsBillboard());
            }
            if (object->IsDimWithRange()) {
                EXPECT_EQ(annotation.GetToleranceType(), ToleranceRange);
                EXPECT_DOUBLE_EQ(annotation.GetUpperTolerance(),
                                 object->GetUpperBound() - object->GetValue());
                EXPECT_DOUBLE_EQ(annotation.GetLowerTolerance(),
                                 object->GetLowerBound() - object->GetValue());
            } else if (object->IsDimWithPlusMinusTolerance()) {
                EXPECT_EQ(annotation.GetToleranceType(), TolerancePlusMinus);
                EXPECT_DOUBLE_EQ(annotation.GetUpperTolerance(), object->GetUpperTolValue());
                EXPECT_DOUBLE_EQ(annotation.GetLowerTolerance(), object->GetLowerTolValue());
            } else {
                EXPECT_EQ(annotation.GetToleranceType(), ToleranceNone);
            }
        }
    }
    EXPECT_EQ(linear, 8u); // five in ftc_07, three in bug32745
}

TEST(DimensionTest, TargetsNameTheFacesTheDimensionsMeasure)
{
    // Checked by geometry rather than by number: a diameter's face is a cylinder of half its
    // value, a radius's face a cylinder of its value, and a distance between two parallel
    // planes is the value. Values and geometry are both in millimetres, inch files too. The
    // test parts are not modelled exactly at nominal size, so a measure agrees when within
    // 1 %; a wrong face, or a value left in inches, would be far off.
    int checked = 0;
    int agreed = 0;
    const auto agrees = [&](double measured, double nominal) {
        ++checked;
        agreed += std::abs(measured - nominal) <= 0.01 * nominal ? 1 : 0;
    };
    for (const char* file :
         {"step-pmi/nist_ftc_11_asme1_ap242-e1.stp", "step-pmi/nist_ftc_07_asme1_ap242-e2.stp",
          "step-pmi/nist_ftc_09_asme1_ap242-e1.stp", "step-pmi/nist_ctc_04_asme1_ap242-e1.stp",
          "step-pmi/nist_ctc_05_asme1_ap242-e1.stp", "step-pmi/bug32745_pmi1.stp"}) {
        IMPORT_PMI_OR_SKIP(imported, file);
        for (const AnnotationElement* annotation : imported.annotations) {
            const TopoDS_Shape first = TargetShape(*imported.document, annotation->GetTarget1());
            if (first.IsNull() || first.ShapeType() != TopAbs_FACE) {
                continue;
            }
            const BRepAdaptor_Surface surface(TopoDS::Face(first));
            if (annotation->GetKind() == AnnotationDiameter &&
                surface.GetType() == GeomAbs_Cylinder) {
                agrees(2 * surface.Cylinder().Radius(), annotation->GetValue());
            }
            if (annotation->GetKind() == AnnotationRadius &&
                surface.GetType() == GeomAbs_Cylinder) {
                agrees(surface.Cylinder().Radius(), annotation->GetValue());
            }
            const TopoDS_Shape second = TargetShape(*imported.document, annotation->GetTarget2());
            if (annotation->GetKind() == AnnotationLinear && !second.IsNull() &&
                second.ShapeType() == TopAbs_FACE && surface.GetType() == GeomAbs_Plane) {
                const BRepAdaptor_Surface other(TopoDS::Face(second));
                if (other.GetType() == GeomAbs_Plane &&
                    surface.Plane().Axis().IsParallel(other.Plane().Axis(), 1e-9)) {
                    agrees(surface.Plane().Distance(other.Plane().Location()),
                           annotation->GetValue());
                }
            }
        }
    }
    EXPECT_GE(checked, 30);
    EXPECT_GE(agreed * 10, checked * 9) << agreed << " of " << checked;
}

TEST(DimensionTest, FtcElevenTargetsByHand)
{
    IMPORT_PMI_OR_SKIP(imported, "step-pmi/nist_ftc_11_asme1_ap242-e1.stp");
    // The file's one linear distance, 1.925 +/- 0.08, runs between two planar faces of the
    // part; its radius 1.5 dimension names a single face.
    ASSERT_EQ(imported.annotations.size(), 6u);
    const AnnotationElement& linear = *imported.annotations[0];
    EXPECT_EQ(linear.GetKind(), AnnotationLinear);
    EXPECT_DOUBLE_EQ(linear.GetValue(), 1.925);
    const auto* first = imported.document->FindElementAs<ReferenceShape>(linear.GetTarget1());
    const auto* second = imported.document->FindElementAs<ReferenceShape>(linear.GetTarget2());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const auto* part =
        imported.document->FindElementAs<ShapeElement>(first->GetPickedId().GetElementId());
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->GetName(), "nist_ftc_11_asme1_2021");
    EXPECT_EQ(first->GetPickedId().GetShapeType(), TopoShapeFace);
    EXPECT_EQ(first->GetPickedId().GetTopoShapeId(), 1);
    EXPECT_EQ(second->GetPickedId().GetTopoShapeId(), 7);
    EXPECT_EQ(part->GetShape()->CountChildren(TopoShapeFace), 8);
}

TEST(DimensionTest, OtherTypesMakeNoAnnotationButKeepTheirReferenceTargets)
{
    {
        // Presentation-only PMI: 21 dimensions, none semantic, each still pointing at a shape.
        IMPORT_PMI_OR_SKIP(imported, "step-pmi/nist_ctc_01_asme1_ap203.stp");
        EXPECT_TRUE(imported.annotations.empty());
        EXPECT_EQ(ElementsOf<ReferenceShape>(*imported.document).size(), 21u);
    }
    {
        // Thickness and an unspecified location add four targets beyond the annotations' own.
        IMPORT_PMI_OR_SKIP(imported, "step-pmi/nist_ctc_03_asme1_ap242-e2.stp");
        size_t annotationTargets = 0;
        for (const AnnotationElement* annotation : imported.annotations) {
            annotationTargets += annotation->GetTarget1().IsValid() ? 1 : 0;
            annotationTargets += annotation->GetTarget2().IsValid() ? 1 : 0;
        }
        EXPECT_EQ(annotationTargets, 16u);
        // Tolerances and datums name faces of their own.
        size_t toleranceTargets = 0;
        for (const PmiElement* pmi : ElementsOf<PmiElement>(*imported.document)) {
            toleranceTargets +=
                pmi->GetKind() != AnnotationDimension ? pmi->GetContent().targets.size() : 0;
        }
        EXPECT_EQ(ElementsOf<ReferenceShape>(*imported.document).size() - toleranceTargets, 20u);
    }
}

// The value arrays of those dimensions.
std::vector<std::vector<double>> ValuesOf(const XdeDocumentImpl& impl)
{
    std::vector<std::vector<double>> values;
    for (const auto& object : SemanticDimensions(impl)) {
        const auto array = object->GetValues();
        values.emplace_back();
        if (!array.IsNull()) {
            values.back().assign(array->begin(), array->end());
        }
    }
    return values;
}

TEST(DimensionUnitTest, ValuesLimitsAndTolerancesAreInMillimetresAndDegrees)
{
    // Read off the files by hand, inch numbers times 25.4. For a plus/minus tolerance `lower`
    // is the size of the lower deviation; for a range, `lower` and `upper` are the limits.
    struct HandRead {
        const char* file;
        XCAFDimTolObjects_DimensionType type;
        double value;
        double lower;
        double upper;
        bool range;
    };
    const HandRead cases[] = {
        // ftc_07, inch: diameter #15158 of .250 (#15156, qualified by a value format, so left in
        // inches by the reader), tolerance #15163 of -.001 (#15160) and +.003 (#15161), which
        // the reader converts as LENGTH_MEASURE_WITH_UNITs.
        {"step-pmi/nist_ftc_07_asme1_ap242-e2.stp", XCAFDimTolObjects_DimensionType_Size_Diameter,
         6.35, 0.0254, 0.0762, false},
        // ftc_07: radius #16250 between limits .012 (#16246) and .022 (#16248), all qualified;
        // its nominal value .017 (#16247), listed between them, is not the lower limit.
        {"step-pmi/nist_ftc_07_asme1_ap242-e2.stp", XCAFDimTolObjects_DimensionType_Size_Radius,
         0.4318, 0.3048, 0.5588, true},
        // ftc_09, inch: diameter #35946 of .234 (#35936, qualified), tolerance #35986 of
        // +/-.008 (#35971, #35976) written as plain MEASURE_WITH_UNITs: nothing converted.
        {"step-pmi/nist_ftc_09_asme1_ap242-e1.stp", XCAFDimTolObjects_DimensionType_Size_Diameter,
         5.9436, 0.2032, 0.2032, false},
        // ctc_04, millimetres: diameter #19037 of 6.65 (#19035) +/-0.12 (#19039, #19040), and
        // angular size #19921 of 90 degrees (#19919) +/-1 degree (#19923, #19924) in a degree
        // unit defined in radians.
        {"step-pmi/nist_ctc_04_asme1_ap242-e1.stp", XCAFDimTolObjects_DimensionType_Size_Diameter,
         6.65, 0.12, 0.12, false},
        {"step-pmi/nist_ctc_04_asme1_ap242-e1.stp", XCAFDimTolObjects_DimensionType_Size_Angular,
         90, 1, 1, false},
    };
    for (const HandRead& expected : cases) {
        const std::string path = CorpusFile(expected.file);
        if (path.empty()) {
            GTEST_SKIP() << "corpus not available";
        }
        XdeDocumentImpl impl;
        ASSERT_TRUE(StepModelReader().Open(path, impl, nullptr));
        // Files repeat a value with other tolerances, so all numbers pick the dimension.
        const auto near = [](double a, double b) { return std::abs(a - b) < 1e-9; };
        const auto matches = [&](const Handle(XCAFDimTolObjects_DimensionObject)& object) {
            if (object->GetType() != expected.type || !near(object->GetValue(), expected.value)) {
                return false;
            }
            if (expected.range) {
                return object->IsDimWithRange() && near(object->GetLowerBound(), expected.lower) &&
                       near(object->GetUpperBound(), expected.upper);
            }
            return object->IsDimWithPlusMinusTolerance() &&
                   near(object->GetLowerTolValue(), expected.lower) &&
                   near(object->GetUpperTolValue(), expected.upper);
        };
        const auto dimensions = SemanticDimensions(impl);
        const bool found = std::any_of(dimensions.begin(), dimensions.end(), matches);
        EXPECT_TRUE(found) << expected.file << ": no dimension " << expected.value << " ("
                           << expected.lower << ", " << expected.upper << ")";
    }
}

TEST(DimensionUnitTest, EveryDimensionIsTracedToItsEntityAndRescaledOnce)
{
    // Every dimension of the inch files (ctc_05 among them) has a number the reader left in
    // inches; the millimetre files have none.
    const std::pair<const char*, bool> files[] = {
        {"step-pmi/nist_ftc_07_asme1_ap242-e2.stp", true},
        {"step-pmi/nist_ftc_09_asme1_ap242-e1.stp", true},
        {"step-pmi/nist_ftc_11_asme1_ap242-e1.stp", false},
        {"step-pmi/nist_ctc_01_asme1_ap242-e1.stp", false},
        {"step-pmi/nist_ctc_04_asme1_ap242-e1.stp", false},
        {"step-pmi/nist_ctc_05_asme1_ap242-e1.stp", true},
        {"step-pmi/bug32745_pmi1.stp", false}};
    for (const auto& [file, inch] : files) {
        const std::string path = CorpusFile(file);
        if (path.empty()) {
            GTEST_SKIP() << "corpus not available";
        }
        // The kernel's own read without the rescaling, which is then done here, twice.
        XdeDocumentImpl impl;
        STEPCAFControl_Reader reader;
        StaticSettingsScope scope;
        StepModelReader::ConfigureReader(reader, scope, nullptr);
        ASSERT_TRUE(ReadIntoDocument(reader, path, impl, "STEP")) << file;
        const int count = static_cast<int>(SemanticDimensions(impl).size());
        ASSERT_GT(count, 0) << file;
        const StepDimensionUnitsResult first =
            UnifyStepDimensionUnits(reader.ChangeReader().WS(), impl);
        EXPECT_EQ(first.traced, count) << file;
        EXPECT_EQ(first.untraced, 0) << file;
        EXPECT_EQ(first.corrected, inch ? count : 0) << file;

        const std::vector<std::vector<double>> corrected = ValuesOf(impl);
        // Rescaled values no longer look as the reader left them, so a second pass leaves
        // them alone instead of scaling them again.
        const StepDimensionUnitsResult second =
            UnifyStepDimensionUnits(reader.ChangeReader().WS(), impl);
        EXPECT_EQ(second.corrected, 0) << file;
        EXPECT_EQ(second.untraced, first.corrected) << file;
        EXPECT_EQ(ValuesOf(impl), corrected) << file;
    }
}

// Dimensions built in the test and written as AP242.
class BuiltDimensionTest : public ::testing::Test {
protected:
    std::shared_ptr<Document> Import(XcafBuilder& builder)
    {
        const std::string path = myDir.File("pmi.step");
        EXPECT_TRUE(builder.SaveStep(path));
        Xde2Doc converter;
        EXPECT_TRUE(converter.Load(path));
        converter.Transfer();
        return converter.GetDocument();
    }

    TempDir myDir;
};

TEST_F(BuiltDimensionTest, DistanceBetweenTwoFacesPointsAtBothFaces)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Block", MakeBox(10, 20, 30));
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Location_LinearDistance, 10,
                         {builder.AddSubShape(box, TopAbs_FACE, 0)},
                         {builder.AddSubShape(box, TopAbs_FACE, 1)});
    auto document = Import(builder);

    const auto annotations = ElementsOf<AnnotationElement>(*document);
    ASSERT_EQ(annotations.size(), 1u);
    const AnnotationElement& linear = *annotations[0];
    EXPECT_EQ(linear.GetKind(), AnnotationLinear);
    EXPECT_DOUBLE_EQ(linear.GetValue(), 10);
    EXPECT_TRUE(linear.IsBrowserable());
    EXPECT_FALSE(linear.IsOnPlane());
    EXPECT_FALSE(linear.IsBillboard());
    EXPECT_EQ(linear.GetToleranceType(), ToleranceNone);
    const TopoDS_Shape first = TargetShape(*document, linear.GetTarget1());
    const TopoDS_Shape second = TargetShape(*document, linear.GetTarget2());
    ASSERT_FALSE(first.IsNull());
    ASSERT_FALSE(second.IsNull());
    // The first two faces of a box are its two X faces, 10 apart.
    const BRepAdaptor_Surface a(TopoDS::Face(first));
    const BRepAdaptor_Surface b(TopoDS::Face(second));
    EXPECT_NEAR(a.Plane().Distance(b.Plane().Location()), 10.0, 1e-9);
}

// A thickness makes no annotation, yet its face target exists; a diameter on the whole part
// makes one whose targets stay unset, and a radius without a target makes nothing.
TEST_F(BuiltDimensionTest, UnsupportedTypesKeepTheirTargetsAndAWholePartTargetStaysUnset)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Block", MakeBox(10, 20, 30));
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Thickness, 5,
                         {builder.AddSubShape(box, TopAbs_FACE, 4)});
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Diameter, 8, {box});
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Radius, 4, {});
    auto document = Import(builder);
    const auto annotations = ElementsOf<AnnotationElement>(*document);
    ASSERT_EQ(annotations.size(), 1u);
    EXPECT_EQ(annotations[0]->GetKind(), AnnotationDiameter);
    EXPECT_FALSE(annotations[0]->GetTarget1().IsValid());
    EXPECT_FALSE(annotations[0]->GetTarget2().IsValid());
    const auto references = ElementsOf<ReferenceShape>(*document);
    ASSERT_EQ(references.size(), 1u);
    EXPECT_EQ(references[0]->GetPickedId().GetShapeType(), TopoShapeFace);
}

TEST(DimensionWithoutShapesTest, FileWithGdtButNoGeometryReadsWithoutTargets)
{
    TempDir dir;
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Block", MakeBox(1, 1, 1));
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Diameter, 8,
                         {builder.AddSubShape(box, TopAbs_FACE, 0)});
    const std::string written = dir.File("with-geometry.step");
    ASSERT_TRUE(builder.SaveStep(written));
    // Keep the product and its dimension, drop the solid the dimension points into.
    std::string text = ReadWholeFile(written);
    const size_t start = text.find("ADVANCED_BREP_SHAPE_REPRESENTATION('',(");
    ASSERT_NE(start, std::string::npos);
    const size_t open = text.find('(', text.find('(', start) + 1);
    const size_t close = text.find(')', open);
    const std::string items = text.substr(open + 1, close - open - 1);
    text.replace(start, close + 1 - start,
                 "SHAPE_REPRESENTATION('',(" + items.substr(0, items.find(',')) + ")");
    ASSERT_NE(text.find("DIMENSIONAL_SIZE("), std::string::npos);
    const std::string path = dir.Write("no-geometry.step", text);

    Xde2Doc converter;
    ASSERT_TRUE(converter.Load(path));
    converter.Transfer();
    const auto& document = *converter.GetDocument();
    // The kernel's reader drops a dimension whose face is not in the file, so no annotation
    // is made and nothing refers to a shape that is not there.
    EXPECT_TRUE(ElementsOf<ReferenceShape>(document).empty());
    EXPECT_TRUE(ElementsOf<AnnotationElement>(document).empty());
    const auto shapes = ElementsOf<ShapeElement>(document);
    EXPECT_EQ(shapes.size(), 1u);
    for (const ShapeElement* shape : shapes) {
        EXPECT_EQ(shape->GetShape()->CountChildren(TopoShapeFace), 0);
    }
}

} // namespace
