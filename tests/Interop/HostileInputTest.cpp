// Files made to break the readers: each load must end in false or null with a reason a caller
// can show, and the process and its signal handlers must stay as they were.
#include "Support/TestSupport.h"

#include "Common/Core/LoadFailure.h"
#include "Data/Kernel/ShapeElement.h"
#include "Geometry/Kernel/TopoShape.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneNode.h"
#include "RegisterInteropDataModule.h"
#include "Xde2Doc.h"

#include <map>

#include <csignal>
#include <sys/stat.h>

using namespace orvkit;
using namespace orvtest;

namespace {

const std::string kSample = SamplePath();

// The sample with one text replaced; the test fails if the text is not there.
std::string SampleWith(const std::string& from, const std::string& to)
{
    std::string content = ReadWholeFile(kSample);
    const size_t at = content.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? content : content.replace(at, from.size(), to);
}

// An oriented edge whose edge is itself: OpenCASCADE's file check recurses until the stack
// ends.
std::string SelfReferringStep()
{
    return SampleWith("#159=ORIENTED_EDGE('#159',*,*,#141,.F.);",
                      "#159=ORIENTED_EDGE('#159',*,*,#159,.F.);");
}

std::string NestedGroups(int depth)
{
    std::string text = "#VRML V2.0 utf8\n";
    for (int i = 0; i < depth; ++i) {
        text += "Group { children [\n";
    }
    text += "Shape { geometry Box { } }\n";
    for (int i = 0; i < depth; ++i) {
        text += "] }\n";
    }
    return text;
}

void CountingHandler(int) {}

class HostileInputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterInteropDataModule(); }

    std::shared_ptr<SceneNode> LoadScene(const std::string& name, const std::string& content)
    {
        return SceneExchangeManager::Instance().Load(myDir.Write(name, content));
    }

    TempDir myDir;
};

TEST_F(HostileInputTest, ImportFailuresSayWhatKindOfProblemItWas)
{
    ::mkfifo(myDir.File("pipe.stp").c_str(), 0600);
    const std::pair<std::string, EnumLoadFailure> cases[] = {
        {myDir.File("missing.stp"), LoadFailureNotFound},
        {myDir.File("pipe.stp"), LoadFailureNotAFile},
        {myDir.Write("empty.igs", ""), LoadFailureEmpty},
        {myDir.Write("model.obj", "v 0 0 0\n"), LoadFailureUnknownExtension},
        {myDir.Write("text.stp", "not a step file\n"), LoadFailureParseError},
        {TestDataFile("crashers/bug33569-reduced.stp"), LoadFailureTranslatorFault},
    };
    for (const auto& [path, kind] : cases) {
        Xde2Doc importer;
        EXPECT_FALSE(importer.Load(path)) << path;
        EXPECT_EQ(importer.GetLastFailure().kind, kind) << path;
        EXPECT_EQ(LoadFailure::Last().kind, kind) << path;
        EXPECT_FALSE(importer.GetLastFailure().Describe().empty());
        // A fault's text from OpenCASCADE carries an address; a user gets none.
        EXPECT_EQ(importer.GetLastFailure().Describe().find("Address"), std::string::npos)
            << importer.GetLastFailure().Describe();
    }
    // An oriented edge that is its own edge: OpenCASCADE's checks of a loaded file recurse on
    // it without end, which the kernel's load does not run; its translation leaves it out.
    EXPECT_TRUE(Xde2Doc().Load(myDir.Write("loop.stp", SelfReferringStep())));
    // A good load afterwards clears the reason.
    Xde2Doc importer;
    ASSERT_TRUE(importer.Load(kSample));
    EXPECT_FALSE(importer.GetLastFailure());
}

TEST_F(HostileInputTest, AFileTranslatedOnlyInPartKeepsWhatCameThrough)
{
    // The nut's solid names a shell the file does not have. The load succeeds; the nut stays in
    // the structure as an empty part, every other part keeps its faces.
    Xde2Doc importer;
    ASSERT_TRUE(
        importer.Load(myDir.Write("part.stp", SampleWith("#264=MANIFOLD_SOLID_BREP('',#263);",
                                                         "#264=MANIFOLD_SOLID_BREP('',#99999);"))));
    importer.Transfer();
    std::map<std::string, int> faces;
    for (const ShapeElement* shape : ElementsOf<ShapeElement>(*importer.GetDocument())) {
        faces[shape->GetName()] = shape->GetShape()->CountChildren(TopoShapeFace);
    }
    EXPECT_EQ(faces, (std::map<std::string, int>{
                         {"bolt", 7}, {"l-bracket", 16}, {"nut", 0}, {"plate", 18}, {"rod", 4}}));
}

