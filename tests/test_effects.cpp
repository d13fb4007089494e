// Colour effects: per-channel arithmetic and its rounding, position-dependent
// effects, name matching and hostile snapshots.
#include "imaging/effect_pixels.h"
#include "imaging/effects.h"
#include "support.h"
#include "surface/surface.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

uint32_t px(uint32_t r, uint32_t g, uint32_t b, uint32_t reserved = 0xA5) {
    return (reserved << 24) | (r << 16) | (g << 8) | b;
}

constexpr auto snapshot = &testsupport::make_snapshot;

std::vector<uint32_t> pixels_of(const std::string& s) {
    std::vector<uint32_t> out((s.size() - 8) / 4);
    if (!out.empty()) std::memcpy(out.data(), s.data() + 8, 4 * out.size());
    return out;
}

// Applies the effect and checks that the result is the caller's snapshot.
std::vector<uint32_t> run(int32_t w, int32_t h, const std::vector<uint32_t>& in,
                          const std::string& name, float livello = 0.0f) {
    std::string s = snapshot(w, h, in);
    const std::string result = NG_LI_EF(s, name, livello);
    EXPECT_EQ(result, s) << name;
    EXPECT_EQ(result.substr(0, 8), snapshot(w, h, {})) << name << ": header changed";
    return pixels_of(s);
}

struct ColourCase {
    const char* name;
    uint32_t in;
    uint32_t out;
};

// Effects that depend on the colour alone; the reserved byte varies and must
// come through untouched.
const ColourCase kColourCases[] = {
    {"effetto_verde", px(1, 0, 0), px(0, 0, 0)},
    {"effetto_verde", px(2, 0, 0), px(0, 1, 0)},
    {"effetto_verde", px(255, 255, 254, 0x00), px(0, 255, 0, 0x00)},
    {"effetto_blu", px(2, 0, 0, 0x13), px(0, 0, 1, 0x13)},
    {"effetto_blu", px(10, 20, 31), px(0, 0, 20)},
    {"effetto_rosso", px(255, 255, 254), px(255, 0, 0)},
    {"effetto_giallo", px(100, 50, 1), px(50, 50, 0)},
    {"effetto_giallino", px(100, 50, 2), px(51, 51, 100)},
    {"effetto_brr", px(10, 20, 30), px(30, 10, 10)},
    {"effetto_scurisci", px(1, 3, 5), px(0, 2, 2)},
    {"effetto_scurisci", px(255, 254, 2, 0xFF), px(128, 127, 1, 0xFF)},
    {"effetto_scurisci", px(7, 9, 0), px(4, 4, 0)},
    {"effetto_schiarisci", px(212, 212, 141), px(254, 254, 254)},
    {"effetto_schiarisci", px(213, 213, 142), px(255, 255, 255)},
    {"effetto_schiarisci", px(0, 5, 100, 0x00), px(0, 6, 180, 0x00)},
    {"effetto_schiarisci", px(255, 10, 1), px(255, 12, 2)},
    {"effetto_xxx", px(1, 2, 3), px(1, 127, 3)},
    {"effetto_psico", px(10, 1, 100), px(100, 255, 156)},
    {"effetto_psico", px(0, 0, 255, 0x42), px(255, 0, 1, 0x42)},
};

TEST(Effects, ColourOnlyEffects) {
    for (const ColourCase& c : kColourCases) {
        // One pixel, then many copies among neighbours, so that both a single
        // word and a long run of words are checked.
        EXPECT_EQ(run(1, 1, {c.in}, c.name), std::vector<uint32_t>{c.out}) << c.name;
        std::vector<uint32_t> in, want;
        for (int k = 0; k < 67; ++k) {
            const ColourCase& m = kColourCases[k % std::size(kColourCases)];
            const bool self = k % 3 == 0;
            in.push_back(self ? c.in : m.in);
            if (self)
                want.push_back(c.out);
            else
                want.push_back(run(1, 1, {m.in}, c.name)[0]);
        }
        EXPECT_EQ(run(67, 1, in, c.name), want) << c.name;
    }
}

