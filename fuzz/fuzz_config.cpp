// The configuration reader on whole files of any bytes.
#include "app/app.h"
#include "support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::start_headless(); // the reader asks for the desktop's size
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::write_scratch(data, size);
    pixelori = pixelver = larghezzacornice = 0;
    LEGGO_CN(fuzzsupport::scratch_file());
    // Whatever the file says, the dialog gets an edge from 0 to the largest.
    if (pixelori < 0 || pixelori > kLargestEdge || pixelver < 0 || pixelver > kLargestEdge)
        std::abort();
    return 0;
}
