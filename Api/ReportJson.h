#pragma once

#include "orvex/Read.h"

#include "Common/Core/LoadFailure.h"

#include <nlohmann/json.hpp>

#include <array>
#include <string>

namespace orvex {

// The library's failure value of a load that failed, naming the file.
ReadFailure ToReadFailure(const std::string& path, const orvkit::LoadFailure& failure);

namespace detail {

inline nlohmann::ordered_json FailureJson(const ReadFailure& failure)
{
    return {{"kind", failure.kind}, {"path", failure.path}, {"reason", failure.reason}};
}

} // namespace detail

} // namespace orvex
