#include "ngbutton/ng_detail.h"

#include "ngbutton/ngbutton.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace ngbutton {

int32_t int_div(double a, double b) {
    const int64_t x = base::round_even(a);
    const int64_t y = base::round_even(b);
    if (y == 0) return 0;
    return static_cast<int32_t>(x / y);
}

double read_number(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t start = i;
    auto digit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (digit(i)) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (digit(i)) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        if (digit(k)) {
            while (digit(k)) ++k;
            end = k;
        }
    }
    std::string_view num = text.substr(start, end - start);
    bool negative = false;
    if (num.front() == '+' || num.front() == '-') {
        negative = num.front() == '-';
        num.remove_prefix(1);
    }
    double value = 0.0;
    const auto res =
        std::from_chars(num.data(), num.data() + num.size(), value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Beyond a double: a negative exponent means a tiny value, otherwise
        // saturate (the caller clamps).
        const std::size_t e = num.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < num.size() && num[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::max();
    } else if (res.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::vector<std::string> split_words(std::string_view text) {
    std::vector<std::string> words;
    std::string_view s = text;
    for (;;) {
        std::size_t cut = std::string_view::npos;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == ' ' || s[i] == ',') {
                cut = i + 1;
                break;
            }
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n' && i + 2 < s.size() &&
                s[i + 2] != ' ' && s[i + 2] != ',') {
                cut = i + 2;
                break;
            }
        }
        if (cut == std::string_view::npos) {
            words.emplace_back(s);
            return words;
        }
        words.emplace_back(s.substr(0, cut));
        s.remove_prefix(cut);
    }
}

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    for (;;) {
        const std::size_t p = text.find("\r\n");
        if (p == std::string_view::npos) {
            lines.emplace_back(text);
            return lines;
        }
        lines.emplace_back(text.substr(0, p));
        text.remove_prefix(p + 2);
    }
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    if (from.empty()) return std::string(text);
    out.reserve(text.size());
    for (;;) {
        const std::size_t p = text.find(from);
        if (p == std::string_view::npos) {
            out.append(text);
            return out;
        }
        out.append(text.substr(0, p));
        out.append(to);
        text.remove_prefix(p + from.size());
    }
}

std::string accessible_name(std::string_view caption) {
    std::string out;
    bool pending_blank = false;
    for (const char ch : caption) {
        const auto c = static_cast<unsigned char>(ch);
        const bool blank =
            c == ' ' || c == '$' || c == '+' || c == '_' || c == '\r' || c == '\n' || c == 176;
        if (blank) {
            pending_blank = !out.empty();
            continue;
        }
        if (pending_blank) out.push_back(' ');
        pending_blank = false;
        out.push_back(ch);
    }
    return out;
}

std::string* cache_entry(int32_t index, int32_t state) {
    if (index < 0 || index > NG_MAX_IMMAGINE || state < 0 || state > 1) return nullptr;
    if (static_cast<std::size_t>(index) >= NG_IMMAGINI.size()) return nullptr;
    return &NG_IMMAGINI[static_cast<std::size_t>(index)][static_cast<std::size_t>(state)];
}

} // namespace ngbutton
