// Graphic buttons: number reading and rounding, the button table, and the
// looks of colour, picture and black buttons with their corner labels,
// checked by their pixels.
#include "imaging/effects.h"
#include "ngbutton/ng_detail.h"
#include "ngbutton/ngbutton.h"
#include "support.h"
#include "surface/surface.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr int32_t red = 0x0000FF, white = 0xFFFFFF, blue = 0xFF0000;

TEST(ButtonNumbers, RoundingDivisionAndColourText) {
    for (auto [v, want] :
         {std::pair{2.5, 2}, {3.5, 4}, {-2.5, -2}, {1e20, INT_MAX}, {-1e20, INT_MIN}})
        EXPECT_EQ(base::round_even(v), want) << v;
    EXPECT_EQ(base::round_even(std::nan("")), 0);
    for (auto [a, b, want] :
         {std::tuple{7.0, 2.0, 3}, {-7.0, 2.0, -3}, {2.5, 2.0, 1}, {3.5, 2.0, 2}, {5.0, 0.4, 0}})
        EXPECT_EQ(ngbutton::int_div(a, b), want) << a << " \\ " << b;
    const std::pair<const char*, double> texts[] = {
        {" 255", 255}, {"effetto_verde", 0}, {"", 0},     {"12.5", 12.5}, {"-3", -3}, {"+.5", 0.5},
        {".", 0},      {"1e3x", 1000},       {"0x10", 0}, {"inf", 0},     {"\t5", 0}, {"1e-999", 0},
        {"2,5", 2}};
    for (const auto& [text, want] : texts) EXPECT_EQ(ngbutton::read_number(text), want) << text;
    EXPECT_EQ(base::round_even(ngbutton::read_number("1e999")), INT_MAX);
}

TEST(ButtonTable, RecordsReadZeroedKeepTheirPlaceAndAreResetByCreation) {
    NG_CREA_TABELLE();
    for (std::size_t i : {std::size_t{0}, std::size_t{699}, std::size_t{10000}}) {
        const NG_BOTTONE& r = NG_BOTTONI[i];
        EXPECT_EQ(r.indice, 0);
        EXPECT_EQ(r.font, 0);
        EXPECT_TRUE(r.testo_0.blank());
        EXPECT_TRUE(r.effetto_1.blank());
    }
    NG_BOTTONE& fine = NG_BOTTONI[530];
    fine.indice = 530;
    fine.testo_0 = "FINE";
    // Using other records does not move or change this one.
    for (std::size_t i = 0; i < NG_BOTTONI.size(); i += 97) NG_BOTTONI[i].stato = 1;
    EXPECT_EQ(&NG_BOTTONI[530], &fine);
    EXPECT_EQ(NG_BOTTONI[530].testo_0.str(), "FINE");
    NG_CREA_TABELLE();
    EXPECT_EQ(NG_BOTTONI[530].indice, 0);
    EXPECT_EQ(NG_BOTTONI[97].stato, 0);
}

// A dialog whose background control 340 holds a gradient in which every pixel
// near the buttons has its own colour.
class Buttons : public ::testing::Test {
  protected:
    static constexpr int32_t W = 320, H = 240;
    void SetUp() override {
        surface::reset_all();
        NG_CREA_TABELLE();
        background = testsupport::dialog_over_pattern(dialog, W, H, [](uint32_t x, uint32_t y) {
            return 0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x + 2 * y) & 0xFF);
        });
    }
    void TearDown() override { surface::reset_all(); }

    static NG_BOTTONE button(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
        NG_BOTTONE r;
        r.indice = id;
        r.x = x;
        r.y = y;
        r.larghezza = w;
        r.altezza = h;
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

TEST_F(Buttons, ColourButtonIsSolidAtRestAndDarkenedBackgroundWhenPressed) {
    NG_BOTTONE r = button(601, 37, 21, 60, 50);
    r.effetto_0 = " 255";
    r.effetto_1 = "effetto_scurisci";
    r.trasparente = 1;
    define(r);
    EXPECT_EQ(r.stato, 0);
    EXPECT_TRUE(all_of_colour(face(601), red));
    paint(r);
    EXPECT_EQ(r.stato, 1);
    EXPECT_EQ(differences(face(601), effect(under(r), "effetto_scurisci")), 0);
    paint(r);
    EXPECT_TRUE(all_of_colour(face(601), red));
    EXPECT_TRUE(NG_IMMAGINI[601][0].empty() && NG_IMMAGINI[601][1].empty());
}

TEST_F(Buttons, RestingLookFollowsTheFirstEffectText) {
    struct Case {
        const char* effetto_0;
        int32_t see_through;
        const char* applied; // effect expected on the background
        int32_t fill;        // solid colour, -1 for none
    };
    const Case cases[] = {
        {"0", 1, "", -1},
        {"effetto_verde", 1, "effetto_verde", -1},
        {"  65280", 1, "", 0x00FF00},
        {"16711679.5", 1, "", 0xFF0000}, // halves to even
        {"", 0, "", 0},
        {"255", 0, "", red},
    };
    int32_t id = 600;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effetto_0);
        NG_BOTTONE r = button(++id, 101, 60, 41, 33);
        r.effetto_0 = c.effetto_0;
        r.effetto_1 = "effetto_rosso";
        r.trasparente = c.see_through;
        define(r);
        if (c.fill >= 0) {
            EXPECT_TRUE(all_of_colour(face(id), c.fill));
        } else {
            EXPECT_EQ(differences(face(id), effect(under(r), c.applied)), 0);
        }
        if (c.see_through == 0) {
            paint(r); // the alternate look of a black button stays black
            EXPECT_TRUE(all_of_colour(face(id), 0));
        }
    }
}

