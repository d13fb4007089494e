// JPEG files decoded with libjpeg directly, so that the decoder's own view
// of the data decides whether a picture is all there: a file whose coded
// data runs out before the decoder is done with its scans and rows is
// refused (a Huffman-coded scan that meets a marker while its blocks still
// want bits, an arithmetic-coded one that asks for bytes past the end of
// the file, a file of several scans that ends without its end marker before
// every coefficient of every component has come);
// whatever scan script the encoder chose, stray bytes between segments and a
// missing end marker after a Huffman-coded picture are harmless and accepted.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

namespace gdiplus {

enum class JpegOutcome {
    NotJpeg, // the file does not start like a JPEG (or cannot be read)
    Refused, // a JPEG that is cut short, damaged or too large to decode
    Decoded,
};

// Decodes the JPEG file at `path` into `out` (Format_Grayscale8 for a grey
// picture, Format_RGB32 otherwise). When `out` already has the decoded size
// and format its pixels are written in place. A valid `want` other than the
// picture's own size decodes at about that size: libjpeg shrinks by eighths
// while the result stays at least `want`, then the rest is scaled smoothly
// to exactly `want`. No output on stderr; safe to call from several threads
// at once. Refused: a picture of more than kMaxPixels, a file of more scans
// than any encoder writes or whose scans would visit more blocks than its
// size pays for (jpeg_decoder.cpp), and the picture when `cancel` is set
// while it is decoded (it is looked at between scans and every few rows).
// libjpeg's own memory grows with the picture's area.
JpegOutcome decode_jpeg(const QString& path, QImage& out, QSize want = {},
                        const std::atomic<bool>* cancel = nullptr);

} // namespace gdiplus
