#pragma once

#include <memory>

class TDF_ChildIterator;

namespace orvkit {

class XdeNode;

// Visits the direct children of a node's label (grandchildren are not visited), in label tree
// order: while More(), take Value() and step with Next().
class XdeNodeIterator {
public:
    // Starts on the first child of `node`, which must hold a node on a non-null label.
    explicit XdeNodeIterator(const std::shared_ptr<XdeNode>& node);
    ~XdeNodeIterator();
    XdeNodeIterator(const XdeNodeIterator&) = delete;
    XdeNodeIterator& operator=(const XdeNodeIterator&) = delete;

    // True while there is a current child.
    bool More() const;
    // Steps to the next child.
    void Next();
    // A new node on the current child; past the end, a node on a null label.
    std::shared_ptr<XdeNode> Value() const;

private:
    std::unique_ptr<TDF_ChildIterator> myIterator;
};

} // namespace orvkit
