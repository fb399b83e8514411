#include "verbs/Verbs.h"
#include "verbs/WriteChoiceOptions.h"

#include "BatchConvert.h"
#include "PrintFormat.h"

#include "Geometry/IO/ModelFormat.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>

namespace orvex::cli {

using namespace orvkit;

namespace {

const char* const kErrorPrefix = "orvex-interop: error: ";

void PrintText(const std::vector<ConvertOutcome>& outcomes, size_t failed, const std::string& shard)
{
    for (const ConvertOutcome& outcome : outcomes) {
        if (outcome.ok) {
            // One line a file; what the read left out and what the file does not keep at its end.
            std::string warnings;
            for (const std::string& warning : outcome.warnings) {
                warnings += "; " + warning;
            }
            fmt::print("ok      {} -> {} ({} bytes, {:.2f} s{}{})\n", outcome.input, outcome.output,
                       outcome.bytes, outcome.seconds, outcome.verified ? ", reads back equal" : "",
                       warnings);
        } else {
            fmt::print("failed  {} ({:.2f} s): {}\n", outcome.input, outcome.seconds,
                       outcome.reason);
        }
    }
    fmt::print("{}{} converted, {} failed\n", shard.empty() ? "" : "shard " + shard + ": ",
               outcomes.size() - failed, failed);
}

void PrintJson(const std::vector<ConvertOutcome>& outcomes, size_t failed, const std::string& shard)
{
    using Json = nlohmann::ordered_json;
    Json report;
    // Which part of the list this was, so that the reports of all shards can be put together
    // and checked for completeness; null without --shard.
    Shard parsed;
    report["shard"] = Shard::Parse(shard, parsed)
                          ? Json{{"index", parsed.index}, {"count", parsed.count}}
                          : Json();
    Json files = Json::array();
    for (const ConvertOutcome& outcome : outcomes) {
        // No reason for a file that converted, no size for one that did not.
        Json file;
        file["input"] = outcome.input;
        file["output"] = outcome.output;
        file["status"] = outcome.ok ? "ok" : "failed";
        file["reason"] = outcome.ok ? Json() : Json(outcome.reason);
        file["seconds"] = std::round(outcome.seconds * 1000.0) / 1000.0;
        file["bytes"] = outcome.ok ? Json(outcome.bytes) : Json();
        file["warnings"] = outcome.warnings;
        // Null when not asked for, or when nothing was written to read back.
        file["verified"] = outcome.verified ? Json(*outcome.verified) : Json();
        files.push_back(std::move(file));
    }
    report["files"] = std::move(files);
    report["ok"] = outcomes.size() - failed;
    report["failed"] = failed;
    std::cout << JsonText(report) << "\n";
}

// Checks the options (one error line and exit code 1 when they cannot run), converts, and
// prints a report on standard output, as text or one JSON document. Returns 1 when any file
// failed, 0 when all converted.
int RunConvert(ConvertOptions options)
{
    if (std::string error;
        !options.listFile.empty() && !ReadFileList(options.listFile, options.files, error)) {
        std::cerr << kErrorPrefix << error << "\n";
        return 1;
    }
    BatchConvert batch(options);
    if (const std::string problem = batch.CheckOptions(); !problem.empty()) {
        std::cerr << kErrorPrefix << problem << "\n";
        return 1;
    }
    const std::vector<ConvertOutcome> outcomes = batch.Run();
    const size_t failed = static_cast<size_t>(
        std::count_if(outcomes.begin(), outcomes.end(),
                      [](const ConvertOutcome& outcome) { return !outcome.ok; }));
    if (options.json) {
        PrintJson(outcomes, failed, options.shard);
    } else {
        PrintText(outcomes, failed, options.shard);
    }
    return failed > 0 ? 1 : 0;
}

} // namespace

Verb AddConvertVerb(CLI::App& app)
{
    const auto options = std::make_shared<ConvertOptions>();
    CLI::App* verb = app.add_subcommand(
        "convert", "Convert model files with 'export', each in a process of its own so that a "
                   "file which crashes fails alone, and report how each went");
    verb->add_option("FILE", options->files, "The model files (any the program reads)");
    verb->add_option("--from-list", options->listFile,
                     "Also convert the files listed in LIST, one path a line ('-': standard "
                     "input), for more files than a command line holds")
        ->type_name("LIST");
    verb->add_option("--shard", options->shard,
                     "Convert only the K-th of N shards of the files, sorted by name (for N "
                     "machines, each given its K); the same files give the same shards")
        ->type_name("K/N");
    verb->add_option("--format", options->format,
                     "Format to write: " + ModelFormat::WritableNames())
        ->type_name("FORMAT")
        ->required();
    verb->add_option("--out", options->outDir,
                     "An existing folder; each FILE is written to it as "
                     "<name without extension>.<format>")
        ->type_name("FOLDER")
        ->required();
    verb->add_option("--jobs", options->jobs,
                     "Files converted at a time (default: one per processor core)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    AddWriteChoices(*verb, options->choices);
    verb->add_flag("--json", options->json, "Print the report as one JSON document");
    verb->add_flag("--verify", options->verify,
                   "Read each file written back and compare it with the model it was written "
                   "from; one that reads back different is kept and counts as failed");
    // Each file runs in a child of its own, which is given the limits.
    Verb convert{verb,
                 [options](const RunLimits& limits) {
                     ConvertOptions limited = *options;
                     limited.limits = limits;
                     return RunConvert(std::move(limited));
                 },
                 [] { return std::string(); }};
    convert.limited = false;
    return convert;
}

} // namespace orvex::cli
