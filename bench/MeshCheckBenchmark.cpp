// orvex-bench-mesh-check: what the glTF check costs before a read, against OpenCASCADE's glTF
// reader on the same GLB file. See README.md.
#include "BenchSupport.h"
#include "Geometry/IO/MeshFileCheck.h"
#include "Geometry/IO/OcctServices.h"

#include <RWGltf_CafReader.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using orvex::bench::Clock;
using orvex::bench::SecondsBetween;

// Quads per side of the grid mesh: 2 x 700 x 700 = 980,000 triangles, 490,000 vertices.
const int kGridSide = 700;
// Nodes: a root with 100 groups of 100 instances of the mesh.
const int kGroups = 100;
const int kPerGroup = 100;
const char* const kGeneratorRevision = "r1";

void Append(std::string& out, const void* data, size_t size)
{
    out.append(static_cast<const char*>(data), size);
}

// The GLB, written once to the system's temporary folder; false when it cannot be written.
bool EnsureFile(std::string& path)
{
    path = (fs::temp_directory_path() /
            ("orvex-bench-grid" + std::to_string(kGridSide) + "-" + kGeneratorRevision + ".glb"))
               .string();
    if (fs::exists(path)) {
        return true;
    }
    const int side = kGridSide + 1;
    std::string bin;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            const float p[3] = {float(i), float(j), 0.0f};
            Append(bin, p, sizeof(p));
        }
    }
    const size_t positions = bin.size();
    for (int j = 0; j < kGridSide; ++j) {
        for (int i = 0; i < kGridSide; ++i) {
            const uint32_t a = uint32_t(j * side + i), b = a + 1, c = a + uint32_t(side), d = c + 1;
            const uint32_t quad[6] = {a, b, d, a, d, c};
            Append(bin, quad, sizeof(quad));
        }
    }
    const size_t indices = bin.size() - positions;
    nlohmann::json nodes = nlohmann::json::array();
    nlohmann::json groups = nlohmann::json::array();
    for (int g = 0; g < kGroups; ++g) {
        groups.push_back(1 + g * (kPerGroup + 1));
    }
    nodes.push_back({{"children", groups}});
    for (int g = 0; g < kGroups; ++g) {
        nlohmann::json members = nlohmann::json::array();
        for (int k = 0; k < kPerGroup; ++k) {
            members.push_back(2 + g * (kPerGroup + 1) + k);
        }
        nodes.push_back({{"children", members}, {"translation", {0, 0, g}}});
        for (int k = 0; k < kPerGroup; ++k) {
            nodes.push_back({{"mesh", 0}, {"translation", {k * 1000, 0, 0}}});
        }
    }
    const nlohmann::json json = {
        {"asset", {{"version", "2.0"}}},
        {"scene", 0},
        {"scenes", {{{"nodes", {0}}}}},
        {"nodes", nodes},
        {"meshes", {{{"primitives", {{{"attributes", {{"POSITION", 0}}}, {"indices", 1}}}}}}},
        {"buffers", {{{"byteLength", bin.size()}}}},
        {"bufferViews",
         {{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", positions}},
          {{"buffer", 0}, {"byteOffset", positions}, {"byteLength", indices}}}},
        {"accessors",
         {{{"bufferView", 0},
           {"componentType", 5126},
           {"count", side * side},
           {"type", "VEC3"},
           {"min", {0, 0, 0}},
           {"max", {kGridSide, kGridSide, 0}}},
          {{"bufferView", 1},
           {"componentType", 5125},
           {"count", 6 * kGridSide * kGridSide},
           {"type", "SCALAR"}}}}};
    std::string text = json.dump();
    text.append((4 - text.size() % 4) % 4, ' ');
    std::string glb = "glTF";
    const uint32_t header[2] = {2, uint32_t(12 + 8 + text.size() + 8 + bin.size())};
    Append(glb, header, sizeof(header));
    const uint32_t jsonChunk[2] = {uint32_t(text.size()), 0x4E4F534A};
    Append(glb, jsonChunk, sizeof(jsonChunk));
    glb += text;
    const uint32_t binChunk[2] = {uint32_t(bin.size()), 0x004E4942};
    Append(glb, binChunk, sizeof(binChunk));
    glb += bin;
    const std::string partial = path + ".part";
    std::ofstream(partial, std::ios::binary) << glb;
    std::error_code code;
    fs::rename(partial, path, code);
    return !code;
}

// OpenCASCADE's reader into a fresh document, as the program sets it up.
double ReadWithOcct(const std::string& path)
{
    Handle(TDocStd_Document) document;
    XCAFApp_Application::GetApplication()->NewDocument("BinXCAF", document);
    const auto start = Clock::now();
    RWGltf_CafReader reader;
    reader.SetSystemLengthUnit(0.001);
    reader.SetSystemCoordinateSystem(RWMesh_CoordinateSystem_Zup);
    reader.SetDocument(document);
    const bool done =
        reader.Perform(TCollection_AsciiString(path.c_str()), Message_ProgressRange());
    const double seconds = SecondsBetween(start, Clock::now());
    XCAFApp_Application::GetApplication()->Close(document);
    return done ? seconds : -1.0;
}

void BM_GltfCheck(benchmark::State& state)
{
    std::string path;
    if (!EnsureFile(path)) {
        state.SkipWithError("cannot write the generated GLB file");
        return;
    }
    // Warms the page cache and the heap for both sides.
    if (ReadWithOcct(path) < 0 || orvkit::MeshFileCheck::Gltf(path)) {
        state.SkipWithError("the generated file does not read, or is refused");
        return;
    }
    double check = 0.0, occt = 0.0;
    int runs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const orvkit::LoadFailure refusal = orvkit::MeshFileCheck::Gltf(path);
        const double checkSeconds = SecondsBetween(start, Clock::now());
        const double occtSeconds = ReadWithOcct(path);
        if (refusal || occtSeconds < 0) {
            state.SkipWithError("a read failed");
            break;
        }
        state.SetIterationTime(checkSeconds);
        check += checkSeconds;
        occt += occtSeconds;
        ++runs;
    }
    if (runs == 0) {
        return;
    }
    state.counters["a_occt_read_s"] = occt / runs;
    state.counters["b_check_s"] = check / runs;
    state.counters["b_div_a"] = check / occt;
    state.counters["triangles"] = 2.0 * kGridSide * kGridSide;
    state.counters["nodes"] = 1 + kGroups * (kPerGroup + 1);
    std::error_code code;
    state.counters["file_MB"] = static_cast<double>(fs::file_size(path, code)) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    orvkit::InstallOcctServices();
    const int iterations = orvex::bench::IterationsFromEnvironment(4);
    benchmark::RegisterBenchmark("MeshCheck/Glb1MTriangles10kNodes", BM_GltfCheck)
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
