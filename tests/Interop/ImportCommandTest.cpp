// The three import commands as the application runs them: by name through the command
// registry, with dialogs answered by a script, on a document with an active 3D view.
#include "Support/DialogScope.h"
#include "Support/TestSupport.h"

#include "Common/Core/StringUtil.h"
#include "Data/App/CommandManager.h"
#include "Data/App/DocumentManager.h"
#include "Data/Kernel/AssemblyElement.h"
#include "Data/Kernel/CategoryNames.h"
#include "Data/Kernel/ExternalDocument.h"
#include "Data/Kernel/GroupElement.h"
#include "Data/Kernel/ShapeElement.h"
#include "Data/Kernel/WireElement.h"
#include "Geometry/IO/ImportSettingsModel.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "RegisterInteropDataModule.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <STEPControl_Writer.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>

using namespace orvkit;
using namespace orvtest;

namespace {

class ZoomRecorder : public Viewer {
public:
    void ZoomToExtend(float factor) override { myFactors.push_back(factor); }
    std::vector<float> myFactors;
};

TopoDS_Shape MakeEdge()
{
    return BRepBuilderAPI_MakeEdge(gp_Pnt(0, 0, 0), gp_Pnt(5, 0, 0)).Edge();
}

TopoDS_Shape MakeWire()
{
    return BRepBuilderAPI_MakePolygon(gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(1, 1, 0)).Wire();
}

class ImportCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterInteropDataModule();
        myDocument.Initialize("3D");
        myPart = GroupElement::Create(&myDocument);
        myPart->SetName("Part 1");
        myDocument.SetActivePartId(myPart->GetId());
        myBaseline = myDocument.GetElementCount();
    }

    std::string WriteBrep(const std::string& name, const TopoDS_Shape& shape) const
    {
        const std::string path = myDir.File(name);
        EXPECT_TRUE(BRepTools::Write(shape, path.c_str()));
        return path;
    }

    bool Run(const std::string& command, ParameterDict* parameters = nullptr)
    {
        CommandContext context(&myDocument, parameters, &myViewer);
        return CommandManager::Instance().Run(command, &context);
    }

    bool BatchImport(const std::string& path, ObjectId objectId = ObjectId::InvalidId)
    {
        ParameterDict parameters;
        parameters.Add("FilePath", ParameterCreator::Create(path));
        CommandContext context(&myDocument, &parameters, &myViewer, objectId);
        return CommandManager::Instance().BatchRun("Import", &context);
    }

    // The elements the command made, in id order.
    std::vector<Element*> NewElements() const
    {
        std::vector<Element*> made;
        for (Element* element : myDocument.GetElements()) {
            if (element->GetId() != myPart->GetId() &&
                element->GetId() != myDocument.GetActiveDbViewId()) {
                made.push_back(element);
            }
        }
        return made;
    }

    static void ExpectImported(const Element& element, const std::string& name)
    {
        EXPECT_EQ(element.GetName(), name);
        EXPECT_EQ(element.GetCategory(), CategoryNames::Shape());
        EXPECT_EQ(element.GetSchemaName(), "ImportSchema");
        EXPECT_TRUE(dynamic_cast<const EntityElement&>(element).IsBrowserable());
    }

    TempDir myDir;
    Document myDocument;
    GroupElement* myPart = nullptr;
    size_t myBaseline = 0;
    ZoomRecorder myViewer;
};

TEST_F(ImportCommandTest, VisibleOnlyWithADocumentShowingA3DView)
{
    const auto import = CommandManager::Instance().Find("Import");
    const auto asPart = CommandManager::Instance().Find("ImportAsPart");
    CommandContext context(&myDocument, nullptr);
    EXPECT_TRUE(import->IsVisible(&context));
    EXPECT_TRUE(asPart->IsVisible(&context));

    ScopedLogCapture log;
    CommandContext empty(nullptr, nullptr);
    EXPECT_FALSE(import->IsVisible(&empty));
    EXPECT_TRUE(log.Contains(3, "Document is null!"));
    log->Clear();
    EXPECT_FALSE(asPart->IsVisible(&empty));
    EXPECT_TRUE(log->GetRecords().empty()); // ImportAsPart says nothing

    Document drawing;
    drawing.Initialize("2D");
    CommandContext onDrawing(&drawing, nullptr);
    EXPECT_FALSE(import->IsVisible(&onDrawing));
    EXPECT_FALSE(CommandManager::Instance().Find("AdvImport")->IsVisible(&onDrawing));
    EXPECT_TRUE(log->GetRecords().empty());
}

