// The dialog's event handler on the real window layout at 640 by 400: colour
// presses, "<", "Resetta", the clock and the end keys.
#include "app/app.h"
#include "calc/calc.h"
#include "ngbutton/ngbutton.h"
#include "support.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int32_t kW = 640, kH = 400;

using testsupport::accessible_name;
using testsupport::control_widget;

using testsupport::trimmed;

std::string strip_pixels() {
    surface::select_target(dialogo, ID_RESISTENZA, surface::Display::Deferred);
    return surface::get_pixels();
}

// A press and the end of its flash.
void press(int32_t id) {
    DLG_CB(dialogo, surface::WM_COMMAND, id, 0);
    DLG_CB(dialogo, surface::WM_TIMER, 3, 0);
}

class Handler : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::fresh_calculator();
        for (FontSlot* slot : {&font_h26, &font_44, &font_h28, &font_h60})
            slot->handle = surface::create_font("DejaVu Sans", 12, 0, 0);
        dialogo = surface::create_dialog(0, "", 0, 0, kW, kH, 0, 0);
        DEFINISC(dialogo, ID_SFONDO, kW, kH);
    }
    void TearDown() override {
        surface::reset_all();
        for (FontSlot* slot : {&font_h26, &font_44, &font_h28, &font_h60}) slot->handle = 0;
        dialogo = 0;
        bande.clear();
    }

    // Fields as a screen reader hears them must match the readings of `bande`.
    void expect_fields_follow_bande(const std::string& step) {
        const auto lines = LEGGI_BANDE(bande);
        for (int32_t i = 0; i < 5; ++i)
            EXPECT_EQ(accessible_name(ID_RIGA_1 + i), trimmed(lines[std::size_t(i)]))
                << step << ", field " << ID_RIGA_1 + i;
    }
};

TEST_F(Handler, CommandsChangeTheBandsAndTheFields) {
    struct Step {
        intptr_t command;
        std::string bande; // expected afterwards
    };
    const std::string worked{4, 7, 2, 11};
    const Step steps[] = {
        {605, {4}},
        {608, {4, 7}},
        {603, {4, 7, 2}},
        {612, worked},
        {699, {4, 7, 2}},
        {612, worked},
        {602, {4, 7, 2, 11, 1}},
        {601, {4, 7, 2, 11, 1, 0}}, // six bands: every field empty
        {612, {4, 7, 2, 11, 1, 0, 11}},
        {699, {4, 7, 2, 11, 1, 0}},
        {699, {4, 7, 2, 11, 1}}, // the five-band readings come back
        {613, {4, 7, 2, 11, 1}}, // no colour 13
        {600, {4, 7, 2, 11, 1}},
        {ID_OROLOGIO, {4, 7, 2, 11, 1}},
        {ID_RESISTENZA, {4, 7, 2, 11, 1}},
        {ID_RIGA_1, {4, 7, 2, 11, 1}},
        {ID_RESETTA, {}},
        {699, {}},               // "<" on nothing stays nothing
        {(7 << 16) | 611, {10}}, // the notification code is not looked at
    };
    for (const auto& s : steps) {
        press(int32_t(s.command));
        const std::string step = "after command " + std::to_string(s.command & 0xFFFF);
        ASSERT_EQ(bande, s.bande) << step;
        expect_fields_follow_bande(step);
        if (bande == worked) {
            EXPECT_EQ(accessible_name(902), "4.7 kOhm tolleranza  5%");
            EXPECT_EQ(accessible_name(905), "11.27 MOhm 5 bande");
        }
    }
    EXPECT_EQ(accessible_name(901), "striscia di tolleranza");
}

TEST_F(Handler, StripKeepsACellPerBandThroughBackspaceAndReset) {
    const std::string rest = strip_pixels();
    press(604);
    EXPECT_NE(strip_pixels(), rest) << "a press draws a cell";
    press(609);
    const std::string two = strip_pixels();
    press(612);
    press(699); // the strip is cleared and cells 1 and 2 drawn again
    EXPECT_EQ(strip_pixels(), two);
    press(ID_RESETTA);
    EXPECT_EQ(strip_pixels(), rest);

    // Cells go on past the fifth band while the strip has room.
    const surface::Size strip = surface::control_size(dialogo, ID_RESISTENZA);
    ASSERT_GT(strip.w, 6 * strip.h);
    for (int i = 0; i < 5; ++i) press(602);
    const std::string five = strip_pixels();
    press(602);
    EXPECT_NE(strip_pixels(), five);
}

