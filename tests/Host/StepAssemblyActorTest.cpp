// The kernel's STEP assembly actor against OpenCASCADE's own, and the kernel's read in one
// process against its read with worker processes: all must give the same XCAF document, label
// by label, on real files and on assemblies shaped to reach every branch.
#include "AssemblyGenerator.h"
#include "Support/TestSupport.h"

#include "Common/Core/CaptureLogSink.h"
#include "Common/Core/Logger.h"
#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"

#include <BRep_Tool.hxx>
#include <Quantity_ColorRGBA.hxx>
#include <TColStd_HSequenceOfExtendedString.hxx>
#include <TDF_ChildIterator.hxx>
#include <TDF_Tool.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_LayerTool.hxx>
#include <gp_Ax1.hxx>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace orvkit;
using namespace orvtest;

namespace {

// One label as both readers must leave it: the words in `text`, the placement and colour
// components in `numbers`.
struct LabelRecord {
    std::string text;
    std::vector<double> numbers;
};

std::string Entry(const TDF_Label& label)
{
    TCollection_AsciiString entry;
    TDF_Tool::Entry(label, entry);
    return entry.ToCString();
}

LabelRecord Describe(const TDF_Label& label, XdeDocumentImpl& impl)
{
    LabelRecord record;
    std::ostringstream text;
    text << Entry(label) << " [" << (XCAFDoc_ShapeTool::IsAssembly(label) ? "A" : "")
         << (XCAFDoc_ShapeTool::IsComponent(label) ? "C" : "")
         << (XCAFDoc_ShapeTool::IsReference(label) ? "R" : "")
         << (XCAFDoc_ShapeTool::IsSimpleShape(label) ? "S" : "")
         << (XCAFDoc_ShapeTool::IsSubShape(label) ? "s" : "")
         << (XCAFDoc_ShapeTool::IsFree(label) ? "F" : "") << "]";
    Handle(TDataStd_Name) name;
    if (label.FindAttribute(TDataStd_Name::GetID(), name)) {
        text << " '" << TCollection_AsciiString(name->Get()).ToCString() << "'";
    }
    TDF_Label referred;
    if (XCAFDoc_ShapeTool::GetReferredShape(label, referred)) {
        text << " -> " << Entry(referred);
    }
    const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
    if (!shape.IsNull()) {
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(shape, TopAbs_FACE, faces);
        text << " type " << shape.ShapeType() << " faces " << faces.Extent();
        const gp_Trsf placement = shape.Location().Transformation();
        for (int row = 1; row <= 3; ++row) {
            for (int column = 1; column <= 4; ++column) {
                record.numbers.push_back(placement.Value(row, column));
            }
        }
        // The geometry itself, through its vertices and their tolerances.
        gp_XYZ sum;
        double tolerance = 0;
        for (TopExp_Explorer vertex(shape, TopAbs_VERTEX); vertex.More(); vertex.Next()) {
            sum += BRep_Tool::Pnt(TopoDS::Vertex(vertex.Current())).XYZ();
            tolerance += BRep_Tool::Tolerance(TopoDS::Vertex(vertex.Current()));
        }
        record.numbers.insert(record.numbers.end(), {sum.X(), sum.Y(), sum.Z(), tolerance});
    }
    for (const XCAFDoc_ColorType type : {XCAFDoc_ColorGen, XCAFDoc_ColorSurf, XCAFDoc_ColorCurv}) {
        Quantity_ColorRGBA color;
        if (impl.colorTool->GetColor(label, type, color)) {
            text << " colour" << type;
            record.numbers.insert(record.numbers.end(),
                                  {color.GetRGB().Red(), color.GetRGB().Green(),
                                   color.GetRGB().Blue(), color.Alpha()});
        }
    }
    const Handle(XCAFDoc_LayerTool) layers = XCAFDoc_DocumentTool::LayerTool(label);
    Handle(TColStd_HSequenceOfExtendedString) layerNames = new TColStd_HSequenceOfExtendedString;
    layers->GetLayers(label, layerNames);
    for (int index = 1; index <= layerNames->Length(); ++index) {
        text << " layer '" << TCollection_AsciiString(layerNames->Value(index)).ToCString() << "'";
    }
    record.text = text.str();
    return record;
}

struct DocumentRecord {
    std::vector<LabelRecord> labels;
    std::string summary;
};

// With `jobs` processes translating the parts; the kernel's default when 0.
DocumentRecord Read(const std::string& path, bool stock, int jobs = 1)
{
    DocumentRecord result;
    ParameterDict settings;
    settings.Add("StockReader", ParameterCreator::Create(stock));
    if (jobs > 0) {
        settings.Add(StepModelReader::TransferJobsKey, ParameterCreator::Create(jobs));
    }
    XdeDocumentImpl impl;
    if (!StepModelReader().Open(path, impl, &settings)) {
        result.summary = "not read";
        return result;
    }
    for (TDF_ChildIterator child(impl.shapeTool->Label(), Standard_True); child.More();
         child.Next()) {
        result.labels.push_back(Describe(child.Value(), impl));
    }
    TDF_LabelSequence dimensions, tolerances, datums;
    impl.dimTolTool->GetDimensionLabels(dimensions);
    impl.dimTolTool->GetGeomToleranceLabels(tolerances);
    impl.dimTolTool->GetDatumLabels(datums);
    std::ostringstream summary;
    summary << impl.freeShapes.Length() << " free, " << dimensions.Length() << " dimensions, "
            << tolerances.Length() << " tolerances, " << datums.Length() << " datums";
    result.summary = summary.str();
    return result;
}

// Same labels in the same order, with placements and colours within 1e-9.
void ExpectSameLabels(const DocumentRecord& ours, const DocumentRecord& theirs)
{
    EXPECT_EQ(ours.summary, theirs.summary);
    ASSERT_EQ(ours.labels.size(), theirs.labels.size());
    for (size_t index = 0; index < ours.labels.size(); ++index) {
        const LabelRecord& a = ours.labels[index];
        const LabelRecord& b = theirs.labels[index];
        ASSERT_EQ(a.text, b.text); // the first difference says it all
        ASSERT_EQ(a.numbers.size(), b.numbers.size()) << a.text;
        for (size_t number = 0; number < a.numbers.size(); ++number) {
            EXPECT_NEAR(a.numbers[number], b.numbers[number], 1e-9) << a.text;
        }
    }
}

// Workers for files of any size while it lives.
class WorkersForAnyFile {
public:
    WorkersForAnyFile() { ::setenv("ORVEX_TRANSFER_MIN_FACES", "0", 1); }
    ~WorkersForAnyFile() { ::unsetenv("ORVEX_TRANSFER_MIN_FACES"); }
    WorkersForAnyFile(const WorkersForAnyFile&) = delete;
    WorkersForAnyFile& operator=(const WorkersForAnyFile&) = delete;
};

// Reads `path` with both actors, and with ours in one process and in two and three, compares
// the documents and returns ours.
DocumentRecord ExpectSameDocument(const std::string& path)
{
    SCOPED_TRACE(path);
    DocumentRecord ours = Read(path, false);
    ExpectSameLabels(ours, Read(path, true));
    const WorkersForAnyFile workers;
    for (const int jobs : {2, 3}) {
        SCOPED_TRACE(std::to_string(jobs) + " processes");
        ExpectSameLabels(Read(path, false, jobs), ours);
    }
    return ours;
}

class StepAssemblyActorTest : public ::testing::Test {
protected:
    // A red box and a blue cylinder; the box at three depths (root, sub-assembly, and the
    // sub-assembly's own sub-assembly), the sub-assembly placed twice with rotations.
    std::string WriteNestedAssembly(const char* unit = "MM")
    {
        XcafBuilder builder;
        const TDF_Label box = builder.AddPart("Box", MakeBox(1, 2, 3));
        const TDF_Label cylinder = builder.AddPart("Cylinder", MakeCylinder(0.5, 4));
        builder.SetColor(box, Quantity_Color(Quantity_NOC_RED));
        builder.SetColor(cylinder, Quantity_Color(Quantity_NOC_BLUE1));
        const TDF_Label inner = builder.AddAssembly("Inner");
        builder.AddComponent(inner, box, Translation(0, 0, 5), "deep box");
        const TDF_Label middle = builder.AddAssembly("Middle");
        builder.AddComponent(middle, inner, Translation(1, 0, 0));
        builder.AddComponent(middle, cylinder, Translation(0, 3, 0), "cylinder");
        builder.AddComponent(middle, box, Translation(2, 2, 2));
        const TDF_Label root = builder.AddAssembly("Root");
        gp_Trsf turned;
        turned.SetRotation(gp_Ax1(gp_Pnt(1, 1, 0), gp_Dir(0, 0, 1)), 0.75);
        turned.SetTranslationPart(gp_Vec(10, -4, 1));
        builder.AddComponent(root, middle, turned, "left");
        builder.AddComponent(root, middle, Translation(-10, 0, 0), "right");
        builder.AddComponent(root, box, Translation(0, 0, -7), "root box");
        for (int copy = 0; copy < 20; ++copy) { // enough placements to index the items
            builder.AddComponent(root, cylinder, Translation(copy, copy * 0.5, 0));
        }
        builder.Finish();
        const std::string path = myDir.File(std::string("nested-") + unit + ".step");
        EXPECT_TRUE(XdeDocumentSTEP::Write(path, builder.GetImpl(), unit));
        return path;
    }

