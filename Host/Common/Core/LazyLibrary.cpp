#include "LazyLibrary.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <utility>

#ifndef ORVEX_LIBRARY_SUFFIX
#error "ORVEX_LIBRARY_SUFFIX (the sonames' ending, \".so.0.1\") must be defined"
#endif

namespace orvkit {

namespace {

// The folder of the library this function is in, with its slash; empty when the loader cannot
// say, and the library is then looked for as the loader looks for any.
std::string OwnFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    const std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LoaderError()
{
    const char* error = dlerror();
    return error != nullptr ? error : "no reason given";
}

} // namespace

const void* LazyLibrary::Table(const std::string& name, const char* symbol)
{
    static std::mutex mutex;
    // Loaded libraries are never closed: the tables and the objects they made outlive any
    // caller, and OpenCASCADE's libraries register types that must stay.
    static std::map<std::string, void*> loaded;
    const std::lock_guard<std::mutex> lock(mutex);
    auto found = loaded.find(name);
    if (found == loaded.end()) {
        const std::string file = OwnFolder() + "lib" + name + ORVEX_LIBRARY_SUFFIX;
        void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            throw LazyLibraryError("cannot load " + name + ": " + LoaderError());
        }
        found = loaded.emplace(name, handle).first;
    }
    dlerror();
    void* address = dlsym(found->second, symbol);
    if (address == nullptr) {
        throw LazyLibraryError("cannot use " + name + ": " + LoaderError());
    }
    return address;
}

} // namespace orvkit
