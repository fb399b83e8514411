#pragma once

#include "Common/Core/LoadFailure.h"

#include <memory>
#include <string>

namespace orvkit {

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
