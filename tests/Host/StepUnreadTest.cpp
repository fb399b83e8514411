// What a STEP read leaves out is said: tessellated parts when OCCT's own parser reads the
// file, and parts whose files are not beside their assembly; parts whose files are there are
// read.
#include "Support/StepModels.h"
#include "Support/TestSupport.h"

#include "Common/Core/ParameterCreator.h"
#include "Geometry/IO/StepFileParse.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/StepTessellatedParts.h"
#include "Interop/Kernel/XdeModelEdit.h"

#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

#include <filesystem>

using namespace orvtest;
namespace fs = std::filesystem;

namespace {

const std::string kHandwritten = "step-handwritten/";

using Warnings = std::vector<std::string>;

// Edges of the part or instance of that name; -1 when the document has none of that name.
int EdgesOf(const orvkit::XdeDocumentImpl& impl, const std::string& name)
{
    const TDF_Label label = orvkit::XdeModelEdit::FindNamed(impl, name);
    if (label.IsNull()) {
        return -1;
    }
    TopTools_IndexedMapOfShape edges;
    TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(label), TopAbs_EDGE, edges);
    return edges.Extent();
}

// A copy of the handwritten files named in `dir`.
void CopyInto(const TempDir& dir, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        fs::copy_file(TestDataFile(kHandwritten + name), dir.File(name));
    }
}

TEST(StepUnreadTest, TessellatedPartsAreNamedWhenOpenCascadesParserReadsTheFile)
{
    // Tessellated geometry is read from the records of the program's own parse; a file that
    // goes to OpenCASCADE's parser instead (as one it does not take would) names the parts it
    // leaves out.
    orvkit::ParameterDict stock;
    stock.Add(orvkit::StepModelReader::StockParserKey, orvkit::ParameterCreator::Create(true));
    ScopedLogCapture log;
    orvkit::XdeDocumentImpl impl;
    const std::string path = TestDataFile(kHandwritten + "tessellated-assembly.stp");
    ASSERT_TRUE(orvkit::StepModelReader().Open(path, impl, &stock));
    const std::string expected =
        "2 parts hold only tessellated geometry, which is not read: tetra, wedge";
    EXPECT_EQ(impl.readWarnings, Warnings{expected});
    // The plugin's import says it in the log, which the application shows.
    EXPECT_TRUE(log.Contains(3, "STEP reader: " + path + ": " + expected));

    // A file of one tessellated part gives OCCT no shape at all: the failure says why.
    ASSERT_FALSE(orvkit::StepModelReader().Open(
        TestDataFile(kHandwritten + "tessellated-tetra.stp"), impl, &stock));
    EXPECT_EQ(impl.failure.kind, orvkit::LoadFailureNothingTransferable);
    EXPECT_EQ(impl.failure.detail,
              "1 part holds only tessellated geometry, which is not read: tetra");
    EXPECT_TRUE(impl.readWarnings.empty());

    // Nor are triangulated faces listed by a plain shape representation read so.
    ASSERT_TRUE(orvkit::StepModelReader().Open(
        TestDataFile(kHandwritten + "tessellated-loose-faces.stp"), impl, &stock));
    EXPECT_EQ(impl.readWarnings,
              Warnings{"1 part holds only tessellated geometry, which is not read: panel"});

    // Read the usual way, both come in whole and nothing is said.
    ASSERT_TRUE(orvkit::StepModelReader().Open(path, impl, nullptr));
    EXPECT_TRUE(impl.readWarnings.empty());
}

