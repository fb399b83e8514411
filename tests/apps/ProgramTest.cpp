// The orvex-interop program as a user runs it: output, exit codes and error lines.
#include "Support/MeshFiles.h"
#include "Support/TestSupport.h"

#include "AssemblyGenerator.h"
#include "GuardedRun.h"

#include <nlohmann/json.hpp>

#include <tuple>

#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

using namespace orvtest;

namespace {

class ProgramTest : public ::testing::Test {
protected:
    ProgramRun Program(const std::string& arguments) { return RunProgram(arguments, myDir); }

    TempDir myDir;
};

const std::string kSample = SamplePath();

// Exit code 1, nothing on standard output and one line on standard error that names the file
// and says why.
void ExpectOneErrorLine(const ProgramRun& run, const std::string& path, const std::string& reason)
{
    EXPECT_EQ(run.exitCode, 1) << path;
    EXPECT_EQ(run.out, "") << path;
    EXPECT_EQ(Lines(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find("'" + path + "': " + reason), std::string::npos) << run.err;
}

// The printer's JSON itself is tested on its own; here the verb's options.
TEST_F(ProgramTest, JsonImportAsAssembliesIsTheSameWithTheStockReader)
{
    const ProgramRun run = Program("import --json --assembly " + Quote(kSample));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["file"], kSample);
    EXPECT_EQ(json["summary"]["InstanceElement"], 13);
    EXPECT_EQ(json["summary"]["AssemblyElement"], 4); // the root stays an assembly
    EXPECT_FALSE(json["summary"].contains("GroupElement"));
    // OCCT's own STEP actor gives the same document.
    const ProgramRun stock = Program("import --json --assembly --stock-reader " + Quote(kSample));
    ASSERT_EQ(stock.exitCode, 0) << stock.err;
    EXPECT_EQ(stock.out, run.out);
}

TEST_F(ProgramTest, NonAsciiNamesPrintAsTheyAre)
{
    XcafBuilder builder;
    builder.AddPart("齿轮箱 корпус", MakeBox(1, 1, 1));
    const std::string path = myDir.File("齿轮箱.step");
    ASSERT_TRUE(builder.SaveStep(path));
    const ProgramRun run = Program("import " + Quote(path));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, ""); // the document goes to standard output only
    EXPECT_EQ(run.out.rfind("齿轮箱.step:\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\"齿轮箱 корпус\""), std::string::npos) << run.out;
    const ProgramRun json = Program("import --json " + Quote(path));
    EXPECT_NE(json.out.find("齿轮箱 корпус"), std::string::npos);
}

const char* const kScene = "#VRML V2.0 utf8\nShape { geometry Sphere { } }\n";

// Each reading verb on files it cannot read: the line names the file and the reason.
TEST_F(ProgramTest, BadInputGivesOneErrorLineNamingTheFileAndExitCodeOne)
{
    const std::string sample = ReadWholeFile(kSample);
    const std::string pmi = ReadWholeFile(CorpusFile("step-pmi/bug32745_pmi1.stp"));
    const std::string truncatedPmi = myDir.Write("pmi.stp", pmi.substr(0, pmi.size() / 2));
    std::filesystem::create_directory(myDir.File("folder.step"));
    std::filesystem::create_directory(myDir.File("folder.wrl"));
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"import --json", myDir.File("missing.step"), "no such file"},
        {"import --json", myDir.Write("empty.step", ""), "the file is empty"},
        {"import --json", myDir.Write("truncated.stp", sample.substr(0, sample.size() / 3)),
         "not a readable STEP"},
        {"import --json", myDir.Write("notes.stp", "just some text\n"), "not a readable STEP"},
        {"import --json", myDir.Write("model.stl", sample), "unsupported extension '.stl'"},
        {"import --json", myDir.File("folder.step"), "it is a directory"},
        {"import", truncatedPmi, "not a readable STEP file"},
        {"open", truncatedPmi, "not a readable STEP file"},
        {"scene --json", myDir.File("missing.wrl"), "no such file"},
        {"scene --json", myDir.Write("empty.wrl", ""), "the file is empty"},
        {"scene --json", myDir.Write("broken.wrl", std::string(kScene) + "}\n"),
         "not a readable VRML file: syntax error at line 3"},
        {"scene --json", myDir.Write("scene.vrml", kScene),
         "unsupported extension '.vrml' (no scene reader takes it"},
        {"scene --json", myDir.Write("SCENE.WRL", kScene), "unsupported extension '.WRL'"},
        {"scene --json", myDir.File("folder.wrl"), "it is a directory"},
        {"linetypes", myDir.File("absent.lin"), "no such file"},
        {"linetypes", myDir.Write("empty.lin", ""), "the file is empty"},
        {"linetypes", myDir.Write("notes.lin", "; nothing but a comment\n"),
         "no line-style definitions"},
        {"linetypes", myDir.Write("typo.lin", "*A,a\nA,1\n*B,b\nA,1,-O.5\n"),
         "not a number: \"-O.5\""},
    };
    for (const auto& [verb, path, reason] : cases) {
        ExpectOneErrorLine(Program(verb + " " + Quote(path)), path, reason);
    }
}

