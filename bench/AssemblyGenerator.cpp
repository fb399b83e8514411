#include "AssemblyGenerator.h"

#include "Common/Core/StringUtil.h"
#include "Geometry/Kernel/TopoShape.h"
#include "XdeDocumentO.h"
#include "XdeLabelSequence.h"
#include "XdeNode.h"
#include "XdeNodeIterator.h"

#include <APIHeaderSection_MakeHeader.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRep_Builder.hxx>
#include <HeaderSection.hxx>
#include <HeaderSection_FileName.hxx>
#include <HeaderSection_Protocol.hxx>
#include <Interface_Static.hxx>
#include <STEPControl_Controller.hxx>
#include <Standard_Failure.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepWriter.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TopExp_Explorer.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Ax1.hxx>
#include <gp_Ax2.hxx>
#include <gp_Pnt.hxx>
#include <gp_Trsf.hxx>
#include <gp_Vec.hxx>

#include <glm/vec3.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvex::bench {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Room for the largest part (about 40 mm across in any direction) next to its neighbours.
constexpr double kInstanceSpacing = 60.0;
constexpr int kMaxDepth = 8;
constexpr long long kMaxInstances = 5'000'000;

// Sets translator parameters for one write and puts the earlier values back afterwards; the
// generator runs inside programs that read STEP files next and must not change how they do.
// The document's own save sets the schema and the assembly mode; what it leaves at the
// translator's defaults and the files need is set here around it.
class StaticParameters {
public:
    StaticParameters() = default;
    ~StaticParameters()
    {
        for (auto it = mySaved.rbegin(); it != mySaved.rend(); ++it) {
            Interface_Static::SetCVal(it->first.c_str(), it->second.c_str());
        }
    }
    StaticParameters(const StaticParameters&) = delete;
    StaticParameters& operator=(const StaticParameters&) = delete;

    // False when the parameter is not registered, which leaves it unset.
    bool Set(const char* name, const char* value)
    {
        if (!Interface_Static::IsPresent(name)) {
            return false;
        }
        const Standard_CString previous = Interface_Static::CVal(name);
        mySaved.emplace_back(name, previous != nullptr ? previous : "");
        return Interface_Static::SetCVal(name, value) != 0;
    }

private:
    std::vector<std::pair<std::string, std::string>> mySaved;
};

// Colours are rounded to 8 bits per channel so that they survive a STEP round trip unchanged
// and compare equal to what a reader gives back.
glm::vec3 ColorFromHsv(double hue, double saturation, double value)
{
    hue = hue - std::floor(hue);
    const double h = hue * 6.0;
    const int sector = static_cast<int>(h) % 6;
    const double f = h - std::floor(h);
    const double p = value * (1.0 - saturation);
    const double q = value * (1.0 - saturation * f);
    const double t = value * (1.0 - saturation * (1.0 - f));
    double r = value, g = t, b = p;
    switch (sector) {
    case 0:
        r = value, g = t, b = p;
        break;
    case 1:
        r = q, g = value, b = p;
        break;
    case 2:
        r = p, g = value, b = t;
        break;
    case 3:
        r = p, g = q, b = value;
        break;
    case 4:
        r = t, g = p, b = value;
        break;
    default:
        r = value, g = p, b = q;
        break;
    }
    auto quantize = [](double channel) { return std::round(channel * 255.0) / 255.0; };
    return glm::vec3(static_cast<float>(quantize(r)), static_cast<float>(quantize(g)),
                     static_cast<float>(quantize(b)));
}

constexpr double kGoldenFraction = 0.6180339887498949;

glm::vec3 PartColor(int part)
{
    return ColorFromHsv(part * kGoldenFraction, 0.55, 0.85);
}

// Saturation and value differ from every part colour, so a face colour never equals the colour
// of the part it is on, whatever the hues.
glm::vec3 FaceColor(int part, int face)
{
    return ColorFromHsv(part * kGoldenFraction + 0.5 + face * 0.07, 0.9, 0.55);
}

bool IsColoredFace(int face)
{
    return face % 3 == 0;
}

