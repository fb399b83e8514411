#pragma once

#include "Geometry/IO/ImportSettingsModel.h"

#include <TopoDS_Shape.hxx>

#include <string>
#include <vector>

namespace orvkit {

// One file format the generic shape reader knows.
class ShapeReader {
public:
    virtual ~ShapeReader() = default;

    // Display name of the format, as file dialogs list it ("STEP Files").
    virtual std::string GetFormatName() const = 0;
    // Extensions the reader takes, lower case, with their leading dot (".step", ".stp").
    virtual std::vector<std::string> GetExtensions() const = 0;
    // Reads the file into one shape in the settings' model unit. A null shape when the file
    // cannot be read, with the reason logged at level 4. May throw OpenCASCADE's exceptions;
    // ShapeIO::Open catches them.
    virtual TopoDS_Shape Read(const std::string& path,
                              const ImportSettingsModel& settings) const = 0;
};

} // namespace orvkit
