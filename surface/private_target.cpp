// Private targets: a canvas of one thread's own and the fonts it draws with.
#include "surface/private_target.h"

#include "surface/fonts.h"
#include "surface/handle_table.h"

#include <cstring>

namespace surface {
namespace detail {

namespace {

thread_local Canvas* own_canvas = nullptr;
thread_local const ThreadFonts* own_fonts = nullptr;
thread_local const std::vector<std::pair<Handle, QFont>>* own_font_list = nullptr;

// A copy of a font with data of its own: copies share their data, and the
// toolkit keeps a font's lookups in it, so a copy shared by two threads
// would have each undo the other's.
QFont independent(const QFont& font) {
    QFont out = font;
    out.setKerning(!font.kerning()); // any change gives the copy its own data
    out.setKerning(font.kerning());
    out.setResolveMask(font.resolveMask());
    return out;
}

} // namespace

Canvas* private_canvas() {
    return own_canvas;
}

const QFont* thread_font(Handle handle, bool& own) {
    own = own_font_list != nullptr;
    if (!own) return nullptr;
    for (const auto& [h, font] : *own_font_list)
        if (h == (handle == 0 ? 1 : handle)) return &font;
    return nullptr;
}

} // namespace detail

using namespace detail;

FontCopies::FontCopies(std::span<const Handle> handles) {
    if (const QFont* fallback = font_of(DrawState{}))
        fonts_.emplace_back(1, independent(*fallback));
    for (const Handle h : handles) {
        if (h == 0 || h == 1) continue;
        if (const QFont* font = fonts().find(h)) fonts_.emplace_back(h, independent(*font));
    }
}

ThreadFonts::ThreadFonts(const FontCopies& copies) : outer_(own_fonts) {
    fonts_.reserve(copies.fonts_.size());
    for (const auto& [h, font] : copies.fonts_) fonts_.emplace_back(h, independent(font));
    own_fonts = this;
    own_font_list = &fonts_;
}

ThreadFonts::~ThreadFonts() {
    own_fonts = outer_;
    own_font_list = outer_ != nullptr ? &outer_->fonts_ : nullptr;
}

PrivateTarget::PrivateTarget(int32_t width, int32_t height) : canvas_(std::make_unique<Canvas>()) {
    if (fits_image(width, height)) canvas_->image = blank_image(width, height, 0xFF000000u);
    canvas_->known_version = canvas_->version();
}

PrivateTarget::~PrivateTarget() = default;
PrivateTarget::PrivateTarget(PrivateTarget&&) noexcept = default;
PrivateTarget& PrivateTarget::operator=(PrivateTarget&&) noexcept = default;

DrawingOn::DrawingOn(PrivateTarget& target) : outer_(own_canvas) {
    own_canvas = target.canvas_.get();
}

DrawingOn::~DrawingOn() {
    own_canvas = outer_;
}

bool take_target(PrivateTarget&& target) {
    TargetRef t = current();
    if (!t || target.canvas_ == nullptr || target.canvas_->image.isNull() ||
        target.canvas_->image.size() != t.canvas->size())
        return false;
    Canvas& from = *target.canvas_;
    // Into the pixels the control already has, so that no second image of it
    // stays behind.
    if (!t.canvas->plain && t.canvas->image.bytesPerLine() == from.image.bytesPerLine())
        std::memcpy(t.canvas->image.bits(), from.image.constBits(),
                    size_t(from.image.sizeInBytes()));
    else
        t.canvas->image = std::move(from.image);
    t.canvas->plain = false;
    t.canvas->state = from.state;
    drawn(t);
    target.canvas_.reset();
    return true;
}

} // namespace surface
