// The picture loader as exported from libfgdip.so, for programs that are not
// resistenze. Each call starts and stops the imaging layer itself.
//
// Any number of threads may call in at once. Every use of a bitmap (its
// handle, pixels and drawing state) happens under one lock, so a bitmap is
// never freed, reallocated or drawn on while another call reads it; the
// decoding of files, the slow part, runs outside it and in parallel. The
// program itself never comes through here and pays nothing for the lock.
#include "imaging/fgdip.h"

#include "imaging/gdiplus.h"
#include "imaging/picture.h"
#include "surface/surface.h"

#include <QImage>
#include <QtGlobal>

#include <atomic>
#include <bit>
#include <cstring>
#include <mutex>

static_assert(std::endian::native == std::endian::little,
              "32-bit RGB pixels are copied as blue, green, red, reserved bytes");

namespace {

std::mutex bitmaps_lock;

// The toolkit's image readers print what they think of a damaged file
// ("Corrupt JPEG data: ...") on stderr, which is the caller's. While a
// picture is loaded, its own thread's messages are dropped; every other
// message goes on to the handler that was in force before, which is put
// back once the last call under way returns.
std::mutex quiet_lock;
int quiet_calls = 0;
std::atomic<QtMessageHandler> outer_handler{nullptr};
thread_local bool loading = false;

void drop_loading_messages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (loading && type != QtFatalMsg) return;
    if (const QtMessageHandler outer = outer_handler.load()) outer(type, context, text);
}

class QuietLoading {
  public:
    QuietLoading() {
        const std::lock_guard lock(quiet_lock);
        if (quiet_calls++ == 0) outer_handler = qInstallMessageHandler(drop_loading_messages);
        loading = true;
    }
    ~QuietLoading() {
        const std::lock_guard lock(quiet_lock);
        loading = false;
        if (--quiet_calls > 0) return;
        // A handler the caller installed meanwhile stays.
        const QtMessageHandler now = qInstallMessageHandler(outer_handler.load());
        if (now != drop_loading_messages) qInstallMessageHandler(now);
    }
    QuietLoading(const QuietLoading&) = delete;
    QuietLoading& operator=(const QuietLoading&) = delete;
};

// Makes `bitmap` the current target; false for an unknown handle.
bool select_bitmap(int32_t bitmap) {
    if (bitmap == 0) return false;
    surface::select_target(bitmap, 0, surface::Display::Deferred);
    return surface::current_target() == bitmap;
}

} // namespace

extern "C" {

FGDIP_API int32_t fGDIp_2hBMP(const char* file, int32_t target, int32_t fit, int32_t background) {
    const QuietLoading quiet;
    uint32_t token = 0;
    const GdiplusStartupInput input;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) return 0;
    const int32_t result = fGDIp_2hBMP_impl(file ? std::string(file) : std::string(), target, fit,
                                            background, &bitmaps_lock);
    GdiplusShutdown(token);
    return result;
}

FGDIP_API int32_t fGDIp_new_bitmap(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return 0;
    const std::lock_guard lock(bitmaps_lock);
    const int32_t bitmap = surface::new_bitmap(width, height); // black already
    return select_bitmap(bitmap) ? bitmap : 0;
}

FGDIP_API int32_t fGDIp_size(int32_t bitmap, int32_t* width, int32_t* height) {
    surface::Size size;
    const std::lock_guard lock(bitmaps_lock);
    const bool known = select_bitmap(bitmap);
    if (known) size = surface::client_size();
    if (width) *width = size.w;
    if (height) *height = size.h;
    return known ? 1 : 0;
}

FGDIP_API int64_t fGDIp_pixels(int32_t bitmap, void* buffer, int64_t capacity) {
    if (!buffer) return 0;
    const std::lock_guard lock(bitmaps_lock);
    if (!select_bitmap(bitmap)) return 0;
    const QImage* image = surface::device_context();
    if (!image || image->isNull()) return 0;
    const QImage pixels = image->format() == QImage::Format_RGB32
                              ? *image
                              : image->convertToFormat(QImage::Format_RGB32);
    const int64_t row = int64_t(pixels.width()) * 4;
    const int64_t needed = row * pixels.height();
    if (capacity < needed || pixels.isNull()) return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(out + y * row, pixels.constScanLine(y), size_t(row));
    return needed;
}

FGDIP_API void fGDIp_free(int32_t bitmap) {
    const std::lock_guard lock(bitmaps_lock);
    if (select_bitmap(bitmap)) surface::end_bitmap();
}

} // extern "C"
