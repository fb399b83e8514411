#pragma once

#include "orvex/Model.h"

#include <nlohmann/json.hpp>

#include <array>
#include <string>
#include <vector>

namespace orvex {

// One property of one product: what the file declared, what the geometry gives and the
// verdict: "ok", "differs", "not declared" or "not compared".
struct CheckedValue {
    bool declared = false;
    bool computed = false;
    std::array<double, 3> declaredValue{}; // a volume or an area in the first only
    std::array<double, 3> computedValue{};
    double deviation = 0.0; // relative, or a fraction of the diagonal for a centroid
    std::string verdict = "not declared";
};

struct CheckedProduct {
    std::string path;
    std::string kind = "part"; // "part", "assembly", "component", "shape aspect"
    // Why the declared values were compared with nothing; empty when they were compared.
    std::string notCompared;
    CheckedValue volume;
    CheckedValue area;
    CheckedValue centroid;

    bool Declares() const { return volume.declared || area.declared || centroid.declared; }
};

struct CheckReport {
    std::string file;
    // Every part, and each assembly, placed component and shape aspect that declares values.
    std::vector<CheckedProduct> products;
    int differences = 0;
    int notCompared = 0;
    std::string summary; // "every declared value agrees with the geometry", ...

    bool Agrees() const { return differences == 0; }
    nlohmann::json ToJson() const;
};

// How far computed values may lie from declared ones: a volume or an area within 1 % of the
// larger, a centroid within 1 % of the diagonal of the product's bounding box.
constexpr double kCheckVolumeTolerance = 0.01;
constexpr double kCheckAreaTolerance = 0.01;
constexpr double kCheckCentroidTolerance = 0.01;

// Compares the validation properties (volume, area, centroid) the model's file declares for
// its parts, assemblies, placed components and shape aspects with its geometry, each in the
// frame of what carries it.
CheckReport Check(const Model& model);

} // namespace orvex
