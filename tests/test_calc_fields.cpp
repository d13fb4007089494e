// Result text and band strip on a small hand-built dialog: what NG_SCRIV
// leaves on a field, the key it collects, and the band cells.
#include "calc/calc.h"
#include "ngbutton/ngbutton.h"
#include "support.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int32_t kW = 400, kH = 300;
constexpr int32_t kStrip = 40; // strip height: the cell side

std::string snapshot(int32_t id) {
    surface::select_target(dialogo, id, surface::Display::Deferred);
    return surface::get_pixels();
}

// Colour of a pixel as 0x00BBGGRR.
uint32_t colour(const std::string& s, int32_t x, int32_t y) {
    return uint32_t(testsupport::colour_at(s, x, y));
}

// The background pattern: every pixel tells where it is.
uint32_t pattern(int32_t x, int32_t y) {
    return uint32_t((x * 7) & 0xFF) | uint32_t((y * 5) & 0xFF) << 8 | 0x400000u;
}

using testsupport::accessible_name;
using testsupport::control_widget;

class Fields : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::fresh_calculator();
        // The background gets a pattern so that misplaced copies show.
        testsupport::dialog_over_pattern(dialogo, kW, kH, [](int32_t x, int32_t y) {
            const uint32_t c = pattern(x, y); // 0x00BBGGRR to B, G, R in memory
            return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
        });
        surface::add_control(dialogo, ID_OROLOGIO, "", 10, 5, 380, 30, 0, 0);
        surface::add_control(dialogo, ID_RESISTENZA, "", 20, 40, 300, kStrip, surface::SS_NOTIFY,
                             0);
        for (int32_t i = 0; i < 5; ++i)
            surface::add_control(dialogo, ID_RIGA_1 + i, "", 13, 90 + 40 * i, 370, 37,
                                 surface::SS_NOTIFY, 0);

        surface::select_target(dialogo, ID_RESISTENZA, surface::Display::Direct);
        surface::clear(0x204020);

        font = surface::create_font("DejaVu Sans", 16, 0, 0);
        font_h26.handle = surface::create_font("DejaVu Sans", 16, surface::FONT_BOLD, 0);
        for (int32_t id = ID_RIGA_1; id <= ID_RIGA_5; ++id) {
            NG_BOTTONE& r = NG_BOTTONI[id];
            r.font = font;
            r.colore_testo_0 = 0xFFFFFF;
            r.colore_ombra = 0x0000FF;
            r.cornice = 0;
        }
        NG_BOTTONI[ID_OROLOGIO].font = font;
        NG_BOTTONI[ID_OROLOGIO].colore_ombra = 0x00FF00; // must not show: "centro" has no shadow
    }
    void TearDown() override {
        surface::reset_all();
        font_h26.handle = 0;
        dialogo = 0;
    }
    surface::Handle font = 0;
};

// Pixels of field `id` that differ from the background beneath it.
struct Lit {
    int32_t count = 0, left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
};
template <class Pred> Lit lit(int32_t id, Pred pred) {
    const surface::Point at = surface::control_pos(dialogo, id);
    const std::string img = snapshot(id);
    Lit l;
    for (int32_t y = 0; y < testsupport::header(img, 4); ++y)
        for (int32_t x = 0; x < testsupport::header(img, 0); ++x)
            if (pred(colour(img, x, y), pattern(at.x + x, at.y + y))) {
                ++l.count;
                l.left = std::min(l.left, x);
                l.right = std::max(l.right, x);
                l.top = std::min(l.top, y);
                l.bottom = std::max(l.bottom, y);
            }
    return l;
}

