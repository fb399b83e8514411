#pragma once

#include "Common/Core/PathUtil.h"
#include "Geometry/Kernel/ValueText.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <string>

namespace orvex::cli {

using orvkit::DeviationText;
using orvkit::Number;
using orvkit::Placement;
using orvkit::PlacementText;
using orvkit::Plural;
using orvkit::ShapeTypeName;
using orvkit::ToPlacement;
using orvkit::ToSrgbHex;

// The JSON text of a document. Names that are not valid UTF-8 (8-bit names of an old file,
// say) get U+FFFD for each bad byte instead of failing the whole output.
std::string JsonText(const nlohmann::json& json);

// Prints what was read from `file` on standard output: as text under the file's name, or as
// one JSON document.
template <class Printer> void Print(const Printer& printer, const std::string& file, bool json)
{
    if (json) {
        nlohmann::json out = printer.ToJson();
        out["file"] = file;
        std::cout << JsonText(out) << "\n";
    } else {
        printer.PrintText(std::cout, orvkit::PathUtil::GetFileName(file) + ":");
    }
}

} // namespace orvex::cli
