// Checked handle tables: the windows, memory bitmaps and fonts the program
// names by 32-bit handles.
#pragma once

#include "surface/surface.h"

#include <mutex>
#include <utility>
#include <vector>

class QFont;
class QWidget;

namespace surface::detail {

struct Canvas;

enum class Kind : uint32_t { Window = 1, Bitmap = 2, Font = 3 };

// Handles: bit 31 clear, the kind in bits 29-30, a generation count in bits
// 16-28 and the slot index in bits 0-15. A released slot bumps its
// generation, so old handles to it stop resolving; a slot whose generation
// is used up is retired for the rest of the run rather than wrapped, so a
// handle never names a later object. Capacity per kind: 65,535 objects alive
// at once, and 65,535 x 8,191 (about 536 million) objects made per run;
// beyond that, add() fails (returns 0) like any failed allocation.
//
// The table's own operations may be called from any thread; an object found
// here stays the caller's concern (the exported library serialises its
// callers, the program uses one thread).
template <class T> class HandleTable {
  public:
    static constexpr uint32_t kIndexBits = 16, kGenerationBits = 13;
    static constexpr uint32_t kMaxSlots = (1u << kIndexBits) - 1;
    static constexpr uint32_t kLastGeneration = (1u << kGenerationBits) - 1;

    explicit HandleTable(Kind kind) : kind_(uint32_t(kind)) {}

    Handle add(T* object) {
        std::lock_guard lock(mutex_);
        uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kMaxSlots) return 0;
            index = uint32_t(slots_.size());
            slots_.push_back({});
        }
        slots_[index].object = object;
        return encode(index, slots_[index].generation);
    }

    T* find(Handle handle) const {
        std::lock_guard lock(mutex_);
        const Slot* slot = slot_of(handle);
        return slot ? slot->object : nullptr;
    }

    // Forgets the handle; returns the object it named (the caller owns it).
    T* remove(Handle handle) {
        std::lock_guard lock(mutex_);
        Slot* slot = const_cast<Slot*>(slot_of(handle));
        if (slot == nullptr) return nullptr;
        T* object = std::exchange(slot->object, nullptr);
        if (slot->generation < kLastGeneration) { // otherwise retired
            ++slot->generation;
            free_.push_back(uint32_t(handle) & kMaxSlots);
        }
        return object;
    }

    std::vector<Handle> handles() const {
        std::lock_guard lock(mutex_);
        std::vector<Handle> out;
        for (uint32_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object != nullptr) out.push_back(encode(i, slots_[i].generation));
        return out;
    }

  private:
    struct Slot {
        T* object = nullptr;
        uint32_t generation = 1;
    };
    static constexpr uint32_t kKindShift = kIndexBits + kGenerationBits;
    static_assert(kKindShift + 2 == 31, "kinds 1..3 fill bits 29-30; bit 31 stays clear");

    // The live slot a handle names, nullptr for a stale, unknown or
    // wrong-kind handle.
    const Slot* slot_of(Handle handle) const {
        const uint32_t h = uint32_t(handle);
        if ((h >> kKindShift) != kind_) return nullptr;
        const uint32_t index = h & kMaxSlots;
        if (index >= slots_.size()) return nullptr;
        const Slot& slot = slots_[index];
        if (slot.object == nullptr || slot.generation != ((h >> kIndexBits) & kLastGeneration))
            return nullptr;
        return &slot;
    }
    Handle encode(uint32_t index, uint32_t generation) const {
        return Handle((kind_ << kKindShift) | (generation << kIndexBits) | index);
    }
    uint32_t kind_;
    mutable std::mutex mutex_;
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
};

// The three tables, made on first use.
HandleTable<QWidget>& windows();
HandleTable<Canvas>& bitmaps();
HandleTable<QFont>& fonts();

} // namespace surface::detail
