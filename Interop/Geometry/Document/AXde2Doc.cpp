#include "Xde2Doc.h"

#include "Geometry/IO/LabelProperties.h"

#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/Path.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"
#include "Data/Kernel/Document.h"
#include "Data/Kernel/DrawableElement.h"
#include "Geometry/Document/ADimensionBuilder.h"
#include "Geometry/Document/AElementBuilder.h"
#include "Geometry/Document/APmiBuilder.h"
#include "Geometry/Document/AXdeLabelExplorer.h"
#include "Geometry/IO/ModelFormat.h"
#include "Interop/Kernel/IgesModelReader.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/StepModelReader.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeSubShapeColors.h"
#include "InteropKeys.h"

#include <NCollection_DataMap.hxx>
#include <TDF_LabelSequence.hxx>
#include <TopTools_ShapeMapHasher.hxx>

#include <deque>
#include <set>

namespace orvkit {

namespace {

using PartElements = ADimensionBuilder::PartElements;

// Writes the label tree of a kernel document into a framework document: one element per
// simple shape, an assembly (or the root group) per assembly label, and per reference an
// instance of a prototype made once per referred shape; then the dimensions, datums and
// geometric tolerances. Built, run once
// and destroyed by Xde2Doc::Transfer.
class ADocumentWriter {
public:
    ADocumentWriter(XdeDocumentImpl* xdeDocument, Document* document, bool useColor,
                    bool createAssembly)
        : myXdeDocument(xdeDocument), myDocument(document),
          myBuilder(document, useColor, createAssembly)
    {
    }

    void WriteDocument();

private:
    // A label whose element waits for what the walk finds below it: an assembly for its
    // children, a reference for its prototype (or, when the referred label has no shape, for
    // what that label gives in its place). Its indent keeps the log lines at the walk's depth.
    struct OpenLabel {
        OpenLabel(const AXdeLabelExplorer::Node& label, bool root)
            : node(label), isRoot(root), indent("ADocumentWriter::OpenLabel")
        {
        }
        AXdeLabelExplorer::Node node;
        // The sole free assembly: its container is not handed on and its children are shown.
        bool isRoot;
        std::set<ObjectId> children;
        Element* below = nullptr;
        LogAutoIndent indent;
    };

    // The labels above the walk's current one that wait for it, and what the walk gave.
    struct Walk {
        void HandUp(Element* element);
        std::deque<OpenLabel> open;
        Element* result = nullptr;
    };

    // Every free shape, in list order; returns the element made for each part label.
    PartElements WriteShapes();
    void WriteDimensions(const PartElements& parts);
    void WriteTolerancesAndDatums(const PartElements& parts);
    Element* WriteFreeShape(const TDF_Label& label, bool soleFreeShape, PartElements& parts);
    // Handles the walk's current label; false when the walk is not to go below it.
    bool Visit(const AXdeLabelExplorer::Node& node, bool soleFreeShape, Walk& walk,
               PartElements& parts);
    bool VisitReference(const AXdeLabelExplorer::Node& node, Walk& walk);
    Element* WritePart(const AXdeLabelExplorer::Node& node, PartElements& parts);
    // Makes the elements of the open labels at `depth` and below, deepest first.
    void CloseDownTo(Walk& walk, int depth);
    Element* CloseAssembly(const OpenLabel& assembly);
    Element* CloseReference(const OpenLabel& reference);
    static Element* WithFacts(Element* element, const TDF_Label& label);
    // Keeps what the referred label gave as the shape's prototype; InvalidId when it gave
    // nothing, and then the next reference to the shape tries again.
    ObjectId KeepPrototype(const TopoDS_Shape& shape, Element* made);