TEST_F(ProgramTest, HostileFilesEndInOneLineNamingTheFileNeverASignal)
{
    std::string open = "#VRML V2.0 utf8\n", close;
    for (int i = 0; i < 6000; ++i) {
        open += "Group { children [\n";
        close += "] }\n";
    }
    ::mkfifo(myDir.File("pipe.wrl").c_str(), 0600);
    // 2 GB of zeros without a line break (sparse: no disk is used); OpenCASCADE's scanner
    // gives up on it with a message that holds a heap address, which must not reach the user.
    const std::string zeros = myDir.File("zeros.stp");
    std::filesystem::resize_file(myDir.Write("zeros.stp", "\0"), std::uintmax_t(2) << 30);
    const std::string self = myDir.File("self.wrl");
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"scene", self, "not a readable VRML file: it inlines itself"},
        // Deeper than our walk takes, but the parser must get through it to say so.
        {"scene", myDir.Write("deep.wrl", open + close),
         "not a readable VRML file: groups nested more than 1000 deep"},
        {"scene", myDir.File("pipe.wrl"), "not a regular file (a FIFO or a device)"},
        {"import", zeros, "not a readable STEP file: Exception Raised while reading Step File"},
        // A subfigure inside its own definition: OCCT would translate it inside itself for ever.
        {"import", CorpusFile("crashers/disc-subfigure-loop.igs"),
         "not a readable IGES file: entity at directory line 95 contains itself through "
         "subfigures or groups"},
        // Files on which OpenCASCADE's translators crash.
        {"import", CorpusFile("crashers/bug33327.igs"),
         "the IGES translator failed: it crashed (OSD_SIGSEGV)"},
        {"import", CorpusFile("crashers/bug33569-reduced.stp"),
         "the STEP translator failed: it crashed (OSD_SIGSEGV)"},
    };
    myDir.Write("self.wrl", "#VRML V2.0 utf8\nInline { url \"" + self + "\" }\n");
    for (const auto& [verb, path, reason] : cases) {
        const ProgramRun run = Program(verb + " " + Quote(path));
        ExpectOneErrorLine(run, path, reason);
        EXPECT_EQ(run.err.find("0x"), std::string::npos) << "no addresses: " << run.err;
    }
}

