// Picture loading: files or the clipboard decoded through the imaging layer
// into drawing targets.
#include "imaging/picture.h"

#include "imaging/gdiplus.h"
#include "imaging/placement.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

namespace {

// ---------------------------------------------------------------- clipboard
// The process clipboard is only reachable from the GUI thread of a running
// application; everywhere else it cannot be opened.
QClipboard* OpenClipboard() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return nullptr;
    return QGuiApplication::clipboard();
}

QImage GetClipboardBitmap(QClipboard* clipboard) {
    return clipboard->image();
}

void EmptyClipboard(QClipboard* clipboard) {
    clipboard->clear();
}

// ---------------------------------------------------------------- decoding
std::u16string utf16_name(const std::string& file) {
    const QString name = QString::fromLocal8Bit(file.data(), qsizetype(file.size()));
    return std::u16string(reinterpret_cast<const char16_t*>(name.utf16()), size_t(name.size()));
}

GpImage* image_from_clipboard() {
    QClipboard* clipboard = OpenClipboard();
    if (!clipboard) return nullptr;
    const QImage bitmap = GetClipboardBitmap(clipboard);
    GpImage* image = nullptr;
    if (!bitmap.isNull()) {
        GdipCreateBitmapFromHBITMAP(&bitmap, nullptr, &image);
        // The picture is taken off the clipboard. Anything else the user put
        // there (text, say) stays: emptying it would destroy their copy.
        if (image) EmptyClipboard(clipboard);
    }
    return image;
}

// Size of a bitmap that still covers a cover_w x cover_h control with the
// picture's proportions, for pictures too large to hold at their own size.
surface::Size reduced_size(uint32_t w, uint32_t h, int32_t cover_w, int32_t cover_h) {
    const double f =
        std::min(1.0, std::max(double(std::max(cover_w, 1)) / w, double(std::max(cover_h, 1)) / h));
    return {std::max(1, int32_t(std::ceil(w * f))), std::max(1, int32_t(std::ceil(h * f)))};
}

// What a picture is loaded for and where it goes.
struct PictureLoad {
    gdiplus::LoadFor purpose;
    int32_t target = 0; // 0: a bitmap made here (always for LoadFor::Placing)
    // Into an existing target: 0 stretched over it; otherwise fitted inside,
    // centred, over `background` (NO_COLOUR: what is there).
    int32_t fit = 0;
    int32_t background = 0;
    // A bitmap made here: a picture above the decoding budget lands in a
    // bitmap reduced to what still covers an area of this size. Placing
    // decodes the file straight into the bitmap, so a picture that cannot be
    // decoded fails at the drawing, which ends the bitmap again.
    surface::Size cover{};
    std::mutex* targets_lock = nullptr;
};

