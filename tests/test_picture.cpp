// Picture loading: fit arithmetic of the loader, the four placement modes and
// the name label on a control, the clipboard, and hostile picture files.
#include "imaging/decoding.h"
#include "imaging/gdiplus.h"
#include "imaging/picture.h"
#include "imaging_support.h"
#include "libjpeg_writer.h"
#include "ngbutton/ngbutton.h"
#include "surface/surface.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <map>
#include <sys/resource.h>
#include <vector>

namespace {

using surface::Display;

constexpr int32_t kGreen = 0x00FF00; // 0x00BBGGRR
constexpr int32_t kBlue = 0xFF0000;
constexpr QRgb kGreenRgb = 0xFF00FF00;
constexpr QRgb kBlueRgb = 0xFF0000FF;
constexpr QRgb kRedRgb = 0xFFFF0000;

// The most the process may hold at its peak; AddressSanitizer's shadow
// memory and quarantine add to every allocation.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakLimitMb = 1024;
#else
constexpr long kPeakLimitMb = 512;
#endif

long peak_rss_mb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QImage current_pixels() {
    QImage* dc = surface::device_context();
    return dc ? dc->copy() : QImage();
}

bool close_to(QRgb a, QRgb b, int tolerance = 3) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Bounding box of the pixels that differ from `background`.
QRect drawn_box(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!close_to(image.pixel(x, y), background, 8)) box |= QRect(x, y, 1, 1);
    return box;
}

// A cols x rows grid of distinct solid cells.
QRgb cell_colour(int cx, int cy) {
    return qRgb(30 + 55 * cx, 200 - 45 * cy, 90 + 30 * ((cx + cy) % 4));
}

QImage grid_picture(int w, int h, int cols = 4, int rows = 4) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, cell_colour(x * cols / w, y * rows / h));
    return image;
}

// ---------------------------------------------------------------- JPEG maker
// Writes a baseline JPEG of flat 8x8 blocks without holding its pixels, so
// the tests can make very large pictures cheaply. `data_blocks` < 0 writes
// every block; otherwise the file stops after that many (a truncated file).
// `quant_table` 1 refers to a quantisation table the file never defines.
bool write_flat_jpeg(const QString& path, int width, int height,
                     const std::function<QRgb(int, int)>& colour_at, long data_blocks = -1,
                     int quant_table = 0) {
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f) return false;
    auto put = [&](int v) { std::fputc(v & 0xFF, f); };
    auto put16 = [&](int v) { put(v >> 8), put(v); };
    put(0xFF), put(0xD8);
    put(0xFF), put(0xDB), put16(67), put(0);
    for (int i = 0; i < 64; ++i) put(i == 0 ? 8 : 1);
    put(0xFF), put(0xC0), put16(17), put(8), put16(height), put16(width), put(3);
    for (int c = 1; c <= 3; ++c) put(c), put(0x11), put(quant_table);
    put(0xFF), put(0xC4), put16(49), put(0x00);
    for (int i = 1; i <= 16; ++i) put(i == 4 ? 12 : 0);
    for (int i = 0; i < 12; ++i) put(i);
    put(0x10);
    for (int i = 1; i <= 16; ++i) put(i == 1 ? 1 : 0);
    put(0);
    put(0xFF), put(0xDA), put16(12), put(3);
    for (int c = 1; c <= 3; ++c) put(c), put(0);
    put(0), put(63), put(0);

    unsigned acc = 0;
    int nbits = 0;
    auto bits = [&](unsigned value, int count) {
        while (count-- > 0) {
            acc = (acc << 1) | ((value >> count) & 1u);
            if (++nbits == 8) {
                put(int(acc));
                if (acc == 0xFF) put(0);
                acc = 0;
                nbits = 0;
            }
        }
    };
    int predictor[3] = {0, 0, 0};
    const int bw = (width + 7) / 8, bh = (height + 7) / 8;
    long written = 0;
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            if (data_blocks >= 0 && written++ >= data_blocks) return std::fclose(f) == 0;
            const QRgb rgb = colour_at(bx * 8, by * 8);
            const double r = qRed(rgb), g = qGreen(rgb), b = qBlue(rgb);
            const double level[3] = {0.299 * r + 0.587 * g + 0.114 * b,
                                     -0.168736 * r - 0.331264 * g + 0.5 * b + 128,
                                     0.5 * r - 0.418688 * g - 0.081312 * b + 128};
            for (int c = 0; c < 3; ++c) {
                const int dc = std::clamp(int(std::lround(level[c])), 0, 255) - 128;
                const int diff = dc - predictor[c];
                predictor[c] = dc;
                int category = 0;
                while ((std::abs(diff) >> category) != 0) ++category;
                bits(unsigned(category), 4);
                if (category)
                    bits(unsigned(diff < 0 ? diff + (1 << category) - 1 : diff), category);
                bits(0, 1);
            }
        }
    while (nbits != 0) bits(1, 1);
    put(0xFF), put(0xD9);
    return std::fclose(f) == 0;
}

