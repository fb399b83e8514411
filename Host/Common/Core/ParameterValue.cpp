#include "ParameterValue.h"

#include <fmt/format.h>

namespace orvkit {

std::string ParameterValue::ToString() const
{
    struct Visitor {
        std::string operator()(bool v) const { return v ? "true" : "false"; }
        std::string operator()(int v) const { return std::to_string(v); }
        std::string operator()(double v) const { return fmt::format("{}", v); }
        std::string operator()(const std::string& v) const { return v; }
    };
    return std::visit(Visitor{}, myValue);
}

} // namespace orvkit
