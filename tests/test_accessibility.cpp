// What a screen reader hears: graphic buttons are push buttons named by their
// resting caption, pressed through the standard action; the result fields and
// the clock bar are static text named by what was last written on them, and a
// result line's change is announced; the program's own writes move no focus;
// the band strip describes the chosen colours; the dialog is "resistenze".
#include "app/app.h"
#include "calc/calc.h"
#include "ngbutton/ngbutton.h"
#include "support.h"

#include <QAccessible>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

namespace {

struct Announcement {
    int32_t id;
    std::string name;
};

std::vector<Announcement> g_heard;

void listen(surface::Handle, int32_t id, const std::string& name) {
    g_heard.push_back({id, name});
}

// Focus changes the toolkit makes; each one reaches screen readers.
class FocusLog : public QObject {
  public:
    FocusLog() {
        connect(qApp, &QApplication::focusChanged, this, [this] { ++changes; });
    }
    int changes = 0;
};

QAccessibleInterface* interface_of(int32_t id) {
    return QAccessible::queryAccessibleInterface(testsupport::control_widget(dialogo, id));
}

// Runs `step` inside the modal run of dialogo (no handler of its own), once
// the window is on screen and active.
void inside_shown_dialog(std::function<void()> step) {
    static std::function<void()> pending;
    pending = std::move(step);
    surface::show_modal(dialogo,
                        [](surface::Handle d, uint32_t msg, intptr_t, intptr_t) -> intptr_t {
                            if (msg == surface::WM_INITDIALOG)
                                QTimer::singleShot(0, qApp, [d] {
                                    QWidget* window = QApplication::activeModalWidget();
                                    if (window != nullptr && QTest::qWaitForWindowActive(window))
                                        pending();
                                    else
                                        ADD_FAILURE() << "the dialog never became active";
                                    surface::end_dialog(d, 0);
                                });
                            return 0;
                        });
    pending = nullptr;
}

class ScreenReader : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::fresh_calculator();
        testsupport::dialog_over_pattern(dialogo, 400, 300, [](int32_t, int32_t) { return 0u; });
        surface::add_control(dialogo, ID_RIGA_1, "", 10, 10, 380, 40, surface::SS_NOTIFY, 0);
        surface::add_control(dialogo, ID_OROLOGIO, "", 10, 60, 380, 40, 0, 0);
        previous_ = surface::set_announcement_listener(listen);
        g_heard.clear();
    }
    void TearDown() override {
        surface::set_announcement_listener(previous_);
        surface::reset_all();
    }

    // Name changes announced for one control.
    static std::vector<std::string> names_heard(int32_t id) {
        std::vector<std::string> names;
        for (const auto& a : g_heard)
            if (a.id == id) names.push_back(a.name);
        return names;
    }

    static QAccessible::Role role_of(int32_t id) {
        QAccessibleInterface* a =
            QAccessible::queryAccessibleInterface(testsupport::control_widget(dialogo, id));
        return a ? a->role() : QAccessible::NoRole;
    }

  private:
    surface::AnnouncementListener previous_ = nullptr;
};

TEST_F(ScreenReader, FieldsAnnounceTheirNewTextOnce) {
    QUICKADD(ID_RIGA_1, "  4.7 kOhm tolleranza  5% ");
    EXPECT_EQ(role_of(ID_RIGA_1), QAccessible::StaticText);
    EXPECT_EQ(testsupport::accessible_name(dialogo, ID_RIGA_1), "4.7 kOhm tolleranza  5%");
    EXPECT_EQ(names_heard(ID_RIGA_1), std::vector<std::string>{"4.7 kOhm tolleranza  5%"});

    // The same text again is no news; an emptied field is.
    g_heard.clear();
    QUICKADD(ID_RIGA_1, "4.7 kOhm tolleranza  5%");
    EXPECT_TRUE(names_heard(ID_RIGA_1).empty());
    QUICKADD(ID_RIGA_1, "");
    EXPECT_EQ(names_heard(ID_RIGA_1), std::vector<std::string>{""});
}

TEST_F(ScreenReader, ClockBarIsReadableButItsTicksAreNotAnnounced) {
    for (const char* time : {"09:05:30", "09:05:31", "09:05:32"}) {
        NG_SCRIV(dialogo, ID_SFONDO, ID_OROLOGIO, "centro", time);
        EXPECT_EQ(role_of(ID_OROLOGIO), QAccessible::StaticText);
        EXPECT_EQ(testsupport::accessible_name(dialogo, ID_OROLOGIO), time);
        // Readers that keep names they have read get the time afresh here.
        QAccessibleTextInterface* words = interface_of(ID_OROLOGIO)->textInterface();
        ASSERT_NE(words, nullptr);
        EXPECT_EQ(words->text(0, words->characterCount()).toStdString(), time);
    }
    EXPECT_TRUE(names_heard(ID_OROLOGIO).empty());
    // A result line in the same window still is news.
    QUICKADD(ID_RIGA_1, "47 Ohm");
    EXPECT_EQ(names_heard(ID_RIGA_1), std::vector<std::string>{"47 Ohm"});
}

