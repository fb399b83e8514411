#pragma once

#include "Common/Core/ObjectId.h"
#include "Common/Core/ParameterDict.h"
#include "Data/View/Viewer.h"

#include <cstdint>
#include <string>

namespace orvkit {

class Document;
class Element;

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

// A named action the application runs interactively (Run) or with parameters (BatchRun).
class Command {
public:
    Command() = default;
    virtual ~Command() = default;

    virtual std::string GetUIName() const { return myName; }
    // Adds the command's parameters, with their defaults, to the context's dictionary.
    virtual void QueryParamsSchema(CommandContext* context) const;
    virtual bool Query(CommandContext* context) const;
    virtual bool IsVisible(CommandContext* context) const;
    virtual bool IsChecked(CommandContext* context) const;
    virtual bool BeforeRunning(CommandContext* context);
    virtual bool Run(CommandContext* context) = 0;
    virtual bool BatchRun(CommandContext* context);
    virtual bool Prepare(CommandContext* context);

    const std::string& GetName() const { return myName; }
    void SetName(const std::string& name) { myName = name; }
    int32_t GetCode() const { return myCode; }
    void SetCode(int32_t code) { myCode = code; }
    const std::string& GetPath() const { return myPath; }
    void SetPath(const std::string& path) { myPath = path; }

private:
    std::string myName;
    int32_t myCode = 0;
    std::string myPath;
};

// An element-level command: runs on the element named by the context or picked by the user.
class ElementCommand : public Command {
public:
    // Visible when the context has a document.
    bool IsVisible(CommandContext* context) const override;

    // The element to work on: the one of the context's object id when it names an element of
    // the document, else the first entry of the document's selection, resolved as
    // Document::FindElement(picked, wholeElement) does. Null when there is none.
    static Element* GetSelection(CommandContext* context, bool wholeElement);
};

} // namespace orvkit
