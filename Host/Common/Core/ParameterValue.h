#pragma once

#include <memory>
#include <string>
#include <variant>

namespace orvkit {

// One settings value: a flag, an integer, a real number or a text.
class ParameterValue {
public:
    using Variant = std::variant<bool, int, double, std::string>;

    explicit ParameterValue(Variant value) : myValue(std::move(value)) {}
    virtual ~ParameterValue() = default;

    const Variant& GetVariant() const { return myValue; }
    // An owned copy, for another dictionary.
    std::unique_ptr<ParameterValue> Clone() const
    {
        return std::make_unique<ParameterValue>(myValue);
    }
    // The value as text, as a person would write it ("true", "12", "0.5", the text itself).
    std::string ToString() const;

private:
    Variant myValue;
};

} // namespace orvkit
