#pragma once

#include "Interop/Kernel/XdeDocumentImpl.h"

#include <TDF_Label.hxx>
#include <gp_Trsf.hxx>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace orvex::cli {

// One distinct child of an assembly: the product and where the assembly places it.
struct AssemblyChild {
    TDF_Label product;
    std::string name;
    std::vector<gp_Trsf> placements;
};

// The assembly to split: the one named, or the first free one. A null label after one error
// line when there is none (no such name, not an assembly, no assembly in the model).
TDF_Label FindAssembly(const orvkit::XdeDocumentImpl& model, const std::string& name);

// The distinct products the assembly's components refer to, in the order of their first
// component, each with the placements of all its components.
std::vector<AssemblyChild> ChildrenOf(const TDF_Label& assembly);

// The label's name; empty when it has none.
std::string NameOf(const TDF_Label& label);

// A file name from a product's name: characters no file system takes become '_'.
std::string FileStem(const std::string& name);

// {"translation": [x, y, z], "rotation": [[row 1], [row 2], [row 3]]}.
nlohmann::ordered_json PlacementJson(const gp_Trsf& placement);

} // namespace orvex::cli
