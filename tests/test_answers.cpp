// What resistenze-codice answers, as rows: one row per reading, code or
// combination, the fields the printers write out.
#include "calc_core/query.h"

#include <gtest/gtest.h>

namespace {

struct AnswerCase {
    const char* name;
    const char* query;
    calc::QueryOptions options;
    // Each row as "direction value tolerance series [bands] [text] [reason]",
    // the bands as band values, rows joined by " | "; or the error.
    const char* rows;
};

std::string describe(const calc::Row& r) {
    std::string out = r.direction;
    const auto add = [&](const std::string& s) {
        if (!s.empty()) out.append(out.empty() ? "" : " ").append(s);
    };
    if (r.kind == calc::RowKind::Field) add(std::to_string(r.slot) + ":" + r.text);
    if (r.kind == calc::RowKind::Reading)
        add(calc::ohms_number(r.value) + " " + r.tolerance + " " + calc::ohms_number(r.low) + ".." +
            calc::ohms_number(r.high));
    if (r.kind == calc::RowKind::Code || r.kind == calc::RowKind::Smd) add(r.tolerance);
    if (r.kind != calc::RowKind::Count && r.kind != calc::RowKind::Combination)
        add(calc::series_name(r.series));
    std::string bands;
    for (const char b : r.bands) bands += std::to_string(static_cast<int>(b)) + ".";
    add(bands);
    if (r.kind == calc::RowKind::Smd) add(r.text.empty() ? "nessuno" : r.text);
    add(r.reason);
    for (const calc::Part& p : r.parts) {
        add(calc::ohms_number(p.value));
        out += ' ';
        for (const char b : p.bands) out += std::to_string(static_cast<int>(b)) + ".";
    }
    if (r.kind == calc::RowKind::Combination) add(std::to_string(r.deviation));
    if (r.kind == calc::RowKind::Count)
        add(std::to_string(r.combinations) + "/" + std::to_string(r.readings) + "/" +
            std::to_string(r.standard));
    return out;
}

class Answers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(Answers, RowsHoldWhatIsPrinted) {
    const calc::Answer a = calc::answer(GetParam().query, GetParam().options);
    std::string got = a.error;
    for (const calc::Row& r : a.rows) got.append(got.empty() ? "" : " | ").append(describe(r));
    EXPECT_EQ(got, GetParam().rows);
}

calc::QueryOptions with(bool window, bool smd = false, std::optional<unsigned char> tolerance = {},
                        std::optional<calc::Series> combine = {}) {
    calc::QueryOptions o;
    o.window = window;
    o.smd = smd;
    o.tolerance = tolerance;
    o.combine = combine;
    return o;
}
using calc::Series;
constexpr unsigned char kRosso = 2;

INSTANTIATE_TEST_SUITE_P(
    Queries, Answers,
    ::testing::Values(
        AnswerCase{"FourBands", "giallo viola rosso oro", {}, "diretta 4700 5% 4465..4935 E24"},
        AnswerCase{"BothEnds",
                   "marrone rosso giallo blu marrone",
                   {},
                   "diretta 124000000 1% 122760000..125240000 E96 | inversa 16400 1% "
                   "16236..16564 -"},
        AnswerCase{"ZeroLink", "nero", {}, "diretta 0 - 0..0 -"},
        AnswerCase{"BlackFirstNoSeries",
                   "nero marrone rosso",
                   {},
                   "diretta 100 20% 80..120 - | inversa 21 20% 16.8..25.2 -"},
        AnswerCase{
            "PinkMultiplier", "giallo viola rosa", {}, "diretta 0.047 20% 0.0376..0.0564 E6"},
        AnswerCase{"Window", "giallo viola rosso oro", with(true),
                   "1:4.7 kOhm tolleranza  5% E24 | 4:11.27 MOhm 5 bande -"},
        AnswerCase{"Value",
                   "4.75k",
                   {},
                   "3 bande 20% - 4.75 kOhm ha 3 cifre significative: con 3 bande se ne scrivono "
                   "2 | 4 bande 5% - 4.75 kOhm ha 3 cifre significative: con 4 bande se ne "
                   "scrivono 2 | 5 bande 1% E96 4.7.5.1.1. | SMD 3 cifre 5% - nessuno | SMD 4 "
                   "cifre 1% - 4751 | SMD EIA-96 1% - 66B"},
        AnswerCase{"ZeroValue", "0", with(false, false, kRosso),
                   "3 bande 20% - 0 Ohm: una resistenza nulla ha una sola banda nera | 4 bande 2% "
                   "- 0 Ohm: una resistenza nulla ha una sola banda nera | 5 bande 2% - 0 Ohm: "
                   "una resistenza nulla ha una sola banda nera | SMD 0 Ohm - - 000"},
        AnswerCase{"SmallSmd",
                   "0.047",
                   {},
                   "3 bande 20% E6 4.7.12. | 4 bande 5% E24 4.7.12.11. | 5 bande 1% E24 0.047 Ohm "
                   "è fuori dai moltiplicatori: con 5 bande si va da 0.1 Ohm a 999 GOhm | SMD 3 "
                   "cifre 5% - nessuno | SMD 4 cifre 1% - R047 | SMD EIA-96 1% - nessuno"},
        AnswerCase{"SmdBothKinds",
                   "smd:68r",
                   {},
                   "SMD 3 cifre 68 5% 64.6..71.4 E24 | SMD EIA-96 4.99 1% 4.9401..5.0399 E96"},
        AnswerCase{"SmdZero", "003", with(false, true), "SMD 0 Ohm 0 - 0..0 -"},
        AnswerCase{"Uncertain",
                   "giallo giallo/viola rosso oro",
                   {},
                   "diretta 4700 5% 4465..4935 E24 4.7.2.11. | diretta 4400 5% 4180..4620 - "
                   "4.4.2.11. | 2/2/1"},
        AnswerCase{"UnknownBand",
                   "oro ? nero marrone",
                   {},
                   "inversa 10 5% 9.5..10.5 E24 11.0.0.1. | inversa 100 5% 95..105 E24 11.1.0.1. | "
                   "inversa 1000 5% 950..1050 E24 11.2.0.1. | inversa 10000 5% 9500..10500 E24 "
                   "11.3.0.1. | inversa 100000 5% 95000..105000 E24 11.4.0.1. | inversa 1000000 "
                   "5% 950000..1050000 E24 11.5.0.1. | inversa 10000000 5% 9500000..10500000 E24 "
                   "11.6.0.1. | inversa 100000000 5% 95000000..105000000 E24 11.7.0.1. | inversa "
                   "1000000000 5% 950000000..1050000000 E24 11.8.0.1. | inversa 10000000000 5% "
                   "9500000000..10500000000 E24 11.9.0.1. | inversa 0.1 5% 0.095..0.105 E24 "
                   "11.10.0.1. | inversa 1 5% 0.95..1.05 E24 11.11.0.1. | inversa 0.01 5% "
                   "0.0095..0.0105 E24 11.12.0.1. | 13/13/13"},
        AnswerCase{"TooManyCombinations",
                   "_ _ _ _ rosso/oro",
                   {},
                   "troppe combinazioni: se ne leggono al più 10000"},
        AnswerCase{"Combination", "5k", with(false, false, {}, Series::E12),
                   "singola 4700 4.7.2.10. -600 | serie 270 2.7.1.10. 4700 4.7.2.10. -60 | "
                   "parallelo 10000 1.0.3.10. 10000 1.0.3.10. 0 | serie 100 1.0.1.10. 1000 "
                   "1.0.2.10. 3900 3.9.2.10. 0 | parallelo 15000 1.5.3.10. 15000 1.5.3.10. 15000 "
                   "1.5.3.10. 0"},
        AnswerCase{"CombinationE96Single", "12345", with(false, false, {}, Series::E96),
                   "singola 12400 1.2.4.2.1. 45 | serie 845 8.4.5.0.1. 11500 1.1.5.2.1. 0 | "
                   "parallelo 12700 1.2.7.2.1. 442000 4.4.2.3.1. 0 | serie 13 1.3.0.11.1. 232 "
                   "2.3.2.0.1. 12100 1.2.1.2.1. 0 | parallelo 12400 1.2.4.2.1. 2940000 2.9.4.4.1. "
                   "52300000 5.2.3.5.1. 0"},
        AnswerCase{"Ambiguous",
                   "4,700",
                   {},
                   "valore non valido \"4,700\": ambiguo: 4.7 Ohm (4,7 o 4.7) o 4.7 kOhm (4700 o "
                   "4k7)"},
        AnswerCase{"OutOfRange",
                   "18000000000000000001",
                   {},
                   "valore non valido \"18000000000000000001\": si leggono 0 e i valori da 0.001 "
                   "Ohm a 999 GOhm, con al più 19 cifre significative"},
        AnswerCase{"LongWordCut",
                   "viola aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                   {},
                   "colore sconosciuto: \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa…\""},
        AnswerCase{"WindowHasNoPink", "rosa rosso rosso", with(true),
                   "la finestra non ha il colore \"rosa\""}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

} // namespace
