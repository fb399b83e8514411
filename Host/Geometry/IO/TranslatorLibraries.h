#pragma once

#include "Common/Core/ParameterDict.h"
#include "Geometry/IO/ImportSettingsModel.h"

#include <TDocStd_Document.hxx>
#include <TopoDS_Shape.hxx>

#include <string>

namespace orvkit {

// The host's readers and writers that need OpenCASCADE's IGES translator or its mesh formats
// live in libraries of their own, Orvex.Host.Iges and Orvex.Host.Mesh, loaded the first time a
// file of theirs is read or written (LazyLibrary): a run that touches none of these formats
// does not pay for loading them. The reader and writer classes the rest of the host knows
// (IgesShapeReader, StlShapeReader, ...) stay here and call through these tables. Get() loads
// the library on its first call and throws LazyLibraryError when it cannot.

// Orvex.Host.Iges.
struct IgesTranslator {
    // IgesShapeReader::Read.
    TopoDS_Shape (*readShape)(const std::string& path, const ImportSettingsModel& settings);
    // IgesShapeWriter::Write.
    bool (*writeShape)(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
                       std::string& reason);

    static const IgesTranslator& Get();
};

// Orvex.Host.Mesh.
struct MeshTranslator {
    // StlShapeReader::Read, ObjShapeReader::Read, GltfShapeReader::Read.
    TopoDS_Shape (*readStl)(const std::string& path, const ImportSettingsModel& settings);
    TopoDS_Shape (*readObj)(const std::string& path, const ImportSettingsModel& settings);
    TopoDS_Shape (*readGltf)(const std::string& path, const ImportSettingsModel& settings);
    // `shape` as binary or ASCII STL; false with `reason` when the writer fails.
    bool (*writeStl)(const std::string& file, const TopoDS_Shape& shape, bool ascii,
                     std::string& reason);
    // The document as OBJ with its materials, lengths from `fromMetres` to `toMetres` a unit.
    bool (*writeObj)(const std::string& file, const Handle(TDocStd_Document)& document,
                     double fromMetres, double toMetres, std::string& reason);

    static const MeshTranslator& Get();
};

} // namespace orvkit
