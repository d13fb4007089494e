/*
 * libfgdip called from 8 threads at once, 5,000 mixed calls each: new
 * bitmaps, pictures loaded into them, into target 0 and into bitmaps shared
 * by all threads, sizes and pixels checked against what each bitmap must
 * hold, frees, and calls with freed and forged handles.
 *
 * usage: fgdip_threads work-folder
 */
#include "imaging/fgdip.h"

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { THREADS = 8, CALLS = 5000, PICTURES = 2, SHARED = 3, OWNED = 8, FREED = 32 };

static const int pic_w[PICTURES] = {13, 20}, pic_h[PICTURES] = {7, 11};
static char pic_path[PICTURES][4096];
static int32_t shared_bitmap[SHARED];
static int failures;
static pthread_mutex_t report_lock = PTHREAD_MUTEX_INITIALIZER;

static void fail(int thread, int line, const char* what, long long a, long long b) {
    pthread_mutex_lock(&report_lock);
    if (++failures <= 20)
        printf("FAIL thread %d line %d: %s (%lld, %lld)\n", thread, line, what, a, b);
    pthread_mutex_unlock(&report_lock);
}
#define CHECK(cond, what, a, b)                                                                    \
    do {                                                                                           \
        if (!(cond)) fail(t->id, __LINE__, what, (long long)(a), (long long)(b));                  \
    } while (0)

/* Pixel (x, y) of picture k as blue, green, red. */
static void pic_pixel(int k, int x, int y, unsigned char bgr[3]) {
    bgr[0] = (unsigned char)(x * 31 + k * 50);
    bgr[1] = (unsigned char)(y * 17 + x);
    bgr[2] = (unsigned char)(k * 90 + y * 7);
}

/* An uncompressed 24-bit BMP, rows bottom up, padded to 4 bytes. */
static int write_bmp(const char* path, int k) {
    int w = pic_w[k], h = pic_h[k], stride = (w * 3 + 3) & ~3, x, y;
    unsigned size = 54u + (unsigned)(stride * h);
    unsigned char header[54] = {'B', 'M'}, row[256] = {0};
    FILE* f = fopen(path, "wb");
    if (!f) return 0;
#define LE32(at, v)                                                                                \
    header[at] = (unsigned char)(v), header[at + 1] = (unsigned char)((v) >> 8),                   \
    header[at + 2] = (unsigned char)((v) >> 16), header[at + 3] = (unsigned char)((v) >> 24)
    LE32(2, size);
    LE32(10, 54u);
    LE32(14, 40u);
    LE32(18, (unsigned)w);
    LE32(22, (unsigned)h);
    header[26] = 1, header[28] = 24;
    fwrite(header, 1, sizeof header, f);
    for (y = h - 1; y >= 0; --y) {
        for (x = 0; x < w; ++x) pic_pixel(k, x, y, row + x * 3);
        fwrite(row, 1, (size_t)stride, f);
    }
    return fclose(f) == 0;
}

/* What a bitmap must hold: picture k, or black (k = -1) of w x h. */
struct owned {
    int32_t handle;
    int k, w, h;
};

struct thread {
    int id;
    unsigned seed;
    struct owned owned[OWNED];
    int n_owned;
    int32_t freed[FREED];
    int n_freed;
    unsigned char buffer[20 * 24 * 4];
};

static unsigned next(struct thread* t, unsigned n) {
    t->seed = t->seed * 1103515245u + 12345u;
    return (t->seed >> 8) % n;
}

/* Size and every pixel of a bitmap compared with what it must hold. */
static void check_content(struct thread* t, int32_t bitmap, int k, int w, int h) {
    int32_t bw = -1, bh = -1;
    int64_t bytes;
    int x, y;
    CHECK(fGDIp_size(bitmap, &bw, &bh) == 1, "size of a live bitmap", bitmap, 0);
    CHECK(bw == w && bh == h, "size", bw, bh);
    bytes = fGDIp_pixels(bitmap, t->buffer, (int64_t)sizeof t->buffer);
    CHECK(bytes == (int64_t)w * h * 4, "pixel bytes", bytes, w * h * 4);
    if (bytes != (int64_t)w * h * 4) return;
    for (y = 0; y < h; ++y)
        for (x = 0; x < w; ++x) {
            const unsigned char* p = t->buffer + (y * w + x) * 4;
            unsigned char want[3] = {0, 0, 0};
            if (k >= 0) pic_pixel(k, x, y, want);
            if (memcmp(p, want, 3) != 0) {
                CHECK(0, "pixel differs at x, y", x, y);
                return;
            }
        }
}

static void keep(struct thread* t, int32_t handle, int k, int w, int h) {
    struct owned* o;
    if (t->n_owned == OWNED) { /* full: the oldest is freed */
        fGDIp_free(t->owned[0].handle);
        t->freed[t->n_freed++ % FREED] = t->owned[0].handle;
        memmove(t->owned, t->owned + 1, sizeof t->owned[0] * (OWNED - 1));
        --t->n_owned;
    }
    o = &t->owned[t->n_owned++];
    o->handle = handle, o->k = k, o->w = w, o->h = h;
}

