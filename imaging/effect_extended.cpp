// The 64-bit-significand (extended precision) steps the effects' rounding is
// defined in, emulated with integers, and the two values that need them:
// xx4's green at exact halves and psico at huge levels.
#include "imaging/effect_loops.h"

#include <bit>

namespace effect_pixels::detail {
namespace {

// A binary number (-1)^neg * sig * 2^exp with a 64-bit significand (top bit
// set unless the number is 0). Only the few steps the effects need are here.
struct Extended {
    uint64_t sig;
    int exp;
    bool neg;
};

int top_bit(Wide v) {
    const auto high = static_cast<uint64_t>(v >> 64);
    if (high != 0) return 127 - std::countl_zero(high);
    return 63 - std::countl_zero(static_cast<uint64_t>(v));
}

// mag * 2^exp rounded to 64 significant bits, halves to even. `sticky` tells
// that the true magnitude lies strictly between mag and mag + 1 (nonzero bits
// lost below mag's last bit); it is only given when mag has more than 64 bits.
Extended to_extended(Wide mag, int exp, bool neg, bool sticky = false) {
    if (mag == 0) return {0, 0, neg};
    const int top = top_bit(mag);
    if (top <= 63) return {static_cast<uint64_t>(mag) << (63 - top), exp - (63 - top), neg};
    const int shift = top - 63;
    auto sig = static_cast<uint64_t>(mag >> shift);
    const Wide rest = mag & ((Wide{1} << shift) - 1);
    const Wide half = Wide{1} << (shift - 1);
    exp += shift;
    if (rest > half || (rest == half && (sticky || (sig & 1)))) {
        if (++sig == 0) { // carried out of the top: 2^64
            sig = uint64_t{1} << 63;
            ++exp;
        }
    }
    return {sig, exp, neg};
}

// x / d for a divisor below 2^62, rounded to 64 significant bits.
Extended divided(Extended x, uint64_t d) {
    // The numerator gets 64 bits below the significand, so the quotient keeps
    // at least 65 bits and the remainder only decides the sticky bit.
    const Wide num = Wide{x.sig} << 64;
    return to_extended(num / d, x.exp - 64, x.neg, num % d != 0);
}

Extended times(Extended x, uint64_t m) {
    return to_extended(Wide{x.sig} * m, x.exp, x.neg);
}

// Low 8 bits (two's complement) of x rounded to a whole number, halves to
// even.
Word low8_of_rounded(Extended x) {
    uint64_t low = 0; // low bits of the magnitude of the whole number
    if (x.sig == 0 || x.exp >= 8 || x.exp < -64) {
        low = 0; // a multiple of 256, or below a half
    } else if (x.exp >= 0) {
        low = x.sig << x.exp;
    } else {
        const int shift = -x.exp;
        const Wide sig = x.sig;
        Wide whole = sig >> shift;
        const Wide rest = sig & ((Wide{1} << shift) - 1);
        const Wide half = Wide{1} << (shift - 1);
        if (rest > half || (rest == half && (whole & 1))) ++whole;
        low = static_cast<uint64_t>(whole);
    }
    const auto m = static_cast<Word>(low & 0xFFu);
    return x.neg ? (0u - m) & 0xFFu : m;
}
} // namespace

// Green of xx4 at an exact half g * N / i: g / i rounded to 64 bits first
// (unless it is a binary fraction) shifts the product just off the half, and
// the rounding follows that.
Word xx4_green_half(Word g, uint64_t i, uint64_t n) {
    const Extended quotient = to_extended(Wide{g} << 96, -96, false);
    return low8_of_rounded(times(divided(quotient, i), n));
}

// Psico above |livello| = 2^24, where livello is a whole number:
// low8(round(2 * c * (livello - 50) / 100)) in the steps written.
Word psico_huge(Word c, float livello) {
    const uint32_t bits = std::bit_cast<uint32_t>(livello);
    const uint32_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
    const int shift = static_cast<int>((bits >> 23) & 0xFFu) - 150; // >= 1 here
    const Wide magnitude = Wide{mantissa} << shift;                 // below 2^128
    const bool neg = (bits >> 31) != 0;
    const Extended factor = to_extended(neg ? magnitude + 50 : magnitude - 50, 0, neg);
    return low8_of_rounded(divided(times(factor, 2 * c), 100));
}

} // namespace effect_pixels::detail
