// What a shown dialog puts on screen: direct display shows each operation
// whole at once, deferred display waits for redraw, square boxes match their
// outlined-path drawing; and where typed keys go.
#include "support.h"
#include "surface/surface.h"
#include "surface/widgets.h"

#include <QBackingStore>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace surface;

namespace {

using testsupport::control_widget;

// The pixels the window shows where the control sits, as RGB32.
QImage on_screen(Handle dialog, int32_t id) {
    QWidget* control = control_widget(dialog, id);
    QBackingStore* store = control->window()->backingStore();
    auto* shown = store != nullptr ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
    if (shown == nullptr) return {};
    const QPoint at = control->mapTo(control->window(), QPoint(0, 0));
    return shown->copy(QRect(at, control->size())).convertToFormat(QImage::Format_RGB32);
}

// Runs `step` inside the modal run of `dialog`, once the window is exposed.
void inside_shown_dialog(Handle dialog, std::function<void(Handle)> step) {
    static std::function<void(Handle)> pending;
    pending = std::move(step);
    show_modal(dialog, [](Handle d, uint32_t msg, intptr_t, intptr_t) -> intptr_t {
        if (msg == WM_INITDIALOG)
            QTimer::singleShot(0, qApp, [d] {
                if (QTest::qWaitForWindowExposed(detail::find_dialog(d))) {
                    QCoreApplication::processEvents();
                    pending(d);
                } else {
                    ADD_FAILURE() << "the dialog never came on screen";
                }
                end_dialog(d, 0);
            });
        return 0;
    });
    pending = nullptr;
}

class ShownDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog = create_dialog(0, "", 0, 0, 400, 300, 0, 0);
        ASSERT_NE(dialog, 0);
        ASSERT_NE(add_control(dialog, 10, "", 20, 30, 200, 120, 0, 0), 0);
        ASSERT_NE(add_control(dialog, 11, "", 20, 200, 150, 60, 0, 0), 0);
    }
    void TearDown() override { reset_all(); }
    Handle dialog = 0;
};

TEST_F(ShownDialog, DirectDisplayShowsEachOperationWholeAtOnce) {
    const Handle font = create_font("MS Sans Serif", 28, FONT_ITALIC | FONT_BOLD, 0);
    struct Case {
        const char* what;
        std::function<void(Handle)> draw;
    } cases[] = {
        {"box with a thick frame",
         [](Handle) {
             pen_width(7);
             box(3, 4, 150, 90, 0, 0xFF, 0xFF00);
         }},
        {"rounded box", [](Handle) { box(-20, 60, 80, 140, 50, 0xFFFFFF, 0x808080); }},
        {"ellipse past the edge", [](Handle) { ellipse(120, -30, 260, 70, 0xFF00FF, -1); }},
        {"italic text leaning past its advance",
         [font](Handle) {
             select_font(font);
             set_colours(0x00FFFF, -2);
             set_pos(40, 40);
             print("fff///WW");
         }},
        {"text with a background",
         [font](Handle) {
             select_font(font);
             set_colours(0xFF0000, 0x00FF00);
             set_pos(-5, 80);
             print("Wj");
         }},
        {"copy from the other control", [](Handle d) { copy(d, 11, 0, 0, 149, 59, 30, 50); }},
        {"copy placed half outside", [](Handle d) { copy(d, 11, 0, 0, 149, 59, 150, -20); }},
        {"stretch", [](Handle d) { stretch(d, 11, 0, 0, 149, 59, 10, 10, 60, 100); }},
        {"snapshot",
         [](Handle) {
             std::string snap = get_pixels();
             for (std::size_t k = 8; k < snap.size(); k += 4) snap[k] = char(0x5A);
             set_pixels(snap);
         }},
    };
    inside_shown_dialog(dialog, [&](Handle d) {
        // Something to copy from: a pattern on the other control.
        select_target(d, 11, surface::Display::Deferred);
        clear(0x203040);
        box(5, 5, 60, 40, 0, 0xFFFFFF, 0x00A0FF);
        redraw();
        for (const Case& c : cases) {
            select_target(d, 10, surface::Display::Direct);
            c.draw(d);
            // No events are processed: what is shown now was painted at once.
            const QImage canvas = *device_context();
            EXPECT_EQ(on_screen(d, 10), canvas) << c.what;
        }
    });
}

