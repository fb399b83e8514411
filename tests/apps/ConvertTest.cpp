// The program's "convert" verb: many files, each converted in a child process of its own, with
// a report of how each went.
#include "Support/TestSupport.h"

#include <BRepBndLib.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <IGESControl_Reader.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Shape.hxx>
#include <XSControl_Reader.hxx>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvtest;
namespace fs = std::filesystem;

namespace {

const std::string kSample = SamplePath();
const std::string kErrorPrefix = "orvex-interop: error: ";

// Faces (or, for STL, triangles) OpenCASCADE reads back from a file the program wrote; 0 when
// it cannot read the file.
int ReadBack(const std::string& path)
{
    const std::string extension = fs::path(path).extension().string();
    TopoDS_Shape shape;
    if (extension == ".stl") {
        const Handle(Poly_Triangulation) mesh = RWStl::ReadFile(path.c_str());
        return mesh.IsNull() ? 0 : mesh->NbTriangles();
    }
    if (extension == ".brep") {
        BRep_Builder builder;
        BRepTools::Read(shape, path.c_str(), builder);
    } else {
        std::unique_ptr<XSControl_Reader> reader;
        if (extension == ".step" || extension == ".stp") {
            reader = std::make_unique<STEPControl_Reader>();
        } else {
            reader = std::make_unique<IGESControl_Reader>();
        }
        if (reader->ReadFile(path.c_str()) == IFSelect_RetDone && reader->TransferRoots() > 0) {
            shape = reader->OneShape();
        }
    }
    if (shape.IsNull()) {
        return 0;
    }
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(shape, TopAbs_FACE, faces);
    return faces.Extent();
}

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(myOut); }

    ProgramRun Program(const std::string& arguments) { return RunProgram(arguments, myDir); }

    // A one-part STEP file in the test's folder.
    std::string WriteStep(const std::string& name, const TopoDS_Shape& shape) const
    {
        XcafBuilder builder;
        builder.AddPart(fs::path(name).stem().string(), shape);
        const std::string path = myDir.File(name);
        EXPECT_TRUE(builder.SaveStep(path)) << path;
        return path;
    }

    // The report's entry for an input, after checking it has every field and no other.
    static const nlohmann::json& Entry(const nlohmann::json& report, const std::string& input)
    {
        for (const nlohmann::json& file : report["files"]) {
            if (file["input"] == input) {
                EXPECT_EQ(file.size(), 8u) << file.dump();
                EXPECT_TRUE(file["output"].is_string() && file["seconds"].is_number());
                return file;
            }
        }
        static const nlohmann::json none;
        ADD_FAILURE() << input << " is not in the report";
        return none;
    }

    static void ExpectConverted(const nlohmann::json& entry, int minimumFaces)
    {
        ASSERT_EQ(entry["status"], "ok") << entry.dump();
        const std::string output = entry["output"];
        EXPECT_TRUE(entry["reason"].is_null());
        EXPECT_EQ(entry["bytes"].get<std::uintmax_t>(), fs::file_size(output));
        EXPECT_GE(ReadBack(output), minimumFaces) << output;
    }

    static void ExpectFailed(const nlohmann::json& entry, const std::string& words)
    {
        EXPECT_EQ(entry["status"], "failed") << entry.dump();
        EXPECT_TRUE(entry["bytes"].is_null());
        EXPECT_NE(entry["reason"].get<std::string>().find(words), std::string::npos)
            << entry.dump();
        EXPECT_FALSE(fs::exists(entry["output"].get<std::string>()));
    }

    std::vector<std::string> OutputNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(myOut)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir myDir;
    const std::string myOut = myDir.File("out");
};

TEST_F(ConvertTest, GoodFilesConvertAndEachBadOneFailsAloneWithItsReason)
{
    const std::string box = WriteStep("box.step", MakeBox(10, 20, 30));
    const std::string garbage = myDir.Write("garbage.step", "this is not a STEP file\n");
    const std::string empty = myDir.Write("empty.stp", "");
    const std::string missing = myDir.File("missing.igs");
    const ProgramRun run = Program("convert --json --format stl --jobs 2 --out " + Quote(myOut) +
                                   " " + Quote(garbage) + " " + Quote(box) + " " + Quote(empty) +
                                   " " + Quote(missing) + " " + Quote(kSample));
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err, "");
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["ok"], 2);
    EXPECT_EQ(report["failed"], 3);
    ExpectConverted(Entry(report, box), 12); // two triangles a face
    ExpectConverted(Entry(report, kSample), 100);
    // Each reason is the error line "export" prints for that file on its own.
    for (const std::string& bad : {garbage, empty, missing}) {
        const ProgramRun alone = Program("export " + Quote(bad) + " " + Quote(myDir.File("x.stl")));
        ASSERT_EQ(alone.err.rfind(kErrorPrefix, 0), 0u) << alone.err;
        ExpectFailed(Entry(report, bad), "");
        EXPECT_EQ(Entry(report, bad)["reason"].get<std::string>() + "\n",
                  alone.err.substr(kErrorPrefix.size()));
    }
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"as1-assembly.stl", "box.stl"}));
}