TEST_F(ImportCommandTest, FilterListBlanksAsterisksInDescriptionsAndEndsWithAllFiles)
{
    DialogScope dialogs({""});
    EXPECT_FALSE(Run("Import"));
    ASSERT_EQ(dialogs->GetCalls().size(), 1u);
    const DialogCall& call = dialogs->GetCalls()[0];
    EXPECT_EQ(call.title, "打开模型");
    std::unordered_map<std::string, std::string> formats;
    ShapeExchangeManager::Instance().ListReaderFormats(formats);
    ASSERT_EQ(call.filters.size(), formats.size() * 2 + 2);
    EXPECT_EQ(call.filters[call.filters.size() - 2], "All Files");
    EXPECT_EQ(call.filters.back(), "*");
    for (size_t i = 0; i + 2 < call.filters.size(); i += 2) {
        const std::string& description = call.filters[i];
        EXPECT_EQ(description.find('*'), std::string::npos) << description;
        const std::string name = description.substr(0, description.find('('));
        ASSERT_EQ(formats.count(name), 1u) << description;
        EXPECT_EQ(call.filters[i + 1], formats[name]); // the pattern stays as it is
        EXPECT_EQ(description, name + "(" + StringUtil::Replace(formats[name], "*", " ") + ")");
    }
}

// AdvImport and ImportAsPart are also given a file they cannot load: an STL file, taken
// through "All Files", and a broken STEP file.
TEST_F(ImportCommandTest, CancelledDialogsAndFilesThatCannotBeLoadedChangeNothing)
{
    const std::string stl = WriteBrep("model.stl", MakeBox(1, 1, 1));
    DialogScope dialogs({"", "", "", stl, myDir.Write("bad.step", "not a step file")});
    EXPECT_FALSE(Run("Import"));
    EXPECT_FALSE(Run("AdvImport"));
    EXPECT_FALSE(Run("ImportAsPart"));
    EXPECT_EQ(dialogs->GetCalls().size(), 3u);
    EXPECT_FALSE(Run("AdvImport"));
    EXPECT_FALSE(Run("ImportAsPart"));
    EXPECT_EQ(myDocument.GetElementCount(), myBaseline);
    EXPECT_EQ(myDocument.GetUndoCount(), 0u);
    EXPECT_TRUE(myViewer.myFactors.empty());
}

// Wires and edges become wire elements, the rest shape elements; a compound of one shape or
// of none stays whole.
TEST_F(ImportCommandTest, AnythingButACompoundOfSeveralBecomesOneElementInTheActivePart)
{
    const struct {
        const char* file;
        TopoDS_Shape shape;
        bool wire;
        EnumTopoShapeType type;
    } cases[] = {
        {"box.brep", MakeBox(1, 2, 3), false, TopoShapeSolid},
        {"wire.brep", MakeWire(), true, TopoShapeWire},
        {"edge.brep", MakeEdge(), true, TopoShapeEdge},
        {"one.brep", MakeCompound({MakeBox(1, 1, 1)}), false, TopoShapeCompound},
        {"none.brep", MakeCompound({}), false, TopoShapeCompound},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& expected = cases[i];
        DialogScope dialogs({WriteBrep(expected.file, expected.shape)});
        ASSERT_TRUE(Run("Import")) << expected.file;
        const auto made = NewElements();
        ASSERT_EQ(made.size(), i + 1) << expected.file;
        const Element& element = *made.back();
        ExpectImported(element, expected.file);
        const auto* wire = dynamic_cast<const WireElement*>(&element);
        const auto* shape = dynamic_cast<const ShapeElement*>(&element);
        ASSERT_EQ(wire != nullptr, expected.wire) << expected.file;
        ASSERT_EQ(shape != nullptr, !expected.wire) << expected.file;
        EXPECT_EQ((wire ? wire->GetShape() : shape->GetShape())->GetShapeType(), expected.type)
            << expected.file;
        EXPECT_EQ(element.GetPartId(), myPart->GetId()) << expected.file;
        EXPECT_FALSE(element.GetParentId().IsValid()) << expected.file;
        EXPECT_EQ(myViewer.myFactors, std::vector<float>(i + 1, 1.2f)) << expected.file;
    }
    EXPECT_EQ(ElementsNamed(myDocument, "GroupElement").size(), 1u); // only the part
}

