// Creation functions and setters of the element classes. Each Create hands a new element to
// the document, which owns it from then on.
#include "Data/Kernel/CategoryNames.h"
#include "Data/Kernel/CompositeElement.h"
#include "Data/Kernel/DbViewBase.h"
#include "Data/Kernel/Document.h"
#include "Data/Kernel/ElementTable.h"
#include "Data/Kernel/ExternalDocument.h"
#include "Data/Kernel/InstanceElement.h"
#include "Data/Kernel/LineStyleElement.h"
#include "Data/Kernel/ReferenceShape.h"
#include "Data/Kernel/ShapeElement.h"
#include "Data/Kernel/WireElement.h"
#include "Geometry/Kernel/GShapeCollector.h"

namespace orvkit {

namespace {

template <class T> T* MakeElement(Document* document)
{
    return static_cast<T*>(document->NewElement(std::make_unique<T>(), ObjectId::InvalidId));
}

} // namespace

InstanceElement* InstanceElement::Create(Document* document)
{
    return MakeElement<InstanceElement>(document);
}

GroupElement* GroupElement::Create(Document* document)
{
    return MakeElement<GroupElement>(document);
}

AssemblyElement* AssemblyElement::Create(Document* document)
{
    return MakeElement<AssemblyElement>(document);
}

ShapeElement* ShapeElement::Create(Document* document)
{
    return MakeElement<ShapeElement>(document);
}

WireElement* WireElement::Create(Document* document)
{
    return MakeElement<WireElement>(document);
}

ExternalDocument* ExternalDocument::Create(Document* document)
{
    return MakeElement<ExternalDocument>(document);
}

bool ExternalDocument::SetDocumentId(const std::string& documentId)
{
    myDocumentId = documentId;
    return true;
}

bool ExternalDocument::SetSubDocument(const std::shared_ptr<Document>& subDocument)
{
    mySubDocument = subDocument;
    return true;
}

void CurveElement::CollectOwnShape(GShapeCollector& collector) const
{
    if (myShape) {
        collector.AddShape(myShape->GetImpl());
    }
}

void ShapeElement::CollectOwnShape(GShapeCollector& collector) const
{
    if (myShape) {
        collector.AddShape(myShape->GetImpl());
    }
}

void CompositeElement::CollectOwnShape(GShapeCollector& collector) const
{
    const Document* document = GetDocument();
    if (document == nullptr) {
        return;
    }
    for (ObjectId child : myChildren) {
        if (const auto* drawable = document->FindElementAs<DrawableElement>(child)) {
            drawable->CollectShape(collector);
        }
    }
}

void DbViewBase::CollectShape(GShapeCollector& collector) const
{
    const Document* document = GetDocument();
    if (document == nullptr) {
        return;
    }
    for (const Element* element : document->GetElements()) {
        const auto* drawable = dynamic_cast<const DrawableElement*>(element);
        if (drawable == nullptr || !drawable->IsBrowserable()) {
            continue;
        }
        // The topmost browserable element of each branch gives its whole branch; the hidden
        // containers above it (an imported file's root group, say) still place it.
        std::vector<const DrawableElement*> hiddenAncestors;
        bool underBrowserable = false;
        for (ObjectId parentId = drawable->GetParentId(); parentId.IsValid();) {
            const auto* parent = document->FindElementAs<DrawableElement>(parentId);
            if (parent == nullptr || hiddenAncestors.size() > document->GetElementCount()) {
                break;
            }
            if (parent->IsBrowserable()) {
                underBrowserable = true;
                break;
            }
            hiddenAncestors.push_back(parent);
            parentId = parent->GetParentId();
        }
        if (underBrowserable) {
            continue;
        }
        for (auto it = hiddenAncestors.rbegin(); it != hiddenAncestors.rend(); ++it) {
            collector.PushPlacement((*it)->GetTransform());
        }
        drawable->CollectShape(collector);
        for (size_t i = 0; i < hiddenAncestors.size(); ++i) {
            collector.PopPlacement();
        }
    }
}

bool CurveElement::SetShape(const std::shared_ptr<TopoShape>& shape)
{
    myShape = shape;
    return true;
}

DbViewBase* DbViewBase::Create(Document* document, EnumDbViewType viewType)
{
    DbViewBase* view = MakeElement<DbViewBase>(document);
    view->myViewType = viewType;
    return view;
}

ReferenceShape* ReferenceShape::Create(Document* document, const PickedId& picked)
{
    ReferenceShape* reference = MakeElement<ReferenceShape>(document);
    reference->myPicked = picked;
    return reference;
}

LineStyleElement* LineStyleElement::Create(Document* document)
{
    return MakeElement<LineStyleElement>(document);
}

const ClassId& LineStyleElement::GetStaticClassId()
{
    static const ClassId id = "LineStyleElement";
    return id;
}

bool LineStyleElement::SetDescription(std::string description)
{
    myDescription = std::move(description);
    return true;
}

bool LineStyleElement::SetComponents(Components components)
{
    myComponents = std::move(components);
    return true;
}

Element* ElementTable::FindByName(const std::string& name) const
{
    auto it = myIdsByName.find(name);
    return it == myIdsByName.end() ? nullptr : myDocument->FindElement(*it->second.begin());
}

void ElementTable::Add(const Element& element)
{
    myIds.insert(element.GetId());
    myIdsByName[element.GetName()].insert(element.GetId());
}

void ElementTable::Remove(const Element& element)
{
    myIds.erase(element.GetId());
    auto it = myIdsByName.find(element.GetName());
    if (it != myIdsByName.end() && it->second.erase(element.GetId()) != 0 && it->second.empty()) {
        myIdsByName.erase(it);
    }
}

void ElementTable::Rename(const Element& element, const std::string& formerName)
{
    auto it = myIdsByName.find(formerName);
    if (it != myIdsByName.end() && it->second.erase(element.GetId()) != 0) {
        if (it->second.empty()) {
            myIdsByName.erase(it);
        }
        myIdsByName[element.GetName()].insert(element.GetId());
    }
}

const std::string& CategoryNames::Shape()
{
    static const std::string name = "Shape";
    return name;
}

const std::string& CategoryNames::SubDocument()
{
    static const std::string name = "SubDocument";
    return name;
}

bool CompositeElement::SetChildren(const std::set<ObjectId>& children)
{
    myChildren = children;
    if (Document* document = GetDocument()) {
        for (ObjectId child : myChildren) {
            if (Element* element = document->FindElement(child)) {
                element->SetParentId(GetId());
            }
        }
    }
    return true;
}

bool ShapeElement::SetShape(const std::shared_ptr<TopoShape>& shape)
{
    myShape = shape;
    return true;
}

bool ShapeElement::SetOptimized(bool optimized)
{
    myOptimized = optimized;
    return true;
}

bool ShapeElement::SetFaceColors(const FaceColorTable& faceColors)
{
    myFaceColors = faceColors;
    return true;
}

} // namespace orvkit
