// The number reader of the configuration file on any text.
#include "app/app.h"
#include "support.h"

#include <climits>
#include <string_view>

namespace {

// A sign and one to nine decimal digits, nothing else: small enough for a
// direct reading to compare with.
bool plain_integer(std::string_view s) {
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int32_t value = LEGGI_NUMERO(text);
    // Leading blanks, tabs and line ends are skipped.
    if (LEGGI_NUMERO(" \t\r\n" + text) != value) std::abort();
    if (plain_integer(text) && value != std::strtol(text.c_str(), nullptr, 10)) std::abort();
    return 0;
}
