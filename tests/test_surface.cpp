// Drawing surface on memory bitmaps: shapes, text, fonts, pixels, copies and
// handle checking.
#include "surface/resampling.h"
#include "surface/surface.h"

#include <QImage>
#include <gtest/gtest.h>
#include <set>

using namespace surface;

namespace {

constexpr int32_t RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000, WHITE = 0xFFFFFF;

class Surface : public ::testing::Test {
  protected:
    void TearDown() override { reset_all(); }

    // A fresh bitmap, cleared black and selected.
    Handle canvas(int32_t w, int32_t h) {
        Handle b = new_bitmap(w, h);
        select_target(b, 0, Display::Deferred);
        clear(0);
        return b;
    }
};

// Colour of a pixel of the current target as 0x00BBGGRR.
int32_t pixel(int x, int y) {
    const QRgb p = device_context()->pixel(x, y);
    return qRed(p) | qGreen(p) << 8 | qBlue(p) << 16;
}

// Bounding box of the pixels that differ from black.
struct Bounds {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
    bool operator==(const Bounds&) const = default;
};
Bounds painted() {
    Bounds b;
    const QImage& img = *device_context();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
                ++b.count;
            }
    return b;
}

TEST_F(Surface, BoxCoversBothCornersInAnyOrder) {
    struct Case {
        double x1, y1, x2, y2;
    } cases[] = {{5, 5, 10, 10}, {10, 10, 5, 5}, {10, 5, 5, 10}, {5.4, 4.6, 9.5, 10.5}};
    for (const Case& c : cases) {
        canvas(20, 20);
        box(c.x1, c.y1, c.x2, c.y2, 0, RED, -1);
        EXPECT_EQ(painted(), (Bounds{5, 5, 10, 10, 36})) << c.x1 << "," << c.y1;
    }
}

TEST_F(Surface, BoxOutlineUsesPenWidthAndFillRules) {
    struct Case {
        int32_t pen, fill;
        int32_t edge, inside;
    } cases[] = {
        {1, GREEN, RED, GREEN}, // outline in line colour, inside filled
        {1, -1, RED, RED},      // fill -1 takes the line colour
        {1, -2, RED, 0},        // no fill leaves the inside alone
        {3, -2, RED, 0},
    };
    for (const Case& c : cases) {
        canvas(30, 30);
        pen_width(c.pen);
        box(2, 2, 21, 21, 0, RED, c.fill);
        EXPECT_EQ(pixel(2, 11), c.edge);
        EXPECT_EQ(pixel(2 + c.pen - 1, 11), c.edge) << "pen " << c.pen;
        EXPECT_EQ(pixel(2 + c.pen, 11), c.inside) << "pen " << c.pen;
        EXPECT_EQ(pixel(11, 11), c.inside);
        EXPECT_EQ(pixel(21, 21), c.edge);
        EXPECT_EQ(pixel(22, 22), 0);
    }
}

TEST_F(Surface, CornerRoundsTheShorterSideAndIsCappedAt100) {
    canvas(60, 40);
    box(10, 10, 49, 29, 100, RED, -1);
    const std::string rounded = get_pixels();
    EXPECT_EQ(pixel(10, 10), 0); // corner cut away
    EXPECT_EQ(pixel(29, 19), RED);
    EXPECT_EQ(pixel(10, 19), RED); // the short side is one half circle: its middle stays
    canvas(60, 40);
    box(10, 10, 49, 29, 250, RED, -1);
    EXPECT_TRUE(get_pixels() == rounded);
    canvas(60, 40);
    box(10, 10, 49, 29, 0, RED, -1);
    EXPECT_FALSE(get_pixels() == rounded);
}

TEST_F(Surface, EllipseStaysInsideItsRectangle) {
    canvas(30, 30);
    ellipse(20, 20, 5, 5, GREEN, GREEN);
    const Bounds b = painted();
    EXPECT_EQ(b.left, 5);
    EXPECT_EQ(b.top, 5);
    EXPECT_EQ(b.right, 20);
    EXPECT_EQ(b.bottom, 20);
    EXPECT_EQ(pixel(5, 5), 0);
}