// A prism on a star-shaped polygon: the radius of each corner varies a little with the part
// index, so no two parts share a shape even when they share a corner count. The polygon
// stays simple because the corners keep strictly increasing angles.
TopoDS_Shape MakePrism(int part, int sides, double radius, double height)
{
    BRepBuilderAPI_MakePolygon polygon;
    for (int corner = 0; corner < sides; ++corner) {
        const double angle = 2.0 * kPi * corner / sides;
        const double wobble = 1.0 + 0.12 * std::sin(corner * 2.3 + part * 0.71);
        polygon.Add(
            gp_Pnt(radius * wobble * std::cos(angle), radius * wobble * std::sin(angle), 0.0));
    }
    polygon.Close();
    BRepBuilderAPI_MakeFace base(polygon.Wire(), Standard_True);
    BRepPrimAPI_MakePrism prism(base.Face(), gp_Vec(0.0, 0.0, height));
    return prism.Shape();
}

TopoDS_Shape MakePart(int part, int faces)
{
    // Sizes step with the index (in tenths and hundredths of a millimetre) so that even
    // thousands of parts of one kind all have different dimensions.
    const double small = (part % 97) * 0.1;
    const double fine = (part / 97) * 0.01;
    if (faces >= 5) {
        return MakePrism(part, faces - 2, 8.0 + small + fine, 10.0 + (part % 13) + fine);
    }
    switch (part % 3) {
    case 0:
        return BRepPrimAPI_MakeBox(10.0 + small + fine, 12.0 + (part % 7), 6.0 + (part % 11))
            .Shape();
    case 1:
        return BRepPrimAPI_MakeCylinder(gp_Ax2(), 5.0 + small * 0.5 + fine,
                                        8.0 + (part % 17) + fine)
            .Shape();
    default:
        return MakePrism(part, 5 + (part / 3) % 6, 7.0 + small + fine, 9.0 + (part % 5) + fine);
    }
}

std::string NumberedName(const char* prefix, int number, int width)
{
    const std::string digits = std::to_string(number);
    const size_t padding =
        digits.size() < static_cast<size_t>(width) ? static_cast<size_t>(width) - digits.size() : 0;
    return prefix + std::string(padding, '0') + digits;
}

// A placement with a translation and a rotation that both change from one index to the next:
// a turn about Z in steps of 23 degrees, every second one also tipped over about X.
TopLoc_Location Placement(const gp_Vec& translation, int index)
{
    gp_Trsf turn;
    turn.SetRotation(gp_Ax1(gp_Pnt(), gp_Dir(0, 0, 1)), ((index * 23) % 360) * kPi / 180.0);
    gp_Trsf tip;
    if (index % 2 == 1) {
        tip.SetRotation(gp_Ax1(gp_Pnt(), gp_Dir(1, 0, 0)), kPi / 2.0);
    }
    gp_Trsf move;
    move.SetTranslation(translation);
    return TopLoc_Location(move * turn * tip);
}

int GridColumns(int count)
{
    return std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count)))));
}

// Builds the document from the leaves up: a shape added to the document becomes a label there,
// and a compound added later whose members are placed copies of that shape gets one reference
// to that same label per member. Parts therefore go in first, then every assembly after the
// assemblies below it, so that nothing is stored twice. Each assembly's compound is a shape of
// its own, never reused, so no assembly is shared.
struct Builder {
    Builder(const AssemblyParameters& parameters, orvkit::XdeDocumentO& document)
        : parameters(parameters), document(document), leafCount(LeafAssemblyCount(parameters)),
          assembliesPerLevel(static_cast<size_t>(parameters.depth + 1), 0)
    {
    }

    const AssemblyParameters& parameters;
    orvkit::XdeDocumentO& document;
    AssemblyStats stats;
    std::string error;
    std::vector<TopoDS_Shape> partShapes;
    std::vector<std::string> partNames;
    // Next part instance to place, counted over the whole file in leaf order.
    int nextInstance = 0;
    int leafCount = 0;
    int leavesDone = 0;
    // Side length of the square one assembly of each level occupies, leaves last.
    std::vector<double> extents;
    std::vector<int> assembliesPerLevel;

