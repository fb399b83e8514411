#include "DialogFactory.h"

#include "Data/View/DialogUtil.h"

namespace orvkit {

DialogFactory& DialogFactory::Instance()
{
    static DialogFactory instance;
    return instance;
}

bool DialogFactory::Show(const std::string& name, Document* document, ParameterDict* params)
{
    const std::shared_ptr<DialogProvider> provider = DialogUtil::GetProvider();
    return provider && provider->ShowDialog(name, document, params);
}

} // namespace orvkit
