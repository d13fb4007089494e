// Which x86 vector instructions the processor has, looked up once. Pixel
// loops written with them are compiled only for x86 (RESISTENZE_X86_VECTORS)
// and run only where has() says so; elsewhere the plain loops do the work.
// Qt-free, header-only.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define RESISTENZE_X86_VECTORS 1
#else
#define RESISTENZE_X86_VECTORS 0
#endif

namespace cpu {

enum class Vectors { Ssse3, Sse41 };

inline bool has(Vectors set) {
#if RESISTENZE_X86_VECTORS
    struct Found {
        bool ssse3, sse41;
    };
    static const Found found = [] {
        __builtin_cpu_init();
        return Found{__builtin_cpu_supports("ssse3") != 0, __builtin_cpu_supports("sse4.1") != 0};
    }();
    return set == Vectors::Ssse3 ? found.ssse3 : found.sse41;
#else
    (void)set;
    return false;
#endif
}

} // namespace cpu
