#pragma once

#include "RecordingViewer.h"

#include "Common/Core/ParameterDict.h"
#include "Data/Kernel/Document.h"

#include <memory>
#include <string>
#include <vector>

namespace orvex::cli {

// Runs registered commands, one after another, on one new 3D document, the way the
// application does: by name through the command registry, with the program's dialogs (answered
// from the command line) and viewer.
class CommandSession {
public:
    CommandSession();
    ~CommandSession();
    CommandSession(const CommandSession&) = delete;
    CommandSession& operator=(const CommandSession&) = delete;

    orvkit::Document& GetDocument() const { return *myDocument; }

    // Runs the command (its batch form when `batch`) with `parameters`, its dialogs answered by
    // `answers` in order and its named dialogs given `dialogValues`. On failure prints the one
    // error line (which command, and why) and returns false. Answers no dialog asked for are
    // warnings.
    bool Run(const std::string& name, const std::vector<std::string>& answers,
             orvkit::ParameterDict& parameters, bool batch,
             const orvkit::ParameterDict& dialogValues);

private:
    std::shared_ptr<orvkit::Document> myDocument;
    RecordingViewer myViewer;
};

// The first element of the document with that name and, when `className` is given, of that
// class; null when there is none.
orvkit::Element* FindElementNamed(const orvkit::Document& document, const std::string& name,
                                  const char* className = nullptr);

} // namespace orvex::cli