using testsupport::kArithmetic;
using testsupport::kProgressive;
using testsupport::kSequential;
// A JPEG of three components from libjpeg's own encoder, each pixel of `colour_at`.
QByteArray libjpeg_file(int width, int height, QRgb (*colour_at)(int, int),
                        unsigned coding = kSequential,
                        const std::vector<jpeg_scan_info>& script = {}) {
    return testsupport::libjpeg_file(
        width, height, 3,
        [colour_at](int x, int y, int c) {
            const QRgb rgb = colour_at(x, y);
            return c == 0 ? qRed(rgb) : c == 1 ? qGreen(rgb) : qBlue(rgb);
        },
        coding, script);
}

// Closes every modal window that appears while it lives, keeping its text.
class ModalCloser {
  public:
    ModalCloser() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                texts_ << (box ? box->text() : QString());
                w->close();
            }
        });
        timer_.start(20);
    }
    const QStringList& texts() const { return texts_; }

  private:
    QTimer timer_;
    QStringList texts_;
};

class Picture : public testsupport::ImagingTest {
  protected:
    static std::string save(const QImage& image, const QString& name, const char* format = "PNG") {
        EXPECT_TRUE(image.save(name, format, 95)) << name.toStdString();
        return name.toStdString();
    }
    static std::string solid(int w, int h, QRgb colour, const QString& name) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        return save(image, name);
    }
    static surface::Handle bitmap(int w, int h, int32_t colour) {
        const surface::Handle b = surface::new_bitmap(w, h);
        surface::select_target(b, 0, Display::Deferred);
        surface::clear(colour);
        return b;
    }
    // A dialog with one graphic control of the given size, filled with `fill`.
    surface::Handle control(int w, int h, int32_t fill) {
        dialog_ = surface::create_dialog(0, "", 0, 0, 800, 600, 0, 0);
        surface::add_control(dialog_, kId, "", 0, 0, w, h, 0, 0);
        surface::select_target(dialog_, kId, Display::Deferred);
        surface::clear(fill);
        return dialog_;
    }
    QImage control_pixels() {
        surface::select_target(dialog_, kId, Display::Deferred);
        return current_pixels();
    }

    static constexpr int32_t kId = 340;
    surface::Handle dialog_ = 0;
};

// ---------------------------------------------------------------- fit arithmetic

TEST_F(Picture, FitKeepsProportionsAndCentres) {
    struct Case {
        int iw, ih, tw, th;
        QRect expected;
    } cases[] = {
        {200, 100, 100, 100, {0, 25, 100, 50}}, // wide: middle band
        {100, 200, 100, 100, {25, 0, 50, 100}}, // tall: middle column
        {100, 50, 200, 100, {0, 0, 200, 100}},  // exact ratio: the whole target
        {50, 100, 100, 200, {0, 0, 100, 200}},  // exact ratio, tall
        {3, 1, 100, 100, {0, 33, 100, 33}},     // r = 0.3333: h = 33, y = 33
        {4, 1, 10, 10, {0, 4, 10, 2}},          // h = 2.5 goes to the even 2
        {1, 4, 10, 10, {4, 0, 2, 10}},          // w = 2.5 goes to the even 2
        {100, 200, 101, 100, {25, 0, 50, 100}}, // x = 51 div 2 truncates
        {7, 3, 50, 50, {0, 14, 50, 21}},        // r = 0.4286: h = 21.43 -> 21
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.iw << "x" << c.ih << " into " << c.tw << "x" << c.th);
        const std::string file = solid(c.iw, c.ih, kRedRgb, "fit.png");
        const surface::Handle target = bitmap(c.tw, c.th, kBlue);
        ASSERT_EQ(fGDIp_2hBMP_impl(file, target, 1, kGreen), target);
        EXPECT_EQ(surface::current_target(), target);
        const QImage pixels = current_pixels();
        EXPECT_EQ(drawn_box(pixels, kGreenRgb), c.expected);
        EXPECT_TRUE(close_to(pixels.pixel(c.expected.center()), kRedRgb));
        surface::end_bitmap();
    }
}

