// Caption layout: the word split, and where short and wrapped captions land
// on a face, checked against the same texts printed at the expected places.
#include "ngbutton/ng_detail.h"
#include "ngbutton/ngbutton.h"
#include "surface/surface.h"
#include "test_ngbutton_support.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace ngtest;

namespace {

constexpr int32_t white = 0xFFFFFF;
constexpr int32_t red = 0x0000FF;
constexpr int32_t green = 0x00FF00;

TEST(WordSplit, SeparatorsStayWithTheWordBeforeThem) {
    struct Case {
        const char* text;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"", {""}},
        {"abc", {"abc"}},
        {"a, b", {"a,", " ", "b"}},
        {"one two", {"one ", "two"}},
        {"ab,", {"ab,", ""}},
        {"ab ", {"ab ", ""}},
        {",,", {",", ",", ""}},
        // A line break inside a word ends the word there ...
        {"RESISTENZA\r\n4 BANDE", {"RESISTENZA\r\n", "4 ", "BANDE"}},
        {"A\r\n\r\nB", {"A\r\n", "\r\n", "B"}},
        // ... while one followed by a separator, or at the end, stays put.
        {"A\r\n B", {"A\r\n ", "B"}},
        {"A\r\n,B", {"A\r\n,", "B"}},
        {"A\r\n", {"A\r\n"}},
        // A lone CR or LF is an ordinary character.
        {"A\rB\nC", {"A\rB\nC"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ngbutton::split_words(c.text), c.words) << c.text;
}

TEST(LineSplit, CutsAtEachPair) {
    EXPECT_EQ(ngbutton::split_lines(""), std::vector<std::string>{""});
    EXPECT_EQ(ngbutton::split_lines("a\r\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ngbutton::split_lines("a\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(ngbutton::split_lines("a\rb\n"), std::vector<std::string>{"a\rb\n"});
}

struct Placed {
    std::string text;
    int32_t x, y, colour;
};

class CaptionLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        surface::reset_all();
        font = surface::create_font("DejaVu Sans", 12, 0, 0);
        ASSERT_NE(font, 0);
        measure_bmp = surface::new_bitmap(10, 10);
        ASSERT_NE(measure_bmp, 0);
    }
    void TearDown() override { surface::reset_all(); }

    surface::Size size_of(const std::string& text) {
        surface::select_target(measure_bmp, 0, surface::Display::Deferred);
        surface::select_font(font);
        return surface::text_size(text);
    }
    int32_t width(const std::string& text) { return size_of(text).w; }
    int32_t pitch() {
        surface::select_target(measure_bmp, 0, surface::Display::Deferred);
        surface::select_font(font);
        surface::set_pos(0, 0);
        surface::new_line();
        return surface::get_pos().y;
    }

    NG_BOTTONE record(int32_t shadow = red, int32_t state = 0) {
        NG_BOTTONE r;
        r.stato = state;
        r.colore_testo_0 = white;
        r.colore_testo_1 = green;
        r.colore_ombra = shadow;
        r.font = font;
        return r;
    }

    // Lays out a caption with NG_GRAPH on a black w x h bitmap.
    std::string graph(const std::string& caption, const NG_BOTTONE& r, int32_t w, int32_t h) {
        const surface::Handle bmp = surface::new_bitmap(w, h);
        surface::select_target(bmp, 0, surface::Display::Deferred);
        surface::clear(0);
        const std::string before = surface::get_pixels();
        NG_GRAPH(caption, r, before);
        std::string after = surface::get_pixels();
        surface::select_target(bmp, 0, surface::Display::Deferred);
        surface::end_bitmap();
        return after;
    }

    std::string expected(int32_t w, int32_t h, const std::vector<Placed>& items) {
        const surface::Handle bmp = surface::new_bitmap(w, h);
        surface::select_target(bmp, 0, surface::Display::Deferred);
        surface::clear(0);
        surface::select_font(font);
        for (const Placed& p : items) {
            surface::set_colours(p.colour, -2);
            surface::set_pos(p.x, p.y);
            surface::print(p.text);
        }
        std::string out = surface::get_pixels();
        surface::end_bitmap();
        return out;
    }

    // Wrapped lines: the block starts at y0 (0 when `overflow`), each line one
    // line pitch below the previous one and centred by its full width.
    std::vector<Placed> wrapped(const std::vector<std::string>& lines, int32_t w, int32_t h,
                                const std::string& last_word, bool overflow, int32_t colour,
                                int32_t shadow) {
        const int32_t p = pitch();
        const int32_t last_top = static_cast<int32_t>(lines.size() - 1) * p;
        const int32_t y0 =
            overflow
                ? 0
                : static_cast<int32_t>(std::nearbyint((h - last_top - size_of(last_word).h) / 2.0));
        std::vector<Placed> out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int32_t y = y0 + static_cast<int32_t>(i) * p;
            const int32_t cx = static_cast<int32_t>(std::nearbyint((w - width(lines[i])) / 2.0));
            if (shadow >= 0) out.push_back({lines[i], cx + 1, y + 1, shadow});
            out.push_back({lines[i], cx, y, colour});
        }
        return out;
    }

    surface::Handle font = 0;
    surface::Handle measure_bmp = 0;
};

TEST_F(CaptionLayout, ShortCaptionsAreCentredLineByLine) {
    struct Line {
        std::string measured, drawn;
    };
    struct Case {
        const char* name;
        std::string caption;
        int32_t shadow, state;
        std::vector<Line> lines;
    };
    const Case cases[] = {
        {"one word", "Fine", red, 0, {{"Fine", "Fine"}}},
        {"blanks trimmed", "   Fine  ", red, 0, {{"Fine", "Fine"}}},
        {"no shadow", "Fine", -1, 0, {{"Fine", "Fine"}}},
        {"black shadow", "Fine", 0, 0, {{"Fine", "Fine"}}},
        {"alternate colour", "Fine", red, 1, {{"Fine", "Fine"}}},
        {"dollar", "AB$Cdef", red, 0, {{"AB", "AB"}, {"Cdef", "Cdef"}}},
        {"plus", "AB+Cdef", red, 0, {{"AB", "AB"}, {"Cdef", "Cdef"}}},
        {"pair", "AB\r\nCdef", red, 0, {{"AB", "AB"}, {"Cdef", "Cdef"}}},
        {"underscore", "A_B", red, 0, {{"A_B", "A_B"}}},
        {"degree sign", "A\xB0W", red, 0, {{"A\xB0W", "A W"}}},
    };
    const int32_t W = 221, H = 71;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t total_h = 0;
        for (const Line& l : c.lines) {
            total_h += size_of(l.measured).h;
            ASSERT_LT(width(l.measured) + 10, W);
        }
        const int32_t top = (H - total_h) / 2;
        const int32_t colour = c.state == 0 ? white : green;
        std::vector<Placed> items;
        for (int pass = c.shadow >= 0 ? 0 : 1; pass < 2; ++pass) {
            const int32_t off = pass == 0 ? 1 : 0;
            for (std::size_t i = 0; i < c.lines.size(); ++i) {
                const surface::Size s = size_of(c.lines[i].measured);
                items.push_back({c.lines[i].drawn, (W - s.w) / 2 + off,
                                 top + off + static_cast<int32_t>(i) * s.h,
                                 pass == 0 ? c.shadow : colour});
            }
        }
        const std::string got = graph(c.caption, record(c.shadow, c.state), W, H);
        const std::string want = expected(W, H, items);
        EXPECT_TRUE(same_colours(got, want)) << count_differences(got, want) << " pixels differ";
        EXPECT_FALSE(ink_box(got, [](int32_t col) { return col != 0; }).empty());
    }
}

