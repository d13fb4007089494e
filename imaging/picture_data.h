// Whether a picture file's data is all there, judged from its structure
// before anything is decoded. Decoders fill in what is missing from a BMP or
// GIF cut short (black) and report success, or allocate a whole picture
// before noticing; a picture whose data ends early is refused here instead.
// JPEGs are judged by their own decoder (jpeg_decoder.h).
#pragma once

#include <cstdint>

namespace gdiplus {

// True unless the bytes are a PNG, BMP or GIF whose data ends before the
// picture does: a PNG whose chunks run past the end, or with less compressed
// data than its rows need at the least (or damaged where its decoder would
// refuse it with a message on stderr: a chunk type that is not four letters,
// a critical chunk with a wrong checksum); a BMP shorter than its pixel rows or
// without the end of its run-length data; a GIF whose first picture's data
// blocks run past the end. Other formats (JPEG among them): true.
bool picture_data_complete(const unsigned char* data, int64_t size);

} // namespace gdiplus
