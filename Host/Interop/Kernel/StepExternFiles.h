#pragma once

#include <STEPCAFControl_Reader.hxx>

#include <string>
#include <vector>

namespace orvkit {

// The parts of a STEP assembly that live in files of their own: a document file applied to the
// part's product definition, its name in an external identification assignment.
//
// OCCT 7.6's XCAF reader reads such a file during the transfer (with its own parser and actor)
// and puts its root in the part's place; the file is looked for in the folder of the path the
// session says it loaded, or in the current folder when that path is relative (XdeDocumentSTEP
// gives it an absolute one). A file it does not find, or cannot read, leaves the part an empty
// shape without a word; this finds those parts afterwards.
struct StepExternFiles {
    struct Files {
        int parts = 0;                  // products whose file it is
        std::vector<std::string> names; // the files as the assembly names them, each once
    };
    // Files not where the assembly says.
    Files missing;
    // Files that are there but whose part was not read from them.
    Files unread;

    // Looks at the external references of the model `reader` has just transferred.
    static StepExternFiles Find(const STEPCAFControl_Reader& reader);

    // One warning for each kind that holds a file: "2 parts live in files that are not beside
    // it: wheel.stp, axle.stp", "1 part lives in a file that could not be read: hub.stp".
    std::vector<std::string> Describe() const;
};

} // namespace orvkit
