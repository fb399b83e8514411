#include "Support/TestSupport.h"

#include "Interop/Kernel/XdeDocumentSTEP.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>

namespace orvtest {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "orvex-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (made == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    myPath = made;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // A test may have taken write permission away; give it back so the folder can go.
    fs::permissions(myPath, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(myPath, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& content) const
{
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

TopoDS_Compound MakeCompound(const std::vector<TopoDS_Shape>& members)
{
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    for (const TopoDS_Shape& member : members) {
        builder.Add(compound, member);
    }
    return compound;
}

ProgramRun RunProgram(const std::string& arguments, const TempDir& dir)
{
    const std::string out = dir.File("stdout.txt");
    const std::string err = dir.File("stderr.txt");
    const std::string command =
        std::string("'") + ORVEX_PROGRAM + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadWholeFile(out);
    run.err = ReadWholeFile(err);
    return run;
}

size_t Lines(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string SamplePath()
{
    return std::string(ORVEX_EXAMPLES_DIR) + "/as1-assembly.stp";
}

std::string ProgramPath()
{
    return ORVEX_PROGRAM;
}

std::string CorpusFile(const std::string& relative)
{
    const std::string shared = std::string(ORVEX_CORPUS_DIR) + "/" + relative;
    if (fs::exists(shared)) {
        return shared;
    }
    // tests/data holds single files only; a test that asks for a corpus folder wants them all.
    const std::string copy = std::string(ORVEX_TEST_DATA_DIR) + "/" + relative;
    return fs::is_regular_file(copy) ? copy : std::string();
}

std::string TestDataFile(const std::string& relative)
{
    return std::string(ORVEX_TEST_DATA_DIR) + "/" + relative;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ScopedLogCapture::ScopedLogCapture() : mySink(std::make_shared<orvkit::CaptureLogSink>())
{
    orvkit::Logger::Instance().AddSink(mySink);
}

ScopedLogCapture::~ScopedLogCapture()
{
    orvkit::Logger::Instance().RemoveSink(mySink);
}

XcafBuilder::XcafBuilder() = default;

TDF_Label XcafBuilder::AddPart(const std::string& name, const TopoDS_Shape& shape)
{
    TDF_Label label = myImpl.shapeTool->AddShape(shape, Standard_False);
    if (!name.empty()) {
        TDataStd_Name::Set(label, TCollection_ExtendedString(name.c_str(), Standard_True));
    }
    return label;
}

TDF_Label XcafBuilder::AddAssembly(const std::string& name)
{
    TDF_Label label = myImpl.shapeTool->NewShape();
    TDataStd_Name::Set(label, TCollection_ExtendedString(name.c_str(), Standard_True));
    return label;
}

TDF_Label XcafBuilder::AddComponent(const TDF_Label& assembly, const TDF_Label& part,
                                    const gp_Trsf& placement, const std::string& name)
{
    TDF_Label component =
        myImpl.shapeTool->AddComponent(assembly, part, TopLoc_Location(placement));
    if (!name.empty()) {
        TDataStd_Name::Set(component, TCollection_ExtendedString(name.c_str(), Standard_True));
    }
    return component;
}

void XcafBuilder::SetColor(const TDF_Label& label, const Quantity_Color& color)
{
    myImpl.colorTool->SetColor(label, color, XCAFDoc_ColorSurf);
}

TDF_Label XcafBuilder::SetFaceColor(const TDF_Label& part, int faceIndex,
                                    const Quantity_Color& color)
{
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(myImpl.shapeTool->GetShape(part), TopAbs_FACE, faces);
    TDF_Label sub = myImpl.shapeTool->AddSubShape(part, faces.FindKey(faceIndex + 1));
    myImpl.colorTool->SetColor(sub, color, XCAFDoc_ColorSurf);
    return sub;
}

void XcafBuilder::SetSubShapeColor(const TDF_Label& part, const TopoDS_Shape& sub,
                                   const Quantity_Color& color)
{
    TDF_Label label = myImpl.shapeTool->AddSubShape(part, sub);
    myImpl.colorTool->SetColor(label, color, XCAFDoc_ColorSurf);
}

TDF_Label XcafBuilder::AddDimension(int type, double value, const std::vector<TDF_Label>& first,
                                    const std::vector<TDF_Label>& second)
{
    const TDF_Label label = myImpl.dimTolTool->AddDimension();
    Handle(XCAFDoc_Dimension) dimension = XCAFDoc_Dimension::Set(label);
    Handle(XCAFDimTolObjects_DimensionObject) object = new XCAFDimTolObjects_DimensionObject();
    object->SetType(static_cast<XCAFDimTolObjects_DimensionType>(type));
    object->SetValue(value);
    object->SetPointTextAttach(gp_Pnt(1, 2, 3));
    object->SetPlane(gp_Ax2(gp_Pnt(1, 2, 3), gp_Dir(0, 0, 1)));
    dimension->SetObject(object);
    TDF_LabelSequence firstLabels;
    TDF_LabelSequence secondLabels;
    for (const TDF_Label& target : first) {
        firstLabels.Append(target);
    }
    for (const TDF_Label& target : second) {
        secondLabels.Append(target);
    }
    myImpl.dimTolTool->SetDimension(firstLabels, secondLabels, label);
    return label;
}

TDF_Label XcafBuilder::AddSubShape(const TDF_Label& part, TopAbs_ShapeEnum type, int index)
{
    TopTools_IndexedMapOfShape map;
    TopExp::MapShapes(myImpl.shapeTool->GetShape(part), type, map);
    return myImpl.shapeTool->AddSubShape(part, map.FindKey(index + 1));
}

void XcafBuilder::Finish()
{
    myImpl.shapeTool->UpdateAssemblies();
}

bool XcafBuilder::SaveStep(const std::string& path)
{
    Finish();
    return orvkit::XdeDocumentSTEP::Save(path, myImpl, nullptr);
}

TopoDS_Shape MakeBox(double dx, double dy, double dz)
{
    return BRepPrimAPI_MakeBox(dx, dy, dz).Shape();
}

TopoDS_Shape MakeCylinder(double radius, double height)
{
    return BRepPrimAPI_MakeCylinder(radius, height).Shape();
}

gp_Trsf Translation(double x, double y, double z)
{
    gp_Trsf trsf;
    trsf.SetTranslation(gp_Vec(x, y, z));
    return trsf;
}

std::vector<orvkit::Element*> ElementsNamed(const orvkit::Document& document, const char* className)
{
    std::vector<orvkit::Element*> result;
    for (orvkit::Element* element : document.GetElements()) {
        if (std::string(element->GetClassName()) == className) {
            result.push_back(element);
        }
    }
    return result;
}

orvkit::Element* FindByName(const orvkit::Document& document, const std::string& name)
{
    for (orvkit::Element* element : document.GetElements()) {
        if (element->GetName() == name) {
            return element;
        }
    }
    return nullptr;
}

::testing::AssertionResult ColorNear(const Quantity_Color& expected, float r, float g, float b)
{
    const NCollection_Vec3<float> rgb = expected.Rgb();
    const float tolerance = 1e-3f;
    if (std::abs(rgb.r() - r) < tolerance && std::abs(rgb.g() - g) < tolerance &&
        std::abs(rgb.b() - b) < tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "expected (" << rgb.r() << ", " << rgb.g() << ", " << rgb.b() << ") got (" << r
           << ", " << g << ", " << b << ")";
}

int CountTriangles(const TopoDS_Shape& shape)
{
    int triangles = 0;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh =
            BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        triangles += mesh.IsNull() ? 0 : mesh->NbTriangles();
    }
    return triangles;
}

} // namespace orvtest