TEST_F(Picture, FitBackgroundFillsOrKeepsEarlierPixels) {
    const std::string file = solid(200, 100, kRedRgb, "wide.png");
    for (int32_t background : {kGreen, -2}) {
        SCOPED_TRACE(background);
        const surface::Handle target = bitmap(100, 100, kBlue);
        ASSERT_EQ(fGDIp_2hBMP_impl(file, target, 7, background), target);
        const QImage pixels = current_pixels();
        const QRgb outside = background == -2 ? kBlueRgb : kGreenRgb;
        EXPECT_EQ(pixels.pixel(50, 10), outside);
        EXPECT_EQ(pixels.pixel(50, 90), outside);
        EXPECT_EQ(pixels.pixel(50, 50), kRedRgb);
        EXPECT_EQ(drawn_box(pixels, outside), QRect(0, 25, 100, 50));
        surface::end_bitmap();
    }
}

TEST_F(Picture, StretchAndOwnSizeBitmaps) {
    const QImage picture = grid_picture(40, 20);
    const std::string file = save(picture, "grid.png");

    // Target 0: a bitmap of exactly the picture's size, 1:1, whatever fit says.
    for (int fit : {0, 1}) {
        const surface::Handle made = fGDIp_2hBMP_impl(file, 0, fit, kBlue);
        ASSERT_NE(made, 0);
        EXPECT_EQ(surface::current_target(), made);
        EXPECT_EQ(current_pixels(), picture);
        surface::end_bitmap();
    }
    // Same size and fit 0: drawn 1:1 over the earlier content.
    surface::Handle target = bitmap(40, 20, kGreen);
    ASSERT_EQ(fGDIp_2hBMP_impl(file, target, 0, kGreen), target);
    EXPECT_EQ(current_pixels(), picture);
    surface::end_bitmap();

    // Other size and fit 0: stretched over the whole target.
    target = bitmap(20, 60, kGreen);
    ASSERT_EQ(fGDIp_2hBMP_impl(file, target, 0, kGreen), target);
    const QImage pixels = current_pixels();
    for (int cy = 0; cy < 4; ++cy)
        for (int cx = 0; cx < 4; ++cx)
            EXPECT_TRUE(close_to(pixels.pixel(cx * 5 + 2, cy * 15 + 7), cell_colour(cx, cy)))
                << cx << "," << cy;
}

TEST_F(Picture, FailuresReturnZeroAndSpareTheCallersTarget) {
    const std::string good = solid(20, 10, kRedRgb, "good.png");
    // Header claims 30000 x 30000, frame uses a table the file never defines:
    // the size is readable, the pixels are not.
    const QString broken = dir_.filePath("undecodable.jpg");
    ASSERT_TRUE(write_flat_jpeg(
        broken, 30000, 30000, [](int, int) { return kRedRgb; }, 4, 1));
    const surface::Handle target = bitmap(30, 30, kBlue);

    EXPECT_EQ(fGDIp_2hBMP_impl(good, 0x7654321, 1, 0), 0); // unknown target
    EXPECT_EQ(fGDIp_2hBMP_impl("missing.jpg", target, 1, 0), 0);
    EXPECT_EQ(fGDIp_2hBMP_impl(broken.toStdString(), target, 0, 0), 0);
    EXPECT_EQ(fGDIp_2hBMP_impl(broken.toStdString(), target, 1, kGreen), 0);
    EXPECT_EQ(fGDIp_2hBMP_impl(broken.toStdString(), 0, 0, 0), 0);

    surface::select_target(target, 0, Display::Deferred);
    ASSERT_EQ(surface::current_target(), target) << "the caller's target was ended";
    EXPECT_EQ(current_pixels().pixel(15, 15), kBlueRgb);
    EXPECT_EQ(fGDIp_2hBMP_impl(good, target, 0, 0), target);

    // The layer refuses to work when it has not been started.
    GdiplusShutdown(token_);
    EXPECT_EQ(fGDIp_2hBMP_impl(good, 0, 0, 0), 0);
    ASSERT_EQ(GdiplusStartup(&token_, &input_, nullptr), Ok);
}

