// orvex-bench-tessellated: the kernel's read of a generated AP242 tessellated STEP file against
// OpenCASCADE's STL parser on the same triangles as ASCII STL, at three sizes, so that both the
// ratio and its growth show. See README.md.
#include "BenchSupport.h"

#include "Interop/Kernel/StepModelReader.h"

#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <RWStl.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using orvex::bench::Clock;
using orvex::bench::SecondsBetween;

// Each face is a grid of this many quads a side, two triangles each, over its own points.
const int kFaceSide = 50;
const char* const kGeneratorRevision = "r1";

double Height(int i, int j)
{
    return 5.0 * std::sin(0.05 * i) * std::cos(0.07 * j);
}

// The STEP file's header and the part's product, context and units, up to its representation.
void WriteStepHead(std::FILE* data)
{
    std::fputs("ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('tessellated grid'),'2;1');\n"
               "FILE_NAME('grid.stp','2026-12-08T00:00:00',(''),(''),'','','');\n"
               "FILE_SCHEMA(('AP242_MANAGED_MODEL_BASED_3D_ENGINEERING_MIM_LF { 1 0 10303 442 1 "
               "1 4 }'));\nENDSEC;\nDATA;\n"
               "#1=APPLICATION_CONTEXT('managed model based 3d engineering');\n"
               "#3=PRODUCT_CONTEXT('',#1,'mechanical');\n"
               "#4=PRODUCT_DEFINITION_CONTEXT('part definition',#1,'design');\n"
               "#5=(GEOMETRIC_REPRESENTATION_CONTEXT(3) GLOBAL_UNCERTAINTY_ASSIGNED_CONTEXT((#9)) "
               "GLOBAL_UNIT_ASSIGNED_CONTEXT((#6,#7,#8)) REPRESENTATION_CONTEXT('',''));\n"
               "#6=(LENGTH_UNIT() NAMED_UNIT(*) SI_UNIT(.MILLI.,.METRE.));\n"
               "#7=(NAMED_UNIT(*) PLANE_ANGLE_UNIT() SI_UNIT($,.RADIAN.));\n"
               "#8=(NAMED_UNIT(*) SI_UNIT($,.STERADIAN.) SOLID_ANGLE_UNIT());\n"
               "#9=UNCERTAINTY_MEASURE_WITH_UNIT(LENGTH_MEASURE(1.E-07),#6,"
               "'distance_accuracy_value','');\n"
               "#20=PRODUCT('grid','grid','',(#3));\n"
               "#21=PRODUCT_DEFINITION_FORMATION('','',#20);\n"
               "#22=PRODUCT_DEFINITION('design','',#21,#4);\n"
               "#23=PRODUCT_DEFINITION_SHAPE('','',#22);\n"
               "#25=SHAPE_DEFINITION_REPRESENTATION(#23,#30);\n",
               data);
}

// The two STL facets of the quad at (i, j) of grid `f`.
void WriteStlQuad(std::FILE* text, int f, int i, int j)
{
    const int x = f * kFaceSide + i;
    const double p[4][3] = {{double(x), double(j), Height(x, j)},
                            {double(x + 1), double(j), Height(x + 1, j)},
                            {double(x + 1), double(j + 1), Height(x + 1, j + 1)},
                            {double(x), double(j + 1), Height(x, j + 1)}};
    for (const auto& [u, v, w] : {std::array<int, 3>{0, 1, 2}, {0, 2, 3}}) {
        std::fprintf(text, " facet normal 0 0 1\n  outer loop\n");
        for (const int k : {u, v, w}) {
            std::fprintf(text, "   vertex %12e %12e %12e\n", p[k][0], p[k][1], p[k][2]);
        }
        std::fputs("  endloop\n endfacet\n", text);
    }
}

