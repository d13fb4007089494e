// The imaging library's flat interface, as the picture loader uses it, on
// QImageReader / QImage / QPainter.
//
// PNG, BMP and GIF files whose data ends early, and pictures declaring more
// than kMaxPixels, fail to load (GdipLoadImageFromFile returns an error)
// before any pixel is decoded. A JPEG is judged by its decoder
// (jpeg_decoder.h): one cut short fails where it is decoded, like any broken
// picture.
//
// Memory: a picture whose full decoded size would exceed kFullDecodeBytes is
// not decoded when it is loaded; only its header is read. It is decoded later
// straight to the size it is drawn or thumbnailed at (never above
// kScaledDecodeBytes for a temporary), or, when drawn 1:1 over a whole target,
// at its own size: straight into the pixels of a bitmap made for it, into a
// temporary that replaces a target's pixels once it is whole otherwise. A
// progressive JPEG also holds its coefficients while it is decoded, two bytes
// a pixel for each full component of at most kMaxPixels pixels. So no file,
// whatever its header claims, makes the process allocate more than a few
// hundred megabytes (about 800 MB for the largest progressive CMYK picture
// loaded into a bitmap of its own).
#pragma once

#include "imaging/picture_file.h"

#include <cstdint>
#include <functional>

class QImage;

using GpStatus = int32_t;

// Status values of the flat interface.
enum : GpStatus {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    Win32Error = 7,
    FileNotFound = 10,
    UnknownImageFormat = 13,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
};

struct GdiplusStartupInput {
    uint32_t GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    int32_t SuppressBackgroundThread = 0;
    int32_t SuppressExternalCodecs = 0;
};

struct GpImage;    // a picture (from a file, the clipboard, or a thumbnail)
struct GpGraphics; // a drawing context bound to a target's pixels

using ImageAbort = int32_t (*)(void*);

// Starts the layer (nested starts are counted). Fails when the layer has no
// JPEG decoder. `output` must be null: no output record is supported.
GpStatus GdiplusStartup(uint32_t* token, const GdiplusStartupInput* input, void* output);
void GdiplusShutdown(uint32_t token);

// UTF-16 file name, zero-terminated.
GpStatus GdipLoadImageFromFile(const char16_t* filename, GpImage** image);
// The window system's bitmap here is the clipboard's QImage.
GpStatus GdipCreateBitmapFromHBITMAP(const QImage* hbm, void* palette, GpImage** image);
GpStatus GdipGetImageWidth(GpImage* image, uint32_t* width);
GpStatus GdipGetImageHeight(GpImage* image, uint32_t* height);
GpStatus GdipGetImageThumbnail(GpImage* image, uint32_t width, uint32_t height, GpImage** thumbnail,
                               ImageAbort callback, void* callback_data);
// The device context here is the target's backing image (surface::device_context()).
GpStatus GdipCreateFromHDC(QImage* hdc, GpGraphics** graphics);
GpStatus GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, int32_t x, int32_t y,
                            int32_t width, int32_t height);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipDisposeImage(GpImage* image);

namespace gdiplus {

// What a picture file is opened for. Files whose data ends early are always
// refused (JPEGs once decoded), and so are pictures declaring more than
// kMaxPixels, before any pixel is decoded.
enum class LoadFor {
    // Its own bitmap (GdipLoadImageFromFile): a picture within the decoding
    // budget is decoded at once, so a broken one fails when it is loaded.
    Bitmap,
    // Drawing into a target: the same.
    Target,
    // A bitmap made for it: only the picture's header is read (unless its
    // size can only be learnt by decoding it), and the pixels are decoded
    // when the picture is drawn: straight into the target's own pixels when
    // it is drawn 1:1 over a whole target of its size, which saves a
    // full-size temporary and a copy. A picture that turns out to be broken
    // then fails at drawing time (GdipDrawImageRectI). Drawn 1:1 it gives
    // exactly the pixels of Bitmap; drawn scaled it is decoded at the drawn
    // size, which may differ slightly from scaling the decoded picture.
    Placing,
};

GpStatus load_image(const char16_t* filename, GpImage** image, LoadFor purpose);

// GdipCreateFromHDC for a bitmap whose pixels were never set (made without
// its black fill): the first GdipDrawImageRectI covers the whole bitmap,
// decoding or replacing every pixel where it can and filling it black first
// where it paints over it. After a failed drawing its pixels are undefined
// (the caller ends it). A picture whose data ends early so costs only the
// rows decoded, not a pass over the whole bitmap.
GpStatus create_graphics_for_new_bitmap(QImage* hdc, GpGraphics** graphics);

// Decodes now what GdipDrawImageRectI with the same arguments would decode
// (a picture waiting for its drawn size), so that the drawing cannot fail
// after the target was touched: a caller's target is cleared only once its
// picture is there. An error when the picture cannot be decoded.
GpStatus decode_for_drawing(GpGraphics* graphics, GpImage* image, int32_t x, int32_t y,
                            int32_t width, int32_t height);

// The pixels of a picture that is already decoded at its own size (null
// otherwise), shared with it.
QImage decoded_pixels(const GpImage* image);

// True while at least one start-up is in force.
bool running();
// Makes GdiplusStartup behave as if no JPEG decoder were installed (tests).
void simulate_missing_decoder(bool missing);

} // namespace gdiplus
