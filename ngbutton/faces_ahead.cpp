// Button faces composed on workers, handed to NG_DEF_B in creation order.
#include "ngbutton/faces_ahead.h"

#include "imaging/effects.h"
#include "ngbutton/look.h"
#include "ngbutton/ng_detail.h"

#include <algorithm>
#include <map>
#include <new>
#include <set>
#include <system_error>

namespace ngbutton {

struct FacesAhead::Job {
    std::size_t order = 0; // of creation
    int32_t id = 0;
    NG_BOTTONE record; // as NG_DEF_B will be given it
    surface::Point at;
    surface::Size size;
    // Set by the worker.
    bool done = false;
    std::optional<surface::PrivateTarget> face;
    int32_t stato = 0;
    // Set by take().
    bool taken = false;
};

namespace {

// The window makes a control exactly where and as large as the record says.
bool made_as_described(const NG_BOTTONE& r) {
    constexpr int32_t edge = 32767; // the window system's longest edge
    constexpr int64_t most_pixels = int64_t(1) << 26;
    return r.larghezza > 0 && r.altezza > 0 && r.larghezza <= edge && r.altezza <= edge &&
           int64_t(r.larghezza) * r.altezza <= most_pixels && r.x >= -edge && r.x <= edge &&
           r.y >= -edge && r.y <= edge;
}

bool cache_empty(int32_t index) {
    for (int32_t state : {0, 1}) {
        const std::string* entry = cache_entry(index, state);
        if (entry != nullptr && !entry->empty()) return false;
    }
    return true;
}

// What a face costs to compose, roughly: its pixels, twice, and its text.
int64_t cost(const NG_BOTTONE& r) {
    return 2 * int64_t(r.larghezza) * r.altezza + 20000;
}

} // namespace

FacesAhead::FacesAhead() = default;

FacesAhead::~FacesAhead() {
    end();
}

void FacesAhead::start(surface::Handle dialog, int32_t background_id,
                       const std::vector<Definition>& buttons) {
    if (!jobs_.empty() || cancel_) return;
    background_ = surface::control_pixels(dialog, background_id);
    if (background_.isNull()) return;

    // A picture button fills the picture cache of its index when it is
    // painted, and a random effect moves the shared generator on: both are
    // painted where they are defined, and so is every button that reads the
    // cache entries such a button fills.
    std::set<int32_t> picture_indices;
    std::map<int32_t, int32_t> uses_of_id;
    for (const Definition& b : buttons) {
        if (!b.record.immagine.blank()) picture_indices.insert(b.record.indice);
        ++uses_of_id[b.id];
    }
    // Grouped by caption font, in order of first use.
    std::vector<std::pair<surface::Handle, std::vector<Job*>>> groups;
    for (const Definition& b : buttons) {
        const NG_BOTTONE& r = b.record;
        if (!r.immagine.blank() || effect_draws_random(r.effetto_0.str()) ||
            effect_draws_random(r.effetto_1.str()) || uses_of_id[b.id] != 1 ||
            surface::control_handle(dialog, b.id) != 0 || picture_indices.count(r.indice) != 0 ||
            !cache_empty(r.indice) || !made_as_described(r))
            continue;
        auto job = std::make_unique<Job>();
        job->order = jobs_.size();
        job->id = b.id;
        job->record = r;
        job->at = {r.x, r.y};
        job->size = {r.larghezza, r.altezza};
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const auto& g) { return g.first == r.font; });
        if (group == groups.end()) group = groups.insert(groups.end(), {r.font, {}});
        group->second.push_back(job.get());
        jobs_.push_back(std::move(job));
    }
    if (jobs_.empty()) return;

    // Whole groups to workers, the costliest first, each to the worker with
    // the least to do so far.
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::vector<Job*>> shares(std::min(groups.size(), cores));
    std::vector<int64_t> load(shares.size(), 0);
    auto group_cost = [](const std::vector<Job*>& jobs) {
        int64_t c = 0;
        for (const Job* j : jobs) c += cost(j->record);
        return c;
    };
    std::stable_sort(groups.begin(), groups.end(), [&](const auto& a, const auto& b) {
        return group_cost(a.second) > group_cost(b.second);
    });
    for (const auto& [font, jobs] : groups) {
        const auto least = std::min_element(load.begin(), load.end()) - load.begin();
        load[least] += group_cost(jobs);
        auto& share = shares[std::size_t(least)];
        share.insert(share.end(), jobs.begin(), jobs.end());
    }
    // Each worker composes its faces in the order of creation.
    for (auto& share : shares)
        std::sort(share.begin(), share.end(),
                  [](const Job* a, const Job* b) { return a->order < b->order; });

    // The workers draw with copies of the caption fonts and of the corner
    // label's font; the label font itself is not needed any more.
    std::vector<surface::Handle> handles;
    for (const auto& job : jobs_) handles.push_back(job->record.font);
    const surface::Handle label_font = surface::create_font(label_face, label_points, 0, 0);
    handles.push_back(label_font);
    const surface::FontCopies fonts(handles);
    surface::delete_font(label_font);

    for (const auto& share : shares) {
        try {
            workers_.emplace_back(
                [this, share, fonts, label_font] { compose(share, fonts, label_font); });
        } catch (const std::system_error&) {
            give_up(share); // painted where they are defined
        }
    }
}

void FacesAhead::compose(const std::vector<Job*>& jobs, const surface::FontCopies& fonts,
                         surface::Handle label_font) {
    const surface::ThreadFonts own_fonts(fonts);
    const Surroundings around_all{[this] { return background_; }, {}, {}, label_font, {}};
    for (Job* job : jobs) {
        std::optional<surface::PrivateTarget> face;
        NG_BOTTONE record = job->record;
        // Out of memory here, the button is painted where it is defined.
        try {
            if (!cancel_) {
                surface::PrivateTarget target(job->size.w, job->size.h);
                Surroundings around = around_all;
                around.at = job->at;
                around.size = job->size;
                {
                    const surface::DrawingOn on(target);
                    // The second paint starts from what the first one left.
                    for (int paint = 0; paint < 2 && !cancel_; ++paint) paint_look(record, around);
                }
                if (!cancel_) face = std::move(target);
            }
        } catch (const std::bad_alloc&) {
            face.reset();
        }
        {
            std::lock_guard hold(lock_);
            job->face = std::move(face);
            job->stato = record.stato;
            job->done = true;
        }
        done_.notify_all();
    }
}

void FacesAhead::give_up(const std::vector<Job*>& jobs) {
    {
        std::lock_guard hold(lock_);
        for (Job* job : jobs) job->done = true;
    }
    done_.notify_all();
}

std::optional<Composed> FacesAhead::take(int32_t id, const NG_BOTTONE& record) {
    std::unique_lock hold(lock_);
    const auto found = std::find_if(jobs_.begin(), jobs_.end(),
                                    [&](const auto& j) { return j->id == id && !j->taken; });
    if (found == jobs_.end()) return std::nullopt;
    Job& job = **found;
    job.taken = true;
    // A record other than the one composed is painted where it is defined.
    if (!(job.record == record)) return std::nullopt;
    done_.wait(hold, [&] { return job.done; });
    if (!job.face) return std::nullopt;
    ++taken_;
    Composed out{std::move(*job.face), job.stato};
    job.face.reset();
    return out;
}

int32_t FacesAhead::taken() const {
    std::lock_guard hold(lock_);
    return taken_;
}

void FacesAhead::end() {
    cancel_ = true;
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
    workers_.clear();
    std::lock_guard hold(lock_);
    jobs_.clear();
}

} // namespace ngbutton
