// Any model file the program converts, on arbitrary bytes, read into a kernel document as
// `export` and `convert` read it: glTF, GLB and OBJ through the file checks and OpenCASCADE's
// mesh readers, STL and BREP through the host's shape readers. Built once per format;
// ORVEX_FUZZ_EXTENSION picks the reader.
#include "FuzzInput.h"

#include "Interop/Kernel/XdeModelReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orvfuzz::FuzzInput input(data, size, ORVEX_FUZZ_EXTENSION);
    if (input.Path().empty()) {
        return 0;
    }
    orvkit::XdeDocumentImpl impl;
    orvkit::XdeModelReader::Open(input.Path(), impl, nullptr);
    return 0;
}
