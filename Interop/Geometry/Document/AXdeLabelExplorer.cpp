#include "Geometry/Document/AXdeLabelExplorer.h"

#include <XCAFDoc_Location.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <utility>

namespace orvkit {

namespace {

EnumXdeLabelKind KindOf(const TDF_Label& label)
{
    if (XCAFDoc_ShapeTool::IsSimpleShape(label)) {
        return EnumXdeLabelKind::Part;
    }
    if (XCAFDoc_ShapeTool::IsAssembly(label)) {
        return EnumXdeLabelKind::Assembly;
    }
    if (XCAFDoc_ShapeTool::IsReference(label)) {
        return EnumXdeLabelKind::Reference;
    }
    return EnumXdeLabelKind::Other;
}

TopLoc_Location OwnLocation(const TDF_Label& reference)
{
    Handle(XCAFDoc_Location) attribute;
    if (reference.FindAttribute(XCAFDoc_Location::GetID(), attribute)) {
        return attribute->Get();
    }
    return {};
}

} // namespace

AXdeLabelExplorer::AXdeLabelExplorer(const Handle(XCAFDoc_ColorTool)& colorTool,
                                     const TDF_Label& start)
    : myColorTool(colorTool), myStartColor(NCollection_Vec3<float>(1, 1, 1))
{
    Push(start, -1, false);
}

void AXdeLabelExplorer::Next(bool descend)
{
    if (!descend && More()) {
        myStack.back().children = TDF_ChildIterator();
        myStack.back().referredToWalk = false;
    }
    while (More()) {
        const int top = static_cast<int>(myStack.size()) - 1;
        Frame& frame = myStack.back();
        if (frame.referredToWalk) {
            frame.referredToWalk = false;
            // A referred label with a shape is walked to make the prototype; one without is
            // walked in the reference's place, as part of whatever the reference is part of.
            const bool inPrototype = frame.node.inPrototype || !frame.node.shape.IsNull();
            const TDF_Label referred = frame.node.referred;
            Push(referred, top, inPrototype);
            return;
        }
        if (frame.children.More()) {
            const TDF_Label child = frame.children.Value();
            frame.children.Next();
            Push(child, top, frame.node.inPrototype);
            return;
        }
        myStack.pop_back();
    }
}

void AXdeLabelExplorer::Push(const TDF_Label& label, int parent, bool inPrototype)
{
    Frame frame;
    frame.node.label = label;
    frame.node.kind = KindOf(label);
    frame.node.depth = parent < 0 ? 0 : myStack[static_cast<size_t>(parent)].node.depth + 1;
    frame.node.inPrototype = inPrototype;
    frame.colorOwner = parent < 0 ? -1 : myStack[static_cast<size_t>(parent)].colorOwner;
    switch (frame.node.kind) {
    case EnumXdeLabelKind::Part:
        if (XCAFDoc_ShapeTool::GetShape(label, frame.node.shape)) {
            Quantity_Color& color = ColorOf(frame.colorOwner);
            if (!myColorTool->GetColor(frame.node.shape, XCAFDoc_ColorSurf, color)) {
                myColorTool->GetColor(frame.node.shape, XCAFDoc_ColorGen, color);
            }
        }
        break;
    case EnumXdeLabelKind::Assembly:
        frame.childColor = ColorOf(frame.colorOwner);
        frame.colorOwner = static_cast<int>(myStack.size());
        frame.children = TDF_ChildIterator(label, false);
        break;
    case EnumXdeLabelKind::Reference:
        if (XCAFDoc_ShapeTool::GetReferredShape(label, frame.node.referred)) {
            frame.node.location = OwnLocation(label);
            XCAFDoc_ShapeTool::GetShape(frame.node.referred, frame.node.shape);
            frame.referredToWalk = true;
        }
        break;
    case EnumXdeLabelKind::Other:
        break;
    }
    frame.node.color = frame.node.kind == EnumXdeLabelKind::Assembly ? frame.childColor
                                                                     : ColorOf(frame.colorOwner);
    myStack.push_back(std::move(frame));
}

Quantity_Color& AXdeLabelExplorer::ColorOf(int owner)
{
    return owner < 0 ? myStartColor : myStack[static_cast<size_t>(owner)].childColor;
}

} // namespace orvkit
