// The whole program in-process: the main procedure runs its modal dialog on
// the offscreen screen while a driver clicks controls, reads the result
// fields as a screen reader does, and ends it with Escape, "0", "Fine" or a
// close request.
#include "app/app.h"
#include "calc/calc.h"
#include "support.h"
#include "surface/surface.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace {

using testsupport::control_widget;

std::string accessible_name(int32_t id) {
    return testsupport::trimmed(testsupport::accessible_name(id));
}

std::array<std::string, 5> shown_fields() {
    std::array<std::string, 5> out;
    for (int32_t i = 0; i < 5; ++i) out[static_cast<std::size_t>(i)] = accessible_name(901 + i);
    return out;
}

void click(int32_t id) {
    QWidget* w = control_widget(id);
    ASSERT_NE(w, nullptr) << "control " << id;
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    QTest::qWait(200); // as a user does: the press's flash ends
}

// Types a key the way a user does between clicks: once the clock bar has
// been rewritten (and so holds the focus), into the focused control.
void type_key(Qt::Key key) {
    QTest::qWait(250);
    // Into the dialog: on a busy machine the backdrop may still hold the
    // application's focus when the dialog is already up.
    QWidget* clock = control_widget(ID_OROLOGIO);
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr || clock == nullptr || target->window() != clock->window())
        target = clock;
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key, Qt::NoModifier);
}

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        old_dir_ = QDir::currentPath();
        // The background picture, when the build has one, makes it the real look.
        QFile::copy(QStringLiteral(TEST_FONT_DIR "fondo3.jpg"), dir_.filePath("fondo3.jpg"));
        QDir::setCurrent(dir_.path());
    }
    void TearDown() override {
        QDir::setCurrent(old_dir_);
        surface::reset_all();
    }

    void write_config(const std::string& text) {
        QFile f(dir_.filePath("tavi_menu_conf.cnf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }

    // Runs the main procedure; `driver` is called once its dialog is up and
    // must end it. A watchdog ends a run that the driver could not end.
    int run(const std::function<void()>& driver) {
        bool started = false;
        watchdog_fired_ = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (started || QApplication::activeModalWidget() == nullptr) return;
            started = true;
            poll.stop();
            driver();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            watchdog_fired_ = true;
            surface::end_dialog(dialogo, 0);
        });
        poll.start();
        watchdog.start(20000);
        const int result = PRINCIPALE();
        EXPECT_TRUE(started) << "the dialog never ran modally; " << pixelori << 'x' << pixelver;
        EXPECT_FALSE(watchdog_fired_) << "the dialog did not end by itself";
        return result;
    }

    QTemporaryDir dir_;
    QString old_dir_;
    bool watchdog_fired_ = false;
};

TEST_F(Program, WithoutConfigurationFillsTheWorkAreaAndEndsOnEscape) {
    surface::Point pos;
    surface::Size size;
    int32_t digit_px = 0, clock_px = 0;
    const int rc = run([&] {
        pos = surface::window_pos(dialogo);
        size = surface::window_size(dialogo);
        digit_px = surface::font_pixel_size(font_h26.handle);
        clock_px = surface::font_pixel_size(font_44.handle);
        type_key(Qt::Key_Escape);
    });
    EXPECT_EQ(rc, 0);
    // A Wayland compositor places windows itself (there the dialog goes full
    // screen when the compositor gets to it).
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        EXPECT_EQ(pos, (surface::Point{-1, -1}));
    }
    EXPECT_EQ(size, surface::work_area());
    EXPECT_EQ(larghezzacornice, 10);
    // round(1080 / 26) = 42 points and 44 points, at 96 DPI.
    EXPECT_EQ(digit_px, 56);
    EXPECT_EQ(clock_px, 59);
}

