// A picture placed ahead of NG_CARIC: on a worker, the picture file is
// decoded and placed on an image of the control's size the way NG_CARIC
// places it (the background colour, then the picture stretched by the
// placement mode), and NG_CARIC takes those pixels over instead of decoding
// and stretching on its own thread. Whoever runs the worker owns it; this
// only does the work and hands the result over.
#pragma once

#include "surface/surface.h"

#include <QImage>
#include <atomic>
#include <cstdint>
#include <string>

namespace placed_ahead {

// What NG_CARIC is asked to do, in full: the file as it resolves it
// (surface::find_data_file), the control's client size, the placement mode
// and the background colour.
struct Placing {
    std::string path;
    surface::Size area;
    int32_t mode = 0;
    int32_t background = 0;
    bool operator==(const Placing&) const = default;
};

// What identifies a file's content without reading it.
struct FileStamp {
    bool valid = false;
    int64_t device = 0, inode = 0, size = 0, modified_ns = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp stamp_of(const std::string& path);

// The picture at `path` as NG_CARIC's loader decodes it, with the file's
// stamp from before decoding; null pixels when the loader would refuse it,
// when it is one NG_CARIC reduces or keeps transparent, or once `cancel`
// is set.
struct Decoded {
    QImage pixels;
    FileStamp stamp;
};
Decoded decode(const std::string& path, const std::atomic<bool>& cancel);

// The pixels NG_CARIC leaves on the control for `placing` before its label;
// null when `cancel` was set meanwhile or the placing is not one done ahead.
QImage place(const QImage& picture, const Placing& placing, const std::atomic<bool>& cancel);

// The hand-over. One offer is open at a time; NG_CARIC takes it when it is
// asked exactly the placing the offer was opened for, waiting for the
// worker to fulfil it.
class Offer {
  public:
    Offer() = default;
    Offer(const Offer&) = delete;
    Offer& operator=(const Offer&) = delete;
    ~Offer() { withdraw(); }

    // From now on NG_CARIC may take it (a previous offer is withdrawn).
    void open(const Placing& placing);
    // The worker's result: the pixels for the placing, made from the file
    // as `stamp` describes it; null when there are none.
    void fulfil(QImage pixels, const FileStamp& stamp);
    // No longer offered; a take() waiting for it gets nothing.
    void withdraw();
    // Whether NG_CARIC took the pixels.
    bool taken() const;

  private:
    friend QImage take(const Placing& placing);
    // Guarded by the lock of all offers (placed_ahead.cpp).
    Placing placing_;
    bool done_ = false, taken_ = false;
    QImage pixels_;
    FileStamp stamp_;
};

// NG_CARIC's side: the pixels offered for exactly this placing, when the
// file is still the one they were made from; null otherwise. Waits for the
// worker. The offer is used up either way.
QImage take(const Placing& placing);

} // namespace placed_ahead
