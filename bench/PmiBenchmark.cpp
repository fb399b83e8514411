// orvex-bench-pmi: what reading semantic PMI costs against reading the model, on the largest
// NIST PMI test model of the corpus. Three cases on the same file:
//   - ReadModel: the library's read of the file into a model (what `import` reads);
//   - OcctGdt/0 and OcctGdt/1: OCCT's own XCAF reader with its GD&T reading off and on, so
//     that their difference is what the kernel's reader spends on PMI;
//   - ReadPmi: the library's listing of the PMI of a model already read.
#include "Interop/Kernel/KernelSupport.h"

#include "orvex/Pmi.h"
#include "orvex/Read.h"

#include <IFSelect_ReturnStatus.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

const std::string kFile = ORVEX_CORPUS_DIR "/step-pmi/nist_ctc_02_asme1_ap242-e2.stp";

bool HaveFile(benchmark::State& state)
{
    if (std::filesystem::exists(kFile)) {
        return true;
    }
    state.SkipWithError("the shared corpus is not beside the checkout");
    return false;
}

void BM_ReadModel(benchmark::State& state)
{
    if (!HaveFile(state)) {
        return;
    }
    for (auto _ : state) {
        const orvex::ReadResult read = orvex::Read(kFile);
        benchmark::DoNotOptimize(read.model);
    }
}
BENCHMARK(BM_ReadModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_OcctGdt(benchmark::State& state)
{
    if (!HaveFile(state)) {
        return;
    }
    orvkit::InstallOcctServices();
    for (auto _ : state) {
        Handle(TDocStd_Document) document;
        XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", document);
        STEPCAFControl_Reader reader;
        reader.SetColorMode(Standard_True);
        reader.SetNameMode(Standard_True);
        reader.SetGDTMode(state.range(0) != 0);
        if (reader.ReadFile(kFile.c_str()) != IFSelect_RetDone || !reader.Transfer(document)) {
            state.SkipWithError("OCCT cannot read the file");
            return;
        }
        XCAFApp_Application::GetApplication()->Close(document);
    }
}
BENCHMARK(BM_OcctGdt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ReadPmi(benchmark::State& state)
{
    if (!HaveFile(state)) {
        return;
    }
    const orvex::ReadResult read = orvex::Read(kFile);
    size_t items = 0;
    for (auto _ : state) {
        items = orvex::ReadPmi(*read.model).Count();
        benchmark::DoNotOptimize(items);
    }
    state.counters["items"] = static_cast<double>(items);
}
BENCHMARK(BM_ReadPmi)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