TEST_F(ConvertTest, FilesThatCrashTheReadersDoNotStopTheBatch)
{
    const std::string igesCrasher = CorpusFile("crashers/bug33327.igs");
    const std::string stepCrasher = CorpusFile("crashers/bug33569-reduced.stp");
    if (igesCrasher.empty() || stepCrasher.empty()) {
        GTEST_SKIP() << "the shared corpus is not beside the checkout";
    }
    const ProgramRun run =
        Program("convert --json --format brep --jobs 2 --out " + Quote(myOut) + " " +
                Quote(igesCrasher) + " " + Quote(stepCrasher) + " " + Quote(kSample));
    const nlohmann::json report = nlohmann::json::parse(run.out);
    ExpectConverted(Entry(report, kSample), 100);
    // Whether a translator's fault ends the child or is caught inside it, the file is failed.
    ExpectFailed(Entry(report, igesCrasher), "SIGSEGV");
    ExpectFailed(Entry(report, stepCrasher), "SIGSEGV");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(ConvertTest, ChildKilledBySignalIsFailedWithTheSignalsName)
{
    // A file-size limit of a few kilobytes makes the kernel kill each child with SIGXFSZ as it
    // writes its output; the report itself stays under the limit.
    const std::string box = WriteStep("box.step", MakeBox(1, 1, 1));
    const std::string command = "ulimit -f 8 && '" + ProgramPath() +
                                "' convert --json --format step --out " + Quote(myOut) + " " +
                                Quote(box) + " >" + Quote(myDir.File("report.json"));
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const nlohmann::json report = nlohmann::json::parse(ReadWholeFile(myDir.File("report.json")));
    EXPECT_EQ(Entry(report, box)["reason"], "killed by SIGXFSZ (File size limit exceeded)");
    // Nor is the temporary folder it was writing into left behind.
    EXPECT_TRUE(fs::is_empty(myOut));
}

// What the file cannot keep, and with --verify whether it reads back equal on what it keeps.
TEST_F(ConvertTest, WhatAFileCannotKeepAndItsVerdictReachTheReport)
{
    const ProgramRun run = Program("convert --json --verify --format igs --out " + Quote(myOut) +
                                   " " + Quote(kSample));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json entry = Entry(nlohmann::json::parse(run.out), kSample);
    EXPECT_EQ(entry["verified"], true) << entry;
    ASSERT_EQ(entry["warnings"].size(), 1u) << entry;
    EXPECT_NE(entry["warnings"][0].get<std::string>().find("IGES holds no assembly tree"),
              std::string::npos);
}

TEST_F(ConvertTest, TextReportHasOneLinePerFileInInputOrderAndNoProgressOffATerminal)
{
    // The larger file first, so that with two jobs the smaller one ends first.
    const std::string box = WriteStep("box.stp", MakeBox(1, 2, 3));
    const ProgramRun run =
        Program("convert " + Quote(kSample) + " " + Quote(box) +
                " --jobs 2 --format BREP --from Y-UP --to 2 --out " + Quote(myOut));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(Lines(run.out), 3u) << run.out;
    EXPECT_EQ(run.out.rfind("ok      " + kSample + " -> " + myOut + "/as1-assembly.brep (", 0), 0u)
        << run.out;
    EXPECT_NE(run.out.find("\nok      " + box + " -> " + myOut + "/box.brep ("), std::string::npos);
    EXPECT_NE(run.out.find("\n2 converted, 0 failed\n"), std::string::npos);
    // The axis options reach each conversion: the box's 2 along y now stands along z.
    TopoDS_Shape shape;
    BRep_Builder builder;
    ASSERT_TRUE(BRepTools::Read(shape, (myOut + "/box.brep").c_str(), builder));
    Bnd_Box bounds;
    BRepBndLib::Add(shape, bounds);
    EXPECT_NEAR(bounds.CornerMax().Z() - bounds.CornerMin().Z(), 2.0, 1e-6);
}

// Each file's child is a copy of the program made after a warm-up conversion in the same
// process: what the warm-up set up (units, axes, the translators' parameters) must not change
// what a file's conversion writes. Each output is the same as the program's own export of it,
// the STEP file but for the time in its header.
TEST_F(ConvertTest, EachFileIsWrittenAsItsOwnExportWouldWriteIt)
{
    const std::string igesInput = myDir.File("sample.igs");
    ASSERT_EQ(Program("export " + Quote(kSample) + " " + Quote(igesInput)).exitCode, 0);
    const auto withoutTime = [](std::string text) {
        const size_t name = text.find("FILE_NAME(");
        return name == std::string::npos ? text : text.erase(name, text.find(';', name) - name);
    };
    for (const auto& [format, options] : {std::pair{"step", "--unit in --to x-up"},
                                          std::pair{"glb", "--to y-up --deflection 0.5"}}) {
        const ProgramRun run =
            Program("convert --format " + std::string(format) + " " + options + " --out " +
                    Quote(myOut) + " " + Quote(kSample) + " " + Quote(igesInput));
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        for (const std::string stem : {"as1-assembly", "sample"}) {
            const std::string input = stem == "sample" ? igesInput : kSample;
            const std::string alone = myDir.File("alone." + std::string(format));
            ASSERT_EQ(
                Program("export " + Quote(input) + " " + Quote(alone) + " " + options).exitCode, 0);
            const std::string converted =
                withoutTime(ReadWholeFile(myOut + "/" + stem + "." + format));
            const std::string exported = withoutTime(ReadWholeFile(alone));
            const auto differ =
                std::mismatch(converted.begin(), converted.end(), exported.begin(), exported.end());
            EXPECT_TRUE(converted == exported)
                << stem << "." << format << " differs from its export at byte "
                << differ.first - converted.begin() << ": "
                << converted.substr(differ.first - converted.begin(), 80) << " | "
                << exported.substr(differ.second - exported.begin(), 80);
        }
    }
}

TEST_F(ConvertTest, EveryFormatNameWritesItsFormatUnderItsExtension)
{
    const std::string box = WriteStep("box.step", MakeBox(1, 2, 3));
    for (const std::string format : {"step", "STP", "iges", "Igs", "stl", "brep"}) {
        const ProgramRun run = Program("convert --json --format " + format + " --out " +
                                       Quote(myOut) + " " + Quote(box));
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        std::string extension = format;
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        const nlohmann::json report = nlohmann::json::parse(run.out);
        EXPECT_EQ(Entry(report, box)["output"], myOut + "/box." + extension);
        ExpectConverted(Entry(report, box), 6);
    }
}

TEST_F(ConvertTest, NeverOverwritesAnotherInputsOutputOrTheInputItself)
{
    fs::create_directory(myDir.File("a"));
    fs::create_directory(myDir.File("b"));
    const std::string first = WriteStep("a/part.step", MakeBox(1, 1, 1));
    const std::string second = WriteStep("b/part.stp", MakeCylinder(1, 1));
    const std::string own = WriteStep("out/own.step", MakeBox(1, 1, 1));
    const std::string ownBefore = ReadWholeFile(own);
    const ProgramRun run = Program("convert --json --format step --out " + Quote(myOut) + " " +
                                   Quote(first) + " " + Quote(second) + " " + Quote(own));
    EXPECT_EQ(run.exitCode, 1);
    const nlohmann::json report = nlohmann::json::parse(run.out);
    ExpectConverted(Entry(report, first), 6); // the box, not the cylinder's 3 faces
    const nlohmann::json& later = Entry(report, second);
    EXPECT_EQ(later["status"], "failed");
    EXPECT_NE(later["reason"].get<std::string>().find("also the output of '" + first + "'"),
              std::string::npos)
        << later.dump();
    EXPECT_EQ(Entry(report, own)["status"], "failed");
    EXPECT_EQ(ReadWholeFile(own), ownBefore);
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"own.step", "part.step"}));
}