TEST_F(Program, ConfiguredSizeIsCentredAndEndsOnZero) {
    write_config("' dimensioni della finestra\r\npixelori=1024\r\npixelver=700\r\n"
                 "larghezzacornice=8\r\n");
    surface::Point pos, strip;
    surface::Size size;
    const int rc = run([&] {
        pos = surface::window_pos(dialogo);
        size = surface::window_size(dialogo);
        strip = surface::control_pos(dialogo, ID_RESISTENZA);
        type_key(Qt::Key_0);
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(pos, (surface::Point{447, 189}));
    EXPECT_EQ(size, (surface::Size{1024, 700}));
    EXPECT_EQ(strip, (surface::Point{94, 149}));
    EXPECT_EQ(larghezzacornice, 8);
}

TEST_F(Program, BandsReadingsBackspaceAndReset) {
    write_config("pixelori=1024\r\npixelver=700\r\n");
    std::array<std::string, 5> three, four, five, six, back, reset;
    std::string bands_after_reset = "x";
    const int rc = run([&] {
        // yellow violet black brown brown
        for (int32_t id : {605, 608, 601}) click(id);
        three = shown_fields();
        click(602);
        four = shown_fields();
        click(602);
        five = shown_fields();
        click(603); // a sixth band: no rule fits
        six = shown_fields();
        click(ID_INDIETRO);
        back = shown_fields();
        click(ID_RESETTA);
        reset = shown_fields();
        bands_after_reset = bande;
        type_key(Qt::Key_Escape);
    });
    EXPECT_EQ(rc, 0);

    // 4 7 0: 47 x 1 = 47 Ohm; backwards 0 7 4: 7 x 10^4 = 70 kOhm.
    EXPECT_EQ(three, (std::array<std::string, 5>{"47 Ohm", "", "70 kOhm", "", ""}));
    // 4 7 0 1: 47 x 10^0 with 1 %, and as five bands 470 x 10 = 4.7 kOhm;
    // backwards 1 0 7 4: 10 x 10^7 = 100 MOhm with no tolerance ("-"), and
    // 107 x 10^4 = 1.07 MOhm, which replaces the forward five-band line.
    EXPECT_EQ(four, (std::array<std::string, 5>{"", "47 Ohm tolleranza  1%", "",
                                                "100 MOhm tolleranza -", "1.07 MOhm 5 bande"}));
    // 4 7 0 1 1: 470 x 10 = 4.7 kOhm, 1 %; backwards 110 x 10^7 is too large.
    EXPECT_EQ(five, (std::array<std::string, 5>{"", "4.7 kOhm tolleranza  1%", "", "", ""}));

    const std::array<std::string, 5> empty{};
    EXPECT_EQ(six, empty);
    EXPECT_EQ(back, five);
    EXPECT_EQ(reset, empty);
    EXPECT_EQ(bands_after_reset, "");
}

// A standard value carries its series after the line and in its description;
// the five-band reading of the same bands, 11.27 MOhm, no mark.
TEST_F(Program, StandardValueIsMarked) {
    std::string name, described[2];
    int marked[2] = {};
    const int rc = run([&] {
        for (int32_t id : {605, 608, 603, 612}) click(id); // giallo viola rosso oro
        name = accessible_name(902);
        for (int i = 0; i < 2; ++i) {
            const int32_t id = i == 0 ? 902 : 905;
            described[i] = QAccessible::queryAccessibleInterface(control_widget(id))
                               ->text(QAccessible::Description)
                               .toStdString();
            surface::select_target(dialogo, id, surface::Display::Deferred);
            const std::string img = surface::get_pixels();
            for (int32_t y = 0; y < testsupport::header(img, 4); ++y)
                for (int32_t x = 0; x < testsupport::header(img, 0); ++x)
                    marked[i] += testsupport::colour_at(img, x, y) == 0x326E00; // dark green
        }
        type_key(Qt::Key_Escape);
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(name, "4.7 kOhm tolleranza  5%");
    EXPECT_EQ(described[0], "valore normalizzato E24");
    EXPECT_EQ(described[1], "");
    EXPECT_GT(marked[0], 20);
    EXPECT_EQ(marked[1], 0);
}

// "Fine", a close request and closing the black backdrop end the run too;
// odd sizes start and end cleanly: a tiny dialog, one configured without a
// size, a negative size (the whole screen) and an absurd height.
TEST_F(Program, OddSizesStartAndEndOnFineOrClose) {
    enum class End { Fine, Close, CloseBackdrop };
    const struct {
        const char* config;
        End by;
    } cases[] = {{"pixelori=800\r\npixelver=600", End::Fine},
                 {"pixelori=0", End::Close},
                 {"pixelori=50\r\npixelver=30", End::Fine},
                 {"pixelori=800\r\npixelver=1e9", End::Close},
                 {"pixelori=-5\r\npixelver=99999999999", End::Fine},
                 {"pixelori=640\r\npixelver=480", End::CloseBackdrop}};
    for (const auto& c : cases) {
        write_config(c.config);
        EXPECT_EQ(run([&] {
                      QWidget* dialog = QApplication::activeModalWidget();
                      if (c.by == End::Fine) click(ID_FINE);
                      if (c.by == End::Close) dialog->close();
                      for (QWidget* w : QApplication::topLevelWidgets())
                          if (c.by == End::CloseBackdrop && w != dialog && w->isVisible())
                              w->close();
                  }),
                  0)
            << c.config;
        surface::reset_all();
    }
}

} // namespace
