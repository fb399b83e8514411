// Semantic PMI written as STEP and read back: each kind of item that OpenCASCADE's writer alone
// loses (a modifier, a zone, a datum target's feature, a value in another unit) comes back as it
// was made.
#include "Support/TestSupport.h"

#include "orvex/orvex.h"

#include "Interop/Kernel/XdeDocumentSTEP.h"

#include <BRepBuilderAPI_MakeVertex.hxx>
#include <TDF_Label.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopoDS_Vertex.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDimTolObjects_GeomToleranceObject.hxx>
#include <XCAFDoc_Datum.hxx>
#include <XCAFDoc_DimTolTool.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_GeomTolerance.hxx>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using orvtest::XcafBuilder;

// A block whose PMI each test makes, written as STEP and read back through the library.
class PmiExportTest : public ::testing::Test {
protected:
    void SetUp() override { myPart = myBuilder.AddPart("BLOCK", orvtest::MakeBox(40, 30, 20)); }

    TDF_Label Face(int index) { return myBuilder.AddSubShape(myPart, TopAbs_FACE, index); }
    const Handle(XCAFDoc_DimTolTool)& Tool() { return myBuilder.GetImpl().dimTolTool; }

    Handle(XCAFDimTolObjects_GeomToleranceObject)
    AddTolerance(const std::vector<TDF_Label>& targets, XCAFDimTolObjects_GeomToleranceType type,
                 double value, TDF_Label* label = nullptr)
    {
        const TDF_Label tolerance = Tool()->AddGeomTolerance();
        Handle(XCAFDimTolObjects_GeomToleranceObject) object =
            new XCAFDimTolObjects_GeomToleranceObject;
        object->SetType(type);
        object->SetValue(value);
        XCAFDoc_GeomTolerance::Set(tolerance)->SetObject(object);
        TDF_LabelSequence sequence;
        for (const TDF_Label& target : targets) {
            sequence.Append(target);
        }
        Tool()->SetGeomTolerance(sequence, tolerance);
        if (label != nullptr) {
            *label = tolerance;
        }
        return object;
    }

    // Sets the object again, as the document keeps a copy of what it is given.
    void Store(const TDF_Label& tolerance, const Handle(XCAFDimTolObjects_GeomToleranceObject)& o)
    {
        Handle(XCAFDoc_GeomTolerance) attribute;
        ASSERT_TRUE(tolerance.FindAttribute(XCAFDoc_GeomTolerance::GetID(), attribute));
        attribute->SetObject(o);
    }

    // A datum, or with `target` its datum target of that number on a point.
    void AddDatum(const TDF_Label& feature, const TDF_Label& tolerance, const char* name, int place,
                  bool maximumMaterial = false, int target = 0)
    {
        const TDF_Label label = Tool()->AddDatum();
        Handle(XCAFDimTolObjects_DatumObject) object = new XCAFDimTolObjects_DatumObject;
        object->SetName(new TCollection_HAsciiString(name));
        object->SetPosition(place);
        if (maximumMaterial) {
            object->AddModifier(XCAFDimTolObjects_DatumSingleModif_MaximumMaterialRequirement);
        }
        if (target > 0) {
            object->IsDatumTarget(Standard_True);
            object->SetDatumTargetNumber(target);
            object->SetDatumTargetType(XCAFDimTolObjects_DatumTargetType_Point);
        }
        XCAFDoc_Datum::Set(label)->SetObject(object);
        TDF_LabelSequence features;
        features.Append(feature);
        Tool()->SetDatum(features, label);
        Tool()->SetDatumToGeomTol(label, tolerance);
    }

    orvex::Model Saved(const std::string& name)
    {
        const std::string path = myDir.File(name);
        EXPECT_TRUE(myBuilder.SaveStep(path));
        orvex::ReadResult read = orvex::Read(path);
        EXPECT_TRUE(read) << read.failure.Text();
        return read ? *read.model : orvex::Model();
    }

    orvex::PmiList WrittenAndRead(const char* unit = nullptr)
    {
        const std::string path = myDir.File("block.stp");
        myBuilder.Finish();
        EXPECT_TRUE(unit == nullptr
                        ? myBuilder.SaveStep(path)
                        : orvkit::XdeDocumentSTEP::Write(path, myBuilder.GetImpl(), unit));
        orvex::ReadResult read = orvex::Read(path);
        EXPECT_TRUE(read) << read.failure.Text();
        return read ? orvex::ReadPmi(*read.model) : orvex::PmiList();
    }

    orvtest::TempDir myDir;
    XcafBuilder myBuilder;
    TDF_Label myPart;
};

