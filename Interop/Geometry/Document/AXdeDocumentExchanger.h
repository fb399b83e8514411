#pragma once

#include "Data/App/DocumentExchanger.h"

#include <string>
#include <unordered_set>

namespace orvkit {

// Lets the application open .step, .stp, .iges and .igs files as documents. Each load runs
// its own Xde2Doc, so nothing is shared between two loads. Reads "UseColor" (default true)
// from its settings.
class XdeDocumentExchanger : public DocumentExchanger {
public:
    XdeDocumentExchanger();
    ~XdeDocumentExchanger() override;

    // Loads the file into `document` under the caller's transaction state. False, with the
    // document untouched, when the extension is not one of the four or the file cannot be read.
    bool LoadFile(Document* document, const std::string& fileName) override;
    // True for exactly ".step", ".stp", ".iges" and ".igs".
    bool IsSupported(const std::string& extension) override;

private:
    std::unordered_set<std::string> myExtensions;
};

} // namespace orvkit
