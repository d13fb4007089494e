// The imaging layer's deferred decoding must give exactly the pixels that
// decoding at load time gives; a picture that cannot be decoded must fail
// when drawn without touching what it was to be placed on.
#include "imaging/gdiplus.h"
#include "imaging/picture.h"
#include "imaging_support.h"
#include "ngbutton/ngbutton.h"
#include "surface/surface.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

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

} // namespace