TEST_F(ProgramTest, HostileMeshFilesEndInOneLineWithinTenSecondsAndAGigabyte)
{
    // Each once took the reader down: a face of 100,000 vertices wrote past the reader's list,
    // two billion indices over six bytes asked for gigabytes, and 5,000 nested nodes took
    // forty seconds. The limits here are what each must stay within.
    Triangle huge;
    huge.json["accessors"][1]["count"] = 2147483647;
    const std::string count = "accessor 1 declares 2147483647 elements";
    const std::string deep = "its node tree is more than 1000 levels deep";
    const std::pair<std::string, std::string> cases[] = {
        {myDir.Write("face.obj", ObjWithLongFace(100000)),
         "a face of more than 1024 vertices at line 4"},
        {myDir.Write("count.gltf", huge.Gltf()), count},
        {myDir.Write("count.glb", huge.Glb()), count},
        {myDir.Write("deep.gltf", Chain(5000).Gltf()), deep},
        {myDir.Write("deep.glb", Chain(5000).Glb()), deep},
    };
    const std::string limits = "--timeout 10 --max-memory 1024 ";
    const std::string page = myDir.File("page.html");
    const std::string out = myDir.File("out");
    std::filesystem::create_directory(out);
    for (const auto& [path, reason] : cases) {
        for (const std::string& verb :
             {"read " + Quote(path), "view " + Quote(path) + " -o " + Quote(page)}) {
            const ProgramRun run = Program(limits + verb);
            EXPECT_EQ(run.exitCode, 1) << verb;
            EXPECT_EQ(Lines(run.err), 1u) << run.err;
            // `read` says what the command said; the page names the file as every read does.
            const std::string said = verb.rfind("read", 0) == 0
                                         ? path + " (" + reason
                                         : "cannot read '" + path + "': not a readable";
            EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        }
        EXPECT_FALSE(std::filesystem::exists(page));
        const ProgramRun run =
            Program(limits + "convert " + Quote(path) + " --format glb --out " + Quote(out));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find("cannot read '" + path + "': not a readable"), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find(reason), std::string::npos) << run.out;
        EXPECT_TRUE(std::filesystem::is_empty(out)) << path;
    }
    // A tree as deep as is let through reads (its time is the reader's, not limited here).
    const ProgramRun limit = Program("read " + Quote(myDir.Write("1000.gltf", Chain(1000).Gltf())));
    EXPECT_EQ(limit.exitCode, 0) << limit.err;
}

TEST_F(ProgramTest, AReadThatNeedsMoreMemoryThanAllowedIsCutOffWithOneLine)
{
    const std::string reason = "more than 10 MB of memory needed (--max-memory MB allows more";
    ExpectOneErrorLine(Program("--max-memory 10 read " + Quote(kSample)), kSample, reason);
    // Each file of a conversion gets the limit in its own process.
    const std::string out = myDir.File("out");
    std::filesystem::create_directory(out);
    const ProgramRun convert =
        Program("--max-memory 10 convert " + Quote(kSample) + " --format glb --out " + Quote(out));
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_NE(convert.out.find(reason), std::string::npos) << convert.out;
    EXPECT_TRUE(std::filesystem::is_empty(out));
    EXPECT_EQ(Program("--max-memory 0 read " + Quote(kSample)).exitCode, 0);
}

// A hand-made IGES line whose parameters reach into the pointer columns (the section letter in
// column 72): OpenCASCADE 7.6's IGES parser never finishes it.
std::string EndlessIges()
{
    const auto record = [](const std::string& text, char section, int number) {
        std::string line = text;
        line.resize(72, ' ');
        return line + section + std::string(7 - std::to_string(number).size(), ' ') +
               std::to_string(number) + "\n";
    };
    std::string parameters = "110,-1.0D999,0.,0.,1.,1.,1.;";
    parameters.resize(64, ' ');
    return record("hostile line", 'S', 1) +
           record("1H,,1H;,4Hline,8Hline.igs,4Horvx,4Horvx,32,38,6,308,15,4Hline,1.,2,2HMM,", 'G',
                  1) +
           record("1,1.,15H20261207.000000,1.E-06,1000.,4Horvx,4Horvx,11,0;", 'G', 2) +
           record("     110       1       0       0       0       0       0       000000000", 'D',
                  1) +
           record("     110       0       0       1       0                               0", 'D',
                  2) +
           parameters + "      1P      1\n" + record("S      1G      2D      2P      1", 'T', 1);
}

TEST_F(ProgramTest, AReadThatNeverEndsIsCutOffWithOneLine)
{
    const std::string endless = myDir.Write("endless.igs", EndlessIges());
    ExpectOneErrorLine(Program("--timeout 2 import " + Quote(endless)), endless,
                       "not finished after 2 s");
    EXPECT_EQ(Program("--timeout 0 import " + Quote(SamplePath())).exitCode, 0);
}