TEST_F(Fields, EmptyTextLeavesTheBackgroundAndTheSilverFrame) {
    for (const int32_t cornice : {0, 1, 2}) {
        NG_BOTTONI[ID_RIGA_1 + 1].cornice = cornice;
        QUICKADD(ID_RIGA_1 + 1, "old text to be covered");
        QUICKADD(ID_RIGA_1 + 1, "   ");
        const surface::Point at = surface::control_pos(dialogo, ID_RIGA_1 + 1);
        const std::string img = snapshot(ID_RIGA_1 + 1);
        ASSERT_EQ(testsupport::header(img, 0), 370);
        int32_t wrong = 0;
        for (int32_t y = 0; y < testsupport::header(img, 4); ++y)
            for (int32_t x = 0; x < testsupport::header(img, 0); ++x) {
                // The frame runs from (0, 0) to (w, h): its right and bottom
                // edges fall just outside the field.
                const bool frame = cornice == 1 && (x == 0 || y == 0);
                const uint32_t want = frame ? 0xC0C0C0u : pattern(at.x + x, at.y + y);
                if (colour(img, x, y) != want) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << "cornice " << cornice;
        EXPECT_EQ(accessible_name(ID_RIGA_1 + 1), "");
    }
}

TEST_F(Fields, LeftTextHasItsShadowOneDownOneRight) {
    NG_BOTTONE& r = NG_BOTTONI[ID_RIGA_1];
    r.colore_ombra = 0x0000FF;
    r.colore_testo_0 = 0xFFFFFF;
    QUICKADD(ID_RIGA_1, "  Wq 4.7 kOhm  ");
    EXPECT_EQ(accessible_name(ID_RIGA_1), "Wq 4.7 kOhm");

    const Lit text = lit(ID_RIGA_1, [](uint32_t c, uint32_t) { return c == 0xFFFFFFu; });
    const Lit shadow = lit(ID_RIGA_1, [](uint32_t c, uint32_t) { return c == 0x0000FFu; });
    ASSERT_GT(text.count, 20);
    ASSERT_GT(shadow.count, 5);
    // The shadow sticks out one pixel right and below the text, never left or above.
    EXPECT_EQ(shadow.right, text.right + 1);
    EXPECT_EQ(shadow.bottom, text.bottom + 1);
    EXPECT_GE(shadow.left, text.left + 1);
    EXPECT_GE(shadow.top, text.top);
    // Left aligned at 10 and vertically centred.
    EXPECT_GE(text.left, 10);
    EXPECT_LE(text.left, 13);
    EXPECT_LE(std::abs((text.top + text.bottom) - 37), 8);
}

TEST_F(Fields, AlignmentIsReadWithoutRegardToCase) {
    struct Case {
        const char* alignment;
        const char* same_as;
    };
    const Case cases[] = {{"Sinistra", "sinistra"}, {"SINISTRA", "sinistra"}, {"CENTRO", "centro"},
                          {"Centro", "centro"},     {"destra", ""},           {"sinistra ", ""}};
    auto draw = [&](const char* alignment) {
        NG_SCRIV(dialogo, ID_SFONDO, ID_RIGA_1 + 2, alignment, "12:34:56");
        return snapshot(ID_RIGA_1 + 2);
    };
    for (const auto& c : cases) EXPECT_EQ(draw(c.alignment), draw(c.same_as)) << c.alignment;
    EXPECT_NE(draw("sinistra"), draw("centro"));
    EXPECT_NE(draw("sinistra"), draw(""));
}

TEST_F(Fields, CentredTextIsPinkWithoutShadow) {
    NG_SCRIV(dialogo, ID_SFONDO, ID_OROLOGIO, "centro", "12:34:56");
    const Lit pink = lit(ID_OROLOGIO, [](uint32_t c, uint32_t) { return c == 0x6E6EFFu; });
    const Lit other = lit(ID_OROLOGIO, [](uint32_t c, uint32_t bg) {
        // Anything that is neither background nor a blend towards the pink.
        const int g = int(c >> 8 & 0xFF), bg_g = int(bg >> 8 & 0xFF);
        return c != bg && g > std::max(bg_g, 0x6E) + 1;
    });
    ASSERT_GT(pink.count, 10);
    EXPECT_EQ(other.count, 0) << "a shadow or another colour was drawn";
    const int32_t w = surface::control_size(dialogo, ID_OROLOGIO).w;
    EXPECT_LE(std::abs((pink.left + pink.right) - w), 6);
    EXPECT_EQ(accessible_name(ID_OROLOGIO), "12:34:56");
}

TEST_F(Fields, PendingKeyIsCollectedOnceByTheNextWrite) {
    QWidget* field = control_widget(ID_RIGA_1 + 3);
    QWidget* other = control_widget(ID_RIGA_1 + 4);
    ASSERT_NE(field, nullptr);
    ASSERT_NE(other, nullptr);

    QTest::keyClick(field, 'a');
    QTest::keyClick(field, 'b'); // the newer key replaces the older
    QUICKADD(ID_RIGA_1 + 4, "x");
    EXPECT_EQ(ultimo_tasto, "") << "another field's write collects its own key";
    QUICKADD(ID_RIGA_1 + 3, "x");
    EXPECT_EQ(ultimo_tasto, "b");
    QUICKADD(ID_RIGA_1 + 3, "x");
    EXPECT_EQ(ultimo_tasto, "");

    QTest::keyClick(other, '0');
    QUICKADD(ID_RIGA_1 + 4, "");
    EXPECT_EQ(ultimo_tasto, "0");
}

TEST_F(Fields, WriteOnAMissingControlDrawsNothingElsewhere) {
    QUICKADD(ID_RIGA_1, "keep");
    const std::string before = snapshot(ID_RIGA_1);
    // Select the field, then write to an id that does not exist.
    surface::select_target(dialogo, ID_RIGA_1, surface::Display::Direct);
    ultimo_tasto.assign(1, 'z');
    NG_SCRIV(dialogo, ID_SFONDO, 4242, "sinistra", "intruder");
    EXPECT_EQ(snapshot(ID_RIGA_1), before);
    EXPECT_EQ(ultimo_tasto, "");
}

// ---------------------------------------------------------------- band strip

struct CellCase {
    int32_t value;
    uint32_t fill, label;
};

TEST_F(Fields, BandCellFillAndLabelColour) {
    const CellCase cases[] = {{0, 0x000001, 0xFFFFFE},
                              {9, 0xFFFFFF, 0x800000},
                              {2, 0x0000FF, 0xFFFF80},
                              {5, 0x008000, 0xFFBFFF},
                              {11, 0x00D7FF, 0xFF9400}};
    for (const auto& c : cases) {
        surface::select_target(dialogo, ID_RESISTENZA, surface::Display::Direct);
        surface::clear(0x204020);
        const int32_t p = 3;
        RIAGGIOR(c.value, p);
        const std::string img = snapshot(ID_RESISTENZA);
        const int32_t s = kStrip, left = s * (p - 1);
        // Fill just inside the top of the ellipse, away from the label.
        EXPECT_EQ(colour(img, left + s / 2, 4), c.fill) << c.value;
        // The square's corner is outside the ellipse.
        EXPECT_EQ(colour(img, left + 1, 1), 0x204020u) << c.value;
        // Nothing outside cell p: x from 2s to 3s.
        int32_t outside = 0, label = 0;
        int32_t label_left = 1 << 30, label_right = -1, label_bottom = -1;
        for (int32_t y = 0; y < testsupport::header(img, 4); ++y)
            for (int32_t x = 0; x < testsupport::header(img, 0); ++x) {
                const uint32_t v = colour(img, x, y);
                if ((x < left || x > left + s) && v != 0x204020u) ++outside;
                if (v == c.label) {
                    ++label;
                    label_left = std::min(label_left, x);
                    label_right = std::max(label_right, x);
                    label_bottom = std::max(label_bottom, y);
                }
            }
        EXPECT_EQ(outside, 0) << c.value;
        ASSERT_GT(label, 5) << "label colour of value " << c.value;
        EXPECT_LE(std::abs((label_left + label_right) - (2 * left + s)), 6) << c.value;
        // The black shadow sticks out one pixel right of and below the label.
        if (c.value == 0) continue; // on a black cell the shadow cannot be seen
        const int32_t cx = left + s / 2, cy = s / 2, r = s / 2 - 3;
        int32_t dark_right = -1, dark_bottom = -1;
        for (int32_t y = 0; y < testsupport::header(img, 4); ++y)
            for (int32_t x = left; x <= left + s && x < testsupport::header(img, 0); ++x) {
                const uint32_t v = colour(img, x, y);
                const int sum = int(v & 0xFF) + int(v >> 8 & 0xFF) + int(v >> 16 & 0xFF);
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r && sum < 0x60) {
                    dark_right = std::max(dark_right, x);
                    dark_bottom = std::max(dark_bottom, y);
                }
            }
        // Positions are rounded halves to even, so the shadow lies 0, 1 or 2
        // pixels off the label on each axis.
        surface::select_target(dialogo, ID_RESISTENZA, surface::Display::Direct);
        surface::select_font(font_h26.handle);
        const surface::Size ts = surface::text_size(std::to_string(c.value));
        auto offset = [](double a) {
            return int32_t(base::round_even(a + 1) - base::round_even(a));
        };
        const int32_t dx = offset(left + (s - ts.w) / 2.0), dy = offset((s - ts.h) / 2.0);
        if (dx == 0 && dy == 0) {
            EXPECT_EQ(dark_right, -1) << c.value;
            continue;
        }
        EXPECT_GE(dark_right, label_right + dx) << c.value;
        EXPECT_LE(dark_right, label_right + dx + 1) << c.value;
        EXPECT_GE(dark_bottom, label_bottom + dy) << c.value;
        EXPECT_LE(dark_bottom, label_bottom + dy + 1) << c.value;
    }
}

