// orvex-gen-assembly: writes a synthetic STEP assembly for import measurements.
#include "AssemblyGenerator.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <sys/stat.h>

int main(int argc, char** argv)
{
    orvex::bench::AssemblyParameters parameters;
    std::string output;

    CLI::App app{"orvex-gen-assembly: write a synthetic STEP assembly (same options, same bytes)"};
    app.add_option("--parts", parameters.parts, "Distinct parts")->capture_default_str();
    app.add_option("--instances", parameters.instances, "Part instances placed in the file")
        ->capture_default_str();
    app.add_option("--depth", parameters.depth,
                   "Levels of assemblies (1: parts straight under the root)")
        ->capture_default_str();
    app.add_option("--fanout", parameters.fanout,
                   "Sub-assemblies in each assembly above the last level")
        ->capture_default_str();
    app.add_option("--faces", parameters.faces,
                   "0 for mixed boxes, cylinders and prisms; 5 or more for prisms with exactly "
                   "this many faces")
        ->capture_default_str();
    app.add_flag("--face-colors", parameters.faceColors,
                 "Colour about a third of each part's faces differently from the part");
    app.add_option("-o,--output", output, "STEP file to write")->required();
    CLI11_PARSE(app, argc, argv);

    const std::string invalid = orvex::bench::ValidateParameters(parameters);
    if (!invalid.empty()) {
        std::cerr << "orvex-gen-assembly: " << invalid << "\n";
        return 2;
    }
    // OCCT's writer reports its progress on standard output; only failures are of interest.
    for (Message_SequenceOfPrinters::Iterator it(Message::DefaultMessenger()->Printers());
         it.More(); it.Next()) {
        it.Value()->SetTraceLevel(Message_Fail);
    }
    const auto start = std::chrono::steady_clock::now();
    orvex::bench::AssemblyStats stats;
    std::string error;
    if (!orvex::bench::WriteAssemblyStep(parameters, output, &stats, &error)) {
        std::cerr << "orvex-gen-assembly: " << error << "\n";
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct stat info {};
    const long long bytes = ::stat(output.c_str(), &info) == 0 ? info.st_size : -1;
    std::printf("%s: %d parts (%d faces, %d coloured), %d assemblies, %d part instances, "
                "%d sub-assembly instances, %lld bytes, %.2f s\n",
                output.c_str(), stats.parts, stats.partFaces, stats.coloredFaces, stats.assemblies,
                stats.partInstances, stats.assemblyInstances, bytes, seconds);
    return 0;
}