TEST_F(PmiExportTest, AllAroundAndAllOverComeBack)
{
    TDF_Label label;
    Handle(XCAFDimTolObjects_GeomToleranceObject) around = AddTolerance(
        {Face(0), Face(2)}, XCAFDimTolObjects_GeomToleranceType_ProfileOfSurface, 0.5, &label);
    around->AddModifier(XCAFDimTolObjects_GeomToleranceModif_All_Around);
    Store(label, around);
    AddDatum(Face(4), label, "A", 1);
    Handle(XCAFDimTolObjects_GeomToleranceObject) over =
        AddTolerance({myPart}, XCAFDimTolObjects_GeomToleranceType_ProfileOfSurface, 1.5, &label);
    over->AddModifier(XCAFDimTolObjects_GeomToleranceModif_All_Over);
    Store(label, over);

    const orvex::PmiList pmi = WrittenAndRead();
    ASSERT_EQ(pmi.tolerances.size(), 2u);
    EXPECT_EQ(pmi.tolerances[0].modifiers, std::vector<std::string>{"all around"});
    EXPECT_EQ(pmi.tolerances[0].targets,
              (std::vector<std::string>{"BLOCK face 0", "BLOCK face 2"}));
    // A drawing marks all around on the leader, not inside the frame.
    EXPECT_EQ(pmi.tolerances[0].frame, "⌓ 0.5 | A");
    EXPECT_EQ(pmi.tolerances[1].modifiers, std::vector<std::string>{"all over"});
    EXPECT_EQ(pmi.tolerances[1].targets, std::vector<std::string>{"BLOCK"});
}

TEST_F(PmiExportTest, MaterialModifierAndProjectedZoneComeBack)
{
    TDF_Label label;
    Handle(XCAFDimTolObjects_GeomToleranceObject) position =
        AddTolerance({Face(1)}, XCAFDimTolObjects_GeomToleranceType_Position, 0.15, &label);
    position->SetTypeOfValue(XCAFDimTolObjects_GeomToleranceTypeValue_Diameter);
    position->SetMaterialRequirementModifier(XCAFDimTolObjects_GeomToleranceMatReqModif_M);
    position->SetZoneModifier(XCAFDimTolObjects_GeomToleranceZoneModif_Projected);
    position->SetValueOfZoneModifier(6.5);
    Store(label, position);
    AddDatum(Face(4), label, "A", 1);
    Handle(XCAFDimTolObjects_GeomToleranceObject) flat =
        AddTolerance({Face(5)}, XCAFDimTolObjects_GeomToleranceType_Flatness, 0.05, &label);
    flat->SetMaterialRequirementModifier(XCAFDimTolObjects_GeomToleranceMatReqModif_L);
    Store(label, flat);

    const orvex::PmiList pmi = WrittenAndRead();
    ASSERT_EQ(pmi.tolerances.size(), 2u);
    EXPECT_EQ(pmi.tolerances[0].modifiers, (std::vector<std::string>{"MMC", "projected"}));
    EXPECT_NEAR(pmi.tolerances[0].zoneValue.value_or(0), 6.5, 1e-9);
    EXPECT_EQ(pmi.tolerances[0].frame, "⌖ ⌀0.15 Ⓜ Ⓟ | A");
    EXPECT_EQ(pmi.tolerances[1].modifiers, std::vector<std::string>{"LMC"});
}

TEST_F(PmiExportTest, EachDatumOfACommonDatumKeepsItsOwnModifiers)
{
    TDF_Label label;
    AddTolerance({Face(1)}, XCAFDimTolObjects_GeomToleranceType_Position, 0.2, &label);
    AddDatum(Face(4), label, "A", 1);
    AddDatum(Face(0), label, "B", 2, true);
    AddDatum(Face(2), label, "C", 2, true);

    const orvex::PmiList pmi = WrittenAndRead();
    ASSERT_EQ(pmi.tolerances.size(), 1u);
    ASSERT_EQ(pmi.tolerances[0].datums.size(), 3u);
    EXPECT_EQ(pmi.tolerances[0].datums[2].modifiers, std::vector<std::string>{"MMC"});
    EXPECT_EQ(pmi.tolerances[0].frame, "⌖ 0.2 | A | BⓂ-CⓂ");
}

// The points of a datum target are often isolated points of a part of their own.
TEST_F(PmiExportTest, ADatumTargetOnAnIsolatedPointKeepsIt)
{
    const TopoDS_Shape first = BRepBuilderAPI_MakeVertex(gp_Pnt(5, 0, 10)).Vertex();
    const TopoDS_Shape second = BRepBuilderAPI_MakeVertex(gp_Pnt(35, 0, 10)).Vertex();
    const TDF_Label points = myBuilder.AddPart("POINTS", orvtest::MakeCompound({first, second}));
    TDF_Label label;
    AddTolerance({Face(1)}, XCAFDimTolObjects_GeomToleranceType_Position, 0.2, &label);
    AddDatum(myBuilder.AddSubShape(points, TopAbs_VERTEX, 1), label, "A", 1, false, 1);
    AddDatum(myBuilder.AddSubShape(points, TopAbs_VERTEX, 0), label, "A", 1, false, 2);

    const orvex::PmiList pmi = WrittenAndRead();
    ASSERT_EQ(pmi.datumTargets.size(), 2u);
    EXPECT_EQ(pmi.datumTargets[0].label, "A1");
    EXPECT_EQ(pmi.datumTargets[0].targets, std::vector<std::string>{"POINTS vertex 1"});
    EXPECT_EQ(pmi.datumTargets[1].targets, std::vector<std::string>{"POINTS vertex 0"});
}

