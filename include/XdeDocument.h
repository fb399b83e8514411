#pragma once

#include <memory>
#include <string>

namespace orvkit {

class ParameterDict;
class XdeDocumentImpl;

// File formats of the XDE document interface.
enum class EnumXdeDocType { None = 0, STEP = 1, IGES = 2 };

// Base of the XDE document interface: owns one kernel XDE document and the settings handed to
// the kernel's readers and writers, and tells STEP from IGES by extension.
class XdeDocument {
public:
    // Empty settings and a new, empty kernel document.
    XdeDocument();
    virtual ~XdeDocument();
    XdeDocument(const XdeDocument&) = delete;
    XdeDocument& operator=(const XdeDocument&) = delete;

    // The owned settings dictionary, passed unchanged to the kernel's Open and Save; ownership
    // stays with the document.
    ParameterDict* GetSettings() const;
    // Replaces the kernel document's content with a new, empty document.
    void New();

protected:
    // ".stp"/".step" give STEP, ".igs"/".iges" give IGES, compared whole and case-sensitively;
    // anything else gives None.
    EnumXdeDocType ParseDocType(std::wstring extension) const;
    // The owned kernel document.
    XdeDocumentImpl& GetImpl() const;

private:
    // Declared in this order: the settings exist before the kernel document and outlive it.
    std::unique_ptr<ParameterDict> mySettings;
    std::unique_ptr<XdeDocumentImpl> myImpl;
};

} // namespace orvkit