    bool Fail(const std::string& text)
    {
        error = text;
        return false;
    }

    bool AddParts()
    {
        const int nameWidth =
            std::max(4, static_cast<int>(std::to_string(parameters.parts).size()));
        partShapes.reserve(static_cast<size_t>(parameters.parts));
        partNames.reserve(static_cast<size_t>(parameters.parts));
        for (int part = 0; part < parameters.parts; ++part) {
            const TopoDS_Shape shape = MakePart(part, parameters.faces);
            const auto topoShape = orvkit::TopoShape::Create(shape);
            const std::shared_ptr<orvkit::XdeNode> node = document.AddShape(topoShape);
            partNames.push_back(NumberedName("PART-", part + 1, nameWidth));
            node->SetName(partNames.back());
            document.SetSurfaceColor(topoShape, PartColor(part));
            // A face colour goes onto a sub-shape label the document makes for the face on the
            // first colour set on it, in exploration order.
            int face = 0;
            int colored = 0;
            for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next(), ++face) {
                if (parameters.faceColors && IsColoredFace(face)) {
                    document.SetSurfaceColor(orvkit::TopoShape::Create(it.Current()),
                                             FaceColor(part, face));
                    ++colored;
                }
            }
            // The document drops a colour for a shape it does not hold without a word, so the
            // face labels it made are counted rather than assumed.
            int labels = 0;
            for (orvkit::XdeLabelSequence faces(node); faces.More(); faces.Next()) {
                ++labels;
            }
            if (labels != colored) {
                return Fail(partNames.back() + ": the document made " + std::to_string(labels) +
                            " face labels for " + std::to_string(colored) + " face colours");
            }
            stats.coloredFaces += colored;
            stats.partFaces += face;
            partShapes.push_back(shape);
        }
        stats.parts = parameters.parts;
        return true;
    }

    // Instances of one leaf: an even share of the total, the first leaves taking the rest.
    int LeafInstanceCount(int leaf) const
    {
        const int share = parameters.instances / leafCount;
        return share + (leaf < parameters.instances % leafCount ? 1 : 0);
    }

    // Adds the compound as an assembly named `name` and names its components, which the
    // document makes as the assembly's child labels in member order.
    bool AddAssembly(const TopoDS_Compound& compound, const std::string& name,
                     const std::vector<std::string>& componentNames)
    {
        const std::shared_ptr<orvkit::XdeNode> node =
            document.AddShape(orvkit::TopoShape::Create(compound));
        node->SetName(name);
        size_t component = 0;
        for (orvkit::XdeNodeIterator it(node); it.More(); it.Next(), ++component) {
            if (component < componentNames.size()) {
                it.Value()->SetName(componentNames[component]);
            }
        }
        if (component != componentNames.size()) {
            return Fail(name + ": the document made " + std::to_string(component) +
                        " components for " + std::to_string(componentNames.size()) + " members");
        }
        ++stats.assemblies;
        return true;
    }

    // Level 1 is the root. Assemblies are numbered per level in the order they are entered,
    // before the ones below them; the compound of each is returned once it is in the document,
    // or a null shape on failure.
    TopoDS_Shape BuildAssembly(int level, std::string& name)
    {
        const int index = ++assembliesPerLevel[static_cast<size_t>(level)];
        name = level == 1 ? std::string("ASM")
                          : "ASM-" + std::to_string(level) + "-" + NumberedName("", index, 3);
        BRep_Builder builder;
        TopoDS_Compound compound;
        builder.MakeCompound(compound);
        std::vector<std::string> componentNames;
        if (level == parameters.depth) {
            const int count = LeafInstanceCount(leavesDone++);
            const int columns = GridColumns(count);
            componentNames.reserve(static_cast<size_t>(count));
            for (int k = 0; k < count; ++k, ++nextInstance) {
                const int part = nextInstance % parameters.parts;
                const gp_Vec offset((k % columns) * kInstanceSpacing,
                                    (k / columns) * kInstanceSpacing, 0.0);
                builder.Add(compound, partShapes[static_cast<size_t>(part)].Located(
                                          Placement(offset, nextInstance)));
                componentNames.push_back(partNames[static_cast<size_t>(part)] + ":" +
                                         std::to_string(nextInstance / parameters.parts + 1));
            }
            if (!AddAssembly(compound, name, componentNames)) {
                return {};
            }
            stats.partInstances += count;
            return compound;
        }
        const int columns = GridColumns(parameters.fanout);
        const double extent = extents[static_cast<size_t>(level + 1)];
        for (int child = 0; child < parameters.fanout; ++child) {
            std::string childName;
            const TopoDS_Shape sub = BuildAssembly(level + 1, childName);
            if (sub.IsNull()) {
                return {};
            }
            const gp_Vec offset((child % columns) * extent * 1.5, (child / columns) * extent * 1.5,
                                level * 100.0);
            builder.Add(compound, sub.Located(Placement(offset, child)));
            componentNames.push_back(childName + ":1");
        }
        if (!AddAssembly(compound, name, componentNames)) {
            return {};
        }
        stats.assemblyInstances += parameters.fanout;
        return compound;
    }

    void ComputeExtents()
    {
        extents.assign(static_cast<size_t>(parameters.depth + 1), 0.0);
        const int largestLeaf = LeafInstanceCount(0);
        extents[static_cast<size_t>(parameters.depth)] =
            GridColumns(largestLeaf) * kInstanceSpacing;
        for (int level = parameters.depth - 1; level >= 1; --level) {
            extents[static_cast<size_t>(level)] =
                GridColumns(parameters.fanout) * extents[static_cast<size_t>(level + 1)] * 1.5;
        }
    }
};

