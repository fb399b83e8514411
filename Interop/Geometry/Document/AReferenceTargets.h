#pragma once

#include "Common/Core/ObjectId.h"

#include <TDF_Label.hxx>
#include <TDF_LabelMapHasher.hxx>

#include <climits>
#include <unordered_map>

namespace orvkit {

class Document;

// Makes the ReferenceShape elements through which PMI points at a face, edge or vertex of a
// part the shape pass wrote.
class AReferenceTargets {
public:
    struct LabelHash {
        size_t operator()(const TDF_Label& label) const
        {
            return static_cast<size_t>(TDF_LabelMapHasher::HashCode(label, INT_MAX));
        }
    };
    // Part label -> id of the element the shape pass made for it.
    using PartElements = std::unordered_map<TDF_Label, ObjectId, LabelHash>;

    // `parts` must outlive this object.
    AReferenceTargets(Document* document, const PartElements& parts);

    // A new ReferenceShape naming the sub-shape of a written part; InvalidId when the label is
    // null or not a sub-shape label of one.
    ObjectId Create(const TDF_Label& label);

private:
    Document* myDocument;
    const PartElements& myParts;
};

} // namespace orvkit
