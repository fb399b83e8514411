// The command host: the registry, interactive and batch runs, dialogs, import settings and the
// documents commands make.
#include "Support/DialogScope.h"
#include "Support/TestSupport.h"

#include "Data/App/CommandManager.h"
#include "Data/App/DocumentManager.h"
#include "Data/App/ElementCommand.h"
#include "Data/Kernel/ShapeElement.h"
#include "Data/View/DialogFactory.h"
#include "Data/View/DialogUtil.h"
#include "Geometry/IO/ImportSettingsModel.h"

using namespace orvkit;
using namespace orvtest;

namespace {

// Records what the host did with it; declares "Count" (int, 3) and "Label" (text, "x").
class ProbeCommand : public Command {
public:
    explicit ProbeCommand(const std::string& name, bool visible = true) : myVisible(visible)
    {
        SetName(name);
    }

    void QueryParamsSchema(CommandContext* context) const override
    {
        context->GetParameters()->Add("Count", ParameterCreator::Create(3));
        context->GetParameters()->Add("Label", ParameterCreator::Create("x"));
    }
    bool IsVisible(CommandContext*) const override { return myVisible; }
    bool Run(CommandContext*) override
    {
        ++myRuns;
        return true;
    }
    bool BatchRun(CommandContext* context) override
    {
        myCount = ParameterCast::Cast(context->GetParameters()->Find("Count"), -1);
        myLabel = ParameterCast::Cast(context->GetParameters()->Find("Label"), "");
        return true;
    }

    bool myVisible;
    int myRuns = 0;
    int myCount = 0;
    std::string myLabel;
};

TEST(CommandTest, RegistryFindsListsAndReplacesByName)
{
    CommandManager& manager = CommandManager::Instance();
    const auto first = std::make_shared<ProbeCommand>("Probe.Registry");
    const auto second = std::make_shared<ProbeCommand>("Probe.Registry");
    const size_t before = manager.GetCommands().size();
    EXPECT_TRUE(manager.Register(first));
    EXPECT_TRUE(manager.Register(second));
    EXPECT_FALSE(manager.Register(nullptr));
    EXPECT_FALSE(manager.Register(std::make_shared<ProbeCommand>("")));
    EXPECT_EQ(manager.GetCommands().size(), before + 1);
    EXPECT_EQ(manager.Find("Probe.Registry"), second);
    EXPECT_EQ(manager.Find("probe.registry"), nullptr);
    const std::vector<std::string> names = manager.GetNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "Probe.Registry");
}

TEST(CommandTest, RunRefusesUnknownAndUnavailableCommandsWithAReason)
{
    CommandManager& manager = CommandManager::Instance();
    const auto hidden = std::make_shared<ProbeCommand>("Probe.Hidden", false);
    manager.Register(hidden);
    Document document;
    CommandContext context(&document, nullptr);
    ScopedLogCapture log;
    EXPECT_FALSE(manager.Run("Probe.Missing", &context));
    EXPECT_TRUE(log.Contains(3, "No command is registered under the name \"Probe.Missing\""));
    EXPECT_FALSE(manager.Run("Probe.Hidden", &context));
    EXPECT_TRUE(log.Contains(3, "Command \"Probe.Hidden\" is not available here"));
    EXPECT_EQ(hidden->myRuns, 0);
    hidden->myVisible = true;
    EXPECT_TRUE(manager.Run("Probe.Hidden", &context));
    EXPECT_EQ(hidden->myRuns, 1);
}

TEST(CommandTest, BatchRunFillsOnlyTheParametersTheCallerLeftOut)
{
    const auto probe = std::make_shared<ProbeCommand>("Probe.Batch");
    CommandManager::Instance().Register(probe);
    ParameterDict parameters;
    parameters.Add("Label", ParameterCreator::Create("given"));
    CommandContext context(nullptr, &parameters);
    ASSERT_TRUE(CommandManager::Instance().BatchRun("Probe.Batch", &context));
    EXPECT_EQ(probe->myCount, 3);
    EXPECT_EQ(probe->myLabel, "given");
    EXPECT_EQ(parameters.Size(), 2u); // the defaults land in the caller's dictionary

    CommandContext bare(nullptr, nullptr); // a dictionary is made for the run
    ASSERT_TRUE(CommandManager::Instance().BatchRun("Probe.Batch", &bare));
    EXPECT_EQ(probe->myLabel, "x");
}

TEST(CommandTest, WithoutAProviderEveryDialogIsCancelled)
{
    DialogUtil::SetProvider(nullptr);
    EXPECT_FALSE(DialogUtil::OpenFileDialog("t", {"All Files", "*"}));
    EXPECT_FALSE(DialogUtil::SaveFileDialog("t", "a.stp", {}));
    EXPECT_FALSE(DialogUtil::OpenFolderDialog("t"));
    DialogUtil::NotifyMessageU("t", "nobody sees this");
    ParameterDict values;
    EXPECT_FALSE(DialogFactory::Instance().Show("ExportModelDlg", nullptr, &values));
}