TEST_F(CaptionLayout, DegreeSignIsNotDrawnInAShortCaption) {
    // Same width as the drawn text would have with the sign: only its ink is gone.
    const int32_t W = 200, H = 60;
    const std::string with_sign = graph("A\xB0W", record(-1), W, H);
    const std::string with_blank = graph("A W", record(-1), W, H);
    const Box a = ink_box(with_sign, [](int32_t c) { return c != 0; });
    const Box b = ink_box(with_blank, [](int32_t c) { return c != 0; });
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a.top, b.top);
    EXPECT_EQ(a.bottom, b.bottom);
}

TEST_F(CaptionLayout, EmptyCaptionDrawsNothingAndKeepsTheFont) {
    const surface::Handle other = surface::create_font("DejaVu Sans", 30, 0, 0);
    const surface::Handle bmp = surface::new_bitmap(80, 40);
    surface::select_target(bmp, 0, surface::Display::Deferred);
    surface::clear(0);
    surface::select_font(other);
    const surface::Size before_size = surface::text_size("M");
    const std::string before = surface::get_pixels();
    NG_GRAPH("", record(), before);
    EXPECT_TRUE(same_colours(surface::get_pixels(), before));
    EXPECT_EQ(surface::text_size("M"), before_size);
    // A caption that is drawn leaves the default font selected.
    NG_GRAPH("x", record(), before);
    surface::select_font(0);
    const surface::Size default_size = surface::text_size("M");
    surface::select_font(other);
    NG_GRAPH("x", record(), before);
    EXPECT_EQ(surface::text_size("M"), default_size);
}

