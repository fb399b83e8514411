// Imports in several threads at once, while another thread logs and uses the registries as an
// interface thread does, give what one import after another gives. Built with ORVEX_TSAN this
// is also the program ThreadSanitizer watches (scripts/tsan.sh).
#include "Support/StepModels.h"
#include "Support/TestSupport.h"

#include "Annotation/AnnotationElement.h"
#include "Common/Core/Progress.h"
#include "Data/App/CommandManager.h"
#include "Data/App/DocumentExchangerManager.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/CompositeElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Geometry/IO/ShapeIO.h"
#include "Geometry/IO/StepFileParse.h"
#include "Geometry/IO/TranslatorLock.h"
#include "Graphics/BrepSceneNode.h"
#include "Graphics/GroupSceneNode.h"
#include "Graphics/MaterialManager.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneNode.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Xde2Doc.h"

#include <XCAFDimTolObjects_DimensionType.hxx>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

using namespace orvkit;
using namespace orvtest;

namespace {

const int kRounds = 3;

// One line per element in creation order, ids written as positions in that order: which ids a
// load gets depends on what other threads made meanwhile, their order does not.
std::string Summarize(const Document& document)
{
    const std::vector<Element*> elements = document.GetElements();
    std::map<ObjectId, size_t> positions;
    for (const Element* element : elements) {
        positions.emplace(element->GetId(), positions.size());
    }
    const auto at = [&](ObjectId id) {
        return id.IsValid() ? std::to_string(positions.count(id) ? positions[id] : 999) : "-";
    };
    std::ostringstream out;
    for (const Element* element : elements) {
        out << element->GetClassName() << " '" << element->GetName() << "' in "
            << at(element->GetParentId());
        if (const auto* entity = dynamic_cast<const EntityElement*>(element)) {
            const glm::vec3& rgb = entity->GetColor();
            out << " '" << entity->GetAliasName() << "' " << entity->IsBrowserable()
                << entity->IsManaged() << " rgb " << rgb.r << ',' << rgb.g << ',' << rgb.b;
        }
        if (const auto* drawable = dynamic_cast<const DrawableElement*>(element)) {
            const gp_XYZ move = drawable->GetTransform().TranslationPart();
            out << " shows " << at(drawable->GetPrototypeId()) << " at " << move.X() << ','
                << move.Y() << ',' << move.Z();
        }
        if (const auto* composite = dynamic_cast<const CompositeElement*>(element)) {
            for (const ObjectId child : composite->GetChildren()) {
                out << " +" << at(child);
            }
        }
        if (const auto* shape = dynamic_cast<const ShapeElement*>(element)) {
            out << " faces " << shape->GetShape()->CountChildren(TopoShapeFace) << '/'
                << (shape->GetFaceColors() ? shape->GetFaceColors()->size() : 0);
        }
        if (const auto* annotation = dynamic_cast<const AnnotationElement*>(element)) {
            out << " kind " << annotation->GetKind() << " value " << annotation->GetValue()
                << " on " << at(annotation->GetTarget1()) << ',' << at(annotation->GetTarget2());
        }
        out << '\n';
    }
    return out.str();
}

// The document a load of the file makes; empty when the load failed.
std::string Import(const std::string& path)
{
    Xde2Doc converter;
    return converter.Load(path) && converter.Transfer() ? Summarize(*converter.GetDocument()) : "";
}

// The material names of a scene's B-rep nodes, depth first.
std::string SceneMaterials(const SceneNode* node)
{
    if (const auto* brep = dynamic_cast<const BrepSceneNode*>(node)) {
        return brep->GetFaceMaterial() ? brep->GetFaceMaterial()->GetName() + " " : "- ";
    }
    std::string names;
    if (const auto* group = dynamic_cast<const GroupSceneNode*>(node)) {
        for (const auto& child : group->GetChildren()) {
            names += SceneMaterials(child.get());
        }
    }
    return names;
}

// Counts what the loads report; called from every loading thread at once.
struct CountingProgress : ProgressHandler {
    void Update(const std::string&, double) override { ++updates; }
    void Finish() override { ++finishes; }
    std::atomic<int> updates{0};
    std::atomic<int> finishes{0};
};

// What an interface thread does while imports run: it logs, adds and removes a sink, reads
// every registry and changes those it may change. Returns how many rounds it made.
int RunInterface(const std::atomic<bool>& stop, const std::shared_ptr<CaptureLogSink>& log,
                 const std::shared_ptr<ProgressHandler>& progress)
{
    Logger& logger = Logger::Instance();
    MaterialManager& materials = MaterialManager::Instance();
    SharedParameterDict& preferences = ImportSettingsModel::GetPreferences();
    int rounds = 0;
    for (; !stop.load(); ++rounds) {
        logger.Message(2, "interface round %d", rounds);
        auto extra = std::make_shared<CaptureLogSink>();
        logger.AddSink(extra);
        logger.Report("interface report");
        logger.RemoveSink(extra);
        EXPECT_TRUE(extra->Contains(3, "interface report"));
        EXPECT_TRUE(rounds % 16 != 0 || !log->GetRecords().empty());

        EXPECT_EQ(CommandManager::Instance().GetCommands().size(), 5u);
        EXPECT_NE(CommandManager::Instance().Find("Import"), nullptr);
        EXPECT_NE(ShapeExchangeManager::Instance().FindReader(".STEP"), nullptr);
        EXPECT_NE(ShapeExchangeManager::Instance().GetSharedPostprocess(), nullptr);
        EXPECT_NE(DocumentExchangerManager::Instance().FindByExtension(".stp"), nullptr);
        EXPECT_FALSE(SceneExchangeManager::Instance().GetFilters().empty());

        const auto opened = DocumentManager::Instance().CreateDocument("interface", "ORVX");
        EXPECT_TRUE(DocumentManager::Instance().SetActiveDocument(opened.get()));
        EXPECT_TRUE(DocumentManager::Instance().CloseDocument(opened.get()));
        MaterialInstance* material =
            materials.Create("interface", materials.CreateTemplateByName("color-pbr", "standard"));
        EXPECT_TRUE(materials.Release(material));
        preferences.Add("InterfaceRound", ParameterCreator::Create(rounds));
        EXPECT_EQ(ParameterCast::Cast(preferences.Find("InterfaceRound").get(), -1), rounds);
        Progress::Instance().SetHandler(rounds % 2 == 0 ? progress : nullptr);
        // An interface thread waits for events between its rounds.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    preferences.Remove("InterfaceRound");
    Progress::Instance().SetHandler(nullptr);
    return rounds;
}

class ConcurrentImportTest : public ::testing::Test {
protected:
    // Inputs that take different paths through the readers and the document writer: a real
    // assembly, a built one with colours as STEP and as IGES, a part with dimensions, a scene.
    static void SetUpTestSuite()
    {
        // Every STEP read of more than one solid forks translation workers, from threads that
        // read at the same time.
        ::setenv("ORVEX_TRANSFER_MIN_FACES", "0", 1);
        theDir = new TempDir();
        theFiles = {SamplePath(), theDir->File("frame.step"), theDir->File("frame.iges"),
                    theDir->File("block.step")};
        XcafBuilder frame;
        const TDF_Label box = frame.AddPart("Box", MakeBox(10, 20, 30));
        const TDF_Label pin = frame.AddPart("Pin", MakeCylinder(2, 15));
        frame.SetColor(pin, Quantity_Color(0.8, 0.1, 0.1, Quantity_TOC_RGB));
        frame.SetFaceColor(box, 2, Quantity_Color(0.1, 0.1, 0.9, Quantity_TOC_RGB));
        const TDF_Label assembly = frame.AddAssembly("Frame");
        for (int i = 0; i < 3; ++i) {
            frame.AddComponent(assembly, box, Translation(40.0 * i, 0, 0),
                               "Box" + std::to_string(i));
            frame.AddComponent(assembly, pin, Translation(40.0 * i, 5, 30));
        }
        ASSERT_TRUE(frame.SaveStep(theFiles[1]));
        ASSERT_TRUE(XdeDocumentIGES::Save(theFiles[2], frame.GetImpl(), nullptr));
        XcafBuilder block;
        const TDF_Label part = block.AddPart("Block", MakeBox(10, 20, 30));
        block.AddDimension(XCAFDimTolObjects_DimensionType_Location_LinearDistance, 10,
                           {block.AddSubShape(part, TopAbs_FACE, 0)},
                           {block.AddSubShape(part, TopAbs_FACE, 1)});
        block.AddDimension(XCAFDimTolObjects_DimensionType_Size_Diameter, 8, {part});
        ASSERT_TRUE(block.SaveStep(theFiles[3]));
        const std::string shape = "Shape { appearance Appearance { material Material { } } ";
        theScene = theDir->Write("scene.wrl", "#VRML V2.0 utf8\nGroup { children [\n" + shape +
                                                  "geometry Box { } }\n" + shape +
                                                  "geometry Sphere { } } ] }\n");
    }

    static void TearDownTestSuite() { delete theDir; }

    static TempDir* theDir;
    static std::vector<std::string> theFiles;
    static std::string theScene;
};

TempDir* ConcurrentImportTest::theDir = nullptr;
std::vector<std::string> ConcurrentImportTest::theFiles;
std::string ConcurrentImportTest::theScene;

TEST_F(ConcurrentImportTest, ParallelLoadsGiveTheSerialResultsWhileTheInterfaceWorks)
{
    // Every file through Xde2Doc, one through the host's generic reader, and the scene.
    std::vector<std::function<std::string()>> loads;
    for (const std::string& file : theFiles) {
        loads.push_back([file] { return Import(file); });
    }
    loads.push_back([] {
        const auto shape = ShapeIO::Open(Path(theFiles[1]), nullptr);
        return shape ? "faces " + std::to_string(shape->CountChildren(TopoShapeFace)) : "";
    });
    loads.push_back(
        [] { return SceneMaterials(SceneExchangeManager::Instance().Load(theScene).get()); });
    std::vector<std::string> expected;
    for (const auto& load : loads) {
        expected.push_back(load());
        ASSERT_FALSE(expected.back().empty());
    }
    EXPECT_EQ(expected.back(), "pbr-0 pbr-1 "); // numbered in file order, afresh on every load

    auto log = std::make_shared<CaptureLogSink>();
    Logger::Instance().AddSink(log);
    auto progress = std::make_shared<CountingProgress>();
    std::atomic<bool> stop{false};
    auto interface = std::async(std::launch::async, RunInterface, std::cref(stop), log, progress);
    // Each load in a thread of its own, several times over.
    std::vector<std::future<std::vector<std::string>>> results;
    for (const auto& load : loads) {
        results.push_back(std::async(std::launch::async, [load] {
            std::vector<std::string> rounds;
            for (int round = 0; round < kRounds; ++round) {
                rounds.push_back(load());
            }
            return rounds;
        }));
    }
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].get(), std::vector<std::string>(kRounds, expected[i])) << i;
    }
    stop = true;
    const int interfaceRounds = interface.get();
    EXPECT_GT(interfaceRounds, 0);
    Logger::Instance().RemoveSink(log);

    // Every record reached the sink: one writer line per Xde2Doc load, one line per interface
    // round. The interface thread's lines are not indented by the walks running beside it.
    int transfers = 0;
    int roundLines = 0;
    for (const LogRecord& record : log->GetRecords()) {
        transfers += record.text.rfind("FreeShape Count: ", 0) == 0 ? 1 : 0;
        if (record.text.rfind("interface round ", 0) == 0 || record.report) {
            roundLines += record.report ? 0 : 1;
            EXPECT_EQ(record.indent, 0) << record.text;
        }
    }
    EXPECT_EQ(transfers, static_cast<int>(theFiles.size()) * kRounds);
    EXPECT_EQ(roundLines, interfaceRounds);
    // Each load that found the handler says it is parsing before it says it has finished.
    EXPECT_GE(progress->updates.load(), progress->finishes.load());
}