TEST(StepUnreadTest, TessellatedAnnotationsAreNoPartsShape)
{
    // Graphical PMI: tessellated annotation occurrences in a draughting model that is a
    // tessellated shape representation too, beside B-rep solids.
    for (const char* name :
         {"step-pmi/bug32745_pmi1.stp", "step-pmi/nist_ctc_04_asme1_ap242-e1.stp"}) {
        const std::string path = CorpusFile(name);
        if (path.empty()) {
            continue;
        }
        SCOPED_TRACE(name);
        const ParsedStepModel parsed = ParseStepModel(path, false);
        ASSERT_FALSE(parsed.model.IsNull());
        ASSERT_GT(parsed.model->NbEntities(), 0);
        // No part is taken for one of tessellated geometry only. (The count of tessellated
        // items takes the annotations' surface sets in; it only shows when nothing else read.)
        const orvkit::StepFileParse records = orvkit::StepFileParse::Read(path);
        EXPECT_TRUE(orvkit::StepTessellatedParts::Find(
                        parsed.model, orvkit::StepTessellatedParts::ReadDefinitions(records))
                        .products.empty());
        orvkit::XdeDocumentImpl impl;
        ASSERT_TRUE(orvkit::StepModelReader().Open(path, impl, nullptr));
        // Both files hold semantic PMI the reader leaves out, which is said; nothing tessellated
        // is.
        for (const std::string& warning : impl.readWarnings) {
            EXPECT_EQ(warning.find("tessellated"), std::string::npos) << warning;
        }
    }
}

TEST(StepUnreadTest, PartsInFilesBesideTheAssemblyAreRead)
{
    orvkit::XdeDocumentImpl impl;
    ASSERT_TRUE(orvkit::StepModelReader().Open(TestDataFile(kHandwritten + "wheels-assembly.stp"),
                                               impl, nullptr));
    EXPECT_TRUE(impl.readWarnings.empty());
    EXPECT_EQ(EdgesOf(impl, "wheel"), 1);
    EXPECT_EQ(EdgesOf(impl, "axle"), 1);

    // Named by a relative path, the files are looked for beside the assembly, not in the
    // current folder (where OCCT itself looks then).
    const TempDir dir;
    CopyInto(dir, {"wheels-assembly.stp", "wheel.stp", "axle.stp"});
    const fs::path relative = fs::relative(dir.File("wheels-assembly.stp"), fs::current_path());
    ASSERT_TRUE(relative.is_relative());
    ASSERT_FALSE(fs::exists("wheel.stp"));
    ASSERT_TRUE(orvkit::StepModelReader().Open(relative.string(), impl, nullptr));
    EXPECT_TRUE(impl.readWarnings.empty());
    EXPECT_EQ(EdgesOf(impl, "wheel"), 1);
    EXPECT_EQ(EdgesOf(impl, "axle"), 1);
}

TEST(StepUnreadTest, PartsWhoseFilesAreMissingOrUnreadableAreNamed)
{
    const TempDir dir;
    CopyInto(dir, {"wheels-assembly.stp"});
    const std::string assembly = dir.File("wheels-assembly.stp");
    orvkit::XdeDocumentImpl impl;
    ASSERT_TRUE(orvkit::StepModelReader().Open(assembly, impl, nullptr));
    EXPECT_EQ(impl.readWarnings,
              Warnings{"2 parts live in files that are not beside it: wheel.stp, axle.stp"});
    EXPECT_EQ(EdgesOf(impl, "wheel"), 0);

    // One there, one not: the one is read, the other still named.
    CopyInto(dir, {"wheel.stp"});
    ASSERT_TRUE(orvkit::StepModelReader().Open(assembly, impl, nullptr));
    EXPECT_EQ(impl.readWarnings,
              Warnings{"1 part lives in a file that is not beside it: axle.stp"});
    EXPECT_EQ(EdgesOf(impl, "wheel"), 1);

    // A file that is there but not STEP is not said to be missing.
    dir.Write("axle.stp", "not a STEP file\n");
    ASSERT_TRUE(orvkit::StepModelReader().Open(assembly, impl, nullptr));
    EXPECT_EQ(impl.readWarnings,
              Warnings{"1 part lives in a file that could not be read: axle.stp"});

    // The next read of the document does not keep the last one's warnings.
    ASSERT_TRUE(orvkit::StepModelReader().Open(TestDataFile(kHandwritten + "wheels-assembly.stp"),
                                               impl, nullptr));
    EXPECT_TRUE(impl.readWarnings.empty());
}

} // namespace
