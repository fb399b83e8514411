#include "AXdeDocumentExchanger.h"

#include "Common/Core/ParameterDict.h"
#include "Geometry/IO/ModelFormat.h"
#include "InteropKeys.h"
#include "Xde2Doc.h"

namespace orvkit {

XdeDocumentExchanger::XdeDocumentExchanger()
{
    for (const std::string& extension :
         ModelFormat::ExtensionsOf({ModelFormat::STEP, ModelFormat::IGES})) {
        myExtensions.insert(extension);
    }
}

XdeDocumentExchanger::~XdeDocumentExchanger() = default;

bool XdeDocumentExchanger::LoadFile(Document* document, const std::string& fileName)
{
    const bool useColor = ParameterCast::Cast(mySettings->Find(InteropKeys::UseColor), true);
    Xde2Doc converter;
    converter.SetUseColor(useColor);
    if (!converter.Load(fileName)) {
        return false;
    }
    return converter.Transfer(document);
}

bool XdeDocumentExchanger::IsSupported(const std::string& extension)
{
    return myExtensions.count(extension) != 0;
}

} // namespace orvkit