TEST_F(ImportCommandTest, ACompoundOfSeveralShapesBecomesAGroupOfNumberedChildren)
{
    const TopoDS_Shape compound = MakeCompound({MakeBox(1, 1, 1), MakeCylinder(1, 2), MakeEdge()});
    DialogScope dialogs({WriteBrep("part.brep", compound)});
    ASSERT_TRUE(Run("Import"));

    const auto groups = ElementsNamed(myDocument, "GroupElement");
    ASSERT_EQ(groups.size(), 2u); // the active part and the import
    auto* group = dynamic_cast<GroupElement*>(groups[1]);
    ExpectImported(*group, "part.brep");
    EXPECT_FALSE(group->GetPartId().IsValid());
    std::set<ObjectId> childIds;
    const std::vector<std::string> names{"part.brep:1", "part.brep:2", "part.brep:3"};
    for (size_t i = 0; i < names.size(); ++i) {
        Element* child = FindByName(myDocument, names[i]);
        ASSERT_NE(child, nullptr) << names[i];
        ExpectImported(*child, names[i]);
        EXPECT_EQ(child->GetParentId(), group->GetId());
        EXPECT_FALSE(child->GetPartId().IsValid());
        childIds.insert(child->GetId());
    }
    EXPECT_EQ(group->GetChildren(), childIds);
    EXPECT_NE(dynamic_cast<WireElement*>(FindByName(myDocument, "part.brep:3")), nullptr);
    EXPECT_NE(dynamic_cast<ShapeElement*>(FindByName(myDocument, "part.brep:1")), nullptr);
    EXPECT_EQ(NewElements().size(), 4u);
}

TEST_F(ImportCommandTest, AStepCompoundIsSplitUnderTheFileName)
{
    STEPControl_Writer writer;
    writer.Transfer(MakeCompound({MakeBox(1, 1, 1), MakeBox(2, 2, 2), MakeCylinder(1, 1)}),
                    STEPControl_AsIs);
    const std::string path = myDir.File("part.step");
    ASSERT_EQ(writer.Write(path.c_str()), IFSelect_RetDone);
    DialogScope dialogs({path});
    ASSERT_TRUE(Run("Import"));
    for (const char* name : {"part.step", "part.step:1", "part.step:2", "part.step:3"}) {
        EXPECT_NE(FindByName(myDocument, name), nullptr) << name;
    }
    EXPECT_EQ(FindByName(myDocument, "part.step:4"), nullptr);
}

TEST_F(ImportCommandTest, OneUndoStepPerImportRemovesAllItMadeAndRedoBringsItBack)
{
    DialogScope dialogs(
        {WriteBrep("pair.brep", MakeCompound({MakeBox(1, 1, 1), MakeBox(2, 1, 1)}))});
    ASSERT_TRUE(Run("Import"));
    EXPECT_EQ(myDocument.GetUndoCount(), 1u);
    EXPECT_EQ(myDocument.GetUndoName(), "Import");
    const size_t after = myDocument.GetElementCount();
    EXPECT_EQ(after, myBaseline + 3);
    ASSERT_TRUE(myDocument.Undo());
    EXPECT_EQ(myDocument.GetElementCount(), myBaseline);
    EXPECT_EQ(FindByName(myDocument, "pair.brep"), nullptr);
    ASSERT_TRUE(myDocument.Redo());
    EXPECT_EQ(myDocument.GetElementCount(), after);
    EXPECT_NE(FindByName(myDocument, "pair.brep:2"), nullptr);
}

TEST_F(ImportCommandTest, AFailedReadTellsTheUserAndOpensNoUndoStep)
{
    const std::string garbage = myDir.Write("broken.stl", "solid broken\n  facet normal 0 0");
    DialogScope dialogs({garbage});
    EXPECT_FALSE(Run("Import"));
    ASSERT_EQ(dialogs->GetCalls().size(), 3u);
    EXPECT_EQ(dialogs->GetCalls()[2].kind, "notify");
    EXPECT_EQ(dialogs->GetCalls()[2].title, "打开失败");
    EXPECT_EQ(dialogs->GetCalls()[2].defaultName, garbage); // the notice's text is the path
    EXPECT_EQ(myDocument.GetElementCount(), myBaseline);
    EXPECT_EQ(myDocument.GetUndoCount(), 0u);
    EXPECT_TRUE(myViewer.myFactors.empty());
}

