#pragma once

#include "Common/Core/ObjectId.h"
#include "Data/App/Command.h"
#include "Geometry/Kernel/TopoShape.h"

#include <memory>
#include <string>

namespace orvkit {
class Document;
class Element;
} // namespace orvkit

// "Import": brings a model file of any format the generic shape reader knows into the active
// document, inside one undo step. Interactively a compound of two or more shapes becomes a
// group with one element per sub-shape; a batch run reads the file named by the parameter
// "FilePath" into one element. Available in a 3D view.
class ImportCommand : public orvkit::Command {
public:
    ImportCommand();
    ~ImportCommand() override;

    // Declares "FilePath" (text, default empty).
    void QueryParamsSchema(orvkit::CommandContext* context) const override;
    bool IsVisible(orvkit::CommandContext* context) const override;
    // Asks for a file, reads and repairs it, adds its elements; false when there is no
    // document, the dialog was cancelled or the file could not be read (the user is told).
    bool Run(orvkit::CommandContext* context) override;
    // Reads "FilePath" into one element under the context's object id (InvalidId: a new id);
    // false when the file could not be read (logged) or the element could not be created.
    bool BatchRun(orvkit::CommandContext* context) override;
};

// "AdvImport": brings a STEP or IGES file into the active document with its assembly
// structure, names and colours. Reads the parameter "CreateAssembly" (default false).
class AdvImportCommand : public orvkit::Command {
public:
    AdvImportCommand();
    ~AdvImportCommand() override;

    bool IsVisible(orvkit::CommandContext* context) const override;
    // False when there is no document, the dialog was cancelled or the file could not be
    // loaded; the document is then untouched.
    bool Run(orvkit::CommandContext* context) override;
};

// "ImportAsPart": brings a STEP or IGES file into a new document of its own (type from the
// parameter "DocType", default "ORVX") and places that document in the active one as an
// external-document element. Each document gets its own undo step.
class ImportAsPartCommand : public orvkit::Command {
public:
    ImportAsPartCommand();
    ~ImportAsPartCommand() override;

    bool IsVisible(orvkit::CommandContext* context) const override;
    // False when there is no document, the dialog was cancelled or the file could not be
    // loaded; no document is then made or changed.
    bool Run(orvkit::CommandContext* context) override;
};

// Makes the element for one imported shape in `document` under `id` (InvalidId: a new id):
// a WireElement for a wire or an edge, a ShapeElement otherwise, named `name`, browserable,
// in the shape category with the import schema. Null, with the reason logged, when the id is
// already taken.
orvkit::Element* CreateImportElement(orvkit::Document* document,
                                     const std::shared_ptr<orvkit::TopoShape>& shape,
                                     const std::string& name, orvkit::ObjectId id);
