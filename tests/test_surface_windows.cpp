// Window services: modal dialogs and their handler, timers, keys, clicks,
// graphic controls, accessibility and the backdrop.
#include "support.h"
#include "surface/surface.h"
#include "surface/widgets.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace surface;

namespace {

struct Message {
    uint32_t msg;
    intptr_t wparam, lparam;
    bool operator==(const Message&) const = default;
};

// The handler records every message and runs the test's reaction to it.
std::vector<Message> received;
std::function<void(Handle, const Message&)> react;

intptr_t recorder(Handle dialog, uint32_t msg, intptr_t wparam, intptr_t lparam) {
    received.push_back({msg, wparam, lparam});
    if (react) react(dialog, received.back());
    return 0;
}

QWidget* widget_of(Handle dialog, int32_t id) {
    if (id == 0) return detail::find_dialog(dialog);
    return detail::find_canvas_widget(control_handle(dialog, id));
}

// Runs `step` once the modal loop is running.
void soon(int ms, std::function<void()> step) {
    QTimer::singleShot(ms, qApp, std::move(step));
}

class Windows : public ::testing::Test {
  protected:
    void SetUp() override {
        received.clear();
        react = nullptr;
        dialog = create_dialog(0, "", 10, 20, 300, 200, 0, 0);
        ASSERT_NE(dialog, 0);
        ASSERT_NE(add_control(dialog, 10, "", 5, 5, 60, 30, SS_NOTIFY, 0), 0);
        ASSERT_NE(add_control(dialog, 11, "", 100, 5, 60, 30, 0, 0), 0);
    }
    void TearDown() override {
        react = nullptr;
        reset_all();
    }
    int count(uint32_t msg) const {
        return int(std::count_if(received.begin(), received.end(),
                                 [&](const Message& m) { return m.msg == msg; }));
    }
    Handle dialog = 0;
};

TEST_F(Windows, InitFirstThenTimerTicksUntilTheHandlerEnds) {
    react = [](Handle d, const Message& m) {
        if (m.msg == WM_INITDIALOG) start_timer(d, 7, 10);
        if (m.msg == WM_TIMER && std::count_if(received.begin(), received.end(),
                                               [](auto& r) { return r.msg == WM_TIMER; }) == 3)
            end_dialog(d, 42);
    };
    const Handle control = control_handle(dialog, 10);
    EXPECT_EQ(show_modal(dialog, recorder), 42);
    ASSERT_GE(received.size(), 4u);
    EXPECT_EQ(received.front(), (Message{WM_INITDIALOG, 0, 0}));
    EXPECT_EQ(count(WM_TIMER), 3);
    for (const Message& m : received) {
        if (m.msg == WM_TIMER) {
            EXPECT_EQ(m.wparam, 7);
        }
    }
    EXPECT_EQ(received.back().msg, WM_DESTROY);

    // The dialog and its controls are gone.
    EXPECT_EQ(control_handle(dialog, 10), 0);
    EXPECT_EQ(window_size(dialog), (Size{0, 0}));
    select_target(control, 0, surface::Display::Direct);
    EXPECT_EQ(current_target(), 0);
    EXPECT_EQ(show_modal(dialog, recorder), 0);
}

TEST_F(Windows, EndingDuringInitReturnsAtOnce) {
    react = [](Handle d, const Message& m) {
        if (m.msg == WM_INITDIALOG) end_dialog(d, 9);
        if (m.msg == WM_DESTROY) end_dialog(d, 0); // too late to change the result
    };
    EXPECT_EQ(show_modal(dialog, recorder), 9);
    EXPECT_EQ(count(WM_DESTROY), 1);
}

// Escape and a close request reach the handler as the cancel command and the
// dialog stays open until the handler ends it.
TEST_F(Windows, EscapeAndCloseAreCancelCommandsOnly) {
    static std::vector<bool> open_after;
    open_after.clear();
    react = [](Handle d, const Message& m) {
        if (m.msg == WM_INITDIALOG)
            soon(0, [d] { QTest::keyClick(widget_of(d, 0), Qt::Key_Escape); });
        if (m.msg == WM_COMMAND && m.wparam == IDCANCEL)
            soon(20, [d] {
                open_after.push_back(widget_of(d, 0) != nullptr && widget_of(d, 0)->isVisible());
                if (open_after.size() == 1)
                    widget_of(d, 0)->close();
                else
                    end_dialog(d, 5);
            });
    };
    EXPECT_EQ(show_modal(dialog, recorder), 5);
    EXPECT_EQ(open_after, (std::vector<bool>{true, true})); // after escape, after close
    EXPECT_EQ(count(WM_COMMAND), 2);
}

TEST_F(Windows, ClicksReportOnlyOnNotifyControls) {
    const Handle notify = control_handle(dialog, 10);
    react = [](Handle d, const Message& m) {
        if (m.msg != WM_INITDIALOG) return;
        soon(0, [d] {
            QTest::mouseClick(widget_of(d, 11), Qt::LeftButton, {}, QPoint(10, 10));
            QTest::mouseClick(widget_of(d, 10), Qt::RightButton, {}, QPoint(10, 10));
            // Released outside the control: no click.
            QTest::mousePress(widget_of(d, 10), Qt::LeftButton, {}, QPoint(10, 10));
            QTest::mouseRelease(widget_of(d, 10), Qt::LeftButton, {}, QPoint(-20, 10));
            QTest::mouseClick(widget_of(d, 10), Qt::LeftButton, {}, QPoint(10, 10));
            end_dialog(d, 1);
        });
    };
    show_modal(dialog, recorder);
    ASSERT_EQ(count(WM_COMMAND), 1);
    for (const Message& m : received) {
        if (m.msg == WM_COMMAND) {
            EXPECT_EQ(m, (Message{WM_COMMAND, 10, notify}));
        }
    }
}

TEST_F(Windows, PendingKeyIsTheLastCharacterAndIsTakenOnce) {
    QWidget* field = widget_of(dialog, 11);
    select_target(dialog, 11, surface::Display::Direct);
    EXPECT_EQ(take_pending_key(), "");
    QTest::keyClick(field, Qt::Key_A);
    QTest::keyClick(field, Qt::Key_0);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(take_pending_key(), "0");
    EXPECT_EQ(take_pending_key(), "");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(take_pending_key(), "\x1b");
    // Keys belong to the control that had them.
    QTest::keyClick(widget_of(dialog, 10), Qt::Key_B);
    EXPECT_EQ(take_pending_key(), "");
    select_target(dialog, 10, surface::Display::Direct);
    EXPECT_EQ(take_pending_key(), "b");
}

TEST_F(Windows, HandlerMayPauseAndDrawInsideACommand) {
    static std::string copied;
    react = [](Handle d, const Message& m) {
        if (m.msg == WM_INITDIALOG)
            soon(0, [d] { QTest::mouseClick(widget_of(d, 10), Qt::LeftButton, {}, QPoint(1, 1)); });
        if (m.msg == WM_COMMAND) {
            select_target(d, 10, surface::Display::Direct);
            clear(0x0000FF);
            pause_ms(5);
            select_target(d, 11, surface::Display::Deferred);
            clear(0);
            copy(d, 10, 0, 0, 9, 9, 0, 0);
            redraw();
            copied = get_pixels();
            end_dialog(d, 3);
        }
    };
    EXPECT_EQ(show_modal(dialog, recorder), 3);
    EXPECT_EQ(testsupport::colour_at(copied, 9, 9), 0x0000FF);
    EXPECT_EQ(testsupport::colour_at(copied, 10, 10), 0);
}

TEST_F(Windows, ControlsAndTheirGeometry) {
    EXPECT_EQ(add_control(dialog, 10, "", 0, 0, 5, 5, 0, 0), 0); // id taken
    EXPECT_EQ(add_control(12345, 1, "", 0, 0, 5, 5, 0, 0), 0);   // no such dialog
    EXPECT_EQ(control_pos(dialog, 11), (Point{100, 5}));
    EXPECT_EQ(control_size(dialog, 11), (Size{60, 30}));
    EXPECT_EQ(control_size(dialog, 99), (Size{0, 0}));
    EXPECT_EQ(window_size(dialog), (Size{300, 200}));

    select_target(dialog, 11, surface::Display::Deferred);
    EXPECT_EQ(client_size(), (Size{60, 30}));
    select_target(dialog, 99, surface::Display::Deferred);
    EXPECT_EQ(current_target(), 0);

    struct Case {
        int32_t id, w, h;
    } odd[] = {{20, 0, 10}, {21, -5, -5}, {22, 100000, 100000}};
    for (const Case& c : odd) {
        const Handle h = add_control(dialog, c.id, "", 0, 0, c.w, c.h, 0, 0);
        ASSERT_NE(h, 0) << c.id;
        select_target(dialog, c.id, surface::Display::Direct);
        EXPECT_EQ(client_size(), (Size{0, 0})) << c.id;
        clear(0xFF);
        box(0, 0, 10, 10, 50, 0xFF, -1);
        EXPECT_EQ(get_pixels(), "");
    }
}

// Controls of many sizes, made one after the other, each keep pixels of
// their own: a control drawn on changes no other, before or after it.
TEST_F(Windows, EveryControlKeepsPixelsOfItsOwn) {
    struct Case {
        int32_t id, w, h, colour;
    } cases[] = {{30, 100, 50, 0x0000FF},  {31, 300, 200, 0x00FF00},  {32, 700, 500, 0xFF0000},
                 {33, 640, 480, 0x808080}, {34, 1000, 400, 0x123456}, {35, 60, 30, 0xFFFFFF},
                 {36, 900, 500, 0x00A5FF}, {37, 1920, 1080, 0x800080}};
    for (const Case& c : cases) {
        ASSERT_NE(add_control(dialog, c.id, "", 0, 0, c.w, c.h, 0, 0), 0) << c.id;
        select_target(dialog, c.id, surface::Display::Deferred);
        clear(c.colour);
    }
    for (const Case& c : cases) {
        select_target(dialog, c.id, surface::Display::Deferred);
        const std::string pixels = get_pixels();
        ASSERT_EQ(pixels.size(), 8 + size_t(c.w) * size_t(c.h) * 4) << c.id;
        const char bgr[3] = {char(c.colour >> 16), char(c.colour >> 8), char(c.colour)};
        size_t wrong = 0;
        for (size_t at = 8; at < pixels.size(); at += 4)
            wrong += pixels[at] != bgr[0] || pixels[at + 1] != bgr[1] || pixels[at + 2] != bgr[2];
        EXPECT_EQ(wrong, 0u) << c.id;
    }
}

TEST_F(Windows, CopyFromAControlByDialogAndId) {
    select_target(dialog, 10, surface::Display::Direct);
    clear(0x00FF00);
    const Handle b = new_bitmap(10, 10);
    select_target(b, 0, surface::Display::Deferred);
    clear(0);
    copy(dialog, 10, 0, 0, 3, 3, 0, 0);
    EXPECT_EQ(device_context()->pixel(3, 3) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(device_context()->pixel(4, 4) & 0xFFFFFF, 0u);
    copy(control_handle(dialog, 10), 0, 0, 0, 9, 9, 0, 0);
    EXPECT_EQ(device_context()->pixel(9, 9) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(Windows, AccessibleRoleAndName) {
    set_accessible(dialog, 10, Role::PushButton, "Fine");
    set_accessible(dialog, 11, Role::StaticText, "4.7 kOhm tolleranza 5%");
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(widget_of(dialog, 10));
    QAccessibleInterface* text = QAccessible::queryAccessibleInterface(widget_of(dialog, 11));
    ASSERT_NE(button, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(button->role(), QAccessible::PushButton);
    EXPECT_EQ(button->text(QAccessible::Name), "Fine");
    EXPECT_EQ(text->role(), QAccessible::StaticText);
    set_accessible(dialog, 11, Role::StaticText, "22 \xB0"); // Latin-1 degree sign
    EXPECT_EQ(text->text(QAccessible::Name), QString::fromUtf8("22 \u00B0"));
}

TEST_F(Windows, BackdropIsABlackCurrentTarget) {
    const Handle backdrop = create_backdrop("", -1, -1, 320, 240, 0, 1);
    ASSERT_NE(backdrop, 0);
    EXPECT_EQ(current_target(), backdrop);
    EXPECT_EQ(client_size(), (Size{320, 240}));
    EXPECT_EQ(window_pos(backdrop), (Point{-1, -1}));
    EXPECT_EQ(device_context()->pixel(100, 100) & 0xFFFFFF, 0u);
}

// The box is really shown, modal, with the text (Latin-1), the caption and
// one OK button; the call waits for it and answers OK (1).
TEST_F(Windows, MessageBoxShowsTheTextAndWaitsForOk) {
    struct Case {
        std::string text, caption;
        QString shown_text, shown_caption;
    } cases[] = {{"No GDI+", "resistenze", "No GDI+", "resistenze"},
                 {"20\xB0", "", QStringLiteral(u"20\u00B0"), ""}};
    for (const Case& c : cases) {
        QString text = "(no box)", caption;
        int buttons = 0;
        bool app_modal = false;
        soon(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            text = box->text();
            caption = box->windowTitle();
            buttons = int(box->buttons().size());
            app_modal = box->windowModality() == Qt::ApplicationModal;
            box->button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(message_box(c.text, c.caption, 0), 1) << c.text;
        EXPECT_EQ(text, c.shown_text);
        EXPECT_EQ(caption, c.shown_caption);
        EXPECT_EQ(buttons, 1);
        EXPECT_TRUE(app_modal);
    }
}

} // namespace