TEST_F(ImportCommandTest, TheSettingsDialogComesBetweenTheFileAndTheReadAndItsCancelEndsIt)
{
    const std::string path = WriteBrep("box.brep", MakeBox(1, 1, 1));
    {
        DialogScope dialogs({path});
        ASSERT_TRUE(Run("Import"));
        ASSERT_EQ(dialogs->GetCalls().size(), 2u);
        EXPECT_EQ(dialogs->GetCalls()[0].kind, "open");
        EXPECT_EQ(dialogs->GetCalls()[1].kind, "ImportSettingsDlg");
    }
    DialogScope dialogs({path});
    dialogs->SetNamedDialogsAccepted(false);
    ScopedLogCapture log;
    const size_t before = myDocument.GetElementCount();
    EXPECT_FALSE(Run("Import"));
    EXPECT_TRUE(
        log.Contains(4, "Cannot open file: " + path + " (the import settings were cancelled)"));
    EXPECT_EQ(dialogs->GetCalls().back().title, "打开失败");
    EXPECT_EQ(myDocument.GetElementCount(), before);
}

TEST_F(ImportCommandTest, BatchImportTakesItsRepairsFromTheParametersAndShowsNoDialog)
{
    const std::string path = WriteBrep("shell.brep", BRepPrimAPI_MakeBox(1, 1, 1).Shell());
    DialogScope dialogs;
    ParameterDict parameters;
    parameters.Add("FilePath", ParameterCreator::Create(path));
    parameters.Add(ImportSettingsModel::FixSolidKey, ParameterCreator::Create(true));
    CommandContext context(&myDocument, &parameters, &myViewer);
    ASSERT_TRUE(CommandManager::Instance().BatchRun("Import", &context));
    const auto* element = dynamic_cast<const ShapeElement*>(NewElements().back());
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->GetShape()->GetShapeType(), TopoShapeSolid);
    EXPECT_TRUE(dialogs->GetCalls().empty());
}

TEST_F(ImportCommandTest, BatchImportMakesOneElementUnderTheGivenIdWithoutZooming)
{
    const ObjectId chosen = ObjectId::NewId();
    ASSERT_TRUE(BatchImport(
        WriteBrep("pair.brep", MakeCompound({MakeBox(1, 1, 1), MakeBox(2, 1, 1)})), chosen));
    auto* element = myDocument.FindElementAs<ShapeElement>(chosen);
    ASSERT_NE(element, nullptr);
    ExpectImported(*element, "pair.brep");
    EXPECT_EQ(element->GetShape()->GetShapeType(), TopoShapeCompound); // not split
    EXPECT_FALSE(element->GetPartId().IsValid());
    EXPECT_EQ(myDocument.GetUndoName(), "Import");
    EXPECT_TRUE(myViewer.myFactors.empty());

    // The id is now taken: the read succeeds, the element cannot be made.
    ScopedLogCapture log;
    EXPECT_FALSE(BatchImport(myDir.File("pair.brep"), chosen));
    EXPECT_EQ(myDocument.GetElementCount(), myBaseline + 1);
}

TEST_F(ImportCommandTest, BatchImportWithoutAPathLogsTheEmptyPathAndFails)
{
    ScopedLogCapture log;
    ParameterDict parameters; // the registry adds "FilePath" with its default, ""
    CommandContext context(&myDocument, &parameters, &myViewer);
    EXPECT_FALSE(CommandManager::Instance().BatchRun("Import", &context));
    EXPECT_EQ(ParameterCast::Cast(parameters.Find("FilePath"), "?"), "");
    EXPECT_TRUE(log.Contains(2, "打开文件: "));
    const auto& records = log->GetRecords();
    const auto failed = std::find_if(records.begin(), records.end(), [](const LogRecord& r) {
        return r.level == 4 && r.text == "打开失败";
    });
    ASSERT_NE(failed, records.end());
    ASSERT_NE(failed + 1, records.end());
    EXPECT_EQ((failed + 1)->level, 1);
    EXPECT_EQ((failed + 1)->text.rfind("\t#", 0), 0u); // the location line follows
    EXPECT_NE((failed + 1)->text.find("AImportCommand"), std::string::npos);
    EXPECT_EQ(myDocument.GetUndoCount(), 0u);
}

TEST_F(ImportCommandTest, AdvImportHonoursCreateAssembly)
{
    const std::string sample = SamplePath();
    DialogScope dialogs({sample, sample});
    ASSERT_TRUE(Run("AdvImport")); // no parameters: create-assembly off
    EXPECT_EQ(myDocument.GetUndoName(), "AdvImport");
    EXPECT_EQ(ElementsNamed(myDocument, "GroupElement").size(), 2u); // the part, the root
    EXPECT_EQ(ElementsNamed(myDocument, "AssemblyElement").size(), 3u);
    ASSERT_TRUE(myDocument.Undo());
    EXPECT_EQ(myDocument.GetElementCount(), myBaseline);

    ParameterDict parameters;
    parameters.Add("CreateAssembly", ParameterCreator::Create(true));
    ASSERT_TRUE(Run("AdvImport", &parameters));
    EXPECT_EQ(ElementsNamed(myDocument, "GroupElement").size(), 1u);
    EXPECT_EQ(ElementsNamed(myDocument, "AssemblyElement").size(), 4u);
    EXPECT_EQ(myViewer.myFactors, (std::vector<float>{1.2f, 1.2f}));
    ASSERT_EQ(dialogs->GetCalls().size(), 2u);
    EXPECT_EQ(dialogs->GetCalls()[0].filters,
              (std::vector<std::string>{"CAD Files (.igs .iges .stp .step)",
                                        "*.igs *.iges *.stp *.step", "All Files", "*"}));
}

