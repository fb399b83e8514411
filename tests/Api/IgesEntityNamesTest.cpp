// The names an IGES file gives its solids and groups reach the part's bodies, through the
// library's reader, and are kept by an IGES or a STEP write.
#include "Support/TestSupport.h"

#include "orvex/orvex.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <IGESCAFControl_Writer.hxx>
#include <IGESControl_Controller.hxx>
#include <IGESData_IGESModel.hxx>
#include <IGESSolid_ManifoldSolid.hxx>
#include <Interface_Static.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <TopoDS_Compound.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <gp_Pnt.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

namespace {

using EditModel = std::function<void(const Handle(IGESData_IGESModel)&)>;

// Writes with OpenCASCADE's own IGES writer a part "Bracket" of two solids whose sub-shape
// labels are "Boss" and "Web": in `brepMode` 0 each solid becomes a group of trimmed surfaces,
// in 1 a manifold solid. With `names`, the writer gives each its Name property; `edit` may
// change the model before it is written.
std::string WriteBracket(const orvtest::TempDir& dir, int brepMode, bool names,
                         const EditModel& edit = {})
{
    Handle(TDocStd_Document) doc;
    XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
    const Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
    const TopoDS_Shape boss = BRepPrimAPI_MakeBox(10.0, 10.0, 10.0).Shape();
    const TopoDS_Shape web = BRepPrimAPI_MakeBox(gp_Pnt(20.0, 0.0, 0.0), 5.0, 10.0, 2.0).Shape();
    TopoDS_Compound bracket;
    BRep_Builder builder;
    builder.MakeCompound(bracket);
    builder.Add(bracket, boss);
    builder.Add(bracket, web);
    const TDF_Label part = shapes->AddShape(bracket, Standard_False);
    TDataStd_Name::Set(part, "Bracket");
    TDataStd_Name::Set(shapes->AddSubShape(part, boss), "Boss");
    TDataStd_Name::Set(shapes->AddSubShape(part, web), "Web");

    IGESControl_Controller::Init();
    const int before = Interface_Static::IVal("write.iges.brep.mode");
    Interface_Static::SetIVal("write.iges.brep.mode", brepMode);
    IGESCAFControl_Writer writer;
    writer.SetNameMode(names);
    const bool transferred = writer.Transfer(doc);
    Interface_Static::SetIVal("write.iges.brep.mode", before);
    EXPECT_TRUE(transferred);
    if (edit) {
        edit(writer.Model());
    }
    const std::string path = dir.File(brepMode == 0 ? "groups.igs" : "solids.igs");
    EXPECT_TRUE(writer.Write(path.c_str()));
    doc->Close();
    return path;
}

orvex::Model ReadOrFail(const std::string& path)
{
    orvex::ReadResult read = orvex::Read(path);
    EXPECT_TRUE(read) << read.failure.Text();
    return read ? *read.model : orvex::Model();
}

// "part: body (kind, faces)" for every named body of the model.
std::set<std::string> Bodies(const orvex::Model& model)
{
    std::set<std::string> bodies;
    for (const orvex::Part& part : model.Parts()) {
        for (const orvex::Body& body : part.bodies) {
            bodies.insert(part.name + ": " + body.name + " (" + body.kind + ", " +
                          std::to_string(body.faces.size()) + ")");
        }
    }
    return bodies;
}

// Many systems write a body as a group of trimmed surfaces.
TEST(IgesEntityNamesTest, NamedGroupsOfSurfacesAreBodies)
{
    orvtest::TempDir dir;
    EXPECT_EQ(Bodies(ReadOrFail(WriteBracket(dir, 0, true))),
              (std::set<std::string>{"Bracket: Boss (compound, 6)", "Bracket: Web (compound, 6)"}));
}

TEST(IgesEntityNamesTest, NamedSolidsAreBodiesKeptByIgesAndStepWrites)
{
    orvtest::TempDir dir;
    const orvex::Model model = ReadOrFail(WriteBracket(dir, 1, true));
    const std::set<std::string> expected{"Bracket: Boss (solid, 6)", "Bracket: Web (solid, 6)"};
    EXPECT_EQ(Bodies(model), expected);
    for (const char* copy : {"copy.igs", "copy.stp"}) {
        const orvex::WriteReport written = orvex::Write(model, dir.File(copy));
        ASSERT_TRUE(written.failure.empty()) << written.failure;
        for (const std::string& lost : written.lost) {
            EXPECT_EQ(lost.find("body name"), std::string::npos) << lost;
        }
        EXPECT_EQ(Bodies(ReadOrFail(dir.File(copy))), expected) << copy;
    }
}

// Without Name properties the directory entries' labels name the solids; a subscript that is
// not 0 tells copies of one label apart, and 0, which writers put in every entry, is dropped.
TEST(IgesEntityNamesTest, EntityLabelsWithTheirSubscriptsNameSolidsAndParts)
{
    orvtest::TempDir dir;
    const std::string path =
        WriteBracket(dir, 1, false, [](const Handle(IGESData_IGESModel)& model) {
            int solids = 0;
            for (int i = 1; i <= model->NbEntities(); ++i) {
                const Handle(IGESData_IGESEntity) entity = model->Entity(i);
                if (entity->IsKind(STANDARD_TYPE(IGESSolid_ManifoldSolid))) {
                    entity->SetLabel(new TCollection_HAsciiString("BRACKET "), ++solids * 2 - 1);
                } else if (entity->TypeNumber() == 402) {
                    entity->SetLabel(new TCollection_HAsciiString("  PLATE "), 0);
                }
            }
            EXPECT_EQ(solids, 2);
        });
    const orvex::Model model = ReadOrFail(path);
    EXPECT_EQ(Bodies(model), (std::set<std::string>{"PLATE: BRACKET(1) (solid, 6)",
                                                    "PLATE: BRACKET(3) (solid, 6)"}));
}

} // namespace
