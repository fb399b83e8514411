// Load-time registration of the module's services with the host's registries. The rows run
// once, in this order, while the library is loaded; the registries own what they receive and
// the module keeps no pointer to any of it.
#include "RegisterInteropDataModule.h"

namespace {

struct AModuleRegistration {
    AModuleRegistration()
    {
        // Services are added here, in their fixed order, as their classes arrive.
    }
};

const AModuleRegistration theRegistration;

} // namespace

void RegisterInteropDataModule() {}
