#pragma once

#include "Common/Core/ParameterDict.h"

#include <TopoDS_Shape.hxx>

#include <string>
#include <vector>

namespace orvkit {

// One file format the generic shape writer knows.
class ShapeWriter {
public:
    virtual ~ShapeWriter() = default;

    // Display name of the format, as file dialogs list it ("STEP Files").
    virtual std::string GetFormatName() const = 0;
    // Extensions the writer takes, lower case, with their leading dot (".step", ".stp").
    virtual std::vector<std::string> GetExtensions() const = 0;
    // Writes `shape` (neither null nor empty, lengths in the settings' model unit; `settings`
    // may be null) to a new file at `path`, and files the format keeps beside it into the same
    // folder. False, with the reason in plain words in `reason` and nothing logged, when the
    // format cannot hold the shape or OpenCASCADE's writer fails. May throw OpenCASCADE's
    // exceptions; ShapeIO::Save catches them.
    virtual bool Write(const TopoDS_Shape& shape, const std::string& path, ParameterDict* settings,
                       std::string& reason) const = 0;
};

} // namespace orvkit
