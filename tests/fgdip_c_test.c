/*
 * Loads libfgdip.so with dlopen from a plain C program (no Qt application),
 * decodes a JPEG this program writes itself and checks the bitmaps it gets.
 *
 * usage: fgdip_c_test path/to/libfgdip.so work-folder
 */
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef int32_t (*load_fn)(const char*, int32_t, int32_t, int32_t);
typedef int32_t (*new_fn)(int32_t, int32_t);
typedef int32_t (*size_fn)(int32_t, int32_t*, int32_t*);
typedef int64_t (*pixels_fn)(int32_t, void*, int64_t);
typedef void (*free_fn)(int32_t);

static load_fn load;
static new_fn new_bitmap;
static size_fn size_of;
static pixels_fn pixels_of;
static free_fn free_bitmap;
static int failures;

#define CHECK(cond, ...)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            ++failures;                                                                            \
            printf("FAIL line %d: %s: ", __LINE__, #cond);                                         \
            printf(__VA_ARGS__);                                                                   \
            printf("\n");                                                                          \
        }                                                                                          \
    } while (0)

/* ------------------------------------------------------------------ JPEG
 * A baseline JPEG whose 8x8 blocks are each one flat colour: only the DC
 * coefficient is coded, with a quantiser of 8, so a block of level v has the
 * quantised value v - 128. No subsampling. */

struct bits {
    FILE* f;
    unsigned acc;
    int n;
};

static void put_bits(struct bits* b, unsigned value, int count) {
    while (count-- > 0) {
        b->acc = (b->acc << 1) | ((value >> count) & 1u);
        if (++b->n == 8) {
            fputc((int)b->acc, b->f);
            if (b->acc == 0xFF) fputc(0, b->f); /* stuffed byte */
            b->acc = 0;
            b->n = 0;
        }
    }
}

static void put16(FILE* f, int v) {
    fputc((v >> 8) & 0xFF, f);
    fputc(v & 0xFF, f);
}

static int clamp_level(double v) {
    int i = (int)(v + (v < 0 ? -0.5 : 0.5));
    return i < 0 ? 0 : i > 255 ? 255 : i;
}

/* colour(bx, by) gives 0xRRGGBB for block (bx, by). `stray`: one stray byte
 * before the Huffman tables, which decoders skip with a complaint. */
static int write_flat_jpeg(const char* path, int width, int height,
                           unsigned (*colour)(int, int, int, int), int stray) {
    FILE* f = fopen(path, "wb");
    int i, bx, by, c;
    int bw = (width + 7) / 8, bh = (height + 7) / 8;
    int predictor[3] = {0, 0, 0};
    struct bits b;
    if (!f) return 0;
    fputc(0xFF, f), fputc(0xD8, f);
    /* quantisation table 0: 8 for DC, 1 elsewhere */
    fputc(0xFF, f), fputc(0xDB, f), put16(f, 67), fputc(0, f);
    for (i = 0; i < 64; ++i) fputc(i == 0 ? 8 : 1, f);
    /* frame: 8 bits, three components, no subsampling */
    fputc(0xFF, f), fputc(0xC0, f), put16(f, 17), fputc(8, f), put16(f, height), put16(f, width);
    fputc(3, f);
    for (c = 1; c <= 3; ++c) fputc(c, f), fputc(0x11, f), fputc(0, f);
    /* DC table: categories 0..11, four-bit codes equal to the category;
       AC table: only end-of-block, the one-bit code 0 */
    if (stray) fputc('x', f);
    fputc(0xFF, f), fputc(0xC4, f), put16(f, 49);
    fputc(0x00, f);
    for (i = 1; i <= 16; ++i) fputc(i == 4 ? 12 : 0, f);
    for (i = 0; i < 12; ++i) fputc(i, f);
    fputc(0x10, f);
    for (i = 1; i <= 16; ++i) fputc(i == 1 ? 1 : 0, f);
    fputc(0, f);
    /* scan */
    fputc(0xFF, f), fputc(0xDA, f), put16(f, 12), fputc(3, f);
    for (c = 1; c <= 3; ++c) fputc(c, f), fputc(0x00, f);
    fputc(0, f), fputc(63, f), fputc(0, f);
    b.f = f, b.acc = 0, b.n = 0;
    for (by = 0; by < bh; ++by)
        for (bx = 0; bx < bw; ++bx) {
            unsigned rgb = colour(bx, by, bw, bh);
            double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, bl = rgb & 0xFF;
            int level[3];
            level[0] = clamp_level(0.299 * r + 0.587 * g + 0.114 * bl);
            level[1] = clamp_level(-0.168736 * r - 0.331264 * g + 0.5 * bl + 128);
            level[2] = clamp_level(0.5 * r - 0.418688 * g - 0.081312 * bl + 128);
            for (c = 0; c < 3; ++c) {
                int dc = level[c] - 128, diff = dc - predictor[c], mag = diff < 0 ? -diff : diff;
                int cat = 0;
                predictor[c] = dc;
                while (mag >> cat) ++cat;
                put_bits(&b, (unsigned)cat, 4);
                if (cat) put_bits(&b, (unsigned)(diff < 0 ? diff + (1 << cat) - 1 : diff), cat);
                put_bits(&b, 0, 1); /* end of block */
            }
        }
    while (b.n != 0) put_bits(&b, 1, 1);
    fputc(0xFF, f), fputc(0xD9, f);
    return fclose(f) == 0;
}

