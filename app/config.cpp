// The configuration file "tavi_menu_conf.cnf": dialog size and frame width.
#include "app/app.h"
#include "base/blanks.h"

#include <climits>
#include <string>
#include <string_view>

int32_t pixelori = 0;
int32_t pixelver = 0;
int32_t larghezzacornice = 0;

namespace {

constexpr int32_t kOutOfRange = INT32_MIN;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Value of c as a digit of the given base, or -1.
int digit_value(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

// An unsigned integer in base 2, 8 or 16 starting at text[i]. Saturates: any
// value beyond the 32-bit range only has to be recognised as too large.
int32_t read_based(std::string_view text, std::size_t i, int base) {
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int d = digit_value(text[i], base);
        if (d < 0) break;
        if (value <= UINT32_MAX)
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    return value > INT32_MAX ? kOutOfRange : static_cast<int32_t>(value);
}

// A decimal number starting at text[i], rounded exactly (halves to the even
// neighbour) from its digits rather than through a binary fraction, so that
// 0.5000000000000000001 rounds up and 2.5 rounds down.
int32_t read_decimal(std::string_view text, std::size_t i) {
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // value = 0.digits x 10^point, with leading zeros dropped.
    std::string digits;
    int64_t point = 0;
    bool seen_point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (is_digit(c)) {
            if (digits.empty() && c == '0') {
                if (seen_point) --point;
                continue;
            }
            digits.push_back(c);
            if (!seen_point) ++point;
        } else if (c == '.' && !seen_point) {
            seen_point = true;
        } else {
            break;
        }
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::size_t j = i + 1;
        bool exp_negative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exp_negative = text[j++] == '-';
        int64_t exponent = 0;
        for (; j < text.size() && is_digit(text[j]); ++j) {
            // Far beyond anything that matters; stops the count from overflowing.
            if (exponent < 1000000000) exponent = exponent * 10 + (text[j] - '0');
        }
        point += exp_negative ? -exponent : exponent;
    }
    if (digits.empty()) return 0;
    if (point > 10) return kOutOfRange; // at least 10^10

    // Whole part: the first `point` digits (padded with zeros).
    int64_t whole = 0;
    for (int64_t k = 0; k < point; ++k) {
        const std::size_t idx = static_cast<std::size_t>(k);
        whole = whole * 10 + (idx < digits.size() ? digits[idx] - '0' : 0);
    }
    // Fraction: compare its first digit and the rest with one half. A value
    // below 0.1 (point < 0) is less than a half.
    if (point < 0) return 0;
    int first = 0;
    bool rest_nonzero = false;
    const std::size_t p = static_cast<std::size_t>(point);
    if (p < digits.size()) {
        first = digits[p] - '0';
        for (std::size_t k = p + 1; k < digits.size() && !rest_nonzero; ++k)
            rest_nonzero = digits[k] != '0';
    }
    if (first > 5 || (first == 5 && (rest_nonzero || whole % 2 == 1))) ++whole;

    if (negative) whole = -whole;
    if (whole < INT32_MIN || whole > INT32_MAX) return kOutOfRange;
    return static_cast<int32_t>(whole);
}

// Looks for one key in a line: the value runs from after its first
// occurrence to its next occurrence or the end of the line.
void take_key(std::string_view line, std::string_view key, int32_t& target) {
    const std::size_t at = line.find(key);
    if (at == std::string_view::npos) return;
    const std::size_t start = at + key.size();
    const std::size_t next = line.find(key, start);
    const std::size_t end = next == std::string_view::npos ? line.size() : next;
    target = LEGGI_NUMERO(line.substr(start, end - start));
}

} // namespace

int32_t LEGGI_NUMERO(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    if (i < text.size() && text[i] == '&') {
        ++i;
        if (i >= text.size()) return 0;
        switch (text[i]) {
        case 'H':
        case 'h':
            return read_based(text, i + 1, 16);
        case 'B':
        case 'b':
            return read_based(text, i + 1, 2);
        case 'O':
        case 'o':
        case 'Q':
        case 'q':
            return read_based(text, i + 1, 8);
        default:
            return read_based(text, i, 8); // "&17": octal digits straight after "&"
        }
    }
    return read_decimal(text, i);
}

void LEGGO_CN(const std::string& file) {
    const surface::Size schermo = surface::desktop_size();
    if (!surface::file_exists(file)) return;

    // The reader keeps at most the first megabyte of a line and ends the file
    // at a read error, so a huge or unreadable file cannot hang the start-up.
    // A file that cannot be opened changes nothing.
    surface::TextFile reader;
    if (!reader.open(file)) return;
    while (!reader.eof()) {
        const std::string line = reader.read_line();
        const std::string_view s = blank_trimmed(line);
        if (s.empty() || s.front() == '\'') continue;
        take_key(s, "pixelori=", pixelori);
        take_key(s, "pixelver=", pixelver);
        take_key(s, "larghezzacornice=", larghezzacornice);
    }
    reader.close();

    if (pixelori < 0) pixelori = schermo.w;
    if (pixelver < 0) pixelver = schermo.h;
}
