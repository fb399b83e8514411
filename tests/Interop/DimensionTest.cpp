// Dimensions of real AP242 files become annotation elements tied to the faces they measure.
#include "Support/TestSupport.h"

#include "Annotation/AnnotationElement.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Data/Kernel/ShapeElement.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Xde2Doc.h"

#include <BRepAdaptor_Surface.hxx>
#include <TopoDS.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>

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

#define IMPORT_PMI_OR_SKIP(name, file)                                                            \
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

struct KindCounts {
    int linear = 0;
    int angular = 0;
    int diameter = 0;
    int radius = 0;
    int plusMinus = 0;
    int range = 0;
};

KindCounts CountKinds(const std::vector<AnnotationElement*>& annotations)
{
    KindCounts counts;
    for (const AnnotationElement* annotation : annotations) {
        switch (annotation->GetKind()) {
        case AnnotationLinear:
            ++counts.linear;
            break;
        case AnnotationAngular:
            ++counts.angular;
            break;
        case AnnotationDiameter:
            ++counts.diameter;
            break;
        case AnnotationRadius:
            ++counts.radius;
            break;
        }
        counts.plusMinus += annotation->GetToleranceType() == TolerancePlusMinus ? 1 : 0;
        counts.range += annotation->GetToleranceType() == ToleranceRange ? 1 : 0;
    }
    return counts;
}

TEST(DimensionTest, EveryDimensionOfTheFourKindsBecomesAnAnnotation)
{
    // Per file: linear, angular, diameter, radius annotations, then how many carry plus/minus
    // and range tolerances. Thickness, unspecified-location and outer-to-centre dimensions,
    // and labels that only group others, make none.
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
        const KindCounts actual = CountKinds(imported.annotations);
        EXPECT_EQ(actual.linear, counts.linear) << file;
        EXPECT_EQ(actual.angular, counts.angular) << file;
        EXPECT_EQ(actual.diameter, counts.diameter) << file;
        EXPECT_EQ(actual.radius, counts.radius) << file;
        EXPECT_EQ(actual.plusMinus, counts.plusMinus) << file;
        EXPECT_EQ(actual.range, counts.range) << file;
        for (const AnnotationElement* annotation : imported.annotations) {
            EXPECT_TRUE(annotation->IsBrowserable()) << file;
        }
    }
}

TEST(DimensionTest, AnnotationsCarryTheFilesValuesTolerancesAndTextPoints)
{
    for (const char* file : {"step-pmi/nist_ftc_07_asme1_ap242-e2.stp", "step-pmi/bug32745_pmi1.stp",
                             "step-pmi/nist_ctc_01_asme1_ap242-e1.stp"}) {
        IMPORT_PMI_OR_SKIP(imported, file);
        // The kernel's own reading of the file, dimension by dimension, in the same order.
        XdeDocumentImpl impl;
        ASSERT_TRUE(XdeDocumentSTEP::Open(CorpusFile(file), impl, nullptr));
        TDF_LabelSequence labels;
        impl.dimTolTool->GetDimensionLabels(labels);
        std::vector<Handle(XCAFDimTolObjects_DimensionObject)> objects;
        for (const TDF_Label& label : labels) {
            Handle(XCAFDoc_Dimension) dimension;
            if (!label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension)) {
                continue;
            }
            const auto type = dimension->GetObject()->GetType();
            if (type == XCAFDimTolObjects_DimensionType_Location_LinearDistance ||
                type == XCAFDimTolObjects_DimensionType_Size_CurveLength ||
                type == XCAFDimTolObjects_DimensionType_Location_Angular ||
                type == XCAFDimTolObjects_DimensionType_Size_Angular ||
                type == XCAFDimTolObjects_DimensionType_Size_Diameter ||
                type == XCAFDimTolObjects_DimensionType_Size_Radius) {
                objects.push_back(dimension->GetObject());
            }
        }
        ASSERT_EQ(objects.size(), imported.annotations.size()) << file;
        for (size_t i = 0; i < objects.size(); ++i) {
            const auto& object = objects[i];
            const AnnotationElement& annotation = *imported.annotations[i];
            EXPECT_TRUE(annotation.GetCoordinate().Location().IsEqual(object->GetPointTextAttach(), 1e-9));
            EXPECT_TRUE(annotation.GetCoordinate().Direction().IsEqual(object->GetPlane().Direction(), 1e-9));
            if (annotation.GetKind() == AnnotationAngular) {
                EXPECT_FALSE(annotation.HasValue());
                EXPECT_TRUE(annotation.IsTextPositionEnabled());
            } else {
                EXPECT_DOUBLE_EQ(annotation.GetValue(), object->GetValue()) << file << " " << i;
            }
            if (annotation.GetKind() == AnnotationLinear) {
                EXPECT_FALSE(annotation.IsOnPlane());
                EXPECT_FALSE(annotation.IsBillboard());
            }
            if (object->IsDimWithRange()) {
                EXPECT_EQ(annotation.GetToleranceType(), ToleranceRange);
                EXPECT_DOUBLE_EQ(annotation.GetUpperTolerance(), object->GetUpperBound() - object->GetValue());
                EXPECT_DOUBLE_EQ(annotation.GetLowerTolerance(), object->GetLowerBound() - object->GetValue());
            } else if (object->IsDimWithPlusMinusTolerance()) {
                EXPECT_EQ(annotation.GetToleranceType(), TolerancePlusMinus);
                EXPECT_DOUBLE_EQ(annotation.GetUpperTolerance(), object->GetUpperTolValue());
                EXPECT_DOUBLE_EQ(annotation.GetLowerTolerance(), object->GetLowerTolValue());
            } else {
                EXPECT_EQ(annotation.GetToleranceType(), ToleranceNone);
            }
        }
    }
}

