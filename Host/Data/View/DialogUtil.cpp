#include "DialogUtil.h"

#include <mutex>

namespace orvkit {

namespace {

std::mutex& ProviderMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<DialogProvider>& Provider()
{
    static std::shared_ptr<DialogProvider> provider;
    return provider;
}

} // namespace

void DialogUtil::SetProvider(const std::shared_ptr<DialogProvider>& provider)
{
    std::shared_ptr<DialogProvider> replaced = provider;
    const std::lock_guard<std::mutex> lock(ProviderMutex());
    Provider().swap(replaced);
}

std::shared_ptr<DialogProvider> DialogUtil::GetProvider()
{
    const std::lock_guard<std::mutex> lock(ProviderMutex());
    return Provider();
}

Path DialogUtil::OpenFileDialog(const std::string& title, const std::vector<std::string>& filters)
{
    const std::shared_ptr<DialogProvider> provider = GetProvider();
    return provider ? provider->OpenFile(title, filters) : Path();
}

Path DialogUtil::SaveFileDialog(const std::string& title, const std::string& defaultName,
                                const std::vector<std::string>& filters)
{
    const std::shared_ptr<DialogProvider> provider = GetProvider();
    return provider ? provider->SaveFile(title, defaultName, filters) : Path();
}

Path DialogUtil::OpenFolderDialog(const std::string& title)
{
    const std::shared_ptr<DialogProvider> provider = GetProvider();
    return provider ? provider->OpenFolder(title) : Path();
}

void DialogUtil::NotifyMessageU(const std::string& title, const std::string& text)
{
    if (const std::shared_ptr<DialogProvider> provider = GetProvider()) {
        provider->Notify(title, text);
    }
}

} // namespace orvkit