TEST_F(Surface, ClearFillsAndResetsPosition) {
    canvas(8, 8);
    set_pos(3, 4);
    set_colours(-1, GREEN);
    clear(-1);
    EXPECT_EQ(get_pos(), (Point{0, 0}));
    EXPECT_EQ(pixel(0, 0), GREEN);
    EXPECT_EQ(pixel(7, 7), GREEN);
    clear(RED, 9); // styles above 6 are solid
    EXPECT_EQ(pixel(3, 3), RED);
}

TEST_F(Surface, PositionsRoundHalvesToEven) {
    canvas(4, 4);
    struct Case {
        double in;
        int32_t out;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.49, 2}};
    for (const Case& c : cases) {
        set_pos(c.in, c.in);
        EXPECT_EQ(get_pos(), (Point{c.out, c.out})) << c.in;
    }
}

TEST_F(Surface, PrintAdvancesByTheTextWidth) {
    canvas(300, 60);
    set_colours(WHITE, -2);
    const Size first = text_size("Resis");
    const Size second = text_size("tenza");
    ASSERT_GT(first.w, 0);
    ASSERT_GT(first.h, 0);
    EXPECT_EQ(text_size("").w, 0);
    set_pos(7, 3);
    print("Resis");
    EXPECT_EQ(get_pos(), (Point{7 + first.w, 3}));
    const Bounds alone = painted();
    print("tenza"); // continues where the first text ended
    EXPECT_EQ(get_pos(), (Point{7 + first.w + second.w, 3}));
    const Bounds both = painted();
    EXPECT_EQ(both.left, alone.left);
    EXPECT_GT(both.right, alone.right + second.w / 2);
    EXPECT_LE(both.right, 7 + first.w + second.w + 1);
}

TEST_F(Surface, PrintDrawsBelowAndRightOfThePosition) {
    canvas(100, 40);
    set_colours(WHITE, -2);
    set_pos(20, 10);
    print("MH");
    const Bounds b = painted();
    const Size size = text_size("MH");
    EXPECT_GE(b.left, 20);
    EXPECT_GE(b.top, 10);
    EXPECT_LE(b.right, 20 + size.w);
    EXPECT_LE(b.bottom, 10 + size.h);
    EXPECT_GT(b.count, 0);

    canvas(100, 40);
    set_colours(WHITE, GREEN);
    set_pos(20, 10);
    print("MH");
    EXPECT_EQ(pixel(20, 10), GREEN); // opaque background fills the text cell
    EXPECT_EQ(pixel(19, 10), 0);
}

TEST_F(Surface, NewLineGoesToColumnZeroOneLineDown) {
    canvas(100, 100);
    const Handle f = create_font("DejaVu Sans", 12, 0, 0);
    select_font(f);
    const int32_t h = text_size("X").h;
    set_pos(40, 5);
    print("abc");
    new_line();
    EXPECT_EQ(get_pos().x, 0);
    EXPECT_GE(get_pos().y, 5 + h);
    EXPECT_LE(get_pos().y, 5 + h + h / 2);
}

TEST_F(Surface, FontSizesFollowTheScreenResolution) {
    struct Case {
        int32_t points, pixels;
    } cases[] = {{0, 11}, {8, 11}, {44, 59}, {12, 16}, {9, 12}};
    for (const Case& c : cases)
        EXPECT_EQ(font_pixel_size(create_font("CabinSketch", c.points, 0, 0)), c.pixels)
            << c.points;
    EXPECT_EQ(font_pixel_size(1), 11);
}

TEST_F(Surface, LabelFaceFallsBackToAMonospaceFace) {
    canvas(10, 10);
    select_font(create_font("pragmatapro", 12, 0, 0));
    EXPECT_EQ(text_size("iiii").w, text_size("WWWW").w);
    select_font(create_font("MS Sans Serif", 12, 0, 0));
    EXPECT_LT(text_size("iiii").w, text_size("WWWW").w);
}

TEST_F(Surface, DeletedFontFallsBackToTheDefault) {
    canvas(50, 50);
    const Size by_default = text_size("Wq");
    const Handle big = create_font("DejaVu Sans", 30, 0, 0);
    select_font(big);
    EXPECT_GT(text_size("Wq").h, by_default.h);
    delete_font(big);
    EXPECT_EQ(font_pixel_size(big), 0);
    EXPECT_EQ(text_size("Wq"), by_default);
    select_font(big); // stale: ignored
    EXPECT_EQ(text_size("Wq"), by_default);
}

