// Readings of band sequences: the five result lines, the value text and the
// unit line. No window needed.
#include "base/blanks.h"
#include "calc_core/readings.h"

#include <array>
#include <clocale>
#include <gtest/gtest.h>
#include <iostream>
#include <locale>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::string sequence(const std::vector<std::string>& names) {
    static const std::map<std::string, char> value = {
        {"nero", 0}, {"marrone", 1}, {"rosso", 2},  {"arancio", 3}, {"giallo", 4},   {"verde", 5},
        {"blu", 6},  {"viola", 7},   {"grigio", 8}, {"bianco", 9},  {"argento", 10}, {"oro", 11}};
    std::string s;
    for (const auto& n : names) s += value.at(n);
    return s;
}

struct SequenceCase {
    std::vector<std::string> bands;
    std::array<std::string, 5> shown; // fields 901..905, as displayed
};

// Names the case by its bands in test listings and failure messages.
[[maybe_unused]] void PrintTo(const SequenceCase& c, std::ostream* os) {
    *os << '[';
    for (std::size_t i = 0; i < c.bands.size(); ++i) *os << (i ? " " : "") << c.bands[i];
    *os << ']';
}

class Readings : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(Readings, FieldsShowTheReadings) {
    const auto& c = GetParam();
    const auto lines = LEGGI_BANDE(sequence(c.bands));
    for (std::size_t f = 0; f < 5; ++f)
        EXPECT_EQ(trim_blanks(lines[f]), c.shown[f]) << "field " << 901 + f;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Readings,
    ::testing::Values(
        // The worked example: forward four-band line, reverse five-band value.
        SequenceCase{{"giallo", "viola", "rosso", "oro"},
                     {"", "4.7 kOhm tolleranza  5%", "", "", "11.27 MOhm 5 bande"}},
        SequenceCase{{}, {"", "", "", "", ""}},
        SequenceCase{{"argento"}, {"striscia di tolleranza", "", "", "", ""}},
        SequenceCase{{"oro"}, {"striscia di tolleranza", "", "", "", ""}},
        SequenceCase{{"bianco"}, {"", "", "", "", ""}},
        SequenceCase{{"nero"}, {"", "", "", "", ""}},
        SequenceCase{{"marrone", "nero"}, {"", "", "", "", ""}},
        SequenceCase{{"oro", "argento"}, {"", "", "", "", ""}},
        SequenceCase{{"marrone", "nero", "nero"}, {"10 Ohm", "", "0 Ohm", "", ""}},
        // Unit thresholds are strict.
        SequenceCase{{"marrone", "nero", "rosso"}, {"1000 Ohm", "", "200 Ohm", "", ""}},
        SequenceCase{{"marrone", "nero", "verde"}, {"1000 kOhm", "", "500 Ohm", "", ""}},
        SequenceCase{{"marrone", "nero", "viola"}, {"100 MOhm", "", "700 Ohm", "", ""}},
        SequenceCase{{"marrone", "marrone", "viola"}, {"", "", "710 Ohm", "", ""}},
        // Whole ohms, halves to even.
        SequenceCase{{"giallo", "verde", "oro"}, {"4 Ohm", "", "1.15 MOhm", "", ""}},
        SequenceCase{{"giallo", "viola", "oro"}, {"5 Ohm", "", "1.17 MOhm", "", ""}},
        SequenceCase{{"verde", "verde", "oro"}, {"6 Ohm", "", "11.5 MOhm", "", ""}},
        SequenceCase{{"marrone", "nero", "argento"}, {"0 Ohm", "", "1000 Ohm", "", ""}},
        SequenceCase{{"giallo", "viola", "argento"}, {"0 Ohm", "", "1.07 MOhm", "", ""}},
        // Gold and silver as multipliers of a four-band reading.
        SequenceCase{{"giallo", "viola", "oro", "oro"},
                     {"", "5 Ohm tolleranza  5%", "", "", "12.17 MOhm 5 bande"}},
        SequenceCase{{"marrone", "nero", "argento", "oro"},
                     {"", "0 Ohm tolleranza  5%", "", "120 Ohm tolleranza 1%", "12 kOhm 5 bande"}},
        // Digit positions are not checked: silver counts 10 as a digit.
        SequenceCase{{"argento", "nero", "marrone", "nero"},
                     {"", "1000 Ohm tolleranza  -", "", "1 Ohm tolleranza 10%", "0 Ohm 5 bande"}},
        // Five bands: the tolerance comes from the fifth band.
        SequenceCase{{"marrone", "nero", "nero", "rosso", "marrone"},
                     {"", "10 kOhm tolleranza  1%", "", "120 Ohm tolleranza 1%", ""}},
        SequenceCase{{"argento", "nero", "marrone", "nero", "marrone"},
                     {"", "1.001 kOhm tolleranza  1%", "", "101 Ohm tolleranza 10%", ""}},
        SequenceCase{{"blu", "grigio", "viola", "verde", "viola"},
                     {"", "68.7 MOhm tolleranza  0.1%", "", "", ""}},
        SequenceCase{{"blu", "grigio", "viola", "nero", "blu"},
                     {"", "687 Ohm tolleranza  0.25%", "", "", ""}},
        // Six or more: nothing.
        SequenceCase{{"marrone", "nero", "nero", "rosso", "marrone", "oro"}, {"", "", "", "", ""}},
        SequenceCase{{"oro", "oro", "oro", "oro", "oro", "oro", "oro"}, {"", "", "", "", ""}}));

