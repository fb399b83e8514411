// The plugin loaded with dlopen into a process that did not link it, as a host application
// loads its modules: its load-time step fills the host's registries all the same.
#include "Support/RegistrationChecks.h"

#include <dlfcn.h>

namespace {

TEST(PluginLoadTest, DlopenFillsTheRegistriesOfAProcessThatDidNotLinkThePlugin)
{
    ASSERT_TRUE(orvkit::CommandManager::Instance().GetNames().empty());
    void* plugin = ::dlopen(ORVEX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin, nullptr) << ::dlerror();
    orvtest::ExpectCompleteRegistrationTable();
    using Register = void (*)();
    auto registerModule =
        reinterpret_cast<Register>(::dlsym(plugin, "_Z25RegisterInteropDataModulev"));
    ASSERT_NE(registerModule, nullptr) << ::dlerror();
    registerModule();
    orvtest::ExpectCompleteRegistrationTable();
    // The registries own what the plugin gave them, and the plugin registered nothing to be
    // undone at unload: it stays loaded for the life of the process, like any host module.
}

} // namespace