TEST_F(Surface, SnapshotRoundTripForcesTheReservedByte) {
    canvas(3, 2);
    box(1, 0, 1, 0, 0, RED, -1);
    std::string snap = get_pixels();
    ASSERT_EQ(snap.size(), 8u + 3 * 2 * 4);
    EXPECT_EQ(snap.substr(0, 8), std::string("\x03\0\0\0\x02\0\0\0", 8));
    EXPECT_EQ(snap.substr(8 + 4, 3), std::string("\0\0\xFF", 3)); // B, G, R of (1,0)

    snap[8 + 5 * 4 + 0] = char(0x10); // pixel (2,1): blue 0x10
    snap[8 + 5 * 4 + 3] = char(0x00); // reserved byte zero
    clear(0);
    set_pixels(snap);
    EXPECT_EQ(pixel(1, 0), RED);
    EXPECT_EQ(pixel(2, 1), 0x100000);
    EXPECT_EQ(device_context()->pixel(2, 1) >> 24, 0xFFu);
}

TEST_F(Surface, SnapshotIsClippedAndMalformedOnesAreIgnored) {
    canvas(4, 4);
    const Handle other = new_bitmap(2, 6);
    select_target(other, 0, Display::Deferred);
    clear(GREEN);
    const std::string tall = get_pixels();
    select_target(new_bitmap(4, 4), 0, Display::Deferred);
    clear(0);
    set_pixels(tall);
    EXPECT_EQ(painted(), (Bounds{0, 0, 1, 3, 8}));

    const std::string bad[] = {
        std::string(),
        std::string("\x02\0\0\0", 4),
        tall.substr(0, tall.size() - 1),                       // one byte short
        std::string("\xFF\xFF\xFF\x7F\xFF\xFF\xFF\x7F", 8),    // huge header, no pixels
        std::string("\xFF\xFF\xFF\xFF\x01\0\0\0", 8) + "abcd", // negative width
    };
    for (const std::string& s : bad) {
        clear(0);
        set_pixels(s);
        EXPECT_EQ(painted().count, 0);
    }
}

TEST_F(Surface, CopyTakesInclusiveCornersAndClips) {
    const Handle src = canvas(120, 60);
    clear(RED);
    struct Case {
        double x1, y1, x2, y2, dx, dy;
        Bounds expect;
    } cases[] = {
        {0, 0, 99, 49, 0, 0, {0, 0, 99, 49, 5000}},
        {0, 0, 99, 49, 150, 80, {150, 80, 159, 89, 100}}, // cut at the right and bottom
        {0, 0, 99, 49, -95, -45, {0, 0, 4, 4, 25}},       // cut at the left and top
        {110, 50, 130, 70, 0, 0, {0, 0, 9, 9, 100}},      // source runs past its edge
        {10, 10, 9, 9, 0, 0, {}},                         // empty
    };
    for (const Case& c : cases) {
        canvas(160, 90);
        copy(src, 0, c.x1, c.y1, c.x2, c.y2, c.dx, c.dy);
        EXPECT_EQ(painted(), c.expect) << c.x1 << "," << c.dx;
    }
}

TEST_F(Surface, CopyOntoItselfOverlapping) {
    const Handle b = canvas(10, 10);
    for (int x = 0; x < 10; ++x) box(x, 0, x, 9, 0, x + 1, -1);
    copy(b, 0, 0, 0, 7, 9, 2, 0); // shift right by two
    for (int x = 2; x < 10; ++x) EXPECT_EQ(pixel(x, 5), x - 1) << x;
    copy(b, 0, 2, 2, 9, 9, 2, 0); // and up by two
    EXPECT_EQ(pixel(5, 0), 4);
}

