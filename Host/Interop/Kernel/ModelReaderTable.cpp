#include "ModelReaderTable.h"

#include "Common/Core/PathUtil.h"
#include "Interop/Kernel/GltfModelReader.h"
#include "Interop/Kernel/IgesModelReader.h"
#include "Interop/Kernel/ObjModelReader.h"
#include "Interop/Kernel/ShapeModelReader.h"
#include "Interop/Kernel/StepModelReader.h"

#include <memory>
#include <vector>

namespace orvkit {

namespace {

struct Line {
    std::vector<ModelFormat::EnumId> formats;
    std::shared_ptr<const ModelFileReader> reader;
};

// In ModelFormat's order, so that the extensions are listed as its table lists them.
const std::vector<Line>& Lines()
{
    static const std::vector<Line> lines = {
        {{ModelFormat::STEP}, std::make_shared<StepModelReader>()},
        {{ModelFormat::IGES}, std::make_shared<IgesModelReader>()},
        {{ModelFormat::BREP, ModelFormat::STL}, std::make_shared<ShapeModelReader>()},
        {{ModelFormat::OBJ}, std::make_shared<ObjModelReader>()},
        {{ModelFormat::GLTF, ModelFormat::GLB}, std::make_shared<GltfModelReader>()},
    };
    return lines;
}

} // namespace

const ModelFileReader* ModelReaderTable::ForPath(const std::string& path)
{
    const std::string extension = PathUtil::Extension(path);
    for (const Line& line : Lines()) {
        for (const ModelFormat::EnumId format : line.formats) {
            if (ModelFormat::Get(format).Takes(extension)) {
                return line.reader.get();
            }
        }
    }
    return nullptr;
}

std::string ModelReaderTable::Extensions()
{
    std::string list;
    for (const Line& line : Lines()) {
        for (const ModelFormat::EnumId format : line.formats) {
            for (const std::string& extension : ModelFormat::Get(format).extensions) {
                list += (list.empty() ? "" : ", ") + extension;
            }
        }
    }
    return list;
}

} // namespace orvkit
