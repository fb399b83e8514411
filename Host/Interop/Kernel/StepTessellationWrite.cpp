#include "StepTessellationWrite.h"

#include "Geometry/IO/LabelName.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/XdeModelEdit.h"

#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Poly_Polygon3D.hxx>
#include <Poly_Triangulation.hxx>
#include <StepRepr_RepresentationContext.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <TColStd_HSequenceOfExtendedString.hxx>
#include <TCollection_AsciiString.hxx>
#include <TCollection_ExtendedString.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <TransferBRep.hxx>
#include <TransferBRep_ShapeMapper.hxx>
#include <Transfer_FinderProcess.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_LayerTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XSControl_TransferWriter.hxx>

#include <fmt/format.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace orvkit {

namespace {

// Counts a part's faces and edges that have a surface or a curve, and those that are
// triangles or points alone.
void CountExactAndMeshed(const TopoDS_Shape& shape, int& exact, int& meshed)
{
    exact = meshed = 0;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        (BRep_Tool::IsGeometric(TopoDS::Face(it.Current())) ? exact : meshed) += 1;
    }
    for (TopExp_Explorer it(shape, TopAbs_EDGE); it.More(); it.Next()) {
        const TopoDS_Edge& edge = TopoDS::Edge(it.Current());
        if (!BRep_Tool::Degenerated(edge)) {
            (BRep_Tool::IsGeometric(edge) ? exact : meshed) += 1;
        }
    }
}

// What comes before the i-th (from 1) of a list's tuples: nothing before the first, and a new
// line every few, so that no line of the file grows with the mesh.
const char* Separator(int i)
{
    return i == 1 ? "" : i % 6 == 1 ? ",\n" : ",";
}

// A real as Part 21 writes it: always with a decimal point, the exponent after "E".
std::string Real(double value)
{
    std::string text = fmt::format("{}", value);
    const size_t exponent = text.find_first_of("eE");
    const std::string mantissa = text.substr(0, exponent);
    std::string out = mantissa.find('.') == std::string::npos ? mantissa + "." : mantissa;
    if (exponent != std::string::npos) {
        out += "E" + text.substr(exponent + 1);
    }
    return out;
}

// A text as a Part 21 string: quotes doubled, characters beyond ASCII as \X2\ hex.
std::string StepString(const std::string& utf8)
{
    const TCollection_ExtendedString wide(utf8.c_str(), Standard_True);
    std::string out = "'";
    bool hex = false;
    for (int i = 1; i <= wide.Length(); ++i) {
        const Standard_ExtCharacter c = wide.Value(i);
        if (c >= 0x20 && c < 0x7f) {
            out += hex ? "\\X0\\" : "";
            hex = false;
            out += c == '\'' ? "''" : c == '\\' ? "\\\\" : std::string(1, char(c));
        } else {
            out += hex ? "" : "\\X2\\";
            hex = true;
            out += fmt::format("{:04X}", unsigned(c));
        }
    }
    return out + (hex ? "\\X0\\'" : "'");
}

// Writes numbered entities of Part 21 text.
class EntityText {
public:
    explicit EntityText(int next) : myNext(next) {}

    // Adds "#N=TEXT;" and gives N.
    int Add(const std::string& text)
    {
        myText << '#' << myNext << '=' << text << ";\n";
        return myNext++;
    }

    std::string Text() const { return myText.str(); }

private:
    int myNext;
    std::ostringstream myText;
};

std::string List(const std::vector<int>& references)
{
    std::string text = "(";
    for (size_t i = 0; i < references.size(); ++i) {
        text += (i == 0 ? "#" : ",#") + std::to_string(references[i]);
    }
    return text + ")";
}

