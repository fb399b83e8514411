#pragma once

#include <memory>
#include <string>
#include <vector>

namespace orvkit {

class Document;
class LoadFailure;
class ParameterDict;
class Path;
class XdeDocumentImpl;

// Brings a STEP or IGES file into a framework document in two calls: Load reads the file into
// a kernel XDE document this object owns, Transfer writes that document's assemblies,
// instances, shapes, colours and dimensions into a framework document.
//
// Settings: "UseColor" (bool, true after construction) switches the per-face colour tables on;
// every other key added through GetSettings() reaches the kernel reader.
//
// Several threads may each load and transfer with an Xde2Doc of their own at once. Load runs
// under the process-wide TranslatorLock, so reads take turns; Transfer only builds the target
// document and runs in parallel. One Xde2Doc is used by one thread at a time.
class Xde2Doc {
public:
    Xde2Doc();
    ~Xde2Doc();
    Xde2Doc(const Xde2Doc&) = delete;
    Xde2Doc& operator=(const Xde2Doc&) = delete;

    // The owned settings dictionary; callers may add keys.
    ParameterDict* GetSettings() const;
    // "UseColor" as a flag; false once the key was removed.
    bool GetUseColor() const;
    void SetUseColor(bool value);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
    // Whether compounds are split into assemblies and a sole free assembly stays an assembly.
    const bool GetCreateAssembly() const;
#pragma GCC diagnostic pop
    void SetCreateAssembly(bool value);

    // Reads a .stp/.step or .igs/.iges file (extension compared exactly) into the kernel
    // document. False for any other extension, without a message, or when the kernel cannot
    // read the file (the kernel logs why).
    bool Load(const std::string& fileName);
    // As above, with the path's own text.
    bool Load(const Path& path);
    // As Load(fileName), with the extension compared without regard to case: SolidWorks and
    // other systems write ".STEP" and ".IGS". The program's verbs read through this one; Load
    // keeps the exact rule that the document exchanger and the import commands rely on.
    bool LoadIgnoringCase(const std::string& fileName);

    // Why the last Load failed (kind, format, the translator's own words); kind None after a
    // Load that succeeded.
    const LoadFailure& GetLastFailure() const;
    // What the file of the last Load holds that the read left out, one sentence for a user each
    // ("2 parts live in files that are not beside it: wheel.stp, axle.stp"); the kernel logs
    // each as well. Empty after a Load that left nothing out or failed.
    const std::vector<std::string>& GetReadWarnings() const;

    // Writes the kernel document into a new document (3D, transactions disabled), kept and
    // returned by GetDocument(). Always true.
    bool Transfer();
    // Writes the kernel document into `document`, which must not be null, under whatever
    // transaction the caller has open. Always true.
    bool Transfer(Document* document);

    // The document made by Transfer(); empty before.
    const std::shared_ptr<Document>& GetDocument() const;

private:
    ParameterDict* mySettings;
    std::shared_ptr<Document> myDocument;
    bool myCreateAssembly;
    XdeDocumentImpl* myXdeDocument;
};

} // namespace orvkit