TEST_F(ConvertTest, ShardsOfTheSortedListAreDisjointCoverItAndDoNotDependOnItsOrder)
{
    // Seven boxes, and an eighth file whose output name is a box's: across all shards one of
    // the two is converted, by the same rule on every machine.
    std::vector<std::string> files;
    for (const char* name : {"g", "c", "a", "f", "b", "e", "d"}) {
        files.push_back(WriteStep(std::string(name) + ".step", MakeBox(1, 1, 1)));
    }
    fs::create_directory(myDir.File("z"));
    const std::string twin = WriteStep("z/a.stp", MakeBox(1, 1, 1));
    // Half on the command line, half in a list read from standard input, with a blank line
    // and a carriage return the list's writer left.
    std::string list;
    for (size_t i = 4; i < files.size(); ++i) {
        list += files[i] + (i == 5 ? "\r\n\n" : "\n");
    }
    list += twin + "\n";
    const std::string listFile = myDir.Write("list.txt", list);
    std::string arguments;
    for (size_t i = 0; i < 4; ++i) {
        arguments += " " + Quote(files[i]);
    }
    std::map<std::string, int> shardOf; // every input, to the shard that reported it
    std::set<std::string> written;
    for (unsigned k = 1; k <= 3; ++k) {
        const std::string shard = std::to_string(k) + "/3";
        const ProgramRun run =
            Program("convert --json --format brep --shard " + shard + " --out " + Quote(myOut) +
                    arguments + " --from-list - < " + Quote(listFile));
        const nlohmann::json report = nlohmann::json::parse(run.out);
        EXPECT_EQ(report["shard"], (nlohmann::json{{"index", k}, {"count", 3}}));
        // Dealt round: the k-th, (k+3)-th, ... of the sorted list.
        EXPECT_EQ(report["files"].size(), k == 3 ? 2u : 3u) << run.out;
        for (const nlohmann::json& file : report["files"]) {
            EXPECT_TRUE(shardOf.emplace(file["input"], k).second) << file.dump();
            if (file["status"] == "ok") {
                EXPECT_TRUE(written.insert(file["output"]).second) << file.dump();
            }
        }
        // The same shard of the same files in another order and given another way.
        const ProgramRun again =
            Program("convert --json --format brep --shard " + shard + " --out " +
                    Quote(myDir.File("z")) + " --from-list " + Quote(listFile) + arguments);
        std::vector<std::string> inputs, inputsAgain;
        for (const nlohmann::json& file : report["files"]) {
            inputs.push_back(file["input"]);
        }
        const nlohmann::json reportAgain = nlohmann::json::parse(again.out);
        for (const nlohmann::json& file : reportAgain["files"]) {
            inputsAgain.push_back(file["input"]);
        }
        EXPECT_EQ(inputs, inputsAgain);
        EXPECT_TRUE(std::is_sorted(inputs.begin(), inputs.end()));
    }
    EXPECT_EQ(shardOf.size(), files.size() + 1);
    EXPECT_EQ(written.size(), files.size());
    EXPECT_EQ(OutputNames().size(), files.size());
    // z/a.stp sorts after a.step, so a.step wins wherever the twin's shard runs.
    EXPECT_TRUE(written.count(myOut + "/a.brep"));
    EXPECT_EQ(ReadBack(myOut + "/a.brep"), 6);
}

