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
    // Whatever the file says, a size is never negative (the desktop's
    // instead), and the dialog made from it is visible and within bounds.
    if (pixelori < 0 || pixelver < 0) std::abort();
    const surface::Size made = dialog_size(pixelori, pixelver, {1920, 1080});
    if (made.w < 1 || made.h < 1 || made.w > 24576 || made.h > 24576 ||
        int64_t{made.w} * made.h > (int64_t{1} << 26))
        std::abort();
    return 0;
}