TEST(DimensionTest, TargetsNameTheFacesTheDimensionsMeasure)
{
    // Checked by geometry rather than by number: a diameter's face is a cylinder of half its
    // value, a radius's face a cylinder of its value, and a distance between two parallel
    // planes is the value. Values stay in the file's unit while the geometry is read in
    // millimetres, so the inch files scale by 25.4. The test parts are not modelled exactly
    // at nominal size, so a measure agrees when within 1 %; a wrong face would be far off.
    int checked = 0;
    int agreed = 0;
    const auto agrees = [&](double measured, double nominal) {
        ++checked;
        agreed += std::abs(measured - nominal) <= 0.01 * nominal ? 1 : 0;
    };
    const std::pair<const char*, double> files[] = {
        {"step-pmi/nist_ftc_11_asme1_ap242-e1.stp", 1.0}, {"step-pmi/nist_ftc_07_asme1_ap242-e2.stp", 25.4},
        {"step-pmi/nist_ftc_09_asme1_ap242-e1.stp", 25.4}, {"step-pmi/nist_ctc_04_asme1_ap242-e1.stp", 1.0},
        {"step-pmi/bug32745_pmi1.stp", 1.0}};
    for (const auto& [file, unit] : files) {
        IMPORT_PMI_OR_SKIP(imported, file);
        for (const AnnotationElement* annotation : imported.annotations) {
            const TopoDS_Shape first = TargetShape(*imported.document, annotation->GetTarget1());
            if (first.IsNull() || first.ShapeType() != TopAbs_FACE) {
                continue;
            }
            const BRepAdaptor_Surface surface(TopoDS::Face(first));
            if (annotation->GetKind() == AnnotationDiameter && surface.GetType() == GeomAbs_Cylinder) {
                agrees(2 * surface.Cylinder().Radius(), unit * annotation->GetValue());
            }
            if (annotation->GetKind() == AnnotationRadius && surface.GetType() == GeomAbs_Cylinder) {
                agrees(surface.Cylinder().Radius(), unit * annotation->GetValue());
            }
            const TopoDS_Shape second = TargetShape(*imported.document, annotation->GetTarget2());
            if (annotation->GetKind() == AnnotationLinear && !second.IsNull() &&
                second.ShapeType() == TopAbs_FACE && surface.GetType() == GeomAbs_Plane) {
                const BRepAdaptor_Surface other(TopoDS::Face(second));
                if (other.GetType() == GeomAbs_Plane &&
                    surface.Plane().Axis().IsParallel(other.Plane().Axis(), 1e-9)) {
                    agrees(surface.Plane().Distance(other.Plane().Location()),
                           unit * annotation->GetValue());
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
    const auto* part = imported.document->FindElementAs<ShapeElement>(first->GetPickedId().GetElementId());
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
        EXPECT_EQ(ElementsOf<ReferenceShape>(*imported.document).size(), 20u);
    }
}

} // namespace

namespace {

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

TEST_F(BuiltDimensionTest, UnsupportedTypesMakeNoAnnotationButTheirTargetsExist)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Block", MakeBox(10, 20, 30));
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Thickness, 5,
                         {builder.AddSubShape(box, TopAbs_FACE, 4)});
    auto document = Import(builder);
    EXPECT_TRUE(ElementsOf<AnnotationElement>(*document).empty());
    const auto references = ElementsOf<ReferenceShape>(*document);
    ASSERT_EQ(references.size(), 1u);
    EXPECT_EQ(references[0]->GetPickedId().GetShapeType(), TopoShapeFace);
}

TEST_F(BuiltDimensionTest, WholePartTargetOrNoTargetLeavesTheTargetUnset)
{
    XcafBuilder builder;
    const TDF_Label box = builder.AddPart("Block", MakeBox(10, 20, 30));
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Diameter, 8, {box});
    builder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Radius, 4, {});
    auto document = Import(builder);
    const auto annotations = ElementsOf<AnnotationElement>(*document);
    EXPECT_FALSE(annotations.empty());
    for (const AnnotationElement* annotation : annotations) {
        EXPECT_FALSE(annotation->GetTarget1().IsValid());
        EXPECT_FALSE(annotation->GetTarget2().IsValid());
    }
    EXPECT_TRUE(ElementsOf<ReferenceShape>(*document).empty());
}

} // namespace

namespace {

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
    const std::string path = dir.Write("no-geometry.step", text);

    Xde2Doc converter;
    ASSERT_TRUE(converter.Load(path));
    converter.Transfer();
    const auto& document = *converter.GetDocument();
    EXPECT_TRUE(ElementsOf<ReferenceShape>(document).empty());
    for (const AnnotationElement* annotation : ElementsOf<AnnotationElement>(document)) {
        EXPECT_FALSE(annotation->GetTarget1().IsValid());
    }
    for (const ShapeElement* shape : ElementsOf<ShapeElement>(document)) {
        EXPECT_EQ(shape->GetShape()->CountChildren(TopoShapeFace), 0);
    }
}

} // namespace
