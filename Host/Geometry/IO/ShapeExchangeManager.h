#pragma once

#include "Common/Core/ParameterDict.h"
#include "Geometry/IO/ShapeReader.h"
#include "Geometry/IO/ShapeWriter.h"
#include "Geometry/Kernel/TopoShape.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvkit {

// Runs after every read of the generic shape reader and may replace the shape it read.
class ShapeReaderPostprocess {
public:
    virtual ~ShapeReaderPostprocess() = default;
    // The shape to continue with: a repaired one, or `shape` itself.
    virtual std::shared_ptr<TopoShape> Process(const std::shared_ptr<TopoShape>& shape,
                                               ParameterDict* settings) = 0;
};

// The process-wide registry of the generic shape reader's and writer's formats and helpers. It
// knows STEP, IGES, BREP, STL, OBJ and glTF, both ways, from the start.
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

    // Installs the one post-process, replacing (and destroying) an earlier one.
    void SetPostprocess(std::unique_ptr<ShapeReaderPostprocess>&& postprocess);
    ShapeReaderPostprocess* GetPostprocess() const { return myPostprocess.get(); }

private:
    ShapeExchangeManager();

    std::vector<std::unique_ptr<ShapeReader>> myReaders;
    std::vector<std::unique_ptr<ShapeWriter>> myWriters;
    std::unique_ptr<ShapeReaderPostprocess> myPostprocess;
};

} // namespace orvkit