// Grid `f` as a coordinates list and a triangulated face (entities `list` and `list` + 1) in
// STEP, and as facets in STL.
void WriteGrid(std::FILE* text, std::FILE* data, int f, int list)
{
    const int points = (kFaceSide + 1) * (kFaceSide + 1);
    std::fprintf(data, "#%d=COORDINATES_LIST('',%d,(", list, points);
    for (int j = 0; j <= kFaceSide; ++j) {
        for (int i = 0; i <= kFaceSide; ++i) {
            const int x = f * kFaceSide + i;
            std::fprintf(data, "%s(%d.,%d.,%.6f)", i + j == 0 ? "" : ",", x, j, Height(x, j));
        }
        std::fputc('\n', data);
    }
    std::fputs("));\n", data);
    std::fprintf(data, "#%d=TRIANGULATED_FACE('',#%d,%d,(),$,(),(", list + 1, list, points);
    for (int j = 0; j < kFaceSide; ++j) {
        for (int i = 0; i < kFaceSide; ++i) {
            const int a = j * (kFaceSide + 1) + i + 1;
            const int b = a + 1, c = a + kFaceSide + 2, d = a + kFaceSide + 1;
            std::fprintf(data, "%s(%d,%d,%d),(%d,%d,%d)", i + j == 0 ? "" : ",", a, b, c, a, c, d);
            WriteStlQuad(text, f, i, j);
        }
        std::fputc('\n', data);
    }
    std::fputs("));\n", data);
}

// `faces` grids side by side along x, as ASCII STL and as one tessellated part in STEP, written
// once to the system's temporary folder and reused.
bool EnsureFiles(int faces, std::string& stl, std::string& step)
{
    const std::string stem =
        (fs::temp_directory_path() /
         ("orvex-bench-tessellated" + std::to_string(faces) + "-" + kGeneratorRevision))
            .string();
    stl = stem + ".stl";
    step = stem + ".stp";
    std::error_code code;
    if (fs::is_regular_file(stl, code) && fs::is_regular_file(step, code)) {
        return true;
    }
    std::FILE* text = std::fopen((stl + ".part").c_str(), "wb");
    std::FILE* data = std::fopen((step + ".part").c_str(), "wb");
    if (text == nullptr || data == nullptr) {
        return false;
    }
    std::fputs("solid grid\n", text);
    WriteStepHead(data);
    std::string shell = "#31=TESSELLATED_SHELL('',(";
    for (int f = 0; f < faces; ++f) {
        WriteGrid(text, data, f, 100 + 2 * f);
        shell += (f == 0 ? "#" : ",#") + std::to_string(100 + 2 * f + 1);
    }
    std::fputs("endsolid grid\n", text);
    std::fprintf(data,
                 "#30=TESSELLATED_SHAPE_REPRESENTATION('grid',(#31),#5);\n%s),$);\n"
                 "ENDSEC;\nEND-ISO-10303-21;\n",
                 shell.c_str());
    const bool written = std::ferror(text) == 0 && std::ferror(data) == 0;
    if (std::fclose(text) != 0 || std::fclose(data) != 0 || !written) {
        return false;
    }
    fs::rename(stl + ".part", stl, code);
    fs::rename(step + ".part", step, code);
    return !code;
}

int TrianglesOf(const orvkit::XdeDocumentImpl& impl)
{
    int triangles = 0;
    for (const TDF_Label& label : impl.freeShapes) {
        for (TopExp_Explorer it(XCAFDoc_ShapeTool::GetShape(label), TopAbs_FACE); it.More();
             it.Next()) {
            TopLoc_Location location;
            const Handle(Poly_Triangulation) mesh =
                BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
            triangles += mesh.IsNull() ? 0 : mesh->NbTriangles();
        }
    }
    return triangles;
}

void BM_Tessellated(benchmark::State& state)
{
    const int faces = int(state.range(0));
    const int expected = faces * kFaceSide * kFaceSide * 2;
    std::string stl, step;
    if (!EnsureFiles(faces, stl, step)) {
        state.SkipWithError("cannot write the generated files");
        return;
    }
    double occt = 0.0, ours = 0.0;
    int runs = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        const Handle(Poly_Triangulation) mesh = RWStl::ReadFile(stl.c_str());
        const double a = SecondsBetween(start, Clock::now());
        start = Clock::now();
        orvkit::XdeDocumentImpl impl;
        const bool read = orvkit::StepModelReader().Open(step, impl, nullptr);
        const double b = SecondsBetween(start, Clock::now());
        if (mesh.IsNull() || mesh->NbTriangles() != expected || !read ||
            TrianglesOf(impl) != expected) {
            state.SkipWithError("a read lost triangles");
            return;
        }
        state.SetIterationTime(b);
        occt += a;
        ours += b;
        ++runs;
    }
    state.counters["triangles"] = expected;
    state.counters["a_rwstl_s"] = occt / runs;
    state.counters["b_step_s"] = ours / runs;
    state.counters["b_div_a"] = ours / occt;
}

BENCHMARK(BM_Tessellated)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return orvex::bench::RunRegisteredBenchmarks(argc, argv);
}