TEST(Effects, PsicoUsesTheLevel) {
    // livello 75: new channel = round(2c * 25 / 100) = round(c / 2), halves to even.
    const auto out = run(3, 1, {px(0, 3, 5), px(0, 1, 2), px(9, 255, 0)}, "effetto_psico", 75.0f);
    EXPECT_EQ(out, (std::vector<uint32_t>{px(5, 2, 2), px(2, 0, 1), px(0, 128, 0)}));
    // livello 50 zeroes green and blue; red still takes the old blue.
    EXPECT_EQ(run(1, 1, {px(1, 2, 3)}, "effetto_psico", 50.0f), std::vector<uint32_t>{px(3, 0, 0)});
}

TEST(Effects, Xx1DoublesGreenAtRowEnds) {
    const uint32_t c = px(200, 200, 7);
    for (const int32_t w : {3, 2, 1}) {
        const auto out = run(w, 3, std::vector<uint32_t>(3 * w, c), "effetto_xx1");
        for (int i = 1; i <= 3 * w; ++i) {
            const uint32_t want = i % w == 0 ? px(200, 144, 7) : px(144, 200, 7);
            EXPECT_EQ(out[i - 1], want) << "width " << w << ", pixel " << i;
        }
    }
}

TEST(Effects, FadesAndXx4) {
    struct Case {
        const char* name;
        int32_t w, h;
        std::vector<uint32_t> in, out;
    };
    const Case cases[] = {
        // first pixel: blue round(1 / 2) = 0 and round(3 / 2) = 2; last unchanged
        {"effetto_xx2", 2, 1, {px(9, 9, 1), px(9, 9, 3)}, {px(9, 9, 0), px(9, 9, 3)}},
        {"effetto_xx2", 1, 2, {px(9, 9, 3), px(1, 1, 1)}, {px(9, 9, 2), px(1, 1, 1)}},
        {"effetto_xx2",
         2,
         2,
         {px(0, 0, 255), px(0, 0, 255), px(0, 0, 10), px(4, 5, 6)},
         {px(0, 0, 64), px(0, 0, 128), px(0, 0, 8), px(4, 5, 6)}},
        {"effetto_xx3",
         2,
         2,
         {px(255, 2, 6), px(5, 6, 7), px(4, 200, 1), px(4, 5, 6)},
         {px(64, 0, 2), px(2, 3, 4), px(3, 150, 1), px(4, 5, 6)}},
        // pixel 1: (round(R/2), low8(2G), round(B/2)); pixel 2: (round(R/4), G, round(B/4))
        {"effetto_xx4", 2, 1, {px(5, 200, 7), px(6, 77, 2)}, {px(2, 144, 4), px(2, 77, 0)}},
        {"effetto_xx4", 2, 1, {px(3, 0, 1), px(10, 255, 255)}, {px(2, 0, 0), px(2, 255, 64)}},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.w, c.h, c.in, c.name), c.out) << c.name;

    // From W x H = 510 up, red and blue vanish everywhere.
    const auto big = run(510, 1, std::vector<uint32_t>(510, px(255, 1, 255)), "effetto_xx4");
    EXPECT_EQ(big[0], px(0, 254, 0)); // green 510 wraps to 254
    EXPECT_EQ(big[509], px(0, 1, 0));
}

TEST(Effects, RandomBlueFollowsTheSharedGenerator) {
    surface::set_random_state(0);
    const auto out = run(3, 1, {px(1, 2, 3), px(4, 5, 6), px(7, 8, 9)}, "effetto_bgx");
    EXPECT_EQ(out[0], px(3, 2, 0));
    EXPECT_EQ(out[1], px(6, 5, 8));

    // The draws are the service's own, in pixel order, and its state moves on.
    surface::set_random_state(0xDEADBEEF);
    const auto many = run(40, 1, std::vector<uint32_t>(40, px(0, 0, 0)), "effetto_bgx");
    const uint32_t after = surface::random_state();
    surface::set_random_state(0xDEADBEEF);
    for (int k = 0; k < 40; ++k) {
        ASSERT_EQ(many[k], px(0, 0, static_cast<uint32_t>(surface::random_int(0, 255))))
            << "pixel " << k + 1;
    }
    EXPECT_EQ(after, surface::random_state());
}

