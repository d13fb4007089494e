// The imaging layer's deferred decoding must give exactly the pixels that
// decoding at load time gives; a picture that cannot be decoded must fail
// when drawn without touching what it was to be placed on; and a file
// changed after it was placed ahead must never show its old content.
#include "imaging/gdiplus.h"
#include "imaging/picture.h"
#include "imaging/placed_ahead.h"
#include "imaging/placed_cache.h"
#include "imaging_support.h"
#include "surface/surface.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <gtest/gtest.h>

namespace {

using surface::Display;

// A picture with detail in every block, so any decoding difference shows.
QImage pattern(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y,
                           qRgb((x * 7 + seed * 40) & 0xFF, (y * 5 + seed * 90) & 0xFF,
                                ((x ^ y) * 3 + seed * 17) & 0xFF));
    return image;
}

void save_jpeg(const QImage& image, const QString& name) {
    ASSERT_TRUE(image.save(name, "JPEG", 85)) << name.toStdString();
}

void write_bytes(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray read_bytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An image drawn into the rectangle `dest` of a black w x h target; null
// when the drawing fails.
QImage drawn(GpImage* image, int w, int h, QRect dest) {
    QImage target(w, h, QImage::Format_RGB32);
    target.fill(0xFF000000u);
    GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(&target, &graphics) != Ok) return {};
    const GpStatus status =
        GdipDrawImageRectI(graphics, image, dest.x(), dest.y(), dest.width(), dest.height());
    GdipDeleteGraphics(graphics);
    return status == Ok ? target : QImage();
}

class Imaging : public testsupport::ImagingTest {};

