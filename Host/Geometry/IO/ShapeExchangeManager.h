#pragma once

#include "Common/Core/ParameterDict.h"
#include "Geometry/IO/ShapeReader.h"
#include "Geometry/IO/ShapeReaderPostprocess.h"
#include "Geometry/IO/ShapeWriter.h"
#include "Geometry/Kernel/TopoShape.h"

#include <memory>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvkit {

// The process-wide registry of the generic shape reader's and writer's formats and helpers. It
// knows STEP, IGES, BREP, STL, OBJ and glTF, both ways, from the start.
//
// Every function may be called from any thread. Readers and writers are never removed, so the
// pointers FindReader and FindWriter give stay valid for the life of the process.
class ShapeExchangeManager {
public:
    static ShapeExchangeManager& Instance();

    // One entry per readable format: display name -> its patterns as a file dialog takes them
    // ("STEP Files" -> "*.step *.stp").
    void ListReaderFormats(std::unordered_map<std::string, std::string>& formats) const;
    // The reader for an extension (with its dot, any case), or null.
    const ShapeReader* FindReader(const std::string& extension) const;
    // Adds a format; a later reader wins for an extension both take.
    void AddReader(std::unique_ptr<ShapeReader>&& reader);

    // One entry per writable format, as ListReaderFormats gives them.
    void ListWriterFormats(std::unordered_map<std::string, std::string>& formats) const;
    // The writer for an extension (with its dot, any case), or null.
    const ShapeWriter* FindWriter(const std::string& extension) const;
    // Adds a format; a later writer wins for an extension both take.
    void AddWriter(std::unique_ptr<ShapeWriter>&& writer);

    // Installs the one post-process, replacing an earlier one, which is destroyed as soon as
    // no read runs it any more.
    void SetPostprocess(std::unique_ptr<ShapeReaderPostprocess>&& postprocess);
    // The installed post-process, or null. The pointer is valid until the next SetPostprocess;
    // a caller that may run while another thread installs one uses GetSharedPostprocess.
    ShapeReaderPostprocess* GetPostprocess() const;
    // The installed post-process, kept alive by the caller's share even when it is replaced.
    std::shared_ptr<ShapeReaderPostprocess> GetSharedPostprocess() const;

private:
    ShapeExchangeManager();

    // Shared by the lookups, exclusive for the additions.
    mutable std::shared_mutex myMutex;
    std::vector<std::unique_ptr<ShapeReader>> myReaders;
    std::vector<std::unique_ptr<ShapeWriter>> myWriters;
    std::shared_ptr<ShapeReaderPostprocess> myPostprocess;
};

} // namespace orvkit
