#pragma once

#include "orvex/Compare.h"

#include <TDF_Label.hxx>

#include <string>
#include <vector>

namespace orvex::detail {

// Compares what two files say about one product or one placement of it besides its shape:
// id, description, material, body names and user-defined properties (topic "property").
class FactsCompare {
public:
    // Numbers are equal within `tolerance` times their size.
    explicit FactsCompare(double tolerance) : myTolerance(tolerance) {}

    // The product labels `a` and `b` at `path`; each difference names the fact ("material",
    // "property 'Mass'", "bodies") and the two values.
    std::vector<Difference> CompareProducts(const TDF_Label& a, const TDF_Label& b,
                                            const std::string& path) const;
    // The properties of two placements (component labels).
    std::vector<Difference> CompareInstances(const TDF_Label& a, const TDF_Label& b,
                                             const std::string& path) const;

private:
    void CompareProperties(const TDF_Label& a, const TDF_Label& b, const std::string& path,
                           std::vector<Difference>& differences) const;

    double myTolerance;
};

} // namespace orvex::detail