// Missing, empty, noisy files and data that ends early are refused in every
// format, whole files of the same pictures load, and so do JPEGs without
// their end marker or with a stray byte between segments, pixel for pixel as
// the whole file; a JPEG of several scans that ends before its last is
// refused, and so is one whose scans cost far more than its size, and more
// than 2^26 pixels, into a target too; none of it takes much memory.
TEST_F(Picture, PicturesCutShortOrTooLargeAreRefused) {
    auto write = [](const char* name, const QByteArray& bytes) {
        QFile f(name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    auto bytes_of = [](const QImage& image, const char* format) {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format, 90);
        return out;
    };
    const QImage red = [] {
        QImage i(40, 30, QImage::Format_RGB32);
        i.fill(kRedRgb);
        return i;
    }();
    const QByteArray jpg = bytes_of(red, "JPEG"), bmp = bytes_of(red, "BMP");
    const QByteArray prog = [&] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        writer.write(red);
        return buffer.data();
    }();
    const QByteArray eoi("\xFF\xD9", 2);
    // 1 x 1 GIF: header, two colours (red, white), one picture, its data.
    const QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\xff\xff\xff"
                         "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
                         35);
    // The same pictures with headers claiming w x h: their data ends early.
    auto png_claiming = [&](uint32_t w, uint32_t h, char depth = 8, char colour = 2) {
        QByteArray png = bytes_of(red, "PNG");
        for (int k = 0; k < 4; ++k) png[16 + k] = char(w >> (24 - 8 * k));
        for (int k = 0; k < 4; ++k) png[20 + k] = char(h >> (24 - 8 * k));
        png[24] = depth;
        png[25] = colour;
        uint32_t c = 0xFFFFFFFFu;
        for (int k = 12; k < 29; ++k) {
            c ^= uint8_t(png[k]);
            for (int b = 0; b < 8; ++b) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        }
        for (int k = 0; k < 4; ++k) png[29 + k] = char(~c >> (24 - 8 * k));
        return png;
    };
    QByteArray jpg400 = jpg;
    const qsizetype sof = jpg400.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    jpg400.replace(sof + 5, 4, QByteArray("\x01\x2C\x01\x90", 4)); // 400 x 300
    write("whole.jpg", jpg);
    write("cut.jpg", jpg.left(jpg.size() / 2));
    write("header-only.jpg", jpg.left(20));
    write("empty.jpg", {});
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
    write("noise.jpg", noise);
    write("noise-after-soi.jpg", QByteArray("\xFF\xD8\xFF", 3) + noise);
    QDir().mkdir("folder.jpg");
    write("no-end.jpg", jpg.left(jpg.size() - 2));
    write("stray.jpg", QByteArray(jpg).insert(jpg.indexOf("\xFF\xC4"), 'x'));
    write("cut-data.jpg", jpg.left(jpg.size() - 12)); // in the coded data
    write("cut-end.jpg", jpg.left(jpg.size() - 12) + eoi);
    write("prog.jpg", prog);
    write("prog-no-end.jpg", prog.left(prog.size() - 2));
    write("prog-cut.jpg", prog.left(prog.size() / 2));
    write("prog-last-scan.jpg", prog.left(prog.lastIndexOf("\xFF\xDA")) + eoi);
    write("prog-between.jpg", prog.left(prog.lastIndexOf("\xFF\xDA")));
    // From libjpeg itself: 30 million pixels; every coefficient's last
    // refinement at bit 1; 568 scans, each coefficient on its own and refined
    // twice; arithmetic coding, cut in the data and in the last scan.
    const auto red_at = [](int, int) { return kRedRgb; };
    const auto textured = [](int x, int y) { return qRgb((x * 7 + y * 13) % 256, x * y % 64, 0); };
    write("prog-30mpx.jpg", libjpeg_file(6000, 5000, red_at, kProgressive));
    const std::vector<jpeg_scan_info> bit1{{3, {0, 1, 2}, 0, 0, 0, 1},
                                           {1, {0}, 1, 63, 0, 1},
                                           {1, {1}, 1, 63, 0, 1},
                                           {1, {2}, 1, 63, 0, 1}};
    write("prog-bit1.jpg", libjpeg_file(40, 30, red_at, kProgressive, bit1));
    std::vector<jpeg_scan_info> many{{3, {0, 1, 2}, 0, 0, 0, 0}};
    for (int c = 0; c < 3; ++c)
        for (int k = 1; k < 64; ++k)
            for (int al = 2; al >= 0; --al)
                many.push_back({1, {c}, k, k, al == 2 ? 0 : al + 1, al});
    write("many-scans.jpg", libjpeg_file(40, 30, red_at, kProgressive, many));
    write("arith.jpg", libjpeg_file(40, 30, red_at, kArithmetic));
    const QByteArray by_component =
        libjpeg_file(40, 30, red_at, kSequential,
                     {{1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}});
    write("by-component.jpg", by_component);
    write("by-component-cut.jpg", by_component.left(by_component.lastIndexOf("\xFF\xDA")));
    const QByteArray arith = libjpeg_file(40, 30, textured, kArithmetic);
    write("arith-cut.jpg", arith.left(arith.size() / 2));
    const QByteArray arith_prog = libjpeg_file(40, 30, textured, kProgressive | kArithmetic);
    write("arith-prog-cut.jpg",
          arith_prog.left((arith_prog.lastIndexOf("\xFF\xDA") + arith_prog.size()) / 2));
    QByteArray arith_claims = libjpeg_file(40, 30, textured, kArithmetic); // claiming 8192 x 8192
    arith_claims.replace(arith_claims.indexOf("\xFF\xC9") + 5, 4,
                         QByteArray("\x20\x00\x20\x00", 4));
    write("arith-claims.jpg", arith_claims);
    write("arith-claims-padded.jpg", arith_claims + QByteArray(100000, '\0')); // pays nothing
    write("whole.bmp", bmp);
    write("cut.bmp", bmp.left(bmp.size() - 40));
    write("whole.gif", gif);
    write("cut.gif", gif.left(gif.size() - 3));
    write("30000.png", png_claiming(30000, 30000));
    write("claims.png", png_claiming(4000, 3000));
    // Rows of 2^35 bytes, 2^31 of them: more bytes than 64 bits count.
    write("huge-rows.png", png_claiming(0xFFFFFFFFu, 0x7FFFFFFFu, 16, 6));
    write("claims.jpg", jpg400);
    // 9000 x 8000 = 72 million pixels, all of it red.
    ASSERT_TRUE(write_flat_jpeg("big.jpg", 9000, 8000, [](int, int) { return kRedRgb; }));
    ASSERT_TRUE(write_flat_jpeg(
        "huge.jpg", 30000, 30000, [](int, int) { return kRedRgb; }, 64));

    const surface::Handle target = bitmap(50, 40, kBlue);
    struct Case {
        const char* file;
        surface::Size own; // from target 0; {0, 0}: refused
        bool into_target;
        const char* same_as = nullptr; // a file loaded earlier, pixel for pixel
    } cases[] = {
        {"whole.jpg", {40, 30}, true},
        {"no-end.jpg", {40, 30}, true, "whole.jpg"},
        {"stray.jpg", {40, 30}, true, "whole.jpg"},
        {"prog.jpg", {40, 30}, true},
        {"prog-no-end.jpg", {40, 30}, true, "prog.jpg"},
        {"cut.jpg", {}, false},
        {"cut-data.jpg", {}, false},
        {"cut-end.jpg", {}, false},
        {"prog-cut.jpg", {}, false},
        {"prog-last-scan.jpg", {40, 30}, true, "prog.jpg"}, // a whole shorter script
        {"prog-between.jpg", {}, false},
        {"by-component.jpg", {40, 30}, true},
        {"by-component-cut.jpg", {}, false},
        {"prog-30mpx.jpg", {6000, 5000}, true},
        {"prog-bit1.jpg", {40, 30}, true},
        {"many-scans.jpg", {}, false},
        {"arith.jpg", {40, 30}, true},
        {"arith-cut.jpg", {}, false},
        {"arith-prog-cut.jpg", {}, false},
        {"arith-claims.jpg", {}, false},
        {"arith-claims-padded.jpg", {}, false},
        {"whole.bmp", {40, 30}, true},
        {"cut.bmp", {}, false},
        {"whole.gif", {1, 1}, true},
        {"cut.gif", {}, false},
        {"30000.png", {}, false},
        {"big.jpg", {}, false},
        {"claims.png", {}, false},
        {"claims.jpg", {}, false},
        {"huge-rows.png", {}, false},
        {"missing.jpg", {}, false},
        {"empty.jpg", {}, false},
        {"header-only.jpg", {}, false},
        {"noise.jpg", {}, false},
        {"noise-after-soi.jpg", {}, false},
        {"folder.jpg", {}, false},
        {"huge.jpg", {}, false},
    };
    std::map<std::string, QImage> own;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const surface::Handle made = fGDIp_2hBMP_impl(c.file, 0, 0, 0);
        EXPECT_EQ(made != 0, c.own.w != 0);
        if (made != 0) {
            EXPECT_EQ(surface::client_size(), c.own);
            EXPECT_TRUE(close_to(current_pixels().pixel(0, 0), kRedRgb, 8));
            if (c.same_as) {
                EXPECT_EQ(current_pixels(), own[c.same_as]);
            }
            own[c.file] = current_pixels();
            surface::end_bitmap();
        }
        surface::select_target(target, 0, Display::Deferred);
        surface::clear(kBlue);
        EXPECT_EQ(fGDIp_2hBMP_impl(c.file, target, 0, 0), c.into_target ? target : 0);
        surface::select_target(target, 0, Display::Deferred);
        const QImage seen = current_pixels();
        const QRgb want = c.into_target ? kRedRgb : kBlueRgb;
        for (auto [x, y] : {std::pair{0, 0}, {49, 39}, {25, 20}})
            EXPECT_TRUE(close_to(seen.pixel(x, y), want, 8)) << x << "," << y;
    }
    EXPECT_LT(peak_rss_mb(), kPeakLimitMb);
    QImage decoded;
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(gdiplus::decoding::read_picture("whole.jpg", decoded, {}, &stop));

    // Placed on a control, a picture cut short leaves the control as it was.
    const surface::Handle dlg = control(60, 40, 0x0000FF);
    const QImage before = control_pixels();
    NG_CARIC(dlg, kId, "cut-end.jpg", 1, kGreen);
    EXPECT_EQ(control_pixels(), before);
    NG_CARIC(dlg, kId, "whole.jpg", 1, kGreen);
    EXPECT_NE(control_pixels(), before);
}

