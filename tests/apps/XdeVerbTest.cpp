// The xde verb: a file's labels walked through the exported node interface.
#include "Support/TestSupport.h"

#include "Interop/Kernel/IgesModelReader.h"
#include "Interop/Kernel/StepModelReader.h"

#include <TDF_ChildIterator.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>

using namespace orvtest;

namespace {

const std::string kSample = SamplePath();

// Labels of each kind as OpenCASCADE's own shape tool tells them, under the same precedence
// as the node interface: simple, then assembly, then reference, then free.
std::map<std::string, int> CountKinds(const std::string& path)
{
    orvkit::XdeDocumentImpl impl;
    const std::string extension = std::filesystem::path(path).extension().string();
    const bool read = extension == ".igs" || extension == ".iges"
                          ? orvkit::IgesModelReader().Open(path, impl, nullptr)
                          : orvkit::StepModelReader().Open(path, impl, nullptr);
    std::map<std::string, int> counts;
    if (!read) {
        return counts;
    }
    const TDF_Label main = impl.GetMain();
    counts["labels"] = 1;
    for (TDF_ChildIterator it(main, Standard_True); it.More(); it.Next()) {
        const TDF_Label& label = it.Value();
        ++counts["labels"];
        if (XCAFDoc_ShapeTool::IsSimpleShape(label)) {
            ++counts["simple"];
        } else if (XCAFDoc_ShapeTool::IsAssembly(label)) {
            ++counts["assembly"];
        } else if (XCAFDoc_ShapeTool::IsReference(label)) {
            ++counts["reference"];
        }
    }
    counts["free"] = impl.freeShapes.Length();
    return counts;
}

class XdeVerbTest : public ::testing::Test {
protected:
    ProgramRun Program(const std::string& arguments) { return RunProgram(arguments, myDir); }

    void ExpectCountsOfOcct(const std::string& path)
    {
        const ProgramRun run = Program("xde --json " + Quote(path));
        ASSERT_EQ(run.exitCode, 0) << path << "\n" << run.err;
        const nlohmann::json summary = nlohmann::json::parse(run.out)["summary"];
        const std::map<std::string, int> expected = CountKinds(path);
        ASSERT_FALSE(expected.empty()) << path;
        for (const char* kind : {"labels", "free", "simple", "assembly", "reference"}) {
            const auto found = expected.find(kind);
            EXPECT_EQ(summary[kind].get<int>(), found == expected.end() ? 0 : found->second)
                << path << ": " << kind;
        }
    }

    TempDir myDir;
};

// What it shows of each label is tested with the printer; here that the verb walks them all.
TEST_F(XdeVerbTest, CountsTheSampleAsOcctDoes)
{
    ExpectCountsOfOcct(kSample);
}

TEST_F(XdeVerbTest, BadInputGivesOneLineAndExitCodeOne)
{
    const std::string sample = ReadWholeFile(kSample);
    for (const std::string& path :
         {myDir.File("missing.step"), myDir.Write("empty.stp", ""),
          myDir.Write("garbage.step", "text\n"), myDir.Write("model.stl", sample),
          myDir.Write("cut.stp", sample.substr(0, sample.size() / 2))}) {
        const ProgramRun run = Program("xde " + Quote(path));
        EXPECT_EQ(run.exitCode, 1) << path;
        EXPECT_EQ(run.out, "") << path;
        EXPECT_EQ(Lines(run.err), 1u) << path << "\n" << run.err;
    }
}

// Every STEP and IGES file of the corpus walks without error into the labels OpenCASCADE has.
TEST_F(XdeVerbTest, CountsEveryCorpusFileAsOcctDoes)
{
    const std::string root = CorpusFile("");
    if (root.empty()) {
        GTEST_SKIP() << "shared corpus not present";
    }
    int files = 0;
    for (const char* folder : {"step", "step-pmi", "iges", "large"}) {
        for (const auto& entry : std::filesystem::directory_iterator(root + "/" + folder)) {
            ExpectCountsOfOcct(entry.path().string());
            ++files;
        }
    }
    EXPECT_GE(files, 30);
}

} // namespace
