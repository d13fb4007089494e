// Standard values of readings, and values as text and as colour bands.
#include "calc_core/exact_reading.h"
#include "calc_core/smd.h"
#include "calc_core/standard_values.h"
#include "calc_core/value_code.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

const char* const kNames[] = {"nero",  "marrone", "rosso",  "arancio", "giallo", "verde", "blu",
                              "viola", "grigio",  "bianco", "argento", "oro",    "rosa"};

std::string sequence(const std::string& names) {
    std::istringstream in(names);
    std::string s, name;
    while (in >> name)
        for (char b = 0; b < 13; ++b)
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
        const char* neighbours; // below and above, for each series the tolerance accepts
    } cases[] = {
        {"4k7", 4, "", "giallo viola rosso oro", E24, ""},
        {"4.8k", 4, "", "giallo grigio rosso oro", N, "4.7 kOhm -2.08% 5.1 kOhm +6.25% "},
        {"9.5k", 4, "", "bianco verde rosso oro", N, "9.1 kOhm -4.21% 10 kOhm +5.26% "},
        {"4.75k", 4, "", "cifre", N, "4.7 kOhm -1.05% 5.1 kOhm +7.37% "},
        {"4.75k", 5, "", "giallo viola verde marrone marrone", E96, ""},
        {"1.05k", 5, "10%", "marrone nero verde marrone argento", N,
         "1 kOhm -4.76% 1.2 kOhm +14.29% "},
        {"0R22", 3, "", "rosso rosso argento", E6, ""},
        {"100M", 3, "", "marrone nero viola", E6, ""},
        {"1G", 5, "0,1 %", "marrone nero nero viola viola", E192, ""},
        {"0.01", 3, "", "marrone nero rosa", E6, ""}, // pink only where nothing else codes it
        {"0.47", 5, "", "giallo viola nero rosa marrone", E24, ""},
        {"0.001", 3, "", "moltiplicatori", E6, ""},
        {"100G", 3, "", "moltiplicatori", E6, ""},
        {"1k", 5, "nero", "tolleranza", N, ""},
        // E24 values are accepted at 2 %, so they are offered too.
        {"3k55", 5, "2%", "arancio verde verde marrone rosso", N,
         "3.48 kOhm -1.97% 3.65 kOhm +2.82% 3.3 kOhm -7.04% 3.6 kOhm +1.41% "},
        {"999", 5, "1%", "bianco bianco bianco nero marrone", N,
         "976 Ohm -2.30% 1 kOhm +0.10% 910 Ohm -8.91% 1 kOhm +0.10% "},
        {"4k7", 6, "", "coefficiente", N, ""}, // six bands need a coefficient
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
        std::string near;
        for (const auto& n : code.neighbours)
            near += calc::ohms_text(n.value) + " " + calc::deviation_text(n.deviation) + " ";
        EXPECT_EQ(near, c.neighbours) << c.value;
    }
}

TEST(ValueCode, ReadsValuesAndColourNames) {
    const struct {
        const char *text, *ohms_or_error;
    } values[] = {
        {"4700", "4.7 kOhm"},
        {"4.7k", "4.7 kOhm"},
        {"4,7k", "4.7 kOhm"},
        {"4k7", "4.7 kOhm"},
        {"4K7", "4.7 kOhm"},
        {"4R7", "4.7 Ohm"},
        {"R47", "0.47 Ohm"},
        {"0R22", "0.22 Ohm"},
        {"1M", "1 MOhm"},
        {"2M2", "2.2 MOhm"},
        {"1G", "1 GOhm"},
        {"47R", "47 Ohm"},
        {" 4.7 kOhm", "4.7 kOhm"},
        {"470Ω", "470 Ohm"},
        {"10 ohm", "10 Ohm"},
        {"0.001", "0.001 Ohm"},
        {"1000", "1 kOhm"},
        {"999.9", "999.9 Ohm"},
        {"4m7", "ambiguo"},
        {"4.7 mOhm", "ambiguo"},
        {"4.7mOhm", "ambiguo"},
        {"", "mancante"},
        {"abc", "\"abc\""},
        {"-4k7", "\"-\""},
        {"4.7.1", "separatore"},
        {"4k7k", "unità"},
        {"k", "cifre"},
        {"4.7kOhms", "4.7 kOhm"},
        {"4k7Ω", "4.7 kOhm"},
        {"1.5MEG", "1.5 MOhm"},
        {"4.7 kiloohm", "4.7 kOhm"},
        {"1e3", "1 kOhm"},
        {"4.7E-3", "0.0047 Ohm"},
        {"2.2 megaohm", "2.2 MOhm"},
        {"4.7 kilox", "\"kilox\""},
        {"4,7é", "\"é\""},
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
                 {"oro", 11, 99},  {"GOLD", 11, 99},  {"arancio", 3, 99}, {"Pink", 12, 99},
                 {"2%", 99, 2},    {"0,5 %", 99, 5},  {"5", 99, 11},      {"20%", 99, 99}};
    for (const auto& n : names) {
        EXPECT_EQ(calc::band_from_name(n.name).value_or(99), n.colour) << n.name;
        EXPECT_EQ(calc::tolerance_band(n.name).value_or(99), n.tolerance) << n.name;
    }
}