// A bitmap of the picture's own size starts black: transparent parts of a
// picture show black, opaque ones their colour.
TEST_F(Picture, TransparentPartsOfAPictureShowBlack) {
    QImage picture(6, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) picture.setPixel(x, y, x < 3 ? 0x00FF0000u : 0xFF00FF00u);
    const std::string file = save(picture, "half-transparent.png");
    const surface::Handle made = fGDIp_2hBMP_impl(file, 0, 0, 0);
    ASSERT_NE(made, 0);
    const QImage seen = current_pixels();
    for (auto [x, want] : {std::pair{0, 0xFF000000u}, {2, 0xFF000000u}, {3, 0xFF00FF00u}})
        for (int y : {0, 3}) EXPECT_EQ(seen.pixel(x, y), want) << x << "," << y;
    surface::end_bitmap();
}

// ---------------------------------------------------------------- placement

// The rectangle with these inclusive corners.
QRect corners(int x1, int y1, int x2, int y2) {
    return QRect(QPoint(x1, y1), QPoint(x2, y2));
}

TEST_F(Picture, PlacementModes) {
    // Destination and source corners are inclusive, worked out by hand.
    struct Case {
        int mode, iw, ih, cw, ch;
        QRect src;
        QRect dest; // empty: no picture
    } cases[] = {
        {0, 80, 80, 200, 100, corners(0, 0, 79, 79), corners(0, 0, 200, 200)}, // bottom cut
        {0, 80, 80, 160, 240, corners(0, 0, 79, 79), corners(0, 0, 160, 160)}, // background below
        {1, 80, 80, 200, 100, corners(0, 0, 79, 79), corners(0, 0, 200, 100)},
        {2, 80, 80, 200, 100, corners(0, 0, 79, 79), corners(50, 0, 150, 100)},
        {2, 80, 80, 100, 200, corners(0, 0, 79, 79), corners(0, 50, 100, 150)},
        {2, 120, 80, 200, 200, corners(0, 0, 119, 79), corners(0, 33, 200, 166)},
        {3, 80, 80, 200, 100, corners(0, 20, 79, 59), corners(0, 0, 200, 100)},
        {3, 80, 80, 100, 200, corners(20, 0, 59, 79), corners(0, 0, 100, 200)},
        {3, 120, 80, 200, 200, corners(20, 0, 99, 79), corners(0, 0, 200, 200)},
        // The largest control and the widest one the dialog may have.
        {3, 80, 80, 8192, 8192, corners(0, 0, 79, 79), corners(0, 0, 8192, 8192)},
        {3, 120, 80, 24576, 2730, corners(0, 33, 119, 46), corners(0, 0, 24576, 2730)},
        {7, 80, 80, 200, 100, {}, {}},
        {-1, 80, 80, 200, 100, {}, {}},
    };
    const QRgb background = 0xFF808080;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.iw << "x" << c.ih
                                        << " on " << c.cw << "x" << c.ch);
        surface::reset_all();
        const std::string file = save(grid_picture(c.iw, c.ih), "grid.png");
        const surface::Handle dlg = control(c.cw, c.ch, 0x0000FF);
        NG_CARIC(dlg, kId, file, c.mode, 0x808080);
        EXPECT_EQ(surface::current_target(), surface::control_handle(dlg, kId));
        const QImage pixels = *surface::device_context(); // shared: controls of 256 MB
        const double cell_w = c.iw / 4.0, cell_h = c.ih / 4.0;
        const int label_top = c.ch - 24; // the label's rows are checked elsewhere
        int inside = 0;
        const int step = std::max(3, c.cw / 256);
        for (int y = 1; y < label_top; y += step)
            for (int x = 1; x < c.cw; x += step) {
                const QRgb seen = pixels.pixel(x, y);
                const QRect& d = c.dest;
                if (d.isEmpty() || x < d.left() - 1 || x > d.right() + 1 || y < d.top() - 1 ||
                    y > d.bottom() + 1) {
                    ASSERT_TRUE(close_to(seen, background)) << x << "," << y;
                    continue;
                }
                if (x < d.left() + 2 || x > d.right() - 2 || y < d.top() + 2 || y > d.bottom() - 2)
                    continue;
                // The picture coordinate that this control pixel shows.
                const double u = c.src.left() + (x + 0.5 - d.left()) * c.src.width() / d.width();
                const double v = c.src.top() + (y + 0.5 - d.top()) * c.src.height() / d.height();
                const double du = std::fmod(u, cell_w), dv = std::fmod(v, cell_h);
                if (du < 2 || du > cell_w - 2 || dv < 2 || dv > cell_h - 2) continue;
                ++inside;
                ASSERT_TRUE(close_to(seen, cell_colour(int(u / cell_w), int(v / cell_h))))
                    << x << "," << y << " shows " << std::hex << seen;
            }
        if (!c.dest.isEmpty()) {
            EXPECT_GT(inside, 100);
        }
    }
}

