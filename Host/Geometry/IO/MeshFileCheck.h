#pragma once

#include "Common/Core/LoadFailure.h"

#include <memory>
#include <string>

namespace orvkit {

// Checks that glTF, GLB and OBJ files get before OpenCASCADE's mesh readers see them. Those
// readers believe what a file declares:
// - glTF: an accessor's count sizes the triangle and node arrays before a byte of data is read,
//   so a count of two billion over a 44-byte buffer asks for gigabytes; the scene tree is read
//   by recursion, and its cost grows much faster than its depth;
// - OBJ: the list of a face's vertices starts at 1,024 entries and the reader writes one past
//   its end when a face has more, which corrupts the heap; a last line without a line break is
//   handed on without its terminating zero, and read past its end.
// Each check reads the file once, without trusting a length or count it has not held against
// the bytes there are, and refuses the file with the reason when the reader could not be given
// it safely. A file the reader would refuse anyway, for a reason of no danger, passes: its own
// words say more.
namespace MeshFileCheck {

// Deeper scene trees are refused: real scenes, skeletons included, stay far below it, and the
// reader's time at this depth is still under a second.
constexpr int kMaxNodeDepth = 1000;
// Nodes a scene may place, counting a node once for every place it is a child: a file of a few
// hundred bytes can list one node ten times as a child, ten levels deep, and the reader and
// everything after it would place ten billion. Large scenes place a few hundred thousand.
constexpr unsigned long long kMaxPlacedNodes = 10000000;
// The JSON itself: glTF's own structure nests a handful of levels, "extras" a few more.
constexpr int kMaxJsonDepth = 256;
// The most vertices an OBJ face may have: what the reader's first vertex list holds.
constexpr int kMaxFaceVertices = 1024;

// None, or a parse error of format "glTF" (.gltf and .glb alike) saying what is wrong.
LoadFailure Gltf(const std::string& path);

} // namespace MeshFileCheck

class ScopedTempFolder;

// An OBJ or STL file as its reader may be given it. Both readers hand on a last line without a
// line break without its terminating zero and read past its end; such a file is read from a
// copy with one, in a temporary folder (an OBJ copy's "mtllib" names are made to lead back to
// the original's folder). A binary STL is read as it is. An OBJ file is checked first: a
// refusal is a parse error of format "OBJ" with the line of the face. The copy lasts as long as
// this object.
class ReadableMeshFile {
public:
    enum EnumFormat { OBJ, STL };

    ReadableMeshFile(const std::string& path, EnumFormat format);
    ~ReadableMeshFile();
    ReadableMeshFile(const ReadableMeshFile&) = delete;
    ReadableMeshFile& operator=(const ReadableMeshFile&) = delete;

    // Why the file cannot be read; None when GetPath() can be.
    const LoadFailure& GetRefusal() const { return myRefusal; }
    // What to give the reader: the file itself or its copy.
    const std::string& GetPath() const { return myPath; }

private:
    LoadFailure myRefusal;
    std::string myPath;
    std::unique_ptr<ScopedTempFolder> myCopy;
};

} // namespace orvkit