// Numbers past what a double or OpenCASCADE's geometry holds once kept its translators looping
// until the time limit; they are refused before the translators see them, at once, at the
// default limit.
TEST_F(ProgramTest, NumbersNoGeometryHoldsAreRefusedAtOnce)
{
    // A line from minus infinity (-1.D999 overflows a double), the record's columns kept.
    std::string iges = ReadWholeFile(CorpusFile("iges/UKI60998.igs"));
    const std::string line = "110,15.0,-40.0,-15.0,0.85786438,-40.0,-29.14213562;   ";
    ASSERT_NE(iges.find(line), std::string::npos);
    iges.replace(iges.find(line), line.size(),
                 "110,-1.D999,-40.0,-15.0,0.85786438,-40.0,-29.14213562;");
    std::string step = ReadWholeFile(kSample);
    const std::string point = "#57=CARTESIAN_POINT('#57',(0.0,0.0,3.0))";
    ASSERT_NE(step.find(point), std::string::npos);
    step.replace(step.find(point), point.size(), "#57=CARTESIAN_POINT('#57',(1.E308,0.0,3.0))");
    const std::pair<std::string, std::string> cases[] = {
        {myDir.Write("far.igs", iges), "not a readable IGES file: entity at directory line "},
        {myDir.Write("far.stp", step),
         "not a readable STEP file: entity #57 holds the number 1.E308"},
    };
    for (const auto& [path, reason] : cases) {
        const auto start = std::chrono::steady_clock::now();
        const ProgramRun run = Program("import " + Quote(path));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
        ExpectOneErrorLine(run, path, reason);
        EXPECT_NE(run.err.find("beyond what OpenCASCADE's geometry holds"), std::string::npos)
            << run.err;
    }
}

TEST_F(ProgramTest, TheDefaultTimeLimitGrowsWithTheFile)
{
    using orvex::cli::DefaultTimeLimit;
    EXPECT_EQ(DefaultTimeLimit(myDir.Write("small.stp", std::string(3000, ' '))), 31);
    const std::string large = myDir.Write("large.stp", " ");
    std::filesystem::resize_file(large, std::uintmax_t(500) << 20); // sparse
    EXPECT_EQ(DefaultTimeLimit(large), 1030);
    std::filesystem::resize_file(large, std::uintmax_t(1) << 30);
    EXPECT_EQ(DefaultTimeLimit(large), 30 + 2048);
    EXPECT_EQ(DefaultTimeLimit(myDir.File("missing.stp")), 30);
    EXPECT_EQ(DefaultTimeLimit(""), 900);
}