// As split does, convert makes the folder it writes into, with the folders above it.
TEST_F(ConvertTest, AMissingOutputFolderIsMade)
{
    const std::string folder = myDir.File("new/deeper");
    const ProgramRun run =
        Program("convert " + Quote(kSample) + " --format brep --out " + Quote(folder));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_GT(ReadBack(folder + "/as1-assembly.brep"), 0);
}

TEST_F(ConvertTest, BadArgumentsGiveOneErrorLineAndConvertNothing)
{
    const std::string file = myDir.Write("not-a-folder", "x");
    const std::pair<std::string, std::string> cases[] = {
        {"--format xyz --out " + Quote(myOut), "unknown format 'xyz'"},
        {"--format step --out " + Quote(file + "/sub"), "cannot make the folder"},
        {"--format step --out " + Quote(file), "is not a folder"},
        {"--format step --out " + Quote(myOut) + " --jobs 0", "--jobs"},
        {"--format step --out " + Quote(myOut) + " --from w-up", "unknown axis 'w-up'"},
        {"--format step --out " + Quote(myOut) + " --shard 0/3", "bad --shard '0/3'"},
        {"--format step --out " + Quote(myOut) + " --shard 4/3", "bad --shard '4/3'"},
        {"--format step --out " + Quote(myOut) + " --shard x/y", "bad --shard 'x/y'"},
        {"--format step --out " + Quote(myOut) + " --from-list " + Quote(myOut),
         "cannot read the file list"},
    };
    for (const auto& [arguments, words] : cases) {
        const ProgramRun run = Program("convert " + Quote(kSample) + " " + arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(Lines(run.err), 1u) << arguments << "\n" << run.err;
        EXPECT_EQ(run.err.rfind(kErrorPrefix, 0), 0u) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << arguments << "\n" << run.err;
    }
    EXPECT_TRUE(OutputNames().empty());
}

TEST_F(ConvertTest, ProgressShowsOnATerminalAndIsClearedBeforeTheReport)
{
    const std::string box = WriteStep("box.step", MakeBox(1, 1, 1));
    const std::string garbage = myDir.Write("garbage.step", "not STEP\n");
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(ProgramPath().c_str(), "orvex-interop", "convert", "--jobs", "1", "--format", "stl",
                "--out", myOut.c_str(), box.c_str(), garbage.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string screen;
    char buffer[4096];
    for (ssize_t count; (count = ::read(terminal, buffer, sizeof buffer)) > 0;) {
        screen.append(buffer, static_cast<size_t>(count));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string progress = "\r\033[Kconverted 2 of 2, 1 failed";
    const size_t last = screen.find(progress);
    ASSERT_NE(last, std::string::npos) << screen;
    EXPECT_EQ(screen.find("\r\033[Kok      " + box, last + progress.size()), last + progress.size())
        << screen;
}

} // namespace
