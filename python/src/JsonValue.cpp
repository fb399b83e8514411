#include "JsonValue.h"

namespace orvex::python {

namespace {

template <class Json> py::object ToPython(const Json& json)
{
    switch (json.type()) {
    case nlohmann::json::value_t::object: {
        py::dict dict;
        for (const auto& [key, value] : json.items()) {
            dict[py::str(key)] = ToPython(value);
        }
        return std::move(dict);
    }
    case nlohmann::json::value_t::array: {
        py::list list(json.size());
        size_t i = 0;
        for (const auto& value : json) {
            list[i++] = ToPython(value);
        }
        return std::move(list);
    }
    case nlohmann::json::value_t::string:
        return py::str(json.template get_ref<const std::string&>());
    case nlohmann::json::value_t::boolean:
        return py::bool_(json.template get<bool>());
    case nlohmann::json::value_t::number_integer:
        return py::int_(json.template get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned:
        return py::int_(json.template get<std::uint64_t>());
    case nlohmann::json::value_t::number_float:
        return py::float_(json.template get<double>());
    default:
        return py::none();
    }
}

} // namespace

py::object JsonValue(const nlohmann::json& json)
{
    return ToPython(json);
}

py::object JsonValue(const nlohmann::ordered_json& json)
{
    return ToPython(json);
}

} // namespace orvex::python
