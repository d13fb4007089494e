// Named colour effects on pixel snapshots: the name is matched here, the
// pixel arithmetic lives in effect_pixels.h and the effect_*.cpp files.
#include "imaging/effects.h"

#include "base/blanks.h"
#include "imaging/effect_pixels.h"
#include "surface/surface.h"

namespace {

using effect_pixels::Effect;

// Lower case of 8-bit Latin-1 text: A-Z and the accented capitals
// 0xC0-0xDE (except the multiplication sign 0xD7).
char latin1_lower(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
        return static_cast<char>(u + 0x20);
    return c;
}

// The effect a name asks for: lower-cased, stripped of leading and trailing
// spaces (tabs stay), then compared exactly.
Effect find_effect(const std::string& name) {
    // Lower-casing never turns a space into something else or back, so
    // stripping before or after it gives the same key.
    std::string key(blank_trimmed(name));
    for (char& c : key) c = latin1_lower(c);
    return effect_pixels::effect_named(key);
}

} // namespace

void apply_effect(std::string& snapshot, const std::string& name, float livello) {
    const Effect effect = find_effect(name);
    if (effect == Effect::None) return;
    // Only the random effect touches the shared generator: it draws from it
    // and moves it on. The others may run on any thread.
    const bool random = effect == Effect::Bgx;
    uint32_t state = random ? surface::random_state() : 0;
    effect_pixels::apply_to_snapshot(effect, snapshot.data(), snapshot.size(), livello, state);
    if (random) surface::set_random_state(state);
}

std::string NG_LI_EF(std::string& snapshot, const std::string& name, const float& livello) {
    apply_effect(snapshot, name, livello);
    return snapshot;
}

bool effect_known(const std::string& name) {
    return find_effect(name) != Effect::None;
}

bool effect_draws_random(const std::string& name) {
    return find_effect(name) == Effect::Bgx;
}
