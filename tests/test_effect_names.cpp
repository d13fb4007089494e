// Which names select an effect: effect_known must agree with what NG_LI_EF
// does to the pixels, since callers skip NG_LI_EF when it says no.
#include "imaging/effects.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

// A 16 x 16 snapshot running through dark, light and mixed colours.
std::string varied_snapshot() {
    const int32_t w = 16, h = 16;
    std::string s(8 + size_t(w) * h * 4, '\0');
    std::memcpy(s.data(), &w, 4);
    std::memcpy(s.data() + 4, &h, 4);
    for (int i = 0; i < w * h; ++i) {
        const uint32_t pixel = 0xFF000000u | uint32_t((i * 37) & 0xFF) |
                               uint32_t((i * 91 + 40) & 0xFF) << 8 |
                               uint32_t((i * 13 + 200) & 0xFF) << 16;
        std::memcpy(s.data() + 8 + size_t(i) * 4, &pixel, 4);
    }
    return s;
}

TEST(EffectNames, KnownExactlyWhenTheEffectChangesPixels) {
    const struct {
        const char* name;
        bool known;
    } cases[] = {
        {"", false},
        {"   ", false},
        {"255", false},
        {"effetto", false},
        {"effetto_verdee", false},
        {"\teffetto_blu", false}, // only blanks are ignored, not tabs
        {"effetto_verde", true},
        {"  EFFETTO_Rosso  ", true},
        {"effetto_scurisci", true},
        {"effetto_schiarisci", true},
        {"effetto_giallino", true},
        {"effetto_bgx", true},
        {"effetto_xx4", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(effect_known(c.name), c.known);
        const std::string before = varied_snapshot();
        std::string pixels = before;
        const float level = 0.0f;
        NG_LI_EF(pixels, c.name, level);
        EXPECT_EQ(pixels != before, c.known);
    }
}

} // namespace
