// Geometric tolerances, datums, datum targets and dimensions of other types become PmiElements
// beside the dimension annotations, tied to the faces they apply to.
#include "Support/TestSupport.h"

#include "Annotation/AnnotationElement.h"
#include "Annotation/PmiElement.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Data/Kernel/ShapeElement.h"
#include "Geometry/Kernel/ValueText.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Xde2Doc.h"

#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <XCAFDimTolObjects_DatumObject.hxx>
#include <XCAFDimTolObjects_DimensionType.hxx>
#include <XCAFDimTolObjects_GeomToleranceObject.hxx>
#include <XCAFDoc_Datum.hxx>
#include <XCAFDoc_GeomTolerance.hxx>

using namespace orvkit;
using namespace orvtest;

namespace {

class PmiDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        myBox = myBuilder.AddPart("Block", MakeBox(10, 20, 30));
        myTool = myBuilder.GetImpl().dimTolTool;
    }

    TDF_Label Face(int index) { return myBuilder.AddSubShape(myBox, TopAbs_FACE, index); }

    // A datum on a face, attached to `tolerance` at `position` in its frame.
    TDF_Label AddDatum(const char* name, int face, const TDF_Label& tolerance, int position)
    {
        const TDF_Label label = myTool->AddDatum();
        Handle(XCAFDimTolObjects_DatumObject) object = new XCAFDimTolObjects_DatumObject();
        object->SetName(new TCollection_HAsciiString(name));
        object->SetPosition(position);
        XCAFDoc_Datum::Set(label)->SetObject(object);
        TDF_LabelSequence faces;
        faces.Append(Face(face));
        myTool->SetDatum(faces, label);
        myTool->SetDatumToGeomTol(label, tolerance);
        return label;
    }

    TDF_Label AddTolerance(XCAFDimTolObjects_GeomToleranceType type, double value, int face,
                           XCAFDimTolObjects_GeomToleranceTypeValue zone)
    {
        const TDF_Label label = myTool->AddGeomTolerance();
        Handle(XCAFDimTolObjects_GeomToleranceObject) object =
            new XCAFDimTolObjects_GeomToleranceObject();
        object->SetType(type);
        object->SetValue(value);
        object->SetTypeOfValue(zone);
        myObjects.push_back(object);
        XCAFDoc_GeomTolerance::Set(label)->SetObject(object);
        myTool->SetGeomTolerance(Face(face), label);
        return label;
    }

    // The tolerances' values as the kernel reads the written file back.
    std::vector<double> KernelValues()
    {
        XdeDocumentImpl impl;
        EXPECT_TRUE(StepModelReader().Open(myDir.File("pmi.step"), impl, nullptr));
        TDF_LabelSequence labels;
        impl.dimTolTool->GetGeomToleranceLabels(labels);
        std::vector<double> values;
        for (const TDF_Label& label : labels) {
            Handle(XCAFDoc_GeomTolerance) tolerance;
            if (label.FindAttribute(XCAFDoc_GeomTolerance::GetID(), tolerance)) {
                values.push_back(tolerance->GetObject()->GetValue());
            }
        }
        return values;
    }

    std::shared_ptr<Document> Import()
    {
        const std::string path = myDir.File("pmi.step");
        EXPECT_TRUE(myBuilder.SaveStep(path));
        Xde2Doc converter;
        EXPECT_TRUE(converter.Load(path));
        converter.Transfer();
        return converter.GetDocument();
    }

    TempDir myDir;
    XcafBuilder myBuilder;
    TDF_Label myBox;
    Handle(XCAFDoc_DimTolTool) myTool;
    std::vector<Handle(XCAFDimTolObjects_GeomToleranceObject)> myObjects;
};

std::vector<const PmiElement*> OfKind(const Document& document, EnumAnnotationKind kind)
{
    std::vector<const PmiElement*> found;
    for (const PmiElement* pmi : ElementsOf<PmiElement>(document)) {
        if (pmi->GetKind() == kind) {
            found.push_back(pmi);
        }
    }
    return found;
}

gp_Pnt CentreOf(const TopoDS_Shape& face)
{
    GProp_GProps props;
    BRepGProp::SurfaceProperties(face, props);
    return props.CentreOfMass();
}

// The index, in the box's face map, of the face a reference element names; the faces of a
// 10 x 20 x 30 box are told apart by their centres.
int FaceIndexOf(const Document& document, ObjectId target)
{
    const auto* reference = document.FindElementAs<ReferenceShape>(target);
    if (reference == nullptr || reference->GetPickedId().GetShapeType() != TopoShapeFace) {
        return -1;
    }
    const PickedId& picked = reference->GetPickedId();
    const auto* owner = document.FindElementAs<ShapeElement>(picked.GetElementId());
    const gp_Pnt centre =
        CentreOf(owner->GetShape()->FindChild(picked.GetShapeType(), picked.GetTopoShapeId()));
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(MakeBox(10, 20, 30), TopAbs_FACE, faces);
    for (int i = 1; i <= faces.Extent(); ++i) {
        if (CentreOf(faces(i)).Distance(centre) < 1e-6) {
            return i - 1;
        }
    }
    return -2;
}

