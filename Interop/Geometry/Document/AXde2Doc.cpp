#include "Xde2Doc.h"

#include "Annotation/AngularAnnotationModel.h"
#include "Annotation/AnnotationModel.h"
#include "Annotation/DiameterAnnotationModel.h"
#include "Annotation/LinearAnnotationModel.h"
#include "Annotation/RadiusAnnotationModel.h"
#include "Annotation/SizeAnnotationModel.h"
#include "Common/Core/LoadFailure.h"
#include "Common/Core/Logger.h"
#include "Common/Core/ParameterDict.h"
#include "Common/Core/Path.h"
#include "Common/Core/PathUtil.h"
#include "Common/Core/StringUtil.h"
#include "Data/Kernel/AssemblyElement.h"
#include "Data/Kernel/CategoryNames.h"
#include "Data/Kernel/CompositeElement.h"
#include "Data/Kernel/Document.h"
#include "Data/Kernel/GroupElement.h"
#include "Data/Kernel/InstanceElement.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Data/Kernel/ShapeElement.h"
#include "Geometry/IO/ModelFormat.h"
#include "Interop/Kernel/KernelSupport.h"
#include "Interop/Kernel/XdeDocumentIGES.h"
#include "Interop/Kernel/XdeDocumentImpl.h"
#include "Interop/Kernel/XdeDocumentSTEP.h"
#include "Interop/Kernel/XdeSubShapeColors.h"

#include <NCollection_IndexedMap.hxx>
#include <Quantity_Color.hxx>
#include <TDF_ChildIterator.hxx>
#include <TDF_LabelMapHasher.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp.hxx>
#include <TopLoc_Location.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS_Iterator.hxx>
#include <XCAFDimTolObjects_DimensionObject.hxx>
#include <XCAFDoc_Dimension.hxx>
#include <XCAFDoc_Location.hxx>

#include <climits>
#include <set>
#include <unordered_map>

namespace orvkit {

namespace {

const char* const kSchemaName = "ImportSchema";
const char* const kUseColorKey = "UseColor";

struct LabelHash {
    size_t operator()(const TDF_Label& label) const
    {
        return static_cast<size_t>(TDF_LabelMapHasher::HashCode(label, INT_MAX));
    }
};

glm::vec3 ToVec3(const Quantity_Color& color)
{
    const NCollection_Vec3<float> rgb = color.Rgb();
    return {rgb.r(), rgb.g(), rgb.b()};
}

// Writes the label tree of a kernel document into a framework document: one element per
// simple shape, an assembly (or the root group) per assembly label, and per reference an
// instance of a prototype made once per referred shape. Built, run once and destroyed by
// Xde2Doc::Transfer.
class ADocumentWriter {
public:
    ADocumentWriter(XdeDocumentImpl* xdeDocument, Document* document, bool useColor,
                    bool createAssembly)
        : myXdeDocument(xdeDocument), myCreateAssembly(createAssembly), myDocument(document),
          myUseColor(useColor)
    {
    }

    void WriteDocument();

private:
    Element* RecursiveParseShape(const TDF_Label& label, Quantity_Color& color, int level,
                                 bool inPrototype);
    Element* CreateShape(const std::string& name, const TopoDS_Shape& shape,
                         const Quantity_Color& color, bool inPrototype,
                         const XdeSubShapeColors& partColors);
    ObjectId GetOrCreatePrototype(const TopoDS_Shape& shape, const TDF_Label& referred,
                                  Quantity_Color& color, int level);
    std::string GetLabelName(const TDF_Label& label) const;
    static std::string GetShapeTypeName(const TopoDS_Shape& shape);
    void ApplyFaceColors(ShapeElement* element, const TopoDS_Shape& shape,
                         const Quantity_Color& base, const XdeSubShapeColors& partColors);
    DrawableElement* CreateDimension(const TDF_Label& label);
    ObjectId CreateReferenceTarget(const TDF_Label& label);

