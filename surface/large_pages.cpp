// Backing images of many megabytes on 2 MB pages where the system offers
// them: a full-size dialog holds several, and on 4 KB pages both filling
// them and handing them back at the end cost one step per 4 KB.
#include "surface/surface_private.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace surface::detail {

void advise_large_pages(QImage& image) {
    constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
    if (image.isNull() || image.sizeInBytes() < qsizetype(4 * kLargePage)) return;
    // The whole 2 MB pages inside the pixels, which are not touched yet.
    const auto begin = reinterpret_cast<uintptr_t>(image.bits());
    const uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t last = (begin + uintptr_t(image.sizeInBytes())) & ~(kLargePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

} // namespace surface::detail
