// The program's 8-bit Latin-1 texts as the toolkit's strings.
#pragma once

#include <QString>
#include <string>

namespace surface::detail {

inline QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace surface::detail
