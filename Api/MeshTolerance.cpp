#include "MeshTolerance.h"

#include "Geometry/IO/ExportMeshing.h"

#include <fmt/format.h>

namespace orvex::detail {

namespace {

const char* const kRuleText =
    "meshing is not a difference: each part meshed within {:g} % of its diagonal, its area "
    "within {:g} x that times its edges' length, its box within {:g} x that";

} // namespace

double MeshTolerance::Deflection(double diagonal)
{
    return orvkit::ExportMeshing::GetLinearDeflection(diagonal);
}

double MeshTolerance::AreaBand(double diagonal, double edgeLength)
{
    return kAreaPerEdge * Deflection(diagonal) * edgeLength;
}

double MeshTolerance::BoxBand(double diagonal)
{
    return kBoxCorner * Deflection(diagonal);
}

std::string MeshTolerance::Text()
{
    return fmt::format(kRuleText, orvkit::ExportMeshing::RelativeDeflection * 100.0, kAreaPerEdge,
                       kBoxCorner);
}

nlohmann::json MeshTolerance::ToJson()
{
    return {{"relativeDeflection", orvkit::ExportMeshing::RelativeDeflection},
            {"areaPerEdgeLength", kAreaPerEdge},
            {"boxCorner", kBoxCorner},
            {"text", Text()}};
}

} // namespace orvex::detail
