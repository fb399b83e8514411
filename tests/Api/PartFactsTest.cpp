// What a STEP file says about a part besides its shape: its material with a density in any
// units, the names of its bodies, read through the library and kept by a STEP round trip.
#include "Support/TestSupport.h"

#include "orvex/orvex.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>

#include <map>
#include <regex>
#include <set>

namespace {

const orvex::Part& PartNamed(const orvex::Model& model, const std::string& name)
{
    for (const orvex::Part& part : model.Parts()) {
        if (part.name == name) {
            return part;
        }
    }
    ADD_FAILURE() << "no part " << name;
    static const orvex::Part none;
    return none;
}

orvex::Model ReadOrFail(const std::string& path)
{
    orvex::ReadResult read = orvex::Read(path);
    EXPECT_TRUE(read) << read.failure.Text();
    return read ? *read.model : orvex::Model();
}

// Checks the two parts of materials-cube-cylinder.step: a cube of steel in kg/m³, a cylinder
// of Inconel in pounds per cubic inch, each one named body with all its faces.
void ExpectCubeAndCylinder(const orvex::Model& model)
{
    const orvex::Part& cube = PartNamed(model, "red_cube");
    ASSERT_TRUE(cube.material);
    EXPECT_EQ(cube.material->name, "Steel");
    EXPECT_EQ(cube.material->description, "structural steel");
    ASSERT_TRUE(cube.material->density);
    EXPECT_NEAR(*cube.material->density, 7850.0, 1e-6);
    const orvex::Part& cylinder = PartNamed(model, "blue_cylinder");
    ASSERT_TRUE(cylinder.material);
    EXPECT_EQ(cylinder.material->name, "AMS 5662; Inconel 718");
    ASSERT_TRUE(cylinder.material->density);
    EXPECT_NEAR(*cylinder.material->density, 0.297 * 0.45359237 / (0.0254 * 0.0254 * 0.0254), 1e-6);
    for (const orvex::Part* part : {&cube, &cylinder}) {
        ASSERT_EQ(part->bodies.size(), 1u) << part->name;
        EXPECT_EQ(part->bodies[0].name, part->name);
        EXPECT_EQ(part->bodies[0].kind, "solid");
        EXPECT_EQ(part->bodies[0].faces.size(), part->faces);
    }
}

TEST(PartFactsTest, MaterialsInAnyUnitsAndBodyNamesAreReadAndKeptByAStepRoundTrip)
{
    const orvex::Model model =
        ReadOrFail(orvtest::TestDataFile("step-handwritten/materials-cube-cylinder.step"));
    // A text property of the cube beside its material is no material of its own.
    ExpectCubeAndCylinder(model);
    EXPECT_TRUE(model.Warnings().empty());

    orvtest::TempDir dir;
    const orvex::WriteReport written = orvex::Write(model, dir.File("copy.stp"));
    ASSERT_TRUE(written.failure.empty()) << written.failure;
    ExpectCubeAndCylinder(ReadOrFail(dir.File("copy.stp")));
    // Written as readers expect a density: kilograms over cubic metres.
    const std::string text = orvtest::ReadWholeFile(dir.File("copy.stp"));
    EXPECT_NE(text.find("SI_UNIT(.KILO.,.GRAM.)"), std::string::npos);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(DERIVED_UNIT_ELEMENT\(#\d+,-3\.\))")));
}

TEST(PartFactsTest, ADensityInAUnitThatIsNoDensityIsLeftOutWithAWarning)
{
    std::string text = orvtest::ReadWholeFile(
        orvtest::TestDataFile("step-handwritten/materials-cube-cylinder.step"));
    // The cube's density per square metre.
    const std::string volume = "#411 = DERIVED_UNIT_ELEMENT( #115, -3. );";
    ASSERT_NE(text.find(volume), std::string::npos);
    text.replace(text.find(volume), volume.size(), "#411 = DERIVED_UNIT_ELEMENT( #115, -2. );");
    orvtest::TempDir dir;
    const orvex::Model model = ReadOrFail(dir.Write("area.step", text));
    const orvex::Part& cube = PartNamed(model, "red_cube");
    ASSERT_TRUE(cube.material);
    EXPECT_EQ(cube.material->name, "Steel");
    EXPECT_FALSE(cube.material->density);
    ASSERT_EQ(model.Warnings().size(), 1u);
    EXPECT_NE(model.Warnings()[0].find("'Steel'"), std::string::npos) << model.Warnings()[0];
}

// OpenCASCADE 7.6 writes a density in g/cm³ with the exponents 3 and 2 (its own test data
// carries such files); it is read as what it means.
TEST(PartFactsTest, OcctsOwnDensityUnitIsReadAsGramsPerCubicCentimetre)
{
    std::string text = orvtest::ReadWholeFile(
        orvtest::TestDataFile("step-handwritten/materials-cube-cylinder.step"));
    const std::string from = "#409 = DERIVED_UNIT( ( #410, #411 ) );";
    ASSERT_NE(text.find(from), std::string::npos);
    text.replace(text.find(from), from.size(),
                 "#409 = DERIVED_UNIT( ( #440, #441 ) );\n"
                 "#440 = DERIVED_UNIT_ELEMENT( #442, 3. );\n"
                 "#441 = DERIVED_UNIT_ELEMENT( #443, 2. );\n"
                 "#442 = ( MASS_UNIT( ) NAMED_UNIT( * ) SI_UNIT( $, .GRAM. ) );\n"
                 "#443 = ( LENGTH_UNIT( ) NAMED_UNIT( * ) SI_UNIT( .CENTI., .METRE. ) );");
    const std::string value = "POSITIVE_RATIO_MEASURE( 7850. )";
    text.replace(text.find(value), value.size(), "POSITIVE_RATIO_MEASURE( 7.85 )");
    orvtest::TempDir dir;
    const orvex::Model model = ReadOrFail(dir.Write("occt.step", text));
    const orvex::Part& cube = PartNamed(model, "red_cube");
    ASSERT_TRUE(cube.material && cube.material->density);
    EXPECT_NEAR(*cube.material->density, 7850.0, 1e-6);
}

// The JSON chunk of a GLB file.
nlohmann::json GlbJson(const std::string& path)
{
    const std::string bytes = orvtest::ReadWholeFile(path);
    std::uint32_t length = 0;
    if (bytes.size() < 20) {
        return {};
    }
    std::memcpy(&length, bytes.data() + 12, sizeof(length));
    return nlohmann::json::parse(bytes.substr(20, length));
}

TEST(PartFactsTest, GlbCarriesMaterialsAndFormatsWithoutThemSayWhatTheyLeave)
{
    const orvex::Model model =
        ReadOrFail(orvtest::TestDataFile("step-handwritten/materials-cube-cylinder.step"));
    orvtest::TempDir dir;
    const orvex::WriteReport glb = orvex::Write(model, dir.File("parts.glb"));
    ASSERT_TRUE(glb.failure.empty()) << glb.failure;
    EXPECT_TRUE(glb.lost.empty());
    std::map<std::string, std::string> materials;
    const nlohmann::json written = GlbJson(dir.File("parts.glb"));
    for (const nlohmann::json& node : written["nodes"]) {
        if (node.contains("extras") && node["extras"].contains("material")) {
            materials[node["name"]] = node["extras"]["material"]["name"];
        }
    }
    EXPECT_EQ(materials, (std::map<std::string, std::string>{
                             {"blue_cylinder", "AMS 5662; Inconel 718"}, {"red_cube", "Steel"}}));
    const orvex::WriteReport iges = orvex::Write(model, dir.File("parts.igs"));
    ASSERT_TRUE(iges.failure.empty()) << iges.failure;
    EXPECT_NE(std::find(iges.lost.begin(), iges.lost.end(),
                        "2 materials, 1 property are not kept: IGES holds none"),
              iges.lost.end());
}

TEST(PartFactsTest, CompareSeesAChangedMaterialAndARenamedBody)
{
    const std::string path = orvtest::TestDataFile("step-handwritten/materials-cube-cylinder.step");
    std::string text = orvtest::ReadWholeFile(path);
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"'Steel'", "'Iron'"},
          {"MANIFOLD_SOLID_BREP( 'red_cube'", "MANIFOLD_SOLID_BREP( 'Body1'"}}) {
        ASSERT_NE(text.find(from), std::string::npos) << from;
        text.replace(text.find(from), from.size(), to);
    }
    orvtest::TempDir dir;
    const orvex::CompareReport report =
        orvex::Compare(ReadOrFail(path), ReadOrFail(dir.Write("changed.step", text)));
    std::set<std::string> topics;
    for (const orvex::Difference& difference : report.differences) {
        topics.insert(difference.path + ": " + difference.topic);
    }
    EXPECT_EQ(topics, (std::set<std::string>{"red_cube: material", "red_cube: bodies"}));
}

// The shells of NIST's CTC 02 are parts whose one named body ("Fill.1") is their whole
// shape; each keeps its own colour through a STEP round trip: OpenCASCADE's writer keys styles
// by shape, and the body's label must not take the part's place.
TEST(PartFactsTest, APartWhoseBodyIsItsWholeShapeKeepsItsColour)
{
    const std::string path = orvtest::CorpusFile("step-pmi/nist_ctc_02_asme1_ap242-e2.stp");
    if (path.empty()) {
        GTEST_SKIP() << "corpus not available";
    }
    const orvex::Model model = ReadOrFail(path);
    orvtest::TempDir dir;
    const orvex::WriteReport written = orvex::Write(model, dir.File("copy.stp"));
    ASSERT_TRUE(written.failure.empty()) << written.failure;
    const orvex::CompareReport report = orvex::Compare(model, ReadOrFail(dir.File("copy.stp")));
    for (const orvex::Difference& difference : report.differences) {
        EXPECT_NE(difference.topic, "colour") << difference.Text();
        EXPECT_NE(difference.topic, "bodies") << difference.Text();
    }
}

} // namespace
