#pragma once

#include <string>

namespace orvkit {

// Keeps the first failure message OpenCASCADE reports on the calling thread while it lives
// (its parsers say what is wrong, with the line, only through the message printers). The
// messages still reach the host logger. Captures may nest; the innermost one receives.
class OcctMessageCapture {
public:
    OcctMessageCapture();
    ~OcctMessageCapture();
    OcctMessageCapture(const OcctMessageCapture&) = delete;
    OcctMessageCapture& operator=(const OcctMessageCapture&) = delete;

    // The first failure's text without OpenCASCADE's frame of asterisks; empty when none.
    const std::string& GetFirstFailure() const { return myFirstFailure; }

    // Called by the host's message printer.
    static void Failure(const std::string& text);

private:
    OcctMessageCapture* myOuter;
    std::string myFirstFailure;
};

} // namespace orvkit
