// Reading .lin files: the largest real file of the corpus, and generated files of growing size
// to show that the cost per definition stays the same.
#include "Data/Kernel/Document.h"
#include "Data/Kernel/LineStyleElement.h"
#include "LineStyleReader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A file of `count` definitions, each a simple element run and one text pattern.
std::string GeneratedFile(int count)
{
    const fs::path path =
        fs::temp_directory_path() / ("orvex-bench-" + std::to_string(count) + ".lin");
    if (!fs::exists(path)) {
        std::ofstream out(path);
        for (int i = 0; i < count; ++i) {
            out << "*STYLE" << i << ",Generated style " << i << " ---- T ----\n"
                << "A,12.7,-5.08,[\"T" << i << "\",STANDARD,S=2.54,R=0.0,X=-2.54,Y=-1.27],"
                << "-6.35,0,-1.5\n";
        }
    }
    return path.string();
}

void Load(benchmark::State& state, const std::string& path)
{
    size_t styles = 0;
    for (auto _ : state) {
        orvkit::Document document;
        orvkit::LineStyleReader(&document).Load(path);
        styles = document.FindTable(orvkit::LineStyleElement::GetStaticClassId())->GetIds().size();
    }
    state.counters["styles"] = static_cast<double>(styles);
    state.counters["per_style"] = benchmark::Counter(static_cast<double>(styles),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void BM_LoadCorpusFile(benchmark::State& state)
{
    const std::string path = ORVEX_CORPUS_DIR "/lin/qcadiso.lin";
    if (!fs::exists(path)) {
        state.SkipWithError("the shared corpus is not beside the checkout");
        return;
    }
    Load(state, path);
}
BENCHMARK(BM_LoadCorpusFile)->Unit(benchmark::kMillisecond);

void BM_LoadGenerated(benchmark::State& state)
{
    Load(state, GeneratedFile(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadGenerated)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
