// Decoding picture files for the imaging layer: the decoders, their memory
// budget, and the one picture decoded ahead of time on a worker.
#pragma once

#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>

#include <cstdint>

namespace gdiplus::decoding {

int64_t bytes_of(QSize s); // 4 bytes a pixel
QImageReader* open_reader(QImageReader& reader, const QString& path);
// Decodes the file into `out` (in place when its size and format suit the
// decoder), scaled to `scaled` when that is valid. JPEGs go to libjpeg,
// which tells a file cut short from a whole one; the rest to Qt's readers.
// `out` is Format_RGB32, or Format_ARGB32_Premultiplied for a picture with
// transparency, whatever the file holds.
bool read_picture(const QString& path, QImage& out, QSize scaled = {});
// The decoders' own allocations stay within the budget too. Set once, before
// the first decoding of the process (decoders on other threads read it).
void apply_allocation_limit();
// The pixels decoded ahead for `path`, when the worker decoded them and the
// file is still the one it decoded; null otherwise (see decoding.cpp).
QImage take_prefetched(const QString& path);

} // namespace gdiplus::decoding
