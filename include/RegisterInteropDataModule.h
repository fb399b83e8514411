#pragma once

// Does nothing. A host that links against the module may call it so that the loader keeps
// the library; the module registers its services by itself when it is loaded.
void RegisterInteropDataModule();
