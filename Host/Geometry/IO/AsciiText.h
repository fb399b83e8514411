#pragma once

#include <TCollection_HAsciiString.hxx>

#include <string>

namespace orvkit {

// The text an OpenCASCADE string holds; empty for a null handle, which is how the readers
// give a name or description a file left unset. The one conversion for every reader of
// entity and attribute names.
inline std::string AsciiText(const Handle(TCollection_HAsciiString)& text)
{
    return text.IsNull() ? std::string() : std::string(text->ToCString());
}

} // namespace orvkit
