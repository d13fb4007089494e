// The codes printed on surface-mount resistors: three digits ("472", 5 %),
// four digits ("4702", 1 %), "R" for the decimal point ("4R7", "R47"), and
// EIA-96 ("01C" = 10 kOhm, 1 %); "0", "000" and the like for a 0 Ohm link.
// Pure C++, no toolkit.
#pragma once

#include "calc_core/exact_reading.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

enum class SmdKind { Zero, ThreeDigits, FourDigits, Eia96 };

// Each kind with its name and the tolerance band its codes are taken at
// (none for a 0 Ohm link).
struct SmdKindFacts {
    SmdKind kind;
    const char* name;
    std::optional<unsigned char> tolerance;
};
inline constexpr std::array<SmdKindFacts, 4> kSmdKinds = {{
    {SmdKind::Zero, "0 Ohm", std::nullopt},
    {SmdKind::ThreeDigits, "3 cifre", kOro},
    {SmdKind::FourDigits, "4 cifre", kMarrone},
    {SmdKind::Eia96, "EIA-96", kMarrone},
}};
inline constexpr const SmdKindFacts& smd_facts(SmdKind kind) {
    return kSmdKinds[static_cast<std::size_t>(kind)];
}
// "5%", "1%"; "-" for a 0 Ohm link.
const char* smd_tolerance(SmdKind kind);

struct SmdReading {
    SmdKind kind = SmdKind::Zero;
    ExactReading reading; // the value, its usual tolerance and series
};
struct SmdReadings {
    std::vector<SmdReading> readings; // one, or two for a code both kinds read
    std::string error;                // Italian, naming what could not be read
};

// Reads a code in any case. A trailing "R" after two digits is the decimal
// point (47R = 47 Ohm) and also EIA-96's other letter for "Y" (x0.01: 47R is
// 3.01 Ohm as well), so "01R" ... "96R" give both readings. EIA-96 writes
// "S" and "H" for "X" and "B" too. Any code that means no resistance is a 0
// Ohm link.
SmdReadings read_smd(std::string_view code);

// The codes a value has, one per kind; "" where it has none of a kind: three
// digits for an E24 value (5 %), four digits for a value of the 1 % series
// (E96 and E24), EIA-96 for an E96 value. 0 Ohm has its one code, "000".
struct SmdCode {
    SmdKind kind;
    std::string code;
};
std::vector<SmdCode> smd_codes(const Ohms& v);

} // namespace calc
