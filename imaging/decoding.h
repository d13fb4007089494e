// Decoding picture files for the imaging layer: the decoders and their
// memory budget.
#pragma once

#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>

namespace gdiplus::decoding {

int64_t bytes_of(QSize s); // 4 bytes a pixel
QImageReader* open_reader(QImageReader& reader, const QString& path);
// Decodes the file into `out` (in place when its size and format suit the
// decoder), scaled to `scaled` when that is valid. JPEGs go to libjpeg,
// which tells a file cut short from a whole one; the rest to Qt's readers.
// `out` is Format_RGB32, or Format_ARGB32_Premultiplied for a picture with
// transparency, whatever the file holds.
// A decoding that `cancel` is set for, before or while it runs, is refused.
bool read_picture(const QString& path, QImage& out, QSize scaled = {},
                  const std::atomic<bool>* cancel = nullptr);
// The decoders' own allocations stay within the budget too. Set once, before
// the first decoding of the process (decoders on other threads read it).
void apply_allocation_limit();

} // namespace gdiplus::decoding