// A face's triangles as a TRIANGULATED_FACE over a coordinates list of its own, in the file's
// unit, its placement applied and its triangles turned as the face is; 0 for a face without.
int WriteFace(const TopoDS_Face& face, double scale, EntityText& out)
{
    TopLoc_Location location;
    const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location);
    if (mesh.IsNull() || mesh->NbTriangles() == 0) {
        return 0;
    }
    const gp_Trsf placement = location.Transformation();
    std::string points;
    points.reserve(size_t(mesh->NbNodes()) * 40);
    for (int i = 1; i <= mesh->NbNodes(); ++i) {
        const gp_Pnt point = mesh->Node(i).Transformed(placement);
        points += fmt::format("{}({},{},{})", Separator(i), Real(point.X() / scale),
                              Real(point.Y() / scale), Real(point.Z() / scale));
    }
    const int coordinates =
        out.Add(fmt::format("COORDINATES_LIST('',{},({}))", mesh->NbNodes(), points));
    const bool reversed = face.Orientation() == TopAbs_REVERSED;
    std::string normals;
    if (mesh->HasNormals()) {
        for (int i = 1; i <= mesh->NbNodes(); ++i) {
            gp_Dir normal = mesh->Normal(i).Transformed(placement);
            if (reversed) {
                normal.Reverse();
            }
            normals += fmt::format("{}({},{},{})", Separator(i), Real(normal.X()), Real(normal.Y()),
                                   Real(normal.Z()));
        }
    }
    std::string triangles;
    triangles.reserve(size_t(mesh->NbTriangles()) * 20);
    for (int i = 1; i <= mesh->NbTriangles(); ++i) {
        int a, b, c;
        mesh->Triangle(i).Get(a, b, c);
        if (reversed) {
            std::swap(b, c);
        }
        triangles += fmt::format("{}({},{},{})", Separator(i), a, b, c);
    }
    return out.Add(fmt::format("TRIANGULATED_FACE('',#{},{},({}),$,(),({}))", coordinates,
                               mesh->NbNodes(), normals, triangles));
}

// The colour's style, as a presentation style assignment of a surface colour.
int WriteStyle(const Quantity_Color& colour, EntityText& out)
{
    double r, g, b;
    colour.Values(r, g, b, Quantity_TOC_sRGB);
    // Ten digits: a colour's channels need no more, and 0.9999999999999999 reads as 1.
    const auto channel = [](double value) {
        return Real(std::stod(fmt::format("{:.10f}", value)));
    };
    const int rgb =
        out.Add(fmt::format("COLOUR_RGB('',{},{},{})", channel(r), channel(g), channel(b)));
    const int fill = out.Add(fmt::format("FILL_AREA_STYLE_COLOUR('',#{})", rgb));
    const int area = out.Add(fmt::format("FILL_AREA_STYLE('',(#{}))", fill));
    const int surface = out.Add(fmt::format("SURFACE_STYLE_FILL_AREA(#{})", area));
    const int side = out.Add(fmt::format("SURFACE_SIDE_STYLE('',(#{}))", surface));
    const int usage = out.Add(fmt::format("SURFACE_STYLE_USAGE(.BOTH.,#{})", side));
    return out.Add(fmt::format("PRESENTATION_STYLE_ASSIGNMENT((#{}))", usage));
}

// An edge's points as a TESSELLATED_EDGE over a coordinates list of its own; 0 for an edge
// without a polygon.
int WriteEdge(const TopoDS_Edge& edge, double scale, EntityText& out)
{
    TopLoc_Location location;
    const Handle(Poly_Polygon3D) polygon = BRep_Tool::Polygon3D(edge, location);
    if (polygon.IsNull() || polygon->NbNodes() < 2) {
        return 0;
    }
    std::string points, strip;
    for (int i = 1; i <= polygon->NbNodes(); ++i) {
        const gp_Pnt point = polygon->Nodes().Value(i).Transformed(location.Transformation());
        points += fmt::format("{}({},{},{})", Separator(i), Real(point.X() / scale),
                              Real(point.Y() / scale), Real(point.Z() / scale));
        strip += fmt::format("{}{}", i == 1 ? "" : ",", i);
    }
    const int coordinates =
        out.Add(fmt::format("COORDINATES_LIST('',{},({}))", polygon->NbNodes(), points));
    return out.Add(fmt::format("TESSELLATED_EDGE('',#{},$,({}))", coordinates, strip));
}

using FaceColours = std::vector<std::optional<Quantity_Color>>;

