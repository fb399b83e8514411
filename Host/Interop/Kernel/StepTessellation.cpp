#include "StepTessellation.h"

#include "Geometry/IO/StepFileParse.h"
#include "Interop/Kernel/KernelSupport.h"

#include <BRep_Builder.hxx>
#include <Poly_Polygon3D.hxx>
#include <Precision.hxx>
#include <StepGeom_CartesianPoint.hxx>
#include <StepGeom_GeometricRepresentationItem.hxx>
#include <StepGeom_Placement.hxx>
#include <StepRepr_HArray1OfRepresentationItem.hxx>
#include <StepRepr_RepresentationContext.hxx>
#include <StepRepr_RepresentationRelationship.hxx>
#include <StepShape_ShapeDefinitionRepresentation.hxx>
#include <StepVisual_HArray1OfLayeredItem.hxx>
#include <StepVisual_LayeredItem.hxx>
#include <StepVisual_PresentationLayerAssignment.hxx>
#include <StepVisual_StyledItem.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <unordered_set>

namespace orvkit {

namespace {

using Param = StepFileParse::Param;
using Record = StepFileParse::Record;

// Shells and solids hold faces, representations hold shells and solids; deeper nesting is not
// a tessellated shape.
constexpr int kMaxDepth = 8;

// Tessellated entities that are shapes this reader does not make: wires, edges, points and
// faces of Bezier patches.
const char* const kUnreadTypes[] = {
    "TESSELLATED_WIRE",   "CUBIC_BEZIER_TESSELLATED_EDGE", "CUBIC_BEZIER_TRIANGULATED_FACE",
    "TESSELLATED_VERTEX", "TESSELLATED_POINT_SET",
};

const char* const kRepresentationType = "TESSELLATED_SHAPE_REPRESENTATION";

// Whether `type` names a shape representation of any type: SHAPE_REPRESENTATION,
// ADVANCED_BREP_SHAPE_REPRESENTATION, MANIFOLD_SURFACE_SHAPE_REPRESENTATION and the like.
// (A context dependent shape representation ends so too, but has two parameters, not three.)
bool IsShapeRepresentation(const char* type)
{
    const char* const suffix = "SHAPE_REPRESENTATION";
    const size_t length = std::strlen(type);
    return length >= std::strlen(suffix) &&
           std::strcmp(type + length - std::strlen(suffix), suffix) == 0;
}

// An entity's record with its sub-lists, and what is wrong with it.
class EntityReader {
public:
    EntityReader(int number, const Record& record, const Param* params,
                 const std::vector<std::pair<const Record*, const Param*>>& subs)
        : myNumber(number), myRecord(record), myParams(params), mySubs(subs)
    {
    }

    int Count() const { return int(myRecord.paramCount); }
    const Param& At(int index) const { return myParams[index]; }

    // "#12" -> 12; 0 for anything else.
    static int Reference(const Param& param)
    {
        return param.kind == Interface_ParamIdent && param.text[0] == '#'
                   ? std::atoi(param.text + 1)
                   : 0;
    }

    // The parameters of the sub-list `param` names; false when it names none.
    bool List(const Param& param, const Param*& items, int& count) const
    {
        if (param.kind != Interface_ParamSub || param.text[0] != '$') {
            return false;
        }
        const size_t index = size_t(std::atoi(param.text + 1));
        if (index >= mySubs.size() || mySubs[index].first == nullptr) {
            return false;
        }
        items = mySubs[index].second;
        count = int(mySubs[index].first->paramCount);
        return true;
    }

    bool Integer(const Param& param, int& value) const
    {
        if (param.kind != Interface_ParamInteger) {
            return false;
        }
        char* end = nullptr;
        const long number = std::strtol(param.text, &end, 10);
        if (end == param.text || number < INT32_MIN || number > INT32_MAX) {
            return false;
        }
        value = int(number);
        return true;
    }

    bool Real(const Param& param, double& value) const
    {
        if (param.kind != Interface_ParamReal && param.kind != Interface_ParamInteger) {
            return false;
        }
        char* end = nullptr;
        value = std::strtod(param.text, &end);
        return end != param.text && std::isfinite(value);
    }

    // A list whose members `read` takes one by one.
    template <class T, class Read>
    bool ListOf(const Param& param, std::vector<T>& values, const Read& read) const
    {
        const Param* items = nullptr;
        int count = 0;
        if (!List(param, items, count)) {
            return false;
        }
        values.resize(size_t(count));
        for (int i = 0; i < count; ++i) {
            if (!read(items[i], values[size_t(i)])) {
                return false;
            }
        }
        return true;
    }

    bool Integers(const Param& param, std::vector<int>& values) const
    {
        return ListOf(param, values,
                      [this](const Param& item, int& value) { return Integer(item, value); });
    }