TEST_F(HostileInputTest, SceneFailuresCarryTheParserReasonAndLine)
{
    EXPECT_EQ(LoadScene("broken.wrl", "#VRML V2.0 utf8\nGroup {\n children [\n Box { size\n"),
              nullptr);
    const LoadFailure parse = LoadFailure::Last();
    EXPECT_EQ(parse.kind, LoadFailureParseError);
    EXPECT_EQ(parse.format, "VRML");
    EXPECT_GT(parse.line, 0);

    EXPECT_EQ(LoadScene("cycle.wrl", "#VRML V2.0 utf8\nDEF A Group { children [ USE A ] }\n"),
              nullptr);
    EXPECT_EQ(LoadFailure::Last().detail, "a group contains itself (DEF/USE cycle)");

    EXPECT_EQ(LoadScene("scene.vrml", "#VRML V2.0 utf8\n"), nullptr);
    EXPECT_EQ(LoadFailure::Last().kind, LoadFailureUnknownExtension);

    // A fault inside OpenCASCADE's mesh building.
    for (const char* index : {"2147483648"}) {
        const std::string text = std::string("#VRML V2.0 utf8\nShape { geometry IndexedFaceSet {\n"
                                             " coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                                             " coordIndex [ 0, 1, ") +
                                 index + ", -1 ] } }\n";
        EXPECT_EQ(LoadScene("faces.wrl", text), nullptr) << index;
        EXPECT_EQ(LoadFailure::Last().kind, LoadFailureTranslatorFault) << index;
    }
}

TEST_F(HostileInputTest, InlinesThatWouldBlockOrRecurseAreRefusedBeforeParsing)
{
    // OpenCASCADE's parser would recurse without end on a file that inlines itself (here
    // through a second file) and block for good on a FIFO it inlines.
    const std::string first = myDir.File("first.wrl");
    const std::string second = myDir.File("second.wrl");
    myDir.Write("second.wrl", "#VRML V2.0 utf8\nInline { url \"" + first + "\" }\n");
    EXPECT_EQ(LoadScene("first.wrl", "#VRML V2.0 utf8\nInline { url [ \"" + second + "\" ] }\n"),
              nullptr);
    EXPECT_EQ(LoadFailure::Last().detail, "it inlines itself (through '" + first + "')");

    const std::string pipe = myDir.File("pipe.wrl");
    ::mkfifo(pipe.c_str(), 0600);
    EXPECT_EQ(LoadScene("reader.wrl", "#VRML V2.0 utf8\nInline { url \"" + pipe + "\" }\n"),
              nullptr);
    EXPECT_EQ(LoadFailure::Last().detail, "it inlines '" + pipe + "', which is a FIFO or a device");

    // An inline of an ordinary file still loads.
    const std::string box = myDir.Write("box.wrl", "#VRML V2.0 utf8\nShape { geometry Box { } }\n");
    EXPECT_NE(LoadScene("outer.wrl", "#VRML V2.0 utf8\nInline { url \"" + box + "\" }\n"), nullptr);

    // Nesting our own walk refuses, with a reason, long before any stack would.
    EXPECT_EQ(LoadScene("deep.wrl", NestedGroups(1500)), nullptr);
    EXPECT_EQ(LoadFailure::Last().detail, "groups nested more than 1000 deep");
    EXPECT_NE(LoadScene("fine.wrl", NestedGroups(900)), nullptr);
}

TEST_F(HostileInputTest, ReadsLeaveTheApplicationsSignalHandlersInPlace)
{
    struct sigaction mine {};
    mine.sa_handler = CountingHandler;
    sigemptyset(&mine.sa_mask);
    struct sigaction saved[3];
    const int signals[] = {SIGINT, SIGSEGV, SIGTERM};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(::sigaction(signals[i], &mine, &saved[i]), 0);
    }
    Xde2Doc importer;
    EXPECT_TRUE(importer.Load(kSample));
    EXPECT_FALSE(importer.Load(TestDataFile("crashers/bug33569-reduced.stp")));
    EXPECT_NE(LoadScene("box.wrl", "#VRML V2.0 utf8\nShape { geometry Box { } }\n"), nullptr);
    for (int i = 0; i < 3; ++i) {
        struct sigaction now {};
        ASSERT_EQ(::sigaction(signals[i], nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, &CountingHandler) << "signal " << signals[i];
        ::sigaction(signals[i], &saved[i], nullptr);
    }
}

} // namespace