TEST_F(ConcurrentImportTest, EveryTranslationWaitsForTheTranslatorLock)
{
    const auto box = TopoShape::Create(MakeBox(1, 2, 3));
    XcafBuilder built;
    built.AddPart("Box", box->GetImpl());
    const std::pair<const char*, std::function<bool()>> translations[] = {
        {"Xde2Doc STEP", [] { return !Import(theFiles[1]).empty(); }},
        {"Xde2Doc IGES", [] { return !Import(theFiles[2]).empty(); }},
        {"ShapeIO::Open", [] { return ShapeIO::Open(Path(theFiles[1]), nullptr) != nullptr; }},
        {"ShapeIO::Save", [&] { return ShapeIO::Save(box, Path(theDir->File("b.igs")), nullptr); }},
        {"XdeDocumentSTEP::Save", [&] { return built.SaveStep(theDir->File("built.step")); }},
    };
    for (const auto& [name, translate] : translations) {
        std::optional<TranslatorLock> held(std::in_place);
        std::future<bool> done = std::async(std::launch::async, translate);
        // One that forgot the lock would be done or running by now; one that takes it cannot
        // finish while it is held here.
        EXPECT_EQ(done.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
            << name;
        held.reset();
        EXPECT_TRUE(done.get()) << name;
    }
}

// The STEP parse takes no lock and no process-wide state: two files parse, each in chunks on
// threads of its own, while a translation holds the translator lock, and give the records one
// pass gives.
TEST_F(ConcurrentImportTest, StepFilesParseAtOnceWhileATranslationHoldsTheLock)
{
    std::string data;
    for (int i = 1; i <= 25000; ++i) {
        data += "#" + std::to_string(i) + "=CARTESIAN_POINT('p" + std::to_string(i) +
                "',(1.,2.5,-3.E-2));\n";
    }
    const std::string text = "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION((''),'2;1');\nENDSEC;\n"
                             "DATA;\n" +
                             data + "ENDSEC;\nEND-ISO-10303-21;\n";
    ASSERT_GE(text.size(), StepFileParse::ParallelFrom);
    const std::string first = theDir->Write("points1.stp", text);
    const std::string second = theDir->Write("points2.stp", text);
    const std::string expected = FlattenStepParse(StepFileParse::FromText(text, 1));
    std::optional<TranslatorLock> held(std::in_place);
    std::future<std::string> one = std::async(
        std::launch::async, [&] { return FlattenStepParse(StepFileParse::Read(first, 2)); });
    std::future<std::string> two = std::async(
        std::launch::async, [&] { return FlattenStepParse(StepFileParse::Read(second, 2)); });
    ASSERT_EQ(one.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    ASSERT_EQ(two.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    held.reset();
    EXPECT_EQ(one.get(), expected);
    EXPECT_EQ(two.get(), expected);
}

} // namespace