// The loader behind fGDIp_2hBMP and picture_bitmap. With `targets_lock`, the file
// is decoded before the lock is taken, and the lock is held from the first
// look at a drawing target to the end.
int32_t load_picture(const std::string& file, const PictureLoad& load) {
    using gdiplus::LoadFor;
    GpImage* image = nullptr;
    if (file.empty()) {
        image = image_from_clipboard();
        if (!image) return 0;
    } else {
        const std::u16string name = utf16_name(file);
        if (gdiplus::load_image(name.c_str(), &image, load.purpose) != Ok) return 0;
    }
    uint32_t iw = 0, ih = 0;
    GdipGetImageWidth(image, &iw);
    GdipGetImageHeight(image, &ih);

    std::unique_lock<std::mutex> hold;
    if (load.targets_lock) hold = std::unique_lock(*load.targets_lock);

    int32_t target = load.target;
    bool created = false;
    int32_t tw = 0, th = 0;
    if (load.purpose == LoadFor::Placing) {
        // A picture decoded already (when it was loaded) becomes the bitmap as it
        // is: drawn 1:1 over a new black bitmap it would leave exactly these
        // pixels, and the bitmap's own full-size memory is saved.
        const QImage decoded = gdiplus::decoded_pixels(image);
        if (!decoded.isNull() && int64_t(iw) * ih * 4 <= gdiplus::kFullDecodeBytes) {
            const int32_t made = surface::bitmap_of(decoded);
            if (made != 0) {
                GdipDisposeImage(image);
                surface::select_target(made, 0, surface::Display::Deferred);
                return made;
            }
        }
    }
    if (target == 0) {
        int32_t bw = int32_t(iw), bh = int32_t(ih);
        if ((load.cover.w > 0 || load.cover.h > 0) &&
            int64_t(iw) * ih * 4 > gdiplus::kFullDecodeBytes) {
            const surface::Size r = reduced_size(iw, ih, load.cover.w, load.cover.h);
            bw = r.w;
            bh = r.h;
        }
        target = surface::new_bitmap(bw, bh, false); // the picture covers all of it
        if (target == 0) {
            GdipDisposeImage(image);
            return 0;
        }
        surface::select_target(target, 0, surface::Display::Deferred);
        created = true;
        tw = bw;
        th = bh;
    } else {
        // A target that is already current keeps its display mode.
        if (surface::current_target() != target)
            surface::select_target(target, 0, surface::Display::Deferred);
        if (surface::current_target() != target) { // unknown or ended handle
            GdipDisposeImage(image);
            return 0;
        }
        const surface::Size t = surface::client_size();
        tw = t.w;
        th = t.h;
    }

    // A failure ends only a bitmap that this call made, never the caller's.
    auto fail = [&](GpGraphics* graphics) {
        if (graphics) GdipDeleteGraphics(graphics);
        GdipDisposeImage(image);
        if (created) {
            surface::select_target(target, 0, surface::Display::Deferred);
            surface::end_bitmap();
        }
        return 0;
    };

    // GET_DC
    GpGraphics* graphics = nullptr;
    if (created)
        gdiplus::create_graphics_for_new_bitmap(surface::device_context(), &graphics);
    else
        GdipCreateFromHDC(surface::device_context(), &graphics);
    if (!graphics) return fail(nullptr);

    const bool stretched = created || load.fit == 0;
    if (stretched && !created && (int64_t(iw) != tw || int64_t(ih) != th)) {
        GpImage* thumbnail = nullptr;
        if (tw > 0 && th > 0)
            GdipGetImageThumbnail(image, uint32_t(tw), uint32_t(th), &thumbnail, nullptr, nullptr);
        if (thumbnail) { // without one the first image is drawn scaled
            GdipDisposeImage(image);
            image = thumbnail;
        }
    }
    using placement::Fit;
    const placement::Rect to = placement::place({int32_t(iw), int32_t(ih)}, {tw, th},
                                                stretched ? Fit::Stretch : Fit::InsidePixels)
                                   .to;
    const int32_t x = int32_t(to.x1), y = int32_t(to.y1);
    const int32_t w = int32_t(to.x2 - to.x1), h = int32_t(to.y2 - to.y1);
    // The caller's target is touched only once the picture is decoded.
    if (!created && gdiplus::decode_for_drawing(graphics, image, x, y, w, h) != Ok)
        return fail(graphics);
    if (!stretched && load.background != surface::NO_COLOUR) surface::clear(load.background);
    const GpStatus drawn = GdipDrawImageRectI(graphics, image, x, y, w, h);
    // Reporting a picture that could not be decoded as loaded would hand the
    // caller an empty bitmap as if it held the picture.
    if (drawn != Ok) return fail(graphics);

    GdipDeleteGraphics(graphics);
    GdipDisposeImage(image);
    if (!created) surface::redraw();
    return target;
}

} // namespace

int32_t fGDIp_2hBMP_impl(const std::string& file, int32_t target, int32_t fit, int32_t background,
                         std::mutex* targets_lock) {
    const gdiplus::LoadFor purpose =
        target != 0 ? gdiplus::LoadFor::Target : gdiplus::LoadFor::Bitmap;
    return load_picture(file, {purpose, target, fit, background, {}, targets_lock});
}

int32_t picture_bitmap(const std::string& file, surface::Size cover) {
    return load_picture(file, {.purpose = gdiplus::LoadFor::Placing, .cover = cover});
}