TEST_F(Fields, CellsOutOfRangeOrBeyondTheStripAreHarmless) {
    const std::string before = snapshot(ID_RESISTENZA);
    for (const auto& [v, p] : {std::pair{-1, 1}, {12, 1}, {255, 2}, {3, 9}, {3, 100000}}) {
        RIAGGIOR(v, p);
        EXPECT_EQ(snapshot(ID_RESISTENZA), before) << v << " at " << p;
    }
    // Cell 8 of a 300-wide strip with side 40 is cut at the edge.
    RIAGGIOR(1, 8);
    EXPECT_EQ(colour(snapshot(ID_RESISTENZA), 299, 5), 0x000080u);
}

} // namespace

// ---------------------------------------------------------------- rewrites

// What field `id` shows after one write on a fresh copy of the dialog: same
// background pixels, same place and size, never written before.
std::string fresh_write(int32_t id, const char* alignment, const std::string& text,
                        calc::Series series) {
    surface::select_target(dialogo, ID_SFONDO, surface::Display::Deferred);
    const std::string background = surface::get_pixels();
    const surface::Point at = surface::control_pos(dialogo, id);
    const surface::Size size = surface::control_size(dialogo, id);
    const surface::Handle copy = surface::create_dialog(0, "", 0, 0, kW, kH, 0, 0);
    surface::add_control(copy, ID_SFONDO, "", 0, 0, kW, kH, 0, 0);
    surface::add_control(copy, id, "", at.x, at.y, size.w, size.h, surface::SS_NOTIFY, 0);
    surface::select_target(copy, ID_SFONDO, surface::Display::Deferred);
    surface::set_pixels(background);
    NG_SCRIV(copy, ID_SFONDO, id, alignment, text, series);
    surface::select_target(copy, id, surface::Display::Deferred);
    return surface::get_pixels();
}

