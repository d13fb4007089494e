// The main dialog's layout: rectangles from single-precision arithmetic,
// record contents, and the controls the window-making walk really creates.
#include "app/layout.h"
#include "ngbutton/ngbutton.h"
#include "surface/surface.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

struct Rect {
    int32_t x, y, w, h;
    bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << '(' << r.x << ", " << r.y << ") " << r.w << 'x' << r.h;
}

std::map<int32_t, Rect> rects_of(const std::vector<layout::Item>& items) {
    std::map<int32_t, Rect> m;
    for (const auto& it : items) m[it.id] = Rect{it.x, it.y, it.w, it.h};
    return m;
}

class Layout : public ::testing::Test {
  protected:
    void SetUp() override {
        RIEMPI_COLORI();
        // Distinct handles, so that a record carrying the wrong slot shows.
        font_h26.handle = 26;
        font_44.handle = 44;
        font_h28.handle = 28;
        font_h60.handle = 60;
    }
    void TearDown() override {
        font_h26.handle = font_44.handle = font_h28.handle = font_h60.handle = 0;
    }
};

// The rectangles of both the arithmetic and the window-making walk, against
// literal figures, at two sizes.
TEST_F(Layout, ControlsWhereTheArithmeticPutsThem) {
    std::map<int32_t, Rect> small = {
        {340, {0, 0, 1024, 700}},  {245, {10, 10, 1004, 56}}, {699, {10, 149, 83, 83}},
        {700, {94, 149, 920, 83}}, {530, {10, 620, 501, 70}}, {540, {512, 620, 501, 70}},
    };
    const int32_t xs[] = {10, 94, 178, 261, 345, 429, 512, 596, 680, 764, 848, 931};
    for (int32_t i = 0; i < 12; ++i) small[601 + i] = {xs[i], 66, 83, 83};
    const int32_t ys[] = {232, 303, 374, 445, 516};
    for (int32_t i = 0; i < 5; ++i) small[901 + i] = {10, ys[i], 1004, 70};
    const std::map<int32_t, Rect> large = {
        {601, {10, 93, 157, 157}},    {602, {168, 93, 157, 157}},  {603, {327, 93, 157, 157}},
        {604, {485, 93, 157, 157}},   {245, {10, 10, 1900, 83}},   {699, {10, 251, 118, 118}},
        {700, {129, 251, 1781, 118}}, {901, {10, 370, 1900, 104}}, {530, {10, 926, 949, 104}},
        {540, {960, 926, 949, 104}},
    };
    const struct {
        int32_t w, h;
        const std::map<int32_t, Rect>& want;
    } cases[] = {{1024, 700, small}, {1920, 1040, large}};

    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << 'x' << c.h);
        const auto items = layout::dialog_items(c.w, c.h);
        std::vector<int32_t> order, want_order = {340, 245};
        for (int32_t id = 601; id <= 612; ++id) want_order.push_back(id);
        want_order.insert(want_order.end(), {699, 700, 901, 902, 903, 904, 905, 530, 540});
        for (const auto& it : items) order.push_back(it.id);
        EXPECT_EQ(order, want_order);
        const auto got = rects_of(items);
        for (const auto& [id, r] : c.want) EXPECT_EQ(got.at(id), r) << "control " << id;

        surface::reset_all();
        NG_CREA_TABELLE();
        dialogo = surface::create_dialog(0, "", 0, 0, c.w, c.h, 0x80000000u, 0);
        ASSERT_NE(dialogo, 0);
        DEFINISC(dialogo, ID_SFONDO, c.w, c.h);
        for (const auto& [id, r] : c.want) {
            const surface::Point p = surface::control_pos(dialogo, id);
            const surface::Size s = surface::control_size(dialogo, id);
            EXPECT_EQ((Rect{p.x, p.y, s.w, s.h}), r) << "window of control " << id;
        }
        for (const auto& it : items) {
            if (it.kind != layout::Kind::Button) continue;
            // Painted twice, back at rest.
            EXPECT_EQ(NG_BOTTONI[static_cast<std::size_t>(it.id)].stato, 0) << it.id;
        }
        surface::reset_all();
        dialogo = 0;
    }
}

struct RecordCase {
    int32_t id;
    const char *testo_0, *testo_1, *effetto_0, *effetto_1, *etichetta;
    int32_t colore_testo_0, colore_ombra, font, cornice;
};

// Captions upper-cased, colours from the colour table, dark text on light
// colours, the font slot of each kind and the field frames.
TEST_F(Layout, RecordContents) {
    constexpr int32_t white = 0xFFFFFF;
    // clang-format off
    const RecordCase cases[] = {
        {700, "RESISTENZA\r\n4 BANDE", "", "effetto_verde", "effetto_rosso", "", white, 0, 28, 0},
        {530, "FINE", "Fine", "effetto_scurisci", "effetto_rosso", "", white, 0, 28, 0},
        {603, "rosso", "rosso", "255", "effetto_scurisci", "2", white, 0, 60, 1},
        {611, "argento", "argento", "12632256", "effetto_scurisci", "10", 0, white, 60, 1},
        {901, "", "", "", "", "", 0, 0x808080, 44, 1},
        {905, "", "", "", "", "", 0, 0xC0C0C0, 44, 1},
    };
    // clang-format on
    std::map<int32_t, layout::Item> items;
    for (const auto& it : layout::dialog_items(1024, 700)) items[it.id] = it;
    for (const auto& c : cases) {
        const layout::Item& it = items.at(c.id);
        const NG_BOTTONE& r = it.record;
        SCOPED_TRACE(c.id);
        if (it.kind == layout::Kind::Button) {
            EXPECT_EQ(r.indice, c.id);
            EXPECT_EQ((Rect{r.x, r.y, r.larghezza, r.altezza}), (Rect{it.x, it.y, it.w, it.h}));
            EXPECT_EQ(r.colore_testo_1, white);
            EXPECT_EQ(r.trasparente, 1);
        }
        EXPECT_EQ(r.testo_0.str(), c.testo_0);
        EXPECT_EQ(r.testo_1.str(), c.testo_1);
        EXPECT_EQ(r.effetto_0.str(), c.effetto_0);
        EXPECT_EQ(r.effetto_1.str(), c.effetto_1);
        EXPECT_EQ(r.etichetta.str(), c.etichetta);
        EXPECT_EQ(r.colore_testo_0, c.colore_testo_0);
        EXPECT_EQ(r.colore_ombra, c.colore_ombra);
        EXPECT_EQ(r.font, c.font);
        EXPECT_EQ(r.cornice, c.cornice);
    }
}

TEST_F(Layout, TinyAndHugeSizesAreKeptAsComputed) {
    // Negative widths are not corrected: the controls are created as computed.
    const auto tiny = rects_of(layout::dialog_items(15, 10));
    EXPECT_EQ(tiny.at(245), (Rect{10, 10, -5, 1}));
    EXPECT_EQ(tiny.at(601).w, -1);
    const auto huge = rects_of(layout::dialog_items(INT32_MAX, INT32_MAX));
    EXPECT_EQ(huge.at(340), (Rect{0, 0, INT32_MAX, INT32_MAX}));
}

} // namespace
