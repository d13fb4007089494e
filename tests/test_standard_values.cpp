// Standard values of readings, and values as text and as colour bands.
#include "calc_core/standard_values.h"
#include "calc_core/value_code.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

const char* const kNames[] = {"nero", "marrone", "rosso",  "arancio", "giallo",  "verde",
                              "blu",  "viola",   "grigio", "bianco",  "argento", "oro"};

std::string sequence(const std::string& names) {
    std::istringstream in(names);
    std::string s, name;
    while (in >> name)
        for (char b = 0; b < 12; ++b)
            if (name == kNames[static_cast<int>(b)]) s += b;
    return s;
}

using enum calc::Series;
constexpr auto N = None;

} // namespace

TEST(StandardValues, SeriesOfEachField) {
    const struct {
        const char* bands;
        std::array<calc::Series, 5> series; // fields 901..905
    } cases[] = {
        {"giallo viola rosso oro", {N, E24, N, N, N}},
        {"marrone nero nero rosso marrone", {N, E96, N, E24, N}}, // reverse: 120 Ohm 1 %
        {"marrone oro rosso", {N, N, N, N, N}},                   // gold as a digit
        {"verde nero oro oro", {N, N, N, N, N}},                  // 5.0 is no E24 value
        {"giallo viola oro oro", {N, E24, N, N, N}},
        {"arancio nero nero oro", {N, E24, N, N, N}}, // 30 Ohm, E24 as published
        {"giallo viola rosso nero", {N, N, N, N, N}}, // black means no tolerance
        {"marrone nero viola", {E6, N, N, N, N}},     // 100 MOhm
        {"marrone verde viola", {N, N, N, N, N}},     // 150 MOhm is not shown
        {"marrone rosso rosso argento", {N, E12, N, N, N}},
        {"marrone marrone rosso argento", {N, N, N, N, N}}, // 1.1k: E24 only
        {"marrone nero verde nero rosso", {N, E48, N, E96, N}},
        {"giallo viola nero nero rosso", {N, E24, N, N, N}}, // 2 %, not E48
        {"marrone nero rosso nero verde", {N, E192, N, N, N}},
        {"marrone bianco nero bianco", {N, N, N, N, E96}}, // 9.09k
        {"marrone nero rosso bianco", {N, N, N, N, E192}}, // 920
        {"nero nero nero arancio", {N, N, N, N, E24}},     // 300
    };
    for (const auto& c : cases)
        EXPECT_EQ(calc::standard_series(sequence(c.bands)), c.series) << c.bands;
}

TEST(StandardValues, EveryStandardValueRoundTripsThroughItsBands) {
    const struct {
        calc::Series series;
        int count, band_count;
        const char* tolerance;
    } cases[] = {{E6, 6, 3, ""},     {E12, 12, 4, "10%"}, {E24, 24, 4, "5%"},
                 {E48, 48, 5, "2%"}, {E96, 96, 5, "1%"},  {E192, 192, 5, "0.5%"}};
    for (const auto& c : cases) {
        const auto values = calc::series_values(c.series);
        EXPECT_EQ(static_cast<int>(values.size()), c.count);
        const auto tol = *c.tolerance ? calc::tolerance_band(c.tolerance) : std::nullopt;
        // From 1 Ohm (100 x 10^-2) to 100 MOhm (100 x 10^6).
        for (int decade = -2; decade <= 6; ++decade)
            for (int t : values) {
                if (decade == 6 && t > 100) break;
                const auto code = calc::encode_value(calc::make_ohms(t, decade), c.band_count, tol);
                ASSERT_EQ(code.error, "") << t << "e" << decade;
                EXPECT_EQ(calc::standard_series(code.bands)[c.band_count == 3 ? 0 : 1], c.series);
                // The value the bands stand for, in milliohms.
                std::int64_t digits = 0, expected = t;
                for (int i = 0; i < (c.band_count == 5 ? 3 : 2); ++i)
                    digits = 10 * digits + code.bands[i];
                const int m = code.bands[c.band_count == 5 ? 3 : 2];
                for (int i = 0; i < (m == 10 ? -2 : m == 11 ? -1 : m) + 3; ++i) digits *= 10;
                for (int i = 0; i < decade + 3; ++i) expected *= 10;
                EXPECT_EQ(digits, expected) << t << "e" << decade;
            }
    }
}

