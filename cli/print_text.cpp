// Answers as tab-separated lines.
#include "cli/print.h"

#include "base/blanks.h"

namespace cli {

namespace {

using calc::ohms_text;

// The SMD codes a value may have, with the tolerance each one means.
struct SmdKind {
    const char* name;
    std::string calc::SmdCodes::*code;
    const char* tolerance;
};

std::string colours(const std::string& bands) {
    std::string out;
    for (const char b : bands) {
        if (!out.empty()) out += ' ';
        out += calc::band_name(static_cast<unsigned char>(b));
    }
    return out;
}

// The series of a code, or the nearest values of each series its tolerance
// accepts, with how far they lie.
std::string series_column(const calc::Encoding& code) {
    if (code.series != calc::Series::None) return calc::series_name(code.series);
    if (code.neighbours.empty()) return "-";
    std::string out = "fuori serie, vicini:";
    for (std::size_t i = 0; i + 1 < code.neighbours.size(); i += 2) {
        const calc::Neighbour &below = code.neighbours[i], &above = code.neighbours[i + 1];
        out.append(i == 0 ? " " : "; ").append(calc::series_name(below.series)) += ' ';
        out.append(ohms_text(below.value))
            .append(" (")
            .append(calc::deviation_text(below.deviation));
        out.append(") e ").append(ohms_text(above.value)).append(" (");
        out.append(calc::deviation_text(above.deviation)) += ')';
    }
    return out;
}

std::string reading_line(const std::string& first, const calc::ExactReading& r) {
    std::string line = first;
    for (const std::string& column :
         {ohms_text(r.value), std::string(r.tolerance), ohms_text(r.low), ohms_text(r.high),
          std::string(r.series == calc::Series::None ? "-" : calc::series_name(r.series))})
        line.append("\t").append(column);
    if (r.tc != 0) line.append("\t").append(std::to_string(r.tc)).append(" ppm/K");
    return line + '\n';
}

} // namespace

std::string text_block(const calc::Answer& a) {
    std::string out;
    switch (a.kind) {
    case calc::QueryKind::Window:
        for (std::size_t i = 0; i < a.fields.size(); ++i) {
            const std::string_view line = blank_trimmed(a.fields[i].text);
            if (line.empty()) continue;
            out.append(std::to_string(ID_RIGA_1 + static_cast<int>(i))).append("\t").append(line);
            if (a.fields[i].series != calc::Series::None)
                out.append("\t").append(calc::series_name(a.fields[i].series));
            out += '\n';
        }
        break;
    case calc::QueryKind::Colours:
        for (const calc::ExactReading& r : a.readings)
            out += reading_line(r.reverse ? "inversa" : "diretta", r);
        break;
    case calc::QueryKind::Smd:
        for (const calc::ExactReading& r : a.readings)
            out += reading_line(std::string("SMD ") + a.smd_kind, r);
        break;
    case calc::QueryKind::Value:
        for (const calc::Encoding& code : a.codes) {
            out.append(std::to_string(code.band_count)).append(" bande\t");
            // A count that cannot code the value has no colours; why comes last.
            out.append(code.error.empty() ? colours(code.bands) : "-");
            out.append("\t").append(code.tolerance ? calc::tolerance_text(*code.tolerance)
                                                   : calc::kNoBandTolerance);
            out.append("\t").append(series_column(code));
            if (code.tc != 0) out.append("\t").append(std::to_string(code.tc)).append(" ppm/K");
            if (!code.error.empty()) out.append("\tnon si può: ").append(code.error);
            out += '\n';
        }
        for (const SmdKind& kind : {SmdKind{"3 cifre", &calc::SmdCodes::three, "5%"},
                                    SmdKind{"4 cifre", &calc::SmdCodes::four, "1%"},
                                    SmdKind{"EIA-96", &calc::SmdCodes::eia96, "1%"}}) {
            const std::string& code = a.smd.*kind.code;
            out.append("SMD ").append(kind.name).append("\t");
            out.append(code.empty() ? "nessuno" : code).append("\t").append(kind.tolerance) += '\n';
        }
        break;
    }
    return out;
}

} // namespace cli