// Placing a picture draws it 1:1 into a bitmap of its own size, decoded
// straight into that bitmap or into a temporary first.
TEST_F(Imaging, DeferredDecodingDrawsWhatDecodingAtLoadDrawsOneToOne) {
    save_jpeg(pattern(96, 64, 1), "p.jpg");
    const std::u16string file = u"p.jpg";
    struct Case {
        const char* what;
        int w, h;
        QRect dest;
    } cases[] = {
        {"1:1 over the whole target", 96, 64, {0, 0, 96, 64}},
        {"1:1 inside a larger target", 120, 80, {10, 7, 96, 64}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GpImage* now = nullptr;
        GpImage* later = nullptr;
        ASSERT_EQ(GdipLoadImageFromFile(file.c_str(), &now), Ok);
        ASSERT_EQ(gdiplus::load_image(file.c_str(), &later, gdiplus::LoadFor::Placing), Ok);
        const QImage expected = drawn(now, c.w, c.h, c.dest);
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(drawn(later, c.w, c.h, c.dest), expected);
        GdipDisposeImage(now);
        GdipDisposeImage(later);
    }
}

TEST_F(Imaging, BrokenPictureFailsAtDrawingAndPlacingSparesTheControl) {
    save_jpeg(pattern(64, 48, 2), "good.jpg");
    const QByteArray jpeg = read_bytes("good.jpg");
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
    // A readable header whose first component uses a quantisation table the
    // file never defines: the size is known, the pixels cannot be decoded.
    QByteArray undefined_table = jpeg;
    const qsizetype frame = undefined_table.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    // Marker, length, precision, height, width, count, then id, sampling, table.
    undefined_table[frame + 2 + 2 + 1 + 2 + 2 + 1 + 2] = 3;
    write_bytes("undefined-table.jpg", undefined_table);
    write_bytes("noise.jpg", noise);
    write_bytes("cut.jpg", jpeg.left(jpeg.size() - 40)); // in its last rows

    const int32_t kId = 340;
    const surface::Handle dialog = surface::create_dialog(0, "", 0, 0, 200, 100, 0, 0);
    surface::add_control(dialog, kId, "", 0, 0, 80, 60, 0, 0);
    const struct {
        const char* name;
        bool header_reads; // the size is known, so the loading itself succeeds
    } cases[] = {{"undefined-table.jpg", true}, {"noise.jpg", false}, {"cut.jpg", true}};
    for (const auto& [name, header_reads] : cases) {
        SCOPED_TRACE(name);
        const std::u16string file = QString::fromLatin1(name).toStdU16String();
        GpImage* image = nullptr;
        const GpStatus loaded =
            gdiplus::load_image(file.c_str(), &image, gdiplus::LoadFor::Placing);
        EXPECT_EQ(loaded == Ok, header_reads);
        if (loaded == Ok) {
            // Drawn 1:1 over a whole target, it fails and leaves the target as it was.
            QImage target(64, 48, QImage::Format_RGB32), green(64, 48, QImage::Format_RGB32);
            target.fill(0xFF00FF00u), green.fill(0xFF00FF00u);
            GpGraphics* graphics = nullptr;
            ASSERT_EQ(GdipCreateFromHDC(&target, &graphics), Ok);
            EXPECT_NE(GdipDrawImageRectI(graphics, image, 0, 0, 64, 48), Ok);
            EXPECT_EQ(target, green);
            GdipDeleteGraphics(graphics);
            GdipDisposeImage(image);
        }
        surface::select_target(dialog, kId, Display::Deferred);
        surface::clear(0x00FF00);
        const std::string before = surface::get_pixels();
        const int32_t mode = 1, background = 0xFF0000;
        NG_CARIC(dialog, kId, name, mode, background);
        EXPECT_EQ(surface::current_target(), surface::control_handle(dialog, kId));
        EXPECT_EQ(surface::get_pixels(), before);
    }
}

// Pixels placed ahead are taken only while the file is still the one they
// were made from; otherwise the control shows the file as it is then.
TEST_F(Imaging, PlacedAheadIsTheFileAsItIsWhenPlaced) {
    const QImage first = pattern(80, 60, 3);
    const QImage second = pattern(80, 60, 4);
    const struct {
        const char* what;
        std::function<void()> after_decoding; // what happens to the file meanwhile
    } cases[] = {
        {"unchanged", [] {}},
        {"rewritten in place", [&] { save_jpeg(second, "a.jpg"); }},
        {"replaced by another file",
         [&] {
             save_jpeg(second, "b.jpg");
             QFile::remove("a.jpg");
             QFile::rename("b.jpg", "a.jpg");
         }},
        {"removed", [] { QFile::remove("a.jpg"); }},
    };
    const int32_t kId = 340, mode = 1, background = 0x0000FF;
    const surface::Handle dialog = surface::create_dialog(0, "", 0, 0, 200, 100, 0, 0);
    surface::add_control(dialog, kId, "", 0, 0, 70, 50, 0, 0);
    auto placed = [&] {
        surface::select_target(dialog, kId, Display::Deferred);
        surface::clear(0x00FF00);
        NG_CARIC(dialog, kId, "a.jpg", mode, background);
        return surface::get_pixels();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove("a.jpg");
        save_jpeg(first, "a.jpg");
        const placed_ahead::Placing placing{"a.jpg", {70, 50}, mode, background};
        const std::atomic<bool> cancel{false};
        placed_ahead::Offer offer;
        offer.open(placing);
        const placed_ahead::Decoded decoded = placed_ahead::decode(placing.path, cancel);
        // The file's modification time has to tell the two apart.
        QThread::msleep(20);
        c.after_decoding();
        offer.fulfil(placed_ahead::place(decoded.pixels, placing, cancel), decoded.stamp);
        const std::string ahead = placed();
        EXPECT_EQ(offer.taken(), std::string(c.what) == "unchanged");
        EXPECT_EQ(ahead, placed());
    }
}

// Placed pixels kept between runs come back only for the very file, placing
// and bytes they were kept for.
TEST_F(Imaging, KeptPlacedPixelsComeBackOnlyUnchanged) {
    save_jpeg(pattern(80, 60, 3), "a.jpg");
    const placed_ahead::FileStamp stamp = placed_ahead::stamp_of("a.jpg");
    const placed_ahead::Placing placing{"a.jpg", {70, 50}, 1, 0x0000FF};
    const QImage pixels = pattern(70, 50, 5).convertToFormat(QImage::Format_RGB32);
    const placed_ahead::Cache cache(QDir::current().filePath("kept").toStdString());
    const std::atomic<bool> cancel{false};
    auto flip_last_pixel_byte = [] {
        QFile file(QDir("kept").entryInfoList(QDir::Files).value(0).filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(file.size() - 9));
        const char byte = file.read(1)[0];
        ASSERT_TRUE(file.seek(file.size() - 9));
        file.write(QByteArray(1, char(byte ^ 1)));
    };
    placed_ahead::FileStamp other = stamp;
    other.modified_ns += 1;
    const struct {
        const char* what;
        std::function<void()> change;
        placed_ahead::Placing asked;
        placed_ahead::FileStamp file;
        bool back;
    } cases[] = {
        {"unchanged", [] {}, placing, stamp, true},
        {"another size", [] {}, {"a.jpg", {71, 50}, 1, 0x0000FF}, stamp, false},
        {"another mode", [] {}, {"a.jpg", {70, 50}, 2, 0x0000FF}, stamp, false},
        {"the file changed", [] {}, placing, other, false},
        {"a pixel changed on disk", flip_last_pixel_byte, placing, stamp, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        cache.write(placing, stamp, pixels, cancel);
        c.change();
        EXPECT_EQ(cache.holds("a.jpg", c.file), c.file == stamp);
        EXPECT_EQ(cache.read(c.asked, c.file), c.back ? pixels : QImage());
    }
    // Another size is kept beside; a newer file replaces both, and a file
    // some earlier run left half-written goes too.
    const placed_ahead::Placing wider{"a.jpg", {71, 50}, 1, 0x0000FF};
    const QImage wide = pattern(71, 50, 6).convertToFormat(QImage::Format_RGB32);
    cache.write(placing, stamp, pixels, cancel);
    cache.write(wider, stamp, wide, cancel);
    EXPECT_EQ(cache.read(placing, stamp), pixels);
    EXPECT_EQ(cache.read(wider, stamp), wide);
    QFile left(QStringLiteral("kept/.placed-left"));
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.setFileTime(QDateTime::currentDateTime().addSecs(-7200),
                     QFileDevice::FileModificationTime);
    left.close();
    cache.write(placing, other, pixels, cancel);
    EXPECT_EQ(cache.read(wider, stamp), QImage());
    EXPECT_EQ(QDir("kept").entryList(QDir::Files | QDir::Hidden).size(), 1);
    // Over its budget the folder drops what was used least recently: the
    // wider file, written after the first one, which was read since.
    const placed_ahead::Cache small(QDir::current().filePath("kept").toStdString(), 36000);
    small.write(wider, other, wide, cancel);
    for (const QFileInfo& f : QDir("kept").entryInfoList(QDir::Files)) {
        QFile old(f.filePath());
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        old.setFileTime(
            QDateTime::currentDateTime().addSecs(f.fileName().contains("71x") ? -20 : -30),
            QFileDevice::FileModificationTime);
    }
    EXPECT_EQ(small.read(placing, other), pixels);
    small.write({"a.jpg", {72, 50}, 1, 0x0000FF}, other, pattern(72, 50, 7), cancel);
    EXPECT_EQ(small.read(wider, other), QImage());
    EXPECT_EQ(small.read(placing, other), pixels);
    // A file larger than the whole budget is not kept at all.
    small.write({"a.jpg", {100, 100}, 1, 0x0000FF}, other, pattern(100, 100, 8), cancel);
    EXPECT_EQ(QDir("kept").entryList(QDir::Files).size(), 2);
}

} // namespace
