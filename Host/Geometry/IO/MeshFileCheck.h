#pragma once

#include "Common/Core/LoadFailure.h"

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
// words say more. The OBJ check runs in ReadableMeshFile, which also makes the copy.
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

} // namespace orvkit
