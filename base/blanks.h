// Blanks around a text: the one trimming rule of the program. A text field of
// fixed capacity, a configuration line, an effect name, a result line or a
// word typed on the command line is read without its leading and trailing
// blanks (the space character only; tabs and other white space stay).
#pragma once

#include <string>
#include <string_view>

inline std::string_view blank_trimmed(std::string_view s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return s.substr(0, 0);
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}
inline std::string trim_blanks(std::string_view s) {
    return std::string(blank_trimmed(s));
}
