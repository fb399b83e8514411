// Xde2Doc itself: its settings, the reader chosen by extension, and the documents it makes.
#include "Support/TestSupport.h"

#include "Common/Core/ParameterDict.h"
#include "Common/Core/Path.h"
#include "Data/Kernel/DbViewBase.h"
#include "Data/Kernel/ShapeElement.h"
#include "Data/Kernel/UndoTransaction.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Xde2Doc.h"

#include <filesystem>
#include <sstream>

using namespace orvkit;
using namespace orvtest;

namespace {

class Xde2DocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        XcafBuilder builder;
        builder.AddPart("Box", MakeBox(1, 2, 3));
        myStep = myDir.File("part.step");
        ASSERT_TRUE(builder.SaveStep(myStep));
        myIges = myDir.File("part.iges");
        ASSERT_TRUE(XdeDocumentIGES::Save(myIges, builder.GetImpl(), nullptr));
    }

    // A copy of `source` under another name in the test folder.
    std::string CopyAs(const std::string& source, const std::string& name)
    {
        const std::string target = myDir.File(name);
        std::filesystem::copy_file(source, target,
                                   std::filesystem::copy_options::overwrite_existing);
        return target;
    }

    TempDir myDir;
    std::string myStep;
    std::string myIges;
};

TEST_F(Xde2DocTest, NewObjectUsesColourDoesNotSplitAndHasNoDocument)
{
    Xde2Doc converter;
    EXPECT_TRUE(converter.GetUseColor());
    EXPECT_FALSE(converter.GetCreateAssembly());
    EXPECT_EQ(converter.GetDocument(), nullptr);
    EXPECT_EQ(converter.GetSettings()->GetKeys(), std::vector<std::string>{"UseColor"});

    converter.SetUseColor(false);
    EXPECT_FALSE(converter.GetUseColor());
    converter.SetUseColor(true);
    converter.GetSettings()->Remove("UseColor");
    EXPECT_FALSE(converter.GetUseColor());
    converter.SetCreateAssembly(true);
    EXPECT_TRUE(converter.GetCreateAssembly());
}

TEST_F(Xde2DocTest, ExtensionChoosesTheReaderExactly)
{
    // STEP content only reads through the STEP reader, IGES content only through the IGES one.
    const std::pair<std::string, bool> cases[] = {
        {CopyAs(myStep, "a.step"), true},       {CopyAs(myStep, "a.stp"), true},
        {CopyAs(myIges, "a.iges"), true},       {CopyAs(myIges, "a.igs"), true},
        {CopyAs(myStep, "b.igs"), false},       {CopyAs(myIges, "b.stp"), false},
        {CopyAs(myStep, "c.STEP"), false},      {CopyAs(myStep, "c.stl"), false},
        {CopyAs(myStep, "noextension"), false},
    };
    for (const auto& [path, readable] : cases) {
        Xde2Doc byString;
        EXPECT_EQ(byString.Load(path), readable) << path;
        Xde2Doc byPath;
        EXPECT_EQ(byPath.Load(Path(path)), readable) << path;
    }
}

TEST_F(Xde2DocTest, BlankedIgesEntitiesAreReadLikeVisibleOnes)
{
    // A CAD system hides blanked entities, but they are part of the model: every one is read.
    XcafBuilder builder;
    builder.AddPart("Shown", MakeBox(1, 1, 1));
    builder.AddPart("Hidden", MakeCylinder(1, 2));
    const std::string path = myDir.File("blanked.igs");
    ASSERT_TRUE(XdeDocumentIGES::Save(path, builder.GetImpl(), nullptr));
    std::istringstream in(ReadWholeFile(path));
    std::string blanked;
    int directoryEntries = 0;
    for (std::string line; std::getline(in, line);) {
        // The first line of each directory entry: section letter D in column 73, an odd
        // sequence number; its status field starts with the blank status in columns 65-66.
        if (line.size() >= 80 && line[72] == 'D' && std::stoi(line.substr(73, 7)) % 2 == 1) {
            line.replace(64, 2, "01");
            ++directoryEntries;
        }
        blanked += line + "\n";
    }
    ASSERT_GT(directoryEntries, 2);
    myDir.Write("blanked.igs", blanked);
    Xde2Doc importer;
    ASSERT_TRUE(importer.Load(path));
    importer.Transfer();
    EXPECT_EQ(ElementsOf<ShapeElement>(*importer.GetDocument()).size(), 2u);
}

