// The see-through face: the overlay pass on its own, then NG_MEM_S on a small
// dialog whose background control holds a pattern, checked pixel by pixel.
#include "ngbutton/see_through.h"
#include "support.h"
#include "surface/surface.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr auto snapshot = &testsupport::make_snapshot;

uint32_t pixel(const std::string& s, std::size_t k) {
    uint32_t p;
    std::memcpy(&p, s.data() + 8 + 4 * k, 4);
    return p;
}

constexpr uint32_t K = 0xFF00FF00u; // a key colour

TEST(Overlay, CopiesWhatDiffersFromTheKey) {
    struct Case {
        const char* what;
        std::string face, picture, want;
    };
    const std::vector<uint32_t> face{1, 2, 3, 4, 5, 6};
    const Case cases[] = {
        {"key pixels keep the face", snapshot(3, 2, face),
         snapshot(3, 2, {K, 0xFF112233u, K, K, 0xFF000000u, K}),
         snapshot(3, 2, {1, 0xFF112233u, 3, 4, 0xFF000000u, 6})},
        {"a reserved-byte difference counts", snapshot(2, 1, {7, 8}),
         snapshot(2, 1, {K, K & 0x00FFFFFFu}), snapshot(2, 1, {7, K & 0x00FFFFFFu})},
        {"all key", snapshot(3, 2, face), snapshot(3, 2, std::vector<uint32_t>(6, K)),
         snapshot(3, 2, face)},
        {"other size", snapshot(3, 2, face), snapshot(2, 2, {K, 9, 9, 9}), snapshot(3, 2, face)},
        {"empty picture", snapshot(3, 2, face), "", snapshot(3, 2, face)},
        {"no pixels", snapshot(0, 0, {}), snapshot(0, 0, {}), snapshot(0, 0, {})},
        {"nothing at all", "", "", ""},
    };
    for (const Case& c : cases) {
        std::string f = c.face;
        overlay_non_key(f, c.picture);
        EXPECT_EQ(f, c.want) << c.what;
    }
}

TEST(Overlay, LongRunsAndRaggedEnds) {
    // Enough pixels for the wide loop plus a tail; every fifth is the key.
    for (const std::size_t n : {7u, 8u, 9u, 67u}) {
        std::vector<uint32_t> face(n), pic(n), want(n);
        for (std::size_t k = 0; k < n; ++k) {
            face[k] = 0xFF000000u | uint32_t(k);
            pic[k] = k % 5 == 0 ? K : 0xFF100000u + uint32_t(k);
            want[k] = k % 5 == 0 ? face[k] : pic[k];
        }
        std::string f = snapshot(int32_t(n), 1, face);
        overlay_non_key(f, snapshot(int32_t(n), 1, pic));
        EXPECT_EQ(f, snapshot(int32_t(n), 1, want)) << n << " pixels";
    }
}

// ------------------------------------------------------------------ NG_MEM_S

constexpr int32_t kDialogW = 160, kDialogH = 100;
constexpr int32_t kBackground = 340, kButton = 605;
constexpr int32_t kX = 30, kY = 20, kW = 40, kH = 24;
constexpr uint32_t kGrey = 0x808080u;

// Background colour at a dialog position, as 0x00RRGGBB.
uint32_t background(int32_t x, int32_t y) {
    return 0x400000u | uint32_t((y * 5) & 0xFF) << 8 | uint32_t((x * 7) & 0xFF);
}

uint32_t rgb(uint32_t p) {
    return p & 0x00FFFFFFu;
}

class Face : public ::testing::Test {
  protected:
    void SetUp() override {
        surface::reset_all();
        testsupport::dialog_over_pattern(dialog, kDialogW, kDialogH, [](int32_t x, int32_t y) {
            return 0xFF000000u | background(x, y);
        });
        surface::add_control(dialog, kButton, "", kX, kY, kW, kH, 0, 0);
        surface::select_target(dialog, kButton, surface::Display::Direct);
        surface::clear(0x0000FF);
        surface::select_target(dialog, kButton, surface::Display::Deferred);
    }
    void TearDown() override { surface::reset_all(); }

