// The colour effects on any snapshot and any effect name.
//
// Input: a selector byte (below 192: one of the names below; otherwise a
// name of up to 24 bytes taken from the input), a level byte, a shape byte
// (below 128: the header is made from the next two bytes, at most 32 x 32;
// otherwise the header is whatever the input holds), then the snapshot.
#include "imaging/effects.h"
#include "support.h"

#include <cstring>

namespace {

const char* const kNames[] = {
    "effetto_bgx",      "effetto_brr",      "effetto_blu",
    "effetto_verde",    "effetto_rosso",    "effetto_giallo",
    "effetto_giallino", "effetto_scurisci", "effetto_schiarisci",
    "effetto_xx1",      "effetto_xx2",      "effetto_xx3",
    "effetto_xx4",      "effetto_xxx",      "effetto_psico",
    "  EFFETTO_Verde ", "effetto_",         "",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Reader in(data, size);
    const uint8_t selector = in.byte();
    const std::string name =
        selector < 192 ? std::string(kNames[selector % std::size(kNames)]) : in.take(selector % 25);
    const float livello = float(int8_t(in.byte())) * 1.5f;
    std::string snapshot;
    if (in.byte() < 128) {
        const int32_t w = in.byte() % 33, h = in.byte() % 33;
        snapshot.resize(8);
        std::memcpy(snapshot.data(), &w, 4);
        std::memcpy(snapshot.data() + 4, &h, 4);
    }
    snapshot += in.rest();

    const std::string before = snapshot;
    const std::string copy = NG_LI_EF(snapshot, name, livello);
    // The copy is the result; the size never changes; a name that selects
    // no effect changes nothing.
    if (copy != snapshot || snapshot.size() != before.size()) std::abort();
    if (!effect_known(name) && snapshot != before) std::abort();
    return 0;
}
