// The twelve band colours and what each one means on a resistor: the one
// table the window, the readings, the encoder, the standard-value check and
// the command line all take from. Pure C++, no toolkit.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace calc {

// The preferred-number series of standard values (IEC 60063).
enum class Series { None, E6, E12, E24, E48, E96, E192 };

struct Band {
    const char* name;    // Italian, as the window writes it
    const char* english; // accepted on input
    int exponent;        // the multiplier is 10 to this
    // The tolerance it stands for as the last band ("5%"), nullptr where it
    // stands for none; the same in hundredths of a percent.
    const char* tolerance;
    int tolerance_hundredths;
    // The series a value must come from at that tolerance, best first.
    std::array<Series, 2> series;
    int tc; // temperature coefficient in ppm/K as the sixth band, 0 for none
};

// Indexed by band value (0 "nero" ... 11 "oro"). As a digit a band counts as
// its own value: digit positions are not checked, so "argento" counts 10 and
// "oro" 11 there.
inline constexpr std::array<Band, 12> kBands = {{
    {"nero", "black", 0, nullptr, 0, {}, 250},
    {"marrone", "brown", 1, "1%", 100, {Series::E96, Series::E24}, 100},
    {"rosso", "red", 2, "2%", 200, {Series::E48, Series::E24}, 50},
    {"arancio", "orange", 3, nullptr, 0, {}, 15},
    {"giallo", "yellow", 4, nullptr, 0, {}, 25},
    {"verde", "green", 5, "0.5%", 50, {Series::E192, Series::E24}, 20},
    // Precision resistors are sold in E24 values as well.
    {"blu", "blue", 6, "0.25%", 25, {Series::E192, Series::E24}, 10},
    {"viola", "violet", 7, "0.1%", 10, {Series::E192, Series::E24}, 5},
    {"grigio", "grey", 8, "0.05%", 5, {Series::E192, Series::E24}, 1},
    {"bianco", "white", 9, nullptr, 0, {}, 0},
    {"argento", "silver", -2, "10%", 1000, {Series::E12}, 0},
    {"oro", "gold", -1, "5%", 500, {Series::E24}, 0},
}};

// Pink, the x0.001 multiplier of the 2016 colour code: read in multiplier
// positions and used by the encoder where no other multiplier codes the
// value. The window has the twelve colours above, not this one.
inline constexpr unsigned char kRosa = 12;
inline constexpr Band kPink = {"rosa", "pink", -3, nullptr, 0, {}, 0};
// Band values a reading knows: the twelve and pink.
inline constexpr unsigned char kReadingBands = kRosa + 1;

// The facts of a band value 0..12.
inline constexpr const Band& facts(unsigned char b) {
    return b == kRosa ? kPink : kBands[b];
}

// The smallest and largest multiplier exponents ("rosa" and "bianco").
inline constexpr int kLowestExponent = kPink.exponent;
inline constexpr int kHighestExponent = kBands[9].exponent;

// Where each kind of band sits in a sequence of three to six bands: the
// digits first, then the multiplier, the tolerance and the temperature
// coefficient (-1 where a count has none).
struct BandLayout {
    int digits;
    int multiplier;
    int tolerance;
    int tc;
};
inline constexpr BandLayout layout_of(std::size_t band_count) {
    switch (band_count) {
    case 3:
        return {2, 2, -1, -1};
    case 4:
        return {2, 2, 3, -1};
    case 5:
        return {3, 3, 4, -1};
    default:
        return {3, 3, 4, 5};
    }
}

// Three bands carry no tolerance band: they mean 20 %, and E6 values.
inline constexpr const char* kNoBandTolerance = "20%";
inline constexpr int kNoBandTolerance_hundredths = 2000;
inline constexpr Series kNoBandSeries = Series::E6;

inline constexpr unsigned char kNero = 0, kMarrone = 1, kArgento = 10, kOro = 11;

// The band of a value 0..11, nullptr beyond.
inline const Band* band(unsigned char b) {
    return b < kBands.size() ? &kBands[b] : nullptr;
}

// The window's colour table holds the bands at index band + 1 (index 0 is
// left empty).
// A value that is no band has no colour (0).
inline int32_t colour_index(int32_t b) {
    return b >= 0 && b < static_cast<int32_t>(kBands.size()) ? b + 1 : 0;
}
inline std::optional<unsigned char> band_of_colour(int32_t colour_index) {
    if (colour_index < 1 || colour_index > static_cast<int32_t>(kBands.size())) return {};
    return static_cast<unsigned char>(colour_index - 1);
}

// Whether a band reads as a decimal digit; "argento" and "oro" do not.
inline bool is_decimal_digit(unsigned char b) {
    return b <= 9;
}

// Whether a band written last stands for a tolerance; for a coefficient.
inline bool has_tolerance(unsigned char b) {
    return b < kBands.size() && kBands[b].tolerance != nullptr;
}
inline bool has_tc(unsigned char b) {
    return b < kBands.size() && kBands[b].tc != 0;
}

// The last band when none is asked for: "oro" (5 %) for four bands,
// "marrone" (1 %) for five and six.
inline unsigned char default_tolerance(int band_count) {
    return band_count <= 4 ? kOro : kMarrone;
}

// Italian band names as in the window, "nero" ... "oro", and "rosa"; ""
// beyond 12.
const char* band_name(unsigned char b);
// The band value (0..12) of an Italian or English colour name, in any case.
std::optional<unsigned char> band_from_name(std::string_view name);
// "1%", "5%", "0.5%" ...; "-" for a band that means no tolerance.
const char* tolerance_text(unsigned char b);
// The band whose tolerance is written ("2%", "2", "0,5 %" ...), if any.
std::optional<unsigned char> tolerance_band(std::string_view text);
// A tolerance as written, or as the colour of its band.
std::optional<unsigned char> tolerance_of(std::string_view text);
// The sixth band of a temperature coefficient written in ppm/K ("50",
// "50ppm", "50 ppm/K") or named by its colour.
std::optional<unsigned char> tc_band(std::string_view text);
// What the last and the sixth band may say, for messages: "1%, 2%, ..." and
// "250, 100, ... ppm/K".
std::string tolerance_list();
std::string tc_list();

// The band of a multiplier 10^exponent (-3 ... 9), if there is one.
std::optional<unsigned char> multiplier_band(int exponent);

} // namespace calc