TEST(CommandTest, DialogsReachTheInstalledProviderWithTheirArguments)
{
    DialogScope dialogs({"/tmp/a.step", "", "/tmp/out"});
    EXPECT_EQ(DialogUtil::OpenFileDialog("Open", {"STEP", "*.step"}).GetString(), "/tmp/a.step");
    EXPECT_FALSE(DialogUtil::SaveFileDialog("Save", "model.stp", {"STL", "*.stl"}));
    EXPECT_EQ(DialogUtil::OpenFolderDialog("Folder").GetString(), "/tmp/out");
    DialogUtil::NotifyMessageU("Note", "text");
    EXPECT_TRUE(DialogFactory::Instance().Show("SomeDlg", nullptr, nullptr));
    const auto& calls = dialogs->GetCalls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].filters, (std::vector<std::string>{"STEP", "*.step"}));
    EXPECT_EQ(calls[1].defaultName, "model.stp");
    EXPECT_EQ(calls[3].kind, "notify");
    EXPECT_EQ(calls[3].defaultName, "text");
    EXPECT_EQ(calls[4].kind, "SomeDlg");
}

TEST(CommandTest, ImportSettingsFallBackToThePreferencesThenTheDefaults)
{
    SharedParameterDict& preferences = ImportSettingsModel::GetPreferences();
    ParameterDict settings;
    ImportSettingsModel model(&settings);
    EXPECT_FALSE(model.GetFixEdges());
    EXPECT_FALSE(model.GetFixSolid());
    EXPECT_TRUE(model.GetShowDialogFlag());
    EXPECT_DOUBLE_EQ(model.GetEdgeLength(), 0.01);
    EXPECT_EQ(model.GetModelUnit(), "mm");

    preferences.Add(ImportSettingsModel::FixSolidKey, ParameterCreator::Create(true));
    preferences.Add(ImportSettingsModel::MakeSolidTolKey, ParameterCreator::Create(0.5));
    EXPECT_TRUE(model.GetFixSolid());
    EXPECT_DOUBLE_EQ(model.GetMakeSolidTol(), 0.5);
    EXPECT_TRUE(ImportSettingsModel(nullptr).GetFixSolid());
    model.SetFixSolid(false); // the read's own setting wins
    EXPECT_FALSE(model.GetFixSolid());
    model.SetModelUnit("m");
    EXPECT_EQ(ParameterCast::Cast(settings.Find(ImportSettingsModel::ModelUnitKey), ""), "m");
    ImportSettingsModel(nullptr).SetFixEdges(true); // nowhere to write: changes nothing
    EXPECT_FALSE(model.GetFixEdges());
    preferences.Remove(ImportSettingsModel::FixSolidKey);
    preferences.Remove(ImportSettingsModel::MakeSolidTolKey);
}

TEST(CommandTest, CreateDocumentListsANamedTypedDocumentWithoutActivatingIt)
{
    DocumentManager& manager = DocumentManager::Instance();
    const std::shared_ptr<Document> active = manager.NewDocument();
    const std::shared_ptr<Document> made = manager.CreateDocument("part.stp", "ORVX");
    EXPECT_EQ(manager.GetActiveDocument(), active.get());
    EXPECT_EQ(made->GetName(), "part.stp");
    EXPECT_EQ(made->GetDocType(), "ORVX");
    EXPECT_TRUE(made->FindElement(made->GetActiveDbViewId()) != nullptr);
    const auto& open = manager.GetDocuments();
    EXPECT_NE(std::find(open.begin(), open.end(), made), open.end());
    manager.CloseDocument(made.get());
    manager.CloseDocument(active.get());
}

TEST(CommandTest, SelectionNamesTheElementACommandWorksOn)
{
    Document document;
    ShapeElement* picked = ShapeElement::Create(&document);
    ShapeElement* invoked = ShapeElement::Create(&document);
    PickedId face(picked->GetId());
    face.SetShapeType(TopoShapeFace);
    face.SetTopoShapeId(2);
    document.SetSelection({face});

    CommandContext plain(&document, nullptr);
    EXPECT_EQ(ElementCommand::GetSelection(&plain, true), picked);
    EXPECT_EQ(ElementCommand::GetSelection(&plain, false), nullptr); // a face is not the element
    CommandContext onElement(&document, nullptr, nullptr, invoked->GetId());
    EXPECT_EQ(ElementCommand::GetSelection(&onElement, false), invoked);
    document.SetSelection({});
    EXPECT_EQ(ElementCommand::GetSelection(&plain, true), nullptr);
    EXPECT_EQ(ElementCommand::GetSelection(nullptr, true), nullptr);
}

} // namespace
