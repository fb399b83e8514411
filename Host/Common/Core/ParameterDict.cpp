#include "ParameterDict.h"

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

std::unique_ptr<ParameterValue> ParameterCreator::Create(bool value)
{
    return std::make_unique<ParameterValue>(value);
}

std::unique_ptr<ParameterValue> ParameterCreator::Create(int value)
{
    return std::make_unique<ParameterValue>(value);
}

std::unique_ptr<ParameterValue> ParameterCreator::Create(double value)
{
    return std::make_unique<ParameterValue>(value);
}

std::unique_ptr<ParameterValue> ParameterCreator::Create(const char* value)
{
    return std::make_unique<ParameterValue>(std::string(value != nullptr ? value : ""));
}

std::unique_ptr<ParameterValue> ParameterCreator::Create(const std::string& value)
{
    return std::make_unique<ParameterValue>(value);
}

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

void ParameterDict::Add(const std::string& key, std::unique_ptr<ParameterValue> value)
{
    if (value) {
        myValues[key] = std::move(value);
    }
}

ParameterValue* ParameterDict::Find(const std::string& key) const
{
    auto it = myValues.find(key);
    return it == myValues.end() ? nullptr : it->second.get();
}

std::string ParameterDict::GetString(const std::string& key, const std::string& defaultValue) const
{
    const ParameterValue* value = Find(key);
    return value != nullptr ? value->ToString() : defaultValue;
}

bool ParameterDict::Remove(const std::string& key)
{
    return myValues.erase(key) > 0;
}

std::vector<std::string> ParameterDict::GetKeys() const
{
    std::vector<std::string> keys;
    keys.reserve(myValues.size());
    for (const auto& entry : myValues) {
        keys.push_back(entry.first);
    }
    return keys;
}

} // namespace orvkit
