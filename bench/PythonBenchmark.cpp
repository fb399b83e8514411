// orvex-bench-python: what the Python module costs over the program, as a user pays it, on
// generated assemblies. Reading 10,000 instances of 50 parts with
// `python3 -c "import orvex; orvex.read(F)"` against `orvex-interop import --json F`, and meshing
// every part through Part.mesh() against the meshing a GLB export does, on 100,000 instances of
// 50 parts and on 2,000 parts of 20 faces.
// Every side runs as a process of its own. See README.md.
#include "AssemblyGenerator.h"
#include "BenchSupport.h"

#include "Geometry/IO/ExportMeshing.h"
#include "Geometry/IO/ShapeMesher.h"
#include "Interop/Kernel/XdeModelEdit.h"
#include "Interop/Kernel/XdeWriteOptions.h"

#include "orvex/Read.h"

#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp.hxx>
#include <TopLoc_Location.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include <sys/resource.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using orvex::bench::Clock;
using orvex::bench::SecondsBetween;

// The generated files are named as orvex-bench-import names them, so that both share them.
const char* const kGeneratorRevision = "g1";
// Run as `orvex-bench-python --mesh-as-export FILE`, the program is the export's side of the
// meshing case.
const char* const kMeshAsExportFlag = "--mesh-as-export";

// Both sides of the meshing cases print "SECONDS TRIANGLES NUMPY": the time to mesh every part
// once the file is read, how many triangles that made, and how long loading numpy took. The
// module loads numpy with the first array it makes; that is a cost of the process, like
// loading the module, so it is timed apart.
const char* const kPythonMesh = R"(import sys, time
start = time.perf_counter()
import numpy
numpy_seconds = time.perf_counter() - start
import orvex
model = orvex.read(sys.argv[1])
start = time.perf_counter()
meshes = [part.mesh() for part in model.parts]
print(time.perf_counter() - start, sum(len(mesh.triangles) for mesh in meshes), numpy_seconds))";

const char* const kPythonRead = "import sys, orvex; orvex.read(sys.argv[1])";

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

std::string PythonCommand(const char* script, const std::string& file)
{
    return "PYTHONPATH=" + Quoted(ORVEX_PYTHON_PATH) + " " + Quoted(ORVEX_PYTHON) + " -c " +
           Quoted(script) + " " + Quoted(file);
}

fs::path DataDirectory()
{
    const char* directory = std::getenv("ORVEX_BENCH_DATA_DIR");
    return directory != nullptr && *directory != '\0' ? directory : ORVEX_BENCH_DATA_DIR;
}

// The generated file of these parameters, made on first use and kept.
std::optional<std::string> AssemblyFile(const orvex::bench::AssemblyParameters& parameters,
                                        std::string& error)
{
    std::error_code code;
    fs::create_directories(DataDirectory(), code);
    const fs::path path =
        DataDirectory() / ("assembly-" + std::string(kGeneratorRevision) + "-" +
                           orvex::bench::DescribeParameters(parameters) + ".step");
    if (fs::is_regular_file(path, code) && fs::file_size(path, code) > 0) {
        return path.string();
    }
    std::fprintf(stderr, "generating %s\n", path.c_str());
    if (!orvex::bench::WriteAssemblyStep(parameters, path.string(), nullptr, &error)) {
        return std::nullopt;
    }
    return path.string();
}

// What a command took: wall time, and the CPU time of all its processes; negative when it did
// not end with exit code 0. On a loaded machine the wall times of two sides drift apart with
// whatever else runs; their CPU times much less.
struct Timed {
    double seconds = -1.0;
    double cpuSeconds = -1.0;
};

double ChildrenCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Runs `command` through the shell; what it printed goes to `output` when given.
Timed Run(const std::string& command, std::string* output = nullptr)
{
    const auto start = Clock::now();
    const double cpuBefore = ChildrenCpuSeconds();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::array<char, 256> buffer{};
    std::string printed;
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
        printed += buffer.data();
    }
    const int status = ::pclose(pipe);
    const Timed timed{SecondsBetween(start, Clock::now()), ChildrenCpuSeconds() - cpuBefore};
    if (output != nullptr) {
        *output = printed;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? timed : Timed{};
}

struct Meshed {
    double seconds = -1.0;
    unsigned long triangles = 0;
    double numpySeconds = 0.0;
};

Meshed RunMeshing(const std::string& command)
{
    std::string printed;
    Meshed meshed;
    if (Run(command, &printed).seconds < 0 ||
        std::sscanf(printed.c_str(), "%lf %lu %lf", &meshed.seconds, &meshed.triangles,
                    &meshed.numpySeconds) != 3) {
        return {};
    }
    return meshed;
}

// The export's side: reads the file as `orvex-interop export` does, then meshes its parts as
// the GLB writer does (XdeModelWriter: each part once, the export's deflection and angle, the
// same face budget), and prints the time and the triangles.
int MeshAsExport(const std::string& file)
{
    const orvex::ReadResult read = orvex::Read(file);
    if (!read) {
        std::fprintf(stderr, "%s\n", read.failure.Text().c_str());
        return 1;
    }
    const orvkit::XdeWriteOptions options;
    const std::vector<TDF_Label> parts = orvkit::XdeModelEdit::Parts(read.model->Document());
    const auto start = Clock::now();
    for (const TDF_Label& label : parts) {
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
        orvkit::ShapeMesher::Mesh(
            shape, orvkit::ExportMeshing::GetLinearDeflection(shape, options.deflection),
            options.angle, options.maxFaceTriangles);
    }
    const double seconds = SecondsBetween(start, Clock::now());
    unsigned long triangles = 0;
    for (const TDF_Label& label : parts) {
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(XCAFDoc_ShapeTool::GetShape(label), TopAbs_FACE, faces);
        for (int i = 1; i <= faces.Extent(); ++i) {
            TopLoc_Location location;
            const Handle(Poly_Triangulation) mesh =
                BRep_Tool::Triangulation(TopoDS::Face(faces(i)), location);
            triangles += mesh.IsNull() ? 0 : static_cast<unsigned long>(mesh->NbTriangles());
        }
    }
    std::printf("%.6f %lu 0\n", seconds, triangles);
    return 0;
}