// ---------------------------------------------------------------------------------------------
// Putting the presentation section of a written file into a fixed order.
//
// OCCT's XCAF writer registers the presentation representations of coloured parts at the very
// end of the transfer, walking a map hashed on shape addresses, so their order (and with it the
// numbers of everything after the first one) changes from run to run. Everything before that
// point comes out the same every time. The tail is therefore read back, each entity put on one
// line, the presentation representations sorted by what they refer to in the stable part of the
// file, and the tail renumbered in that order. References into the stable part keep their
// numbers, and nothing in the stable part refers into the tail.

struct TailEntity {
    long long id = 0;
    // The body between "=" and ";", split at references: text[0] ref[0] text[1] ... text[n].
    std::vector<std::string> text;
    std::vector<long long> refs;
    bool isRoot = false;
};

const char* const kPresentationType = "MECHANICAL_DESIGN_GEOMETRIC_PRESENTATION_REPRESENTATION";

// Splits the text of the tail ("#12 = A(#13,'x');\n#13 = ...") into entities. Line breaks and
// the indentation after them are dropped outside strings; the writer puts them at token
// boundaries, so they carry no meaning. False when the text is not as the writer writes it.
bool ParseTail(const std::string& tail, std::vector<TailEntity>& entities)
{
    size_t at = 0;
    const size_t size = tail.size();
    auto skipSpace = [&] {
        while (at < size && (tail[at] == ' ' || tail[at] == '\n' || tail[at] == '\r')) {
            ++at;
        }
    };
    auto readNumber = [&](long long& value) {
        const size_t start = at;
        value = 0;
        while (at < size && tail[at] >= '0' && tail[at] <= '9') {
            value = value * 10 + (tail[at] - '0');
            ++at;
        }
        return at > start;
    };
    while (true) {
        skipSpace();
        if (at >= size) {
            return true;
        }
        TailEntity entity;
        if (tail[at] != '#') {
            return false;
        }
        ++at;
        if (!readNumber(entity.id)) {
            return false;
        }
        skipSpace();
        if (at >= size || tail[at] != '=') {
            return false;
        }
        ++at;
        skipSpace();
        entity.isRoot = tail.compare(at, std::strlen(kPresentationType), kPresentationType) == 0;
        std::string current;
        bool inString = false;
        bool closed = false;
        while (at < size && !closed) {
            const char c = tail[at];
            if (inString) {
                current += c;
                inString = c != '\'';
                ++at;
            } else if (c == '\'') {
                current += c;
                inString = true;
                ++at;
            } else if (c == '\n' || c == '\r') {
                ++at;
                while (at < size && tail[at] == ' ') {
                    ++at;
                }
            } else if (c == '#') {
                ++at;
                long long ref = 0;
                if (!readNumber(ref)) {
                    return false;
                }
                entity.text.push_back(std::move(current));
                current.clear();
                entity.refs.push_back(ref);
            } else if (c == ';') {
                ++at;
                closed = true;
            } else {
                current += c;
                ++at;
            }
        }
        if (!closed) {
            return false;
        }
        entity.text.push_back(std::move(current));
        entities.push_back(std::move(entity));
    }
}

