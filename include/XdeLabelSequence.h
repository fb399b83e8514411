#pragma once

#include <memory>

namespace orvkit {

class XdeNode;

// Visits the sub-shape labels of a node's shape label, as the shape tool lists them when the
// sequence is made; sub-shapes added later are not seen. While More(), take Value() and step
// with Next().
class XdeLabelSequence {
public:
    // Takes the sub-shape labels of `node`, which must hold a node on a non-null label.
    explicit XdeLabelSequence(const std::shared_ptr<XdeNode>& node);
    ~XdeLabelSequence();
    XdeLabelSequence(const XdeLabelSequence&) = delete;
    XdeLabelSequence& operator=(const XdeLabelSequence&) = delete;

    // True while there is a current sub-shape label.
    bool More() const;
    // Steps to the next sub-shape label; does nothing at the end.
    void Next();
    // A new node on the current sub-shape label; only valid while More() is true.
    std::shared_ptr<XdeNode> Value() const;

private:
    struct Record;
    std::unique_ptr<Record> myRecord;
};

} // namespace orvkit
