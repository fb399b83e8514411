#pragma once

#include <string>

namespace orvkit {

// A file path as UTF-8 text. An empty path tests false: that is how a cancelled file dialog
// answers.
class Path {
public:
    Path() = default;
    Path(std::string text) : myText(std::move(text)) {}
    Path(const char* text) : myText(text != nullptr ? text : "") {}

    explicit operator bool() const { return !myText.empty(); }
    bool IsEmpty() const { return myText.empty(); }
    // The path of `name` inside this folder: "out" + "a.stp" gives "out/a.stp".
    Path operator+(const std::string& name) const
    {
        if (myText.empty() || myText.back() == '/' || myText.back() == '\\') {
            return Path(myText + name);
        }
        return Path(myText + "/" + name);
    }
    const std::string& GetString() const { return myText; }
    const char* c_str() const { return myText.c_str(); }

private:
    std::string myText;
};

} // namespace orvkit