class TailOrder {
public:
    TailOrder(std::vector<TailEntity>& entities, long long first)
        : myEntities(entities), myFirst(first)
    {
    }

    // Fills `order` with indices into the entities, roots first in a stable order, each
    // followed by what it alone refers to. False on a reference to an unknown tail entity or
    // a cycle.
    bool Compute(std::vector<size_t>& order)
    {
        for (size_t index = 0; index < myEntities.size(); ++index) {
            myIndex.emplace(myEntities[index].id, index);
        }
        myHash.assign(myEntities.size(), 0);
        myState.assign(myEntities.size(), 0);
        for (size_t index = 0; index < myEntities.size(); ++index) {
            if (!ComputeHash(index)) {
                return false;
            }
        }
        struct Key {
            std::vector<long long> stableRefs;
            uint64_t hash;
            size_t index;
            bool operator<(const Key& other) const
            {
                if (stableRefs != other.stableRefs) {
                    return stableRefs < other.stableRefs;
                }
                return hash < other.hash;
            }
        };
        std::vector<Key> roots, rest;
        for (size_t index = 0; index < myEntities.size(); ++index) {
            Key key{{}, myHash[index], index};
            std::vector<bool> seen(myEntities.size(), false);
            CollectStableRefs(index, seen, key.stableRefs);
            (myEntities[index].isRoot ? roots : rest).push_back(std::move(key));
        }
        std::stable_sort(roots.begin(), roots.end());
        std::stable_sort(rest.begin(), rest.end());
        std::vector<bool> emitted(myEntities.size(), false);
        for (const Key& key : roots) {
            Emit(key.index, emitted, order);
        }
        // Whatever no presentation representation reaches, in content order.
        for (const Key& key : rest) {
            Emit(key.index, emitted, order);
        }
        return order.size() == myEntities.size();
    }

private:
    bool IsTail(long long ref) const { return ref >= myFirst; }

    bool ComputeHash(size_t index)
    {
        if (myState[index] == 2) {
            return true;
        }
        if (myState[index] == 1) {
            return false;
        }
        myState[index] = 1;
        const TailEntity& entity = myEntities[index];
        uint64_t hash = 1469598103934665603ull;
        auto mix = [&hash](const void* data, size_t length) {
            const auto* bytes = static_cast<const unsigned char*>(data);
            for (size_t i = 0; i < length; ++i) {
                hash = (hash ^ bytes[i]) * 1099511628211ull;
            }
        };
        for (size_t part = 0; part < entity.text.size(); ++part) {
            mix(entity.text[part].data(), entity.text[part].size());
            if (part < entity.refs.size()) {
                const long long ref = entity.refs[part];
                uint64_t value = static_cast<uint64_t>(ref);
                if (IsTail(ref)) {
                    const auto found = myIndex.find(ref);
                    if (found == myIndex.end() || !ComputeHash(found->second)) {
                        return false;
                    }
                    value = myHash[found->second] ^ 0x9e3779b97f4a7c15ull;
                }
                mix(&value, sizeof(value));
            }
        }
        myHash[index] = hash;
        myState[index] = 2;
        return true;
    }

