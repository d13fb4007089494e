// Answers as tab-separated lines, one per row.
#include "cli/print.h"

#include <tuple>

namespace cli {

namespace {

using calc::ohms_text;

std::string colours(const std::string& bands) {
    std::string out;
    for (const char b : bands) {
        if (!out.empty()) out += ' ';
        out += calc::band_name(static_cast<unsigned char>(b));
    }
    return out;
}

std::string series(calc::Series s) {
    return calc::series_name(s);
}

// The series of a code, or the nearest values of each series its tolerance
// accepts, with how far they lie.
std::string series_column(const calc::Row& code) {
    if (code.series != calc::Series::None) return series(code.series);
    if (code.neighbours.empty()) return "-";
    std::string out = "fuori serie, vicini:";
    for (std::size_t i = 0; i + 1 < code.neighbours.size(); i += 2) {
        const calc::Neighbour &below = code.neighbours[i], &above = code.neighbours[i + 1];
        out.append(i == 0 ? " " : "; ").append(series(below.series)) += ' ';
        out.append(ohms_text(below.value))
            .append(" (")
            .append(calc::deviation_text(below.deviation));
        out.append(") e ").append(ohms_text(above.value)).append(" (");
        out.append(calc::deviation_text(above.deviation)) += ')';
    }
    return out;
}

std::string line(const calc::Row& r) {
    std::string out = r.direction;
    const auto column = [&](const std::string& text) { out.append("\t").append(text); };
    const auto coefficient = [&] {
        if (r.tc != 0) column(std::to_string(r.tc) + " ppm/K");
    };
    switch (r.kind) {
    case calc::RowKind::Reading:
        column(ohms_text(r.value));
        column(r.tolerance);
        column(ohms_text(r.low));
        column(ohms_text(r.high));
        column(series(r.series));
        coefficient();
        if (!r.bands.empty()) column(colours(r.bands));
        break;
    case calc::RowKind::Field:
        out = std::to_string(kFirstField + static_cast<int>(r.slot));
        column(r.text);
        if (r.series != calc::Series::None) column(series(r.series));
        break;
    case calc::RowKind::Code:
        // A count that cannot code the value has no colours; why comes last.
        column(r.reason.empty() ? colours(r.bands) : "-");
        column(r.tolerance);
        column(series_column(r));
        coefficient();
        if (!r.reason.empty()) column("non si può: " + r.reason);
        break;
    case calc::RowKind::Smd:
        column(r.text.empty() ? "nessuno" : r.text);
        column(r.tolerance);
        break;
    case calc::RowKind::Combination: {
        std::string values, bands;
        for (const calc::Part& p : r.parts) {
            values.append(values.empty() ? "" : joiner(r)).append(ohms_text(p.value));
            bands.append(bands.empty() ? "" : joiner(r)).append(colours(p.bands));
        }
        column(values);
        column(calc::deviation_text(r.deviation));
        column(bands);
        break;
    }
    case calc::RowKind::Count:
        out = "totale";
        for (const auto& [n, one, many] :
             {std::tuple{r.combinations, "combinazione letta", "combinazioni lette"},
              std::tuple{r.readings, "lettura", "letture"},
              std::tuple{r.standard, "valore normalizzato", "valori normalizzati"}})
            column(std::to_string(n) + " " + (n == 1 ? one : many));
        break;
    }
    return out + '\n';
}

} // namespace

std::string text_block(const calc::Answer& a) {
    std::string out;
    for (const calc::Row& r : a.rows) out += line(r);
    return out;
}

} // namespace cli
