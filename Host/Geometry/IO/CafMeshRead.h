#pragma once

#include "Common/Core/LoadFailure.h"

#include <TopoDS_Shape.hxx>

#include <string>

class RWMesh_CafReader;

namespace orvkit {

// The read sequence the OBJ and glTF shape readers share, after the file's check: `readable`
// is what the reader is given, `path` what messages name. No document is attached: the reader
// keeps the shapes it made, and they come back gathered in one shape. Null, with the reason
// logged, when `refusal` is set, the file does not parse to its end or it holds no mesh.
TopoDS_Shape ReadCafMesh(RWMesh_CafReader& reader, const std::string& readable, const char* format,
                         const LoadFailure& refusal, const std::string& path);

} // namespace orvkit
