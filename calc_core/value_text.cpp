// Values as people write them: "4k7", "4.7 kOhm", "1.5MEG", "1e3", "4,7k".
#include "calc_core/value_code.h"

#include "base/ascii.h"
#include "base/blanks.h"

#include <utility>

namespace calc {

namespace {

using base::lower_ascii;

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Removes a word from the end of the text, in any case.
bool strip_word(std::string_view& text, std::string_view word) {
    if (text.size() < word.size()) return false;
    const std::string_view tail = text.substr(text.size() - word.size());
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower_ascii(tail[i]) != word[i]) return false;
    text.remove_suffix(word.size());
    text = blank_trimmed(text);
    return true;
}

// The exponent of a unit letter, or -1 when c is none.
int unit_exponent(char c) {
    switch (c) {
    case 'R':
    case 'r':
        return 0;
    case 'k':
    case 'K':
        return 3;
    case 'M':
        return 6;
    case 'G':
    case 'g':
        return 9;
    default:
        return -1;
    }
}

// A character between quotes.
std::string quoted(char c) {
    std::string out(3, '"');
    out[1] = c;
    return out;
}

ParsedValue refused(std::string error) {
    return {{}, std::move(error)};
}

// What could not be read at text[i]: the whole word when it is one, the
// character otherwise (all of its bytes when it is not ASCII).
ParsedValue unreadable(std::string_view text, std::size_t i) {
    if (is_letter(text[i])) {
        std::size_t b = i, e = i;
        while (b > 0 && is_letter(text[b - 1])) --b;
        while (e < text.size() && is_letter(text[e])) ++e;
        if (e - b > 1)
            return refused("parola non leggibile: " + quoted_input(text.substr(b, e - b)));
    }
    std::size_t n = 1;
    while (static_cast<unsigned char>(text[i]) >= 0x80 && i + n < text.size() &&
           (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
        ++n;
    return refused("carattere non leggibile: \"" + std::string(text.substr(i, n)) + "\"");
}

// The value in the letter notation of resistor drawings: "4k7", "47k", "4R7".
std::string letter_text(const Ohms& v) {
    const int lead = v.exponent + digit_count(v.significand) - 1;
    const int unit = lead < 3 ? 0 : lead < 6 ? 3 : lead < 9 ? 6 : 9;
    std::string text = ohms_number(make_ohms(v.significand, v.exponent - unit));
    const char letter = "RkMG"[unit / 3];
    const std::size_t point = text.find('.');
    if (point == std::string::npos) return text + letter;
    text[point] = letter;
    return text;
}

// A comma after one to three digits (not a lone 0) and before exactly three
// more reads as a decimal point here and as a thousands separator in
// English: "4,700" is 4.7 Ohm or 4700 Ohm. The refusal names both readings
// and how to write each without doubt.
std::optional<std::string> ambiguous_comma(std::string_view text) {
    std::size_t k = 0;
    while (k < text.size() && is_digit(text[k])) ++k;
    if (k < 1 || k > 3 || (k == 1 && text[0] == '0') || k + 4 > text.size() || text[k] != ',')
        return std::nullopt;
    for (std::size_t i = k + 1; i < k + 4; ++i)
        if (!is_digit(text[i])) return std::nullopt;
    const std::string_view rest = text.substr(k + 4);
    if (!rest.empty() && (is_digit(rest[0]) || rest[0] == ',' || rest[0] == '.'))
        return std::nullopt;
    std::string fraction(text.substr(k + 1, 3));
    while (fraction.size() > 1 && fraction.back() == '0') fraction.pop_back();
    const std::string whole(text.substr(0, k)), tail(rest);
    const std::string decimal = whole + "." + fraction + tail;
    const std::string grouped = whole + std::string(text.substr(k + 1, 3)) + tail;
    const ParsedValue as_decimal = parse_value(decimal), as_thousands = parse_value(grouped);
    if (!as_decimal.error.empty() || !as_thousands.error.empty()) return std::nullopt;
    std::string out = "ambiguo: " + ohms_text(as_decimal.value) + " (" + whole + "," + fraction +
                      tail + " o " + decimal + ") o " + ohms_text(as_thousands.value) + " (" +
                      grouped;
    if (tail.empty()) out.append(" o ").append(letter_text(as_thousands.value));
    return out + ")";
}

// Whether an exact value lies in what the program reads: 0, or 0.001 Ohm
// to 999 GOhm.
bool in_range(const Ohms& v) {
    if (v.significand == 0) return true;
    const int n = digit_count(v.significand);
    const int lead = v.exponent + n - 1;
    if (lead < -3 || lead > 11) return false;
    return lead < 11 || n <= 3 || v.significand <= 999 * power10(n - 3);
}

} // namespace

std::string quoted_input(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string out(1, '"');
    if (text.size() <= kShown) return out.append(text) += '"';
    // Cut between characters, not inside one.
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return out.append(text.substr(0, cut)).append("\u2026\"");
}

ParsedValue parse_value(std::string_view text) {
    text = blank_trimmed(text);
    // The unit, then a multiplier word: "4.7 kiloohm", "1.5MEG", "4.7kOhms".
    for (std::string_view ohm : {"\xCE\xA9", "\xE2\x84\xA6", "ohms", "ohm"}) // omega, ohm sign
        if (strip_word(text, ohm)) break;
    // Before the multiplier word goes, so that the readings named keep it.
    if (const auto doubt = ambiguous_comma(text)) return refused(*doubt);
    int word = 0;
    for (const auto& [name, exponent] :
         {std::pair<std::string_view, int>{"kilo", 3}, {"mega", 6}, {"meg", 6}, {"giga", 9}})
        if (strip_word(text, name)) {
            word = exponent;
            break;
        }
    if (text.empty()) return refused("valore mancante");

    std::string digits; // the significant ones, leading zeros left out
    int after_point = 0, unit = word, exponent = 0;
    bool point = false, has_unit = word != 0, has_digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool last = i + 1 == text.size();
        if (is_digit(c)) {
            if (!digits.empty() || c != '0') digits += c;
            after_point += point;
            has_digit = true;
        } else if (c == '.' || c == ',') {
            if (point) return refused(quoted(c) + " di troppo: un solo separatore decimale");
            point = true;
        } else if ((c == 'e' || c == 'E') && has_digit && !has_unit) {
            // "1e3", "4.7E-3": the rest is a power of ten.
            std::string_view rest = text.substr(i + 1);
            const bool negative = !rest.empty() && rest.front() == '-';
            if (!rest.empty() && (rest.front() == '-' || rest.front() == '+'))
                rest.remove_prefix(1);
            if (rest.empty()) return unreadable(text, i);
            for (char d : rest) {
                if (!is_digit(d)) return unreadable(text, i);
                // Far beyond the range either way: the range says so.
                if (exponent < 1000) exponent = 10 * exponent + (d - '0');
            }
            if (negative) exponent = -exponent;
            break;
        } else if (unit_exponent(c) >= 0 && !(i + 1 < text.size() && is_letter(text[i + 1])) &&
                   !(i > 0 && is_letter(text[i - 1]))) {
            if (has_unit) return refused(quoted(c) + " di troppo: una sola lettera di unità");
            has_unit = true;
            unit = unit_exponent(c);
            // Inside the number ("4k7") the letter is also the decimal point.
            if (!last) {
                if (point)
                    return refused(quoted(c) +
                                   " dopo il separatore decimale: 4.7k o 4k7, non 4.7k5");
                point = true;
            }
        } else if (c == 'm' && !(i + 1 < text.size() && is_letter(text[i + 1]))) {
            return refused("\"m\" è ambiguo (milli o mega): scrivere M per i megaohm, "
                           "R per la virgola (0R22)");
        } else if (c == ' ' && i + 2 == text.size() &&
                   (unit_exponent(text[i + 1]) >= 0 || text[i + 1] == 'm')) {
            continue; // "4.7 k", as in "4.7 kOhm"
        } else {
            return unreadable(text, c == ' ' && !last ? i + 1 : i);
        }
    }
    if (!has_digit) return refused("mancano le cifre");
    int shift = unit - after_point + exponent;
    while (!digits.empty() && digits.back() == '0') digits.pop_back(), ++shift;
    if (digits.size() > kMostDigits) return refused(kValueRange);
    const Ohms v = digits.empty() ? Ohms{} : make_ohms(std::stoull(digits), shift);
    if (!in_range(v)) return refused(kValueRange);
    return {v, ""};
}

} // namespace calc
