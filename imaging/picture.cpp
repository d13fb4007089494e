// Picture loading: files or the clipboard decoded through the imaging layer
// into drawing targets, and pictures placed on graphic controls.
#include "imaging/picture.h"

#include "imaging/gdiplus.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_TASKMODAL = 0x2000;
constexpr uint32_t MB_SETFOREGROUND = 0x10000;

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

// ---------------------------------------------------------------- arithmetic
// a / b with halves going to the even neighbour; b > 0, a >= 0.
int64_t divide_even(int64_t a, int64_t b) {
    int64_t q = a / b;
    const int64_t twice_rest = 2 * (a % b);
    if (twice_rest > b || (twice_rest == b && (q & 1))) ++q;
    return q;
}

// a / b to four decimal places, as a fixed-point value of scale 10 000.
int64_t ratio4(int64_t a, int64_t b) {
    return divide_even(a * 10000, b);
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

// The loader behind fGDIp_2hBMP. A non-empty `cover` only matters for
// target 0: a picture above the decoding budget then lands in a bitmap
// reduced to what still covers a control of that size. `placing` (the
// picture goes into a bitmap made here, target 0) decodes the file straight
// into that bitmap; a picture that cannot be decoded then fails at the
// drawing, which ends the bitmap again.
// With `targets_lock`, the file is decoded before the lock is taken, and
// the lock is held from the first look at a drawing target to the end.
int32_t load_picture(const std::string& file, int32_t target, int32_t fit, int32_t background,
                     surface::Size cover, bool placing = false,
                     std::mutex* targets_lock = nullptr) {
    GpImage* image = nullptr;
    if (file.empty()) {
        image = image_from_clipboard();
        if (!image) return 0;
    } else {
        const std::u16string name = utf16_name(file);
        GpStatus status;
        if (placing && target == 0)
            status = gdiplus::load_image_deferred(name.c_str(), &image);
        else if (target != 0)
            status = gdiplus::load_image_for_target(name.c_str(), &image);
        else
            status = GdipLoadImageFromFile(name.c_str(), &image);
        if (status != Ok) return 0;
    }
    uint32_t iw = 0, ih = 0;
    GdipGetImageWidth(image, &iw);
    GdipGetImageHeight(image, &ih);

    std::unique_lock<std::mutex> hold;
    if (targets_lock) hold = std::unique_lock(*targets_lock);

    bool created = false;
    int32_t tw = 0, th = 0;
    if (target == 0 && placing) {
        // A picture decoded already (ahead of time) becomes the bitmap as it
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
        if ((cover.w > 0 || cover.h > 0) && int64_t(iw) * ih * 4 > gdiplus::kFullDecodeBytes) {
            const surface::Size r = reduced_size(iw, ih, cover.w, cover.h);
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

    GpStatus drawn = Ok;
    if (created) {
        drawn = GdipDrawImageRectI(graphics, image, 0, 0, tw, th);
    } else if (fit == 0) {
        if (int64_t(iw) != tw || int64_t(ih) != th) {
            GpImage* thumbnail = nullptr;
            if (tw > 0 && th > 0)
                GdipGetImageThumbnail(image, uint32_t(tw), uint32_t(th), &thumbnail, nullptr,
                                      nullptr);
            if (thumbnail) { // without one the first image is drawn scaled
                GdipDisposeImage(image);
                image = thumbnail;
            }
        }
        drawn = GdipDrawImageRectI(graphics, image, 0, 0, tw, th);
    } else {
        if (background != -2) surface::clear(background);
        const int64_t r = ratio4(ih, iw);
        // r * tw > th * 10000, asked without the product, which a header
        // claiming a very tall picture would take past 64 bits: for whole
        // numbers it holds exactly when r exceeds the whole quotient.
        if (tw > 0 && r > int64_t(th) * 10000 / tw) {
            // Relatively taller than the target: full height, centred across.
            const int64_t r2 = ratio4(iw, ih);
            const int64_t w = divide_even(std::min(r2 * th, int64_t(tw) * 10000), 10000);
            const int64_t x = (tw - w) / 2;
            drawn = GdipDrawImageRectI(graphics, image, int32_t(x), 0, int32_t(w), th);
        } else {
            const int64_t h = divide_even(r * tw, 10000); // never above th here
            const int64_t y = (th - h) / 2;
            drawn = GdipDrawImageRectI(graphics, image, 0, int32_t(y), tw, int32_t(h));
        }
    }
    // Reporting a picture that could not be decoded as loaded would hand the
    // caller an empty bitmap as if it held the picture.
    if (drawn != Ok) return fail(graphics);

    GdipDeleteGraphics(graphics);
    GdipDisposeImage(image);
    if (!created) surface::redraw();
    return target;
}

// ---------------------------------------------------------------- label
// Upper case of an 8-bit Latin-1 text: a-z and the accented small letters.
std::string upper_latin1(std::string text) {
    for (char& ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            ch = static_cast<char>(c - 0x20);
    }
    return text;
}

} // namespace

std::string picture_label(const std::string& file) {
    return upper_latin1(file.substr(0, file.find('.')));
}

int32_t fGDIp_2hBMP_impl(const std::string& file, int32_t target, int32_t fit, int32_t background,
                         std::mutex* targets_lock) {
    return load_picture(file, target, fit, background, {}, false, targets_lock);
}

void NG_CARIC(const surface::Handle& dialog, const int32_t& id, const std::string& file,
              const int32_t& modo, const int32_t& background) {
    // A picture missing from the current folder is taken from the program
    // folder; the label still shows the name as given.
    const std::string path = surface::find_data_file(file);
    if (!surface::file_exists(path)) return;
    const surface::Handle control = surface::control_handle(dialog, id);
    surface::select_target(dialog, id, surface::Display::Deferred);
    if (control == 0 || surface::current_target() != control) return;
    const surface::Size c = surface::client_size();

    uint32_t token = 0;
    const GdiplusStartupInput input;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) {
        surface::message_box("No GDI+", "resistenze", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
        return;
    }

    const int32_t picture = load_picture(path, 0, 0, 0, c, true);
    if (picture != 0) {
        const surface::Size i = surface::client_size();
        const double iw = i.w, ih = i.h, cw = c.w, ch = c.h;
        surface::select_target(dialog, id, surface::Display::Deferred);
        surface::clear(background);

        const float r = float(ih) / float(iw);
        const double rd = r;
        auto place = [&](double x1, double y1, double x2, double y2, double x3, double y3,
                         double x4, double y4) {
            surface::stretch(picture, 0, x1, y1, x2, y2, x3, y3, x4, y4, 0, 0);
        };
        switch (modo) {
        case 0: // the control's width, top-aligned
            place(0, 0, iw - 1, ih - 1, 0, 0, cw, ih * cw / iw);
            break;
        case 1: // stretched to fill
            place(0, 0, iw - 1, ih - 1, 0, 0, cw, ch);
            break;
        case 2: // fits inside, centred
            if (ch / cw < rd) {
                const double x = surface::round_even((cw - ch / rd) / 2);
                place(0, 0, iw - 1, ih - 1, x, 0, x + ch / rd, ch);
            } else {
                const double y = surface::round_even((ch - rd * cw) / 2);
                place(0, 0, iw - 1, ih - 1, 0, y, cw, y + rd * cw);
            }
            break;
        case 3: // covers the control, cut equally on both sides
            if (ch / cw < rd) {
                const double d = surface::round_even((ih - ch * iw / cw) / 2);
                place(0, d, iw - 1, ih - 1 - d, 0, 0, cw, ch);
            } else {
                const double d = surface::round_even((iw - cw * ih / ch) / 2);
                place(d, 0, iw - 1 - d, ih - 1, 0, 0, cw, ch);
            }
            break;
        default: // no picture, only the label
            break;
        }

        const std::string label = picture_label(file);
        const surface::Handle font = surface::create_font("pragmatapro", 10, 0, 0);
        surface::select_font(font);
        const surface::Size t = surface::text_size(label);
        surface::set_pos(c.w - t.w, c.h - t.h);
        surface::set_colours(0x0000FF, -2);
        surface::print(label);
        surface::redraw();
        surface::select_font(1);
        surface::delete_font(font);
    }

    GdiplusShutdown(token);
    if (picture != 0) {
        surface::select_target(picture, 0, surface::Display::Deferred);
        surface::end_bitmap();
    }
    surface::select_target(dialog, id, surface::Display::Deferred);
}