    Element* ParseAssembly(const TDF_Label& label, Quantity_Color& color, int level,
                           bool inPrototype);
    Element* ParseReference(const TDF_Label& label, Quantity_Color& color, int level,
                            bool inPrototype);
    Element* SplitCompound(const std::string& name, const TopoDS_Shape& shape,
                           const Quantity_Color& color, bool inPrototype,
                           const XdeSubShapeColors& partColors);
    // Surface colour of the shape, else its generic colour; `color` is left alone when it has
    // neither.
    bool FindShapeColor(const TopoDS_Shape& shape, Quantity_Color& color) const;

    XdeDocumentImpl* myXdeDocument;
    bool myCreateAssembly;
    Document* myDocument;
    bool myUseColor;
    NCollection_IndexedMap<TopoDS_Shape, TopTools_ShapeMapHasher> myPrototypeShapes;
    std::unordered_map<int, ObjectId> myPrototypeIds;
    std::unordered_map<TDF_Label, ObjectId, LabelHash> myLabelElements;
};

void ADocumentWriter::WriteDocument()
{
    const NCollection_Sequence<TDF_Label>& freeShapes = myXdeDocument->freeShapes;
    Logger::Instance().Message(1, "FreeShape Count: %d", freeShapes.Length());
    // Only a sole free shape is walked with a negative level: it becomes the root container.
    const int level = freeShapes.Length() == 1 ? -1 : 0;
    for (const TDF_Label& label : freeShapes) {
        Quantity_Color color(NCollection_Vec3<float>(1, 1, 1));
        if (auto* element =
                dynamic_cast<EntityElement*>(RecursiveParseShape(label, color, level, false))) {
            element->SetBrowserable(true);
        }
    }
    // After all shapes, so that every target's part already has its element.
    if (myXdeDocument->dimTolTool.IsNull()) {
        return;
    }
    TDF_LabelSequence dimensions;
    myXdeDocument->dimTolTool->GetDimensionLabels(dimensions);
    for (const TDF_Label& label : dimensions) {
        if (DrawableElement* annotation = CreateDimension(label)) {
            annotation->SetBrowserable(true);
        }
    }
}

Element* ADocumentWriter::RecursiveParseShape(const TDF_Label& label, Quantity_Color& color,
                                              int level, bool inPrototype)
{
    LogAutoIndent indent("ADocumentWriter::RecursiveParseShape");
    if (XCAFDoc_ShapeTool::IsSimpleShape(label)) {
        TopoDS_Shape shape;
        if (!XCAFDoc_ShapeTool::GetShape(label, shape)) {
            return nullptr;
        }
        const std::string name = GetLabelName(label);
        FindShapeColor(shape, color);
        // The label's sub-shape colours: its compound members and its faces find their own
        // colours here rather than by a search of the whole document.
        const XdeSubShapeColors partColors(myXdeDocument->colorTool, label);
        Element* element = CreateShape(name, shape, color, inPrototype, partColors);
        if (element != nullptr) {
            myLabelElements[label] = element->GetId();
        }
        return element;
    }
    if (XCAFDoc_ShapeTool::IsAssembly(label)) {
        return ParseAssembly(label, color, level, inPrototype);
    }
    if (XCAFDoc_ShapeTool::IsReference(label)) {
        return ParseReference(label, color, level, inPrototype);
    }
    return nullptr;
}

Element* ADocumentWriter::ParseAssembly(const TDF_Label& label, Quantity_Color& color, int level,
                                        bool inPrototype)
{
    const std::string name = GetLabelName(label);
    std::set<ObjectId> children;
    // One copy for all children: a colour found by one child stays for the ones after it,
    // but never flows back up past this assembly.
    Quantity_Color localColor = color;
    for (TDF_ChildIterator it(label, false); it.More(); it.Next()) {
        Element* child = RecursiveParseShape(it.Value(), localColor, level + 1, inPrototype);
        if (child == nullptr) {
            continue;
        }
        if (level < 0) {
            if (auto* entity = dynamic_cast<EntityElement*>(child)) {
                entity->SetBrowserable(true);
            }
        }
        children.insert(child->GetId());
    }
    if (children.empty()) {
        return nullptr;
    }
    if (level >= 0) {
        AssemblyElement* assembly = AssemblyElement::Create(myDocument);
        assembly->SetCategory(CategoryNames::Shape());
        assembly->SetName(name);
        assembly->SetChildren(children);
        assembly->SetBrowserable(!inPrototype);
        assembly->SetSchemaName(kSchemaName);
        return assembly;
    }
    // The sole free assembly: a root container the caller does not mark browserable.
    CompositeElement* root =
        myCreateAssembly ? static_cast<CompositeElement*>(AssemblyElement::Create(myDocument))
                         : static_cast<CompositeElement*>(GroupElement::Create(myDocument));
    root->SetCategory(CategoryNames::Shape());
    root->SetName(name);
    root->SetSchemaName(kSchemaName);
    root->SetChildren(children);
    return nullptr;
}

Element* ADocumentWriter::ParseReference(const TDF_Label& label, Quantity_Color& color, int level,
                                         bool inPrototype)
{
    TDF_Label referred;
    if (!XCAFDoc_ShapeTool::GetReferredShape(label, referred)) {
        return nullptr;
    }
    const std::string name = GetLabelName(label);
    // The reference's own placement in its assembly; enclosing placements stay with the
    // enclosing instances.
    TopLoc_Location location;
    Handle(XCAFDoc_Location) locationAttribute;
    if (label.FindAttribute(XCAFDoc_Location::GetID(), locationAttribute)) {
        location = locationAttribute->Get();
    }
    TopoDS_Shape shape;
    if (!XCAFDoc_ShapeTool::GetShape(referred, shape)) {
        Logger::Instance().Message(1, "Why here??????");
        return RecursiveParseShape(referred, color, level + 1, inPrototype);
    }
    const ObjectId prototypeId = GetOrCreatePrototype(shape, referred, color, level);
    const auto* prototype = myDocument->FindElementAs<DrawableElement>(prototypeId);
    if (prototype != nullptr) {
        DrawableElement* instance =
            prototype->CreateInstance(myDocument, std::string(), ObjectId::InvalidId);
        instance->SetCategory(CategoryNames::Shape());
        instance->SetPrototypeId(prototypeId);
        instance->SetName(prototype->GetName());
        instance->SetAliasName(StringUtil::Replace(name, "NAUO", ""));
        instance->SetBrowserable(!inPrototype);
        instance->SetTransform(location.Transformation());
        instance->SetSchemaName(kSchemaName);
        return instance;
    }
    InstanceElement* instance = InstanceElement::Create(myDocument);
    instance->SetCategory(CategoryNames::Shape());
    instance->SetPrototypeId(prototypeId);
    instance->SetName(name);
    instance->SetBrowserable(!inPrototype);
    instance->SetTransform(location.Transformation());
    instance->SetSchemaName(kSchemaName);
    return instance;
}

ObjectId ADocumentWriter::GetOrCreatePrototype(const TopoDS_Shape& shape, const TDF_Label& referred,
                                               Quantity_Color& color, int level)
{
    if (!myPrototypeShapes.IsEmpty()) {
        const int index = myPrototypeShapes.FindIndex(shape);
        if (index > 0) {
            return myPrototypeIds.at(index);
        }
    }
    auto* prototype =
        dynamic_cast<EntityElement*>(RecursiveParseShape(referred, color, level + 1, true));
    if (prototype == nullptr) {
        ORVKIT_LOG_ERROR("Failed to create Type!");
        return ObjectId::InvalidId;
    }
    prototype->SetManaged(true);
    prototype->SetBrowserable(false);
    const int index = myPrototypeShapes.Add(shape);
    myPrototypeIds[index] = prototype->GetId();
    return prototype->GetId();
}

Element* ADocumentWriter::CreateShape(const std::string& name, const TopoDS_Shape& shape,
                                      const Quantity_Color& color, bool inPrototype,
                                      const XdeSubShapeColors& partColors)
{
    LogAutoIndent indent("ADocumentWriter::CreateShape");
    const TopAbs_ShapeEnum type = shape.ShapeType();
    if (type == TopAbs_VERTEX) {
        return nullptr;
    }
    Quantity_Color elementColor = color;
    if (type == TopAbs_COMPOUND || type == TopAbs_COMPSOLID) {
        if (myCreateAssembly) {
            return SplitCompound(name, shape, color, inPrototype, partColors);
        }
        // An unsplit compound shows the colour of its first coloured member.
        for (TopoDS_Iterator it(shape, true, true); it.More(); it.Next()) {
            if (partColors.Find(it.Value(), elementColor)) {
                break;
            }
        }
    }
    ShapeElement* element = ShapeElement::Create(myDocument);
    element->SetCategory(CategoryNames::Shape());
    element->SetName(name);
    element->SetShape(TopoShape::Create(shape));
    element->SetOptimized(true);
    element->SetColor(ToVec3(elementColor));
    element->SetBrowserable(!inPrototype);
    element->SetSchemaName(kSchemaName);
    ApplyFaceColors(element, shape, color, partColors);
    return element;
}

Element* ADocumentWriter::SplitCompound(const std::string& name, const TopoDS_Shape& shape,
                                        const Quantity_Color& color, bool inPrototype,
                                        const XdeSubShapeColors& partColors)
{
    std::set<ObjectId> children;
    // Every sub-shape is counted, also those that give no element, so names can have gaps.
    int counter = 0;
    for (TopoDS_Iterator it(shape, true, true); it.More(); it.Next()) {
        const TopoDS_Shape& sub = it.Value();
        Quantity_Color subColor = color;
        partColors.Find(sub, subColor);
        ++counter;
        const std::string subName = GetShapeTypeName(sub) + ":" + std::to_string(counter);
        if (Element* child = CreateShape(subName, sub, subColor, inPrototype, partColors)) {
            children.insert(child->GetId());
        }
    }
    if (children.empty()) {
        return nullptr;
    }
    if (children.size() == 1) {
        return myDocument->FindElementAs<DrawableElement>(*children.begin());
    }
    AssemblyElement* assembly = AssemblyElement::Create(myDocument);
    assembly->SetCategory(CategoryNames::Shape());
    assembly->SetName(name);
    assembly->SetChildren(children);
    assembly->SetBrowserable(!inPrototype);
    assembly->SetSchemaName(kSchemaName);
    return assembly;
}

bool ADocumentWriter::FindShapeColor(const TopoDS_Shape& shape, Quantity_Color& color) const
{
    const Handle(XCAFDoc_ColorTool)& tool = myXdeDocument->colorTool;
    return tool->GetColor(shape, XCAFDoc_ColorSurf, color) ||
           tool->GetColor(shape, XCAFDoc_ColorGen, color);
}

void ADocumentWriter::ApplyFaceColors(ShapeElement* element, const TopoDS_Shape& shape,
                                      const Quantity_Color& base,
                                      const XdeSubShapeColors& partColors)
{
    if (!myUseColor) {
        return;
    }
    FaceColorTable table;
    if (!partColors.IsEmpty()) {
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(shape, TopAbs_FACE, faces);
        for (int i = 1; i <= faces.Extent(); ++i) {
            Quantity_Color color = base;
            if (partColors.Find(faces.FindKey(i), color) && color.IsDifferent(base)) {
                table[static_cast<unsigned int>(i - 1)] = ToVec3(color);
            }
        }
    }
    element->SetFaceColors(table);
}

ObjectId ADocumentWriter::CreateReferenceTarget(const TDF_Label& label)
{
    if (label.IsNull()) {
        return ObjectId::InvalidId;
    }
    const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
    const TDF_Label father = label.Father();
    if (shape.IsNull() || father.IsNull()) {
        return ObjectId::InvalidId;
    }
    // Only a sub-shape label of a written part can be named inside that part's element.
    auto owner = myLabelElements.find(father);
    if (owner == myLabelElements.end()) {
        return ObjectId::InvalidId;
    }
    const auto* element = myDocument->FindElementAs<ShapeElement>(owner->second);
    if (element == nullptr || !element->GetShape()) {
        return ObjectId::InvalidId;
    }
    const int index = element->GetShape()->FindChildIndex(TopoShape::Create(shape));
    if (index < 0) {
        return ObjectId::InvalidId;
    }
    PickedId picked(owner->second);
    picked.SetShapeType(static_cast<EnumTopoShapeType>(shape.ShapeType()));
    picked.SetTopoShapeId(index);
    return ReferenceShape::Create(myDocument, picked)->GetId();
}

DrawableElement* ADocumentWriter::CreateDimension(const TDF_Label& label)
{
    Handle(XCAFDoc_Dimension) dimension;
    if (!label.FindAttribute(XCAFDoc_Dimension::GetID(), dimension)) {
        return nullptr;
    }
    const Handle(XCAFDimTolObjects_DimensionObject) object = dimension->GetObject();
    if (object.IsNull()) {
        return nullptr;
    }
    TDF_LabelSequence first;
    TDF_LabelSequence second;
    myXdeDocument->dimTolTool->GetRefShapeLabel(label, first, second);
    TDF_Label target1;
    TDF_Label target2;
    if (!first.IsEmpty()) {
        target1 = first.First();
    }
    if (!second.IsEmpty()) {
        target2 = second.First();
    } else if (first.Length() > 1) {
        target2 = first.Value(2);
    }
    // Targets come first: their reference elements exist even when the type makes no
    // annotation.
    const ObjectId id1 = CreateReferenceTarget(target1);
    const ObjectId id2 = CreateReferenceTarget(target2);

    const gp_Pnt textPoint = object->GetPointTextAttach();
    const gp_Ax2 coordinate(textPoint, object->GetPlane().Direction());
    std::unique_ptr<AnnotationModel> model;
    ObjectId modelId;
    switch (object->GetType()) {
    case XCAFDimTolObjects_DimensionType_Location_LinearDistance:
    case XCAFDimTolObjects_DimensionType_Size_CurveLength: {
        auto linear = std::make_unique<LinearAnnotationModel>();
        modelId = linear->Create(myDocument);
        linear->SetCoordinate(coordinate);
        linear->SetValue(object->GetValue());
        linear->SetLocation(textPoint);
        linear->SetOnPlane(false);
        linear->SetBillboard(false);
        model = std::move(linear);
        break;
    }
    case XCAFDimTolObjects_DimensionType_Location_Angular:
    case XCAFDimTolObjects_DimensionType_Size_Angular: {
        auto angular = std::make_unique<AngularAnnotationModel>();
        modelId = angular->Create(myDocument);
        angular->SetCoordinate(coordinate);
        angular->SetTextPosition(textPoint);
        angular->SetEnableTextPosition(true);
        model = std::move(angular);
        break;
    }
    case XCAFDimTolObjects_DimensionType_Size_Diameter:
    case XCAFDimTolObjects_DimensionType_Size_Radius: {
        std::unique_ptr<SizeAnnotationModel> size;
        if (object->GetType() == XCAFDimTolObjects_DimensionType_Size_Diameter) {
            size = std::make_unique<DiameterAnnotationModel>();
        } else {
            size = std::make_unique<RadiusAnnotationModel>();
        }
        modelId = size->Create(myDocument);
        size->SetCoordinate(coordinate);
        size->SetPosition(textPoint);
        size->SetValue(object->GetValue());
        model = std::move(size);
        break;
    }
    default:
        return nullptr;
    }
    if (id1.IsValid()) {
        model->SetTarget1(id1);
    }
    if (id2.IsValid()) {
        model->SetTarget2(id2);
    }
    if (object->IsDimWithRange()) {
        const double upper = object->GetUpperBound();
        const double lower = object->GetLowerBound();
        const double value = object->GetValue();
        model->SetToleranceType(ToleranceRange);
        model->SetUpperTolerance(upper - value);
        model->SetLowerTolerance(lower - value);
    } else if (object->IsDimWithPlusMinusTolerance()) {
        model->SetToleranceType(TolerancePlusMinus);
        model->SetUpperTolerance(object->GetUpperTolValue());
        model->SetLowerTolerance(object->GetLowerTolValue());
    } else {
        model->SetToleranceType(ToleranceNone);
    }
    return myDocument->FindElementAs<DrawableElement>(modelId);
}

std::string ADocumentWriter::GetLabelName(const TDF_Label& label) const
{
    Handle(TDataStd_Name) attribute;
    if (!label.FindAttribute(TDataStd_Name::GetID(), attribute)) {
        return {};
    }
    const TCollection_ExtendedString& text = attribute->Get();
    if (myDocument->GetTextEncoding() == TextEncodingLocal) {
        return StringUtil::ToA(text.ToExtString());
    }
    std::string buffer(static_cast<size_t>(text.LengthOfCString()) + 1, '\0');
    Standard_PCharacter data = buffer.data();
    text.ToUTF8CString(data);
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

std::string ADocumentWriter::GetShapeTypeName(const TopoDS_Shape& shape)
{
    switch (shape.ShapeType()) {
    case TopAbs_COMPOUND:
        return "Compound";
    case TopAbs_COMPSOLID:
        return "Compsolid";
    case TopAbs_SOLID:
        return "Solid";
    case TopAbs_SHELL:
        return "Shell";
    case TopAbs_FACE:
        return "Face";
    case TopAbs_WIRE:
        return "Wire";
    case TopAbs_EDGE:
        return "Edge";
    case TopAbs_VERTEX:
        return "Vertex";
    case TopAbs_SHAPE:
        return "Shape";
    }
    return "Unknown";
}

// The kernel reader for the extension, compared exactly: ".stp"/".step" or ".igs"/".iges".
// Any other extension is not read and not reported.
bool OpenByExtension(const std::string& extension, const std::string& kernelPath,
                     XdeDocumentImpl& xdeDocument, ParameterDict* settings)
{
    const ModelFormat* format = ModelFormat::ForExactExtension(extension);
    if (format != nullptr && format->id == ModelFormat::STEP) {
        return XdeDocumentSTEP::Open(kernelPath, xdeDocument, settings);
    }
    if (format != nullptr && format->id == ModelFormat::IGES) {
        return XdeDocumentIGES::Open(kernelPath, xdeDocument, settings);
    }
    return RefuseExtension(xdeDocument, extension);
}

} // namespace

Xde2Doc::Xde2Doc() : mySettings(nullptr), myCreateAssembly(false), myXdeDocument(nullptr)
{
    // Both made before either is handed to a member, so that a kernel document that throws
    // while it is made leaves nothing behind.
    auto settings = std::make_unique<ParameterDict>();
    auto kernel = std::make_unique<XdeDocumentImpl>();
    settings->Add(kUseColorKey, ParameterCreator::Create(true));
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
    return ParameterCast::Cast(mySettings->Find(kUseColorKey), false);
}

void Xde2Doc::SetUseColor(bool value)
{
    mySettings->Add(kUseColorKey, ParameterCreator::Create(value));
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
                           *myXdeDocument, mySettings);
}

bool Xde2Doc::Load(const Path& path)
{
    return OpenByExtension(PathUtil::Extension(path.GetString()), path.GetString(), *myXdeDocument,
                           mySettings);
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

const std::shared_ptr<Document>& Xde2Doc::GetDocument() const
{
    return myDocument;
}

} // namespace orvkit
