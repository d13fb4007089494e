// Caption layout: the word split, and where short and wrapped captions land
// on a face, checked against the same texts printed at the expected places.
#include "ngbutton/ng_detail.h"
#include "ngbutton/ngbutton.h"
#include "support.h"
#include "surface/surface.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr int32_t white = 0xFFFFFF, red = 0x0000FF, green = 0x00FF00;

TEST(WordSplit, SeparatorsStayWithTheWordBeforeThem) {
    using W = std::vector<std::string>;
    const std::pair<const char*, W> cases[] = {
        {"", {""}},
        {"abc", {"abc"}},
        {"a, b", {"a,", " ", "b"}},
        {"ab,", {"ab,", ""}},
        {",,", {",", ",", ""}},
        // A line break inside a word ends the word there ...
        {"RESISTENZA\r\n4 BANDE", {"RESISTENZA\r\n", "4 ", "BANDE"}},
        {"A\r\n\r\nB", {"A\r\n", "\r\n", "B"}},
        // ... one followed by a separator or at the end stays with its word.
        {"A\r\n B", {"A\r\n ", "B"}},
        {"A\r\n", {"A\r\n"}},
        {"A\rB\nC", {"A\rB\nC"}}};
    for (const auto& [text, words] : cases) EXPECT_EQ(ngbutton::split_words(text), words) << text;
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
        measure = surface::new_bitmap(10, 10);
        ASSERT_NE(measure, 0);
    }
    void TearDown() override { surface::reset_all(); }

    surface::Size size_of(const std::string& text) {
        surface::select_target(measure, 0, surface::Display::Deferred);
        surface::select_font(font);
        return surface::text_size(text);
    }
    int32_t width(const std::string& text) { return size_of(text).w; }
    int32_t pitch() {
        size_of("");
        surface::set_pos(0, 0);
        surface::new_line();
        return surface::get_pos().y;
    }
    NG_BOTTONE record(int32_t shadow, int32_t state = 0) {
        NG_BOTTONE r;
        r.stato = state;
        r.colore_testo_0 = white;
        r.colore_testo_1 = green;
        r.colore_ombra = shadow;
        r.font = font;
        return r;
    }
    // Runs `layout` on a black w x h bitmap and returns its pixels.
    template <class F> std::string on_bitmap(int32_t w, int32_t h, F layout) {
        const surface::Handle bmp = surface::new_bitmap(w, h);
        surface::select_target(bmp, 0, surface::Display::Deferred);
        surface::clear(0);
        layout(surface::get_pixels());
        surface::select_target(bmp, 0, surface::Display::Deferred);
        std::string out = surface::get_pixels();
        surface::end_bitmap();
        return out;
    }
    std::string graph(const std::string& caption, const NG_BOTTONE& r, int32_t w, int32_t h) {
        return on_bitmap(w, h, [&](const std::string& before) { NG_GRAPH(caption, r, before); });
    }
    std::string expected(int32_t w, int32_t h, const std::vector<Placed>& items) {
        return on_bitmap(w, h, [&](const std::string&) {
            surface::select_font(font);
            for (const Placed& p : items) {
                surface::set_colours(p.colour, -2);
                surface::set_pos(p.x, p.y);
                surface::print(p.text);
            }
        });
    }

    surface::Handle font = 0, measure = 0;
};

TEST_F(CaptionLayout, ShortCaptionsAreCentredLineByLine) {
    struct Case {
        std::string caption;
        int32_t shadow, state;
        std::vector<std::pair<std::string, std::string>> lines; // measured, drawn
    };
    const Case cases[] = {
        {"Fine", red, 0, {{"Fine", "Fine"}}},
        {"   Fine  ", 0, 0, {{"Fine", "Fine"}}},
        {"Fine", -1, 1, {{"Fine", "Fine"}}},
        {"AB$Cdef", red, 0, {{"AB", "AB"}, {"Cdef", "Cdef"}}},
        {"AB+Cdef", red, 1, {{"AB", "AB"}, {"Cdef", "Cdef"}}},
        {"A_B", red, 0, {{"A_B", "A_B"}}},
        {"A\xB0W", red, 0, {{"A\xB0W", "A W"}}}, // a degree sign is measured, not drawn
    };
    const int32_t W = 221, H = 71;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        int32_t total_h = 0;
        for (const auto& l : c.lines) total_h += size_of(l.first).h;
        const int32_t top = (H - total_h) / 2;
        std::vector<Placed> items;
        for (int32_t off : {1, 0}) {
            if (off == 1 && c.shadow < 0) continue;
            const int32_t colour = off == 1 ? c.shadow : c.state == 0 ? white : green;
            for (std::size_t i = 0; i < c.lines.size(); ++i) {
                const surface::Size s = size_of(c.lines[i].first);
                items.push_back({c.lines[i].second, (W - s.w) / 2 + off,
                                 top + off + static_cast<int32_t>(i) * s.h, colour});
            }
        }
        EXPECT_EQ(
            differences(graph(c.caption, record(c.shadow, c.state), W, H), expected(W, H, items)),
            0);
    }
}

