#include "XdeDocument.h"

#include "Common/Core/ParameterDict.h"
#include "Interop/Kernel/XdeDocumentImpl.h"

namespace orvkit {

XdeDocument::XdeDocument()
    : mySettings(std::make_unique<ParameterDict>()), myImpl(std::make_unique<XdeDocumentImpl>())
{
}

// Members go in reverse order: the kernel document first, then the settings.
XdeDocument::~XdeDocument() = default;

ParameterDict* XdeDocument::GetSettings() const
{
    return mySettings.get();
}

void XdeDocument::New()
{
    myImpl->CreateNew();
}

EnumXdeDocType XdeDocument::ParseDocType(std::wstring extension) const
{
    if (extension == L".stp" || extension == L".step") {
        return EnumXdeDocType::STEP;
    }
    if (extension == L".igs" || extension == L".iges") {
        return EnumXdeDocType::IGES;
    }
    return EnumXdeDocType::None;
}

XdeDocumentImpl& XdeDocument::GetImpl() const
{
    return *myImpl;
}

} // namespace orvkit
