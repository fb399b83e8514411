#include "verbs/Verbs.h"

#include "PrintFormat.h"
#include "ReportPrinter.h"

#include "orvex/Check.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace orvex::cli {

namespace {

struct CheckArguments {
    std::string file;
    bool json = false;
};

// Reads a model file and shows its declared validation properties beside the geometry's (see
// orvex::Check), as text or one JSON document. Exit code: 0 when every declared value agrees
// with the geometry, 1 when one differs, 2 when the file cannot be read.
int RunCheck(const CheckArguments& arguments)
{
    const ReadResult read = ReadModel(arguments.file);
    if (!read) {
        return 2;
    }
    const CheckReport report = Check(*read.model);
    if (arguments.json) {
        nlohmann::json out = report.ToJson();
        out["file"] = arguments.file;
        std::cout << JsonText(out) << "\n";
    } else {
        PrintCheck(std::cout, report, orvkit::PathUtil::GetFileName(arguments.file) + ":");
    }
    return report.Agrees() ? 0 : 1;
}

} // namespace

Verb AddCheckVerb(CLI::App& app)
{
    const auto arguments = std::make_shared<CheckArguments>();
    CLI::App* verb = app.add_subcommand(
        "check", "Compare the validation properties a file declares (volume, area, centroid of "
                 "each part) with its geometry; exit 0 when they agree, 1 when not, 2 when the "
                 "file cannot be read");
    verb->add_option("FILE", arguments->file, "Any model file the program reads")->required();
    verb->add_flag("--json", arguments->json, "Print one JSON document instead");
    return {verb, [arguments](const RunLimits&) { return RunCheck(*arguments); },
            [arguments] { return arguments->file; }};
}

} // namespace orvex::cli
