#pragma once

#include <string>

namespace orvkit {
class XdeDocumentO;
}

namespace orvex::bench {

// Shape of a synthetic assembly. The same values always give the same document and, through
// WriteAssemblyStep, the same bytes.
struct AssemblyParameters {
    // Distinct parts. Each is its own solid with its own dimensions.
    int parts = 50;
    // Part instances placed in the whole file. Sub-assemblies are never shared, so this is also
    // the number of part references the reader has to resolve.
    int instances = 5000;
    // Levels of assemblies: 1 puts every part instance straight into the root assembly; with
    // more, each assembly above the last level holds `fanout` sub-assemblies of its own.
    int depth = 3;
    int fanout = 10;
    // 0 mixes boxes, cylinders and prisms of 7 to 12 faces; 5 or more makes every part a prism
    // with exactly this many faces (20: an 18-sided base).
    int faces = 0;
    // Colours about a third of every part's faces differently from the part itself.
    bool faceColors = false;
};

// What a generated document holds.
struct AssemblyStats {
    int parts = 0;
    int partFaces = 0;
    int assemblies = 0;
    int partInstances = 0;
    int assemblyInstances = 0;
    int coloredFaces = 0;
};

// Empty when the parameters can be generated, otherwise why not.
std::string ValidateParameters(const AssemblyParameters& parameters);

// A short, file-name-safe text that names every parameter, e.g. "p50-n5000-d3-k10-f0-fc0".
std::string DescribeParameters(const AssemblyParameters& parameters);

// Number of assemblies on the last level, which are the ones that place parts.
int LeafAssemblyCount(const AssemblyParameters& parameters);

// Builds the assembly into `document` (emptied first) through its writing interface: every
// part added once as its own shape with its name and colours, every assembly added as a
// compound of placed copies of the parts or sub-assemblies below it. False, with the reason in
// `error` when given, for invalid parameters or when the document did not make the labels the
// build asked for.
bool BuildAssemblyDocument(const AssemblyParameters& parameters, orvkit::XdeDocumentO& document,
                           AssemblyStats* stats = nullptr, std::string* error = nullptr);

// Builds the assembly and writes it as an AP214 STEP file with names and colours. The file is
// written beside `path` first and renamed over it at the end, so an interrupted run never
// leaves a truncated file behind. The header carries no date or path, only the parameters.
// On failure returns false and, when `error` is given, says why.
bool WriteAssemblyStep(const AssemblyParameters& parameters, const std::string& path,
                       AssemblyStats* stats = nullptr, std::string* error = nullptr);

} // namespace orvex::bench