TEST_F(Picture, LabelEndsAtTheBottomRightCorner) {
    QDir().mkdir("foto.2");
    solid(30, 30, kRedRgb, "foto.2/bild.png");
    solid(30, 30, kRedRgb, "noext");
    struct Case {
        const char* file;
        const char* label;
    } cases[] = {{"foto.2/bild.png", "FOTO"}, {"noext", "NOEXT"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(picture_label(c.file), c.label);
        surface::reset_all();
        const surface::Handle dlg = control(240, 60, 0x0000FF);
        NG_CARIC(dlg, kId, c.file, 7, kGreen);
        const QImage seen = control_pixels();

        // The same label drawn by hand where it belongs.
        const surface::Handle expected = bitmap(240, 60, kGreen);
        const surface::Handle font = surface::create_font("pragmatapro", 10, 0, 0);
        surface::select_font(font);
        const surface::Size t = surface::text_size(c.label);
        surface::set_pos(240 - t.w, 60 - t.h);
        surface::set_colours(0x0000FF, -2);
        surface::print(c.label);
        EXPECT_EQ(seen, current_pixels());
        surface::select_font(1);
        surface::delete_font(font);
        surface::select_target(expected, 0, Display::Deferred);
        surface::end_bitmap();

        const QRect red = drawn_box(seen, kGreenRgb);
        ASSERT_FALSE(red.isEmpty());
        EXPECT_GE(red.right(), 240 - 8);
        EXPECT_GE(red.bottom(), 60 - 8);
    }
}

TEST(PictureLabel, PartBeforeTheFirstFullStopInCapitals) {
    struct Case {
        std::string file, label;
    } cases[] = {
        {"c:\\foto.2\\bild.jpg", "C:\\FOTO"},
        {"fondo3.jpg", "FONDO3"},
        {"noext", "NOEXT"},
        {".hidden", ""},
        {"caff\xe8 \xe0 la \xfe.jpg", "CAFF\xc8 \xc0 LA \xde"},
        {"\xf7\xff\xdf\xb5x", "\xf7\xff\xdf\xb5X"}, // no capital in Latin-1: unchanged
    };
    for (const Case& c : cases) EXPECT_EQ(picture_label(c.file), c.label) << c.file;
}

TEST_F(Picture, NothingHappensWithoutAFileOrDecoder) {
    solid(30, 30, kRedRgb, "pic.png");
    {
        QFile f("words.jpg");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    QDir().mkdir("dir.png");
    const surface::Handle dlg = control(60, 40, 0x0000FF);
    const QImage before = control_pixels();

    ModalCloser closer;
    // No file: the layer is not even started, so no message either.
    gdiplus::simulate_missing_decoder(true);
    for (const char* name : {"absent.png", "dir.png", "", "pic?.png", "pic.png:"}) {
        NG_CARIC(dlg, kId, name, 1, kGreen);
        EXPECT_EQ(control_pixels(), before) << name;
    }
    EXPECT_TRUE(closer.texts().isEmpty());

    // A file but no decoder: "No GDI+", nothing drawn.
    NG_CARIC(dlg, kId, "pic.png", 1, kGreen);
    EXPECT_EQ(closer.texts(), QStringList{"No GDI+"});
    EXPECT_EQ(control_pixels(), before);
    uint32_t token = 0;
    EXPECT_NE(GdiplusStartup(&token, &input_, nullptr), Ok);
    gdiplus::simulate_missing_decoder(false);

    // A file that does not decode leaves the control as it was.
    NG_CARIC(dlg, kId, "words.jpg", 1, kGreen);
    EXPECT_EQ(control_pixels(), before);
    EXPECT_EQ(closer.texts().size(), 1);

    // The layer stopped again after every call.
    GdiplusShutdown(token_);
    EXPECT_FALSE(gdiplus::running());
    ASSERT_EQ(GdiplusStartup(&token_, &input_, nullptr), Ok);
}

TEST_F(Picture, LargePhotoStillShowsWithinMemory) {
    // 8192 x 5464, four quadrants; far above the full-decoding budget.
    auto quadrant = [](int x, int y) {
        return x < 4096 ? (y < 2732 ? 0xFFC00000 : 0xFF00C000)
                        : (y < 2732 ? 0xFF0000C0 : 0xFFC0C000);
    };
    ASSERT_TRUE(write_flat_jpeg("fondo3.jpg", 8192, 5464, quadrant));
    const long before = peak_rss_mb();
    const surface::Handle dlg = control(192, 108, 0x0000FF);
    NG_CARIC(dlg, kId, "fondo3.jpg", 3, kGreen);
    const QImage seen = control_pixels();
    EXPECT_LT(peak_rss_mb() - before, 120) << "decoded at full size";
    for (auto [x, y] : {std::pair{40, 20}, {150, 20}, {40, 70}, {150, 70}})
        EXPECT_TRUE(
            close_to(seen.pixel(x, y), quadrant(x * 8192 / 192, y * 5464 / 108) | 0xFF000000, 12))
            << x << "," << y << " " << std::hex << seen.pixel(x, y);

    // The loader's own-size bitmap holds it too.
    const surface::Handle made = fGDIp_2hBMP_impl("fondo3.jpg", 0, 0, 0);
    ASSERT_NE(made, 0);
    EXPECT_EQ(surface::client_size(), (surface::Size{8192, 5464}));
    EXPECT_TRUE(close_to(current_pixels().pixel(8000, 5000), 0xFFC0C000, 12));
    surface::end_bitmap();
    EXPECT_LT(peak_rss_mb(), kPeakLimitMb);
}

// ---------------------------------------------------------------- clipboard

TEST_F(Picture, ClipboardPictureIsTakenTextIsLeftAlone) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QImage picture = grid_picture(24, 16);
    clipboard->setImage(picture);
    const surface::Handle made = fGDIp_2hBMP_impl("", 0, 0, 0);
    ASSERT_NE(made, 0);
    EXPECT_EQ(surface::current_target(), made);
    EXPECT_EQ(current_pixels(), picture);
    EXPECT_TRUE(clipboard->image().isNull());
    surface::end_bitmap();

    clipboard->setText("4.7 kOhm");
    EXPECT_EQ(fGDIp_2hBMP_impl("", 0, 0, 0), 0);
    EXPECT_EQ(clipboard->text(), "4.7 kOhm");

    clipboard->clear();
    EXPECT_EQ(fGDIp_2hBMP_impl("", 0, 0, 0), 0);
}

} // namespace
