// A picture file's bytes, and the memory its decoding may take: what the
// decoders (decoding.h, jpeg_decoder.h) and the imaging layer above them
// (gdiplus.h) share.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace gdiplus {

constexpr int64_t kFullDecodeBytes = int64_t(128) << 20;
constexpr int64_t kScaledDecodeBytes = int64_t(32) << 20;
// What a decoder may use beside the pixels it decodes (libjpeg's working
// memory, the margin of Qt's readers' allocation limit).
constexpr int64_t kDecoderWorkingBytes = int64_t(32) << 20;
// A picture declaring more pixels is refused before any pixel is decoded
// (OutOfMemory), whatever it is loaded for: decoding it even at an eighth of
// its size would take seconds.
constexpr int64_t kMaxPixels = int64_t(1) << 26;

namespace decoding {

// A file's bytes: mapped where the system can, read whole otherwise.
class FileBytes {
  public:
    explicit FileBytes(const QString& path);
    bool opened() const { return opened_; }
    const uchar* data() const { return data_; } // nullptr when empty
    size_t size() const { return size_; }

  private:
    QFile file_;
    QByteArray copy_;
    const uchar* data_ = nullptr;
    size_t size_ = 0;
    bool opened_ = false;
};

} // namespace decoding

} // namespace gdiplus
