// The start-up work done on workers while the main thread makes the
// application object, the windows and the fonts: the font service's
// configuration, and the background picture, decoded at once and placed at
// its control's size as soon as the dialog's size is known (DEFINISC then
// takes those pixels), and the buttons' faces, composed once the background
// is final (NG_DEF_B takes them). This object owns the workers: when it goes, or the
// process exits, they stop at their next check and are waited for, so no
// thread outlives it, whichever way the program ends.
#pragma once

#include "imaging/placed_ahead.h"
#include "ngbutton/faces_ahead.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class StartUpWork {
  public:
    StartUpWork() = default;
    StartUpWork(const StartUpWork&) = delete;
    StartUpWork& operator=(const StartUpWork&) = delete;
    ~StartUpWork() { end(); }

    // Starts the workers; once the environment is settled (nothing changes
    // it any more), before the application object exists. Once only.
    void begin();
    // The dialog is W by H: the background is placed at its control's size.
    void place_background(int32_t W, int32_t H);
    // Waits for the font service's configuration.
    void fonts_ready();
    // Whether the background control took the pixels placed here.
    bool background_taken() const { return offer_.taken(); }
    // Whether those pixels were read back from an earlier run.
    bool background_read_back() const { return read_back_; }
    // Where DEFINISC has the buttons' faces composed: nullptr unless begun.
    ngbutton::FacesAhead* faces() { return begun_ ? &faces_ : nullptr; }
    // How many buttons took the face composed for them.
    int32_t faces_taken() const { return faces_.taken(); }
    // Stops the workers at their next check and waits for them.
    void end();

  private:
    void place_picture();

    std::atomic<bool> cancel_{false};
    std::string path_;         // the background picture's file, set before the workers start
    std::string cache_folder_; // where placed pixels are kept between runs, likewise
    std::mutex lock_;          // guards `placing_`; `cancel_` is set under it too
    std::condition_variable placing_known_;
    std::optional<placed_ahead::Placing> placing_;
    placed_ahead::Offer offer_;
    std::atomic<bool> read_back_{false};
    std::thread fonts_;
    std::thread picture_;
    bool begun_ = false;
    ngbutton::FacesAhead faces_;
};
