#include "ParameterCast.h"

namespace orvkit {

namespace {

// Numeric view of a value; false when it holds text.
bool AsNumber(const ParameterValue* value, double& number)
{
    if (value == nullptr) {
        return false;
    }
    const auto& v = value->GetVariant();
    if (const bool* b = std::get_if<bool>(&v)) {
        number = *b ? 1.0 : 0.0;
    } else if (const int* i = std::get_if<int>(&v)) {
        number = *i;
    } else if (const double* d = std::get_if<double>(&v)) {
        number = *d;
    } else {
        return false;
    }
    return true;
}

} // namespace

bool ParameterCast::Cast(const ParameterValue* value, bool defaultValue)
{
    double number = 0;
    return AsNumber(value, number) ? number != 0.0 : defaultValue;
}

int ParameterCast::Cast(const ParameterValue* value, int defaultValue)
{
    double number = 0;
    return AsNumber(value, number) ? static_cast<int>(number) : defaultValue;
}

double ParameterCast::Cast(const ParameterValue* value, double defaultValue)
{
    double number = 0;
    return AsNumber(value, number) ? number : defaultValue;
}

std::string ParameterCast::Cast(const ParameterValue* value, const std::string& defaultValue)
{
    if (value == nullptr) {
        return defaultValue;
    }
    const auto* text = std::get_if<std::string>(&value->GetVariant());
    return text != nullptr ? *text : defaultValue;
}

std::string ParameterCast::Cast(const ParameterValue* value, const char* defaultValue)
{
    return Cast(value, std::string(defaultValue != nullptr ? defaultValue : ""));
}

} // namespace orvkit
