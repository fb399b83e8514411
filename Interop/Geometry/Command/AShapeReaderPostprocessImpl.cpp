#include "AShapeReaderPostprocessImpl.h"

#include "Common/Core/Logger.h"
#include "Geometry/Builder/FixShapeTool.h"
#include "Geometry/Builder/ShapeBuilder.h"
#include "Geometry/IO/ImportSettingsModel.h"

using namespace orvkit;

namespace {

// Joined vertices may grow up to the edge length itself.
const double kToleranceFactor = 1.0;

} // namespace

ShapeReaderPostprocessImpl::~ShapeReaderPostprocessImpl() = default;

std::shared_ptr<TopoShape>
ShapeReaderPostprocessImpl::Process(const std::shared_ptr<TopoShape>& shape,
                                    ParameterDict* settings)
{
    Logger& logger = Logger::Instance();
    const ImportSettingsModel model(settings);
    std::shared_ptr<TopoShape> result;
    if (model.GetFixEdges()) {
        logger.Message(1, "Fixing Shape ....");
        result = FixShapeTool::FixSmallEdges(shape, model.GetEdgeLength(), kToleranceFactor);
    }
    if (!result) {
        result = shape;
    }
    if (!model.GetFixSolid()) {
        return result;
    }
    logger.Message(1, "Fixing Solid ....");
    const std::shared_ptr<TopoShape> solid =
        ShapeBuilder::MakeSolid(result, model.GetMakeSolidTol());
    if (!solid) {
        ORVKIT_LOG_ERROR("Failed to MakeSolid.");
        return result;
    }
    logger.Message(1, "ShapeType: %d", static_cast<int>(result->GetShapeType()));
    if (!model.GetFixEdges()) {
        return solid;
    }
    logger.Message(1, "Fixing Shape (2) ....");
    // A repair that gives nothing must not lose the solid just made.
    std::shared_ptr<TopoShape> repaired =
        FixShapeTool::FixSmallEdges(solid, model.GetEdgeLength(), kToleranceFactor);
    return repaired ? repaired : solid;
}