TEST_F(CaptionLayout, EmptyCaptionDrawsNothingAndKeepsTheFont) {
    const surface::Handle big = surface::create_font("DejaVu Sans", 30, 0, 0);
    const std::string got = on_bitmap(80, 40, [&](const std::string& before) {
        surface::select_font(big);
        const surface::Size m = surface::text_size("M");
        NG_GRAPH("", record(red), before);
        EXPECT_EQ(surface::text_size("M"), m);
    });
    EXPECT_TRUE(all_of_colour(got, 0));
}

TEST_F(CaptionLayout, WideCaptionsWrapWordByWord) {
    struct Case {
        const char* name;
        std::string caption;
        std::string fitting; // the face is this wide plus the 40-pixel reserve plus `extra`
        int32_t extra, height;
        std::vector<std::string> lines;
        std::string last_word; // its height centres the block
        bool overflow;         // the breaks overflow the face: the block starts at the top
    };
    const std::string words4 = "ABCDEFGH_IJKLMNOP_QRSTUVWX_YZABCDEF";
    const std::vector<std::string> lines4 = {"ABCDEFGH ", "IJKLMNOP ", "QRSTUVWX ", "YZABCDEF"};
    const Case cases[] = {
        {"underscore",
         "ABCDEFGH_IJKLMNOP",
         "ABCDEFGH ",
         30,
         90,
         {"ABCDEFGH ", "IJKLMNOP"},
         "IJKLMNOP",
         false},
        {"comma",
         "ABCDEFGH,IJKLMNOP",
         "ABCDEFGH,",
         30,
         90,
         {"ABCDEFGH,", "IJKLMNOP"},
         "IJKLMNOP",
         false},
        {"comma blank",
         "ABCDEFGHIJKLM, KLMN",
         "ABCDEFGHIJKLM,",
         1,
         90,
         {"ABCDEFGHIJKLM,", " KLMN"},
         "KLMN",
         false},
        {"trailing separator",
         "ABCDEFGH_IJKLMNOP_",
         "ABCDEFGH ",
         30,
         90,
         {"ABCDEFGH ", "IJKLMNOP "},
         "",
         false},
        {"degree sign",
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
        {"one word a line", words4, "ABCDEFGH ", 12, 200, lines4, "YZABCDEF", false},
        {"overflow", words4, "ABCDEFGH ", 12, 20, lines4, "YZABCDEF", true},
        {"break inside a word",
         "AB$CD EFGH IJKLMNO",
         "CD EFGH ",
         10,
         120,
         {"AB", "CD EFGH ", "IJKLMNO"},
         "IJKLMNO",
         false},
        {"strip caption",
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
        const int32_t W = width(c.fitting) + 40 + c.extra, H = c.height;
        int32_t widest = 0; // the caption must be too wide to stay unwrapped
        for (const std::string& l :
             ngbutton::split_lines(ngbutton::replace_all(c.caption, "$", "\r\n")))
            widest = std::max(widest, width(l));
        ASSERT_GE(widest + 10, W);

        const int32_t p = pitch();
        const int32_t last_top = static_cast<int32_t>(c.lines.size() - 1) * p;
        const int32_t y0 =
            c.overflow ? 0 : std::lround((H - last_top - size_of(c.last_word).h) / 2.0);
        std::vector<Placed> items;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            const int32_t y = y0 + static_cast<int32_t>(i) * p;
            const int32_t cx = static_cast<int32_t>(std::nearbyint((W - width(c.lines[i])) / 2.0));
            items.push_back({c.lines[i], cx + 1, y + 1, red});
            items.push_back({c.lines[i], cx, y, white});
        }
        EXPECT_EQ(differences(graph(c.caption, record(red), W, H), expected(W, H, items)), 0);
    }
}

TEST_F(CaptionLayout, WrappedCaptionStopsAtAThousandLines) {
    std::string text;
    for (int i = 0; i < 1200; ++i) text += "X\r\n";
    const int32_t W = width("X") + 40, H = 1100 * pitch();
    const std::string got = on_bitmap(W, H, [&](const std::string& before) {
        surface::select_font(font);
        NG_GIUST(text, record(-1), before);
    });
    int bands = 0;
    bool in_band = false;
    for (int32_t y = 0; y < H; ++y) {
        bool ink = false;
        for (int32_t x = 0; x < W && !ink; ++x) ink = colour_at(got, x, y) != 0;
        bands += ink && !in_band;
        in_band = ink;
    }
    EXPECT_EQ(bands, ngbutton::max_caption_lines);
}

} // namespace