TEST_F(Handler, ClockTickWritesTheTimeAndDropsOtherKeys) {
    DLG_CB(dialogo, surface::WM_TIMER, 3, 0); // not the clock's timer
    EXPECT_EQ(accessible_name(ID_OROLOGIO), "");
    ultimo_tasto.assign(1, 'x');
    DLG_CB(dialogo, surface::WM_TIMER, 2, 0);
    EXPECT_EQ(ultimo_tasto, "");
    const QString shown = QString::fromStdString(accessible_name(ID_OROLOGIO));
    EXPECT_TRUE(QRegularExpression("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$").match(shown).hasMatch())
        << shown.toStdString();

    // A key typed on the clock bar reaches ultimo_tasto at the next tick.
    QTest::keyClick(control_widget(ID_OROLOGIO), 'q');
    DLG_CB(dialogo, surface::WM_TIMER, 2, 0);
    EXPECT_EQ(ultimo_tasto, "q");
    DLG_CB(dialogo, surface::WM_TIMER, 2, 0);
    EXPECT_EQ(ultimo_tasto, "");
}

// What reached the program while the dialog ran: commands (with the bands
// at a cancel) and the key that the clock bar collected at each tick
// ("command 605;", "command 2;bands 1;", "key x;"); and what reached the
// clock bar itself ("release;").
std::string trace;

intptr_t traced_handler(surface::Handle d, uint32_t msg, intptr_t wparam, intptr_t lparam) {
    if (msg == surface::WM_COMMAND) trace += "command " + std::to_string(wparam & 0xFFFF) + ";";
    if (msg == surface::WM_COMMAND && wparam == surface::IDCANCEL)
        trace += "bands " + std::to_string(bande.size()) + ";";
    const intptr_t r = DLG_CB(d, msg, wparam, lparam);
    if (msg == surface::WM_TIMER && !ultimo_tasto.empty()) trace += "key " + ultimo_tasto + ";";
    return r;
}

class ReleaseSpy : public QObject {
  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonRelease) trace += "release;";
        return false;
    }
};

// Runs the dialog modally and returns its result; `during` is called once it
// runs. A fallback ends it with 7 after `limit_ms`, so a handler that never
// ends it shows as 7.
template <class F> intptr_t run_modal(F during, int limit_ms = 2000) {
    const surface::Handle d = dialogo;
    trace.clear();
    ReleaseSpy spy;
    control_widget(ID_OROLOGIO)->installEventFilter(&spy);
    QTimer::singleShot(0, during);
    QTimer::singleShot(limit_ms, [d] { surface::end_dialog(d, 7); });
    return surface::show_modal(d, traced_handler);
}

// The cases that must not end the dialog run into the fallback (7); their
// trace shows that what they did did reach the program.
struct EndCase {
    const char* what;
    std::function<void()> during;
    intptr_t result;
    const char* reached; // part of the trace
};

// Names the case by what it does in test listings (and so in ctest).
[[maybe_unused]] void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.what;
}

class EndKeys : public Handler, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndKeys, EndTheDialogOrNot) {
    const EndCase& c = GetParam();
    EXPECT_EQ(run_modal(c.during, 1000), c.result) << c.what;
    EXPECT_NE(trace.find(c.reached), std::string::npos) << c.what << ": " << trace;
}

INSTANTIATE_TEST_SUITE_P(
    Handler, EndKeys,
    ::testing::Values(
        EndCase{"Escape collected by a field", [] { ultimo_tasto.assign(1, '\x1b'); }, 0, ""},
        EndCase{"0 typed on the clock bar",
                [] {
                    QTimer::singleShot(150,
                                       [] { QTest::keyClick(control_widget(ID_OROLOGIO), '0'); });
                },
                0, "key 0;"},
        EndCase{"x typed on the clock bar",
                [] {
                    QTimer::singleShot(150,
                                       [] { QTest::keyClick(control_widget(ID_OROLOGIO), 'x'); });
                },
                7, "key x;"},
        EndCase{"Fine clicked", [] { QTest::mouseClick(control_widget(ID_FINE), Qt::LeftButton); },
                0, "command 530;"},
        EndCase{"cancel command", [] { press(surface::IDCANCEL); }, 0, ""},
        // The first press flashes; the others wait behind it and go with the
        // dialog, so the end comes right after the Escape.
        EndCase{"Escape behind 100 queued presses",
                [] {
                    QWidget* giallo = control_widget(605);
                    const QPointF at(giallo->rect().center());
                    for (int i = 0; i < 100; ++i)
                        QApplication::postEvent(
                            giallo,
                            new QMouseEvent(QEvent::MouseButtonRelease, at, giallo->mapToGlobal(at),
                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
                    QApplication::postEvent(
                        giallo->window(),
                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
                },
                0, "command 605;command 2;bands 1;"},
        EndCase{"clock bar clicked, then a colour",
                [] {
                    QTest::mouseClick(control_widget(ID_OROLOGIO), Qt::LeftButton);
                    QTest::mouseClick(control_widget(605), Qt::LeftButton);
                },
                7, "release;command 605;"}));

} // namespace
