// orvex-bench-shape-read: time of the generic shape reader (ShapeIO::Open) on a large ASCII STL
// file against OpenCASCADE's STL parser alone on the same file. See README.md.
#include "BenchSupport.h"
#include "Geometry/IO/OcctServices.h"
#include "Geometry/IO/ShapeExchangeManager.h"
#include "Geometry/IO/ShapeIO.h"

#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>
#include <TopoDS.hxx>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using orvex::bench::Clock;
using orvex::bench::ProcessCpuSeconds;
using orvex::bench::SecondsBetween;

// Quads per side of the generated grid: 2 x 461 x 461 triangles make about 100 MB of text.
const int kGridSide = 461;
// Bump when the generator changes what it writes, so that a stale cached file is not reused.
const char* const kGeneratorRevision = "r1";

int TriangleCount()
{
    return 2 * kGridSide * kGridSide;
}

double Height(int i, int j)
{
    return 5.0 * std::sin(0.05 * i) * std::cos(0.07 * j);
}

void WriteFacet(std::FILE* out, const double (&p)[3][3])
{
    const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (double& c : n) {
        c /= length;
    }
    std::fprintf(out, " facet normal %12e %12e %12e\n  outer loop\n", n[0], n[1], n[2]);
    for (const auto& q : p) {
        std::fprintf(out, "   vertex %12e %12e %12e\n", q[0], q[1], q[2]);
    }
    std::fputs("  endloop\n endfacet\n", out);
}

// A wavy grid of triangles as ASCII STL, written once to the system's temporary folder and
// reused by later runs. Written under a temporary name first, so that an interrupted run never
// leaves a short file behind for the next one.
bool EnsureFile(std::string& path)
{
    const fs::path target =
        fs::temp_directory_path() /
        ("orvex-bench-grid" + std::to_string(kGridSide) + "-" + kGeneratorRevision + ".stl");
    path = target.string();
    std::error_code code;
    if (fs::is_regular_file(target, code) && fs::file_size(target, code) > 0) {
        return true;
    }
    const std::string partial = path + ".part";
    std::FILE* out = std::fopen(partial.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(stderr, "generating %s\n", path.c_str());
    std::fputs("solid grid\n", out);
    for (int i = 0; i < kGridSide; ++i) {
        for (int j = 0; j < kGridSide; ++j) {
            const double a[3] = {double(i), double(j), Height(i, j)};
            const double b[3] = {double(i + 1), double(j), Height(i + 1, j)};
            const double c[3] = {double(i + 1), double(j + 1), Height(i + 1, j + 1)};
            const double d[3] = {double(i), double(j + 1), Height(i, j + 1)};
            WriteFacet(out, {{a[0], a[1], a[2]}, {b[0], b[1], b[2]}, {c[0], c[1], c[2]}});
            WriteFacet(out, {{a[0], a[1], a[2]}, {c[0], c[1], c[2]}, {d[0], d[1], d[2]}});
        }
    }
    std::fputs("endsolid grid\n", out);
    const bool written = std::ferror(out) == 0;
    if (std::fclose(out) != 0 || !written) {
        fs::remove(partial, code);
        return false;
    }
    fs::rename(partial, target, code);
    return !code;
}

struct Measurement {
    int triangles = 0;
    double seconds = 0.0;
    double cpuSeconds = 0.0;
};

// OpenCASCADE alone: the parser into one triangulation, nodes merged.
Measurement ReadWithRWStl(const std::string& path)
{
    Measurement result;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    {
        const Handle(Poly_Triangulation) mesh = RWStl::ReadFile(path.c_str());
        result.seconds = SecondsBetween(start, Clock::now());
        result.triangles = mesh.IsNull() ? 0 : mesh->NbTriangles();
    }
    result.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    return result;
}

// The generic reader: file checks, reader lookup, the same parser, the face around its mesh.
// Releasing the shape is not timed on either side.
Measurement ReadWithShapeIO(const std::string& path)
{
    Measurement result;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    const std::shared_ptr<orvkit::TopoShape> shape = orvkit::ShapeIO::Open(path, nullptr);
    result.seconds = SecondsBetween(start, Clock::now());
    result.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    if (shape && shape->GetShapeType() == orvkit::TopoShapeFace) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh =
            BRep_Tool::Triangulation(TopoDS::Face(shape->GetImpl()), location);
        result.triangles = mesh.IsNull() ? 0 : mesh->NbTriangles();
    }
    return result;
}

void BM_AsciiStl(benchmark::State& state)
{
    std::string path;
    if (!EnsureFile(path)) {
        state.SkipWithError("cannot write the generated STL file");
        return;
    }
    if (orvkit::ShapeExchangeManager::Instance().GetPostprocess() != nullptr) {
        state.SkipWithError("a post-process is installed; this measures the reader alone");
        return;
    }
    // One untimed read first: it brings the file into the page cache and grows the heap, which
    // the first timed read would otherwise pay for alone.
    if (ReadWithRWStl(path).triangles != TriangleCount()) {
        state.SkipWithError("the generated file does not hold the triangles written");
        return;
    }
    double occt = 0.0, reader = 0.0, occtCpu = 0.0, readerCpu = 0.0;
    double occtMin = 0.0, readerMin = 0.0;
    int runs = 0;
    for (auto _ : state) {
        // Alternate which side goes first, so that neither always runs right after the other
        // has released its memory.
        Measurement a, b;
        if (runs % 2 == 0) {
            a = ReadWithRWStl(path);
            b = ReadWithShapeIO(path);
        } else {
            b = ReadWithShapeIO(path);
            a = ReadWithRWStl(path);
        }
        if (a.triangles != TriangleCount() || b.triangles != TriangleCount()) {
            state.SkipWithError("a read lost triangles");
            break;
        }
        state.SetIterationTime(b.seconds);
        occtMin = runs == 0 ? a.seconds : std::min(occtMin, a.seconds);
        readerMin = runs == 0 ? b.seconds : std::min(readerMin, b.seconds);
        occt += a.seconds;
        reader += b.seconds;
        occtCpu += a.cpuSeconds;
        readerCpu += b.cpuSeconds;
        ++runs;
    }
    if (runs == 0) {
        return;
    }
    const double n = runs;
    state.counters["a_rwstl_s"] = occt / n;
    state.counters["b_shapeio_s"] = reader / n;
    state.counters["b_div_a"] = reader / occt;
    state.counters["a_min_s"] = occtMin;
    state.counters["b_min_s"] = readerMin;
    state.counters["b_div_a_min"] = readerMin / occtMin;
    state.counters["b_div_a_cpu"] = readerCpu / occtCpu;
    state.counters["triangles"] = TriangleCount();
    std::error_code code;
    state.counters["file_MB"] = static_cast<double>(fs::file_size(path, code)) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    // ShapeIO routes OCCT's messages to the host logger on its first read; doing it before
    // anything runs gives both sides the same message handling.
    orvkit::InstallOcctServices();
    const int iterations = orvex::bench::IterationsFromEnvironment(4);
    benchmark::RegisterBenchmark("ShapeRead/AsciiStl100MB", BM_AsciiStl)
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
