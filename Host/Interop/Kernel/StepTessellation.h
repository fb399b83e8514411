#pragma once

#include <Poly_Triangulation.hxx>
#include <StepData_StepModel.hxx>
#include <StepRepr_RepresentationItem.hxx>
#include <StepShape_ShapeRepresentation.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_XYZ.hxx>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvkit {

class StepFileParse;

// The tessellated geometry of a STEP file (AP242): triangulated faces, complex triangulated
// faces (strips and fans), triangulated surface sets, and the tessellated shells, solids and
// shape representations that gather them, read from the parse's records before OpenCASCADE
// loads them. OCCT 7.6 has no classes for these entities: its loader keeps them as undefined
// entities and drops every reference a known entity makes to one, so the links from shape
// definitions and representation relationships to tessellated representations are read here
// too, and given back to the loaded model as stand-in shape representations (Substitute).
// Bound to their shapes before the transfer, the stand-ins bring the tessellated shapes
// through OCCT's own transfer: parts, assemblies, placements and names as for exact geometry.
// OCCT 7.7 and later write tessellated items straight among the items of a shape
// representation of another type (a plain one, say, of triangulated faces and a placement);
// OCCT 7.6 loads such a representation without them, so it is bound itself to the shape of its
// tessellated items, as a stand-in is, unless it holds exact geometry too.
//
// A face becomes a TopoDS_Face without a surface, holding its triangles as a
// Poly_Triangulation (BRep_Tool::Triangulation gives them back), in the document's unit. An
// edge (TESSELLATED_EDGE, TESSELLATED_CONNECTING_EDGE) becomes a TopoDS_Edge without a curve,
// holding its points as a Poly_Polygon3D; beside the faces of a shell or solid, the edges
// join it in a compound.
class StepTessellation {
public:
    // Reads what the records hold. Null when they hold no tessellated shape; `refusal` names
    // the entity and what is wrong with it when the geometry is malformed (an index past its
    // list, a count that does not fit, a strip or fan of fewer than three points). The faces'
    // records keep their name alone: OCCT's loader, which cannot use them, would spend time
    // that grows with the square of a face's triangles on their lists.
    static std::shared_ptr<StepTessellation> Collect(StepFileParse& parse, std::string& refusal);

    // Gives each shape definition and representation relationship of `model` that lost its
    // reference to a tessellated shape representation holding shapes a stand-in: a shape
    // representation of the same name and context, added to the model. Styled items and
    // layers that lost their reference to a tessellated face, edge, shell or solid get a
    // stand-in representation item, so that their colour and layer find it. Call it once the
    // model is loaded, before the transfer.
    void Substitute(const Handle(StepData_StepModel)& model);
    // The representations to bind to tessellated shapes (ShapeOf): the stand-ins, each with the
    // tessellated representation it stands for, and the shape representations of other types
    // whose only shapes are tessellated items, each with its own number.
    const std::vector<std::pair<Handle(StepShape_ShapeRepresentation), int>>&
    GetRepresentations() const
    {
        return myRepresentations;
    }
    // The stand-ins of styled tessellated items, each with the item it stands for.
    const std::vector<std::pair<Handle(StepRepr_RepresentationItem), int>>& GetItemStandIns() const
    {
        return myItemStandIns;
    }
    // The shape made for a tessellated item by the last ShapeOf that reached it; null when none
    // did.
    TopoDS_Shape MadeShape(int item) const;

    // The shape of a representation of GetRepresentations, its coordinates scaled by
    // `lengthFactor`: its one tessellated item, or a compound of them. Null when it holds no
    // shape. Each face is made once, so items sharing a face share it.
    TopoDS_Shape ShapeOf(int representation, double lengthFactor);

    // Tessellated entities that are shapes but are not read (wires, points, Bezier faces and
    // edges), by type and count: "3 TESSELLATED_VERTEX"; empty when there are none.
    std::vector<std::string> Unread() const;

private:
    // What reads the records for Collect, and what Substitute has made so far (both in
    // StepTessellation.cpp).
    class Collector;
    struct StandIns;

    enum class Kind { Face, Shell, Solid, Representation };

    struct Face {
        int coordinates = 0;     // the coordinates list
        std::vector<int> points; // the face's points: indices into the list, from 0
        std::vector<std::array<int, 3>> triangles; // into `points`, from 0
        std::vector<gp_XYZ> normals;               // none, one for all, or one per point
    };
    struct Edge {
        int coordinates = 0;
        std::vector<int> points; // indices into the list, from 0
    };
    struct Group {
        Kind kind = Kind::Shell;
        std::vector<int> items;
        int context = 0;
        std::string name;
    };

    // Marks the representations that hold tessellated shapes, and takes those of `plain`
    // (shape representations of other types, by number) that do.
    void FindShaped(std::vector<std::pair<int, Group>>& plain);
    // Binds the shape representation `entity` (its number in the file) to the shape of its
    // tessellated items, unless it holds exact geometry beside them: then that is its shape, and
    // the tessellated items are dropped, as the tessellated representation of a part that has an
    // exact one is.
    void TakePlain(const Handle(Standard_Transient)& entity, int number);
    // The entities of the model that lost a reference to a tessellated entity. On the way,
    // takes the plain representations (TakePlain) and the contexts the stand-ins need.
    std::vector<Handle(Standard_Transient)> FindReferring(StandIns& standIns);
    // The stand-in for `representation` when it is a tessellated one that holds shapes; null
    // otherwise. Made once, on first asking.
    Handle(StepShape_ShapeRepresentation) StandIn(int representation, StandIns& standIns);
    // The stand-in for `item` when it is a tessellated face, edge, shell or solid: a geometric
    // item, which styled items and layers take. Null otherwise.
    Handle(StepRepr_RepresentationItem) ItemStandIn(int item, StandIns& standIns);
    // Gives the entity `number` stand-ins for the references it lost; whether it took any.
    bool Patch(const Handle(Standard_Transient)& entity, int number, StandIns& standIns);
    TopoDS_Shape ItemShape(int item, double lengthFactor, int depth);
    TopoDS_Face MakeFace(int number, const Face& face, double lengthFactor);
    TopoDS_Shape MakeEdge(const Edge& edge, double lengthFactor);

    std::unordered_map<int, std::vector<gp_XYZ>> myCoordinates;
    std::unordered_map<int, Face> myFaces;
    std::unordered_map<int, Edge> myEdges;
    std::unordered_map<int, Group> myGroups;
    // Representations that hold tessellated shapes, and those of them that are not tessellated
    // representations (OCCT loads them).
    std::unordered_set<int> myShaped;
    std::unordered_set<int> myPlain;
    // What shape definitions and representation relationships refer to, by entity number.
    std::unordered_map<int, int> myDefinitions;
    std::unordered_map<int, std::pair<int, int>> myRelationships;
    std::vector<std::pair<Handle(StepShape_ShapeRepresentation), int>> myRepresentations;
    std::unordered_map<int, int> myStyled;               // styled item -> the item it styles
    std::unordered_map<int, std::vector<int>> myLayered; // layer -> its members by place
    std::vector<std::pair<Handle(StepRepr_RepresentationItem), int>> myItemStandIns;
    std::unordered_map<std::string, int> myUnread;
    // Items made (faces, shells, solids), by entity, with the length factor they were made with.
    std::unordered_map<int, std::pair<double, TopoDS_Shape>> myMade;
};

} // namespace orvkit
