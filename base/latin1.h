// The program's texts are 8-bit Latin-1 strings. Qt-free helpers for them;
// the conversion to QString lives with the toolkit code.
#pragma once

#include <string>

namespace base {

// Upper case of a Latin-1 text: a-z and the accented small letters
// (0xE0-0xFE but the division sign); every other byte stays.
inline std::string upper_latin1(std::string text) {
    for (char& ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            ch = static_cast<char>(c - 0x20);
    }
    return text;
}

} // namespace base
