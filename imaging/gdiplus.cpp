// The imaging library's flat interface on QImageReader / QImage / QPainter.
#include "imaging/gdiplus.h"

#include "imaging/decoding.h"
#include "imaging/picture_data.h"
#include "surface/surface.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

struct GpImage {
    QString path;  // file the picture comes from; empty for pictures held in memory
    QSize native;  // the file's own picture size
    QSize size;    // the size this image reports (differs from native for thumbnails)
    QImage pixels; // decoded pixels; null while decoding waits for the drawn size
};

struct GpGraphics {
    QImage* dc;
    bool unfilled = false; // pixels never set: black before anything is painted over them
};

namespace {

using namespace gdiplus::decoding;

std::mutex tokens_lock;
std::vector<uint32_t> live_tokens;
uint32_t last_token = 0;
std::atomic<bool> decoder_missing{false};

// `want` shrunk (proportions kept) until a temporary of that size fits `limit`.
QSize within(QSize want, int64_t limit) {
    if (bytes_of(want) <= limit) return want;
    const double f = std::sqrt(double(limit) / double(bytes_of(want)));
    return QSize(std::max(1, int(want.width() * f)), std::max(1, int(want.height() * f)));
}

// Decodes a deferred picture scaled to about `want` (smaller when `want`
// would exceed the temporary budget). Null on failure.
QImage decode_scaled(const GpImage& image, QSize want) {
    const QSize size = within(want, gdiplus::kScaledDecodeBytes);
    QImage out;
    if (!read_picture(image.path, out, size != image.native ? size : QSize())) return {};
    return out;
}

// Whether drawing a deferred picture over `dest` of `dc` decodes it at its
// own size: when it covers the whole target 1:1.
bool one_to_one(const GpImage& image, const QImage& dc, QRect dest) {
    return image.size == image.native && dest == dc.rect() && dest.size() == image.native;
}

// Decodes a deferred picture at its own size straight into `dc`, which has
// exactly that size. False when nothing could be decoded, which leaves `dc`
// partly written; `elsewhere` gets the picture when the decoder could not
// reuse the target's pixels.
bool decode_in_place(const GpImage& image, QImage& dc, QImage& elsewhere) {
    QImage view(dc.bits(), dc.width(), dc.height(), dc.bytesPerLine(), dc.format());
    const uchar* buffer = view.constBits();
    if (!read_picture(image.path, view)) return false;
    if (view.constBits() != buffer) elsewhere = view;
    return true;
}

// What drawing `image` over `dest` of `dc` shows, decoded apart from the
// target when the picture waits for its drawn size. Null on failure.
QImage pixels_for(const GpImage& image, const QImage& dc, QRect dest) {
    if (!image.pixels.isNull()) return image.pixels;
    if (!one_to_one(image, dc, dest)) return decode_scaled(image, dest.size());
    QImage whole;
    return read_picture(image.path, whole) ? whole : QImage();
}

// Whether the layer has a JPEG decoder; the plugins are looked up once.
bool jpeg_decoder_installed() {
    static const bool installed = QImageReader::supportedImageFormats().contains("jpeg");
    return installed;
}

// False when the file's data ends before its picture does.
bool data_complete(const QString& path) {
    const gdiplus::decoding::FileBytes file(path);
    if (!file.opened()) return false;
    if (file.size() == 0) return true; // nothing to judge; the decoders refuse it
    return gdiplus::picture_data_complete(file.data(), qint64(file.size()));
}

} // namespace

namespace gdiplus {

bool running() {
    std::lock_guard lock(tokens_lock);
    return !live_tokens.empty();
}

void simulate_missing_decoder(bool missing) {
    decoder_missing = missing;
}

} // namespace gdiplus

