// Answers as JSON Lines: one object per query, the rows grouped by kind.
#include "cli/print.h"

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

std::string text_or_null(const std::string& s) {
    return s.empty() ? "null" : quoted(s);
}

// A deviation in hundredths of a percent as a JSON number ("-3.33").
std::string percent(int hundredths) {
    std::string text = calc::deviation_text(hundredths);
    text.pop_back();
    return text.front() == '+' ? text.substr(1) : text;
}

std::string value(const calc::Ohms& v) {
    return "\"ohms\":" + calc::ohms_number(v) + ",\"value\":" + quoted(calc::ohms_text(v));
}

std::string colours(const std::string& bands) {
    std::string out;
    for (const char b : bands)
        out.append(out.empty() ? "" : ",")
            .append(quoted(calc::band_name(static_cast<unsigned char>(b))));
    return "[" + out + "]";
}

std::string object(const calc::Row& r) {
    switch (r.kind) {
    case calc::RowKind::Reading:
        return "{\"direction\":" + quoted(r.direction) + "," + value(r.value) +
               ",\"tolerance\":" + quoted(r.tolerance) +
               ",\"min_ohms\":" + calc::ohms_number(r.low) +
               ",\"min\":" + quoted(calc::ohms_text(r.low)) +
               ",\"max_ohms\":" + calc::ohms_number(r.high) +
               ",\"max\":" + quoted(calc::ohms_text(r.high)) + ",\"series\":" + series(r.series) +
               ",\"tc_ppm\":" + tc(r.tc) +
               (r.bands.empty() ? "" : ",\"colours\":" + colours(r.bands)) + "}";
    case calc::RowKind::Field:
        return "{\"field\":" + std::to_string(kFirstField + static_cast<int>(r.slot)) +
               ",\"line\":" + quoted(r.text) + ",\"series\":" + series(r.series) + "}";
    case calc::RowKind::Code: {
        std::string near;
        for (const calc::Neighbour& n : r.neighbours)
            near.append(near.empty() ? "" : ",")
                .append("{\"series\":" + series(n.series) + "," + value(n.value) +
                        ",\"deviation_percent\":" + percent(n.deviation) + "}");
        return "{\"bands\":" + std::to_string(std::stoi(r.direction)) +
               ",\"colours\":" + colours(r.reason.empty() ? r.bands : "") +
               ",\"tolerance\":" + quoted(r.tolerance) + ",\"tc_ppm\":" + tc(r.tc) +
               ",\"series\":" + series(r.series) + ",\"neighbours\":[" + near +
               "],\"error\":" + text_or_null(r.reason) + "}";
    }
    case calc::RowKind::Smd:
        return "{\"kind\":" + quoted(r.direction) + ",\"code\":" + text_or_null(r.text) +
               ",\"tolerance\":" + quoted(r.tolerance) + "}";
    case calc::RowKind::Combination: {
        std::string parts;
        for (const calc::Part& p : r.parts)
            parts.append(parts.empty() ? "" : ",")
                .append("{")
                .append(value(p.value))
                .append(",\"colours\":")
                .append(colours(p.bands)) += '}';
        return "{\"form\":" + quoted(r.direction) + ",\"parts\":[" + parts +
               "],\"deviation_percent\":" + percent(r.deviation) + "}";
    }
    case calc::RowKind::Count:
        return "{\"combinations\":" + std::to_string(r.combinations) +
               ",\"readings\":" + std::to_string(r.readings) +
               ",\"standard\":" + std::to_string(r.standard) + "}";
    }
    return "{}";
}

} // namespace

std::string json_line(const calc::Answer& a) {
    std::string out = "{\"query\":" + quoted(a.query);
    if (a.value) out.append(",").append(value(*a.value));
    static constexpr struct {
        calc::RowKind kind;
        const char* key;
    } kGroups[] = {{calc::RowKind::Reading, "readings"},
                   {calc::RowKind::Field, "fields"},
                   {calc::RowKind::Code, "codes"},
                   {calc::RowKind::Smd, "smd"},
                   {calc::RowKind::Combination, "combinations"}};
    for (const auto& group : kGroups) {
        std::string items;
        for (const calc::Row& r : a.rows)
            if (r.kind == group.kind) items.append(items.empty() ? "" : ",").append(object(r));
        if (!items.empty()) out.append(",\"").append(group.key).append("\":[" + items + "]");
    }
    for (const calc::Row& r : a.rows)
        if (r.kind == calc::RowKind::Count) out += ",\"count\":" + object(r);
    return out + "}\n";
}

} // namespace cli
