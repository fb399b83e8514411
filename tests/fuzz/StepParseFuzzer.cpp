// The kernel's STEP parser against OpenCASCADE's scanner on arbitrary bytes. Whatever ours
// takes, cut into chunks or in one pass, must give the same records both ways, and the records
// OpenCASCADE's scanner and parser make of the same bytes, text for text, which its reader data
// then loads the same way. What ours does not take goes to OpenCASCADE's parser in the program,
// so there is nothing to compare. (The tests compare the loaded models on real files; loaded
// from arbitrary bytes, a model can hold entities that refer to themselves, which OpenCASCADE
// cannot write back without recursing for ever.)
#include "Support/StepModels.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const orvkit::StepFileParse whole = orvkit::StepFileParse::FromText(text, 1);
    // Cut wherever a cut can go, even in a small input.
    const orvkit::StepFileParse cut = orvkit::StepFileParse::FromText(text, 3, 0);
    const std::string records = orvtest::FlattenStepParse(whole);
    if (whole.GetOutcome() != cut.GetOutcome() || records != orvtest::FlattenStepParse(cut)) {
        std::fprintf(stderr, "chunked parse differs: %s / %s\n", whole.GetReason().c_str(),
                     cut.GetReason().c_str());
        std::abort();
    }
    if (whole.GetOutcome() != orvkit::StepFileParse::Parsed) {
        return 0;
    }
    const std::optional<std::string> occt = orvtest::FlattenOcctStepRecords(text);
    if (!occt || *occt != records) {
        std::fprintf(stderr, "%s\n",
                     occt ? "the records differ" : "OpenCASCADE's parser refused it");
        std::abort();
    }
    return 0;
}