TEST_F(Surface, StretchResamplesIntoTheVisiblePart) {
    // A source of four columns: red, red, blue, blue.
    const Handle src = canvas(4, 4);
    box(0, 0, 1, 3, 0, RED, -1);
    box(2, 0, 3, 3, 0, BLUE, -1);
    struct Case {
        const char* name;
        double x1, x2, x3, x4; // source and destination columns, rows 0..3 onto 0..3
        int probe_x;
        int32_t expect;
        Bounds bounds;
    } cases[] = {
        // Same size, mirrored: each column lands exactly on its mirror image.
        {"mirror", 0, 3, 3, 0, 0, BLUE, {0, 0, 3, 3, 16}},
        {"mirror", 0, 3, 3, 0, 3, RED, {0, 0, 3, 3, 16}},
        // Doubled: the ends keep their colour, between them a quarter and three.
        {"double", 0, 3, 0, 7, 0, RED, {0, 0, 7, 3, 32}},
        {"double", 0, 3, 0, 7, 7, BLUE, {0, 0, 7, 3, 32}},
        {"double", 0, 3, 0, 7, 4, 0xBF003F, {0, 0, 7, 3, 32}},
        // Reaching past the target's right edge: only the visible part is drawn.
        {"clipped", 0, 3, 6, 13, 7, RED, {6, 0, 7, 3, 8}},
        // Starting left of the target.
        {"left", 0, 3, -4, 3, 0, 0xBF003F, {0, 0, 3, 3, 16}},
        {"left", 0, 3, -4, 3, 3, BLUE, {0, 0, 3, 3, 16}},
        // Shrunk to one column: an even mix.
        {"halved", 0, 3, 0, 1, 0, RED, {0, 0, 1, 3, 8}},
        {"quarter", 0, 3, 0, 0, 0, 0x800080, {0, 0, 0, 3, 4}},
        // An absurd destination draws nothing.
        {"absurd", 0, 3, 0, 1e9, 0, 0, {}},
    };
    for (const Case& c : cases) {
        canvas(8, 4);
        stretch(src, 0, c.x1, 0, c.x2, 3, c.x3, 0, c.x4, 3);
        EXPECT_EQ(painted(), c.bounds) << c.name;
        const int32_t got = pixel(c.probe_x, 2);
        // Smooth resampling may round a blend either way.
        for (int shift : {0, 8, 16})
            EXPECT_NEAR((got >> shift) & 0xFF, (c.expect >> shift) & 0xFF, 2)
                << c.name << " at " << c.probe_x << " channel " << shift;
    }
}

TEST_F(Surface, StretchOntoItselfReadsTheOriginalPixels) {
    // A stretch whose source is the target itself must give what the same
    // stretch gives from an untouched copy: small areas, and areas large
    // enough to share the rows with a second thread.
    struct Case {
        int32_t size;
        double x1, y1, x2, y2, x3, y3, x4, y4;
    } cases[] = {
        {16, 0, 0, 7, 7, 0, 0, 15, 15},           // doubled over itself
        {16, 4, 4, 15, 15, 0, 0, 7, 7},           // shrunk towards the corner
        {640, 0, 0, 319, 319, 0, 0, 639, 639},    // doubled, shared rows
        {640, 100, 50, 539, 599, 0, 0, 639, 639}, // enlarged off-centre
    };
    for (const Case& c : cases) {
        const Handle a = canvas(c.size, c.size);
        for (int32_t k = 0; k < c.size; k += 4)
            box(k, 0, k + 1, c.size - 1, 0, (k * 37) & 0xFFFFFF, -1);
        for (int32_t k = 0; k < c.size; k += 6) box(0, k, c.size - 1, k, 0, BLUE | k, -1);
        const std::string original = get_pixels();
        const Handle untouched = canvas(c.size, c.size);
        set_pixels(original);
        // The expected result: the same picture, stretched from the copy.
        canvas(c.size, c.size);
        set_pixels(original);
        stretch(untouched, 0, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4);
        const std::string want = get_pixels();
        select_target(a, 0, Display::Deferred);
        stretch(a, 0, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4);
        EXPECT_TRUE(get_pixels() == want) << "size " << c.size << " from " << c.x1 << "," << c.y1;
    }
}

