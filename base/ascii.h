// Case of ASCII letters, for words typed on the command line (colour names,
// units, SMD codes): A-Z and a-z only, every other byte as it is. The
// program's own Latin-1 texts take base/latin1.h.
#pragma once

#include <string>
#include <string_view>

namespace base {

inline char lower_ascii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Whether two words are the same letters in any case.
inline bool same_ascii_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower_ascii(a[i]) != lower_ascii(b[i])) return false;
    return true;
}

} // namespace base