    void CollectStableRefs(size_t index, std::vector<bool>& seen, std::vector<long long>& refs)
    {
        if (seen[index]) {
            return;
        }
        seen[index] = true;
        for (const long long ref : myEntities[index].refs) {
            if (IsTail(ref)) {
                CollectStableRefs(myIndex.at(ref), seen, refs);
            } else {
                refs.push_back(ref);
            }
        }
    }

    void Emit(size_t index, std::vector<bool>& emitted, std::vector<size_t>& order)
    {
        if (emitted[index]) {
            return;
        }
        emitted[index] = true;
        order.push_back(index);
        for (const long long ref : myEntities[index].refs) {
            if (IsTail(ref)) {
                Emit(myIndex.at(ref), emitted, order);
            }
        }
    }

    std::vector<TailEntity>& myEntities;
    long long myFirst;
    std::unordered_map<long long, size_t> myIndex;
    std::vector<uint64_t> myHash;
    std::vector<int> myState;
};

// The FILE_NAME header entity with fixed texts, as the STEP writer formats it: the document's
// save stamps the time of writing and its temporary path there, which would make the file
// depend on more than the parameters.
std::string FixedFileNameEntity(const AssemblyParameters& parameters)
{
    STEPControl_Controller::Init();
    APIHeaderSection_MakeHeader header;
    header.SetName(
        new TCollection_HAsciiString(("orvex-assembly-" + DescribeParameters(parameters)).c_str()));
    header.SetTimeStamp(new TCollection_HAsciiString("2000-01-01T00:00:00"));
    header.SetAuthorValue(1, new TCollection_HAsciiString("orvex-gen-assembly"));
    header.SetOrganizationValue(1, new TCollection_HAsciiString(""));
    header.SetPreprocessorVersion(new TCollection_HAsciiString("orvex-gen-assembly"));
    header.SetOriginatingSystem(new TCollection_HAsciiString("orvex-gen-assembly"));
    header.SetAuthorisation(new TCollection_HAsciiString(""));
    Handle(StepData_StepModel) model = new StepData_StepModel;
    model->AddHeaderEntity(header.FnValue());
    StepData_StepWriter writer(model);
    writer.SendModel(HeaderSection::Protocol(), Standard_True);
    std::ostringstream text;
    writer.Print(text);
    const std::string all = text.str();
    const size_t begin = all.find("FILE_NAME(");
    const size_t end = all.find(";\n", begin);
    if (begin == std::string::npos || end == std::string::npos) {
        return {};
    }
    return all.substr(begin, end + 2 - begin);
}

// The identifier a NEXT_ASSEMBLY_USAGE_OCCURRENCE line starts with, e.g. 12 in
// "#40 = NEXT_ASSEMBLY_USAGE_OCCURRENCE('12','PART-0001:1',...": where it stands in `line`, and
// its value. False for any other line.
const char* const kUsageMarker = " = NEXT_ASSEMBLY_USAGE_OCCURRENCE('";

bool FindUsageId(const std::string& line, size_t& begin, size_t& end, long long& value)
{
    if (line.empty() || line[0] != '#') {
        return false;
    }
    const size_t marker = line.find(kUsageMarker);
    if (marker == std::string::npos || line.find_first_not_of("0123456789", 1) != marker) {
        return false;
    }
    begin = marker + std::strlen(kUsageMarker);
    end = line.find('\'', begin);
    if (end == std::string::npos || end == begin ||
        line.find_first_not_of("0123456789", begin) != end) {
        return false;
    }
    value = std::stoll(line.substr(begin, end - begin));
    return true;
}

// The STEP writer numbers assembly usages with a counter that lives as long as the process, so
// a second file written by the same process starts where the first one stopped. The lowest
// identifier in the file, so that the copy can start from 1 as a file of a fresh process does.
long long LowestUsageId(const std::string& input)
{
    std::ifstream in(input, std::ios::binary);
    std::string line;
    long long lowest = -1;
    while (std::getline(in, line)) {
        size_t begin = 0;
        size_t end = 0;
        long long value = 0;
        if (FindUsageId(line, begin, end, value) && (lowest < 0 || value < lowest)) {
            lowest = value;
        }
    }
    return lowest;
}

