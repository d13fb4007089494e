// The colour effects: the one table of their loops, the snapshot they run
// over, and psico. The loops themselves are the word forms (effect_loops.h),
// the x86 vector loops (effect_vectors.cpp) and the position effects
// (effect_positions.cpp); every processor writes the same bytes.
#include "imaging/effect_pixels.h"

#include "base/snapshot.h"
#include "imaging/effect_loops.h"

#include <array>
#include <cmath>
#include <limits>

static_assert(std::numeric_limits<double>::is_iec559, "psico's small levels use binary64");

namespace effect_pixels {
namespace {

using namespace detail;
using base::snapshot::kHeader;

// The pixels a snapshot holds, or 0 when it holds none or less than its
// header promises (then nothing is visited, so nothing is read past the end).
// Two negative sides make a picture too; xx1 takes its rows of |width|.
int64_t pixel_count(const char* data, std::size_t size, int32_t& width) {
    const base::snapshot::Header header = base::snapshot::read_header(data, size);
    width = header.width;
    const int64_t n = int64_t{header.width} * int64_t{header.height};
    if (n <= 0 || n > std::numeric_limits<int32_t>::max()) return 0;
    if (static_cast<uint64_t>(n) > (size - kHeader) / 4) return 0;
    return n;
}

// ------------------------------------------------------------------ psico
// low8(round(2 * c * (livello - 50) / 100)). Below |livello| = 2^24 binary64
// gives the same bytes as 64-bit significands (its larger rounding errors
// cannot cross a half there); above, livello is a whole number and the steps
// are emulated.
Word psico_value(Word c, float livello) {
    if (!std::isfinite(livello)) return 0; // infinite or undefined results wrap to 0
    if (std::fabs(livello) >= 0x1p24f) return psico_huge(c, livello);
    const double v = std::nearbyint(2.0 * c * (static_cast<double>(livello) - 50.0) / 100.0);
    return static_cast<Word>(static_cast<int64_t>(v)) & 0xFFu;
}

void apply_psico(char* px, int64_t n, float livello) {
    // The new green and blue depend on their own channel only: one table per
    // call. At level 0 (what the buttons use) it is negation modulo 256.
    std::array<Word, 256> t{};
    bool negation = true;
    for (Word c = 0; c < 256; ++c) {
        t[c] = psico_value(c, livello);
        negation = negation && t[c] == ((0u - c) & 0xFFu);
    }
    if (negation) {
#if RESISTENZE_X86_VECTORS
        if (cpu::has(cpu::Vectors::Ssse3)) {
            psico_negating_vector(px, n);
            return;
        }
#endif
        each_word(px, n, [](Word w) { return psico_negated_word(w); });
        return;
    }
    each_word(px, n, [&](Word w) { return compose(w, blue(w), t[green(w)], t[blue(w)]); });
}

// ------------------------------------------------------------------ table
// What an effect's loop gets: the pixels and what the position effects use.
struct Pass {
    char* px;
    int64_t n;
    int32_t width;
    float livello;
    uint32_t& random_state;
};

using PlainLoop = void (*)(const Pass&);
using VectorLoop = void (*)(char* px, int64_t n);

template <Word (*word)(Word)> void words(const Pass& p) {
    each_word(p.px, p.n, [](Word w) { return word(w); });
}

#if RESISTENZE_X86_VECTORS
#define VECTORS(loop) loop
#else
#define VECTORS(loop) nullptr
#endif

// Every effect's loops, in the order of Effect: the plain loop, and the
// SSSE3 loop where there is one (used when the processor has it).
struct Loops {
    Effect effect;
    PlainLoop plain;
    VectorLoop vectors;
};

constexpr std::array<Loops, 16> kLoops{{
    {Effect::None, nullptr, nullptr},
    {Effect::Bgx, [](const Pass& p) { apply_bgx(p.px, p.n, p.random_state); }, nullptr},
    {Effect::Brr, words<brr_word>, VECTORS(brr_vector)},
    {Effect::Blu, words<blu_word>, VECTORS(blu_vector)},
    {Effect::Verde, words<verde_word>, VECTORS(verde_vector)},
    {Effect::Rosso, words<rosso_word>, VECTORS(rosso_vector)},
    {Effect::Giallo, words<giallo_word>, VECTORS(giallo_vector)},
    {Effect::Giallino, words<giallino_word>, VECTORS(giallino_vector)},
    {Effect::Scurisci, words<scurisci_word>, VECTORS(scurisci_vector)},
    {Effect::Schiarisci, words<schiarisci_word>, VECTORS(schiarisci_vector)},
    {Effect::Xx1, [](const Pass& p) { apply_xx1(p.px, p.n, p.width); }, nullptr},
    {Effect::Xx2, [](const Pass& p) { apply_xx2(p.px, p.n); }, nullptr},
    {Effect::Xx3, [](const Pass& p) { apply_xx3(p.px, p.n); }, nullptr},
    {Effect::Xx4, [](const Pass& p) { apply_xx4(p.px, p.n); }, nullptr},
    {Effect::Xxx, words<xxx_word>, VECTORS(xxx_vector)},
    {Effect::Psico, [](const Pass& p) { apply_psico(p.px, p.n, p.livello); }, nullptr},
}};
#undef VECTORS

constexpr bool in_effect_order() {
    for (std::size_t i = 0; i < kLoops.size(); ++i)
        if (static_cast<std::size_t>(kLoops[i].effect) != i) return false;
    return true;
}
static_assert(in_effect_order());

} // namespace

Effect effect_named(std::string_view key) {
    for (const NamedEffect& e : kEffects)
        if (key == e.name) return e.effect;
    return Effect::None;
}

void apply_to_snapshot(Effect effect, char* data, std::size_t size, float livello,
                       uint32_t& random_state) {
    const auto index = static_cast<std::size_t>(effect);
    if (index >= kLoops.size() || kLoops[index].plain == nullptr) return; // None
    int32_t width = 0;
    const int64_t n = pixel_count(data, size, width);
    if (n <= 0) return;
    char* px = data + kHeader;
    if (kLoops[index].vectors != nullptr && cpu::has(cpu::Vectors::Ssse3))
        kLoops[index].vectors(px, n);
    else
        kLoops[index].plain(Pass{px, n, width, livello, random_state});
}

uint32_t psico_channel(uint32_t c, float livello) {
    return psico_value(c & 0xFFu, livello);
}

} // namespace effect_pixels
