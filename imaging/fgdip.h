/*
 * libfgdip: the resistenze picture loader for other programs.
 *
 * Link with -lfgdip or load libfgdip.so with dlopen(). The library needs no
 * application object of its own; it works from a plain C program.
 *
 * Thread safety: every function here may be called from any number of
 * threads at once, on the same or on different bitmaps. Calls on one bitmap
 * take effect one after the other, each whole: a reader sees a bitmap's
 * pixels before or after a picture is drawn into it, never halfway. Files
 * are decoded in parallel. (Taking a picture from the clipboard works only on
 * the thread of the caller's Qt application; elsewhere it returns 0.)
 *
 * Bitmaps are positive 32-bit handles (0 = none); a freed handle stays
 * invalid for the rest of the process, however many bitmaps are made after
 * it (at most about 536 million bitmaps per process, 65,535 alive at once). A bitmap made by
 * fGDIp_2hBMP with target 0 or by fGDIp_new_bitmap belongs to the caller, who ends it with
 * fGDIp_free. Colours are 0x00BBGGRR (red in the low byte).
 *
 * Pictures of any format the library can read are accepted; JPEG always.
 * Damaged files, files whose data ends early, files that are not pictures
 * and pictures of more than 2^26 pixels fail cleanly (result 0), whatever
 * they are drawn into. A JPEG's data ends early when it runs out before the
 * last scan and the last row: a progressive JPEG that ends between two of
 * its scans fails, a Huffman-coded one that lacks only its end marker
 * loads (an arithmetic-coded one needs it). A JPEG whose scans would visit
 * far more blocks than its size pays for (hundreds of scans over a large
 * picture, a small file claiming a large flat picture) fails before it is
 * decoded, as does one of more than 500 scans.
 *
 * Nothing is printed on stderr. While a picture is loaded, the Qt messages of
 * the loading thread (what Qt's image readers say about damaged files) are
 * dropped; other threads' messages go to the handler in force, which is put
 * back when the call returns.
 */
#ifndef FGDIP_H
#define FGDIP_H

#include <stdint.h>

#if defined(__GNUC__)
#define FGDIP_API __attribute__((visibility("default")))
#else
#define FGDIP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Decodes a picture and draws it into a bitmap.
 *
 * file:       picture file name in the locale's 8-bit encoding. NULL or ""
 *             takes the picture on the clipboard of the calling program's Qt
 *             application (there is none in a plain C program: result 0).
 *             A picture taken from the clipboard is removed from it; other
 *             clipboard contents are left alone.
 * target:     0: a new bitmap exactly the picture's size is made and
 *             returned. Otherwise a bitmap (from fGDIp_new_bitmap) to draw
 *             into; an unknown handle gives 0.
 * fit:        with a target: 0 stretches the picture over the whole target;
 *             any other value keeps its proportions and centres it.
 * background: with a target and fit != 0: the whole target is filled with
 *             this colour first; -2 keeps the target's pixels around the
 *             picture.
 *
 * Returns the handle that now holds the picture, or 0 on failure (missing
 * or unreadable file, no picture on the clipboard, unknown target, no
 * memory). On failure a target given by the caller is never freed.
 */
FGDIP_API int32_t fGDIp_2hBMP(const char* file, int32_t target, int32_t fit, int32_t background);

/* A new black bitmap of width x height pixels; 0 on failure. */
FGDIP_API int32_t fGDIp_new_bitmap(int32_t width, int32_t height);

/* The bitmap's size. 1 on success, 0 (sizes set to 0) for an unknown handle.
 * Either pointer may be NULL. */
FGDIP_API int32_t fGDIp_size(int32_t bitmap, int32_t* width, int32_t* height);

/*
 * Copies the bitmap's pixels into buffer: 4 bytes per pixel (blue, green,
 * red, reserved), rows top to bottom, left to right, no padding; that is
 * width * height * 4 bytes. Returns the number of bytes written, or 0 when
 * the handle is unknown, buffer is NULL or capacity is too small.
 */
FGDIP_API int64_t fGDIp_pixels(int32_t bitmap, void* buffer, int64_t capacity);

/* Ends a bitmap. Unknown handles are ignored. */
FGDIP_API void fGDIp_free(int32_t bitmap);

#ifdef __cplusplus
}
#endif

#endif /* FGDIP_H */
