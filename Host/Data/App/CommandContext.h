#pragma once

#include "Common/Core/ObjectId.h"
#include "Common/Core/ParameterDict.h"
#include "Data/View/Viewer.h"

#include <string>
#include <utility>

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
    // Why the last run in this context failed, as the command said it; empty when it ran, or
    // when it failed without a word.
    const std::string& GetFailure() const { return myFailure; }
    void SetFailure(std::string failure) { myFailure = std::move(failure); }

private:
    Document* myDocument;
    ParameterDict* myParameters;
    Viewer* myViewer;
    ObjectId myObjectId;
    std::string myFailure;
};

} // namespace orvkit