    XdeDocumentImpl* myXdeDocument;
    Document* myDocument;
    AElementBuilder myBuilder;
    // Referred shape (same TShape and location, any orientation) -> its prototype element.
    NCollection_DataMap<TopoDS_Shape, ObjectId, TopTools_ShapeMapHasher> myPrototypes;
};

void ADocumentWriter::WriteDocument()
{
    const PartElements parts = WriteShapes();
    WriteDimensions(parts);
    WriteTolerancesAndDatums(parts);
}

PartElements ADocumentWriter::WriteShapes()
{
    const NCollection_Sequence<TDF_Label>& freeShapes = myXdeDocument->freeShapes;
    Logger::Instance().Message(1, "FreeShape Count: %d", freeShapes.Length());
    const bool soleFreeShape = freeShapes.Length() == 1;
    PartElements parts;
    for (const TDF_Label& label : freeShapes) {
        Element* made = WriteFreeShape(label, soleFreeShape, parts);
        if (auto* element = dynamic_cast<EntityElement*>(made)) {
            element->SetBrowserable(true);
        }
    }
    return parts;
}

void ADocumentWriter::WriteDimensions(const PartElements& parts)
{
    if (myXdeDocument->dimTolTool.IsNull()) {
        return;
    }
    ADimensionBuilder builder(myDocument, myXdeDocument->dimTolTool, parts);
    TDF_LabelSequence dimensions;
    myXdeDocument->dimTolTool->GetDimensionLabels(dimensions);
    for (const TDF_Label& label : dimensions) {
        if (DrawableElement* annotation = builder.CreateDimension(label)) {
            annotation->SetBrowserable(true);
        }
    }
}

// Datums come first so that the tolerances that refer to them follow; a datum the list and a
// tolerance both name is one element.
void ADocumentWriter::WriteTolerancesAndDatums(const PartElements& parts)
{
    const Handle(XCAFDoc_DimTolTool)& tool = myXdeDocument->dimTolTool;
    if (tool.IsNull()) {
        return;
    }
    APmiBuilder builder(myDocument, tool, parts);
    TDF_LabelSequence datums;
    tool->GetDatumLabels(datums);
    for (const TDF_Label& label : datums) {
        if (DrawableElement* datum = builder.CreateDatum(label)) {
            datum->SetBrowserable(true);
        }
    }
    TDF_LabelSequence tolerances;
    tool->GetGeomToleranceLabels(tolerances);
    for (const TDF_Label& label : tolerances) {
        if (DrawableElement* tolerance = builder.CreateTolerance(label)) {
            tolerance->SetBrowserable(true);
        }
    }
}

Element* ADocumentWriter::WriteFreeShape(const TDF_Label& label, bool soleFreeShape,
                                         PartElements& parts)
{
    Walk walk;
    AXdeLabelExplorer explorer(myXdeDocument->colorTool, label);
    while (explorer.More()) {
        const AXdeLabelExplorer::Node& node = explorer.Current();
        // The walk has left the subtrees of the open labels at this depth and below.
        CloseDownTo(walk, node.depth);
        explorer.Next(Visit(node, soleFreeShape, walk, parts));
    }
    CloseDownTo(walk, 0);
    return walk.result;
}

bool ADocumentWriter::Visit(const AXdeLabelExplorer::Node& node, bool soleFreeShape, Walk& walk,
                            PartElements& parts)
{
    switch (node.kind) {
    case EnumXdeLabelKind::Assembly:
        walk.open.emplace_back(node, soleFreeShape && node.depth == 0);
        return true;
    case EnumXdeLabelKind::Reference:
        return VisitReference(node, walk);
    case EnumXdeLabelKind::Part: {
        LogAutoIndent indent("ADocumentWriter::WritePart");
        walk.HandUp(WritePart(node, parts));
        return true;
    }
    case EnumXdeLabelKind::Other:
        break;
    }
    return true;
}

bool ADocumentWriter::VisitReference(const AXdeLabelExplorer::Node& node, Walk& walk)
{
    if (node.referred.IsNull()) {
        return false;
    }
    ObjectId prototypeId;
    if (!node.shape.IsNull() && myPrototypes.Find(node.shape, prototypeId)) {
        LogAutoIndent indent("ADocumentWriter::VisitReference");
        walk.HandUp(myBuilder.CreateInstance(myBuilder.GetLabelName(node.label), prototypeId,
                                             node.location, node.inPrototype));
        return false;
    }
    walk.open.emplace_back(node, false);
    if (node.shape.IsNull()) {
        Logger::Instance().Message(1, "Why here??????");
    }
    return true;
}

Element* ADocumentWriter::WritePart(const AXdeLabelExplorer::Node& node, PartElements& parts)
{
    if (node.shape.IsNull()) {
        return nullptr;
    }
    // The label's sub-shape colours: its compound members and its faces find their own
    // colours here rather than by a search of the whole document.
    const XdeSubShapeColors partColors(myXdeDocument->colorTool, node.label);
    Element* element = myBuilder.CreateShape(myBuilder.GetLabelName(node.label), node.shape,
                                             node.color, node.inPrototype, partColors);
    if (element != nullptr) {
        parts[node.label] = element->GetId();
    }
    return WithFacts(element, node.label);
}

void ADocumentWriter::CloseDownTo(Walk& walk, int depth)
{
    while (!walk.open.empty() && walk.open.back().node.depth >= depth) {
        const OpenLabel& open = walk.open.back();
        Element* made = open.node.kind == EnumXdeLabelKind::Assembly ? CloseAssembly(open)
                                                                     : CloseReference(open);
        walk.open.pop_back();
        walk.HandUp(made);
    }
}

Element* ADocumentWriter::CloseAssembly(const OpenLabel& assembly)
{
    if (assembly.children.empty()) {
        return nullptr;
    }
    const std::string name = myBuilder.GetLabelName(assembly.node.label);
    if (assembly.isRoot) {
        myBuilder.CreateRoot(name, assembly.children);
        return nullptr;
    }
    return WithFacts(myBuilder.CreateAssembly(name, assembly.children, assembly.node.inPrototype),
                     assembly.node.label);
}

Element* ADocumentWriter::CloseReference(const OpenLabel& reference)
{
    const AXdeLabelExplorer::Node& node = reference.node;
    if (node.shape.IsNull()) {
        // The referred label stood in the reference's place: no instance, no placement.
        return reference.below;
    }
    const ObjectId prototypeId = KeepPrototype(node.shape, reference.below);
    return WithFacts(myBuilder.CreateInstance(myBuilder.GetLabelName(node.label), prototypeId,
                                              node.location, node.inPrototype),
                     node.label);
}

// The element, given what the file says about its label besides its shape.
Element* ADocumentWriter::WithFacts(Element* element, const TDF_Label& label)
{
    auto* entity = dynamic_cast<EntityElement*>(element);
    if (entity != nullptr) {
        if (const nlohmann::json facts = LabelFactsJson(label); !facts.is_null()) {
            entity->SetFacts(facts.dump());
        }
    }
    return element;
}

ObjectId ADocumentWriter::KeepPrototype(const TopoDS_Shape& shape, Element* made)
{
    auto* prototype = dynamic_cast<EntityElement*>(made);
    if (prototype == nullptr) {
        ORVKIT_LOG_ERROR("Failed to create Type!");
        return ObjectId::InvalidId;
    }
    prototype->SetManaged(true);
    prototype->SetBrowserable(false);
    myPrototypes.Bind(shape, prototype->GetId());
    return prototype->GetId();
}

void ADocumentWriter::Walk::HandUp(Element* element)
{
    if (open.empty()) {
        result = element;
        return;
    }
    OpenLabel& parent = open.back();
    if (parent.node.kind == EnumXdeLabelKind::Reference) {
        parent.below = element;
        return;
    }
    if (element == nullptr) {
        return;
    }
    if (parent.isRoot) {
        if (auto* entity = dynamic_cast<EntityElement*>(element)) {
            entity->SetBrowserable(true);
        }
    }
    parent.children.insert(element->GetId());
}

// The kernel reader for the extension: ".stp"/".step" or ".igs"/".iges", compared exactly or,
// with `exactCase` false, in any case. Any other extension is not read and not reported.
bool OpenByExtension(const std::string& extension, const std::string& kernelPath,
                     XdeDocumentImpl& xdeDocument, ParameterDict* settings, bool exactCase)
{
    // A read that fails before it starts leaves the last one's warnings behind otherwise.
    xdeDocument.readWarnings.clear();
    const ModelFormat* format =
        ModelFormat::ForExactExtension(exactCase ? extension : StringUtil::ToLower(extension));
    if (format != nullptr && format->id == ModelFormat::STEP) {
        return StepModelReader().Open(kernelPath, xdeDocument, settings);
    }
    if (format != nullptr && format->id == ModelFormat::IGES) {
        return IgesModelReader().Open(kernelPath, xdeDocument, settings);
    }
    return RefuseExtension(xdeDocument, extension, exactCase);
}

} // namespace

Xde2Doc::Xde2Doc() : mySettings(nullptr), myCreateAssembly(false), myXdeDocument(nullptr)
{
    // Both made before either is handed to a member, so that a kernel document that throws
    // while it is made leaves nothing behind.
    auto settings = std::make_unique<ParameterDict>();
    auto kernel = std::make_unique<XdeDocumentImpl>();
    settings->Add(InteropKeys::UseColor, ParameterCreator::Create(true));
    mySettings = settings.release();
    myXdeDocument = kernel.release();
}

Xde2Doc::~Xde2Doc()
{
    delete myXdeDocument;
    myDocument.reset();
    delete mySettings;
}

ParameterDict* Xde2Doc::GetSettings() const
{
    return mySettings;
}

bool Xde2Doc::GetUseColor() const
{
    return ParameterCast::Cast(mySettings->Find(InteropKeys::UseColor), false);
}

void Xde2Doc::SetUseColor(bool value)
{
    mySettings->Add(InteropKeys::UseColor, ParameterCreator::Create(value));
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
const bool Xde2Doc::GetCreateAssembly() const
{
    return myCreateAssembly;
}
#pragma GCC diagnostic pop

void Xde2Doc::SetCreateAssembly(bool value)
{
    myCreateAssembly = value;
}

bool Xde2Doc::Load(const std::string& fileName)
{
    // The extension is taken from the name as given; the kernel gets the UTF-8 form.
    return OpenByExtension(PathUtil::Extension(fileName), StringUtil::ToUTF8(fileName),
                           *myXdeDocument, mySettings, true);
}

bool Xde2Doc::LoadIgnoringCase(const std::string& fileName)
{
    return OpenByExtension(PathUtil::Extension(fileName), StringUtil::ToUTF8(fileName),
                           *myXdeDocument, mySettings, false);
}

bool Xde2Doc::Load(const Path& path)
{
    return OpenByExtension(PathUtil::Extension(path.GetString()), path.GetString(), *myXdeDocument,
                           mySettings, true);
}

bool Xde2Doc::Transfer()
{
    myDocument = std::make_shared<Document>();
    myDocument->EnableTransaction(false);
    myDocument->Initialize("3D");
    return Transfer(myDocument.get());
}

bool Xde2Doc::Transfer(Document* document)
{
    ADocumentWriter writer(myXdeDocument, document, GetUseColor(), myCreateAssembly);
    writer.WriteDocument();
    return true;
}

const LoadFailure& Xde2Doc::GetLastFailure() const
{
    return myXdeDocument->failure;
}

const std::vector<std::string>& Xde2Doc::GetReadWarnings() const
{
    return myXdeDocument->readWarnings;
}

const std::shared_ptr<Document>& Xde2Doc::GetDocument() const
{
    return myDocument;
}

} // namespace orvkit
