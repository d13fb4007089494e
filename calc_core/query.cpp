// Queries of resistenze-codice and their answers.
#include "calc_core/query.h"

#include "base/ascii.h"
#include "base/blanks.h"
#include "calc_core/bands.h"

#include <algorithm>

namespace calc {

std::vector<std::string> split_words(std::string_view line) {
    std::vector<std::string> out;
    std::string word;
    for (const char c : line) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!word.empty()) out.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) out.push_back(std::move(word));
    return out;
}

namespace {

Row reading_row(const ExactReading& r, std::string direction) {
    Row row;
    row.direction = std::move(direction);
    row.value = r.value;
    row.low = r.low;
    row.high = r.high;
    row.tolerance = r.tolerance;
    row.series = r.series;
    row.tc = r.tc;
    return row;
}

// The bands a word allows: one colour, alternatives "rosso/arancio", or "_"
// and "?" for any colour.
std::optional<std::string> alternatives(const std::string& word, std::string& error) {
    std::string out;
    if (word == "_" || word == "?") {
        for (unsigned char b = 0; b < kReadingBands; ++b) out += static_cast<char>(b);
        return out;
    }
    std::size_t from = 0;
    while (from <= word.size()) {
        const std::size_t to = std::min(word.find('/', from), word.size());
        const auto b = band_from_name(std::string_view(word).substr(from, to - from));
        if (!b) {
            error = "colore sconosciuto: " + quoted_input(word.substr(from, to - from));
            return std::nullopt;
        }
        if (out.find(static_cast<char>(*b)) == std::string::npos) out += static_cast<char>(*b);
        from = to + 1;
    }
    return out;
}

void read_window(const std::string& bande, Answer& out) {
    const auto fields = read_fields(bande);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view line = blank_trimmed(fields[i].text);
        if (line.empty()) continue;
        Row row;
        row.kind = RowKind::Field;
        row.slot = i;
        row.text = line;
        row.series = fields[i].series;
        out.rows.push_back(std::move(row));
    }
    if (out.rows.empty())
        out.error = "la finestra non scrive nulla per " + std::to_string(bande.size()) +
                    (bande.size() == 1 ? " banda" : " bande");
}

// Every combination the uncertain bands allow, read from each end; the
// standard values first, then a count.
void read_uncertain(const std::vector<std::string>& choices, Answer& out) {
    std::size_t total = 1;
    for (const std::string& c : choices) {
        total *= c.size();
        if (total > kMostCombinations) {
            out.error =
                "troppe combinazioni: se ne leggono al più " + std::to_string(kMostCombinations);
            return;
        }
    }
    std::vector<std::size_t> at(choices.size(), 0);
    std::string bande(choices.size(), '\0');
    Row count;
    count.kind = RowKind::Count;
    count.combinations = total;
    std::string why;
    for (std::size_t n = 0; n < total; ++n) {
        for (std::size_t i = 0; i < choices.size(); ++i) bande[i] = choices[i][at[i]];
        ExactReadings exact = read_exact(bande);
        if (why.empty()) why = exact.error;
        for (const ExactReading& r : exact.readings) {
            Row row = reading_row(r, r.reverse ? "inversa" : "diretta");
            row.bands = bande;
            count.standard += r.series != Series::None;
            out.rows.push_back(std::move(row));
        }
        // The next combination, the last band turning fastest.
        for (std::size_t i = choices.size(); i-- > 0;) {
            if (++at[i] < choices[i].size()) break;
            at[i] = 0;
        }
    }
    count.readings = out.rows.size();
    if (out.rows.empty()) {
        out.error = "nessuna delle " + std::to_string(total) + " combinazioni si legge: " + why;
        return;
    }
    std::stable_partition(out.rows.begin(), out.rows.end(),
                          [](const Row& r) { return r.series != Series::None; });
    out.rows.push_back(std::move(count));
}

void read_colours(const std::vector<std::string>& words, const QueryOptions& options, Answer& out) {
    if (options.tolerance || options.tc || options.combine) {
        out.error = "--tolleranza, --tc e --combina valgono solo con un valore";
        return;
    }
    std::vector<std::string> choices;
    bool uncertain = false;
    for (const std::string& word : words) {
        const auto c = alternatives(word, out.error);
        if (!c) return;
        uncertain = uncertain || c->size() > 1;
        choices.push_back(*c);
    }
    if (choices.size() > 6) {
        out.error = "troppe bande: " + std::to_string(choices.size()) + " (al massimo 6)";
        return;
    }
    if (uncertain) {
        if (options.window)
            out.error = "--finestra vuole colori certi, non alternative";
        else
            read_uncertain(choices, out);
        return;
    }
    std::string bande;
    for (const std::string& c : choices) bande += c;
    if (options.window) {
        for (const char b : bande)
            if (static_cast<unsigned char>(b) >= kBands.size()) {
                out.error =
                    "la finestra non ha il colore \"" + std::string(band_name(kRosa)) + "\"";
                return;
            }
        read_window(bande, out);
        return;
    }
    ExactReadings exact = read_exact(bande);
    for (const ExactReading& r : exact.readings)
        out.rows.push_back(reading_row(r, r.reverse ? "inversa" : "diretta"));
    out.error = std::move(exact.error);
}