/* 32 x 16: red, blue over green, white (each quadrant 16 x 8). */
static unsigned quadrants(int bx, int by, int bw, int bh) {
    int right = bx >= bw / 2, bottom = by >= bh / 2;
    if (!bottom) return right ? 0x0000FFu : 0xFF0000u;
    return right ? 0xFFFFFFu : 0x00FF00u;
}

static const unsigned char kDamagedPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
    0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9C, 0x63, 0xB8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0xC9, 0xFE, 0x92,
    0xEF, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

/* ------------------------------------------------------------------ checks */

static int near(int a, int b) {
    return abs(a - b) <= 24;
}

/* Pixel (x, y) of a bitmap compared with 0xRRGGBB. */
static void check_pixel(int32_t bitmap, int x, int y, unsigned rgb, int line) {
    int32_t w = 0, h = 0;
    unsigned char* px;
    int64_t bytes;
    if (!size_of(bitmap, &w, &h) || x >= w || y >= h) {
        ++failures;
        printf("FAIL line %d: no pixel (%d, %d)\n", line, x, y);
        return;
    }
    px = malloc((size_t)w * (size_t)h * 4);
    bytes = pixels_of(bitmap, px, (int64_t)w * h * 4);
    if (bytes != (int64_t)w * h * 4) {
        ++failures;
        printf("FAIL line %d: pixels returned %lld bytes\n", line, (long long)bytes);
    } else {
        const unsigned char* p = px + ((size_t)y * (size_t)w + (size_t)x) * 4;
        if (!near(p[2], (int)(rgb >> 16) & 0xFF) || !near(p[1], (int)(rgb >> 8) & 0xFF) ||
            !near(p[0], (int)rgb & 0xFF)) {
            ++failures;
            printf("FAIL line %d: pixel (%d, %d) is R%d G%d B%d, expected %06X\n", line, x, y, p[2],
                   p[1], p[0], rgb);
        }
    }
    free(px);
}

#define PIXEL(bmp, x, y, rgb) check_pixel(bmp, x, y, rgb, __LINE__)