class ImportAsPartTest : public ImportCommandTest {
protected:
    void SetUp() override
    {
        ImportCommandTest::SetUp();
        XcafBuilder builder;
        builder.AddPart("Bracket", MakeBox(1, 2, 3));
        myFile = myDir.File("part.stp");
        ASSERT_TRUE(builder.SaveStep(myFile));
    }

    void TearDown() override
    {
        for (const auto* external : ElementsOf<ExternalDocument>(myDocument)) {
            DocumentManager::Instance().CloseDocument(external->GetSubDocument().get());
        }
    }

    ExternalDocument* ImportAsPart(ParameterDict* parameters)
    {
        DialogScope dialogs({myFile});
        EXPECT_TRUE(Run("ImportAsPart", parameters));
        const auto externals = ElementsOf<ExternalDocument>(myDocument);
        return externals.empty() ? nullptr : externals.back();
    }

    std::string myFile;
};

TEST_F(ImportAsPartTest, PlacesANewSubDocumentWithTheTransferredContent)
{
    ExternalDocument* external = ImportAsPart(nullptr);
    ASSERT_NE(external, nullptr);
    EXPECT_EQ(external->GetName(), "part.stp");
    EXPECT_EQ(external->GetDocumentId(), "part.stp");
    EXPECT_EQ(external->GetCategory(), CategoryNames::SubDocument());
    const std::shared_ptr<Document>& sub = external->GetSubDocument();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->GetName(), "part.stp");
    EXPECT_EQ(sub->GetDocType(), "ORVX");
    ASSERT_NE(FindByName(*sub, "Bracket"), nullptr);
    EXPECT_EQ(FindByName(myDocument, "Bracket"), nullptr);
    EXPECT_EQ(myViewer.myFactors, std::vector<float>{1.2f});

    // Two separate undo steps: the content in the sub-document, the element in this one.
    EXPECT_EQ(sub->GetUndoCount(), 1u);
    EXPECT_EQ(sub->GetUndoName(), "ImportAsPart");
    EXPECT_EQ(myDocument.GetUndoCount(), 1u);
    EXPECT_EQ(myDocument.GetUndoName(), "ImportAsPart");
    ASSERT_TRUE(myDocument.Undo());
    EXPECT_TRUE(ElementsOf<ExternalDocument>(myDocument).empty());
    EXPECT_NE(FindByName(*sub, "Bracket"), nullptr);
    ASSERT_TRUE(myDocument.Redo());
}

TEST_F(ImportAsPartTest, DocumentTypeComesFromTheParameters)
{
    ParameterDict empty;
    ASSERT_NE(ImportAsPart(&empty), nullptr);
    EXPECT_EQ(ElementsOf<ExternalDocument>(myDocument).back()->GetSubDocument()->GetDocType(),
              "ORVX");
    ParameterDict parameters;
    parameters.Add("DocType", ParameterCreator::Create("PART"));
    ExternalDocument* external = ImportAsPart(&parameters);
    ASSERT_NE(external, nullptr);
    EXPECT_EQ(external->GetSubDocument()->GetDocType(), "PART");
}

TEST_F(ImportAsPartTest, ALocalEncodingDocumentGetsTheConvertedName)
{
    const std::string unicode = myDir.File("零件.stp");
    std::rename(myFile.c_str(), unicode.c_str());
    myFile = unicode;
    myDocument.SetTextEncoding(TextEncodingLocal);
    ExternalDocument* local = ImportAsPart(nullptr);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->GetName(), StringUtil::UTF82AStr("零件.stp"));
    EXPECT_EQ(local->GetSubDocument()->GetName(), StringUtil::UTF82AStr("零件.stp"));
    myDocument.SetTextEncoding(TextEncodingUtf8);
    ExternalDocument* utf8 = ImportAsPart(nullptr);
    ASSERT_NE(utf8, nullptr);
    EXPECT_EQ(utf8->GetName(), "零件.stp");
}

} // namespace
