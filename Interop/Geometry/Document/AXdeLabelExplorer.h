#pragma once

#include <Quantity_Color.hxx>
#include <TDF_ChildIterator.hxx>
#include <TDF_Label.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS_Shape.hxx>
#include <XCAFDoc_ColorTool.hxx>

#include <vector>

namespace orvkit {

// What a label is to the walk, tested in this order.
enum class EnumXdeLabelKind {
    Part,      // a simple shape
    Assembly,  // its child labels are walked in tag order
    Reference, // its referred label is walked below it
    Other      // nothing to walk or to make
};

// Walks the label tree below one free shape depth first, in the manner of OCCT's
// XCAFPrs_DocumentExplorer: a stack of its own instead of recursion, each label yielded with
// its placement, its colour and whether it belongs to a prototype.
//
// Colours: the walk starts with white. Every assembly keeps one colour for all its children,
// a copy of the colour in effect where it stands. A part takes its own surface colour, else
// its generic colour, and that colour stays in effect after it for the later children of the
// nearest enclosing assembly and their subtrees; it never reaches above that assembly. A
// reference is transparent to this: its referred label walks in the reference's colour.
//
// Usage: for (AXdeLabelExplorer it(tool, label); it.More(); it.Next()) { it.Current() ... }
class AXdeLabelExplorer {
public:
    // One label as the explorer yields it.
    struct Node {
        TDF_Label label;
        EnumXdeLabelKind kind = EnumXdeLabelKind::Other;
        // 0 for the label the walk starts from; a child or a referred label is one deeper.
        int depth = 0;
        // Reached below a reference whose referred label has a shape: made for a prototype.
        bool inPrototype = false;
        // A part's shape, or a reference's referred shape; null when the label has none.
        TopoDS_Shape shape;
        // A reference's referred label; null when it has none.
        TDF_Label referred;
        // A reference's own placement in its assembly; the enclosing placements are not in it.
        TopLoc_Location location;
        // The colour in effect at this label; for a part, its own colour when it has one.
        Quantity_Color color;
    };

    AXdeLabelExplorer(const Handle(XCAFDoc_ColorTool)& colorTool, const TDF_Label& start);

    // True while the explorer stands on a label.
    bool More() const { return !myStack.empty(); }
    const Node& Current() const { return myStack.back().node; }
    // Moves to the next label depth first. With `descend` false the current label's children
    // (or referred label) are passed over: a prototype that exists already is not walked
    // again, and leaves the colour in effect as it is.
    void Next(bool descend = true);

private:
    struct Frame {
        Node node;
        // The assembly's children still to walk.
        TDF_ChildIterator children;
        // A reference whose referred label is still to walk.
        bool referredToWalk = false;
        // The frame whose colour this label reads and a part below it writes: the nearest
        // assembly at or above it, -1 for the walk's own colour.
        int colorOwner = -1;
        // An assembly's colour for its children.
        Quantity_Color childColor;
    };

    void Push(const TDF_Label& label, int parent, bool inPrototype);
    Quantity_Color& ColorOf(int owner);

    Handle(XCAFDoc_ColorTool) myColorTool;
    Quantity_Color myStartColor;
    // The path from the start label to the current one.
    std::vector<Frame> myStack;
};

} // namespace orvkit