    // A picture layer of the button's size: all key except a small red block.
    static std::string picture() {
        std::vector<uint32_t> p(kW * kH, K);
        for (int32_t y = 5; y < 8; ++y)
            for (int32_t x = 10; x < 14; ++x) p[y * kW + x] = 0xFFFF0000u;
        return snapshot(kW, kH, p);
    }
    static bool in_block(int32_t x, int32_t y) { return y >= 5 && y < 8 && x >= 10 && x < 14; }

    std::string compose(const NG_BOTTONE& record, const std::string& pic) {
        std::string s = NG_MEM_S(dialog, kBackground, pic, kButton, record);
        EXPECT_EQ(surface::current_target(), surface::control_handle(dialog, kButton));
        // What the button shows is the returned face.
        const std::string shown = surface::get_pixels();
        EXPECT_EQ(shown.size(), s.size());
        for (std::size_t k = 0; k < std::size_t(kW * kH) && shown.size() == s.size(); ++k)
            if (rgb(pixel(shown, k)) != rgb(pixel(s, k))) {
                ADD_FAILURE() << "shown pixel " << k << " differs from the returned face";
                break;
            }
        return s;
    }

    surface::Handle dialog = 0;
};

uint32_t at(const std::string& s, int32_t x, int32_t y) {
    return rgb(pixel(s, std::size_t(y * kW + x)));
}

TEST_F(Face, FrameEffectAndPictureSize) {
    struct Case {
        const char* what;
        int32_t stato;
        const char* effetto_0;
        const char* effetto_1;
        int32_t cornice;
        bool same_size_picture;
    };
    const Case cases[] = {
        {"frame 3", 0, "", "", 3, true},
        {"no frame", 0, "", "", 0, true},
        {"negative frame", 0, "", "", -2, true},
        {"other-size picture", 0, "", "", 0, false},
        {"green in state 0", 0, " effetto_verde", "", 1, true},
        {"state 1, blank effect", 1, "effetto_verde", "   ", 0, true},
        {"state 1 effect", 1, "", "effetto_xxx", 0, false},
    };
    for (const Case& c : cases) {
        NG_BOTTONE r;
        r.stato = c.stato;
        r.effetto_0 = c.effetto_0;
        r.effetto_1 = c.effetto_1;
        r.cornice = c.cornice;
        const std::string pic =
            c.same_size_picture
                ? picture()
                : snapshot(kW - 1, kH, std::vector<uint32_t>(kW * kH - kH, 0xFFFF0000u));
        const std::string s = compose(r, pic);
        ASSERT_EQ(s.substr(0, 8), snapshot(kW, kH, {})) << c.what;
        ASSERT_EQ(s.size(), std::size_t(8 + 4 * kW * kH)) << c.what;
        const std::string effect = c.stato == 0 ? r.effetto_0.str() : r.effetto_1.str();
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const bool frame =
                    c.cornice > 0 && (x < c.cornice || y < c.cornice || x >= kW - c.cornice + 1 ||
                                      y >= kH - c.cornice + 1);
                uint32_t want = background(kX + x, kY + y);
                if (frame) want = kGrey;
                if (c.same_size_picture && in_block(x, y)) want = 0xFF0000u;
                if (effect == "effetto_verde") {
                    const uint32_t sum = (want >> 16) + ((want >> 8) & 0xFF) + (want & 0xFF);
                    want = ((sum + 1) / 3) << 8;
                } else if (effect == "effetto_xxx") {
                    want = (want & 0xFF00FFu) | 0x7F00u;
                }
                ASSERT_EQ(at(s, x, y), want) << c.what << " at " << x << "," << y;
            }
    }
}

TEST_F(Face, PenWidthIsOneAgainAfterTheFrame) {
    NG_BOTTONE r;
    r.cornice = 3;
    compose(r, picture());
    surface::box(5, 5, 15, 15, 0, 0x0000FF, -2);
    const std::string s = surface::get_pixels();
    EXPECT_EQ(at(s, 5, 10), 0xFF0000u);
    EXPECT_NE(at(s, 6, 10), 0xFF0000u);
}

} // namespace
