#include "ObjModelReader.h"

#include "Geometry/IO/ReadableMeshFile.h"
#include "Interop/Kernel/MeshDocumentRead.h"

#include <RWObj_CafReader.hxx>

namespace orvkit {

ModelReadOutcome ObjModelReader::Read(const std::string& path, XdeDocumentImpl& impl,
                                      ParameterDict*) const
{
    // OBJ holds no unit: the numbers stay as they are, taken for millimetres.
    const ReadableMeshFile readable(path, ReadableMeshFile::OBJ);
    RWObj_CafReader reader;
    reader.SetSystemLengthUnit(0.001);
    reader.SetFileLengthUnit(0.001);
    return ReadMeshDocument(reader, readable.GetPath(), path, impl, "OBJ", readable.GetRefusal());
}

} // namespace orvkit
