// A picture decoded and placed off the main thread, and its hand-over.
#include "imaging/placed_ahead.h"

#include "imaging/decoding.h"
#include "imaging/gdiplus.h"
#include "imaging/placement.h"

#include <QString>
#include <condition_variable>
#include <mutex>
#include <utility>

#include <sys/stat.h>

namespace placed_ahead {

FileStamp stamp_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return {true, int64_t(st.st_dev), int64_t(st.st_ino), int64_t(st.st_size),
            int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

Decoded decode(const std::string& path, const std::atomic<bool>& cancel) {
    Decoded out;
    out.stamp = stamp_of(path);
    uint32_t token = 0;
    const GdiplusStartupInput input;
    if (!out.stamp.valid || cancel || GdiplusStartup(&token, &input, nullptr) != Ok) return out;
    // NG_CARIC's loader: the same checks, then the picture at its own size,
    // which is what its bitmap holds. Larger pictures it decodes reduced,
    // and transparent ones it draws over black: those are left to it.
    const QString name = QString::fromLocal8Bit(path.data(), qsizetype(path.size()));
    GpImage* image = nullptr;
    if (gdiplus::load_image(reinterpret_cast<const char16_t*>(name.utf16()), &image,
                            gdiplus::LoadFor::Placing) == Ok) {
        uint32_t w = 0, h = 0;
        GdipGetImageWidth(image, &w);
        GdipGetImageHeight(image, &h);
        QImage pixels = gdiplus::decoded_pixels(image);
        if (pixels.isNull() && int64_t(w) * h * 4 <= gdiplus::kFullDecodeBytes)
            gdiplus::decoding::read_picture(name, pixels, {}, &cancel);
        if (!cancel && pixels.format() == QImage::Format_RGB32 &&
            pixels.size() == QSize(int(w), int(h)))
            out.pixels = std::move(pixels);
        GdipDisposeImage(image);
    }
    GdiplusShutdown(token);
    return out;
}

QImage place(const QImage& picture, const Placing& placing, const std::atomic<bool>& cancel) {
    // Other modes and the special colours are left to NG_CARIC.
    if (picture.isNull() || picture.format() != QImage::Format_RGB32 || placing.mode < 0 ||
        placing.mode > 3 || placing.background < 0)
        return {};
    QImage placed = surface::new_image(placing.area.w, placing.area.h, placing.background);
    if (placed.isNull()) return {};
    const auto [from, to] = placement::place({picture.width(), picture.height()}, placing.area,
                                             placement::Fit(placing.mode));
    surface::stretch_image(picture, from.x1, from.y1, from.x2, from.y2, placed, to.x1, to.y1, to.x2,
                           to.y2, &cancel);
    if (cancel) return {};
    return placed;
}

namespace {

// Every offer's state is guarded by this one lock, so that a take() waiting
// for an offer that is withdrawn and gone never touches it again.
std::mutex offers_lock;
std::condition_variable offers_changed;
Offer* open_offer = nullptr;

} // namespace

void Offer::open(const Placing& placing) {
    std::lock_guard lock(offers_lock);
    placing_ = placing;
    open_offer = this;
    offers_changed.notify_all();
}

void Offer::fulfil(QImage pixels, const FileStamp& stamp) {
    std::lock_guard lock(offers_lock);
    pixels_ = std::move(pixels);
    stamp_ = stamp;
    done_ = true;
    offers_changed.notify_all();
}

void Offer::withdraw() {
    QImage dropped;
    std::lock_guard lock(offers_lock);
    if (open_offer == this) open_offer = nullptr;
    dropped = std::move(pixels_);
    offers_changed.notify_all();
}

bool Offer::taken() const {
    std::lock_guard lock(offers_lock);
    return taken_;
}

QImage take(const Placing& placing) {
    std::unique_lock lock(offers_lock);
    Offer* const offer = open_offer;
    if (offer == nullptr || !(offer->placing_ == placing)) return {};
    offers_changed.wait(lock, [&] { return open_offer != offer || offer->done_; });
    if (open_offer != offer) return {};
    open_offer = nullptr;
    QImage pixels = std::move(offer->pixels_);
    // Pixels of a file that has changed since are not the file's.
    if (pixels.isNull() || !(stamp_of(placing.path) == offer->stamp_)) return {};
    offer->taken_ = true;
    return pixels;
}

} // namespace placed_ahead
