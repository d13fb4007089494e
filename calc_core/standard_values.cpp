// Standard resistor values: the IEC 60063 preferred numbers and the judgement
// of a reading against the series its tolerance calls for.
#include "calc_core/standard_values.h"
#include "calc_core/readings.h"

#include "base/rounding.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace calc {

namespace {

// E24 as published, in three digits. E12 is every second value of it and E6
// every fourth.
constexpr std::array<int, 24> kE24 = {100, 110, 120, 130, 150, 160, 180, 200, 220, 240, 270, 300,
                                      330, 360, 390, 430, 470, 510, 560, 620, 680, 750, 820, 910};

// E192 as published. E96 is every second value of it and E48 every fourth.
constexpr std::array<int, 192> kE192 = {
    100, 101, 102, 104, 105, 106, 107, 109, 110, 111, 113, 114, 115, 117, 118, 120, 121, 123,
    124, 126, 127, 129, 130, 132, 133, 135, 137, 138, 140, 142, 143, 145, 147, 149, 150, 152,
    154, 156, 158, 160, 162, 164, 165, 167, 169, 172, 174, 176, 178, 180, 182, 184, 187, 189,
    191, 193, 196, 198, 200, 203, 205, 208, 210, 213, 215, 218, 221, 223, 226, 229, 232, 234,
    237, 240, 243, 246, 249, 252, 255, 258, 261, 264, 267, 271, 274, 277, 280, 284, 287, 291,
    294, 298, 301, 305, 309, 312, 316, 320, 324, 328, 332, 336, 340, 344, 348, 352, 357, 361,
    365, 370, 374, 379, 383, 388, 392, 397, 402, 407, 412, 417, 422, 427, 432, 437, 442, 448,
    453, 459, 464, 470, 475, 481, 487, 493, 499, 505, 511, 517, 523, 530, 536, 542, 549, 556,
    562, 569, 576, 583, 590, 597, 604, 612, 619, 626, 634, 642, 649, 657, 665, 673, 681, 690,
    698, 706, 715, 723, 732, 741, 750, 759, 768, 777, 787, 796, 806, 816, 825, 835, 845, 856,
    866, 876, 887, 898, 909, 920, 931, 942, 953, 965, 976, 988};

// The published table a series is taken from and the step through it.
struct Source {
    const int* values;
    std::size_t size;
    std::size_t step;
};

Source source(Series s) {
    switch (s) {
    case Series::E6:
        return {kE24.data(), kE24.size(), 4};
    case Series::E12:
        return {kE24.data(), kE24.size(), 2};
    case Series::E24:
        return {kE24.data(), kE24.size(), 1};
    case Series::E48:
        return {kE192.data(), kE192.size(), 4};
    case Series::E96:
        return {kE192.data(), kE192.size(), 2};
    case Series::E192:
        return {kE192.data(), kE192.size(), 1};
    case Series::None:
        break;
    }
    return {nullptr, 0, 1};
}

bool holds(Series s, int significand) {
    const Source src = source(s);
    const int* end = src.values + src.size;
    const int* at = std::lower_bound(src.values, end, significand);
    return at != end && *at == significand &&
           static_cast<std::size_t>(at - src.values) % src.step == 0;
}

} // namespace

const char* series_name(Series s) {
    switch (s) {
    case Series::E6:
        return "E6";
    case Series::E12:
        return "E12";
    case Series::E24:
        return "E24";
    case Series::E48:
        return "E48";
    case Series::E96:
        return "E96";
    case Series::E192:
        return "E192";
    case Series::None:
        break;
    }
    return "-";
}

std::vector<int> series_values(Series s) {
    const Source src = source(s);
    std::vector<int> out;
    for (std::size_t i = 0; i < src.size; i += src.step) out.push_back(src.values[i]);
    return out;
}

std::vector<Series> judged_series(std::optional<unsigned char> tolerance_band,
                                  bool tolerance_pending) {
    if (tolerance_pending) return {Series::E96, Series::E192, Series::E24};
    if (!tolerance_band) return {kNoBandSeries};
    std::vector<Series> out;
    if (has_tolerance(*tolerance_band))
        for (Series s : kBands[*tolerance_band].series)
            if (s != Series::None) out.push_back(s);
    return out;
}

Series significand_series(int significand, std::optional<unsigned char> tolerance_band,
                          bool tolerance_pending) {
    for (Series s : judged_series(tolerance_band, tolerance_pending))
        if (holds(s, significand)) return s;
    return Series::None;
}

Series value_series(const Ohms& v, std::optional<unsigned char> tolerance_band) {
    const int n = digit_count(v.significand);
    if (v.significand == 0 || n > 3) return Series::None;
    return significand_series(static_cast<int>(v.significand * power10(3 - n)), tolerance_band);
}

Series reading_series(std::string_view digit_bands, std::optional<unsigned char> tolerance_band,
                      bool tolerance_pending) {
    // A leading "nero" leaves the significand below 100, where no series has
    // a value.
    if (digit_bands.size() < 2 || digit_bands.size() > 3) return Series::None;
    int significand = 0;
    for (char band : digit_bands) {
        if (!is_decimal_digit(static_cast<unsigned char>(band))) return Series::None;
        significand = 10 * significand + band;
    }
    if (digit_bands.size() == 2) significand *= 10;
    return significand_series(significand, tolerance_band, tolerance_pending);
}

std::vector<Neighbour> neighbours(const Ohms& v, std::optional<unsigned char> tolerance_band) {
    std::vector<Neighbour> out;
    if (v.significand == 0) return out;
    if (value_series(v, tolerance_band) != Series::None) return out;
    // At most 19 significant digits: the comparisons below stay within 64 bits.
    const int n = digit_count(v.significand);
    // The decade of the value: v lies in [100, 1000) x 10^decade. Series
    // values t x 10^decade are compared with v in whole numbers.
    const int decade = v.exponent + n - 3;
    const std::uint64_t lhs = n <= 3 ? v.significand * power10(3 - n) : v.significand;
    const std::uint64_t scale = n <= 3 ? 1 : power10(n - 3);
    const double exact = static_cast<double>(lhs) / static_cast<double>(scale);
    const auto deviation = [&](double t) {
        return static_cast<int>(base::round_even((t - exact) / exact * 10000.0));
    };
    for (const Series s : judged_series(tolerance_band)) {
        Neighbour below{s, {}, 0}, above{s, make_ohms(100, decade + 1), deviation(1000)};
        for (const int t : series_values(s)) {
            const std::uint64_t rhs = static_cast<std::uint64_t>(t) * scale;
            if (rhs < lhs)
                below = {s, make_ohms(static_cast<std::uint64_t>(t), decade), deviation(t)};
            if (rhs > lhs) {
                above = {s, make_ohms(static_cast<std::uint64_t>(t), decade), deviation(t)};
                break;
            }
        }
        out.push_back(below);
        out.push_back(above);
    }
    return out;
}

std::string deviation_text(int hundredths) {
    const int size = hundredths < 0 ? -hundredths : hundredths;
    std::string frac = std::to_string(100 + size % 100).substr(1);
    std::string out(1, hundredths < 0 ? '-' : '+');
    out.append(std::to_string(size / 100)).append(".").append(frac) += '%';
    return out;
}

std::array<Series, 5> standard_series(std::string_view bande) {
    std::array<Series, 5> out{};
    const auto fields = read_fields(bande);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = fields[i].series;
    return out;
}

} // namespace calc
