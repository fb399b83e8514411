#pragma once

#include <gp_Trsf.hxx>

#include <memory>
#include <string>

class TDF_Label;

namespace orvkit {

class XdeLabelImpl;

// Handle on one label of an XDE document. Nodes are handed out as std::shared_ptr and never
// copied; two nodes made for the same label are distinct objects on the same label. A node
// stays valid only while the document that holds its label lives.
class XdeNode {
public:
    // A node on `label`; the node owns its kernel label object.
    explicit XdeNode(const TDF_Label& label);
    ~XdeNode();
    // Not copyable: nodes are only handed out by shared pointer, so a copy would serve nothing.
    XdeNode(const XdeNode&) = delete;
    XdeNode& operator=(const XdeNode&) = delete;

    // The owned kernel label object; ownership stays with the node.
    XdeLabelImpl* GetImpl() const;
    // True when the node stands on no label; the other queries need a label.
    bool IsNullLabel() const;
    // Depth of the label in the tree; the root label has depth 0.
    int GetDepth() const;
    // Number of direct child labels.
    int NbChildren() const;
    // True when the label has at least one child label.
    bool HasChild() const;
    // The label's name as narrow (UTF-8) text; empty when the label has none.
    std::string GetName() const;
    // Stores `name` (UTF-8) as the label's name, replacing an earlier one.
    void SetName(const std::string& name);
    // The label's placement with its chain of locations composed; identity when it has none.
    gp_Trsf GetLocation() const;
    // Stores `location` as the label's placement, replacing an earlier one.
    void SetLocation(const gp_Trsf& location);

private:
    std::unique_ptr<XdeLabelImpl> myImpl;
};

} // namespace orvkit