TEST_F(Fields, RewriteShowsWhateverChangedSinceTheLastWrite) {
    constexpr int32_t id = ID_RIGA_1 + 1;
    const std::string text = "4.7 kOhm";
    struct Case {
        const char* what;
        std::function<void()> change;
        const char* alignment;
        bool same_look; // the field must look as it did before
        calc::Series series = calc::Series::None;
    } cases[] = {
        {"nothing", [] {}, "sinistra", true},
        {"background drawn on under the field",
         [] {
             surface::select_target(dialogo, ID_SFONDO, surface::Display::Deferred);
             surface::box(20, 120, 200, 160, 0, 0x00FF00, 0x00FF00);
         },
         "sinistra", false},
        {"background drawn on elsewhere",
         [] {
             surface::select_target(dialogo, ID_SFONDO, surface::Display::Deferred);
             surface::box(0, 0, 5, 5, 0, 0x00FF00, 0x00FF00);
         },
         "sinistra", true},
        {"field drawn on",
         [] {
             surface::select_target(dialogo, id, surface::Display::Direct);
             surface::box(5, 5, 60, 30, 0, 0xFF00FF, 0xFF00FF);
         },
         "sinistra", true},
        {"field pixels changed through its image",
         [] {
             surface::select_target(dialogo, id, surface::Display::Deferred);
             surface::device_context()->fill(0xFF123456u);
         },
         "sinistra", true},
        {"text colour", [] { NG_BOTTONI[id].colore_testo_0 = 0x00FFFF; }, "sinistra", false},
        {"shadow colour", [] { NG_BOTTONI[id].colore_ombra = 0xFF0000; }, "sinistra", false},
        {"frame", [] { NG_BOTTONI[id].cornice = 1; }, "sinistra", false},
        {"font", [] { NG_BOTTONI[id].font = font_h26.handle; }, "sinistra", false},
        {"alignment", [] {}, "centro", false},
        {"standard-value mark", [] {}, "sinistra", false, calc::Series::E24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NG_BOTTONI[id].colore_testo_0 = 0xFFFFFF;
        NG_BOTTONI[id].colore_ombra = 0x0000FF;
        NG_BOTTONI[id].cornice = 0;
        NG_BOTTONI[id].font = font;
        QUICKADD(id, text);
        const std::string before = snapshot(id);
        c.change();
        NG_SCRIV(dialogo, ID_SFONDO, id, c.alignment, text, c.series);
        surface::select_target(dialogo, id, surface::Display::Deferred);
        const std::string shown = surface::get_pixels();
        EXPECT_EQ(shown, fresh_write(id, c.alignment, text, c.series));
        EXPECT_EQ(shown == before, c.same_look);
        EXPECT_EQ(accessible_name(id), text);
    }
}

TEST_F(Fields, UnchangedRewriteLeavesTheFieldAsADrawingWould) {
    constexpr int32_t id = ID_RIGA_1 + 2;
    QUICKADD(id, "1 MOhm");
    surface::select_target(dialogo, id, surface::Display::Deferred);
    const uint64_t version = surface::target_version();
    const surface::Point end = surface::get_pos();
    QUICKADD(id, " 1 MOhm ");
    surface::select_target(dialogo, id, surface::Display::Deferred);
    EXPECT_EQ(surface::target_version(), version) << "drawn again with nothing changed";
    EXPECT_EQ(surface::get_pos(), end);
    EXPECT_EQ(surface::selected_font(), 1);
}