    // A list of lists of three reals.
    bool Points(const Param& param, std::vector<gp_XYZ>& points) const
    {
        return ListOf(param, points, [this](const Param& row, gp_XYZ& point) {
            const Param* xyz = nullptr;
            int three = 0;
            double x = 0, y = 0, z = 0;
            if (!List(row, xyz, three) || three != 3 || !Real(xyz[0], x) || !Real(xyz[1], y) ||
                !Real(xyz[2], z)) {
                return false;
            }
            point.SetCoord(x, y, z);
            return true;
        });
    }

    bool IntegerLists(const Param& param, std::vector<std::vector<int>>& lists) const
    {
        return ListOf(param, lists, [this](const Param& row, std::vector<int>& list) {
            return Integers(row, list);
        });
    }

    // The references a list holds.
    std::vector<int> References(const Param& param) const
    {
        std::vector<int> references;
        const Param* items = nullptr;
        int count = 0;
        if (List(param, items, count)) {
            for (int i = 0; i < count; ++i) {
                if (const int reference = Reference(items[i]); reference != 0) {
                    references.push_back(reference);
                }
            }
        }
        return references;
    }

    // "entity #12 (TRIANGULATED_FACE)".
    std::string Name() const { return fmt::format("entity #{} ({})", myNumber, myRecord.type); }
    // "entity #12 (TRIANGULATED_FACE): WHAT".
    std::string Wrong(const std::string& what) const { return Name() + ": " + what; }

private:
    int myNumber;
    const Record& myRecord;
    const Param* myParams;
    const std::vector<std::pair<const Record*, const Param*>>& mySubs;
};

// A string parameter's text without its quotes.
std::string UnquotedText(const Param& param)
{
    std::string text(param.text, param.length);
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

// The triangles of strips and fans, as OpenCASCADE 7.7 and later orient them: a strip's
// triangles alternate, a fan's turn about its first point; triangles with two equal corners
// are dropped.
void AddStrip(const std::vector<int>& strip, std::vector<std::array<int, 3>>& triangles)
{
    for (size_t i = 2; i < strip.size(); ++i) {
        const int a = strip[i - 2], b = strip[i - 1], c = strip[i];
        if (a == b || b == c || a == c) {
            continue;
        }
        triangles.push_back(i % 2 == 0 ? std::array<int, 3>{a, c, b} : std::array<int, 3>{a, b, c});
    }
}

void AddFan(const std::vector<int>& fan, std::vector<std::array<int, 3>>& triangles)
{
    for (size_t i = 2; i < fan.size(); ++i) {
        const int a = fan[0], b = fan[i - 1], c = fan[i];
        if (a == b || b == c || a == c) {
            continue;
        }
        triangles.push_back({a, c, b});
    }
}

} // namespace

// Reads the records for Collect. Faces and edges are kept as written until every coordinates
// list is known, then checked against their lists; what refers to which entity is kept in lists
// while the records are read (every STEP file has such links, most without tessellation) and
// handed to the tessellation only in a file that has it.
class StepTessellation::Collector {
public:
    Collector(StepTessellation& tessellation, std::string& refusal)
        : myTessellation(tessellation), myRefusal(refusal)
    {
    }

    // Reads every entity after the header; false, with the refusal, at a malformed face or
    // edge.
    bool ReadRecords(StepFileParse& parse);
    // Whether the records hold a tessellated shape, or a tessellated entity that is not read.
    bool FoundAny() const { return myAnyShape || !myTessellation.myUnread.empty(); }
    // Gives the tessellation what refers to which entity.
    void TakeLinks();
    // Drops the parameters of the faces' records and their sub-lists, now read.
    void EmptyFaceRecords();
    // Checks each face's and edge's points against its coordinates list and gives the
    // tessellation its faces and edges; false, with the refusal, at the first one that does not
    // fit its list.
    bool TakeFaces();
    bool TakeEdges();
    // The shape representations of types other than tessellated, with their items.
    std::vector<std::pair<int, Group>>& Representations() { return myLinks.representations; }

private:
    // A face as written: the positions its triangles use (into its point index, or into the
    // list when it has none) and its point index.
    struct RawFace {
        int coordinates = 0;
        int pointCount = 0; // pnmax
        std::vector<int> pointIndex;
        std::vector<std::array<int, 3>> triangles; // positions from 1
        std::vector<gp_XYZ> normals;
        std::string name; // "entity #N (TYPE)", for what is wrong with it
    };
    struct RawEdge {
        int coordinates = 0;
        std::vector<int> points; // into the list, from 1
        std::string name;
    };
    struct Links {
        std::vector<std::pair<int, int>> definitions;
        std::vector<std::pair<int, std::pair<int, int>>> relationships;
        std::vector<std::pair<int, int>> styled;
        std::vector<std::pair<int, std::vector<int>>> layered;
        std::vector<std::pair<int, Group>> representations; // of types other than tessellated
    };

