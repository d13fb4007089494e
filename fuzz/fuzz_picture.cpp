// The exported picture loader on files of any bytes, with target 0 (a bitmap
// of the picture's own size) and with a small target.
//
// Input: a mode byte (bit 0: small target, bit 1: keep proportions), the
// target's width and height bytes, a background byte, then the file.
#include "imaging/fgdip.h"
#include "support.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Reader in(data, size);
    const uint8_t mode = in.byte();
    const int32_t w = 1 + in.byte() % 64;
    const int32_t h = 1 + in.byte() % 64;
    const uint8_t bg = in.byte();
    const std::string file = in.rest();
    fuzzsupport::write_scratch(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    const char* path = fuzzsupport::scratch_file().c_str();

    if (mode & 1) {
        const int32_t target = fGDIp_new_bitmap(w, h);
        if (target == 0) std::abort();
        const int32_t background = bg < 128 ? -2 : int32_t(bg) * 0x010101;
        const int32_t got = fGDIp_2hBMP(path, target, (mode >> 1) & 1, background);
        // A picture drawn into a target never changes the target's size.
        int32_t tw = 0, th = 0;
        if (got != 0 && got != target) std::abort();
        if (!fGDIp_size(target, &tw, &th) || tw != w || th != h) std::abort();
        fGDIp_free(target);
        return 0;
    }
    const int32_t bitmap = fGDIp_2hBMP(path, 0, 0, 0);
    if (bitmap == 0) return 0;
    int32_t bw = 0, bh = 0;
    if (!fGDIp_size(bitmap, &bw, &bh) || bw <= 0 || bh <= 0) std::abort();
    const int64_t bytes = int64_t(bw) * bh * 4;
    if (bytes <= (int64_t(1) << 22)) {
        std::vector<unsigned char> pixels(static_cast<size_t>(bytes));
        if (fGDIp_pixels(bitmap, pixels.data(), bytes) != bytes) std::abort();
    }
    fGDIp_free(bitmap);
    // A freed bitmap is gone.
    if (fGDIp_size(bitmap, nullptr, nullptr) != 0) std::abort();
    return 0;
}