TEST(Readings, JoinersAndTrailingBlankAreKeptInTheRawLines) {
    const auto five = LEGGI_BANDE(sequence({"marrone", "nero", "nero", "rosso", "marrone"}));
    EXPECT_EQ(five[1], " 10 kOhm tolleranza  1% ");
    EXPECT_EQ(five[3], " 120 Ohm tolleranza 1% ");
    const auto four = LEGGI_BANDE(sequence({"giallo", "viola", "rosso", "oro"}));
    EXPECT_EQ(four[1], " 4.7 kOhm tolleranza  5%");
    EXPECT_EQ(four[4], " 11.27 MOhm 5 bande");
}

TEST(Readings, ByteThatIsNoBandGivesNoReading) {
    for (const std::string& s : {std::string("\x04\x07\x02\x0c"), std::string("\x0c"),
                                 std::string("472"), std::string("\x01\x00\xff", 3)}) {
        const auto lines = LEGGI_BANDE(s);
        for (const auto& l : lines) EXPECT_EQ(l, "") << "sequence of length " << s.size();
    }
}

struct UnitCase {
    std::string value, suffix, line;
};

TEST(Tieniosc, UnitsRoundingAndLimit) {
    const UnitCase cases[] = {
        {"4700", "", " 4.7 kOhm"},
        {"1000", "", " 1000 Ohm"},
        {"1000.5", "", " 1000 Ohm"}, // the tie goes down to 1000, still ohms
        {"1001", "", " 1.001 kOhm"},
        {"1001.5", "", " 1.002 kOhm"},
        {"1000000", "", " 1000 kOhm"},
        {"1000001", "", " 1.000001 MOhm"},
        {"11270000", " 5 bande", " 11.27 MOhm 5 bande"},
        {"100000000", " tolleranza  5%", " 100 MOhm tolleranza  5%"},
        {"100000000.01", " tolleranza  5%", ""},
        {"100000001", " 5 bande", ""},
        {"0.47", "", " 0 Ohm"},
        {"0.5", "", " 0 Ohm"},
        {"1.5", "", " 2 Ohm"},
        {"4.5", "", " 4 Ohm"},
        {"4.7", "", " 5 Ohm"},
        {"5.5", "", " 6 Ohm"},
        {"0", " x", " 0 Ohm x"},
        {"1E3", "", ""},
        {"1e3", "", ""},
        {"", " 5 bande", ""},
        {"abc", "", ""},
        {"12abc", "", ""},
        {"nan", "", ""},
        {"inf", "", ""},
        {"-inf", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TIENIOSC(c.value, c.suffix), c.line) << c.value;
}

TEST(NumberText, FifteenDigitsPlainDecimal) {
    const std::pair<double, std::string> cases[] = {
        {4.7, "4.7"},
        {47 * 0.1, "4.7"},
        {0.1 + 0.2, "0.3"},
        {1000, "1000"},
        {1.001, "1.001"},
        {11.27, "11.27"},
        {0, "0"},
        {0.01, "0.01"},
        {0.005, "0.005"},
        {1110000000000.0, "1110000000000"},
        {123456789012345678.0, "123456789012346000"},
        {1.0 / 3.0, "0.333333333333333"},
        {-0.5, "-0.5"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(calc::number_text(v), text) << text;
}

// A decimal comma in the program's locale must not reach the value text.
struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(NumberText, PointWhateverTheLocale) {
    const std::locale before =
        std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    bool c_locale_set = false;
    for (const char* name : {"it_IT.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "it_IT", "de_DE"})
        if (std::setlocale(LC_ALL, name)) {
            c_locale_set = true;
            break;
        }
    const auto lines = LEGGI_BANDE(sequence({"giallo", "viola", "rosso", "oro"}));
    const std::string number = calc::number_text(1234.5);
    const std::string unit = TIENIOSC("1234567", "");
    std::setlocale(LC_ALL, "C");
    std::locale::global(before);
    EXPECT_EQ(number, "1234.5");
    EXPECT_EQ(unit, " 1.234567 MOhm");
    EXPECT_EQ(lines[1], " 4.7 kOhm tolleranza  5%");
    if (!c_locale_set)
        std::cout << "(no C locale with a decimal comma installed; C++ locale only)\n";
}

// ---------------------------------------------------------------- sweep
// Every sequence of up to five bands, checked against exact integer
// arithmetic and against the structure of the lines.

// Value in hundredths of an ohm, exactly.
int64_t centiohms(int64_t digits, int band) {
    if (band == 10) return digits;
    if (band == 11) return digits * 10;
    int64_t v = digits * 100;
    for (int i = 0; i < band; ++i) v *= 10;
    return v;
}

int64_t whole_ohms(int64_t centi) {
    int64_t q = centi / 100, r = centi % 100;
    if (r > 50 || (r == 50 && q % 2 != 0)) ++q;
    return q;
}

// Expected displayed line for an exact value, or "" above the limit.
std::string expected_line(int64_t centi, const std::string& suffix) {
    if (centi > 100000000LL * 100) return "";
    const int64_t n = whole_ohms(centi);
    int64_t div = 1;
    std::string unit = " Ohm";
    if (n > 1000000) {
        div = 1000000;
        unit = " MOhm";
    } else if (n > 1000) {
        div = 1000;
        unit = " kOhm";
    }
    std::string text = std::to_string(n / div);
    if (n % div != 0) {
        std::string frac = std::to_string(div + n % div).substr(1);
        while (frac.back() == '0') frac.pop_back();
        text += "." + frac;
    }
    return trim_blanks(" " + text + unit + suffix);
}

const char* const kTolerance[] = {"-",     "1%",   "2%",    "-", "-",   "0.5%",
                                  "0.25%", "0.1%", "0.05%", "-", "10%", "5%"};

TEST(ReadingsSweep, EverySequenceUpToFiveBands) {
    std::size_t checked = 0;
    for (int L = 0; L <= 5; ++L) {
        int total = 1;
        for (int i = 0; i < L; ++i) total *= 12;
        for (int code = 0; code < total; ++code) {
            int b[5] = {};
            for (int i = 0, c = code; i < L; ++i, c /= 12) b[i] = c % 12;
            std::string s;
            for (int i = 0; i < L; ++i) s += static_cast<char>(b[i]);
            const auto lines = LEGGI_BANDE(s);

            std::array<std::string, 5> want;
            int r[5] = {};
            for (int i = 0; i < L; ++i) r[i] = b[L - 1 - i];
            if (L == 1 && b[0] > 9) want[0] = "striscia di tolleranza";
            if (L == 3) {
                want[0] = expected_line(centiohms(10 * b[0] + b[1], b[2]), "");
                want[2] = expected_line(centiohms(10 * r[0] + r[1], r[2]), "");
            }
            if (L == 4) {
                want[1] = expected_line(centiohms(10 * b[0] + b[1], b[2]),
                                        std::string(" tolleranza  ") + kTolerance[b[3]]);
                want[3] = expected_line(centiohms(10 * r[0] + r[1], r[2]),
                                        std::string(" tolleranza ") + kTolerance[r[3]]);
                want[4] = expected_line(centiohms(100 * r[0] + 10 * r[1] + r[2], r[3]), " 5 bande");
            }
            if (L == 5) {
                want[1] = expected_line(centiohms(100 * b[0] + 10 * b[1] + b[2], b[3]),
                                        std::string(" tolleranza  ") + kTolerance[b[4]]);
                want[3] = expected_line(centiohms(100 * r[0] + 10 * r[1] + r[2], r[3]),
                                        std::string(" tolleranza ") + kTolerance[r[4]]);
            }
            for (std::size_t f = 0; f < 5; ++f) {
                if (trim_blanks(lines[f]) != want[f]) {
                    ADD_FAILURE() << "length " << L << " code " << code << " field " << 901 + f
                                  << ": got '" << lines[f] << "' want '" << want[f] << "'";
                    return;
                }
                // A written line starts with one blank; nothing else does.
                if (!lines[f].empty() && want[f] != "striscia di tolleranza" &&
                    (lines[f][0] != ' ' || lines[f][1] == ' ')) {
                    ADD_FAILURE() << "line not led by one blank: '" << lines[f] << "'";
                    return;
                }
            }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 1u + 12 + 144 + 1728 + 20736 + 248832);
}

} // namespace