    TempDir myDir;
};

TEST_F(StepAssemblyActorTest, SameDocumentOnNestedAssemblies)
{
    // 2 parts, 3 assemblies, 27 components; in inches, every placement is scaled on the way.
    const std::string inches = WriteNestedAssembly("INCH");
    ASSERT_NE(ReadWholeFile(inches).find("'INCH'"), std::string::npos);
    for (const std::string& path : {WriteNestedAssembly(), inches}) {
        EXPECT_EQ(ExpectSameDocument(path).labels.size(), 32u);
    }
}

TEST_F(StepAssemblyActorTest, SameDocumentWhenRelationshipsRunFromAssemblyToPart)
{
    // AP203 writers often relate the assembly's representation to the part's, the other way
    // round from the occurrence; OCCT then inverts the placement. Turning every relationship
    // of a written file round gives such a file.
    const std::string original = WriteNestedAssembly();
    const std::string text = ReadWholeFile(original);
    const std::regex relationship(
        R"(REPRESENTATION_RELATIONSHIP\('([^']*)','([^']*)',(#\d+),(#\d+)\))");
    const std::string reversed =
        std::regex_replace(text, relationship, "REPRESENTATION_RELATIONSHIP('$1','$2',$4,$3)");
    ASSERT_NE(reversed, text);
    const std::string path = myDir.File("reversed.step");
    {
        std::ofstream out(path, std::ios::binary);
        out << reversed;
    }
    const DocumentRecord turned = ExpectSameDocument(path);
    // OCCT sees the relationships reversed, takes the part from their second side, and
    // undoes its own correction of the swapped axes: the same assembly in the same places.
    const DocumentRecord straight = ExpectSameDocument(original);
    EXPECT_EQ(turned.labels.size(), 32u);
    ExpectSameLabels(turned, straight);
}

TEST_F(StepAssemblyActorTest, SameDocumentOnRealFiles)
{
    // The sample: three levels, mapped items, layers, face colours (AP214).
    EXPECT_FALSE(ExpectSameDocument(SamplePath()).labels.empty());
    // Placements in an AP203 file; semantic PMI.
    for (const char* file : {"step/trj2_as1-pe-203.stp", "step-pmi/bug32745_pmi1.stp"}) {
        const std::string path = CorpusFile(file);
        ASSERT_FALSE(path.empty()) << file;
        EXPECT_FALSE(ExpectSameDocument(path).labels.empty());
    }
}

TEST_F(StepAssemblyActorTest, SameDocumentWhenWorkersTranslateDistinctParts)
{
    // Parts each placed once and parts placed many times, a third of their faces coloured:
    // the workers' shapes must carry the face colours and the instances.
    const auto log = std::make_shared<CaptureLogSink>();
    Logger::Instance().AddSink(log);
    for (const auto& [parts, instances, depth] : {std::tuple{40, 40, 1}, std::tuple{12, 60, 2}}) {
        orvex::bench::AssemblyParameters parameters;
        parameters.parts = parts;
        parameters.instances = instances;
        parameters.depth = depth;
        parameters.fanout = 3;
        parameters.faceColors = true;
        const std::string path = myDir.File("generated-" + std::to_string(parts) + ".step");
        ASSERT_TRUE(orvex::bench::WriteAssemblyStep(parameters, path));
        const DocumentRecord ours = ExpectSameDocument(path);
        EXPECT_GT(ours.labels.size(), static_cast<size_t>(parts * 3));
    }
    Logger::Instance().RemoveSink(log);
    // The workers did translate each file: they loaded the model themselves and planned what
    // the read planned. (How much a worker takes in one read depends on how soon it is ready.)
    std::vector<int> translated;
    for (const LogRecord& record : log->GetRecords()) {
        int count = 0;
        if (std::sscanf(record.text.c_str(), "STEP reader: workers translated %d of", &count) ==
            1) {
            translated.push_back(count);
        }
    }
    ASSERT_EQ(translated.size(), 4u); // two files, read with two and three processes
    EXPECT_GT(translated[0] + translated[1], 0);
    EXPECT_GT(translated[2] + translated[3], 0);
}

TEST_F(StepAssemblyActorTest, SameDocumentWhenSolidsShareTheirShells)
{
    // Every third solid is made of the shell of the solid before it, a third of its faces
    // coloured: a worker that translated both would hand the read two results that share
    // faces, and the colours would go to the wrong copy.
    orvex::bench::AssemblyParameters parameters;
    parameters.parts = 40;
    parameters.instances = 40;
    parameters.depth = 1;
    parameters.faceColors = true;
    const std::string generated = myDir.File("generated.step");
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(parameters, generated));
    std::string text = ReadWholeFile(generated);
    const std::regex solid(R"((#\d+) = MANIFOLD_SOLID_BREP\('([^']*)',(#\d+)\);)");
    std::vector<std::smatch> solids;
    for (std::sregex_iterator it(text.begin(), text.end(), solid), end; it != end; ++it) {
        solids.push_back(*it);
    }
    ASSERT_EQ(solids.size(), 40u);
    std::string shared;
    size_t copied = 0;
    for (size_t k = 0; k < solids.size(); ++k) {
        shared += text.substr(copied, static_cast<size_t>(solids[k].position()) - copied);
        shared += k % 3 == 1 ? solids[k][1].str() + " = MANIFOLD_SOLID_BREP('" +
                                   solids[k][2].str() + "'," + solids[k - 1][3].str() + ");"
                             : solids[k].str();
        copied = static_cast<size_t>(solids[k].position() + solids[k].length());
    }
    shared += text.substr(copied);
    const std::string path = myDir.File("shared-shells.step");
    {
        std::ofstream out(path, std::ios::binary);
        out << shared;
    }
    EXPECT_GT(ExpectSameDocument(path).labels.size(), 40u * 3);
}

TEST_F(StepAssemblyActorTest, SameDocumentOnEveryCorpusStepFile)
{
    const std::string corpus = CorpusFile("");
    if (corpus.empty() || !std::filesystem::is_directory(corpus + "/step")) {
        GTEST_SKIP() << "no shared corpus beside the checkout";
    }
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".stp" || extension == ".step") &&
            entry.path().parent_path().filename() != "crashers") {
            ExpectSameDocument(entry.path().string());
            ++files;
        }
    }
    EXPECT_GE(files, 20);
}

} // namespace
