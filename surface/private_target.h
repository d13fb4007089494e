// Drawing away from the main thread: a target that one thread owns outside
// the handle tables, drawn on with the ordinary drawing operations and then
// taken over whole by a graphic control on the main thread.
#pragma once

#include "surface/surface.h"

#include <QFont>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace surface {

namespace detail {
struct Canvas;
}

// The fonts behind some handles, copied on the main thread (where fonts are
// made and deleted) for another thread to draw with. The default font comes
// along; unknown handles are left out.
class FontCopies {
  public:
    FontCopies() = default;
    explicit FontCopies(std::span<const Handle> handles);

  private:
    friend class ThreadFonts;
    std::vector<std::pair<Handle, QFont>> fonts_;
};

// While it lives, text drawn on the calling thread's private target uses
// this thread's own copies of the fonts: the handles copied stand for them,
// any other handle selects nothing. A thread that draws text needs fonts of
// its own, since the toolkit keeps what it knows of a font per thread.
class ThreadFonts {
  public:
    explicit ThreadFonts(const FontCopies& copies);
    ~ThreadFonts();
    ThreadFonts(const ThreadFonts&) = delete;
    ThreadFonts& operator=(const ThreadFonts&) = delete;

  private:
    std::vector<std::pair<Handle, QFont>> fonts_;
    const ThreadFonts* outer_;
};

// A target the size of a new graphic control, black, in the drawing state a
// new control starts in.
class PrivateTarget {
  public:
    PrivateTarget(int32_t width, int32_t height);
    ~PrivateTarget();
    PrivateTarget(PrivateTarget&&) noexcept;
    PrivateTarget& operator=(PrivateTarget&&) noexcept;

  private:
    friend class DrawingOn;
    friend bool take_target(PrivateTarget&& target);
    std::unique_ptr<detail::Canvas> canvas_;
};

// While it lives, `target` is the calling thread's current target (the
// thread must not select others meanwhile); the thread's own fonts
// (ThreadFonts) must outlive it.
class DrawingOn {
  public:
    explicit DrawingOn(PrivateTarget& target);
    ~DrawingOn();
    DrawingOn(const DrawingOn&) = delete;
    DrawingOn& operator=(const DrawingOn&) = delete;

  private:
    detail::Canvas* outer_;
};

// The current target, a graphic control of the same size, takes over the
// pixels and the drawing state of `target` as if they had been drawn on it
// (deferred: shown by the next redraw). False, and nothing changes, when
// there is no current target or the sizes differ. Main thread.
bool take_target(PrivateTarget&& target);

} // namespace surface
