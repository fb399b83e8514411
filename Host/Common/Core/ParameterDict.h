#pragma once

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

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

// Makes owned values for ParameterDict::Add.
struct ParameterCreator {
    static std::unique_ptr<ParameterValue> Create(bool value);
    static std::unique_ptr<ParameterValue> Create(int value);
    static std::unique_ptr<ParameterValue> Create(double value);
    static std::unique_ptr<ParameterValue> Create(const char* value);
    static std::unique_ptr<ParameterValue> Create(const std::string& value);
};

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

// Key-value settings dictionary owning its values; keys are kept sorted.
class ParameterDict {
public:
    ParameterDict() = default;
    virtual ~ParameterDict() = default;
    ParameterDict(const ParameterDict&) = delete;
    ParameterDict& operator=(const ParameterDict&) = delete;

    // Stores the value under the key, replacing an earlier value. A null value is ignored.
    void Add(const std::string& key, std::unique_ptr<ParameterValue> value);
    // The value under the key, or null.
    ParameterValue* Find(const std::string& key) const;
    // The value as text, or the default when the key is absent.
    std::string GetString(const std::string& key, const std::string& defaultValue) const;
    bool Remove(const std::string& key);
    std::vector<std::string> GetKeys() const;
    size_t Size() const { return myValues.size(); }

private:
    std::map<std::string, std::unique_ptr<ParameterValue>> myValues;
};

} // namespace orvkit
