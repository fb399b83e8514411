#include "ParameterCreator.h"

namespace orvkit {

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

} // namespace orvkit