class PictureButtons : public Buttons {
  protected:
    void SetUp() override {
        Buttons::SetUp();
        QImage img(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                img.setPixel(x, y, qRgb(40 + 5 * x, 200 - 6 * y, x * y & 0xFF));
        file = QDir(dir.path()).filePath("picture.png").toLocal8Bit().toStdString();
        ASSERT_TRUE(img.save(QString::fromLocal8Bit(file.c_str())));
    }
    QTemporaryDir dir;
    std::string file;
};

TEST_F(PictureButtons, RestingPictureTintedAlternatePlainBothCached) {
    NG_BOTTONE r = button(530, 20, 100, 80, 60);
    r.immagine = file;
    r.effetto_0 = "effetto_verde";
    r.effetto_1 = "effetto_rosso";
    r.trasparente = 1; // a cached picture takes precedence over the background
    define(r);
    const std::string plain = NG_IMMAGINI[530][1], tinted = NG_IMMAGINI[530][0];
    ASSERT_EQ(header(plain, 0), 80);
    EXPECT_NE(differences(plain, under(r)), 0);
    EXPECT_NE(differences(plain, tinted), 0);
    EXPECT_EQ(differences(tinted, effect(plain, "effetto_verde")), 0);
    EXPECT_EQ(differences(face(530), tinted), 0);
    paint(r);
    EXPECT_EQ(differences(face(530), plain), 0);
    paint(r);
    EXPECT_EQ(differences(face(530), tinted), 0);
    EXPECT_TRUE(NG_IMMAGINI[530][1] == plain && NG_IMMAGINI[530][0] == tinted);

    // A colour number replaces the resting picture and tints nothing.
    NG_BOTTONE c = button(531, 120, 100, 50, 40);
    c.immagine = file;
    c.effetto_0 = " 255";
    define(c);
    EXPECT_TRUE(all_of_colour(face(531), red));
    EXPECT_EQ(differences(NG_IMMAGINI[531][0], NG_IMMAGINI[531][1]), 0);
}

// Ids above 1000 have no picture cache: such a button draws nothing.
TEST_F(PictureButtons, IndexOutsideTheCacheOrNoTables) {
    NG_BOTTONE far = button(1500, 10, 10, 30, 20);
    far.immagine = file;
    define(far);
    paint(far);
    EXPECT_TRUE(all_of_colour(face(1500), 0));

    NG_IMMAGINI.clear();
    NG_BOTTONE early = button(12, 50, 10, 30, 20);
    early.immagine = file;
    early.effetto_0 = " 255";
    define(early);
    EXPECT_TRUE(NG_IMMAGINI.empty());
    EXPECT_TRUE(all_of_colour(face(12), red));
}

// Bounding box of the pixels that are not red.
QRect ink_of(const std::string& s) {
    QRect box;
    for (int32_t y = 0; y < header(s, 4); ++y)
        for (int32_t x = 0; x < header(s, 0); ++x)
            if (colour_at(s, x, y) != red) box |= QRect(x, y, 1, 1);
    return box;
}

// A corner label: its shadow one pixel down and right (a centred one at
// half a pixel: both positions round halves to even), at the left edge unless
// "$c" or "$C" centres it; the markers themselves are not drawn.
TEST_F(Buttons, CornerLabelPlacement) {
    struct Case {
        const char* label;
        int32_t shadow, width;
        bool centred;
        const char* same_as; // a label drawn alike, or nullptr
        int32_t shadow_dx;
    };
    const Case cases[] = {
        {"7", 0, 60, false, nullptr, 1},     {"7", blue, 60, false, nullptr, 1},
        {"$c7", blue, 60, true, nullptr, 1}, {"$c7", blue, 61, true, nullptr, 0},
        {"$C7", 0, 60, true, "$c7", 1},      {" $c1$C2 ", blue, 70, true, "$c12", 1},
        {"$c", blue, 40, true, "", 1},
    };
    int32_t id = 700;
    auto label_face = [&](const char* label, int32_t shadow, int32_t width) {
        NG_BOTTONE r = button(++id, 10, 150, width, 30);
        r.effetto_0 = " 255";
        r.etichetta = label;
        r.colore_etichetta = white;
        r.ombra_etichetta = shadow;
        define(r);
        return face(id);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " " + std::to_string(c.width));
        const std::string shown = label_face(c.label, c.shadow, c.width);
        const QRect bare = ink_of(label_face(c.label, -1, c.width));
        EXPECT_EQ(ink_of(shown), bare.isEmpty() ? bare : bare.adjusted(0, 0, c.shadow_dx, 1));
        if (c.same_as != nullptr) {
            EXPECT_EQ(differences(shown, label_face(c.same_as, c.shadow, c.width)), 0);
        }
        if (bare.isEmpty()) continue;
        const int32_t left = bare.left(), right = c.width - 1 - bare.right();
        if (c.centred) {
            EXPECT_LE(std::abs(left - right + 1), 2) << left << " " << right;
        } else {
            EXPECT_TRUE(left >= 4 && left <= 5) << left;
        }
    }
}

} // namespace
