// Any model file the program converts, on arbitrary bytes, read into a kernel document as
// `export` and `convert` read it: glTF, GLB and OBJ through the file checks and OpenCASCADE's
// mesh readers, STL and BREP through the host's shape readers. glTF, GLB and OBJ are also read
// as `compare` and `--verify` read them, by the scene readers of our own. Built once per format;
// ORVEX_FUZZ_EXTENSION picks the reader.
#include "FuzzInput.h"

#include "Geometry/IO/GltfScene.h"
#include "Geometry/IO/ObjScene.h"
#include "Interop/Kernel/XdeModelReader.h"

#include <cstdlib>
#include <string_view>

namespace {

// The scene readers refuse what they cannot trust with a reason; anything else they must
// survive, which the sanitizers check.
void ReadScene(const std::string& path)
{
    const std::string_view extension = ORVEX_FUZZ_EXTENSION;
    std::string failure;
    if (extension == ".obj") {
        orvkit::ObjScene().Read(path, failure);
    } else if (extension == ".gltf" || extension == ".glb") {
        orvkit::GltfScene().Read(path, failure);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orvfuzz::FuzzInput input(data, size, ORVEX_FUZZ_EXTENSION);
    if (input.Path().empty()) {
        return 0;
    }
    orvkit::XdeDocumentImpl impl;
    // A memory fault inside OpenCASCADE is caught by the reader's fault scope and becomes a
    // failed read: the program survives it, but its state may not, so every such input is a
    // finding, to be refused before the reader sees it.
    if (!orvkit::XdeModelReader::Open(input.Path(), impl, nullptr) &&
        impl.failure.kind == orvkit::LoadFailureTranslatorFault &&
        impl.failure.detail.rfind("it crashed", 0) == 0) {
        std::abort();
    }
    ReadScene(input.Path());
    return 0;
}
