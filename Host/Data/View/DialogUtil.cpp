#include "DialogUtil.h"

namespace orvkit {

namespace {

std::shared_ptr<DialogProvider>& Provider()
{
    static std::shared_ptr<DialogProvider> provider;
    return provider;
}

} // namespace

void DialogUtil::SetProvider(const std::shared_ptr<DialogProvider>& provider)
{
    Provider() = provider;
}

const std::shared_ptr<DialogProvider>& DialogUtil::GetProvider()
{
    return Provider();
}

Path DialogUtil::OpenFileDialog(const std::string& title, const std::vector<std::string>& filters)
{
    return Provider() ? Provider()->OpenFile(title, filters) : Path();
}

Path DialogUtil::SaveFileDialog(const std::string& title, const std::string& defaultName,
                                const std::vector<std::string>& filters)
{
    return Provider() ? Provider()->SaveFile(title, defaultName, filters) : Path();
}

Path DialogUtil::OpenFolderDialog(const std::string& title)
{
    return Provider() ? Provider()->OpenFolder(title) : Path();
}

void DialogUtil::NotifyMessageU(const std::string& title, const std::string& text)
{
    if (Provider()) {
        Provider()->Notify(title, text);
    }
}

} // namespace orvkit
