// The XDE document exchanger and its registration when the plugin is loaded.
#include "Support/TestSupport.h"

#include "Common/Core/ParameterDict.h"
#include "Data/App/DocumentExchanger.h"
#include "Data/App/DocumentExchangerManager.h"
#include "Data/Kernel/InstanceElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Data/Kernel/UndoTransaction.h"
#include "RegisterInteropDataModule.h"

#include <filesystem>
#include <set>

using namespace orvkit;
using namespace orvtest;

namespace {

class ExchangerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterInteropDataModule();
        myExchanger = DocumentExchangerManager::Instance().Find("XDE");
        ASSERT_NE(myExchanger, nullptr);
        myExchanger->GetSettings()->Remove("UseColor");

        XcafBuilder builder;
        const TDF_Label box = builder.AddPart("Box", MakeBox(1, 1, 1));
        builder.SetFaceColor(box, 0, Quantity_Color(Quantity_NOC_RED));
        const TDF_Label assembly = builder.AddAssembly("Pair");
        builder.AddComponent(assembly, box, Translation(0, 0, 0));
        builder.AddComponent(assembly, box, Translation(2, 0, 0));
        myFile = myDir.File("pair.stp");
        ASSERT_TRUE(builder.SaveStep(myFile));
    }

    TempDir myDir;
    std::string myFile;
    DocumentExchanger* myExchanger = nullptr;
};

TEST_F(ExchangerTest, RegisteredOnceUnderXdeAndTakesExactlyFourExtensions)
{
    RegisterInteropDataModule(); // registers nothing more
    EXPECT_EQ(DocumentExchangerManager::Instance().GetKeys(), std::vector<std::string>{"XDE"});
    for (const char* extension : {".step", ".stp", ".iges", ".igs"}) {
        EXPECT_TRUE(myExchanger->IsSupported(extension)) << extension;
        EXPECT_EQ(DocumentExchangerManager::Instance().FindByExtension(extension), myExchanger);
    }
    for (const char* extension : {".STEP", "step", ".stl", "", ".st", ".steps"}) {
        EXPECT_FALSE(myExchanger->IsSupported(extension)) << extension;
    }
}

TEST_F(ExchangerTest, LoadsThroughTheRegistryAndTwoLoadsShareNoPrototypes)
{
    Document document;
    document.Initialize("3D");
    ASSERT_TRUE(DocumentExchangerManager::Instance().LoadFile(&document, myFile));
    ASSERT_TRUE(DocumentExchangerManager::Instance().LoadFile(&document, myFile));
    // Each load makes its own prototype; the two instances of one load share theirs.
    const auto shapes = ElementsOf<ShapeElement>(document);
    ASSERT_EQ(shapes.size(), 2u);
    std::set<ObjectId> prototypes;
    for (const InstanceElement* instance : ElementsOf<InstanceElement>(document)) {
        prototypes.insert(instance->GetPrototypeId());
    }
    EXPECT_EQ(prototypes.size(), 2u);
    EXPECT_EQ(ElementsNamed(document, "GroupElement").size(), 2u);
    // Colour tables are on by default.
    EXPECT_TRUE(shapes[0]->GetFaceColors().has_value());
    EXPECT_EQ(shapes[0]->GetFaceColors()->size(), 1u);
}

TEST_F(ExchangerTest, UseColorOffGivesElementColoursButNoFaceTables)
{
    myExchanger->GetSettings()->Add("UseColor", ParameterCreator::Create(false));
    Document document;
    ASSERT_TRUE(myExchanger->LoadFile(&document, myFile));
    myExchanger->GetSettings()->Remove("UseColor");
    const auto shapes = ElementsOf<ShapeElement>(document);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_FALSE(shapes[0]->GetFaceColors().has_value());
    EXPECT_TRUE(shapes[0]->HasColor());
}

TEST_F(ExchangerTest, AcceptedButUnreadableFileLeavesTheDocumentUntouched)
{
    Document document;
    document.Initialize("3D");
    const size_t before = document.GetElementCount();
    const std::string content = ReadWholeFile(myFile);
    for (const std::string& path : {myDir.Write("garbage.step", "not step at all"),
                                    myDir.Write("cut.stp", content.substr(0, 400)),
                                    myDir.Write("empty.igs", ""), myDir.File("missing.iges")}) {
        ScopedLogCapture log;
        EXPECT_FALSE(myExchanger->LoadFile(&document, path)) << path;
        EXPECT_EQ(document.GetElementCount(), before) << path;
    }
    EXPECT_FALSE(DocumentExchangerManager::Instance().LoadFile(&document, myDir.File("model.stl")));
}

TEST_F(ExchangerTest, LoadJoinsTheCallersTransaction)
{
    Document document;
    {
        UndoTransaction transaction(&document);
        ASSERT_TRUE(transaction.Start("Open"));
        ASSERT_TRUE(myExchanger->LoadFile(&document, myFile));
        transaction.Commit(0);
    }
    EXPECT_GT(document.GetElementCount(), 0u);
    ASSERT_TRUE(document.Undo());
    EXPECT_EQ(document.GetElementCount(), 0u);
}

} // namespace
