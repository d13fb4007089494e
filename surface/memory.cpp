// Memory for images. An image is touched for the first time soon after it
// is made; in 4 KB pages that costs one page fault per page, which at
// start-up is a good part of the program's time. Big images are therefore
// asked of the system in large pages, aligned to them, and the images of
// graphic controls, made by the dozen at start-up, are cut from shared
// blocks of large pages.
#include "surface/canvas.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <sys/mman.h>

namespace surface {

namespace {

constexpr size_t kLargePage = size_t(2) << 20;
// Below this an image keeps the ordinary allocator: rounding it up to whole
// large pages would waste too much of it.
constexpr size_t kLargeImage = size_t(4) << 20;

void release(void* memory) {
    std::free(memory);
}

// Pixels of aligned large pages (`bytes` a whole number of them), or
// nullptr where the system has none.
void* large_pages(size_t bytes) {
#ifdef MADV_HUGEPAGE
    void* memory = std::aligned_alloc(kLargePage, bytes);
    if (memory != nullptr) madvise(memory, bytes, MADV_HUGEPAGE);
    return memory;
#else
    (void)bytes;
    return nullptr;
#endif
}

// A block that control images are cut from, one after the other. It goes
// back to the system when its last image has gone and new images are cut
// from a newer block; the block in use starts again from its beginning.
struct Block {
    unsigned char* base = nullptr;
    size_t used = 0;
    size_t live = 0;
};
constexpr size_t kBlockBytes = 2 * kLargePage;
// Smaller images are not worth a share of a block; larger ones get their own.
constexpr size_t kSmallestShare = size_t(16) << 10;

std::mutex blocks_lock;
Block* open_block = nullptr;

void release_share(void* info) {
    auto* block = static_cast<Block*>(info);
    std::lock_guard lock(blocks_lock);
    if (--block->live != 0) return;
    if (block == open_block) {
        block->used = 0;
        return;
    }
    std::free(block->base);
    delete block;
}

// Room for `bytes` in the open block (a new one when it is full); nullptr
// when no block can be had. Called with the lock held.
unsigned char* cut(size_t bytes, Block*& from) {
    if (open_block == nullptr || open_block->used + bytes > kBlockBytes) {
        auto* block = new (std::nothrow) Block;
        if (block == nullptr) return nullptr;
        block->base = static_cast<unsigned char*>(large_pages(kBlockBytes));
        if (block->base == nullptr) {
            delete block;
            return nullptr;
        }
        if (open_block != nullptr && open_block->live == 0) {
            std::free(open_block->base);
            delete open_block;
        }
        open_block = block;
    }
    unsigned char* at = open_block->base + open_block->used;
    open_block->used += (bytes + 63) & ~size_t(63);
    ++open_block->live;
    from = open_block;
    return at;
}

} // namespace

QImage new_image(int32_t width, int32_t height) {
    if (!detail::fits_image(width, height)) return {};
    const size_t bytes = size_t(width) * size_t(height) * 4;
    if (bytes >= kLargeImage) {
        const size_t rounded = (bytes + kLargePage - 1) & ~(kLargePage - 1);
        if (void* memory = large_pages(rounded)) {
            QImage image(static_cast<uchar*>(memory), width, height, qsizetype(width) * 4,
                         QImage::Format_RGB32, release, memory);
            if (!image.isNull()) return image;
            std::free(memory);
        }
    }
    return QImage(width, height, QImage::Format_RGB32);
}

namespace detail {

QImage blank_image(int32_t width, int32_t height, QRgb colour) {
    QImage image = new_image(width, height);
    if (!image.isNull()) image.fill(colour);
    return image;
}

QImage control_image(int32_t width, int32_t height, QRgb colour) {
    if (!fits_image(width, height)) return {};
    const size_t bytes = size_t(width) * size_t(height) * 4;
    if (bytes < kSmallestShare || bytes > kBlockBytes / 2)
        return blank_image(width, height, colour);
    unsigned char* at = nullptr;
    Block* block = nullptr;
    {
        std::lock_guard lock(blocks_lock);
        at = cut(bytes, block);
    }
    if (at == nullptr) return blank_image(width, height, colour);
    QImage image(at, width, height, qsizetype(width) * 4, QImage::Format_RGB32, release_share,
                 block);
    if (image.isNull()) {
        release_share(block);
        return blank_image(width, height, colour);
    }
    image.fill(colour);
    return image;
}

} // namespace detail
} // namespace surface
