#include "PrintFormat.h"

namespace orvex::cli {

std::string JsonText(const nlohmann::json& json)
{
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace orvex::cli
