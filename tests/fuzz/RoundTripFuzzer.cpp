// The writers on arbitrary input: bytes read as STEP into a kernel document, as `export` reads
// them, and whatever that gives written back to STEP and to GLB. What a damaged file can make
// the reader build (empty shells, edges without ends, degenerate faces, names of any bytes) is
// what the writers must survive.
#include "FuzzInput.h"

#include "Interop/Kernel/XdeModelReader.h"
#include "Interop/Kernel/XdeModelWriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Where this process writes: one file per format, removed after each input.
std::string OutputPath(const char* extension)
{
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/orvex-fuzz-out-" +
           std::to_string(::getpid()) + extension;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orvfuzz::FuzzInput input(data, size, ".stp");
    if (input.Path().empty()) {
        return 0;
    }
    orvkit::XdeDocumentImpl impl;
    if (!orvkit::XdeModelReader::Open(input.Path(), impl, nullptr)) {
        return 0;
    }
    for (const char* extension : {".stp", ".glb"}) {
        const std::string output = OutputPath(extension);
        // A refusal is an answer; a crash, a hang or running out of memory is a finding.
        orvkit::XdeModelWriter::Save(output, impl, orvkit::XdeWriteOptions());
        std::remove(output.c_str());
    }
    return 0;
}
