// The workers of start-up, started, fed and ended by one owner.
#include "app/start_up_work.h"

#include "app/layout.h"
#include "imaging/placed_cache.h"

#include <cstdlib>
#include <system_error>
#include <utility>

namespace {

// The work whose workers are running, ended by the process's exit when the
// program does not get as far as ending it itself.
std::atomic<StartUpWork*> running{nullptr};

void end_at_exit() {
    if (StartUpWork* work = running.exchange(nullptr)) work->end();
}

} // namespace

void StartUpWork::begin() {
    if (fonts_.joinable() || picture_.joinable() || cancel_) return;
    static std::once_flag at_exit;
    std::call_once(at_exit, [] { std::atexit(end_at_exit); });
    running = this;
    begun_ = true;
    path_ = surface::find_data_file(layout::kBackgroundPicture);
    cache_folder_ = placed_ahead::Cache::default_folder();
    // Without a thread the work is done where it is needed, as it would be.
    try {
        fonts_ = std::thread(surface::load_font_service);
    } catch (const std::system_error&) {
    }
    try {
        picture_ = std::thread(&StartUpWork::place_picture, this);
    } catch (const std::system_error&) {
    }
}

void StartUpWork::place_background(int32_t W, int32_t H) {
    if (!picture_.joinable()) return;
    const layout::Item item = layout::background_item(W, H);
    const placed_ahead::Placing placing{
        path_, {item.w, item.h}, layout::kBackgroundMode, layout::kBackgroundColour};
    {
        std::lock_guard lock(lock_);
        if (placing_ || cancel_) return;
        offer_.open(placing);
        placing_ = placing;
    }
    placing_known_.notify_all();
}

void StartUpWork::fonts_ready() {
    if (fonts_.joinable()) fonts_.join();
}

void StartUpWork::end() {
    StartUpWork* self = this;
    running.compare_exchange_strong(self, nullptr);
    {
        std::lock_guard lock(lock_);
        cancel_ = true;
    }
    placing_known_.notify_all();
    if (picture_.joinable()) picture_.join();
    fonts_ready();
    offer_.withdraw();
    faces_.end();
}

void StartUpWork::place_picture() {
    // Pixels placed on an earlier run are read back once the size is
    // known; without them the picture is decoded meanwhile.
    const placed_ahead::Cache cache(cache_folder_);
    const placed_ahead::FileStamp stamp = placed_ahead::stamp_of(path_);
    const bool kept = cache.holds(path_, stamp);
    placed_ahead::Decoded decoded;
    if (!kept) decoded = placed_ahead::decode(path_, cancel_);
    std::optional<placed_ahead::Placing> placing;
    {
        std::unique_lock lock(lock_);
        placing_known_.wait(lock, [this] { return cancel_ || placing_; });
        if (!cancel_) placing = placing_;
    }
    QImage placed;
    placed_ahead::FileStamp made_from = stamp;
    if (placing && kept) placed = cache.read(*placing, stamp);
    read_back_ = !placed.isNull();
    if (placing && placed.isNull()) {
        // Kept for another size, or not kept.
        if (kept) decoded = placed_ahead::decode(path_, cancel_);
        made_from = decoded.stamp;
        placed = placed_ahead::place(decoded.pixels, *placing, cancel_);
        // The picture's memory goes back here, not on the main thread.
        decoded.pixels = QImage();
        // Before the hand-over: the control draws on the pixels it takes, and
        // while they are shared here that would copy them.
        if (!placed.isNull()) cache.write(*placing, made_from, placed, cancel_);
    }
    offer_.fulfil(std::move(placed), made_from);
}