TEST_F(PmiDocumentTest, ToleranceFrameNamesItsDatumsInOrderAndEachDatumIsOneElement)
{
    const TDF_Label position = AddTolerance(XCAFDimTolObjects_GeomToleranceType_Position, 0.15, 1,
                                            XCAFDimTolObjects_GeomToleranceTypeValue_Diameter);
    myObjects.back()->SetMaterialRequirementModifier(XCAFDimTolObjects_GeomToleranceMatReqModif_L);
    // Attached out of frame order: the frame follows the positions.
    AddDatum("H", 2, position, 2);
    const TDF_Label g = AddDatum("G", 0, position, 1);
    const TDF_Label flatness = AddTolerance(XCAFDimTolObjects_GeomToleranceType_Flatness, 0.05, 0,
                                            XCAFDimTolObjects_GeomToleranceTypeValue_None);
    // G again, through the second tolerance.
    myTool->SetDatumToGeomTol(g, flatness);
    auto document = Import();

    const auto tolerances = OfKind(*document, AnnotationGeometricTolerance);
    const auto datums = OfKind(*document, AnnotationDatum);
    ASSERT_EQ(tolerances.size(), 2u);
    ASSERT_EQ(datums.size(), 2u);
    EXPECT_TRUE(ElementsOf<AnnotationElement>(*document).empty());
    // OpenCASCADE 7.6's AP242 round trip keeps neither the material modifier nor the value's
    // scale, so the values are those its reader gives back.
    const std::vector<double> values = KernelValues();
    ASSERT_EQ(values.size(), 2u);
    const PmiContent& frame = tolerances[0]->GetContent();
    EXPECT_EQ(frame.type, "position");
    EXPECT_DOUBLE_EQ(frame.value, values[0]);
    EXPECT_EQ(frame.zone, "diameter");
    EXPECT_EQ(frame.frame, "⌖ ⌀" + Number(values[0]) + " | G | H");
    ASSERT_EQ(frame.targets.size(), 1u);
    EXPECT_EQ(FaceIndexOf(*document, frame.targets[0]), 1);
    ASSERT_EQ(frame.datums.size(), 2u);
    std::map<std::string, const PmiElement*> byLabel;
    for (const PmiElement* datum : datums) {
        EXPECT_TRUE(datum->IsBrowserable());
        byLabel[datum->GetContent().label] = datum;
    }
    ASSERT_EQ(byLabel.count("G"), 1u);
    ASSERT_EQ(byLabel.count("H"), 1u);
    EXPECT_EQ(frame.datums[0].datum, byLabel["G"]->GetId());
    EXPECT_EQ(frame.datums[1].datum, byLabel["H"]->GetId());
    EXPECT_EQ(FaceIndexOf(*document, byLabel["G"]->GetContent().targets.at(0)), 0);
    EXPECT_EQ(FaceIndexOf(*document, byLabel["H"]->GetContent().targets.at(0)), 2);

    const PmiContent& flat = tolerances[1]->GetContent();
    EXPECT_EQ(flat.frame, "⏥ " + Number(values[1]) + " | G");
    EXPECT_EQ(flat.zone, "");
    ASSERT_EQ(flat.datums.size(), 1u);
    EXPECT_EQ(flat.datums[0].datum, byLabel["G"]->GetId());
}

TEST_F(PmiDocumentTest, OtherDimensionTypesKeepTheirTypeValueAndTargets)
{
    myBuilder.AddDimension(XCAFDimTolObjects_DimensionType_Size_Thickness, 5, {Face(4)});
    auto document = Import();

    EXPECT_TRUE(ElementsOf<AnnotationElement>(*document).empty());
    const auto pmi = ElementsOf<PmiElement>(*document);
    ASSERT_EQ(pmi.size(), 1u);
    EXPECT_EQ(pmi[0]->GetKind(), AnnotationDimension);
    EXPECT_TRUE(pmi[0]->IsBrowserable());
    const PmiContent& thickness = pmi[0]->GetContent();
    EXPECT_EQ(thickness.type, "thickness");
    EXPECT_TRUE(thickness.hasValue);
    EXPECT_DOUBLE_EQ(thickness.value, 5);
    ASSERT_EQ(thickness.targets.size(), 1u);
    EXPECT_EQ(FaceIndexOf(*document, thickness.targets[0]), 4);
}

} // namespace
