#include "AReaderVRML.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Geometry/IO/CaughtFailure.h"
#include "Geometry/IO/OcctFaultScope.h"
#include "Geometry/Kernel/TopoShape.h"
#include "Graphics/BrepSceneNode.h"
#include "Graphics/GroupSceneNode.h"
#include "Graphics/MaterialManager.h"
#include "Graphics/MathUtil.h"
#include "Graphics/SceneNode.h"

#include <TopoDS_Shape.hxx>
#include <VrmlData_Appearance.hxx>
#include <VrmlData_Geometry.hxx>
#include <VrmlData_Group.hxx>
#include <VrmlData_Material.hxx>
#include <VrmlData_Scene.hxx>
#include <VrmlData_ShapeNode.hxx>
#include <VrmlData_UnknownNode.hxx>
#include <VrmlData_WorldInfo.hxx>

#include <fstream>
#include <iterator>
#include <string>
#include <unordered_set>
#include <vector>

namespace orvkit {

namespace {

const char* const kExtension = ".wrl";
const char* const kFilterKey = "wrl";
const char* const kFilterPattern = "*.wrl";
const char* const kUnknownType = "unknow type";
const char* const kScenePrefix = "VRML scene: ";
const char* const kGroupInItself = "a group contains itself (DEF/USE cycle)";
const char* const kTooDeep = "groups nested more than 1000 deep";
const char* const kBadGeometry = "a shape's geometry cannot be built: ";
const char* const kFormat = "VRML";
// Far deeper than any real scene; the walk below recurses once per level.
const int kMaxDepth = 1000;

const char* const kColorTemplate = "color-pbr";
const char* const kTextureTemplate = "texture-pbr";
const char* const kTemplateKind = "standard";
const char* const kMaterialPrefix = "pbr-";

// Display mesh of a B-rep node: a tenth of each edge's length.
const double kDeflection = 0.1;
const bool kRelativeDeflection = true;

const char* VrmlStatusText(VrmlData_ErrorStatus status)
{
    switch (status) {
    case VrmlData_EmptyData:
        return "no data";
    case VrmlData_EndOfFile:
        return "unexpected end of file";
    case VrmlData_NotVrmlFile:
        return "not VRML";
    case VrmlData_CannotOpenFile:
        return "a file it inlines cannot be opened (inlined files are looked up from the current "
               "folder)";
    case VrmlData_VrmlFormatError:
        return "syntax error";
    case VrmlData_NumericInputError:
        return "bad number";
    case VrmlData_IrrelevantNumber:
        return "number out of range";
    case VrmlData_BooleanInputError:
        return "bad boolean";
    case VrmlData_StringInputError:
        return "bad string";
    case VrmlData_NodeNameUnknown:
        return "USE of a name no DEF gave";
    case VrmlData_NonPositiveSize:
        return "size not positive";
    case VrmlData_ReadUnknownNode:
        return "unknown node";
    case VrmlData_NonSupportedFeature:
    case VrmlData_NotImplemented:
        return "unsupported feature";
    case VrmlData_StatusOK:
    case VrmlData_UnrecoverableError:
    case VrmlData_GeneralError:
    case VrmlData_OutputStreamUndefined:
        break;
    }
    // Also what a line longer than the parser's buffer gives.
    return "cannot parse";
}

// The files a VRML text inlines: the first string after "url" in each Inline node. Good enough
// to vet them before OpenCASCADE's parser opens them; a name it misses is one the parser
// would not find either.
std::vector<std::string> InlinedFiles(const std::string& text)
{
    std::vector<std::string> names;
    for (size_t at = text.find("Inline"); at != std::string::npos;
         at = text.find("Inline", at + 6)) {
        const size_t url = text.find("url", at);
        const size_t open = url == std::string::npos ? url : text.find('"', url);
        const size_t close = open == std::string::npos ? open : text.find('"', open + 1);
        if (close == std::string::npos) {
            break;
        }
        names.push_back(text.substr(open + 1, close - open - 1));
    }
    return names;
}

// OpenCASCADE's parser opens every inlined file, as named, relative to the current folder,
// and follows the inlines inside it. A FIFO or device among them would block it for good and
// a file that inlines itself makes it recurse without end, so both are refused before it runs;
// a missing file is left to the parser to report.
LoadFailure CheckInlines(const std::string& fileName, std::unordered_set<std::string>& open,
                         int depth)
{
    std::ifstream file(fileName, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (text.find("Inline") == std::string::npos) {
        return {};
    }
    open.insert(fileName);
    for (const std::string& name : InlinedFiles(text)) {
        if (open.count(name) != 0 || depth >= kMaxDepth) {
            return {LoadFailureParseError, "VRML", "it inlines itself (through '" + name + "')"};
        }
        const LoadFailure failure = LoadFailure::CheckFile(name);
        if (failure.kind == LoadFailureNotAFile) {
            return {LoadFailureParseError, "VRML",
                    "it inlines '" + name + "', which is " + failure.detail};
        }
        if (!failure) {
            if (LoadFailure inner = CheckInlines(name, open, depth + 1)) {
                return inner;
            }
        }
    }
    open.erase(fileName);
    return {};
}

// Records why the load failed and gives the null the load returns.
std::shared_ptr<SceneNode> Fail(const LoadFailure& failure)
{
    LoadFailure::Record(failure);
    return nullptr;
}

// Makes the materials of one load, named "pbr-" and a number counted from 0. The instances
// belong to the MaterialManager and outlive the factory.
class MaterialFactoryVRML {
public:
    MaterialFactoryVRML()
        : myColorTemplate(
              MaterialManager::Instance().CreateTemplateByName(kColorTemplate, kTemplateKind)),
          myTextureTemplate(
              MaterialManager::Instance().CreateTemplateByName(kTextureTemplate, kTemplateKind))
    {
    }

    // A new instance with the material's diffuse colour as its colour and its emissive and
    // specular colours as uniforms, drawn on both face sides.
    MaterialInstance* CreateMaterial(const Handle(VrmlData_Material)& material)
    {
        MaterialInstance* instance = MaterialManager::Instance().Create(
            kMaterialPrefix + std::to_string(myCounter), myColorTemplate);
        instance->SetColor(MathUtil::Vec3(material->DiffuseColor()));
        instance->SetUniform("emissive", MathUtil::Vec3(material->EmissiveColor()));
        instance->SetUniform("specular", MathUtil::Vec3(material->SpecularColor()));
        // VRML meshes are often open, so their faces are seen from both sides.
        instance->SetFaceSide(FaceSideDouble);
        ++myCounter;
        return instance;
    }

private:
    MaterialTemplate* myColorTemplate;
    // Asked for together with the colour template, for materials with a texture; the
    // conversion makes none of those yet.
    MaterialTemplate* myTextureTemplate;
    int myCounter = 0;
};

// Builds the tree of one load. Children are converted depth first, so materials are numbered
// in the file order of the shape nodes.
class SceneBuilderVRML {
public:
    // The tree, or null when the scene cannot be one (a group inside itself, nesting too deep;
    // the reason is logged). Every node made hangs in the tree at once: a fault that ends the
    // load half way leaves nothing owned only by a frame it skipped.
    std::shared_ptr<SceneNode> Build(const VrmlData_Scene& scene)
    {
        myRoot = std::make_shared<GroupSceneNode>();
        for (VrmlData_Scene::Iterator it = scene.GetIterator(); it.More() && !myFailed; it.Next()) {
            AddNode(it.Value(), *myRoot);
        }
        return myFailed ? nullptr : myRoot;
    }

    // Why Build gave null.
    const std::string& GetReason() const { return myReason; }

private:
    void Fail(const char* reason)
    {
        ORVKIT_LOG_ERROR(std::string(kScenePrefix) + reason);
        myReason = reason;
        myFailed = true;
    }

    // Dispatches on the exact type: a subclass of one of these is not taken for it.
    void AddNode(const Handle(VrmlData_Node)& node, GroupSceneNode& parent)
    {
        // A malformed children list leaves OpenCASCADE with empty entries.
        if (node.IsNull()) {
            return;
        }
        const Handle(Standard_Type)& type = node->DynamicType();
        if (type == STANDARD_TYPE(VrmlData_WorldInfo)) {
            return;
        }
        if (type == STANDARD_TYPE(VrmlData_ShapeNode)) {
            parent.AddNode(ConvertShape(Handle(VrmlData_ShapeNode)::DownCast(node)));
            return;
        }
        if (type == STANDARD_TYPE(VrmlData_UnknownNode)) {
            // Kept as an empty group, so that the tree still shows where the file had it.
            parent.AddNode(std::make_shared<GroupSceneNode>());
            return;
        }
        if (type == STANDARD_TYPE(VrmlData_Group)) {
            AddGroup(Handle(VrmlData_Group)::DownCast(node), parent);
            return;
        }
        Logger::Instance().Message(1, kUnknownType);
    }

    void AddGroup(const Handle(VrmlData_Group)& group, GroupSceneNode& parent)
    {
        if (!myPath.insert(group.get()).second) {
            Fail(kGroupInItself);
            return;
        }
        if (static_cast<int>(myPath.size()) > kMaxDepth) {
            Fail(kTooDeep);
            return;
        }
        parent.AddNode(std::make_shared<GroupSceneNode>());
        auto& node = static_cast<GroupSceneNode&>(*parent.GetChildren().back());
        // Plain groups too: theirs is the identity.
        node.SetTransform(glm::dmat4(MathUtil::Matrix4(group->GetTransform())));
        for (VrmlData_Group::Iterator it = group->NodeIterator(); it.More() && !myFailed;
             it.Next()) {
            AddNode(it.Value(), node);
        }
        myPath.erase(group.get());
    }

    std::shared_ptr<SceneNode> ConvertShape(const Handle(VrmlData_ShapeNode)& shapeNode)
    {
        const Handle(VrmlData_Geometry)& geometry = shapeNode->Geometry();
        if (geometry.IsNull()) {
            return nullptr;
        }
        // Primitives build their topology here, on first request.
        const Handle(TopoDS_TShape)& tshape = geometry->TShape();
        if (tshape.IsNull()) {
            return nullptr;
        }
        // The placement stays with the group nodes above: the shape keeps the identity location.
        TopoDS_Shape shape;
        shape.TShape(tshape);
        shape.Orientation(TopAbs_FORWARD);
        auto node = std::make_shared<BrepSceneNode>(TopoShape::Create(shape), nullptr, nullptr,
                                                    kDeflection, kRelativeDeflection);
        // A shape without appearance, or an appearance without material, gets no material:
        // VRML draws such a shape unlit, and the renderer's default look (or the material a
        // caller hands to the host's Load overloads) is closer to that than a made-up one.
        const Handle(VrmlData_Appearance)& appearance = shapeNode->Appearance();
        if (appearance.IsNull() || appearance->Material().IsNull()) {
            return node;
        }
        // One instance per shape node, also for a material the file shares through DEF/USE.
        MaterialInstance* material = myMaterials.CreateMaterial(appearance->Material());
        node->SetFaceMaterial(material);
        node->SetEdgeMaterial(material);
        return node;
    }

    MaterialFactoryVRML myMaterials;
    std::shared_ptr<GroupSceneNode> myRoot;
    // The groups from the root down to the one being converted: a group met again on its own
    // path would be converted forever.
    std::unordered_set<const VrmlData_Node*> myPath;
    bool myFailed = false;
    std::string myReason;
};

} // namespace

ReaderVRML::ReaderVRML() = default;

ReaderVRML::~ReaderVRML() = default;

std::shared_ptr<SceneNode> ReaderVRML::Load(const std::string& fileName)
{
    // Only a regular file: a FIFO or a device would block the read for good.
    if (LoadFailure failure = LoadFailure::CheckFile(fileName)) {
        failure.format = kFormat;
        return Fail(failure);
    }
    std::unordered_set<std::string> inlining;
    if (const LoadFailure failure = CheckInlines(fileName, inlining, 0)) {
        return Fail(failure);
    }
    OcctFaultScope faults;
    // Outside the guarded block, so that they are destroyed normally after a fault.
    SceneBuilderVRML builder;
    VrmlData_Scene scene{Handle(NCollection_IncAllocator)()};
    // OpenCASCADE builds a shape's topology from the file's indices without checking them: an
    // index past the points throws, a huge one faults. Either ends this load, not the process.
    bool parsed = false;
    std::shared_ptr<SceneNode> root;
    const std::optional<CaughtFailure> caught = CaughtFailure::Guard(
        [&] {
            {
                // Closed before the geometry is built: a fault there jumps past this frame's
                // destructors, which would leak the stream's buffer.
                std::ifstream file(fileName);
                if (!file.is_open()) {
                    root = Fail({LoadFailureNotReadable, kFormat, {}});
                    return;
                }
                scene << file;
                parsed = true;
            }
            if (scene.Status() != VrmlData_StatusOK) {
                root = Fail({LoadFailureParseError, kFormat, VrmlStatusText(scene.Status()),
                             scene.GetLineError()});
                return;
            }
            root = builder.Build(scene);
            if (!root) {
                root = Fail({LoadFailureParseError, kFormat, builder.GetReason()});
            }
        },
        CaughtFailure::OcctOnly);
    if (!caught) {
        return root;
    }
    // A fault's own text holds an address, which tells a user nothing.
    const std::string reason =
        !parsed ? "the VRML parser crashed (" + caught->type + ")"
                : kBadGeometry + caught->type + (caught->fault ? "" : " " + caught->message);
    ORVKIT_LOG_ERROR(kScenePrefix + reason);
    return Fail({LoadFailureTranslatorFault, kFormat, reason});
}

void ReaderVRML::GetFilters(std::unordered_map<std::string, std::string>& filters)
{
    filters[kFilterKey] = kFilterPattern;
}

bool ReaderVRML::IsSupported(std::string extension)
{
    return extension == kExtension;
}

} // namespace orvkit