// Writes the presentation section `tail`, whose entities are numbered from `first`, in the
// fixed order and numbered again from `first`; false, with `error` naming `input`, when the
// section is not what the writer makes.
bool WriteSortedTail(std::ostream& out, const std::string& tail, long long first,
                     const std::string& input, std::string& error)
{
    std::vector<TailEntity> entities;
    std::vector<size_t> order;
    if (!ParseTail(tail, entities)) {
        error = "unexpected text in the presentation section of " + input;
        return false;
    }
    TailOrder sorter(entities, first);
    if (!sorter.Compute(order)) {
        error = "unexpected references in the presentation section of " + input;
        return false;
    }
    std::unordered_map<long long, long long> renumber;
    for (size_t position = 0; position < order.size(); ++position) {
        renumber[entities[order[position]].id] = first + static_cast<long long>(position);
    }
    for (size_t position = 0; position < order.size(); ++position) {
        const TailEntity& entity = entities[order[position]];
        out << '#' << first + static_cast<long long>(position) << " = ";
        for (size_t part = 0; part < entity.text.size(); ++part) {
            out << entity.text[part];
            if (part < entity.refs.size()) {
                const long long ref = entity.refs[part];
                out << '#' << (ref >= first ? renumber.at(ref) : ref);
            }
        }
        out << ";\n";
    }
    return true;
}

// Copies `input` to `output` with `fileName` in place of the header's FILE_NAME entity, the
// assembly usages numbered from 1, and the presentation section in a fixed order (see above).
bool WriteWithStableTail(const std::string& input, const std::string& output,
                         const std::string& fileName, std::string& error)
{
    const long long usageShift = std::max(LowestUsageId(input) - 1, 0LL);
    std::ifstream in(input, std::ios::binary);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!in || !out) {
        error = "cannot open " + (in ? output : input);
        return false;
    }
    const std::string marker = std::string(" = ") + kPresentationType;
    std::string line;
    long long first = -1;
    std::string tail;
    std::string trailer;
    bool inData = false;
    bool afterData = false;
    bool inFileName = false;
    bool fileNameDone = false;
    while (std::getline(in, line)) {
        if (!inData && !fileNameDone && line.rfind("FILE_NAME(", 0) == 0) {
            inFileName = true;
        }
        if (inFileName) {
            // The entity ends on the first line that ends with ";" outside a string; the
            // texts in it are the writer's own (time, path, system names), none with ";".
            if (!line.empty() && line.back() == ';') {
                out << fileName;
                inFileName = false;
                fileNameDone = true;
            }
            continue;
        }
        if (afterData) {
            trailer += line + "\n";
            continue;
        }
        if (!inData && line == "DATA;") {
            inData = true;
        } else if (inData && line == "ENDSEC;") {
            afterData = true;
            trailer += line + "\n";
            continue;
        }
        if (first < 0 && inData && !line.empty() && line[0] == '#') {
            const size_t equals = line.find(marker);
            if (equals != std::string::npos && line.find_first_not_of("0123456789", 1) == equals) {
                first = std::stoll(line.substr(1, equals - 1));
            }
        }
        if (first >= 0) {
            tail += line + "\n";
            continue;
        }
        size_t begin = 0;
        size_t end = 0;
        long long value = 0;
        if (usageShift > 0 && FindUsageId(line, begin, end, value)) {
            line.replace(begin, end - begin, std::to_string(value - usageShift));
        }
        out << line << '\n';
    }
    if (!fileNameDone) {
        error = "no FILE_NAME entity in the header of " + input;
        return false;
    }
    if (first >= 0 && !WriteSortedTail(out, tail, first, input, error)) {
        return false;
    }
    out << trailer;
    out.flush();
    if (!out) {
        error = "cannot write " + output;
        return false;
    }
    return true;
}

} // namespace

int LeafAssemblyCount(const AssemblyParameters& parameters)
{
    long long leaves = 1;
    for (int level = 1; level < parameters.depth; ++level) {
        leaves *= std::max(parameters.fanout, 1);
        if (leaves > kMaxInstances) {
            return -1;
        }
    }
    return static_cast<int>(leaves);
}