// Every code the encoder prints, read back: the same value exactly, with its
// tolerance and coefficient; the SMD codes too.
TEST(ValueCode, EveryPrintedCodeReadsBack) {
    std::vector<int> significands = calc::series_values(E192);
    for (int t : calc::series_values(E24)) significands.push_back(t);
    const char* const tc_colours[] = {"nero",  "marrone", "rosso", "arancio", "giallo",
                                      "verde", "blu",     "viola", "grigio"};
    const int tc_ppm[] = {250, 100, 50, 15, 25, 20, 10, 5, 1};
    std::size_t read_back = 0, turn = 0;
    // From 0.1 Ohm (100 x 10^-3) to 1 GOhm (100 x 10^7).
    for (int decade = -3; decade <= 7; ++decade)
        for (const int t : significands) {
            if (decade == 7 && t > 100) break;
            const calc::Ohms v = calc::make_ohms(static_cast<std::uint64_t>(t), decade);
            for (const char* tolerance :
                 {"", "1%", "2%", "0.5%", "0.25%", "0.1%", "0.05%", "10%", "5%"}) {
                const auto tol = calc::tolerance_band(tolerance);
                for (int count = *tolerance ? 4 : 3; count <= (*tolerance ? 6 : 3); ++count) {
                    const std::size_t k = turn++ % 9;
                    const auto tc = count == 6 ? calc::band_from_name(tc_colours[k]) : std::nullopt;
                    const auto code = calc::encode_value(v, count, tol, tc);
                    // Two digits up to 4 bands; the multipliers reach 0.001 up to 10^9.
                    const bool codable = (count <= 4 ? t % 10 == 0 : true) &&
                                         decade + (count <= 4 ? 1 : 0) >= -3 && decade <= 7;
                    ASSERT_EQ(code.error.empty(), codable) << t << "e" << decade << " " << count;
                    if (!codable) continue;
                    const auto exact = calc::read_exact(code.bands);
                    ASSERT_FALSE(exact.readings.empty()) << t << "e" << decade;
                    const calc::ExactReading& r = exact.readings.front();
                    EXPECT_FALSE(r.reverse);
                    EXPECT_EQ(r.value, v) << t << "e" << decade << " " << count;
                    EXPECT_EQ(std::string(r.tolerance), *tolerance ? tolerance : "20%");
                    EXPECT_EQ(r.tc, count == 6 ? tc_ppm[k] : 0);
                    ++read_back;
                }
            }
            for (const calc::SmdCode& code : calc::smd_codes(v))
                if (!code.code.empty()) {
                    const auto r = calc::read_smd(code.code);
                    ASSERT_EQ(r.readings.size(), 1u) << code.code;
                    EXPECT_EQ(r.readings[0].reading.value, v) << code.code;
                    EXPECT_EQ(r.readings[0].kind, code.kind) << code.code;
                    ++read_back;
                }
        }
    EXPECT_GT(read_back, 30000u);
}