TEST_F(ProgramTest, CtrlCDuringALongReadEndsTheProgramAsAnInterrupt)
{
    orvex::bench::AssemblyParameters parameters;
    parameters.instances = 20000; // seconds of reading, far past the interrupt
    const std::string path = myDir.File("large.stp");
    ASSERT_TRUE(orvex::bench::WriteAssemblyStep(parameters, path));
    const std::string program = ProgramPath();
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("import"),
                               const_cast<char*>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(pid, SIGINT);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            FAIL() << "the program did not end on Ctrl-C";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit code " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

TEST_F(ProgramTest, TranslatorMessagesGoToStandardErrorOnlyWhenAskedFor)
{
    const std::string path = myDir.Write("broken.stp", "ISO-10303-21;\nHEADER;\nFILE_NAME(");
    const ProgramRun run = Program("-vv import --json " + Quote(path));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("OCCT: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("\x1b["), std::string::npos) << "no terminal colour codes";
}

TEST_F(ProgramTest, NoColorLeavesOutTheFaceColourTables)
{
    const nlohmann::json plain =
        nlohmann::json::parse(Program("import --json --no-color " + Quote(kSample)).out);
    size_t shapes = 0;
    for (const auto& element : plain["elements"]) {
        if (element["class"] == "ShapeElement") {
            ++shapes;
            EXPECT_TRUE(element["faceColors"].is_null());
        }
    }
    EXPECT_EQ(shapes, 5u);
}

TEST_F(ProgramTest, ImportShowsAnnotationsWithResolvedTargets)
{
    const std::string path = CorpusFile("step-pmi/nist_ftc_11_asme1_ap242-e1.stp");
    if (path.empty()) {
        GTEST_SKIP() << "corpus not available";
    }
    const ProgramRun run = Program("import --json " + Quote(path));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json json = nlohmann::json::parse(run.out);
    std::vector<nlohmann::json> annotations;
    for (const auto& element : json["elements"]) {
        if (element["class"] == "AnnotationElement") {
            annotations.push_back(element);
        }
    }
    ASSERT_EQ(annotations.size(), 6u);
    const nlohmann::json& linear = annotations[0];
    EXPECT_EQ(linear["kind"], "Linear");
    EXPECT_DOUBLE_EQ(linear["value"].get<double>(), 1.925);
    EXPECT_EQ(linear["tolerance"]["kind"], "plus-minus");
    EXPECT_DOUBLE_EQ(linear["tolerance"]["upper"].get<double>(), 0.08);
    ASSERT_EQ(linear["targets"].size(), 2u);
    EXPECT_EQ(linear["targets"][0]["elementName"], "nist_ftc_11_asme1_2021");
    EXPECT_EQ(linear["targets"][0]["shapeType"], "Face");
    EXPECT_EQ(linear["targets"][0]["index"], 1);
    EXPECT_EQ(linear["targets"][1]["index"], 7);

    const ProgramRun text = Program("import " + Quote(path));
    EXPECT_NE(text.out.find("kind=Linear value=1.925 +0.08/-0.08 tolerance=plus-minus "
                            "target=\"nist_ftc_11_asme1_2021\" Face 1 "
                            "target=\"nist_ftc_11_asme1_2021\" Face 7"),
              std::string::npos)
        << text.out;
}

TEST_F(ProgramTest, ImportShowsDimensionsInMillimetresWithSignedDeviations)
{
    const std::string path = CorpusFile("step-pmi/nist_ftc_07_asme1_ap242-e2.stp");
    if (path.empty()) {
        GTEST_SKIP() << "corpus not available";
    }
    // An inch file: .250 +.003/-.001, .250 +.003/-0 and a radius between limits.
    const ProgramRun text = Program("import " + Quote(path));
    ASSERT_EQ(text.exitCode, 0) << text.err;
    for (const char* shown : {"kind=Diameter value=6.35 +0.0762/-0.0254 tolerance=plus-minus ",
                              "kind=Diameter value=6.35 +0.0762/0 tolerance=plus-minus ",
                              "kind=Radius value=0.4318 +0.127/-0.127 tolerance=range "}) {
        EXPECT_NE(text.out.find(shown), std::string::npos) << shown << "\n" << text.out;
    }
}

TEST_F(ProgramTest, PmiListsTolerancesInMillimetresWithTheirFramesAndDatums)
{
    const std::string path = CorpusFile("step-pmi/nist_ftc_07_asme1_ap242-e2.stp");
    if (path.empty()) {
        GTEST_SKIP() << "corpus not available";
    }
    // An inch file: a projected position tolerance of .023 diameter to D, B and C.
    const ProgramRun text = Program("pmi " + Quote(path));
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("tolerance position \"⌖ ⌀0.5842 Ⓟ | D | B | C\" on "
                            "NIST_FTC_07_ASME1_RD face "),
              std::string::npos)
        << text.out;

    const ProgramRun run = Program("pmi --json " + Quote(path));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["file"], path);
    ASSERT_EQ(json["tolerances"].size(), 24u);
    int projected = 0;
    for (const nlohmann::json& tolerance : json["tolerances"]) {
        EXPECT_GT(tolerance["value"].get<double>(), 0.0) << tolerance.dump();
        EXPECT_FALSE(tolerance["targets"].empty()) << tolerance.dump();
        if (tolerance["zone"] == "diameter" && tolerance["modifiers"].size() == 1 &&
            tolerance["modifiers"][0] == "projected") {
            ++projected;
        }
    }
    EXPECT_GE(projected, 2);
    EXPECT_FALSE(json["datums"].empty());

    // The kernel document's labels say the same.
    const ProgramRun xde = Program("xde " + Quote(path));
    EXPECT_NE(xde.out.find(" pmi=\"⌖ ⌀0.5842 Ⓟ | D | B | C\""), std::string::npos) << xde.out;

    const ProgramRun missing = Program("pmi " + Quote(myDir.File("none.stp")));
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
}

TEST_F(ProgramTest, OpenGoesThroughTheExchangerChosenByExtension)
{
    const ProgramRun run = Program("open " + Quote(kSample));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The exchanger never splits and keeps the sole root a group.
    EXPECT_NE(run.out.find("1 GroupElement, 13 InstanceElement, 5 ShapeElement"), std::string::npos)
        << run.out;
    const ProgramRun other =
        Program("open " + Quote(myDir.Write("mesh.stl", "solid x\nendsolid x\n")));
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_NE(other.err.find("no document exchanger takes the extension '.stl'"), std::string::npos)
        << other.err;
    const ProgramRun upper =
        Program("open " + Quote(myDir.Write("PART.STEP", ReadWholeFile(kSample))));
    EXPECT_EQ(upper.exitCode, 1);
}

// SolidWorks writes ".STEP" by default: every verb that reads or writes a model takes an
// extension in any case, and the file written under an upper-case name is the format it names.
TEST_F(ProgramTest, UpperCaseExtensionsReadAndWriteLikeLowerCase)
{
    const std::string step = myDir.Write("AS1.STEP", ReadWholeFile(kSample));
    const std::string iges = myDir.File("AS1.IGS");
    const std::string copy = myDir.File("COPY.Stp");
    const std::string parts = myDir.File("parts");
    const std::string converted = myDir.File("converted");
    const std::string commands[] = {
        "import " + Quote(step),
        "xde " + Quote(step),
        "check " + Quote(step),
        "export " + Quote(step) + " " + Quote(iges),
        "export " + Quote(step) + " " + Quote(copy),
        "import " + Quote(iges),
        "compare " + Quote(step) + " " + Quote(copy),
        "export " + Quote(copy) + " " + Quote(myDir.File("AS1.GLB")),
        "split " + Quote(step) + " " + Quote(parts),
        "convert " + Quote(iges) + " --format STEP --out " + Quote(converted),
        "view " + Quote(step) + " -o " + Quote(myDir.File("AS1.HTML")),
    };
    for (const std::string& command : commands) {
        const ProgramRun run = Program(command);
        EXPECT_EQ(run.exitCode, 0) << command << "\n" << run.err;
        EXPECT_EQ(run.err.find("extension"), std::string::npos) << command << "\n" << run.err;
    }
    EXPECT_EQ(ReadWholeFile(iges).substr(72, 1), "S"); // IGES: the start section's column 73
    EXPECT_EQ(ReadWholeFile(copy).rfind("ISO-10303-21;", 0), 0u);
    EXPECT_EQ(ReadWholeFile(myDir.File("AS1.GLB")).substr(0, 4), "glTF");
    EXPECT_TRUE(std::filesystem::exists(converted + "/AS1.step"));
    EXPECT_NE(ReadWholeFile(myDir.File("AS1.HTML")).find("<html"), std::string::npos);
}

// A part the read left out is said on standard error by every verb that reads the model, and
// reaches convert's report; the output is made of what was read.
TEST_F(ProgramTest, WhatAReadLeftOutIsAWarningOfEveryVerbThatReadsAModel)
{
    const std::string assembly = myDir.File("wheels-assembly.stp");
    std::filesystem::copy_file(TestDataFile("step-handwritten/wheels-assembly.stp"), assembly);
    const std::string missing = "2 parts live in files that are not beside it: wheel.stp, axle.stp";
    const std::string line = "orvex-interop: warning: '" + assembly + "': " + missing + "\n";
    const std::string file = Quote(assembly);
    for (const auto& [command, lines] :
         {std::pair{"import " + file, line}, std::pair{"check " + file, line},
          std::pair{"export " + file + " " + Quote(myDir.File("out.step")), line},
          std::pair{"compare " + file + " " + file, line + line}}) {
        const ProgramRun run = Program(command);
        EXPECT_EQ(run.exitCode, 0) << command << "\n" << run.err;
        EXPECT_EQ(run.err, lines) << command;
    }
    std::filesystem::create_directory(myDir.File("out"));
    const ProgramRun convert = Program("convert --json --format step --out " +
                                       Quote(myDir.File("out")) + " " + Quote(assembly));
    ASSERT_EQ(convert.exitCode, 0) << convert.err;
    const nlohmann::json report = nlohmann::json::parse(convert.out);
    EXPECT_EQ(report["files"][0]["warnings"], nlohmann::json::array({missing})) << report;

    // With its parts beside it the same file reads without a word.
    const ProgramRun whole =
        Program("check " + Quote(TestDataFile("step-handwritten/wheels-assembly.stp")));
    EXPECT_EQ(whole.exitCode, 0);
    EXPECT_EQ(whole.err, "");

    // Tessellated parts are read: nothing is left out, and nothing is said.
    const std::string tessellated = TestDataFile("step-handwritten/tessellated-assembly.stp");
    const ProgramRun read = Program("check " + Quote(tessellated));
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.err, "");
    const ProgramRun tetra =
        Program("import " + Quote(TestDataFile("step-handwritten/tessellated-tetra.stp")));
    EXPECT_EQ(tetra.exitCode, 0) << tetra.err;
    EXPECT_NE(tetra.out.find("\"tetra\" browserable color=#ffffff Solid faces=1"),
              std::string::npos)
        << tetra.out;
}

