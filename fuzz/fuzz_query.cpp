// resistenze-codice's questions on any text: colours, values and SMD codes,
// with the options taken from the first byte. Every value that is coded in
// colours reads back as itself from those colours.
#include "calc_core/bands.h"
#include "calc_core/query.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    calc::QueryOptions options;
    options.window = (data[0] & 1) != 0;
    options.smd = (data[0] & 2) != 0;
    if (data[0] & 4) options.tolerance = static_cast<unsigned char>((data[0] >> 4) % 12);
    if (data[0] & 8) options.tc = static_cast<unsigned char>((data[0] >> 4) % 12);
    const std::string query(reinterpret_cast<const char*>(data) + 1, size - 1);
    const calc::Answer a = calc::answer(query, options);
    if (!a.value || !a.error.empty()) return 0;
    for (const calc::Row& code : a.rows) {
        if (code.kind != calc::RowKind::Code || !code.reason.empty()) continue;
        std::string colours;
        for (const unsigned char b : code.bands) colours += std::string(calc::band_name(b)) + " ";
        const calc::Answer back = calc::answer(colours, {});
        bool found = false;
        for (const calc::Row& r : back.rows) found |= r.value == *a.value;
        if (!found) std::abort();
    }
    return 0;
}
