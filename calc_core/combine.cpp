// Combinations of standard values, searched in whole numbers: every value is
// counted in one unit, a power of ten small enough for all of them, and a
// combination's deviation is compared as a fraction without rounding.
#include "calc_core/combine.h"

#include "calc_core/bands.h"
#include "calc_core/value_code.h"

#include <algorithm>
#include <optional>

namespace calc {

namespace {

__extension__ typedef unsigned __int128 u128;

// a x b in 256 bits, for comparing fractions whose terms fill 128.
struct Wide {
    u128 high, low;
};
Wide times(u128 a, u128 b) {
    const u128 mask = ~std::uint64_t{0};
    const u128 a0 = a & mask, a1 = a >> 64, b0 = b & mask, b1 = b >> 64;
    const u128 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const u128 middle = (p00 >> 64) + (p01 & mask) + (p10 & mask);
    return {p11 + (p01 >> 64) + (p10 >> 64) + (middle >> 64), (p00 & mask) | (middle << 64)};
}
bool below(const Wide& x, const Wide& y) {
    return x.high < y.high || (x.high == y.high && x.low < y.low);
}

// A combination's result p / q against the value v: |p - v q| / q, and its
// sign.
struct Miss {
    u128 distance, q;
    bool above;
    bool better_than(const Miss& o) const {
        return below(times(distance, o.q), times(o.distance, q));
    }
};
Miss miss(u128 p, u128 q, u128 v) {
    const u128 target = v * q;
    return p >= target ? Miss{p - target, q, true} : Miss{target - p, q, false};
}

// The deviation of a miss from v in hundredths of a percent, halves to even.
int hundredths(const Miss& m, u128 v) {
    const u128 num = m.distance * 10000, den = v * m.q;
    u128 whole = num / den;
    const u128 rest = num % den;
    if (2 * rest > den || (2 * rest == den && whole % 2 == 1)) ++whole;
    const int h = static_cast<int>(whole);
    return m.above ? h : -h;
}

// The tolerance band a series is sold at ("oro" for E24, "argento" for
// E12 ...), none for E6 (three bands, 20 %).
std::optional<unsigned char> sold_at(Series s) {
    for (unsigned char b = 0; b < kBands.size(); ++b)
        if (has_tolerance(b) && kBands[b].series[0] == s) return b;
    return std::nullopt;
}

struct Candidate {
    u128 units;
    Ohms value;
};

} // namespace

bool combines_three(Series series) {
    return series != Series::None;
}

std::vector<Combination> combine(const Ohms& v, Series series) {
    std::vector<Combination> out;
    if (v.significand == 0 || series == Series::None || digit_count(v.significand) > kCombineDigits)
        return out;
    const auto tolerance = sold_at(series);
    const int band_count = series <= Series::E24 ? (tolerance ? 4 : 3) : 5;
    const int lead = v.exponent + digit_count(v.significand) - 1;
    // Values t x 10^d (t of three digits) from v / 1000 to v x 1000.
    const int lowest = lead - 5;
    const int unit = std::min(lowest, v.exponent);
    const auto units = [&](std::uint64_t s, int e) {
        u128 x = s;
        for (int i = unit; i < e; ++i) x *= 10;
        return x;
    };
    std::vector<Candidate> all;
    for (int d = lowest; d <= lead + 1; ++d)
        for (const int t : series_values(series)) {
            const Ohms c = make_ohms(static_cast<std::uint64_t>(t), d);
            const int c_lead = d + 2;
            if (c_lead < lead - 3 || c_lead > lead + 3) continue;
            if (!encode_value(c, band_count, tolerance).error.empty()) continue;
            all.push_back({units(static_cast<std::uint64_t>(t), d), c});
        }
    if (all.empty()) return out;
    const u128 V = units(v.significand, v.exponent);
    const auto part = [&](const Candidate& c) {
        return Part{c.value, encode_value(c.value, band_count, tolerance).bands};
    };
    const auto add = [&](Form form, const Miss& m, std::initializer_list<const Candidate*> parts) {
        Combination c{form, {}, hundredths(m, V)};
        std::vector<const Candidate*> sorted(parts);
        std::sort(sorted.begin(), sorted.end(),
                  [](const Candidate* a, const Candidate* b) { return a->units < b->units; });
        for (const Candidate* p : sorted) c.parts.push_back(part(*p));
        out.push_back(std::move(c));
    };

    // The nearest single value.
    std::optional<Miss> best;
    const Candidate* single = nullptr;
    for (const Candidate& c : all) {
        const Miss m = miss(c.units, 1, V);
        if (!best || m.better_than(*best)) best = m, single = &c;
    }
    add(Form::Single, *best, {single});

    // The first candidate whose units reach x / y (all is in ascending order).
    const auto first_reaching = [&](u128 x, u128 y) {
        return std::partition_point(all.begin(), all.end(),
                                    [&](const Candidate& c) { return c.units * y < x; });
    };
    // Each part in series lies below v; in parallel, above it. The last part
    // is the one nearest to what the others leave: the candidates on either
    // side of the exact remainder.
    const auto search = [&](Form form, int count) {
        std::optional<Miss> best_miss;
        const Candidate *p1 = nullptr, *p2 = nullptr, *p3 = nullptr;
        const auto consider = [&](const Candidate* a, const Candidate* b, const Candidate* c) {
            u128 p = 0, q = 1;
            if (form == Form::Series) {
                p = a->units + b->units + (c ? c->units : 0);
            } else if (!c) {
                p = a->units * b->units, q = a->units + b->units;
            } else {
                p = a->units * b->units * c->units;
                q = a->units * b->units + a->units * c->units + b->units * c->units;
            }
            const Miss m = miss(p, q, V);
            if (!best_miss || m.better_than(*best_miss)) best_miss = m, p1 = a, p2 = b, p3 = c;
        };
        // The last part beside a (and b), nearest to x / y on either side.
        const auto last = [&](const Candidate* a, const Candidate* b, u128 x, u128 y) {
            const auto at = first_reaching(x, y);
            for (const auto c : {at, at == all.begin() ? all.end() : at - 1})
                if (c != all.end()) b ? consider(a, b, &*c) : consider(a, &*c, nullptr);
        };
        for (auto i = all.begin(); i != all.end(); ++i) {
            const u128 a = i->units;
            if (form == Form::Series ? a > V : a <= V) continue;
            if (count == 2) {
                // Series: v - a; parallel: a v / (a - v).
                if (form == Form::Series)
                    last(&*i, nullptr, V - a, 1);
                else
                    last(&*i, nullptr, a * V, a - V);
                continue;
            }
            for (auto j = i; j != all.end(); ++j) {
                const u128 b = j->units;
                if (form == Form::Series) {
                    if (a + b > V) break;
                    last(&*i, &*j, V - a - b, 1);
                } else {
                    // 1/c = 1/v - 1/a - 1/b = (a b - v a - v b) / (v a b)
                    const u128 left = a * b, taken = V * (a + b);
                    if (left > taken) last(&*i, &*j, V * a * b, left - taken);
                }
            }
        }
        if (!best_miss) return;
        if (count == 2)
            add(form, *best_miss, {p1, p2});
        else
            add(form, *best_miss, {p1, p2, p3});
    };
    search(Form::Series, 2);
    search(Form::Parallel, 2);
    if (combines_three(series)) {
        search(Form::Series, 3);
        search(Form::Parallel, 3);
    }
    return out;
}

} // namespace calc
