#pragma once

#include "Data/App/Command.h"
#include "Data/App/ElementCommand.h"

#include <gp_Ax3.hxx>

// "ExportModel": writes the shape of the selected element, or of everything the active view
// shows, to a STEP, IGES, STL or BREP file the user picks, turned from one axis convention to
// another when the user picks two different ones in "ExportModelDlg".
class ExportModelCommand : public orvkit::Command {
public:
    ExportModelCommand();
    ~ExportModelCommand() override;

    // False when there is no document or view, nothing to export, the save dialog was
    // cancelled, or the file could not be written; the document is never changed.
    bool Run(orvkit::CommandContext* context) override;

private:
    // The axis system of a code: 0 X up (main direction +X, X direction +Y), 1 Y up (main
    // direction +Y, X direction +X), anything else the standard Z-up system.
    gp_Ax3 MakeAxisSystem(int code) const;
};

// "ExportAssemblyChildren": writes each child of the selected assembly, or of the document's
// active assembly, to its own STEP file named after the child in a folder the user picks.
class ExportAssemblyChildrenCommand : public orvkit::ElementCommand {
public:
    ExportAssemblyChildrenCommand();
    ~ExportAssemblyChildrenCommand() override;

    // False when there is no assembly (the user is told) or the folder dialog was cancelled;
    // otherwise true, whether or not every child could be written (each failure is logged).
    bool Run(orvkit::CommandContext* context) override;
};
