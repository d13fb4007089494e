// Queries of resistenze-codice and their answers.
#include "calc_core/query.h"

#include "calc_core/bands.h"

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

void read_colours(const std::vector<std::string>& words, const QueryOptions& options, Answer& out) {
    if (options.tolerance || options.tc) {
        out.error = "--tolleranza e --tc valgono solo con un valore";
        return;
    }
    std::string bande;
    for (const std::string& word : words) {
        const auto b = band_from_name(word);
        if (!b) {
            out.error = "colore sconosciuto: \"" + word + "\"";
            return;
        }
        bande += static_cast<char>(*b);
    }
    if (options.window) {
        out.kind = QueryKind::Window;
        out.fields = read_fields(bande);
        bool any = false;
        for (const Reading& r : out.fields) any = any || !r.text.empty();
        if (!any)
            out.error = "la finestra non scrive nulla per " + std::to_string(bande.size()) +
                        (bande.size() == 1 ? " banda" : " bande");
        return;
    }
    ExactReadings exact = read_exact(bande);
    out.readings = std::move(exact.readings);
    out.error = std::move(exact.error);
}

void code_value(std::string_view text, const QueryOptions& options, Answer& out) {
    out.kind = QueryKind::Value;
    if (options.window) {
        out.error = "--finestra vale solo con i colori";
        return;
    }
    const ParsedValue parsed = parse_value(text);
    if (!parsed.error.empty()) {
        out.error = "valore non valido \"" + std::string(text) + "\": " + parsed.error;
        return;
    }
    out.value = parsed.value;
    for (int count = 3; count <= (options.tc ? 6 : 5); ++count)
        out.codes.push_back(encode_value(parsed.value, count,
                                         count == 3 ? std::nullopt : options.tolerance,
                                         count == 6 ? options.tc : std::nullopt));
    out.smd = smd_codes(parsed.value);
}

void read_smd_code(std::string_view text, const QueryOptions& options, Answer& out) {
    out.kind = QueryKind::Smd;
    if (options.window || options.tolerance || options.tc) {
        out.error = "un codice SMD non vuole --finestra, --tolleranza o --tc";
        return;
    }
    SmdReading smd = read_smd(text);
    out.smd_kind = smd.kind;
    out.error = std::move(smd.error);
    if (out.error.empty()) out.readings.push_back(smd.reading);
}

} // namespace

Answer answer(std::string_view query, const QueryOptions& options) {
    Answer out;
    const std::vector<std::string> words = split_words(query);
    for (const std::string& word : words)
        out.query.append(out.query.empty() ? "" : " ").append(word);
    std::string_view text = out.query;
    const bool prefixed =
        text.size() >= 4 && (text.substr(0, 4) == "smd:" || text.substr(0, 4) == "SMD:");
    if (prefixed) text.remove_prefix(4);
    if (words.empty()) {
        out.error = "mancano i colori o il valore";
    } else if (prefixed || options.smd) {
        read_smd_code(text, options, out);
    } else if (words.front().find_first_of("0123456789") != std::string::npos) {
        code_value(text, options, out);
    } else {
        read_colours(words, options, out);
    }
    return out;
}

} // namespace calc
