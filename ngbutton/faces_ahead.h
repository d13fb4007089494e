// Button faces composed ahead, on workers: once the background under the
// buttons is final, each button's face gets both of NG_DEF_B's paints, in
// order, on a target of its own, while the main thread goes on making
// controls; NG_DEF_B then takes the face when it defines the button.
//
// Buttons that share a caption font are composed by one worker: every thread
// keeps its own rasterised glyphs, so this way each glyph is drawn once.
// Buttons whose looks load a picture or draw on the shared random
// generator, and buttons the window would not make as their record says,
// are left to NG_DEF_B, which paints them itself in the order of creation.
#pragma once

#include "ngbutton/ng_bottone.h"
#include "surface/private_target.h"
#include "surface/surface.h"

#include <QImage>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ngbutton {

// A graphic button about to be defined: its control id and the record
// NG_DEF_B will be given.
struct Definition {
    int32_t id = 0;
    NG_BOTTONE record;
};

// What NG_DEF_B's two paints leave: the face and the record's state.
struct Composed {
    surface::PrivateTarget face;
    int32_t stato = 0;
};

// Owns the workers: when it goes, they stop at their next paint and are
// waited for.
class FacesAhead {
  public:
    FacesAhead();
    ~FacesAhead();
    FacesAhead(const FacesAhead&) = delete;
    FacesAhead& operator=(const FacesAhead&) = delete;

    // Starts composing the faces of `buttons`, given in the order of
    // creation, over the background control (dialog, background_id), which
    // must be final. Once only; main thread.
    void start(surface::Handle dialog, int32_t background_id,
               const std::vector<Definition>& buttons);
    // The face composed for button `id` defined with `record`, waited for;
    // nothing when it is not composed ahead. Main thread.
    std::optional<Composed> take(int32_t id, const NG_BOTTONE& record);
    // Faces taken so far.
    int32_t taken() const;
    // Stops the workers at their next paint and waits for them; faces not
    // yet taken are dropped, and so are later ones.
    void end();

  private:
    struct Job;
    void compose(const std::vector<Job*>& jobs, const surface::FontCopies& fonts,
                 surface::Handle label_font);
    void give_up(const std::vector<Job*>& jobs);

    std::atomic<bool> cancel_{false};
    mutable std::mutex lock_; // guards the jobs' results and `taken_`
    std::condition_variable done_;
    QImage background_; // set before the workers start, only read by them
    std::vector<std::unique_ptr<Job>> jobs_;
    std::vector<std::thread> workers_;
    int32_t taken_ = 0;
};

} // namespace ngbutton