// Two commands timed in turns, alternating which goes first, so that neither always runs on a
// page cache the other has just warmed.
template <class A, class B> void Alternate(int run, A&& a, B&& b)
{
    if (run % 2 == 0) {
        a();
        b();
    } else {
        b();
        a();
    }
}

void BM_Read(benchmark::State& state, const orvex::bench::AssemblyParameters& parameters)
{
    std::string why;
    const std::optional<std::string> file = AssemblyFile(parameters, why);
    if (!file) {
        state.SkipWithError(("cannot generate the assembly: " + why).c_str());
        return;
    }
    const std::string program =
        Quoted(ORVEX_PROGRAM) + " import --json " + Quoted(*file) + " >/dev/null";
    const std::string python = PythonCommand(kPythonRead, *file);
    // Untimed: the page cache, and a check that both sides read the file.
    if (Run(program).seconds < 0 || Run(python).seconds < 0) {
        state.SkipWithError("the program or the module could not read the file");
        return;
    }
    Timed programTotal{0.0, 0.0}, pythonTotal{0.0, 0.0};
    int runs = 0;
    for (auto _ : state) {
        Timed a, b;
        Alternate(
            runs, [&] { a = Run(program); }, [&] { b = Run(python); });
        if (a.seconds < 0 || b.seconds < 0) {
            state.SkipWithError("the program or the module failed");
            return;
        }
        state.SetIterationTime(b.seconds);
        programTotal.seconds += a.seconds;
        programTotal.cpuSeconds += a.cpuSeconds;
        pythonTotal.seconds += b.seconds;
        pythonTotal.cpuSeconds += b.cpuSeconds;
        ++runs;
    }
    state.counters["program_s"] = programTotal.seconds / runs;
    state.counters["python_s"] = pythonTotal.seconds / runs;
    state.counters["python_div_program"] = pythonTotal.seconds / programTotal.seconds;
    state.counters["program_cpu_s"] = programTotal.cpuSeconds / runs;
    state.counters["python_cpu_s"] = pythonTotal.cpuSeconds / runs;
    state.counters["python_div_program_cpu"] = pythonTotal.cpuSeconds / programTotal.cpuSeconds;
}

void BM_Mesh(benchmark::State& state, const orvex::bench::AssemblyParameters& parameters,
             const std::string& self)
{
    std::string why;
    const std::optional<std::string> file = AssemblyFile(parameters, why);
    if (!file) {
        state.SkipWithError(("cannot generate the assembly: " + why).c_str());
        return;
    }
    const std::string exportSide = Quoted(self) + " " + kMeshAsExportFlag + " " + Quoted(*file);
    const std::string python = PythonCommand(kPythonMesh, *file);
    double exportSeconds = 0.0, pythonSeconds = 0.0, numpySeconds = 0.0;
    unsigned long triangles = 0;
    int runs = 0;
    for (auto _ : state) {
        Meshed a, b;
        Alternate(
            runs, [&] { a = RunMeshing(exportSide); }, [&] { b = RunMeshing(python); });
        if (a.seconds < 0 || b.seconds < 0) {
            state.SkipWithError("the export's side or the module failed");
            return;
        }
        // The same parts at the same deflection give the same triangles; anything else would
        // compare different work.
        if (a.triangles != b.triangles) {
            state.SkipWithError("the two sides made different meshes");
            return;
        }
        state.SetIterationTime(b.seconds);
        exportSeconds += a.seconds;
        pythonSeconds += b.seconds;
        numpySeconds += b.numpySeconds;
        triangles = a.triangles;
        ++runs;
    }
    state.counters["export_mesh_s"] = exportSeconds / runs;
    state.counters["python_mesh_s"] = pythonSeconds / runs;
    state.counters["python_div_export"] = pythonSeconds / exportSeconds;
    state.counters["numpy_import_s"] = numpySeconds / runs;
    state.counters["triangles"] = static_cast<double>(triangles);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], kMeshAsExportFlag) == 0) {
        return MeshAsExport(argv[2]);
    }
    const int iterations = orvex::bench::IterationsFromEnvironment(2);
    // The files orvex-bench-import reads: 50 parts placed 10,000 and 100,000 times under three
    // levels of assemblies, and 2,000 prisms of 20 faces placed once each.
    orvex::bench::AssemblyParameters placed;
    placed.instances = 10000;
    benchmark::RegisterBenchmark("Read/P50_D3_N10000", BM_Read, placed)
        ->Iterations(iterations)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    const std::string self = fs::absolute(argv[0]).string();
    placed.instances = 100000;
    orvex::bench::AssemblyParameters prisms;
    prisms.parts = 2000;
    prisms.instances = 2000;
    prisms.depth = 1;
    prisms.faces = 20;
    prisms.faceColors = true;
    for (const auto& [name, parameters] :
         {std::pair{"Mesh/P50_D3_N100000", placed}, std::pair{"Mesh/P2000_F20", prisms}}) {
        benchmark::RegisterBenchmark(name, BM_Mesh, parameters, self)
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    }
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
