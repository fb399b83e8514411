#include "XdeDocument.h"

#include "Common/Core/ParameterDict.h"
#include "Common/Core/StringUtil.h"
#include "Geometry/IO/ModelFormat.h"
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
    const ModelFormat* format = ModelFormat::ForExactExtension(StringUtil::ToA(extension.c_str()));
    if (format != nullptr && format->id == ModelFormat::STEP) {
        return EnumXdeDocType::STEP;
    }
    if (format != nullptr && format->id == ModelFormat::IGES) {
        return EnumXdeDocType::IGES;
    }
    return EnumXdeDocType::None;
}

XdeDocumentImpl& XdeDocument::GetImpl() const
{
    return *myImpl;
}

} // namespace orvkit
