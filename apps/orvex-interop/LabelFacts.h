#pragma once

#include <TDF_Label.hxx>
#include <nlohmann/json.hpp>

#include <string>

namespace orvex::cli {

// What the file says about a label besides its shape: product id and description, material,
// user-defined properties. As text for a listing (" id=\"P-1\" material=\"Steel\" ...", empty
// when none) and as JSON (null when none).
std::string LabelFactsText(const TDF_Label& label);
nlohmann::json LabelFactsJson(const TDF_Label& label);

} // namespace orvex::cli
