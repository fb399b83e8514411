// The program's printers, called on documents read in the test: the text a person reads and
// the JSON a program reads, without a process between.
#include "Data/App/DocumentPrinter.h"
#include "LineStylePrinter.h"
#include "ScenePrinter.h"
#include "XdePrinter.h"

#include "Support/TestSupport.h"

#include "Common/Core/StringUtil.h"
#include "Data/Kernel/Document.h"
#include "Graphics/SceneExchangeManager.h"
#include "Graphics/SceneNode.h"
#include "LineStyleReader.h"
#include "RegisterInteropDataModule.h"
#include "Xde2Doc.h"
#include "XdeDocumentI.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <sstream>
#include <string>

using namespace orvkit;
using namespace orvex::cli;
using namespace orvtest;

namespace {

template <class Printer> std::string TextOf(const Printer& printer, const std::string& title)
{
    std::ostringstream out;
    printer.PrintText(out, title);
    return out.str();
}

// The bundled sample assembly as the import reads it.
class SampleDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        myConverter.SetUseColor(true);
        ASSERT_TRUE(myConverter.Load(SamplePath()));
        myConverter.Transfer();
    }

    const Document& GetDocument() const { return *myConverter.GetDocument(); }

    Xde2Doc myConverter;
};

TEST_F(SampleDocumentTest, DocumentTextShowsTheTreePlacementsFaceColoursAndASummary)
{
    const std::string text = TextOf(DocumentPrinter(GetDocument()), "sample:");
    EXPECT_EQ(text.rfind("sample:\n", 0), 0u);
    EXPECT_NE(text.find("Summary: 3 AssemblyElement, 1 DbViewBase, 1 GroupElement, "
                        "13 InstanceElement, 5 ShapeElement"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("alias=\"l-bracket-assembly_2\" browserable"), std::string::npos);
    EXPECT_NE(text.find("at (175, 25, 20) rotated 180 deg about (0, 0, 1)"), std::string::npos);
    EXPECT_NE(text.find(" face-colors="), std::string::npos);
}

TEST_F(SampleDocumentTest, DocumentJsonHoldsInstancesOfManagedPrototypesAndSrgbColours)
{
    const nlohmann::json json = DocumentPrinter(GetDocument()).ToJson();
    EXPECT_EQ(json["summary"]["InstanceElement"], 13);
    std::map<uint64_t, nlohmann::json> byId;
    for (const auto& element : json["elements"]) {
        byId[element["id"].get<uint64_t>()] = element;
    }
    size_t instances = 0;
    size_t coloured = 0;
    size_t faceColours = 0;
    for (const auto& element : json["elements"]) {
        if (element["class"] == "InstanceElement") {
            ++instances;
            ASSERT_TRUE(element.contains("prototype"));
            EXPECT_TRUE(byId.at(element["prototype"].get<uint64_t>())["managed"].get<bool>());
            EXPECT_EQ(element["translation"].size(), 3u);
        }
        if (element.contains("color")) {
            ++coloured;
            EXPECT_EQ(element["color"].get<std::string>().size(), 7u);
        }
        if (element["class"] == "ShapeElement") {
            ASSERT_TRUE(element["faceColors"].is_array());
            for (const auto& entry : element["faceColors"]) {
                EXPECT_TRUE(entry["face"].is_number_unsigned());
                EXPECT_EQ(entry["color"].get<std::string>().size(), 7u);
                ++faceColours;
            }
        }
    }
    EXPECT_EQ(instances, 13u);
    EXPECT_GT(coloured, 0u);
    EXPECT_GT(faceColours, 0u);
}

TEST(XdePrinterTest, ShowsReferencesPlacementsColoursAndCounts)
{
    XdeDocumentI document;
    ASSERT_TRUE(document.Open(StringUtil::ToW(SamplePath())));
    const XdePrinter printer(document);
    const std::string text = TextOf(printer, "sample:");
    EXPECT_NE(text.find("0:1:1:1:4 reference \"l-bracket-assembly_2\" at (175, 25, 20) "
                        "rotated 180 deg about (0, 0, 1) -> 0:1:1:5"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("simple \"nut\" color=#ff0000"), std::string::npos);
    EXPECT_NE(text.find("simple \"plate\" color=#c7c700 face-colors=18"), std::string::npos);
    EXPECT_NE(text.find("Summary: 61 labels, 1 free shapes, 4 assembly, 13 reference"),
              std::string::npos);
    const nlohmann::json summary = printer.ToJson()["summary"];
    EXPECT_EQ(summary["labels"], 61);
    EXPECT_EQ(summary["reference"], 13);
}

const char* const kRailStyles = "; rail styles\n"
                                "*RAIL,Rail track - - -\n"
                                "A,1.0,-0.5,0,-0.5\n"
                                "*RAILNOTE,Rail with note\n"
                                "A,2.0,-0.2,[\"R\",NOTE,S=0.2,X=-0.1,Y=-0.1],-0.4\n";

TEST(LineStylePrinterTest, PrintsEveryStyleWithItsPatternInTextAndJson)
{
    TempDir dir;
    Document document;
    LineStyleReader(&document).Load(dir.Write("rail.lin", kRailStyles));
    const LineStylePrinter printer(document);
    ASSERT_FALSE(printer.IsEmpty());
    EXPECT_EQ(TextOf(printer, "rail.lin:"),
              "rail.lin:\n"
              "*RAIL  Rail track - - -\n"
              "    Dash    1\n"
              "    Gap     0.5\n"
              "    Dot\n"
              "    Gap     0.5\n"
              "*RAILNOTE  Rail with note\n"
              "    Dash    2\n"
              "    Gap     0.2\n"
              "    Pattern \"R\" from \"NOTE\" S=0.2 X=-0.1 Y=-0.1\n"
              "    Gap     0.4\n"
              "Summary: 2 line styles, 8 components (2 Dash, 4 Gap, 1 Dot, 1 Pattern)\n");

    const nlohmann::json json = printer.ToJson();
    ASSERT_EQ(json["lineStyles"].size(), 2u);
    ASSERT_EQ(json["lineStyles"][1]["components"].size(), 4u);
    const nlohmann::json& note = json["lineStyles"][1]["components"][2];
    EXPECT_EQ(note["type"], "Pattern");
    EXPECT_EQ(note["pattern"], "R");
    EXPECT_EQ(note["textName"], "NOTE");
    EXPECT_EQ(note["S"], 0.2);
    EXPECT_FALSE(note.contains("U"));
    EXPECT_EQ(json["lineStyles"][0]["description"], "Rail track - - -");
    EXPECT_TRUE(LineStylePrinter(Document()).IsEmpty());
}

const char* const kScene = "#VRML V2.0 utf8\n"
                           "Transform { translation 1 2 3 rotation 0 0 1 1.5707963267948966\n"
                           "  children [ Shape {\n"
                           "    appearance Appearance { material Material {\n"
                           "      diffuseColor 1 0 0 emissiveColor 0 0 1 specularColor 0 1 0 } }\n"
                           "    geometry Box { size 2 4 6 } } ] }\n"
                           "Shape { geometry Sphere { } }\n"
                           "Viewpoint { }\n";

TEST(ScenePrinterTest, ShowsTheNodeTreeWithShapesAndMaterials)
{
    RegisterInteropDataModule();
    TempDir dir;
    const std::shared_ptr<SceneNode> root =
        SceneExchangeManager::Instance().Load(dir.Write("demo.wrl", kScene));
    ASSERT_TRUE(root);
    const ScenePrinter printer(*root);
    EXPECT_EQ(TextOf(printer, "demo.wrl:"),
              "demo.wrl:\n"
              "  Group\n"
              "    Group at (1, 2, 3) rotated 90 deg about (0, 0, 1)\n"
              "      BRep Shell faces=6 edges=12 box=(-1, -2, -3)..(1, 2, 3) material=\"pbr-0\" "
              "template=color-pbr color=#ff0000 emissive=#0000ff specular=#00ff00 side=double\n"
              "    BRep Shell faces=1 edges=3 box=(-1, -1, -1)..(1, 1, 1) material=none\n"
              "    Group\n"
              "Summary: 3 groups, 2 B-rep nodes, 1 material\n");

    const nlohmann::json out = printer.ToJson();
    EXPECT_EQ(out["summary"], nlohmann::json({{"groups", 3}, {"breps", 2}, {"materials", 1}}));
    ASSERT_EQ(out["root"]["children"].size(), 3u);
    const nlohmann::json& transform = out["root"]["children"][0];
    EXPECT_EQ(transform["kind"], "group");
    EXPECT_EQ(transform["translation"], nlohmann::json({1.0, 2.0, 3.0}));
    EXPECT_EQ(transform["rotation"]["angleDegrees"], 90.0);
    ASSERT_EQ(transform["children"].size(), 1u);
    const nlohmann::json& box = transform["children"][0];
    EXPECT_EQ(box["kind"], "brep");
    EXPECT_EQ(box["shapeType"], "Shell");
    EXPECT_EQ(box["boundingBox"]["max"], nlohmann::json({1.0, 2.0, 3.0}));
    EXPECT_EQ(box["faceMaterial"]["name"], "pbr-0");
    EXPECT_EQ(box["faceMaterial"]["uniforms"]["specular"], "#00ff00");
    EXPECT_EQ(box["edgeMaterial"], box["faceMaterial"]);
    EXPECT_TRUE(out["root"]["children"][1]["faceMaterial"].is_null());
}

} // namespace
