// Decoding picture files: now, scaled, or ahead of time on a worker.
#include "imaging/decoding.h"

#include "imaging/gdiplus.h"
#include "imaging/jpeg_decoder.h"
#include "surface/surface.h"

#include <QFile>
#include <QFileInfo>

#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include <sys/stat.h>

namespace gdiplus::decoding {

int64_t bytes_of(QSize s) {
    return int64_t(s.width()) * int64_t(s.height()) * 4;
}

QImageReader* open_reader(QImageReader& reader, const QString& path) {
    reader.setFileName(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    return &reader;
}

namespace {

// Pictures leave the decoders as 32-bit words: opaque ones (grey, palette,
// CMYK, 16 bits a channel) as RGB32, those with transparency premultiplied.
// The only place decoded pixels change format.
bool as_words(QImage& out) {
    const QImage::Format words =
        out.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (out.format() != words) out.convertTo(words);
    return !out.isNull() && out.format() == words;
}

bool decode(const QString& path, QImage& out, QSize scaled) {
    switch (decode_jpeg(path, out, scaled)) {
    case JpegOutcome::Decoded:
        return true;
    case JpegOutcome::Refused:
        return false;
    case JpegOutcome::NotJpeg:
        break;
    }
    QImageReader reader;
    open_reader(reader, path);
    if (scaled.isValid()) reader.setScaledSize(scaled);
    return reader.read(&out);
}

} // namespace

bool read_picture(const QString& path, QImage& out, QSize scaled) {
    return decode(path, out, scaled) && as_words(out);
}

void apply_allocation_limit() {
    static std::once_flag once;
    std::call_once(once, [] {
        const int limit_mb = int(kFullDecodeBytes >> 20) + 32;
        if (QImageReader::allocationLimit() == 0 || QImageReader::allocationLimit() > limit_mb)
            QImageReader::setAllocationLimit(limit_mb);
    });
}

namespace {

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

} // namespace

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

} // namespace gdiplus::decoding

namespace gdiplus {

using namespace decoding;

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
            const QSize expected = record->pixels.size();
            record->decoded =
                read_picture(record->path, record->pixels) && record->pixels.size() == expected;
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
