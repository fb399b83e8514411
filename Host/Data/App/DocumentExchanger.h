#pragma once

#include "Common/Core/ParameterDict.h"

#include <memory>
#include <string>

namespace orvkit {

class Document;

// Opens files of some formats as the content of a document. Holds a settings dictionary that
// the application fills and the exchanger reads; the dictionary is not synchronised, so it is
// filled before loads run in other threads, not while they do.
class DocumentExchanger {
public:
    DocumentExchanger();
    virtual ~DocumentExchanger();

    // Loads the file into `document`; false when it could not be read.
    virtual bool LoadFile(Document* document, const std::string& fileName) = 0;
    // Whether the exchanger takes files with this extension (with its dot).
    virtual bool IsSupported(const std::string& extension) = 0;

    ParameterDict* GetSettings() const { return mySettings.get(); }

protected:
    std::unique_ptr<ParameterDict> mySettings;
};

} // namespace orvkit
