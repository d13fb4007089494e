// The see-through button face: the piece of the background under the button,
// its grey frame, the picture layer's non-key pixels and the state's effect.
#include "ngbutton/see_through.h"

#include "base/snapshot.h"
#include "imaging/cpu_vectors.h"
#include "imaging/effects.h"
#include "ngbutton/look.h"

#include <cstdint>
#include <cstring>

#if RESISTENZE_X86_VECTORS
#include <immintrin.h>
#endif

namespace {

using base::snapshot::kHeader;
constexpr int32_t kFrameGrey = 0x808080;

// One pixel at a time: the picture's pixel where it is not the key.
void overlay_words(char* dst, const char* src, std::size_t from, std::size_t n, uint32_t key) {
    for (std::size_t k = from; k < n; ++k) {
        uint32_t p, s;
        std::memcpy(&p, src + 4 * k, 4);
        std::memcpy(&s, dst + 4 * k, 4);
        const uint32_t out = p != key ? p : s;
        std::memcpy(dst + 4 * k, &out, 4);
    }
}

#if RESISTENZE_X86_VECTORS
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("sse4.1"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("sse4.1")
#endif

// Eight pixels per step: compare with the key, blend the picture over the
// face where it differs; the last few pixels one at a time.
void overlay_vectors(char* dst, const char* src, std::size_t n, uint32_t key) {
    const __m128i keys = _mm_set1_epi32(static_cast<int>(key));
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        auto* d = reinterpret_cast<__m128i*>(dst + 4 * k);
        const auto* p = reinterpret_cast<const __m128i*>(src + 4 * k);
        const __m128i p0 = _mm_loadu_si128(p), p1 = _mm_loadu_si128(p + 1);
        const __m128i s0 = _mm_loadu_si128(d), s1 = _mm_loadu_si128(d + 1);
        _mm_storeu_si128(d, _mm_blendv_epi8(p0, s0, _mm_cmpeq_epi32(p0, keys)));
        _mm_storeu_si128(d + 1, _mm_blendv_epi8(p1, s1, _mm_cmpeq_epi32(p1, keys)));
    }
    overlay_words(dst, src, k, n, key);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

} // namespace

void overlay_non_key(std::string& face, const std::string& picture) {
    // Equal lengths are what make the pass safe: both positions run over the
    // same number of whole pixels.
    if (face.size() != picture.size() || picture.size() < kHeader + 4) return;
    const std::size_t n = (picture.size() - kHeader) / 4;
    const char* src = picture.data() + kHeader;
    char* dst = face.data() + kHeader;
    uint32_t key;
    std::memcpy(&key, src, 4); // the top-left pixel, all four bytes
#if RESISTENZE_X86_VECTORS
    if (cpu::has(cpu::Vectors::Sse41)) {
        overlay_vectors(dst, src, n, key);
        return;
    }
#endif
    overlay_words(dst, src, 0, n, key);
}

std::string NG_MEM_S(const surface::Handle& dialog, const int32_t& background_id,
                     const std::string& picture, const int32_t& id, const NG_BOTTONE& record) {
    return ngbutton::compose_see_through(surface::control_pixels(dialog, background_id),
                                         surface::control_pos(dialog, id),
                                         surface::control_size(dialog, id), picture, record);
}

namespace ngbutton {

std::string compose_see_through(const QImage& background, surface::Point at, surface::Size size,
                                const std::string& picture, const NG_BOTTONE& record) {
    // The background under the button, to the button's top-left corner; the
    // surface cuts the copy at the button's edges.
    surface::copy_image(background, at.x, at.y, at.x + size.w, at.y + size.h, 0, 0);

    if (record.cornice > 0) {
        surface::pen_width(record.cornice);
        surface::box(0, 0, size.w, size.h, 0, kFrameGrey, surface::NO_COLOUR);
        surface::pen_width(1);
    }

    std::string face = surface::get_pixels();
    overlay_non_key(face, picture);

    surface::set_display(surface::Display::Direct);
    const std::string effect = record.stato == 0 ? record.effetto_0.str() : record.effetto_1.str();
    const float livello = 0.0f;
    apply_effect(face, effect, livello);
    surface::set_pixels(face);
    return face;
}

} // namespace ngbutton
