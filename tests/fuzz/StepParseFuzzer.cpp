// The kernel's STEP parser against OpenCASCADE's on arbitrary bytes. Whatever ours takes, cut
// into chunks or in one pass, must give the same records both ways, and the model OpenCASCADE's
// parser loads from the same bytes: entity by entity, with the same check messages. What ours
// does not take goes to OpenCASCADE's parser in the program, so there is nothing to compare.
#include "FuzzInput.h"
#include "Support/StepModels.h"

#include "Geometry/IO/CaughtFailure.h"
#include "Geometry/IO/OcctFaultScope.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const orvkit::StepFileParse whole = orvkit::StepFileParse::FromText(text, 1);
    // Cut wherever a cut can go, even in a small input.
    const orvkit::StepFileParse cut = orvkit::StepFileParse::FromText(text, 3, 0);
    if (whole.GetOutcome() != cut.GetOutcome() ||
        orvtest::FlattenStepParse(whole) != orvtest::FlattenStepParse(cut)) {
        std::fprintf(stderr, "chunked parse differs: %s / %s\n", whole.GetReason().c_str(),
                     cut.GetReason().c_str());
        std::abort();
    }
    if (whole.GetOutcome() != orvkit::StepFileParse::Parsed) {
        return 0;
    }
    orvfuzz::FuzzInput input(data, size, ".stp");
    if (input.Path().empty()) {
        return 0;
    }
    const Handle(StepData_StepModel) ours = orvtest::ParseStepModel(input.Path(), false);
    Handle(StepData_StepModel) stock;
    // OpenCASCADE's parser may fault where ours does not: that is a file ours reads and it
    // cannot, not a difference.
    orvkit::OcctFaultScope faults;
    const auto caught =
        orvkit::CaughtFailure::Guard([&] { stock = orvtest::ParseStepModel(input.Path(), true); });
    if (caught) {
        return 0;
    }
    if (stock.IsNull() || orvtest::DescribeStepModel(ours) != orvtest::DescribeStepModel(stock)) {
        std::fprintf(stderr, "%s\n",
                     stock.IsNull() ? "OpenCASCADE's parser refused it" : "the models differ");
        std::abort();
    }
    return 0;
}