std::string ValidateParameters(const AssemblyParameters& parameters)
{
    if (parameters.parts < 1) {
        return "at least one part is needed";
    }
    if (parameters.instances > kMaxInstances) {
        return "more than " + std::to_string(kMaxInstances) + " instances";
    }
    if (parameters.instances < parameters.parts) {
        return "fewer instances than parts: every part must be placed at least once";
    }
    if (parameters.depth < 1 || parameters.depth > kMaxDepth) {
        return "depth must lie between 1 and " + std::to_string(kMaxDepth);
    }
    if (parameters.fanout < 1) {
        return "fan-out must be at least 1";
    }
    if (parameters.faces != 0 && (parameters.faces < 5 || parameters.faces > 200)) {
        return "faces must be 0 (mixed parts) or between 5 and 200";
    }
    const int leaves = LeafAssemblyCount(parameters);
    if (leaves < 0 || leaves > parameters.instances) {
        return "more leaf assemblies than instances: lower the depth or the fan-out";
    }
    return {};
}

std::string DescribeParameters(const AssemblyParameters& parameters)
{
    return "p" + std::to_string(parameters.parts) + "-n" + std::to_string(parameters.instances) +
           "-d" + std::to_string(parameters.depth) + "-k" + std::to_string(parameters.fanout) +
           "-f" + std::to_string(parameters.faces) + "-fc" +
           std::to_string(parameters.faceColors ? 1 : 0);
}

bool BuildAssemblyDocument(const AssemblyParameters& parameters, orvkit::XdeDocumentO& document,
                           AssemblyStats* stats, std::string* error)
{
    auto fail = [error](const std::string& text) {
        if (error != nullptr) {
            *error = text;
        }
        return false;
    };
    const std::string invalid = ValidateParameters(parameters);
    if (!invalid.empty()) {
        return fail(invalid);
    }
    document.New();
    Builder builder(parameters, document);
    builder.ComputeExtents();
    try {
        std::string rootName;
        if (!builder.AddParts() || builder.BuildAssembly(1, rootName).IsNull()) {
            return fail(builder.error);
        }
    } catch (const Standard_Failure& failure) {
        return fail(std::string("building the document failed: ") + failure.GetMessageString());
    }
    if (stats != nullptr) {
        *stats = builder.stats;
    }
    return true;
}

bool WriteAssemblyStep(const AssemblyParameters& parameters, const std::string& path,
                       AssemblyStats* stats, std::string* error)
{
    auto fail = [error](const std::string& text) {
        if (error != nullptr) {
            *error = text;
        }
        return false;
    };
    std::string reason;
    orvkit::XdeDocumentO document;
    if (!BuildAssemblyDocument(parameters, document, stats, &reason)) {
        return fail(reason);
    }
    const std::string fileName = FixedFileNameEntity(parameters);
    if (fileName.empty()) {
        return fail("cannot format the STEP header");
    }
    // The document saves a first file (its name must keep the STEP extension); the stable copy
    // of it is renamed over `path` at the end.
    const std::string raw = path + ".raw.step";
    const std::string temporary = path + ".partial";
    bool written = false;
    {
        // The parameters exist once the STEP translator is registered.
        STEPControl_Controller::Init();
        StaticParameters scope;
        // Edges go out with their 3D curves only, as most CAD systems write them; the 2D
        // curves on the planar faces would double the file and the reading time for nothing
        // the import does with them.
        if (!scope.Set("write.step.unit", "MM") || !scope.Set("write.surfacecurve.mode", "0")) {
            return fail("the STEP writer parameters are not registered");
        }
        written = document.Save(orvkit::StringUtil::ToW(raw));
    }
    if (!written) {
        reason = "cannot write " + raw;
    } else {
        written = WriteWithStableTail(raw, temporary, fileName, reason);
    }
    std::remove(raw.c_str());
    if (!written) {
        std::remove(temporary.c_str());
        return fail(reason);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return fail("cannot rename " + temporary + " to " + path);
    }
    return true;
}

} // namespace orvex::bench