TEST_F(PmiExportTest, ValuesKeepTheirSizeInAFileOfAnotherUnit)
{
    TDF_Label label;
    AddTolerance({Face(1)}, XCAFDimTolObjects_GeomToleranceType_Flatness, 0.15, &label);
    const TDF_Label distance = myBuilder.AddDimension(
        XCAFDimTolObjects_DimensionType_Location_LinearDistance, 40, {Face(0)}, {Face(1)});
    Handle(XCAFDoc_Dimension) attribute;
    ASSERT_TRUE(distance.FindAttribute(XCAFDoc_Dimension::GetID(), attribute));
    Handle(XCAFDimTolObjects_DimensionObject) object = attribute->GetObject();
    object->SetUpperTolValue(0.2);
    object->SetLowerTolValue(0.1);
    attribute->SetObject(object);

    const orvex::PmiList pmi = WrittenAndRead("M");
    ASSERT_EQ(pmi.tolerances.size(), 1u);
    EXPECT_NEAR(pmi.tolerances[0].value.value_or(0), 0.15, 1e-9);
    ASSERT_EQ(pmi.dimensions.size(), 1u);
    EXPECT_NEAR(pmi.dimensions[0].value.value_or(0), 40, 1e-9);
    EXPECT_NEAR(pmi.dimensions[0].upper.value_or(0), 0.2, 1e-9);
}

TEST_F(PmiExportTest, AnAngleKeepsItsDeviationsAndADistanceStandsBesideAThickness)
{
    const TDF_Label angle = myBuilder.AddDimension(XCAFDimTolObjects_DimensionType_Location_Angular,
                                                   90, {Face(0)}, {Face(2)});
    Handle(XCAFDoc_Dimension) attribute;
    ASSERT_TRUE(angle.FindAttribute(XCAFDoc_Dimension::GetID(), attribute));
    Handle(XCAFDimTolObjects_DimensionObject) object = attribute->GetObject();
    object->SetUpperTolValue(0.5);
    object->SetLowerTolValue(0.5);
    attribute->SetObject(object);
    myBuilder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Thickness, 20, {Face(4), Face(5)});
    myBuilder.AddDimension(XCAFDimTolObjects_DimensionType_Location_LinearDistance, 20, {Face(4)},
                           {Face(5)});

    const orvex::PmiList pmi = WrittenAndRead();
    ASSERT_EQ(pmi.dimensions.size(), 3u);
    EXPECT_NEAR(pmi.dimensions[0].value.value_or(0), 90, 1e-9);
    EXPECT_NEAR(pmi.dimensions[0].upper.value_or(0), 0.5, 1e-9);
    EXPECT_EQ(pmi.dimensions[1].kind, "thickness");
    EXPECT_EQ(pmi.dimensions[2].kind, "linear distance");
    EXPECT_EQ(pmi.dimensions[2].targets,
              (std::vector<std::string>{"BLOCK face 4", "BLOCK face 5"}));
}

TEST_F(PmiExportTest, CompareNamesADroppedToleranceAndAFormatWithoutPmiIsSaidSo)
{
    TDF_Label position;
    AddTolerance({Face(1)}, XCAFDimTolObjects_GeomToleranceType_Position, 0.2, &position);
    AddDatum(Face(4), position, "A", 1);
    TDF_Label flatness;
    AddTolerance({Face(5)}, XCAFDimTolObjects_GeomToleranceType_Flatness, 0.05, &flatness);
    const orvex::Model full = Saved("full.stp");
    flatness.ForgetAllAttributes();
    const orvex::Model dropped = Saved("dropped.stp");

    const orvex::CompareReport report = orvex::Compare(full, dropped);
    ASSERT_EQ(report.differences.size(), 1u) << report.summary;
    EXPECT_EQ(report.differences[0].Text(), "tolerance 2 (flatness): only in the first file");
    EXPECT_NE(std::find(report.compared.begin(), report.compared.end(), "pmi"),
              report.compared.end());

    orvex::WriteOptions options;
    options.verify = true;
    const orvex::WriteReport copy = orvex::Write(full, myDir.File("copy.stp"), options);
    EXPECT_EQ(copy.verified, std::optional<bool>(true)) << copy.summary;
    const orvex::WriteReport iges = orvex::Write(full, myDir.File("block.igs"), options);
    EXPECT_NE(std::find(iges.lost.begin(), iges.lost.end(),
                        "3 PMI items (tolerances, datums) are not kept: IGES holds no semantic "
                        "PMI"),
              iges.lost.end())
        << ::testing::PrintToString(iges.lost);
    EXPECT_NE(iges.summary.find("pmi (IGES holds no semantic PMI)"), std::string::npos)
        << iges.summary;
}

} // namespace
