#pragma once

#include "Common/Core/ParameterValue.h"

#include <memory>
#include <string>

namespace orvkit {

// Makes owned values for ParameterDict::Add.
struct ParameterCreator {
    static std::unique_ptr<ParameterValue> Create(bool value);
    static std::unique_ptr<ParameterValue> Create(int value);
    static std::unique_ptr<ParameterValue> Create(double value);
    static std::unique_ptr<ParameterValue> Create(const char* value);
    static std::unique_ptr<ParameterValue> Create(const std::string& value);
};

} // namespace orvkit
