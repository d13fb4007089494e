// Decoding picture files, at their own size or scaled.
#include "imaging/decoding.h"

#include "imaging/jpeg_decoder.h"
#include "imaging/picture_file.h"
#include "surface/surface.h"

#include <mutex>

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

bool decode(const QString& path, QImage& out, QSize scaled, const std::atomic<bool>* cancel) {
    switch (decode_jpeg(path, out, scaled, cancel)) {
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

bool read_picture(const QString& path, QImage& out, QSize scaled, const std::atomic<bool>* cancel) {
    auto cancelled = [cancel] { return cancel != nullptr && cancel->load(); };
    if (cancelled()) return false;
    const bool decoded = decode(path, out, scaled, cancel);
    return decoded && !cancelled() && as_words(out);
}

void apply_allocation_limit() {
    static std::once_flag once;
    std::call_once(once, [] {
        const int limit_mb = int((kFullDecodeBytes + kDecoderWorkingBytes) >> 20);
        if (QImageReader::allocationLimit() == 0 || QImageReader::allocationLimit() > limit_mb)
            QImageReader::setAllocationLimit(limit_mb);
    });
}

} // namespace gdiplus::decoding
