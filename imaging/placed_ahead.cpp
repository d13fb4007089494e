// Placing the background picture on its control off the main thread.
#include "imaging/placed_ahead.h"

#include "imaging/gdiplus.h"
#include "imaging/placement.h"

#include <QRect>
#include <future>
#include <memory>
#include <system_error>
#include <thread>

namespace placed_ahead {
namespace {

struct Job {
    surface::Size area;
    int32_t mode = 0;
    int32_t background = 0;
    QImage source; // what was placed, shared with the picture decoded ahead
    QImage result;
    std::promise<void> done;
    std::future<void> finished = done.get_future();

    // Runs once, on the decoding worker or on a worker of its own.
    void run(const QImage& picture) {
        if (!picture.isNull()) {
            QImage placed = surface::new_image(area.w, area.h, background);
            if (!placed.isNull()) {
                const auto [from, to] = placement::place({picture.width(), picture.height()}, area,
                                                         placement::Fit(mode));
                surface::stretch_image(picture, from.x1, from.y1, from.x2, from.y2, placed, to.x1,
                                       to.y1, to.x2, to.y2);
                source = picture;
                result = std::move(placed);
            }
        }
        done.set_value();
    }
};

// Only the main thread starts, takes and drops; the workers see only their
// job. `held` is run by the decoding worker or by `worker`, or by none.
std::shared_ptr<Job> held;
bool will_run = false;
std::thread worker; // when the picture was decoded before the job existed

} // namespace

void start(surface::Size area, int32_t mode, int32_t background) {
    drop();
    // What NG_CARIC does with other modes or colours is not done ahead.
    if (area.w <= 0 || area.h <= 0 || mode < 0 || mode > 3 || background < 0) return;
    auto job = std::make_shared<Job>();
    job->area = area;
    job->mode = mode;
    job->background = background;
    QImage decoded;
    if (gdiplus::when_prefetched([job](const QImage& p) { job->run(p); }, decoded)) {
        held = std::move(job);
        will_run = true;
        return;
    }
    if (decoded.isNull()) return;
    try {
        worker = std::thread([job, decoded] { job->run(decoded); });
    } catch (const std::system_error&) {
        return;
    }
    held = std::move(job);
    will_run = true;
}

QImage take(const QImage& picture, surface::Size area, int32_t mode, int32_t background) {
    if (!will_run) return {};
    std::shared_ptr<Job> job = held;
    job->finished.wait();
    drop();
    if (job->source.isNull() || job->source.cacheKey() != picture.cacheKey() ||
        job->area.w != area.w || job->area.h != area.h || job->mode != mode ||
        job->background != background)
        return {};
    return std::move(job->result);
}

void drop() {
    if (worker.joinable()) worker.join();
    held.reset();
    will_run = false;
}

} // namespace placed_ahead