TEST_F(Xde2DocTest, UnknownExtensionFailsWithoutAMessage)
{
    ScopedLogCapture log;
    Xde2Doc converter;
    EXPECT_FALSE(converter.Load(CopyAs(myStep, "model.stl")));
    EXPECT_FALSE(converter.Load(myDir.File("missing.obj")));
    EXPECT_TRUE(log->GetRecords().empty());
}

TEST_F(Xde2DocTest, NonAsciiFileNamesLoad)
{
    Xde2Doc converter;
    EXPECT_TRUE(converter.Load(CopyAs(myStep, "零件 装配.step")));
    Xde2Doc byPath;
    EXPECT_TRUE(byPath.Load(Path(CopyAs(myIges, "деталь.igs"))));
}

TEST_F(Xde2DocTest, TransferMakesANew3DDocumentWithoutTransactionsEachTime)
{
    Xde2Doc converter;
    ASSERT_TRUE(converter.Load(myStep));
    ASSERT_TRUE(converter.Transfer());
    const std::shared_ptr<Document> first = converter.GetDocument();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->IsTransactionEnabled());
    const auto* view = first->FindElementAs<DbViewBase>(first->GetActiveDbViewId());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetViewType(), DbViewType3D);
    EXPECT_EQ(ElementsOf<ShapeElement>(*first).size(), 1u);

    ASSERT_TRUE(converter.Transfer());
    EXPECT_NE(converter.GetDocument(), first);
    EXPECT_EQ(ElementsOf<ShapeElement>(*converter.GetDocument()).size(), 1u);
}

TEST_F(Xde2DocTest, TransferIntoAGivenDocumentJoinsTheCallersTransaction)
{
    Document document;
    document.Initialize("3D");
    Xde2Doc converter;
    ASSERT_TRUE(converter.Load(myStep));
    {
        UndoTransaction transaction(&document);
        ASSERT_TRUE(transaction.Start("AdvImport"));
        ASSERT_TRUE(converter.Transfer(&document));
        transaction.Commit(0);
    }
    EXPECT_EQ(converter.GetDocument(), nullptr);
    EXPECT_TRUE(document.IsTransactionEnabled());
    EXPECT_EQ(ElementsOf<ShapeElement>(document).size(), 1u);
    ASSERT_TRUE(document.Undo());
    EXPECT_TRUE(ElementsOf<ShapeElement>(document).empty());
}

TEST_F(Xde2DocTest, BadFilesFailToLoad)
{
    const std::string step = ReadWholeFile(myStep);
    const std::string files[] = {
        myDir.File("missing.step"),
        myDir.Write("empty.step", ""),
        myDir.Write("truncated.stp", step.substr(0, step.size() * 2 / 3)),
        myDir.Write("notes.stp", "Dear diary,\nthis is plain text.\n"),
    };
    for (const std::string& file : files) {
        Xde2Doc converter;
        EXPECT_FALSE(converter.Load(file)) << file;
        // What a failed load leaves behind transfers as nothing.
        converter.Transfer();
        EXPECT_EQ(converter.GetDocument()->GetElementCount(), 1u) << file;
    }
    std::filesystem::create_directory(myDir.File("folder.step"));
    Xde2Doc converter;
    EXPECT_FALSE(converter.Load(myDir.File("folder.step")));
}

} // namespace
