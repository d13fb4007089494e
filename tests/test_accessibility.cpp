// What a screen reader hears: graphic buttons are push buttons named by their
// resting caption; the result fields and the clock bar are static text named
// by what was last written on them, and a change of that text is announced.
#include "calc/calc.h"
#include "ngbutton/ngbutton.h"
#include "support.h"

#include <QAccessible>
#include <gtest/gtest.h>

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

class ScreenReader : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::fresh_calculator();
        dialogo = surface::create_dialog(0, "", 0, 0, 400, 300, 0, 0);
        surface::add_control(dialogo, ID_SFONDO, "", 0, 0, 400, 300, 0, 0);
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

TEST_F(ScreenReader, ClockBarIsStaticTextNamedByTheTime) {
    NG_SCRIV(dialogo, ID_SFONDO, ID_OROLOGIO, "centro", "09:05:30");
    EXPECT_EQ(role_of(ID_OROLOGIO), QAccessible::StaticText);
    EXPECT_EQ(names_heard(ID_OROLOGIO), std::vector<std::string>{"09:05:30"});
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
    };
    int32_t x = 0;
    for (const auto& c : cases) {
        NG_BOTTONE& r = NG_BOTTONI[static_cast<std::size_t>(c.id)];
        r.indice = c.id;
        r.x = x;
        r.y = 120;
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

} // namespace