TEST_F(ShownDialog, DeferredDisplayWaitsForRedrawThenShowsAll) {
    inside_shown_dialog(dialog, [](Handle d) {
        select_target(d, 10, surface::Display::Deferred);
        const QImage before = on_screen(d, 10);
        clear(0x112233);
        box(10, 10, 100, 100, 0, 0xFF, 0xFF00);
        EXPECT_EQ(on_screen(d, 10), before);
        redraw();
        EXPECT_EQ(on_screen(d, 10), *device_context());
    });
}

// What is typed goes to the control that was last given the focus.
TEST_F(ShownDialog, KeysGoToTheFocusedControl) {
    inside_shown_dialog(dialog, [](Handle d) {
        for (int32_t id : {10, 11, 10, 11}) {
            select_target(d, id, surface::Display::Direct);
            set_focus();
            QCoreApplication::processEvents();
            // What is typed into the window now is the focused control's key.
            QWidget* typed_into = QApplication::focusWidget();
            QTest::keyClick(typed_into != nullptr ? typed_into : control_widget(d, 10), Qt::Key_K);
            EXPECT_EQ(take_pending_key(), "k") << id;
        }
    });
}

// A box as the outline of its path with the inside cut out, pixel centres
// deciding, as the reference for the banded drawing.
QImage reference_box(QSize size, QRect r, int pen, QRgb line, QBrush fill, bool filled) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(0xFF000000u);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    const QRectF outer(r);
    const QRectF inner = outer.adjusted(pen, pen, -pen, -pen);
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    ring.addRect(outer);
    const bool has_inside = inner.width() > 0 && inner.height() > 0;
    QPainterPath inside;
    if (has_inside) {
        inside.addRect(inner);
        ring.addPath(inside);
    }
    painter.fillPath(ring, QColor(line));
    if (has_inside && filled) painter.fillPath(inside, fill);
    return image;
}

TEST(SquareBox, MatchesItsOutlinedPath) {
    struct Case {
        double x1, y1, x2, y2;
        int pen;
        int32_t fill;
    } cases[] = {
        {2, 3, 30, 20, 1, -2},    {2, 3, 30, 20, 1, 0xFF00},   {2, 3, 30, 20, 4, 0xFF00},
        {5, 5, 9, 9, 2, 0xFF00},  {5, 5, 9, 9, 3, 0xFF00},     {5, 5, 10, 10, 3, -2},
        {-6, -4, 12, 8, 2, -1},   {20, 15, 39, 29, 5, 0xFF00}, {0, 0, 39, 29, 2, 0xFF},
        {7, 2, 7, 25, 1, 0xFF00}, {3, 9, 35, 9, 2, -2},
    };
    constexpr QRgb line = 0xFF0000FFu; // 0x00FF0000 in the surface's order
    for (const Case& c : cases) {
        const Handle b = new_bitmap(40, 30);
        select_target(b, 0, surface::Display::Deferred);
        clear(0);
        pen_width(c.pen);
        box(c.x1, c.y1, c.x2, c.y2, 0, 0xFF0000, c.fill);
        const QRect r = QRect(QPoint(int(std::min(c.x1, c.x2)), int(std::min(c.y1, c.y2))),
                              QPoint(int(std::max(c.x1, c.x2)), int(std::max(c.y1, c.y2))));
        const QRgb fill_rgb =
            c.fill == -1 ? line : qRgb(c.fill & 0xFF, (c.fill >> 8) & 0xFF, (c.fill >> 16) & 0xFF);
        const QImage want =
            reference_box(QSize(40, 30), r, c.pen, line, QBrush(QColor(fill_rgb)), c.fill != -2);
        EXPECT_EQ(*device_context(), want) << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2
                                           << " pen " << c.pen << " fill " << c.fill;
        end_bitmap();
    }
    reset_all();
}

TEST_F(ShownDialog, RedrawShowsAllThatChanged) {
    struct Case {
        const char* what;
        std::function<void()> change;
    } cases[] = {
        {"nothing drawn", [] {}},
        {"a box", [] { box(10, 20, 49, 39, 0, 0xFF, 0xFF00); }},
        {"two boxes",
         [] {
             box(0, 0, 9, 9, 0, 0xFF, 0xFF);
             box(100, 50, 109, 59, 0, 0xFF, 0xFF);
         }},
        {"pixels changed through the image", [] { device_context()->fill(0xFF336699u); }},
        {"pixels changed through the image, then a small box",
         [] {
             device_context()->fill(0xFF996633u);
             box(1, 1, 2, 2, 0, 0xFF, 0xFF);
         }},
        {"drawn on directly, then deferred",
         [] {
             select_target(current_target(), 0, surface::Display::Direct);
             box(0, 0, 199, 119, 0, 0x00FF00, 0x00FF00);
             select_target(current_target(), 0, surface::Display::Deferred);
             box(30, 30, 39, 39, 0, 0xFF, 0xFF);
         }},
    };
    inside_shown_dialog(dialog, [&](Handle d) {
        for (const Case& c : cases) {
            select_target(d, 10, surface::Display::Deferred);
            clear(0x112233);
            redraw();
            c.change();
            redraw();
            EXPECT_EQ(on_screen(d, 10), *device_context()) << c.what;
        }
    });
}