TEST_F(ScreenReader, FieldWritesMoveNoFocusYetCollectTheirKeys) {
    inside_shown_dialog([] {
        FocusLog focus;
        QUICKADD(ID_RIGA_1, "47 Ohm");
        NG_SCRIV(dialogo, ID_SFONDO, ID_OROLOGIO, "centro", "09:05:30");
        QUICKADD(ID_RIGA_1, "");
        QCoreApplication::processEvents();
        EXPECT_EQ(focus.changes, 0);
        // A key typed now belongs to the field written last.
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, Qt::Key_X);
        QUICKADD(ID_RIGA_1, "47 Ohm");
        EXPECT_EQ(ultimo_tasto, "x");
    });
}

TEST_F(ScreenReader, BandStripDescribesTheChosenColoursInOrder) {
    surface::add_control(dialogo, ID_RESISTENZA, "", 10, 110, 380, 40, surface::SS_NOTIFY, 0);
    const struct {
        std::string bands;
        const char* described;
    } cases[] = {
        {{4, 7, 2, 11}, "giallo, viola, rosso, oro"},
        {{4, 7, 2}, "giallo, viola, rosso"},
        {{0, 10, 9, 1, 5, 6}, "nero, argento, bianco, marrone, verde, blu"},
        {"", ""},
    };
    for (const auto& c : cases) {
        bande = c.bands;
        AGGIORNA(bande, -1);
        EXPECT_EQ(interface_of(ID_RESISTENZA)->text(QAccessible::Description).toStdString(),
                  c.described);
    }
}

TEST_F(ScreenReader, ButtonsAreNamedByTheirRestingCaption) {
    struct Case {
        int32_t id;
        const char* rest;
        const char* alternate;
        const char* heard;
    } cases[] = {
        {ID_RESISTENZA, "RESISTENZA\r\n4 BANDE", "", "RESISTENZA 4 BANDE"},
        {ID_FINE, "FINE", "Fine", "FINE"},
        {ID_COLORI + 5, "giallo", "giallo", "giallo"},
        {ID_INDIETRO, "dieci$per+cento_netto", "", "dieci per cento netto"},
        {ID_COLORI + 1,
         "  A$$B_C+D\xB0"
         "E  ",
         "", "A B C D E"},
        {ID_COLORI + 2, "$", "", ""},
    };
    int32_t x = 0;
    for (const auto& c : cases) {
        NG_BOTTONE& r = NG_BOTTONI[static_cast<std::size_t>(c.id)];
        r.indice = c.id;
        r.x = x % 380;
        r.y = 120 + 65 * (x / 380);
        r.larghezza = 90;
        r.altezza = 60;
        r.testo_0 = c.rest;
        r.testo_1 = c.alternate;
        r.trasparente = 1;
        x += 95;
        NG_DEF_B(dialogo, ID_SFONDO, c.id, r);
        EXPECT_EQ(role_of(c.id), QAccessible::PushButton) << c.rest;
        EXPECT_EQ(testsupport::accessible_name(dialogo, c.id), c.heard) << c.rest;
        // Flashing the alternate look does not rename the button.
        NG_DISEG(dialogo, ID_SFONDO, c.id, r);
        EXPECT_EQ(testsupport::accessible_name(dialogo, c.id), c.heard) << c.rest;
        NG_DISEG(dialogo, ID_SFONDO, c.id, r);
    }
}

// The whole program: the press action clicks, and the dialog has its name.
TEST(ScreenReaderProgram, PressActionClicksAndTheDialogIsNamed) {
    std::string dialog_name, second_line;
    bool started = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* window = QApplication::activeModalWidget();
        if (started || window == nullptr) return;
        started = true;
        poll.stop();
        dialog_name =
            QAccessible::queryAccessibleInterface(window)->text(QAccessible::Name).toStdString();
        for (const int32_t id : {605, 608, 603, 612}) { // giallo, viola, rosso, oro
            QAccessibleActionInterface* action = interface_of(id)->actionInterface();
            ASSERT_NE(action, nullptr) << id;
            EXPECT_TRUE(action->actionNames().contains(QAccessibleActionInterface::pressAction()))
                << id;
            action->doAction(QAccessibleActionInterface::pressAction());
            QTest::qWait(200); // the press's flash ends
        }
        second_line = testsupport::accessible_name(dialogo, ID_RIGA_1 + 1);
        surface::end_dialog(dialogo, 0);
    });
    poll.start();
    PRINCIPALE();
    EXPECT_TRUE(started);
    EXPECT_EQ(dialog_name, "resistenze");
    EXPECT_EQ(second_line, "4.7 kOhm tolleranza  5%");
    surface::reset_all();
}

} // namespace
