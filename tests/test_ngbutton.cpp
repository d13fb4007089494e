// Graphic buttons: the record's text fields, number reading and rounding, the
// picture cache's bounds, and the looks of colour, picture and black buttons
// with their corner labels, checked by their pixels.
#include "imaging/effects.h"
#include "ngbutton/ng_detail.h"
#include "ngbutton/ngbutton.h"
#include "surface/surface.h"
#include "test_ngbutton_support.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>

using namespace ngtest;

namespace {

constexpr int32_t red = 0x0000FF;
constexpr int32_t white = 0xFFFFFF;
constexpr int32_t blue = 0xFF0000;

TEST(ButtonRecord, TextFieldsAreCutAndReadTrimmed) {
    NG_BOTTONE r;
    r.testo_0 = std::string(130, 'a');
    EXPECT_EQ(r.testo_0.str(), std::string(128, 'a'));
    r.effetto_0 = "  effetto_scurisci_e_altro  ";
    EXPECT_EQ(r.effetto_0.str(), "effetto_scurisci_e"); // the leading blanks count
    r.etichetta = "  $c7 ";
    EXPECT_EQ(r.etichetta.str(), "$c7");
    r.immagine = "";
    EXPECT_TRUE(r.immagine.blank());
    r.testo_1 = "\tx\t"; // only the space character is trimmed
    EXPECT_EQ(r.testo_1.str(), "\tx\t");
}

TEST(ButtonNumbers, RoundingAndDivision) {
    struct Case {
        double v;
        int32_t want;
    };
    for (const Case& c : {Case{2.5, 2},
                          {3.5, 4},
                          {-2.5, -2},
                          {-3.5, -4},
                          {0.49, 0},
                          {1e20, INT_MAX},
                          {-1e20, INT_MIN},
                          {std::nan(""), 0}})
        EXPECT_EQ(ngbutton::round_even(c.v), c.want) << c.v;
    struct Div {
        double a, b;
        int32_t want;
    };
    for (const Div& d :
         {Div{7, 2, 3}, {-7, 2, -3}, {2.5, 2, 1}, {3.5, 2, 2}, {5, 0, 0}, {5, 0.4, 0}})
        EXPECT_EQ(ngbutton::int_div(d.a, d.b), d.want) << d.a << " \\ " << d.b;
}

TEST(ButtonNumbers, ColourTextIsReadAsALeadingNumber) {
    struct Case {
        const char* text;
        double want;
    };
    const Case cases[] = {
        {" 255", 255},  {"255", 255}, {"effetto_verde", 0}, {"", 0},    {"   ", 0},
        {"12.5", 12.5}, {"-3", -3},   {"+.5", 0.5},         {".", 0},   {"-", 0},
        {"1e3x", 1000}, {"7 8", 7},   {"0x10", 0},          {"1e", 1},  {"inf", 0},
        {"nan", 0},     {"\t5", 0},   {"1e-999", 0},        {"2,5", 2}, {"16711680", 16711680},
    };
    for (const Case& c : cases) EXPECT_EQ(ngbutton::read_number(c.text), c.want) << c.text;
    EXPECT_GT(ngbutton::read_number("1e999"), 1e300);
    EXPECT_EQ(ngbutton::round_even(ngbutton::read_number("1e999")), INT_MAX);
}

TEST(ButtonName, MarkersAndBreaksReadAsSingleBlanks) {
    struct Case {
        const char* caption;
        const char* name;
    };
    const Case cases[] = {
        {"RESISTENZA\r\n4 BANDE", "RESISTENZA 4 BANDE"},
        {"  A$$B_C+D\xB0"
         "E  ",
         "A B C D E"},
        {"FINE", "FINE"},
        {"$", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ngbutton::accessible_name(c.caption), c.name);
}

TEST(PictureCache, IndexesOutsideItAreEmptyAndCannotBeFilled) {
    NG_IMMAGINI.clear();
    EXPECT_EQ(ngbutton::cache_entry(0, 0), nullptr); // tables not created yet
    NG_CREA_TABELLE();
    EXPECT_EQ(NG_BOTTONI.size(), 10001u);
    EXPECT_EQ(NG_IMMAGINI.size(), 1001u);
    EXPECT_NE(ngbutton::cache_entry(0, 0), nullptr);
    EXPECT_NE(ngbutton::cache_entry(1000, 1), nullptr);
    for (auto [i, s] : {std::pair{-1, 0}, {1001, 0}, {10000, 1}, {5, 2}, {5, -1}, {INT_MIN, 0}})
        EXPECT_EQ(ngbutton::cache_entry(i, s), nullptr) << i << "," << s;
}

// A dialog with a background control 340 holding a gradient in which every
// pixel near the buttons has its own colour.
class Buttons : public ::testing::Test {
  protected:
    static constexpr int32_t W = 320, H = 240;

    void SetUp() override {
        surface::reset_all();
        NG_CREA_TABELLE();
        dialog = surface::create_dialog(0, "buttons", 0, 0, W, H, 0, 0);
        ASSERT_NE(dialog, 0);
        ASSERT_NE(surface::add_control(dialog, 340, "", 0, 0, W, H, 0, 0), 0);
        background = make_snapshot(W, H);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                put_colour(background, x, y,
                           (x & 0xFF) | ((y & 0xFF) << 8) | (((x + 2 * y) & 0xFF) << 16));
        surface::select_target(dialog, 340, surface::Display::Direct);
        surface::set_pixels(background);
    }
    void TearDown() override { surface::reset_all(); }

    static NG_BOTTONE button(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
        NG_BOTTONE r;
        r.indice = id;
        r.x = x;
        r.y = y;
        r.larghezza = w;
        r.altezza = h;
        r.colore_testo_0 = white;
        r.colore_testo_1 = white;
        return r;
    }
    std::string face(int32_t id) {
        surface::select_target(dialog, id, surface::Display::Deferred);
        return surface::get_pixels();
    }
    std::string under(const NG_BOTTONE& r) {
        return crop(background, r.x, r.y, r.larghezza, r.altezza);
    }
    static std::string effect(std::string snap, const std::string& name) {
        const float level = 0.0f;
        return NG_LI_EF(snap, name, level);
    }
    void define(NG_BOTTONE& r) {
        const int32_t bg = 340, id = r.indice;
        NG_DEF_B(dialog, bg, id, r);
    }
    void paint(NG_BOTTONE& r) {
        const int32_t bg = 340, id = r.indice;
        NG_DISEG(dialog, bg, id, r);
    }

    surface::Handle dialog = 0;
    std::string background;
};

TEST_F(Buttons, ColourButtonShowsItsColourAtRestAndTheDarkenedBackgroundWhenPressed) {
    NG_BOTTONE r = button(601, 37, 21, 60, 50);
    r.effetto_0 = " 255";
    r.effetto_1 = "effetto_scurisci";
    r.trasparente = 1;
    define(r);
    EXPECT_EQ(r.stato, 0);
    EXPECT_TRUE(all_of_colour(face(601), red));
    paint(r);
    EXPECT_EQ(r.stato, 1);
    const std::string pressed = face(601);
    EXPECT_TRUE(same_colours(pressed, effect(under(r), "effetto_scurisci")))
        << count_differences(pressed, effect(under(r), "effetto_scurisci"));
    paint(r);
    EXPECT_EQ(r.stato, 0);
    EXPECT_TRUE(all_of_colour(face(601), red));
    // A see-through button without a picture never fills the cache.
    EXPECT_TRUE(NG_IMMAGINI[601][0].empty());
    EXPECT_TRUE(NG_IMMAGINI[601][1].empty());
}

TEST_F(Buttons, RestingLookOfASeeThroughButtonFollowsItsFirstEffectText) {
    struct Case {
        const char* effetto_0;
        const char* applied; // effect expected on the background, "" for none
        int32_t fill;        // -1: no solid colour
    };
    const Case cases[] = {
        {"0", "", -1},
        {"effetto_verde", "effetto_verde", -1},
        {"  65280", "", 0x00FF00},
        {"16711680.5", "", 0xFF0000}, // halves go to the even neighbour
        {"16711679.5", "", 0xFF0000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effetto_0);
        surface::reset_all();
        SetUp();
        NG_BOTTONE r = button(602, 101, 60, 41, 33);
        r.effetto_0 = c.effetto_0;
        r.effetto_1 = "effetto_rosso";
        r.trasparente = 1;
        define(r);
        const std::string got = face(602);
        if (c.fill >= 0) {
            EXPECT_TRUE(all_of_colour(got, c.fill));
        } else {
            EXPECT_TRUE(same_colours(got, effect(under(r), c.applied)));
        }
    }
}

TEST_F(Buttons, BlackButtonWithoutPictureOrBackground) {
    NG_BOTTONE r = button(610, 5, 5, 30, 20);
    define(r);
    EXPECT_TRUE(all_of_colour(face(610), 0));
    r.effetto_0 = "255";
    paint(r);
    EXPECT_TRUE(all_of_colour(face(610), 0)); // state 1 takes no fill
    paint(r);
    EXPECT_TRUE(all_of_colour(face(610), red));
}

class PictureButtons : public Buttons {
  protected:
    void SetUp() override {
        Buttons::SetUp();
        ASSERT_TRUE(dir.isValid());
        QImage img(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                img.setPixel(x, y, qRgb(40 + 5 * x, 200 - 6 * y, (x * y) & 0xFF));
        file = QDir(dir.path()).filePath("picture.png").toLocal8Bit().toStdString();
        ASSERT_TRUE(img.save(QString::fromLocal8Bit(file.c_str())));
    }
    QTemporaryDir dir;
    std::string file;
};

TEST_F(PictureButtons, BothCacheEntriesAreFilledAndShownByState) {
    NG_BOTTONE r = button(530, 20, 100, 80, 60);
    r.immagine = file;
    r.effetto_0 = "effetto_verde";
    r.effetto_1 = "effetto_rosso";
    r.trasparente = 1; // the picture takes precedence over the background
    define(r);
    const std::string plain = NG_IMMAGINI[530][1];
    const std::string tinted = NG_IMMAGINI[530][0];
    ASSERT_FALSE(plain.empty());
    ASSERT_FALSE(tinted.empty());
    EXPECT_EQ(snap_w(plain), 80);
    EXPECT_EQ(snap_h(plain), 60);
    EXPECT_FALSE(same_colours(plain, tinted));
    EXPECT_TRUE(same_colours(tinted, effect(plain, "effetto_verde")));
    EXPECT_FALSE(same_colours(plain, under(r)));
    EXPECT_TRUE(same_colours(face(530), tinted));
    paint(r);
    EXPECT_TRUE(same_colours(face(530), plain));
    paint(r);
    EXPECT_TRUE(same_colours(face(530), tinted));
    // Later paints read the cache and never replace it.
    EXPECT_EQ(NG_IMMAGINI[530][1], plain);
    EXPECT_EQ(NG_IMMAGINI[530][0], tinted);
}

TEST_F(PictureButtons, ColourNumberReplacesTheRestingPicture) {
    NG_BOTTONE r = button(531, 20, 100, 50, 40);
    r.immagine = file;
    r.effetto_0 = " 255";
    define(r);
    EXPECT_TRUE(all_of_colour(face(531), red));
    EXPECT_TRUE(same_colours(NG_IMMAGINI[531][0], NG_IMMAGINI[531][1])); // no effect applied
    paint(r);
    EXPECT_TRUE(same_colours(face(531), NG_IMMAGINI[531][1]));
}

TEST_F(PictureButtons, MissingPictureOrIndexOutsideTheCache) {
    // A picture button beyond the cache draws like one without a picture.
    NG_BOTTONE far = button(5000, 10, 10, 30, 20);
    far.immagine = file;
    define(far);
    EXPECT_EQ(far.stato, 0);
    EXPECT_EQ(NG_IMMAGINI.size(), 1001u);
    EXPECT_TRUE(all_of_colour(face(5000), 0));

    // Without the tables nothing is read or written either.
    NG_IMMAGINI.clear();
    NG_BOTTONE early = button(12, 50, 10, 30, 20);
    early.immagine = file;
    early.effetto_0 = " 255";
    define(early);
    EXPECT_TRUE(NG_IMMAGINI.empty());
    EXPECT_TRUE(all_of_colour(face(12), red));
    NG_CREA_TABELLE();

    // A file that does not exist stores whatever the face showed.
    NG_BOTTONE gone = button(14, 90, 10, 30, 20);
    gone.immagine = file + ".missing";
    define(gone);
    EXPECT_FALSE(NG_IMMAGINI[14][0].empty());
    EXPECT_FALSE(NG_IMMAGINI[14][1].empty());
    EXPECT_TRUE(all_of_colour(face(14), 0));
}

TEST_F(Buttons, CornerLabelPlacement) {
    struct Case {
        const char* label;
        int32_t shadow;
        int32_t width;
        const char* drawn;
        bool centred;
    };
    const Case cases[] = {
        {"7", 0, 60, "7", false},           {"7", -1, 60, "7", false},
        {"7", blue, 60, "7", false},        {"$c7", blue, 60, "7", true},
        {"$c7", blue, 61, "7", true},       {"$C7", -1, 60, "7", true},
        {" $c1$C2 ", blue, 70, "12", true}, {"$c", blue, 40, "", true},
    };
    int32_t id = 700;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " shadow " + std::to_string(c.shadow) + " width " +
                     std::to_string(c.width));
        NG_BOTTONE r = button(++id, 10, 150, c.width, 30);
        r.effetto_0 = " 255";
        r.etichetta = c.label;
        r.colore_etichetta = white;
        r.ombra_etichetta = c.shadow;
        define(r);
        const std::string got = face(id);

        const surface::Handle bmp = surface::new_bitmap(c.width, 30);
        surface::select_target(bmp, 0, surface::Display::Deferred);
        surface::clear(red);
        const surface::Handle font = surface::create_font("pragmatapro", 10, 0, 0);
        surface::select_font(font);
        int32_t lx = 4, sx = 5;
        if (c.centred) {
            const double half = (c.width - surface::text_size(c.drawn).w) / 2.0;
            sx = static_cast<int32_t>(std::nearbyint(half));
            lx = static_cast<int32_t>(std::nearbyint(half - 1.0));
        }
        if (c.shadow >= 0) {
            surface::set_colours(c.shadow, -2);
            surface::set_pos(sx, 1);
            surface::print(c.drawn);
        }
        surface::set_colours(white, -2);
        surface::set_pos(lx, 0);
        surface::print(c.drawn);
        const std::string want = surface::get_pixels();
        surface::delete_font(font);
        surface::end_bitmap();
        EXPECT_TRUE(same_colours(got, want)) << count_differences(got, want) << " pixels differ";
        if (*c.drawn != '\0') {
            EXPECT_FALSE(ink_box(got, [](int32_t col) { return col == white; }).empty());
        }
        // Apart, the label and its shadow both show (centred on a half pixel
        // they round to the same column and the label hides most of it).
        if (*c.drawn != '\0' && sx != lx) {
            EXPECT_EQ(ink_box(got, [](int32_t col) { return col == blue; }).empty(),
                      c.shadow != blue);
        }
    }
}

TEST_F(Buttons, ScreenReadersSeeAPushButtonNamedByItsRestingCaption) {
    NG_BOTTONE r = button(700, 10, 10, 200, 40);
    r.testo_0 = "RESISTENZA\r\n4 BANDE";
    r.testo_1 = "altro";
    define(r);
    QAccessibleInterface* found = nullptr;
    for (QWidget* w : QApplication::allWidgets()) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (iface != nullptr && iface->text(QAccessible::Name) == "RESISTENZA 4 BANDE")
            found = iface;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->role(), QAccessible::Button);
}

} // namespace
