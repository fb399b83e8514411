#pragma once

#include "Common/Core/ObjectId.h"
#include "Common/Core/ParameterDict.h"
#include "Data/View/Viewer.h"

namespace orvkit {

class Document;

// What a command runs on: the document, its parameters, the viewer and the element it was
// invoked on. Each may be absent.
class CommandContext {
public:
    CommandContext(Document* document, ParameterDict* parameters, Viewer* viewer = nullptr,
                   ObjectId objectId = ObjectId::InvalidId)
        : myDocument(document), myParameters(parameters), myViewer(viewer), myObjectId(objectId)
    {
    }

    Document* GetDocument() const { return myDocument; }
    ParameterDict* GetParameters() const { return myParameters; }
    Viewer* GetViewer() const { return myViewer; }
    ObjectId GetObjectId() const { return myObjectId; }

private:
    Document* myDocument;
    ParameterDict* myParameters;
    Viewer* myViewer;
    ObjectId myObjectId;
};

} // namespace orvkit