// A definition the reader had to skip is a warning; the rest is still shown.
TEST_F(ProgramTest, LinetypesWarnsOfASkippedDefinitionAndShowsTheRest)
{
    const ProgramRun skipped =
        Program("linetypes " + Quote(myDir.Write("skip.lin", "A,1\n*OK,ok\nA,1\n")));
    EXPECT_EQ(skipped.exitCode, 0);
    EXPECT_NE(skipped.err.find("warning: '"), std::string::npos) << skipped.err;
    EXPECT_NE(skipped.err.find("inconsistent line style pairs"), std::string::npos) << skipped.err;
    EXPECT_NE(skipped.out.find("1 line style, 1 component"), std::string::npos) << skipped.out;
}

// What the file says of each part besides its shape: one line per part in both listings, and
// the same facts in the import's JSON.
TEST_F(ProgramTest, ImportAndXdeListMaterialsBodiesAndProperties)
{
    const std::string file = Quote(TestDataFile("step-handwritten/materials-cube-cylinder.step"));
    const std::string cube = "id=\"red_cube\" description=\"PART-red_cube-DESC\" "
                             "material=\"Steel\" density=7850 kg/m3 bodies=[\"red_cube\"] "
                             "\"Part Number\"=\"RC-1\"";
    for (const std::string verb : {"import ", "xde "}) {
        const ProgramRun run = Program(verb + file);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find(cube), std::string::npos) << verb << run.out;
        EXPECT_NE(run.out.find("material=\"AMS 5662; Inconel 718\" density=8220.93 kg/m3"),
                  std::string::npos)
            << verb << run.out;
    }
    const nlohmann::json elements = nlohmann::json::parse(Program("import --json " + file).out);
    const auto part =
        std::find_if(elements["elements"].begin(), elements["elements"].end(),
                     [](const nlohmann::json& e) { return e.value("name", "") == "red_cube"; });
    ASSERT_NE(part, elements["elements"].end());
    EXPECT_EQ((*part)["facts"]["bodies"], nlohmann::json::array({"red_cube"}));
    EXPECT_EQ((*part)["facts"]["material"]["density"], 7850.0);
    EXPECT_EQ((*part)["facts"]["properties"]["Part Number"], "RC-1");
}

TEST_F(ProgramTest, MissingVerbOrArgumentIsAUsageError)
{
    EXPECT_NE(Program("").exitCode, 0);
    EXPECT_NE(Program("import").exitCode, 0);
    EXPECT_EQ(Program("import --help").exitCode, 0);
    EXPECT_NE(Program("scene").exitCode, 0);
}

} // namespace