static void* run(void* arg) {
    struct thread* t = arg;
    int call;
    for (call = 0; call < CALLS; ++call) {
        const int k = (int)next(t, PICTURES);
        int32_t h, w = 0, hh = 0;
        switch (next(t, 8)) {
        case 0: { /* a new black bitmap */
            const int bw = 1 + (int)next(t, 20), bh = 1 + (int)next(t, 24);
            h = fGDIp_new_bitmap(bw, bh);
            CHECK(h != 0, "new bitmap", bw, bh);
            if (h) check_content(t, h, -1, bw, bh), keep(t, h, -1, bw, bh);
            break;
        }
        case 1: /* a picture into target 0 */
            h = fGDIp_2hBMP(pic_path[k], 0, (int32_t)next(t, 3), 0x123456);
            CHECK(h != 0, "load into target 0", k, 0);
            if (h) check_content(t, h, k, pic_w[k], pic_h[k]), keep(t, h, k, pic_w[k], pic_h[k]);
            break;
        case 2: /* a picture drawn 1:1 into a new bitmap of its size */
            h = fGDIp_new_bitmap(pic_w[k], pic_h[k]);
            CHECK(fGDIp_2hBMP(pic_path[k], h, 0, -2) == h, "load into a new bitmap", h, k);
            check_content(t, h, k, pic_w[k], pic_h[k]);
            keep(t, h, k, pic_w[k], pic_h[k]);
            break;
        case 3: { /* a bitmap shared by every thread: always whole picture 0 */
            const int32_t s = shared_bitmap[next(t, SHARED)];
            if (next(t, 2)) CHECK(fGDIp_2hBMP(pic_path[0], s, 0, 0) == s, "shared load", s, 0);
            check_content(t, s, 0, pic_w[0], pic_h[0]);
            break;
        }
        case 4: /* one of ours, checked again */
            if (t->n_owned) {
                const struct owned* o = &t->owned[next(t, (unsigned)t->n_owned)];
                check_content(t, o->handle, o->k, o->w, o->h);
            }
            break;
        case 5: /* one of ours, freed */
            if (t->n_owned) {
                const unsigned i = next(t, (unsigned)t->n_owned);
                fGDIp_free(t->owned[i].handle);
                t->freed[t->n_freed++ % FREED] = t->owned[i].handle;
                t->owned[i] = t->owned[--t->n_owned];
            }
            break;
        case 6: /* freed handles stay dead while others reuse their slots */
            if (t->n_freed) {
                const int32_t f =
                    t->freed[next(t, t->n_freed < FREED ? (unsigned)t->n_freed : FREED)];
                w = hh = -1;
                CHECK(fGDIp_size(f, &w, &hh) == 0 && w == 0 && hh == 0, "freed handle has a size",
                      f, w);
                CHECK(fGDIp_pixels(f, t->buffer, (int64_t)sizeof t->buffer) == 0,
                      "freed handle has pixels", f, 0);
                CHECK(fGDIp_2hBMP(pic_path[k], f, 0, 0) == 0, "load into a freed handle", f, k);
                fGDIp_free(f);
            }
            break;
        default: { /* forged handles: any answer, no crash; none of these is ever valid */
            const int32_t forged = (int32_t)(t->seed | 0x80000000u);
            int32_t any = (int32_t)(t->seed * 2654435761u);
            CHECK(fGDIp_size(forged, &w, &hh) == 0, "negative handle has a size", forged, 0);
            CHECK(fGDIp_size(0, NULL, NULL) == 0, "handle 0 has a size", 0, 0);
            fGDIp_free(forged);
            fGDIp_free(0);
            if (fGDIp_size(any, &w, &hh)) CHECK(w > 0 && hh > 0, "size of a live bitmap", w, hh);
            fGDIp_pixels(any, t->buffer, (int64_t)sizeof t->buffer);
            break;
        }
        }
    }
    while (t->n_owned) fGDIp_free(t->owned[--t->n_owned].handle);
    return NULL;
}

int main(int argc, char** argv) {
    static struct thread threads[THREADS];
    pthread_t ids[THREADS];
    int i;
    if (argc < 2) {
        printf("usage: %s work-folder\n", argv[0]);
        return 2;
    }
    for (i = 0; i < PICTURES; ++i) {
        snprintf(pic_path[i], sizeof pic_path[i], "%s/threads-%d.bmp", argv[1], i);
        if (!write_bmp(pic_path[i], i)) {
            printf("FAIL: cannot write %s\n", pic_path[i]);
            return 1;
        }
    }
    for (i = 0; i < SHARED; ++i) {
        shared_bitmap[i] = fGDIp_2hBMP(pic_path[0], 0, 0, 0);
        if (!shared_bitmap[i]) {
            printf("FAIL: cannot load %s\n", pic_path[0]);
            return 1;
        }
    }
    for (i = 0; i < THREADS; ++i) {
        threads[i].id = i;
        threads[i].seed = 0x9E3779B9u * (unsigned)(i + 1);
        if (pthread_create(&ids[i], NULL, run, &threads[i]) != 0) {
            printf("FAIL: no thread\n");
            return 1;
        }
    }
    for (i = 0; i < THREADS; ++i) pthread_join(ids[i], NULL);
    for (i = 0; i < SHARED; ++i) fGDIp_free(shared_bitmap[i]);
    for (i = 0; i < PICTURES; ++i) remove(pic_path[i]);
    printf(failures ? "FAIL: %d check(s) failed\n" : "PASS\n", failures);
    return failures ? 1 : 0;
}
