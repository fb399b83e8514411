#pragma once

#include <NCollection_Sequence.hxx>
#include <TDF_Label.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DimTolTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include "Common/Core/LoadFailure.h"
#include "Common/Core/ProgressHandler.h"
#include "Interop/Kernel/XdeDeclaredValidation.h"

#include <memory>
#include <string>
#include <vector>

namespace orvkit {

// A kernel XDE document: the OCAF document and the tools a transfer reads. The members are
// public and stay in this order; callers read the tools and the free-shape list directly.
class XdeDocumentImpl {
public:
    // An empty document with valid tools.
    XdeDocumentImpl();
    ~XdeDocumentImpl();
    XdeDocumentImpl(const XdeDocumentImpl&) = delete;
    XdeDocumentImpl& operator=(const XdeDocumentImpl&) = delete;

    // Replaces the content with a new empty document with valid tools.
    bool CreateNew();
    // Root of the label tree.
    TDF_Label GetMain() const;
    // Takes the tools and the free-shape list from the current OCAF document.
    void RefreshTools();

    Handle(TDocStd_Document) document;
    Handle(XCAFDoc_ColorTool) colorTool;
    Handle(XCAFDoc_ShapeTool) shapeTool;
    Handle(XCAFDoc_DimTolTool) dimTolTool;
    NCollection_Sequence<TDF_Label> freeShapes;
    // Why the last read into this document failed; kind None after a successful one.
    LoadFailure failure;
    // The validation properties the file read into this document declares, each where the file
    // attaches it; filled by the STEP reader, empty for other formats and for new documents.
    std::vector<XdeDeclaredValidation> declaredValidation;
    // What the file read into this document holds that the read left out, one sentence for a
    // user each ("2 parts live in files that are not beside it: wheel.stp, axle.stp"); filled
    // by the STEP reader, empty for other formats and for new documents.
    std::vector<std::string> readWarnings;
    // The length uncertainty the STEP file read into this document declared, in millimetres
    // (the greatest, when its representations declare several); 0 when it declared none, and
    // for other formats and new documents. OpenCASCADE's reader repairs the shapes to this
    // precision, so a file written from them declares it again and reads back the same.
    double declaredPrecision = 0.0;
    // Hears how reads into this document go, and may stop them; null: the framework's handler
    // (Progress::Instance()). Kept across reads.
    std::shared_ptr<ProgressHandler> progress;

private:
    void Close();
};

} // namespace orvkit