GpStatus GdiplusStartup(uint32_t* token, const GdiplusStartupInput* input, void* output) {
    if (!token || !input) return InvalidParameter;
    *token = 0;
    if (input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
    if (output) return InvalidParameter;
    if (decoder_missing || !jpeg_decoder_installed()) return GenericError;
    apply_allocation_limit();
    std::lock_guard lock(tokens_lock);
    if (++last_token == 0) ++last_token;
    live_tokens.push_back(last_token);
    *token = last_token;
    return Ok;
}

void GdiplusShutdown(uint32_t token) {
    std::lock_guard lock(tokens_lock);
    auto it = std::find(live_tokens.begin(), live_tokens.end(), token);
    if (it != live_tokens.end()) live_tokens.erase(it);
}

GpStatus GdipLoadImageFromFile(const char16_t* filename, GpImage** image) {
    return gdiplus::load_image(filename, image, gdiplus::LoadFor::Bitmap);
}

namespace gdiplus {

GpStatus load_image(const char16_t* filename, GpImage** image, LoadFor purpose) {
    if (!filename || !image) return InvalidParameter;
    *image = nullptr;
    if (!running()) return GdiplusNotInitialized;
    const QString path = QString::fromUtf16(filename);
    // Only plain files: a folder, device or pipe could block or never end.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) return FileNotFound;

    QImageReader reader;
    open_reader(reader, path);
    if (!reader.canRead()) return UnknownImageFormat;
    // Judged before the reader looks at the header, which it would complain
    // about on stderr when damaged.
    if (!data_complete(path)) return UnknownImageFormat;
    const QSize declared = reader.size();
    if (declared.isValid() && int64_t(declared.width()) * declared.height() > kMaxPixels)
        return OutOfMemory;
    auto* result = new (std::nothrow) GpImage{path, declared, declared, {}};
    if (!result) return OutOfMemory;
    const bool known_size = result->native.isValid();
    if (!known_size ||
        (purpose != LoadFor::Placing && bytes_of(result->native) <= kFullDecodeBytes)) {
        if (!read_picture(path, result->pixels) || result->pixels.isNull()) {
            delete result;
            return UnknownImageFormat;
        }
        result->native = result->size = result->pixels.size();
    } else if (result->native.isEmpty()) {
        delete result;
        return UnknownImageFormat;
    }
    *image = result;
    return Ok;
}

QImage decoded_pixels(const GpImage* image) {
    if (image == nullptr || image->size != image->native || image->pixels.size() != image->size)
        return {};
    return image->pixels;
}

} // namespace gdiplus

GpStatus GdipCreateBitmapFromHBITMAP(const QImage* hbm, void*, GpImage** image) {
    if (!image) return InvalidParameter;
    *image = nullptr;
    if (!gdiplus::running()) return GdiplusNotInitialized;
    if (!hbm || hbm->isNull()) return InvalidParameter;
    auto* result = new (std::nothrow) GpImage{{}, hbm->size(), hbm->size(), *hbm};
    if (!result) return OutOfMemory;
    *image = result;
    return Ok;
}

GpStatus GdipGetImageWidth(GpImage* image, uint32_t* width) {
    if (!image || !width) return InvalidParameter;
    *width = uint32_t(image->size.width());
    return Ok;
}

GpStatus GdipGetImageHeight(GpImage* image, uint32_t* height) {
    if (!image || !height) return InvalidParameter;
    *height = uint32_t(image->size.height());
    return Ok;
}

GpStatus GdipGetImageThumbnail(GpImage* image, uint32_t width, uint32_t height, GpImage** thumbnail,
                               ImageAbort, void*) {
    if (!thumbnail) return InvalidParameter;
    *thumbnail = nullptr;
    if (!image || width == 0 || height == 0 || width > 0x7fff'ffff || height > 0x7fff'ffff)
        return InvalidParameter;
    const QSize size{int(width), int(height)};
    auto* result = new (std::nothrow) GpImage{image->path, image->native, size, {}};
    if (!result) return OutOfMemory;
    if (!image->pixels.isNull()) {
        if (bytes_of(size) <= gdiplus::kScaledDecodeBytes || image->path.isEmpty()) {
            result->pixels =
                image->pixels.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (result->pixels.isNull()) {
                delete result;
                return OutOfMemory;
            }
        }
        // else: a large thumbnail of a file is decoded at drawing time.
    }
    *thumbnail = result;
    return Ok;
}

GpStatus GdipCreateFromHDC(QImage* hdc, GpGraphics** graphics) {
    if (!graphics) return InvalidParameter;
    *graphics = nullptr;
    if (!gdiplus::running()) return GdiplusNotInitialized;
    if (!hdc || hdc->isNull()) return InvalidParameter;
    {
        QPainter probe(hdc);
        if (!probe.isActive()) return Win32Error;
    }
    *graphics = new (std::nothrow) GpGraphics{hdc};
    return *graphics ? Ok : OutOfMemory;
}

GpStatus GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, int32_t x, int32_t y,
                            int32_t width, int32_t height) {
    if (!graphics || !image) return InvalidParameter;
    QImage& dc = *graphics->dc;
    const bool unfilled = std::exchange(graphics->unfilled, false);
    const QRect dest(x, y, width, height);
    if (unfilled && dest != dc.rect()) dc.fill(0xFF000000u);
    if (width <= 0 || height <= 0 || !dest.intersects(dc.rect())) return Ok;

    // Only a bitmap made for the picture is decoded into: a failure ends it.
    QImage source;
    if (unfilled && image->pixels.isNull() && one_to_one(*image, dc, dest)) {
        if (!decode_in_place(*image, dc, source)) return GenericError;
        if (source.isNull()) return Ok; // decoded straight into the target
    } else {
        source = pixels_for(*image, dc, dest);
        if (source.isNull()) return GenericError;
    }
    // A picture of the target's own size and format over the whole target:
    // the target takes the pixels as they are (shared until either side is
    // written to), which is what drawing them 1:1 would leave there.
    if (dest == dc.rect() && source.size() == dest.size() && source.format() == dc.format()) {
        dc = std::move(source);
        return Ok;
    }
    if (unfilled) dc.fill(0xFF000000u); // what shows through transparent pixels
    // Scale with area averaging first when the temporary is affordable; the
    // painter's own smoothing is bilinear and loses detail when shrinking.
    if (source.size() != dest.size() && bytes_of(dest.size()) <= gdiplus::kScaledDecodeBytes) {
        QImage scaled = source.scaled(dest.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!scaled.isNull()) source = std::move(scaled);
    }
    QPainter painter(&dc);
    if (!painter.isActive()) return Win32Error;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(dest, source);
    return Ok;
}

namespace gdiplus {

GpStatus create_graphics_for_new_bitmap(QImage* hdc, GpGraphics** graphics) {
    const GpStatus status = GdipCreateFromHDC(hdc, graphics);
    if (status == Ok) (*graphics)->unfilled = true;
    return status;
}

GpStatus decode_for_drawing(GpGraphics* graphics, GpImage* image, int32_t x, int32_t y,
                            int32_t width, int32_t height) {
    if (!graphics || !image) return InvalidParameter;
    const QRect dest(x, y, width, height);
    if (width <= 0 || height <= 0 || !dest.intersects(graphics->dc->rect())) return Ok;
    QImage pixels = pixels_for(*image, *graphics->dc, dest);
    if (pixels.isNull()) return GenericError;
    image->pixels = std::move(pixels);
    return Ok;
}

} // namespace gdiplus

GpStatus GdipDeleteGraphics(GpGraphics* graphics) {
    if (!graphics) return InvalidParameter;
    delete graphics;
    return Ok;
}

GpStatus GdipDisposeImage(GpImage* image) {
    if (!image) return InvalidParameter;
    delete image;
    return Ok;
}