// The four-at-a-time mix gives the bytes of the one-at-a-time arithmetic,
// over widths around the vector length, shrinking, enlarging and mirroring,
// and rows shared with a second thread.
TEST_F(Surface, ResamplingVectorsGiveThePortableBytes) {
    using detail::Arithmetic;
    struct Case {
        int sw, sh, dw, dh;
        bool flip_x, flip_y;
    } cases[] = {
        {1, 1, 3, 2, false, false},     {3, 2, 5, 7, true, false},
        {7, 5, 4, 3, false, true},      {16, 9, 31, 17, true, true},
        {33, 20, 17, 11, false, false}, {640, 480, 700, 400, true, false},
    };
    QImage src(640, 480, QImage::Format_RGB32);
    uint32_t x = 12345;
    for (int y = 0; y < src.height(); ++y)
        for (int k = 0; k < src.width(); ++k)
            src.setPixel(k, y, 0xFF000000u | ((x = x * 1103515245u + 12345u) >> 8));
    for (const Case& c : cases) {
        QImage out[2];
        for (Arithmetic a : {Arithmetic::Fastest, Arithmetic::Portable}) {
            QImage& dst = out[a == Arithmetic::Portable];
            dst = QImage(c.dw + 2, c.dh + 2, QImage::Format_RGB32);
            dst.fill(0xFF000000u);
            detail::resample(src, 0, 0, c.sw, c.sh, c.flip_x, c.flip_y, dst, 1, 1, c.dw, c.dh, a);
        }
        EXPECT_TRUE(out[0] == out[1]) << c.sw << "x" << c.sh << " to " << c.dw << "x" << c.dh;
    }
}

TEST_F(Surface, BitmapLimits) {
    struct Case {
        int32_t w, h;
        bool ok;
    } cases[] = {{1, 1, true},       {0, 5, false},      {5, -1, false}, {100000, 100000, false},
                 {8192, 8192, true}, {8193, 8192, false}};
    for (const Case& c : cases) {
        const Handle b = new_bitmap(c.w, c.h);
        EXPECT_EQ(b != 0, c.ok) << c.w << "x" << c.h;
        select_target(b, 0, Display::Deferred);
        end_bitmap();
    }
}

TEST_F(Surface, StaleAndWrongHandlesDoNothing) {
    const Handle b = canvas(5, 5);
    end_bitmap();
    EXPECT_EQ(current_target(), 0);
    const Handle reused = new_bitmap(5, 5); // takes the same slot
    EXPECT_NE(reused, b);

    const Handle font = create_font("DejaVu Sans", 10, 0, 0);
    for (Handle h : {b, font, Handle(0), Handle(-1), Handle(12345)}) {
        select_target(h, 0, Display::Direct);
        EXPECT_EQ(current_target(), 0) << h;
        clear(RED);
        box(0, 0, 4, 4, 0, RED, -1);
        print("x");
        EXPECT_EQ(client_size(), (Size{0, 0}));
        EXPECT_EQ(device_context(), nullptr);
        EXPECT_EQ(get_pixels(), "");
        EXPECT_EQ(text_size("x"), (Size{0, 0}));
        EXPECT_EQ(get_pos(), (Point{0, 0}));
        EXPECT_EQ(take_pending_key(), "");
    }
    select_target(reused, 0, Display::Deferred);
    EXPECT_EQ(client_size(), (Size{5, 5}));
    reset_all();
    EXPECT_EQ(current_target(), 0);
    select_target(reused, 0, Display::Deferred);
    EXPECT_EQ(current_target(), 0);
    EXPECT_EQ(font_pixel_size(font), 0);
    EXPECT_EQ(font_pixel_size(1), 11); // the default font survives
}

// One slot made and freed again and again, far past where a 12- or 13-bit
// generation count would wrap: no handle is ever handed out twice, and the
// first one stays dead.
TEST_F(Surface, FreedHandlesStayDeadWhateverTheReuse) {
    const Handle first = canvas(1, 1);
    end_bitmap();
    std::set<Handle> seen{first};
    int repeats = 0, failures = 0;
    for (int i = 0; i < 20000; ++i) {
        const Handle h = new_bitmap(1, 1);
        failures += h <= 0;
        repeats += !seen.insert(h).second;
        select_target(h, 0, Display::Deferred);
        end_bitmap();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(repeats, 0);
    select_target(first, 0, Display::Deferred);
    EXPECT_EQ(current_target(), 0);
}

TEST_F(Surface, SelectingKeepsEachTargetsState) {
    const Handle a = canvas(10, 10);
    set_pos(3, 4);
    set_colours(RED, GREEN);
    const Handle b = canvas(10, 10);
    set_pos(7, 1);
    select_target(a, 0, Display::Deferred);
    EXPECT_EQ(get_pos(), (Point{3, 4}));
    box(0, 0, 1, 1, 0, -1, -1);
    EXPECT_EQ(pixel(0, 0), RED);
    select_target(b, 0, Display::Deferred);
    EXPECT_EQ(get_pos(), (Point{7, 1}));
}

} // namespace