// Writes the items `shape` gathers (faces, edges, shells, solids; a compound's members), its
// faces numbered from `face` on in `colours`, adding the items and the faces' styled items.
void WriteItems(const TopoDS_Shape& shape, const FaceColours& colours, double scale, size_t& face,
                std::vector<int>& items, std::vector<int>& styled, EntityText& out)
{
    const auto writeFace = [&](const TopoDS_Shape& each) {
        const int written = WriteFace(TopoDS::Face(each), scale, out);
        const size_t index = face++;
        if (written != 0 && index < colours.size() && colours[index]) {
            const int style = WriteStyle(*colours[index], out);
            styled.push_back(
                out.Add(fmt::format("STYLED_ITEM('color',(#{}),#{})", style, written)));
        }
        return written;
    };
    switch (shape.ShapeType()) {
    case TopAbs_FACE:
        if (const int written = writeFace(shape)) {
            items.push_back(written);
        }
        break;
    case TopAbs_EDGE:
        if (const int written = WriteEdge(TopoDS::Edge(shape), scale, out)) {
            items.push_back(written);
        }
        break;
    case TopAbs_SHELL:
    case TopAbs_SOLID: {
        std::vector<int> faces;
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
            if (const int written = writeFace(it.Current())) {
                faces.push_back(written);
            }
        }
        if (!faces.empty()) {
            items.push_back(out.Add(fmt::format(shape.ShapeType() == TopAbs_SOLID
                                                    ? "TESSELLATED_SOLID('',{},$)"
                                                    : "TESSELLATED_SHELL('',{},$)",
                                                List(faces))));
        }
        break;
    }
    default:
        for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
            WriteItems(it.Value(), colours, scale, face, items, styled, out);
        }
        break;
    }
}

} // namespace

std::vector<std::string> StepTessellationWrite::MixedParts(const XdeDocumentImpl& impl)
{
    std::vector<std::string> mixed;
    for (const TDF_Label& part : XdeModelEdit::Parts(impl)) {
        int exact = 0, meshed = 0;
        CountExactAndMeshed(XCAFDoc_ShapeTool::GetShape(part), exact, meshed);
        if (exact > 0 && meshed > 0) {
            mixed.push_back(LabelName(part));
        }
    }
    return mixed;
}

std::vector<std::string> StepTessellationWrite::Losses(const XdeDocumentImpl& impl)
{
    std::vector<std::string> coloured;
    if (impl.colorTool.IsNull()) {
        return {};
    }
    TDF_LabelSequence assemblies;
    impl.shapeTool->GetShapes(assemblies);
    for (const TDF_Label& assembly : assemblies) {
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(assembly, components, Standard_False);
        for (const TDF_Label& component : components) {
            TDF_Label part;
            int exact = 0, meshed = 0;
            if (XCAFDoc_ShapeTool::GetReferredShape(component, part) &&
                !XCAFDoc_ShapeTool::IsAssembly(part) &&
                (impl.colorTool->IsSet(component, XCAFDoc_ColorSurf) ||
                 impl.colorTool->IsSet(component, XCAFDoc_ColorGen))) {
                CountExactAndMeshed(XCAFDoc_ShapeTool::GetShape(part), exact, meshed);
                if (meshed > 0 && exact == 0) {
                    coloured.push_back(LabelName(component));
                }
            }
        }
    }
    if (coloured.empty()) {
        return {};
    }
    return {fmt::format("the colours of {} instance{} of parts made of triangles are not "
                        "written, only the parts' own: {}",
                        coloured.size(), coloured.size() == 1 ? "" : "s", ListNames(coloured))};
}

StepTessellationWrite::StepTessellationWrite(XdeDocumentImpl& impl) : myImpl(impl)
{
    for (const TDF_Label& label : XdeModelEdit::Parts(impl)) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
        int exact = 0, meshed = 0;
        CountExactAndMeshed(shape, exact, meshed);
        if (meshed == 0 || exact > 0) {
            continue;
        }
        Part part;
        part.label = label;
        part.name = LabelName(label);
        part.shape = shape;
        Quantity_Color colour;
        if (!impl.colorTool.IsNull() &&
            (impl.colorTool->GetColor(label, XCAFDoc_ColorSurf, colour) ||
             impl.colorTool->GetColor(label, XCAFDoc_ColorGen, colour))) {
            part.colour = colour;
        }
        Handle(TColStd_HSequenceOfExtendedString) layers;
        if (XCAFDoc_DocumentTool::LayerTool(impl.document->Main())->GetLayers(label, layers) &&
            !layers.IsNull()) {
            for (int i = 1; i <= layers->Length(); ++i) {
                part.layers.push_back(TCollection_AsciiString(layers->Value(i)).ToCString());
            }
        }
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
            std::optional<Quantity_Color> faceColour;
            if (!impl.colorTool.IsNull() &&
                impl.colorTool->GetColor(it.Current(), XCAFDoc_ColorSurf, colour)) {
                faceColour = colour;
            }
            part.faceColours.push_back(faceColour);
        }
        // OCCT writes the part around an empty representation.
        TopoDS_Compound empty;
        BRep_Builder().MakeCompound(empty);
        impl.shapeTool->SetShape(label, empty);
        myParts.push_back(std::move(part));
    }
    if (!myParts.empty()) {
        impl.shapeTool->UpdateAssemblies();
    }
}