// Which names select an effect: effect_known must agree with what NG_LI_EF
// does to the pixels, since callers skip NG_LI_EF when it says no. Case and
// surrounding blanks do not matter; tabs and anything else do.
TEST(Effects, KnownNamesExactlyChangePixels) {
    const struct {
        std::string name;
        bool known;
    } cases[] = {
        {"", false},
        {"   ", false},
        {"255", false},
        {"effetto", false},
        {"effetto_verdee", false},
        {"effetto_verd", false},
        {"effetto verde", false},
        {"\teffetto_blu", false},
        {"effetto_verde\t", false},
        {std::string("effetto_verde\0", 14), false},
        {"effetto_verde", true},
        {"  EFFETTO_Rosso  ", true},
        {" Effetto_Verde", true},
        {"effetto_scurisci", true},
        {"effetto_schiarisci", true},
        {"effetto_giallino", true},
        {"effetto_bgx", true},
        {"effetto_xx4", true},
    };
    // 16 x 16 pixels running through dark, light and mixed colours.
    std::vector<uint32_t> varied;
    for (uint32_t i = 0; i < 256; ++i)
        varied.push_back(px((i * 13 + 200) & 0xFF, (i * 91 + 40) & 0xFF, (i * 37) & 0xFF));
    for (const auto& c : cases) {
        SCOPED_TRACE('"' + c.name + '"');
        EXPECT_EQ(effect_known(c.name), c.known);
        EXPECT_EQ(run(16, 16, varied, c.name) != varied, c.known);
    }
}

TEST(Effects, HostileSnapshotsAreLeftAlone) {
    const char* names[] = {"effetto_bgx",      "effetto_brr",      "effetto_blu",
                           "effetto_verde",    "effetto_rosso",    "effetto_giallo",
                           "effetto_giallino", "effetto_scurisci", "effetto_schiarisci",
                           "effetto_xx1",      "effetto_xx2",      "effetto_xx3",
                           "effetto_xx4",      "effetto_xxx",      "effetto_psico"};
    std::vector<std::string> hostile = {
        "",
        std::string("\x01\x00\x00", 3),
        snapshot(0, 0, {}),
        snapshot(0, 5, {}),
        snapshot(2, 2, {px(9, 9, 9), px(9, 9, 9), px(9, 9, 9)}), // one pixel short
        snapshot(-1, 2, {px(9, 9, 9), px(9, 9, 9)}),
        snapshot(65536, 65536, {px(9, 9, 9)}),  // W x H wraps to 0 in 32 bits
        snapshot(65537, 65537, {px(9, 9, 9)}),  // wraps to a small positive count
        snapshot(-65536, 32768, {px(9, 9, 9)}), // wraps to INT32_MIN
    };
    hostile.back().append(3, '\x55'); // a ragged tail
    for (const char* name : names) {
        for (const std::string& original : hostile) {
            std::string s = original;
            const std::string result = NG_LI_EF(s, name, 0.0f);
            EXPECT_EQ(s, original) << name << ", " << original.size() << " bytes";
            EXPECT_EQ(result, original) << name;
        }
    }
}

TEST(Effects, NegativeSidesFollowTheProduct) {
    // W = -3, H = -1: three pixels; i is a multiple of W at the third.
    const auto out = run(-3, -1, std::vector<uint32_t>(3, px(100, 100, 0)), "effetto_xx1");
    EXPECT_EQ(out, (std::vector<uint32_t>{px(200, 100, 0), px(200, 100, 0), px(100, 200, 0)}));
}

TEST(Effects, ChannelValuesOutsideThePictureAreZero) {
    // Pixel numbers outside 1..N give 0 instead of dividing by zero or overflowing.
    const int64_t cases[][2] = {{0, 10}, {11, 10}, {1, 0}, {-1, 5}, {5, -5}, {INT64_MAX, 1}};
    for (const auto& [i, n] : cases) {
        EXPECT_EQ(effect_pixels::fade_channel(200, i, n), 0u) << i << " of " << n;
        EXPECT_EQ(effect_pixels::xx4_green(200, i, n), 0u) << i << " of " << n;
    }
    EXPECT_EQ(effect_pixels::fade_channel(200, 3, 4), 150u); // the same call in range
    EXPECT_EQ(effect_pixels::xx4_green(200, 3, 4), 11u);     // 266.67 -> 267 -> 11
}

} // namespace
