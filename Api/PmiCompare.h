#pragma once

#include "orvex/Compare.h"
#include "orvex/Pmi.h"

#include <vector>

namespace orvex::detail {

// Compares the PMI of two files item by item: dimensions with dimensions, tolerances with
// tolerances, datums and datum targets likewise. An item is paired with the one of the same
// kind and targets, the one at its own place first; what is left is paired in order with one of
// its kind, else it is only in its file.
class PmiCompare {
public:
    // Values are equal within `tolerance` times their size.
    explicit PmiCompare(double tolerance) : myTolerance(tolerance) {}

    // Each difference names its item as "tolerance 3 (position)" (counted from 1 in the first
    // file, or in the second for one only there) and the field, with the two values.
    std::vector<Difference> Compare(const PmiList& a, const PmiList& b) const;

private:
    double myTolerance;
};

} // namespace orvex::detail
