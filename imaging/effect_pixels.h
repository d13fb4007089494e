// The colour effects as pure pixel arithmetic: pixels in, pixels out, no Qt
// and nothing but the standard library, so that this file and the
// effect_*.cpp files build on their own for any processor. Every processor
// writes the same bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace effect_pixels {

enum class Effect {
    None,
    Bgx,
    Brr,
    Blu,
    Verde,
    Rosso,
    Giallo,
    Giallino,
    Scurisci,
    Schiarisci,
    Xx1,
    Xx2,
    Xx3,
    Xx4,
    Xxx,
    Psico,
};

struct NamedEffect {
    std::string_view name;
    Effect effect;
};

inline constexpr std::array<NamedEffect, 15> kEffects{{
    {"effetto_bgx", Effect::Bgx},
    {"effetto_brr", Effect::Brr},
    {"effetto_blu", Effect::Blu},
    {"effetto_verde", Effect::Verde},
    {"effetto_rosso", Effect::Rosso},
    {"effetto_giallo", Effect::Giallo},
    {"effetto_giallino", Effect::Giallino},
    {"effetto_scurisci", Effect::Scurisci},
    {"effetto_schiarisci", Effect::Schiarisci},
    {"effetto_xx1", Effect::Xx1},
    {"effetto_xx2", Effect::Xx2},
    {"effetto_xx3", Effect::Xx3},
    {"effetto_xx4", Effect::Xx4},
    {"effetto_xxx", Effect::Xxx},
    {"effetto_psico", Effect::Psico},
}};

// The effect whose name is exactly `key`; None for every other key.
Effect effect_named(std::string_view key);

// Applies `effect` in place to the snapshot held in the `size` bytes at
// `data`: an 8-byte header (width, height: little-endian int32), then
// width x height pixels of four bytes (blue, green, red, reserved). A
// snapshot holding no pixels, or fewer than its header promises, is left
// alone. "effetto_bgx" draws from the generator whose state is
// `random_state` (x -> x * 134775813 + 1, the draw is the top byte) and
// leaves the state it reached there.
void apply_to_snapshot(Effect effect, char* data, std::size_t size, float livello,
                       uint32_t& random_state);

// Single channel values, as the effect loops compute them; 0 when i is not
// in 1..n.
// A channel of pixel i (1..n) of the fades xx2 and xx3: round(i * c / n).
uint32_t fade_channel(uint32_t c, int64_t i, int64_t n);
// New green of pixel i (1..n) of "effetto_xx4": low8(round((g / i) * n)).
uint32_t xx4_green(uint32_t g, int64_t i, int64_t n);
// New green or blue of "effetto_psico" for channel value c.
uint32_t psico_channel(uint32_t c, float livello);

} // namespace effect_pixels
