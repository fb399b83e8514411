#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace orvkit {

// The model file formats the program reads and writes, in one table that the readers, the
// writers and the program's verbs all consult, so that an extension is known in one place.
struct ModelFormat {
    enum EnumId { STEP, IGES, BREP, STL, OBJ, GLTF, GLB };
    // Formats by what they can hold.
    enum EnumKind {
        KindCad,   // B-rep with assemblies, names, colours (STEP, IGES)
        KindShape, // one B-rep shape and nothing else (BREP)
        KindMesh,  // triangles; glTF and OBJ keep names, colours and (glTF) instancing
    };

    EnumId id;
    const char* name;                    // "STEP", as messages name it
    std::vector<std::string> extensions; // lower case with the dot; the first is the usual one
    EnumKind kind;
    bool keepsTree;      // holds an assembly tree with names (STEP, IGES, glTF; OBJ flattens)
    bool keepsColors;    // holds part and face colours
    bool keepsInstances; // a part placed many times is stored once
    bool writable;

    // Every format, STEP first.
    static const std::vector<ModelFormat>& All();
    // The format of an id.
    static const ModelFormat& Get(EnumId id);
    // The format of an extension exactly as the table has it (".stp", not ".STP"): the rule of
    // the XDE document interface and the document exchanger. Null when none has it.
    static const ModelFormat* ForExactExtension(const std::string& extension);
    // The extensions of these formats, in table order.
    static std::vector<std::string> ExtensionsOf(std::initializer_list<EnumId> ids);
    // The format of a path's extension, compared case-insensitively; null when none has it.
    static const ModelFormat* ForPath(const std::string& path);
    // The format a name gives: an extension without its dot ("stp", "glb") or the format's
    // name, in any case; null when none.
    static const ModelFormat* ForName(const std::string& name);
    // "step, stp, iges, ...": every extension of the formats that can be written, for messages.
    static std::string WritableNames();

    // Whether `extension` (".stp") is one of this format's, in any case.
    bool Takes(const std::string& extension) const;
    bool IsMesh() const { return kind == KindMesh; }
};

} // namespace orvkit