TEST(Backdrop, ShowsWhatABitmapWouldHold) {
    struct Case {
        const char* what;
        std::function<void()> draw;
    } cases[] = {
        {"plain clears", [] { clear(0x00FF00); }},
        {"clear with the background colour",
         [] {
             set_colours(0, 0x0000FF);
             clear(-1);
         }},
        {"hatched clear", [] { clear(0x00FF00, 3); }},
        {"box", [] { box(2, 2, 9, 9, 0, 0xFF, 0xFF); }},
        {"text",
         [] {
             set_colours(0xFFFFFF, -2);
             print("W");
         }},
        {"snapshot",
         [] {
             std::string snap = get_pixels();
             snap[8] = char(0x7F);
             set_pixels(snap);
         }},
        {"picture drawn, then cleared again",
         [] {
             box(2, 2, 9, 9, 0, 0xFF, 0xFF);
             clear(0x00FF00);
         }},
    };
    for (const Case& c : cases) {
        const Handle backdrop = create_backdrop("", 0, 0, 64, 48, 0, 1);
        ASSERT_NE(backdrop, 0);
        auto* widget = detail::find_canvas_widget(backdrop);
        // The same drawing on a memory bitmap says what the pixels must be.
        const Handle reference = new_bitmap(64, 48);
        for (const Handle target : {backdrop, reference}) {
            select_target(target, 0, surface::Display::Deferred);
            clear(0x808080);
            c.draw();
        }
        select_target(backdrop, 0, surface::Display::Deferred);
        EXPECT_EQ(client_size(), (Size{64, 48})) << c.what;
        const std::string shown = get_pixels();
        select_target(reference, 0, surface::Display::Deferred);
        EXPECT_EQ(shown, get_pixels()) << c.what;
        // What the window paints is what the canvas holds.
        select_target(backdrop, 0, surface::Display::Deferred);
        const QImage painted = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(painted, *device_context()) << c.what;
        reset_all();
    }
}

TEST(TargetVersion, MovesWithEveryChangeOfPixelsOnly) {
    const Handle a = new_bitmap(30, 20);
    const Handle b = new_bitmap(30, 20);
    select_target(b, 0, surface::Display::Deferred);
    const uint64_t other = target_version();
    select_target(a, 0, surface::Display::Deferred);
    EXPECT_NE(target_version(), other) << "two targets share a version";
    EXPECT_EQ(content_version(a, 0), target_version());
    struct Case {
        const char* what;
        std::function<void()> step;
        bool changes;
    } cases[] = {
        {"clear", [] { clear(0x10); }, true},
        {"box", [] { box(1, 1, 5, 5, 0, 0xFF, 0xFF); }, true},
        {"ellipse", [] { ellipse(1, 1, 9, 9, 0xFF, -2); }, true},
        {"text", [] { print("x"); }, true},
        {"snapshot written", [] { set_pixels(get_pixels()); }, true},
        {"copy", [b] { copy(b, 0, 0, 0, 9, 9, 3, 3); }, true},
        {"stretch", [b] { stretch(b, 0, 0, 0, 9, 9, 0, 0, 19, 19); }, true},
        {"pixel set through the image", [] { device_context()->setPixel(1, 1, 0xFF00FF00u); },
         true},
        {"position, colours, pen, font",
         [] {
             set_pos(3, 4);
             set_colours(0xFF, 0xFF00);
             pen_width(3);
             select_font(1);
         },
         false},
        {"reading",
         [] {
             (void)get_pixels();
             (void)text_size("abc");
             (void)client_size();
             (void)device_context()->pixel(2, 2);
         },
         false},
    };
    for (const Case& c : cases) {
        const uint64_t before = target_version();
        c.step();
        EXPECT_EQ(target_version() != before, c.changes) << c.what;
    }
    select_target(b, 0, surface::Display::Deferred);
    EXPECT_EQ(target_version(), other) << "drawing on one target moved the other";
    EXPECT_EQ(content_version(0, 0), 0u);
    reset_all();
}

} // namespace
