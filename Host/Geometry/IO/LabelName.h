#pragma once

#include <TDF_Label.hxx>

#include <string>

namespace orvkit {

// The name of a label of an XCAF document (its TDataStd_Name) as UTF-8; empty when it has
// none, and for a null label. The one reading of a label's name for every writer, walker and
// printer of documents.
std::string LabelName(const TDF_Label& label);

} // namespace orvkit