TEST_F(CaptionLayout, WideCaptionsWrapWordByWord) {
    struct Case {
        const char* name;
        std::string caption;
        // Width of the face: a prefix that must just fit on a line, plus extra.
        std::string fitting;
        int32_t extra;
        int32_t height;
        std::vector<std::string> lines;
        std::string last_word;
        bool overflow;
    };
    const std::string nothing;
    const Case cases[] = {
        {"underscore is a blank",
         "ABCDEFGH_IJKLMNOP",
         "ABCDEFGH ",
         30,
         90,
         {"ABCDEFGH ", "IJKLMNOP"},
         "IJKLMNOP",
         false},
        {"comma stays before the break",
         "ABCDEFGH,IJKLMNOP",
         "ABCDEFGH,",
         30,
         90,
         {"ABCDEFGH,", "IJKLMNOP"},
         "IJKLMNOP",
         false},
        {"comma and blank are three words",
         "ABCDEFGHIJKLM, KLMN",
         "ABCDEFGHIJKLM,",
         1,
         90,
         {"ABCDEFGHIJKLM,", " KLMN"},
         "KLMN",
         false},
        {"trailing separator adds an empty word",
         "ABCDEFGH_IJKLMNOP_",
         "ABCDEFGH ",
         30,
         90,
         {"ABCDEFGH ", "IJKLMNOP "},
         "",
         false},
        {"degree sign drawn in a wrapped caption",
         "ABCDEFGH_I\xB0JKLMNOP",
         "ABCDEFGH ",
         30,
         90,
         {"ABCDEFGH ", "I\xB0JKLMNOP"},
         "I\xB0JKLMNOP",
         false},
        {"first word too wide",
         "ABCDEFGHIJKLMNOP",
         "ABCDEFGHIJKLMNOP",
         -35,
         90,
         {"", "ABCDEFGHIJKLMNOP"},
         "ABCDEFGHIJKLMNOP",
         false},
        {"one word a line",
         "ABCDEFGH_IJKLMNOP_QRSTUVWX_YZABCDEF",
         "ABCDEFGH ",
         12,
         200,
         {"ABCDEFGH ", "IJKLMNOP ", "QRSTUVWX ", "YZABCDEF"},
         "YZABCDEF",
         false},
        {"breaks overflow the face",
         "ABCDEFGH_IJKLMNOP_QRSTUVWX_YZABCDEF",
         "ABCDEFGH ",
         12,
         20,
         {"ABCDEFGH ", "IJKLMNOP ", "QRSTUVWX ", "YZABCDEF"},
         "YZABCDEF",
         true},
        {"line break inside a word",
         "AB$CD EFGH IJKLMNO",
         "CD EFGH ",
         10,
         120,
         {"AB", "CD EFGH ", "IJKLMNO"},
         "IJKLMNO",
         false},
        {"two-line strip caption",
         "RESISTENZA$4 BANDE",
         "RESISTENZA",
         -34,
         120,
         {"", "RESISTENZA", "4 ", "BANDE"},
         "BANDE",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t W = width(c.fitting) + 40 + c.extra;
        // The caption must be too wide for one line.
        int32_t widest = 0;
        for (const std::string& l :
             ngbutton::split_lines(ngbutton::replace_all(c.caption, "$", "\r\n")))
            widest = std::max(widest, width(l));
        ASSERT_GE(widest + 10, W);
        const int32_t colour = white;
        const std::string got = graph(c.caption, record(red), W, c.height);
        const std::string want = expected(
            W, c.height, wrapped(c.lines, W, c.height, c.last_word, c.overflow, colour, red));
        EXPECT_TRUE(same_colours(got, want)) << count_differences(got, want) << " pixels differ";
    }
}

TEST_F(CaptionLayout, WrappedCaptionStopsAtAThousandLines) {
    std::string text;
    for (int i = 0; i < 1200; ++i) text += "X\r\n";
    text += "X";
    const int32_t p = pitch();
    const int32_t W = width("X") + 40, H = 1100 * p;
    const surface::Handle bmp = surface::new_bitmap(W, H);
    ASSERT_NE(bmp, 0);
    surface::select_target(bmp, 0, surface::Display::Deferred);
    surface::clear(0);
    surface::select_font(font);
    const std::string before = surface::get_pixels();
    NG_GIUST(text, record(-1), before);
    const std::string got = surface::get_pixels();
    int bands = 0;
    bool in_band = false;
    for (int32_t y = 0; y < H; ++y) {
        bool ink = false;
        for (int32_t x = 0; x < W && !ink; ++x) ink = colour_at(got, x, y) != 0;
        if (ink && !in_band) ++bands;
        in_band = ink;
    }
    EXPECT_EQ(bands, ngbutton::max_caption_lines);
}

} // namespace
