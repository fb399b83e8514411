#pragma once

#include "Common/Core/ParameterValue.h"

#include <string>

namespace orvkit {

// Reads values with a fallback: a null value gives the default, and so does a value of a kind
// that cannot stand for the one asked (a text asked as a number). Numbers and flags convert
// into each other.
struct ParameterCast {
    static bool Cast(const ParameterValue* value, bool defaultValue);
    static int Cast(const ParameterValue* value, int defaultValue);
    static double Cast(const ParameterValue* value, double defaultValue);
    static std::string Cast(const ParameterValue* value, const std::string& defaultValue);
    static std::string Cast(const ParameterValue* value, const char* defaultValue);
};

} // namespace orvkit
