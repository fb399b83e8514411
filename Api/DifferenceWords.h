#pragma once

namespace orvex::detail {

// The words a difference shows for a side that lacks the value or the item, the same in the
// comparisons of models, of facts and of PMI, so that one report reads alike throughout.
inline constexpr const char* kNone = "none";
inline constexpr const char* kOnlyInFirst = "only in the first file";
inline constexpr const char* kOnlyInSecond = "only in the second file";

} // namespace orvex::detail