TEST(ValueCode, EncodesOrSaysWhyNot) {
    const struct {
        const char* value;
        int band_count;
        const char *tolerance, *bands_or_error;
        calc::Series series;
        const char *below, *above;
    } cases[] = {
        {"4k7", 4, "", "giallo viola rosso oro", E24, "", ""},
        {"4.8k", 4, "", "giallo grigio rosso oro", N, "4.7 kOhm", "5.1 kOhm"},
        {"9.5k", 4, "", "bianco verde rosso oro", N, "9.1 kOhm", "10 kOhm"},
        {"4.75k", 4, "", "cifre", N, "4.7 kOhm", "5.1 kOhm"},
        {"4.75k", 5, "", "giallo viola verde marrone marrone", E96, "", ""},
        {"1.05k", 5, "10%", "marrone nero verde marrone argento", N, "1 kOhm", "1.2 kOhm"},
        {"0R22", 3, "", "rosso rosso argento", E6, "", ""},
        {"100M", 3, "", "marrone nero viola", E6, "", ""},
        {"1G", 5, "0,1 %", "marrone nero nero viola viola", E192, "", ""},
        {"0.01", 3, "", "moltiplicatori", E6, "", ""},
        {"100G", 3, "", "moltiplicatori", E6, "", ""},
        {"1k", 5, "nero", "tolleranza", N, "", ""},
    };
    for (const auto& c : cases) {
        auto tol = calc::tolerance_band(c.tolerance);
        if (!tol) tol = calc::band_from_name(c.tolerance);
        const auto code = calc::encode_value(calc::parse_value(c.value).value, c.band_count, tol);
        if (code.error.empty())
            EXPECT_EQ(code.bands, sequence(c.bands_or_error)) << c.value;
        else
            EXPECT_NE(code.error.find(c.bands_or_error), std::string::npos) << code.error;
        EXPECT_EQ(code.series, c.series) << c.value;
        EXPECT_EQ(code.below ? calc::ohms_text(*code.below) : "", c.below) << c.value;
        EXPECT_EQ(code.above ? calc::ohms_text(*code.above) : "", c.above) << c.value;
    }
}

TEST(ValueCode, ReadsValuesAndColourNames) {
    const struct {
        const char *text, *ohms_or_error;
    } values[] = {
        {"4700", "4.7 kOhm"},      {"4.7k", "4.7 kOhm"},   {"4,7k", "4.7 kOhm"},
        {"4k7", "4.7 kOhm"},       {"4K7", "4.7 kOhm"},    {"4R7", "4.7 Ohm"},
        {"R47", "0.47 Ohm"},       {"0R22", "0.22 Ohm"},   {"1M", "1 MOhm"},
        {"2M2", "2.2 MOhm"},       {"1G", "1 GOhm"},       {"47R", "47 Ohm"},
        {" 4.7 kOhm", "4.7 kOhm"}, {"470Ω", "470 Ohm"},    {"10 ohm", "10 Ohm"},
        {"0.001", "0.001 Ohm"},    {"1000", "1 kOhm"},     {"999.9", "999.9 Ohm"},
        {"4m7", "ambiguo"},        {"4.7mOhm", "ambiguo"}, {"", "mancante"},
        {"abc", "non valido"},     {"-4k7", "non valido"}, {"4.7.1", "separatore"},
        {"4k7k", "unità"},         {"k", "cifre"},
    };
    for (const auto& v : values) {
        const auto parsed = calc::parse_value(v.text);
        const std::string got = parsed.error.empty() ? calc::ohms_text(parsed.value) : parsed.error;
        EXPECT_TRUE(parsed.error.empty() ? got == v.ohms_or_error
                                         : got.find(v.ohms_or_error) != std::string::npos)
            << v.text << ": " << got;
    }
    const struct {
        const char* name;
        int colour, tolerance; // 99: none
    } names[] = {{"Viola", 7, 99}, {"PURPLE", 7, 99}, {"gray", 8, 99},    {"Grey", 8, 99},
                 {"oro", 11, 99},  {"GOLD", 11, 99},  {"arancio", 3, 99}, {"rosa", 99, 99},
                 {"2%", 99, 2},    {"0,5 %", 99, 5},  {"5", 99, 11},      {"20%", 99, 99}};
    for (const auto& n : names) {
        EXPECT_EQ(calc::band_from_name(n.name).value_or(99), n.colour) << n.name;
        EXPECT_EQ(calc::tolerance_band(n.name).value_or(99), n.tolerance) << n.name;
    }
}
