// Values as people write them: "4k7", "4.7 kOhm", "1.5MEG", "1e3", "4,7k".
#include "calc_core/value_code.h"

#include "base/blanks.h"

#include <limits>
#include <utility>

namespace calc {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

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
        if (lower(tail[i]) != word[i]) return false;
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
            return refused("parola non leggibile: \"" + std::string(text.substr(b, e - b)) + "\"");
    }
    std::size_t n = 1;
    while (static_cast<unsigned char>(text[i]) >= 0x80 && i + n < text.size() &&
           (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
        ++n;
    return refused("carattere non leggibile: \"" + std::string(text.substr(i, n)) + "\"");
}

} // namespace

ParsedValue parse_value(std::string_view text) {
    text = blank_trimmed(text);
    // The unit, then a multiplier word: "4.7 kiloohm", "1.5MEG", "4.7kOhms".
    for (std::string_view ohm : {"\xCE\xA9", "\xE2\x84\xA6", "ohms", "ohm"}) // omega, ohm sign
        if (strip_word(text, ohm)) break;
    int word = 0;
    for (const auto& [name, exponent] :
         {std::pair<std::string_view, int>{"kilo", 3}, {"mega", 6}, {"meg", 6}, {"giga", 9}})
        if (strip_word(text, name)) {
            word = exponent;
            break;
        }
    if (text.empty()) return refused("valore mancante");

    std::uint64_t significand = 0;
    int after_point = 0, unit = word, exponent = 0;
    bool point = false, has_unit = word != 0, has_digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool last = i + 1 == text.size();
        if (is_digit(c)) {
            if (significand > (std::numeric_limits<std::uint64_t>::max() - 9) / 10)
                return refused("troppe cifre");
            significand = 10 * significand + static_cast<unsigned>(c - '0');
            after_point += point;
            has_digit = true;
        } else if (c == '.' || c == ',') {
            if (point) return refused(quoted(c) + "\" di troppo: un solo separatore decimale");
            point = true;
        } else if ((c == 'e' || c == 'E') && has_digit && !has_unit) {
            // "1e3", "4.7E-3": the rest is a power of ten.
            std::string_view rest = text.substr(i + 1);
            const bool negative = !rest.empty() && rest.front() == '-';
            if (!rest.empty() && (rest.front() == '-' || rest.front() == '+'))
                rest.remove_prefix(1);
            if (rest.empty() || rest.size() > 2) return unreadable(text, i);
            for (char d : rest)
                if (!is_digit(d)) return unreadable(text, i);
            exponent = (rest.size() == 2 ? 10 * (rest[0] - '0') : 0) + (rest.back() - '0');
            if (negative) exponent = -exponent;
            break;
        } else if (unit_exponent(c) >= 0 && !(i + 1 < text.size() && is_letter(text[i + 1])) &&
                   !(i > 0 && is_letter(text[i - 1]))) {
            if (has_unit) return refused(quoted(c) + "\" di troppo: una sola lettera di unità");
            has_unit = true;
            unit = unit_exponent(c);
            // Inside the number ("4k7") the letter is also the decimal point.
            if (!last) {
                if (point)
                    return refused(quoted(c) +
                                   "\" dopo il separatore decimale: 4.7k o 4k7, non 4.7k5");
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
    return {make_ohms(significand, unit - after_point + exponent), ""};
}

} // namespace calc
