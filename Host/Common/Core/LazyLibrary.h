#pragma once

#include <stdexcept>
#include <string>

namespace orvkit {

// A library LazyLibrary cannot load or use: a broken installation. The text names the library
// and gives the loader's words.
struct LazyLibraryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The project's libraries that a process loads the first time it needs them rather than at
// start: the translators of the formats most runs never touch. OpenCASCADE's libraries are
// bound in full when they are loaded, so each one linked costs every run, even `--version`,
// its share of the start-up; the IGES translator alone is a sixth of it.
struct LazyLibrary {
    // The table `symbol` of the library `name` ("Orvex.Host.Iges"), which lies in the folder of
    // the library holding this function under its soname. Loaded on the first call, once per
    // process, and kept. Throws LazyLibraryError when it cannot be loaded or lacks the symbol.
    static const void* Table(const std::string& name, const char* symbol);

    // Table, typed: each library exports one function with C linkage that returns its table.
    template <typename Table> static const Table& Get(const std::string& name, const char* symbol)
    {
        using Function = const Table* (*)();
        return *reinterpret_cast<Function>(const_cast<void*>(LazyLibrary::Table(name, symbol)))();
    }
};

} // namespace orvkit
