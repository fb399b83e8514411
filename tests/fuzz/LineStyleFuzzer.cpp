// The .lin reader on arbitrary bytes: it may log and skip lines, or throw the conversion
// errors its interface names, and nothing else.
#include "FuzzInput.h"

#include "Data/Kernel/Document.h"
#include "LineStyleReader.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orvfuzz::FuzzInput input(data, size, ".lin");
    if (input.Path().empty()) {
        return 0;
    }
    orvkit::Document document;
    orvkit::LineStyleReader reader(&document);
    try {
        reader.Load(input.Path());
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    }
    return 0;
}