StepTessellationWrite::~StepTessellationWrite()
{
    for (const Part& part : myParts) {
        myImpl.shapeTool->SetShape(part.label, part.shape);
    }
    if (!myParts.empty()) {
        myImpl.shapeTool->UpdateAssemblies();
    }
}

void StepTessellationWrite::FindRepresentations(const Handle(XSControl_WorkSession)& session)
{
    const Handle(Transfer_FinderProcess) process = session->TransferWriter()->FinderProcess();
    for (Part& part : myParts) {
        Handle(StepShape_ShapeDefinitionRepresentation) definition;
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part.label);
        const Handle(TransferBRep_ShapeMapper) mapper = TransferBRep::ShapeMapper(process, shape);
        if (process->FindTypedTransient(
                mapper, STANDARD_TYPE(StepShape_ShapeDefinitionRepresentation), definition)) {
            part.representation =
                Handle(StepShape_ShapeRepresentation)::DownCast(definition->UsedRepresentation());
        }
    }
}

std::string StepTessellationWrite::AppendTo(const std::string& file,
                                            const Handle(XSControl_WorkSession)& session,
                                            double millimetres) const
{
    const Handle(Interface_InterfaceModel) model = session->Model();
    EntityText out(model->NbEntities() + 1);
    std::vector<std::string> missing;
    std::vector<int> styled;
    std::map<std::string, std::vector<int>> layered;
    int context = 0;
    for (const Part& part : myParts) {
        const int representation =
            part.representation.IsNull() ? 0 : model->Number(part.representation);
        const int partContext =
            part.representation.IsNull() ? 0 : model->Number(part.representation->ContextOfItems());
        if (representation == 0 || partContext == 0) {
            missing.push_back(part.name);
            continue;
        }
        context = partContext;
        // Each item the part's shape gathers, with the faces' own colours; the part's colour
        // on each.
        size_t face = 0;
        std::vector<int> items;
        WriteItems(part.shape, part.faceColours, millimetres, face, items, styled, out);
        if (items.empty()) {
            continue;
        }
        for (const int item : items) {
            for (const std::string& layer : part.layers) {
                layered[layer].push_back(item);
            }
            if (part.colour) {
                const int style = WriteStyle(*part.colour, out);
                styled.push_back(
                    out.Add(fmt::format("STYLED_ITEM('color',(#{}),#{})", style, item)));
            }
        }
        const int tessellated = out.Add(
            fmt::format("TESSELLATED_SHAPE_REPRESENTATION('',{},#{})", List(items), partContext));
        out.Add(fmt::format("SHAPE_REPRESENTATION_RELATIONSHIP('','',#{},#{})", representation,
                            tessellated));
    }
    if (!styled.empty()) {
        out.Add(fmt::format("MECHANICAL_DESIGN_GEOMETRIC_PRESENTATION_REPRESENTATION('',{},#{})",
                            List(styled), context));
    }
    for (const auto& [layer, members] : layered) {
        out.Add(fmt::format("PRESENTATION_LAYER_ASSIGNMENT({},'',{})", StepString(layer),
                            List(members)));
    }
    if (!missing.empty()) {
        return fmt::format("the writer made no representation for {} to hold its triangles",
                           missing.front());
    }
    // The file ends with the data section's end and the file's; what is added goes before.
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekg(0, std::ios::end);
    const std::streamoff size = stream.tellg();
    const std::streamoff tail = std::min<std::streamoff>(size, 256);
    std::string end(size_t(tail), '\0');
    stream.seekg(size - tail);
    stream.read(end.data(), tail);
    const size_t at = end.rfind("ENDSEC;");
    if (!stream || at == std::string::npos) {
        return "the file written has no end of its data section";
    }
    stream.seekp(size - tail + std::streamoff(at));
    stream << out.Text() << "ENDSEC;\nEND-ISO-10303-21;\n";
    stream.close();
    return stream.fail() ? std::string("the tessellated parts could not be added") : std::string();
}

} // namespace orvkit
