// The graphic-button record, a leaf header: the see-through face includes it
// without depending on the button library.
#pragma once

#include "base/blanks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// A text field of fixed capacity: a longer assignment is cut, a shorter one
// padded with blanks; it is always read with leading and trailing blanks
// (the space character only) removed.
template <std::size_t N> class FixedText {
  public:
    FixedText() { std::memset(buf_, ' ', N); }
    FixedText(std::string_view s) { assign(s); } // NOLINT: assignment from text is the point
    FixedText& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    void assign(std::string_view s) {
        const std::size_t n = std::min(s.size(), N);
        std::memcpy(buf_, s.data(), n);
        std::memset(buf_ + n, ' ', N - n);
    }
    // The text without leading and trailing blanks.
    std::string str() const { return trim_blanks(std::string_view(buf_, N)); }
    bool blank() const { return str().empty(); }
    static constexpr std::size_t capacity = N;
    bool operator==(const FixedText&) const = default;

  private:
    char buf_[N];
};

struct NG_BOTTONE {
    int32_t indice = 0;
    int32_t stato = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t larghezza = 0;
    int32_t altezza = 0;
    FixedText<128> testo_0;
    FixedText<128> testo_1;
    int32_t colore_testo_0 = 0;
    int32_t colore_testo_1 = 0;
    int32_t colore_ombra = 0;
    int32_t colore_etichetta = 0;
    int32_t ombra_etichetta = 0;
    FixedText<20> effetto_0;
    FixedText<20> effetto_1;
    int32_t trasparente = 0;
    FixedText<128> immagine;
    FixedText<64> etichetta;
    int32_t font = 0;
    int32_t cornice = 0;
    int32_t modo_immagine = 0;
    bool operator==(const NG_BOTTONE&) const = default;
};