void code_value(const Ohms& v, const QueryOptions& options, Answer& out) {
    for (int count = 3; count <= (options.tc ? 6 : 5); ++count) {
        Encoding code = encode_value(v, count, count == 3 ? std::nullopt : options.tolerance,
                                     count == 6 ? options.tc : std::nullopt);
        Row row;
        row.kind = RowKind::Code;
        row.direction = std::to_string(count) + " bande";
        row.tolerance = code.tolerance ? tolerance_text(*code.tolerance) : kNoBandTolerance;
        row.series = code.series;
        row.tc = code.tc;
        row.bands = std::move(code.bands);
        row.neighbours = std::move(code.neighbours);
        row.reason = std::move(code.error);
        out.rows.push_back(std::move(row));
    }
    for (SmdCode& code : smd_codes(v)) {
        Row row;
        row.kind = RowKind::Smd;
        row.direction = std::string("SMD ") + smd_facts(code.kind).name;
        row.tolerance = smd_tolerance(code.kind);
        row.text = std::move(code.code);
        out.rows.push_back(std::move(row));
    }
}

void combine_value(const Ohms& v, Series series, Answer& out) {
    if (v.significand == 0) {
        out.error = "--combina vuole un valore sopra 0 Ohm";
        return;
    }
    if (digit_count(v.significand) > kCombineDigits) {
        out.error =
            "--combina vuole al più " + std::to_string(kCombineDigits) + " cifre significative";
        return;
    }
    static constexpr const char* kForms[] = {"singola", "serie", "parallelo"};
    for (Combination& c : combine(v, series)) {
        Row row;
        row.kind = RowKind::Combination;
        row.direction = kForms[static_cast<int>(c.form)];
        row.parts = std::move(c.parts);
        row.deviation = c.deviation;
        out.rows.push_back(std::move(row));
    }
}

void value_query(std::string_view text, const QueryOptions& options, Answer& out) {
    if (options.window) {
        out.error = "--finestra vale solo con i colori";
        return;
    }
    const ParsedValue parsed = parse_value(text);
    if (!parsed.error.empty()) {
        out.error = "valore non valido " + quoted_input(text) + ": " + parsed.error;
        return;
    }
    out.value = parsed.value;
    if (options.combine && (options.tolerance || options.tc))
        out.error = "--combina non vuole --tolleranza o --tc: la serie dice la tolleranza";
    else if (options.combine)
        combine_value(parsed.value, *options.combine, out);
    else
        code_value(parsed.value, options, out);
}

void read_smd_code(std::string_view text, const QueryOptions& options, Answer& out) {
    if (options.window || options.tolerance || options.tc || options.combine) {
        out.error = "un codice SMD non vuole --finestra, --tolleranza, --tc o --combina";
        return;
    }
    SmdReadings smd = read_smd(text);
    out.error = std::move(smd.error);
    for (const SmdReading& r : smd.readings)
        out.rows.push_back(reading_row(r.reading, std::string("SMD ") + smd_facts(r.kind).name));
}

} // namespace

Answer answer(std::string_view query, const QueryOptions& options) {
    Answer out;
    const std::vector<std::string> words = split_words(query);
    for (const std::string& word : words)
        out.query.append(out.query.empty() ? "" : " ").append(word);
    std::string_view text = out.query;
    const bool prefixed = text.size() >= 4 && base::same_ascii_letters(text.substr(0, 4), "smd:");
    if (prefixed) text.remove_prefix(4);
    if (words.empty()) {
        out.error = "mancano i colori o il valore";
    } else if (prefixed || options.smd) {
        read_smd_code(text, options, out);
    } else if (options.combine || words.front().find_first_of("0123456789") != std::string::npos) {
        value_query(text, options, out);
    } else {
        read_colours(words, options, out);
    }
    if (!out.error.empty()) out.rows.clear();
    return out;
}

} // namespace calc
