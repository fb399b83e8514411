#pragma once

#include "orvex/Model.h"

#include <TDF_Label.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

namespace orvex::detail {

// What the document keeps about a label besides its shape (see LabelProperties), in the
// library's types.
Properties PropertiesOf(const TDF_Label& label);
std::optional<Material> MaterialOf(const TDF_Label& label);
// The named solids and shells of a part, with their faces as `faces` numbers them.
std::vector<Body> BodiesOf(const TDF_Label& part, const TopTools_IndexedMapOfShape& faces);

} // namespace orvex::detail