    bool ReadEntity(const EntityReader& entity, int number, Record& record, Record* firstSub);
    void ReadCoordinatesList(const EntityReader& entity, int number);
    bool ReadFace(const EntityReader& entity, int number, const char* type);
    bool ReadTriangles(const EntityReader& entity, const Param& param, RawFace& face, bool& read);
    bool ReadStripsAndFans(const EntityReader& entity, int link, RawFace& face, bool& read);
    bool ReadEdge(const EntityReader& entity, int number);
    void ReadGroup(const EntityReader& entity, int number, Kind kind);
    bool ReadLink(const EntityReader& entity, int number, const Record& record);
    const std::vector<gp_XYZ>* ListOf(int coordinates, const std::string& name);
    bool CheckFace(const RawFace& raw, int listed, int& positions);
    bool NumberPoints(const RawFace& raw, int positions, Face& face);

    StepTessellation& myTessellation;
    std::string& myRefusal;
    std::map<int, RawFace> myFaces;
    std::map<int, RawEdge> myEdges;
    std::unordered_map<int, std::string> myWrongLists; // coordinates lists, what is wrong
    Links myLinks;
    std::vector<Record*> myEmptied; // faces read, with their sub-lists
    bool myAnyShape = false;
};

bool StepTessellation::Collector::ReadRecords(StepFileParse& parse)
{
    std::vector<std::pair<const Record*, const Param*>> subs;
    int skipped = parse.GetHeaderCount();
    for (StepFileParse::Chunk& chunk : parse.ChangeChunks()) {
        Record* firstSub = nullptr; // of the entity being read
        for (Record& record : chunk.records) {
            if (skipped > 0) {
                --skipped;
                continue;
            }
            const Param* params = chunk.params.data() + record.firstParam;
            if (record.ident[0] == '$') {
                firstSub = firstSub == nullptr ? &record : firstSub;
                const size_t index = size_t(std::atoi(record.ident + 1));
                if (subs.size() <= index) {
                    subs.resize(index + 1, {nullptr, nullptr});
                }
                subs[index] = {&record, params};
                continue;
            }
            // A complex entity's further part, or the header, has no number: nothing is read
            // there.
            const int number = record.ident[0] == '#' ? std::atoi(record.ident + 1) : 0;
            if (number != 0 &&
                !ReadEntity(EntityReader(number, record, params, subs), number, record, firstSub)) {
                return false;
            }
            subs.clear();
            firstSub = nullptr;
        }
    }
    return true;
}

// Reads the entity `number` when it is one this class reads; false, with the refusal, when it
// is a malformed face or edge.
bool StepTessellation::Collector::ReadEntity(const EntityReader& entity, int number, Record& record,
                                             Record* firstSub)
{
    const char* type = record.type;
    const auto is = [type](const char* name) { return std::strcmp(type, name) == 0; };
    if (is("COORDINATES_LIST")) {
        ReadCoordinatesList(entity, number);
        return true;
    }
    if (is("TRIANGULATED_FACE") || is("TRIANGULATED_SURFACE_SET") ||
        is("COMPLEX_TRIANGULATED_FACE") || is("COMPLEX_TRIANGULATED_SURFACE_SET")) {
        if (!ReadFace(entity, number, type)) {
            return false;
        }
        for (Record* sub = firstSub; sub != nullptr && sub != &record; ++sub) {
            myEmptied.push_back(sub);
        }
        myEmptied.push_back(&record);
        return true;
    }
    if ((record.paramCount == 4 && is("TESSELLATED_EDGE")) ||
        (record.paramCount == 9 && is("TESSELLATED_CONNECTING_EDGE"))) {
        return ReadEdge(entity, number);
    }
    if (is("TESSELLATED_SHELL") || is("TESSELLATED_SOLID")) {
        ReadGroup(entity, number, is("TESSELLATED_SOLID") ? Kind::Solid : Kind::Shell);
        return true;
    }
    if (std::strncmp(type, kRepresentationType, std::strlen(kRepresentationType)) == 0) {
        ReadGroup(entity, number, Kind::Representation);
        return true;
    }
    if (ReadLink(entity, number, record)) {
        return true;
    }
    for (const char* unread : kUnreadTypes) {
        if (is(unread)) {
            ++myTessellation.myUnread[unread];
        }
    }
    return true;
}

void StepTessellation::Collector::ReadCoordinatesList(const EntityReader& entity, int number)
{
    // What is wrong with a list is said only when a face uses it: annotations have coordinates
    // lists too, which are not read here.
    int count = 0;
    std::vector<gp_XYZ>& points = myTessellation.myCoordinates[number];
    if (entity.Count() != 3 || !entity.Integer(entity.At(1), count) ||
        !entity.Points(entity.At(2), points)) {
        points.clear();
        myWrongLists[number] = entity.Wrong("not a list of points of three coordinates each");
    } else if (size_t(count) != points.size()) {
        myWrongLists[number] =
            entity.Wrong(fmt::format("declares {} points but lists {}", count, points.size()));
        points.clear();
    }
}

// A triangulated face or surface set, of triangles or (complex) of strips and fans.
bool StepTessellation::Collector::ReadFace(const EntityReader& entity, int number, const char* type)
{
    const bool plain = std::strcmp(type, "TRIANGULATED_FACE") == 0 ||
                       std::strcmp(type, "TRIANGULATED_SURFACE_SET") == 0;
    const bool isFace = std::strcmp(type, "TRIANGULATED_FACE") == 0 ||
                        std::strcmp(type, "COMPLEX_TRIANGULATED_FACE") == 0;
    // Faces have a geometric link the surface sets lack, after their normals.
    const int link = isFace ? 1 : 0;
    const int expected = (plain ? 6 : 7) + link;
    RawFace& face = myFaces[number];
    face.name = entity.Name();
    bool read = entity.Count() == expected &&
                (face.coordinates = EntityReader::Reference(entity.At(1))) != 0 &&
                entity.Integer(entity.At(2), face.pointCount) &&
                entity.Points(entity.At(3), face.normals) &&
                entity.Integers(entity.At(4 + link), face.pointIndex);
    if (read && plain && !ReadTriangles(entity, entity.At(5 + link), face, read)) {
        return false;
    }
    if (read && !plain && !ReadStripsAndFans(entity, link, face, read)) {
        return false;
    }
    if (!read) {
        myRefusal = entity.Wrong("its parameters are not those of a triangulated face");
        return false;
    }
    myAnyShape = true;
    return true;
}

// False, with the refusal, at a triangle that is not of three points; `read` false when
// `param` is not a list of lists of integers.
bool StepTessellation::Collector::ReadTriangles(const EntityReader& entity, const Param& param,
                                                RawFace& face, bool& read)
{
    std::vector<std::vector<int>> lists;
    read = entity.IntegerLists(param, lists);
    for (const std::vector<int>& triangle : lists) {
        if (triangle.size() != 3) {
            myRefusal = entity.Wrong(fmt::format("a triangle of {} points", triangle.size()));
            return false;
        }
        face.triangles.push_back({triangle[0], triangle[1], triangle[2]});
    }
    return true;
}

// False, with the refusal, at a strip or fan of fewer than three points; `read` false when
// the strips or the fans are not lists of lists of integers.
bool StepTessellation::Collector::ReadStripsAndFans(const EntityReader& entity, int link,
                                                    RawFace& face, bool& read)
{
    std::vector<std::vector<int>> lists;
    for (const int which : {5, 6}) {
        read = read && entity.IntegerLists(entity.At(which + link), lists);
        for (const std::vector<int>& list : lists) {
            if (list.size() < 3) {
                myRefusal = entity.Wrong(fmt::format("a triangle {} of {} point{}",
                                                     which == 5 ? "strip" : "fan", list.size(),
                                                     list.size() == 1 ? "" : "s"));
                return false;
            }
            (which == 5 ? AddStrip : AddFan)(list, face.triangles);
        }
    }
    return true;
}

bool StepTessellation::Collector::ReadEdge(const EntityReader& entity, int number)
{
    // (name, coordinates, geometric link, line strip, and for a connecting edge the faces it
    // joins, which its points already place).
    RawEdge& edge = myEdges[number];
    edge.name = entity.Name();
    if ((edge.coordinates = EntityReader::Reference(entity.At(1))) == 0 ||
        !entity.Integers(entity.At(3), edge.points) || edge.points.size() < 2) {
        myRefusal = entity.Wrong("not a line strip of two points or more");
        return false;
    }
    return true;
}

// A tessellated shell or solid (items), or a tessellated shape representation (name, items,
// context).
void StepTessellation::Collector::ReadGroup(const EntityReader& entity, int number, Kind kind)
{
    Group& group = myTessellation.myGroups[number];
    group.kind = kind;
    if (kind != Kind::Representation) {
        group.items = entity.Count() >= 2 ? entity.References(entity.At(1)) : std::vector<int>();
        myAnyShape = true;
    } else if (entity.Count() >= 3) {
        group.name = UnquotedText(entity.At(0));
        group.items = entity.References(entity.At(1));
        group.context = EntityReader::Reference(entity.At(2));
    }
}

// Keeps what the entity refers to when it is a shape representation, a styled item, a layer, a
// shape definition or a representation relationship; false when it is none of these.
bool StepTessellation::Collector::ReadLink(const EntityReader& entity, int number,
                                           const Record& record)
{
    const auto is = [&record](const char* name) { return std::strcmp(record.type, name) == 0; };
    const int count = int(record.paramCount);
    if (count == 3 && IsShapeRepresentation(record.type)) {
        // Its items, in case some turn out to be tessellated.
        myLinks.representations.emplace_back(
            number, Group{Kind::Representation, entity.References(entity.At(1)), 0, {}});
    } else if ((count == 3 && is("STYLED_ITEM")) || (count == 4 && is("OVER_RIDING_STYLED_ITEM"))) {
        myLinks.styled.emplace_back(number, EntityReader::Reference(entity.At(2)));
    } else if (count == 3 && is("PRESENTATION_LAYER_ASSIGNMENT")) {
        // Each member by its place, 0 for what is not a reference.
        const Param* members = nullptr;
        int size = 0;
        if (entity.List(entity.At(2), members, size)) {
            std::vector<int>& layered =
                myLinks.layered.emplace_back(number, std::vector<int>()).second;
            for (int i = 0; i < size; ++i) {
                layered.push_back(EntityReader::Reference(members[i]));
            }
        }
    } else if (count == 2 && is("SHAPE_DEFINITION_REPRESENTATION")) {
        myLinks.definitions.emplace_back(number, EntityReader::Reference(entity.At(1)));
    } else if (count == 4 &&
               (is("SHAPE_REPRESENTATION_RELATIONSHIP") || is("REPRESENTATION_RELATIONSHIP"))) {
        // Plain, or the first part of a complex one that places a representation.
        myLinks.relationships.push_back(
            {number,
             {EntityReader::Reference(entity.At(2)), EntityReader::Reference(entity.At(3))}});
    } else {
        return false;
    }
    return true;
}

void StepTessellation::Collector::TakeLinks()
{
    myTessellation.myDefinitions.insert(myLinks.definitions.begin(), myLinks.definitions.end());
    myTessellation.myRelationships.insert(myLinks.relationships.begin(),
                                          myLinks.relationships.end());
    myTessellation.myStyled.insert(myLinks.styled.begin(), myLinks.styled.end());
    myTessellation.myLayered.insert(std::make_move_iterator(myLinks.layered.begin()),
                                    std::make_move_iterator(myLinks.layered.end()));
}

void StepTessellation::Collector::EmptyFaceRecords()
{
    for (Record* record : myEmptied) {
        record->paramCount =
            record->ident[0] == '$' ? 0 : std::min<std::uint32_t>(record->paramCount, 1);
    }
}

// The coordinates list a face or an edge names; null, with the refusal, when it is none or a
// malformed one.
const std::vector<gp_XYZ>* StepTessellation::Collector::ListOf(int coordinates,
                                                               const std::string& name)
{
    if (const auto wrong = myWrongLists.find(coordinates); wrong != myWrongLists.end()) {
        myRefusal = wrong->second;
        return nullptr;
    }
    const auto list = myTessellation.myCoordinates.find(coordinates);
    if (list == myTessellation.myCoordinates.end()) {
        myRefusal =
            fmt::format("{}: its coordinates #{} are not a coordinates list", name, coordinates);
        return nullptr;
    }
    return &list->second;
}

bool StepTessellation::Collector::TakeFaces()
{
    for (auto& [number, raw] : myFaces) {
        const auto* list = ListOf(raw.coordinates, raw.name);
        int positions = 0;
        if (list == nullptr || !CheckFace(raw, int(list->size()), positions)) {
            return false;
        }
        Face& face = myTessellation.myFaces[number];
        face.coordinates = raw.coordinates;
        if (!NumberPoints(raw, positions, face)) {
            return false;
        }
    }
    return true;
}

// Checks a face's point index and normals against its list of `listed` points, and gives the
// number of positions its triangles may use; false, with the refusal, when they do not fit.
bool StepTessellation::Collector::CheckFace(const RawFace& raw, int listed, int& positions)
{
    const bool indexed = !raw.pointIndex.empty();
    if (indexed && int(raw.pointIndex.size()) != raw.pointCount) {
        myRefusal = fmt::format("{}: declares {} points but indexes {}", raw.name, raw.pointCount,
                                raw.pointIndex.size());
        return false;
    }
    for (const int point : raw.pointIndex) {
        if (point < 1 || point > listed) {
            myRefusal =
                fmt::format("{}: its point index names point {} of {}", raw.name, point, listed);
            return false;
        }
    }
    positions = indexed ? raw.pointCount : listed;
    if (!raw.normals.empty() && raw.normals.size() != 1 && int(raw.normals.size()) != positions) {
        myRefusal =
            fmt::format("{}: {} normals for {} points", raw.name, raw.normals.size(), positions);
        return false;
    }
    return true;
}

// The face's points, numbered from 0 in the order its triangles first use them, with their
// normals; false, with the refusal, at a triangle that names a position past `positions`.
bool StepTessellation::Collector::NumberPoints(const RawFace& raw, int positions, Face& face)
{
    std::unordered_map<int, int> local; // position -> point of the face
    std::vector<int> usedPositions;
    face.triangles.reserve(raw.triangles.size());
    for (const std::array<int, 3>& triangle : raw.triangles) {
        std::array<int, 3> corners{};
        for (int k = 0; k < 3; ++k) {
            const int position = triangle[size_t(k)];
            if (position < 1 || position > positions) {
                myRefusal = fmt::format("{}: a triangle names point {} of {}", raw.name, position,
                                        positions);
                return false;
            }
            const auto [at, added] = local.emplace(position, int(usedPositions.size()));
            if (added) {
                usedPositions.push_back(position);
            }
            corners[size_t(k)] = at->second;
        }
        face.triangles.push_back(corners);
    }
    const bool indexed = !raw.pointIndex.empty();
    face.points.reserve(usedPositions.size());
    for (const int position : usedPositions) {
        face.points.push_back((indexed ? raw.pointIndex[size_t(position - 1)] : position) - 1);
        if (raw.normals.size() > 1) {
            face.normals.push_back(raw.normals[size_t(position - 1)]);
        }
    }
    if (raw.normals.size() == 1) {
        face.normals = raw.normals;
    }
    return true;
}

bool StepTessellation::Collector::TakeEdges()
{
    for (auto& [number, raw] : myEdges) {
        const auto* list = ListOf(raw.coordinates, raw.name);
        if (list == nullptr) {
            return false;
        }
        Edge& edge = myTessellation.myEdges[number];
        edge.coordinates = raw.coordinates;
        for (const int point : raw.points) {
            if (point < 1 || size_t(point) > list->size()) {
                myRefusal = fmt::format("{}: its line strip names point {} of {}", raw.name, point,
                                        list->size());
                return false;
            }
            edge.points.push_back(point - 1);
        }
    }
    return true;
}

std::shared_ptr<StepTessellation> StepTessellation::Collect(StepFileParse& parse,
                                                            std::string& refusal)
{
    auto tessellation = std::make_shared<StepTessellation>();
    Collector collector(*tessellation, refusal);
    if (!collector.ReadRecords(parse) || !collector.FoundAny()) {
        return nullptr;
    }
    collector.TakeLinks();
    collector.EmptyFaceRecords();
    if (!collector.TakeFaces() || !collector.TakeEdges()) {
        return nullptr;
    }
    tessellation->FindShaped(collector.Representations());
    return tessellation;
}

void StepTessellation::FindShaped(std::vector<std::pair<int, Group>>& plain)
{
    // Representations that hold shapes; others hold annotations or saved views.
    const auto holdsShapes = [this](const Group& group) {
        return std::any_of(group.items.begin(), group.items.end(), [this](int item) {
            const auto member = myGroups.find(item);
            return myFaces.count(item) != 0 || myEdges.count(item) != 0 ||
                   (member != myGroups.end() && member->second.kind != Kind::Representation);
        });
    };
    for (const auto& [number, group] : myGroups) {
        if (group.kind == Kind::Representation && holdsShapes(group)) {
            myShaped.insert(number);
        }
    }
    for (auto& [number, group] : plain) {
        if (holdsShapes(group)) {
            myShaped.insert(number);
            myPlain.insert(number);
            myGroups[number] = std::move(group);
        }
    }
}

// The stand-ins Substitute has made, by the number of what each stands for, and the model it
// adds them to.
struct StepTessellation::StandIns {
    Handle(StepData_StepModel) model;
    std::unordered_map<int, Handle(StepRepr_RepresentationContext)> contexts;
    std::unordered_map<int, Handle(StepShape_ShapeRepresentation)> representations;
    std::unordered_map<int, Handle(StepRepr_RepresentationItem)> items;
};

void StepTessellation::Substitute(const Handle(StepData_StepModel)& model)
{
    StandIns standIns;
    standIns.model = model;
    for (const Handle(Standard_Transient)& entity : FindReferring(standIns)) {
        const int index = model->Number(entity);
        // The loader kept the entity's record as its content for the reference it could not
        // take; the graph follows that content rather than the entity while it is there.
        if (Patch(entity, model->IdentLabel(entity), standIns) &&
            model->IsRedefinedContent(index)) {
            model->ClearReportEntity(index);
        }
    }
}

std::vector<Handle(Standard_Transient)> StepTessellation::FindReferring(StandIns& standIns)
{
    const Handle(StepData_StepModel)& model = standIns.model;
    std::unordered_set<int> contexts;
    for (const int representation : myShaped) {
        if (myPlain.count(representation) == 0) {
            contexts.insert(myGroups.at(representation).context);
        }
    }
    std::vector<Handle(Standard_Transient)> referring;
    for (int i = 1; i <= model->NbEntities(); ++i) {
        const Handle(Standard_Transient)& entity = model->Value(i);
        const int number = model->IdentLabel(entity);
        if (contexts.count(number) != 0) {
            standIns.contexts[number] = Handle(StepRepr_RepresentationContext)::DownCast(entity);
        }
        if (myDefinitions.count(number) != 0 || myRelationships.count(number) != 0 ||
            myStyled.count(number) != 0 || myLayered.count(number) != 0) {
            referring.push_back(entity);
        }
        if (myPlain.count(number) != 0) {
            TakePlain(entity, number);
        }
    }
    return referring;
}

Handle(StepShape_ShapeRepresentation) StepTessellation::StandIn(int representation,
                                                                StandIns& standIns)
{
    if (myShaped.count(representation) == 0 || myPlain.count(representation) != 0) {
        return nullptr;
    }
    Handle(StepShape_ShapeRepresentation)& stand = standIns.representations[representation];
    if (!stand.IsNull()) {
        return stand;
    }
    const Group& group = myGroups.at(representation);
    // OCCT takes no representation without items; this point is never translated, as the
    // stand-in is bound to its shape before the transfer.
    Handle(StepGeom_CartesianPoint) origin = new StepGeom_CartesianPoint;
    origin->Init3D(new TCollection_HAsciiString(""), 0, 0, 0);
    Handle(StepRepr_HArray1OfRepresentationItem) items =
        new StepRepr_HArray1OfRepresentationItem(1, 1);
    items->SetValue(1, origin);
    stand = new StepShape_ShapeRepresentation;
    stand->Init(new TCollection_HAsciiString(group.name.c_str()), items,
                standIns.contexts[group.context]);
    standIns.model->AddEntity(origin);
    standIns.model->AddEntity(stand);
    myRepresentations.emplace_back(stand, representation);
    return stand;
}

Handle(StepRepr_RepresentationItem) StepTessellation::ItemStandIn(int item, StandIns& standIns)
{
    if (myFaces.count(item) == 0 && myEdges.count(item) == 0 &&
        (myGroups.count(item) == 0 || myGroups.at(item).kind == Kind::Representation)) {
        return nullptr;
    }
    Handle(StepRepr_RepresentationItem)& stand = standIns.items[item];
    if (stand.IsNull()) {
        stand = new StepGeom_GeometricRepresentationItem;
        stand->Init(new TCollection_HAsciiString(""));
        standIns.model->AddEntity(stand);
        myItemStandIns.emplace_back(stand, item);
    }
    return stand;
}

bool StepTessellation::Patch(const Handle(Standard_Transient)& entity, int number,
                             StandIns& standIns)
{
    if (const auto definition = Handle(StepShape_ShapeDefinitionRepresentation)::DownCast(entity)) {
        if (definition->UsedRepresentation().IsNull()) {
            if (const auto stand = StandIn(myDefinitions.at(number), standIns)) {
                definition->SetUsedRepresentation(stand);
                return true;
            }
        }
        return false;
    }
    if (const auto styled = Handle(StepVisual_StyledItem)::DownCast(entity)) {
        if (styled->ItemAP242().IsNull()) {
            if (const auto stand = ItemStandIn(myStyled.at(number), standIns)) {
                styled->SetItem(stand);
                return true;
            }
        }
        return false;
    }
    if (const auto layer = Handle(StepVisual_PresentationLayerAssignment)::DownCast(entity)) {
        const std::vector<int>& assigned = myLayered.at(number);
        const Handle(StepVisual_HArray1OfLayeredItem) members = layer->AssignedItems();
        bool patched = false;
        for (int i = 1; !members.IsNull() && i <= members->Length() && size_t(i) <= assigned.size();
             ++i) {
            if (members->Value(i).IsNull()) {
                if (const auto stand = ItemStandIn(assigned[size_t(i - 1)], standIns)) {
                    StepVisual_LayeredItem member;
                    member.SetValue(stand);
                    members->SetValue(i, member);
                    patched = true;
                }
            }
        }
        return patched;
    }
    if (const auto relationship = Handle(StepRepr_RepresentationRelationship)::DownCast(entity)) {
        const auto [first, second] = myRelationships.at(number);
        bool patched = false;
        if (relationship->Rep1().IsNull()) {
            if (const auto stand = StandIn(first, standIns)) {
                relationship->SetRep1(stand);
                patched = true;
            }
        }
        if (relationship->Rep2().IsNull()) {
            if (const auto stand = StandIn(second, standIns)) {
                relationship->SetRep2(stand);
                patched = true;
            }
        }
        return patched;
    }
    return false;
}

void StepTessellation::TakePlain(const Handle(Standard_Transient)& entity, int number)
{
    const auto representation = Handle(StepShape_ShapeRepresentation)::DownCast(entity);
    if (representation.IsNull()) {
        return;
    }
    for (int i = 1; i <= representation->NbItems(); ++i) {
        // The loader left the tessellated items null; a placement places what the
        // representation holds and is no shape of its own.
        const Handle(StepRepr_RepresentationItem) item = representation->ItemsValue(i);
        if (!item.IsNull() && !item->IsKind(STANDARD_TYPE(StepGeom_Placement))) {
            return;
        }
    }
    myRepresentations.emplace_back(representation, number);
}

TopoDS_Shape StepTessellation::ShapeOf(int representation, double lengthFactor)
{
    const auto found = myGroups.find(representation);
    if (found == myGroups.end()) {
        return {};
    }
    // Faces listed loose make a compound, not a shell: unlike a tessellated shell, nothing in
    // the file says that they join. OCCT 7.7 and later make the same compound of them, and the
    // export writes a compound's faces loose again, so that a round trip gives back what it
    // read.
    std::vector<TopoDS_Shape> shapes;
    for (const int item : found->second.items) {
        if (TopoDS_Shape shape = ItemShape(item, lengthFactor, 0); !shape.IsNull()) {
            shapes.push_back(shape);
        }
    }
    return OneOrCompound(shapes);
}

TopoDS_Shape StepTessellation::ItemShape(int item, double lengthFactor, int depth)
{
    auto& made = myMade[item];
    if (!made.second.IsNull() && made.first == lengthFactor) {
        return made.second;
    }
    if (const auto face = myFaces.find(item); face != myFaces.end()) {
        made = {lengthFactor, MakeFace(item, face->second, lengthFactor)};
        return made.second;
    }
    if (const auto edge = myEdges.find(item); edge != myEdges.end()) {
        made = {lengthFactor, MakeEdge(edge->second, lengthFactor)};
        return made.second;
    }
    const auto group = myGroups.find(item);
    if (group == myGroups.end() || depth > kMaxDepth ||
        group->second.kind == Kind::Representation) {
        return {};
    }
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    std::vector<TopoDS_Shape> edges;
    for (const int member : group->second.items) {
        const TopoDS_Shape shape = ItemShape(member, lengthFactor, depth + 1);
        if (shape.IsNull()) {
            continue;
        }
        // A solid's items are faces and edges, or shells whose faces it gathers.
        if (shape.ShapeType() == TopAbs_FACE) {
            builder.Add(shell, shape);
        } else if (shape.ShapeType() == TopAbs_EDGE) {
            edges.push_back(shape);
        } else {
            for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
                (it.Value().ShapeType() == TopAbs_FACE ? builder.Add(shell, it.Value())
                                                       : edges.push_back(it.Value()));
            }
        }
    }
    TopoDS_Shape shape = shell;
    if (group->second.kind == Kind::Solid) {
        // A tessellated solid is closed by definition; without edges, the flag is what says
        // so (to the volume's measure, say).
        shell.Closed(Standard_True);
        TopoDS_Solid solid;
        builder.MakeSolid(solid);
        builder.Add(solid, shell);
        shape = solid;
    }
    if (!edges.empty()) {
        edges.insert(edges.begin(), shape);
        shape = OneOrCompound(edges);
    }
    // Looked up again: the members' shapes may have grown the table.
    myMade[item] = {lengthFactor, shape};
    return shape;
}

TopoDS_Shape StepTessellation::MadeShape(int item) const
{
    const auto found = myMade.find(item);
    return found == myMade.end() ? TopoDS_Shape() : found->second.second;
}

TopoDS_Face StepTessellation::MakeFace(int /*number*/, const Face& face, double lengthFactor)
{
    const std::vector<gp_XYZ>& list = myCoordinates.at(face.coordinates);
    Handle(Poly_Triangulation) mesh = new Poly_Triangulation(
        int(face.points.size()), int(face.triangles.size()), Standard_False, !face.normals.empty());
    for (size_t i = 0; i < face.points.size(); ++i) {
        mesh->SetNode(int(i) + 1, gp_Pnt(list[size_t(face.points[i])] * lengthFactor));
        if (!face.normals.empty()) {
            const gp_XYZ& normal = face.normals[face.normals.size() == 1 ? 0 : i];
            mesh->SetNormal(int(i) + 1, gp_Dir(normal.Modulus() > 0 ? normal : gp_XYZ(0, 0, 1)));
        }
    }
    for (size_t i = 0; i < face.triangles.size(); ++i) {
        const std::array<int, 3>& t = face.triangles[i];
        mesh->SetTriangle(int(i) + 1, Poly_Triangle(t[0] + 1, t[1] + 1, t[2] + 1));
    }
    TopoDS_Face made;
    BRep_Builder().MakeFace(made, mesh);
    return made;
}

TopoDS_Shape StepTessellation::MakeEdge(const Edge& edge, double lengthFactor)
{
    const std::vector<gp_XYZ>& list = myCoordinates.at(edge.coordinates);
    TColgp_Array1OfPnt points(1, int(edge.points.size()));
    for (size_t i = 0; i < edge.points.size(); ++i) {
        points.SetValue(int(i) + 1, gp_Pnt(list[size_t(edge.points[i])] * lengthFactor));
    }
    BRep_Builder builder;
    TopoDS_Edge made;
    builder.MakeEdge(made, new Poly_Polygon3D(points));
    for (const int end : {1, points.Upper()}) {
        TopoDS_Vertex vertex;
        builder.MakeVertex(vertex, points(end), Precision::Confusion());
        builder.Add(made, vertex.Oriented(end == 1 ? TopAbs_FORWARD : TopAbs_REVERSED));
    }
    return made;
}

std::vector<std::string> StepTessellation::Unread() const
{
    std::vector<std::string> unread;
    for (const auto& [type, count] : myUnread) {
        unread.push_back(fmt::format("{} {}", count, type));
    }
    return unread;
}

} // namespace orvkit
