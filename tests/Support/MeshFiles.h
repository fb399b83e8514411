#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace orvtest {

// One glTF triangle: three float positions (36 bytes) and three 16-bit indices (6 bytes, 2 of
// padding), in one buffer of 44 bytes; tests change what they need in `json` and `bytes`.
struct Triangle {
    nlohmann::json json;
    std::string bytes;

    Triangle();
    void SetIndex(int which, uint16_t value);
    // A .gltf with its buffer as a data URI.
    std::string Gltf() const;
    // A .glb: the JSON chunk, padded with spaces, then the binary chunk; `binLength` overrides
    // the binary chunk's declared length.
    std::string Glb(int64_t binLength = -1) const;
};

// A chain of `depth` nodes, each the only child of the one before, the mesh on the last.
Triangle Chain(int depth);

// An OBJ triangle whose one face refers to its three vertices `references` times over.
std::string ObjWithLongFace(int references);

} // namespace orvtest
