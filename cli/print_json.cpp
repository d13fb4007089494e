// Answers as JSON Lines: one object per query.
#include "cli/print.h"

#include "base/blanks.h"

namespace cli {

namespace {

std::string quoted(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out.append("\\u00").append(1, hex[c >> 4]) += hex[c & 15];
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string series(calc::Series s) {
    return s == calc::Series::None ? "null" : quoted(calc::series_name(s));
}

std::string tc(int ppm) {
    return ppm == 0 ? "null" : std::to_string(ppm);
}

// A deviation in hundredths of a percent as a JSON number ("-3.33").
std::string percent(int hundredths) {
    std::string text = calc::deviation_text(hundredths);
    text.pop_back();
    return text.front() == '+' ? text.substr(1) : text;
}

std::string reading(const std::string& direction, const calc::ExactReading& r) {
    return "{\"direction\":" + quoted(direction) + ",\"ohms\":" + calc::ohms_number(r.value) +
           ",\"value\":" + quoted(calc::ohms_text(r.value)) +
           ",\"tolerance\":" + quoted(r.tolerance) + ",\"min_ohms\":" + calc::ohms_number(r.low) +
           ",\"max_ohms\":" + calc::ohms_number(r.high) + ",\"series\":" + series(r.series) +
           ",\"tc_ppm\":" + tc(r.tc) + "}";
}

std::string code(const calc::Encoding& c) {
    std::string colours, near;
    for (const char b : c.bands)
        colours.append(colours.empty() ? "" : ",")
            .append(quoted(calc::band_name(static_cast<unsigned char>(b))));
    for (const calc::Neighbour& n : c.neighbours)
        near.append(near.empty() ? "" : ",")
            .append("{\"series\":" + series(n.series) + ",\"ohms\":" + calc::ohms_number(n.value) +
                    ",\"value\":" + quoted(calc::ohms_text(n.value)) +
                    ",\"deviation_percent\":" + percent(n.deviation) + "}");
    return "{\"bands\":" + std::to_string(c.band_count) + ",\"colours\":[" + colours +
           "],\"tolerance\":" +
           quoted(c.tolerance ? calc::tolerance_text(*c.tolerance) : calc::kNoBandTolerance) +
           ",\"tc_ppm\":" + tc(c.tc) + ",\"series\":" + series(c.series) + ",\"neighbours\":[" +
           near + "],\"error\":" + (c.error.empty() ? "null" : quoted(c.error)) + "}";
}

std::string smd_code(const std::string& c) {
    return c.empty() ? "null" : quoted(c);
}

} // namespace

std::string json_line(const calc::Answer& a) {
    std::string out = "{\"query\":" + quoted(a.query);
    switch (a.kind) {
    case calc::QueryKind::Window: {
        std::string fields;
        for (std::size_t i = 0; i < a.fields.size(); ++i) {
            const std::string_view line = blank_trimmed(a.fields[i].text);
            if (line.empty()) continue;
            fields.append(fields.empty() ? "" : ",")
                .append("{\"field\":" + std::to_string(ID_RIGA_1 + static_cast<int>(i)) +
                        ",\"line\":" + quoted(line) + ",\"series\":" + series(a.fields[i].series) +
                        "}");
        }
        out += ",\"fields\":[" + fields + "]";
        break;
    }
    case calc::QueryKind::Colours:
    case calc::QueryKind::Smd: {
        std::string readings;
        for (const calc::ExactReading& r : a.readings)
            readings.append(readings.empty() ? "" : ",")
                .append(reading(a.kind == calc::QueryKind::Smd ? std::string("SMD ") + a.smd_kind
                                : r.reverse                    ? "inversa"
                                                               : "diretta",
                                r));
        out += ",\"readings\":[" + readings + "]";
        break;
    }
    case calc::QueryKind::Value: {
        std::string codes;
        for (const calc::Encoding& c : a.codes)
            codes.append(codes.empty() ? "" : ",").append(code(c));
        out += ",\"ohms\":" + calc::ohms_number(a.value) +
               ",\"value\":" + quoted(calc::ohms_text(a.value)) + ",\"codes\":[" + codes +
               "],\"smd\":{\"3 cifre\":" + smd_code(a.smd.three) +
               ",\"4 cifre\":" + smd_code(a.smd.four) + ",\"EIA-96\":" + smd_code(a.smd.eia96) +
               "}";
        break;
    }
    }
    return out + "}\n";
}

} // namespace cli