int main(int argc, char** argv) {
    void* lib;
    char jpeg[4096], text[4096], stray[4096], png[4096], log[4096];
    int32_t picture, target, quiet, w = -1, h = -1;
    int saved, fd, i;
    unsigned char small[16];
    FILE* f;

    if (argc < 3) {
        printf("usage: %s libfgdip.so work-folder\n", argv[0]);
        return 2;
    }
    lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        printf("FAIL: dlopen: %s\n", dlerror());
        return 1;
    }
    *(void**)(&load) = dlsym(lib, "fGDIp_2hBMP");
    *(void**)(&new_bitmap) = dlsym(lib, "fGDIp_new_bitmap");
    *(void**)(&size_of) = dlsym(lib, "fGDIp_size");
    *(void**)(&pixels_of) = dlsym(lib, "fGDIp_pixels");
    *(void**)(&free_bitmap) = dlsym(lib, "fGDIp_free");
    if (!load || !new_bitmap || !size_of || !pixels_of || !free_bitmap) {
        printf("FAIL: missing exported functions\n");
        return 1;
    }
    /* Nothing but the loader's own functions is visible. */
    CHECK(dlsym(lib, "_ZN7surface10new_bitmapEii") == NULL, "internals exported");

    snprintf(jpeg, sizeof jpeg, "%s/quadrants.jpg", argv[2]);
    snprintf(text, sizeof text, "%s/not-a-picture.jpg", argv[2]);
    if (!write_flat_jpeg(jpeg, 32, 16, quadrants, 0)) {
        printf("FAIL: cannot write %s\n", jpeg);
        return 1;
    }
    f = fopen(text, "wb");
    if (f) fputs("just some words, no picture at all\n", f), fclose(f);

    /* target 0: a bitmap of the picture's own size, whatever fit says */
    picture = load(jpeg, 0, 1, 0x00FF00);
    CHECK(picture != 0, "load returned 0");
    CHECK(size_of(picture, &w, &h) == 1 && w == 32 && h == 16, "size %d x %d", w, h);
    PIXEL(picture, 4, 3, 0xFF0000);
    PIXEL(picture, 27, 3, 0x0000FF);
    PIXEL(picture, 4, 12, 0x00FF00);
    PIXEL(picture, 27, 12, 0xFFFFFF);
    CHECK(pixels_of(picture, small, sizeof small) == 0, "a too small buffer was filled");
    CHECK(pixels_of(picture, NULL, 1 << 20) == 0, "NULL buffer accepted");

    /* fit into a 16 x 16 target of our own: 8 rows of picture from row 4, magenta around */
    target = new_bitmap(16, 16);
    CHECK(target != 0, "new bitmap failed");
    CHECK(load(jpeg, target, 1, 0xFF00FF) == target, "fit into own target failed");
    PIXEL(target, 8, 1, 0xFF00FF);
    PIXEL(target, 8, 14, 0xFF00FF);
    PIXEL(target, 3, 5, 0xFF0000);
    PIXEL(target, 12, 5, 0x0000FF);
    PIXEL(target, 3, 10, 0x00FF00);
    PIXEL(target, 12, 10, 0xFFFFFF);

    /* fit 0 stretches over the whole target */
    CHECK(load(jpeg, target, 0, 0xFF00FF) == target, "stretch into own target failed");
    PIXEL(target, 2, 2, 0xFF0000);
    PIXEL(target, 13, 2, 0x0000FF);
    PIXEL(target, 2, 13, 0x00FF00);
    PIXEL(target, 13, 13, 0xFFFFFF);

    /* failures: 0, and the caller's target survives */
    CHECK(load(text, target, 1, 0) == 0, "text file loaded as a picture");
    CHECK(load("/nonexistent/none.jpg", 0, 0, 0) == 0, "missing file loaded");
    CHECK(load(argv[2], 0, 0, 0) == 0, "a folder loaded");
    CHECK(load(NULL, 0, 0, 0) == 0, "clipboard without an application");
    CHECK(load("", 0, 0, 0) == 0, "clipboard without an application");
    CHECK(load(jpeg, 123456, 1, 0) == 0, "unknown target accepted");
    CHECK(size_of(target, &w, &h) == 1 && w == 16 && h == 16, "target lost after failures");

    /* nothing on the caller's stderr, for a JPEG with a stray byte (loaded) nor
       for a 1 x 1 PNG whose compressed data has one bit flipped (refused) */
    snprintf(stray, sizeof stray, "%s/stray.jpg", argv[2]);
    snprintf(png, sizeof png, "%s/damaged.png", argv[2]);
    snprintf(log, sizeof log, "%s/stderr.log", argv[2]);
    CHECK(write_flat_jpeg(stray, 32, 16, quadrants, 1), "cannot write %s", stray);
    f = fopen(png, "wb");
    if (f) fwrite(kDamagedPng, 1, sizeof kDamagedPng, f), fclose(f);
    for (i = 0; i < 2; ++i) {
        fflush(stderr), saved = dup(2), fd = open(log, O_RDWR | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        quiet = load(i == 0 ? stray : png, 0, 0, 0);
        fflush(stderr), dup2(saved, 2);
        CHECK((quiet != 0) == (i == 0) && lseek(fd, 0, SEEK_END) == 0, "%s: result %d, or stderr",
              i == 0 ? stray : png, quiet);
        close(fd), close(saved), free_bitmap(quiet);
    }

    /* unknown and freed handles */
    CHECK(size_of(987654, &w, &h) == 0 && w == 0 && h == 0, "unknown handle has a size");
    CHECK(new_bitmap(0, 5) == 0 && new_bitmap(-3, 5) == 0, "empty bitmap made");
    free_bitmap(picture);
    CHECK(size_of(picture, NULL, NULL) == 0, "freed bitmap still known");
    CHECK(pixels_of(picture, small, sizeof small) == 0, "freed bitmap has pixels");
    free_bitmap(picture); /* twice: ignored */
    free_bitmap(target);
    CHECK(load(jpeg, target, 1, 0) == 0, "freed target accepted");

    remove(jpeg);
    remove(text);
    remove(stray);
    remove(png);
    remove(log);
    dlclose(lib);
    printf(failures ? "FAIL: %d check(s) failed\n" : "PASS\n", failures);
    return failures ? 1 : 0;
}
