// The imaging library's flat interface on QImageReader / QImage / QPainter.
#include "imaging/gdiplus.h"

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
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <sys/stat.h>

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

std::mutex tokens_lock;
std::vector<uint32_t> live_tokens;
uint32_t last_token = 0;
std::atomic<bool> decoder_missing{false};

int64_t bytes_of(QSize s) {
    return int64_t(s.width()) * int64_t(s.height()) * 4;
}

// `want` shrunk (proportions kept) until a temporary of that size fits `limit`.
QSize within(QSize want, int64_t limit) {
    if (bytes_of(want) <= limit) return want;
    const double f = std::sqrt(double(limit) / double(bytes_of(want)));
    return QSize(std::max(1, int(want.width() * f)), std::max(1, int(want.height() * f)));
}

QImageReader* open_reader(QImageReader& reader, const QString& path) {
    reader.setFileName(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    return &reader;
}

// Decodes a deferred picture scaled to about `want` (smaller when `want`
// would exceed the temporary budget). Null on failure.
QImage decode_scaled(const GpImage& image, QSize want) {
    const QSize size = within(want, gdiplus::kScaledDecodeBytes);
    QImageReader reader;
    open_reader(reader, image.path);
    if (size != image.native) reader.setScaledSize(size);
    QImage out;
    if (!reader.read(&out)) return {};
    return out;
}

// Decodes a deferred picture at its own size straight into `dc`, which has
// exactly that size. False when nothing could be decoded; `elsewhere` gets
// the picture when the decoder could not reuse the target's pixels.
bool decode_in_place(const GpImage& image, QImage& dc, QImage& elsewhere) {
    QImage view(dc.bits(), dc.width(), dc.height(), dc.bytesPerLine(), dc.format());
    const uchar* buffer = view.constBits();
    QImageReader reader;
    open_reader(reader, image.path);
    if (!reader.read(&view)) return false;
    if (view.constBits() != buffer) elsewhere = view;
    return true;
}

// The decoder's own allocations stay within the budget too. Set once, before
// the first decoding of the process (decoders on other threads read it).
void apply_allocation_limit() {
    static std::once_flag once;
    std::call_once(once, [] {
        const int limit_mb = int(gdiplus::kFullDecodeBytes >> 20) + 32;
        if (QImageReader::allocationLimit() == 0 || QImageReader::allocationLimit() > limit_mb)
            QImageReader::setAllocationLimit(limit_mb);
    });
}

// Whether the layer has a JPEG decoder; the plugins are looked up once.
bool jpeg_decoder_installed() {
    static const bool installed = QImageReader::supportedImageFormats().contains("jpeg");
    return installed;
}

// False when the file's data ends before its picture does.
bool data_complete(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const qint64 size = file.size();
    if (size == 0) return true; // nothing to judge; the decoders refuse it
    const uchar* data = file.map(0, size);
    if (data != nullptr) return gdiplus::picture_data_complete(data, size);
    const QByteArray all = file.readAll(); // a file that cannot be mapped
    return gdiplus::picture_data_complete(reinterpret_cast<const uchar*>(all.constData()),
                                          all.size());
}

// ---------------------------------------------------------------- decoding ahead
// What identifies a file's content without reading it.
struct FileStamp {
    bool valid = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modified_ns = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stamp_of(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return {true, st.st_dev, st.st_ino, st.st_size,
            int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

struct Prefetched {
    QString path; // absolute
    FileStamp stamp;
    QImage pixels; // allocated before the worker starts, then the worker's until it is done
    bool decoded = false;
    bool taken = false;
    // Set while the worker decodes, run by it once it is done. Guarded by
    // its own lock: the slot's lock is held while the worker is joined.
    std::mutex then_lock;
    bool worker_done = false;
    std::function<void(const QImage&)> then;
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread worker;
    ~Prefetched() {
        if (worker.joinable()) worker.join();
    }
};

// The worker sees just its own record; the slot itself is guarded here.
std::mutex prefetch_lock;
std::unique_ptr<Prefetched> prefetched;

// The pixels decoded ahead for `path`, when the worker decoded them and the
// file is still the one it decoded; null otherwise. A worker still busy is
// waited for: it started earlier, so it is done before decoding the picture
// again here would be, and the picture is never decoded twice. The first
// load of that path uses the prefetch up either way.
QImage take_prefetched(const QString& path) {
    std::lock_guard lock(prefetch_lock);
    if (!prefetched || prefetched->taken) return {};
    if (QFileInfo(path).absoluteFilePath() != prefetched->path) return {};
    prefetched->taken = true;
    prefetched->worker.join();
    if (!prefetched->decoded || !(stamp_of(prefetched->path) == prefetched->stamp)) return {};
    return std::exchange(prefetched->pixels, QImage());
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
    const QSize declared = reader.size();
    if (declared.isValid() && int64_t(declared.width()) * declared.height() > kMaxPixels &&
        !(purpose != LoadFor::Bitmap && reader.format() == "jpeg"))
        return OutOfMemory;
    if (!data_complete(path)) return UnknownImageFormat;
    auto* result = new (std::nothrow) GpImage{path, declared, declared, {}};
    if (!result) return OutOfMemory;
    const bool known_size = result->native.isValid();
    if (known_size) {
        QImage ahead = take_prefetched(path);
        if (!ahead.isNull() && ahead.size() == result->native) {
            result->pixels = std::move(ahead);
            *image = result;
            return Ok;
        }
    }
    if (!known_size ||
        (purpose != LoadFor::Placing && bytes_of(result->native) <= kFullDecodeBytes)) {
        if (!reader.read(&result->pixels) || result->pixels.isNull()) {
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

void prefetch(const char16_t* filename) {
    drop_prefetched();
    if (!filename) return;
    const QString path = QString::fromUtf16(filename);
    if (path.isEmpty()) return;
    auto ahead = std::make_unique<Prefetched>();
    ahead->path = QFileInfo(path).absoluteFilePath();
    ahead->stamp = stamp_of(ahead->path);
    if (!ahead->stamp.valid) return;
    // The header tells the size; the pixels get their memory here, on the
    // loading thread, and the decoder writes straight into it.
    QImageReader header;
    open_reader(header, ahead->path);
    const QSize size = header.size();
    if (!size.isValid() || size.isEmpty() || bytes_of(size) > kFullDecodeBytes) return;
    ahead->pixels = surface::new_image(size.width(), size.height());
    if (ahead->pixels.isNull()) return;
    // Set here, before the worker exists, so the worker only ever reads it.
    apply_allocation_limit();
    Prefetched* record = ahead.get();
    try {
        record->worker = std::thread([record] {
            QImageReader reader;
            open_reader(reader, record->path);
            const QSize expected = record->pixels.size();
            record->decoded = reader.read(&record->pixels) && record->pixels.size() == expected;
            std::function<void(const QImage&)> then;
            {
                std::lock_guard lock(record->then_lock);
                record->worker_done = true;
                then = std::move(record->then);
            }
            if (then) then(record->decoded ? record->pixels : QImage());
            record->done.set_value();
        });
    } catch (const std::system_error&) {
        return; // no thread: the picture is decoded when it is loaded
    }
    std::lock_guard lock(prefetch_lock);
    prefetched = std::move(ahead);
}

QImage decoded_pixels(const GpImage* image) {
    if (image == nullptr || image->size != image->native || image->pixels.size() != image->size)
        return {};
    return image->pixels;
}

bool when_prefetched(std::function<void(const QImage&)> then, QImage& ready) {
    ready = QImage();
    std::lock_guard lock(prefetch_lock);
    if (!prefetched || prefetched->taken) return false;
    std::lock_guard then_lock(prefetched->then_lock);
    if (prefetched->then) return false;
    if (!prefetched->worker_done) {
        prefetched->then = std::move(then);
        return true;
    }
    if (prefetched->decoded) ready = prefetched->pixels;
    return false;
}

void drop_prefetched() {
    std::unique_ptr<Prefetched> done;
    {
        std::lock_guard lock(prefetch_lock);
        done = std::move(prefetched);
    }
    // `done` joins its worker here, outside the lock.
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

    QImage source = image->pixels;
    if (source.isNull()) {
        const bool one_to_one =
            image->size == image->native && dest == dc.rect() && dest.size() == image->native;
        if (one_to_one) {
            if (!decode_in_place(*image, dc, source)) return GenericError;
            if (source.isNull()) return Ok; // decoded straight into the target
        } else {
            source = decode_scaled(*image, dest.size());
            if (source.isNull()) return GenericError;
        }
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
