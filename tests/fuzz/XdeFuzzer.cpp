// STEP or IGES import on arbitrary bytes, in process as the program runs it: the kernel reads
// the file with translator faults turned into exceptions, then the document writer builds a
// framework document. Built once per format; ORVEX_FUZZ_EXTENSION picks the reader.
#include "FuzzInput.h"

#include "RegisterInteropDataModule.h"
#include "Xde2Doc.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ::RegisterInteropDataModule();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orvfuzz::FuzzInput input(data, size, ORVEX_FUZZ_EXTENSION);
    if (input.Path().empty()) {
        return 0;
    }
    orvkit::Xde2Doc importer;
    if (importer.Load(input.Path())) {
        importer.Transfer();
    }
    return 0;
}
