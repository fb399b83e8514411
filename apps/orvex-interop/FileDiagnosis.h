#pragma once

#include <string>
#include <vector>

namespace orvkit {
class LoadFailure;
}

namespace orvex::cli {

// The program's one error line about an input file.
void PrintError(const std::string& file, const std::string& reason);
// The one error line for a load that failed, from the reason the reader kept.
void PrintError(const std::string& file, const orvkit::LoadFailure& failure);
// The program's warning lines about a file, one for each text: "orvex-interop: warning:
// 'FILE': TEXT". For what a read left out of the model and what a file written does not keep.
void PrintWarnings(const std::string& file, const std::vector<std::string>& warnings);

} // namespace orvex::cli
