// The process: the application object, releasing every handle, pausing,
// and the message box.
#include "surface/fonts.h"
#include "surface/handle_table.h"
#include "surface/latin1_qt.h"
#include "surface/platform.h"
#include "surface/widgets.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace surface {
namespace detail {

bool gui_available() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace detail

using namespace detail;

namespace {

// While the application object connects to the window system: what the
// toolkit says, held back, and the program's name for the one line said
// instead when the toolkit gives up.
QStringList held_messages;
std::string program_name;

void hold_messages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        held_messages << qFormatLogMessage(type, context, text);
        return;
    }
    // The window system checked before went away since (its server ended):
    // said as a display that does not answer is, not as a crash.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') display = std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "%s: cannot open display \"%s\"\n", program_name.c_str(),
                 display != nullptr ? display : "");
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

bool start_application(char* program) {
    if (QCoreApplication::instance() != nullptr) return gui_available();
    if (!choose_platform()) return false;
    prepare_toolkit();
    // The toolkit would take options such as -platform from the command
    // line; the window system is chosen above, by the environment alone.
    static int argc = 1;
    static char* argv[] = {program, nullptr};
    program_name = QFileInfo(QString::fromLocal8Bit(program)).fileName().toStdString();
    const QtMessageHandler previous = qInstallMessageHandler(hold_messages);
    static QApplication* app = new QApplication(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& line : std::exchange(held_messages, {}))
        std::fprintf(stderr, "%s\n", qPrintable(line));
    // The menu entry's name, so that docks match the window to it on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.resistenze.Resistenze"));
    (void)app;
    end_on_signals();
    return true;
}

void prepare_toolkit() {
    if (QCoreApplication::instance() == nullptr) {
        // The layout is in device pixels and follows the screen by itself;
        // the toolkit's own scaling would enlarge it a second time.
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qunsetenv("QT_SCALE_FACTOR");
        qunsetenv("QT_SCREEN_SCALE_FACTORS");
        qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    }
    install_font_substitutions();
}

void reset_all() {
    for (Handle h : windows().handles()) {
        QWidget* w = windows().find(h);
        if (w == nullptr) continue; // went with its dialog
        if (auto* d = dynamic_cast<Dialog*>(w)) {
            // A dialog inside its modal run is ended; its run destroys it.
            if (d->running)
                d->finish(0);
            else
                delete d;
        } else if (w->parentWidget() == nullptr) {
            delete w;
        }
    }
    for (Handle h : bitmaps().handles()) delete bitmaps().remove(h);
    release_fonts();
    set_current(0);
}

// ---------------------------------------------------------------- system

void pause_ms(int32_t ms) {
    // Whatever was drawn reaches the screen before the thread sleeps.
    if (gui_available()) QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    if (ms > 0) QThread::msleep(ulong(ms));
}

int32_t message_box(const std::string& text, const std::string& caption, uint32_t style) {
    (void)style;
    if (!gui_available()) return 0;
    QMessageBox box(QMessageBox::NoIcon, latin1(caption), latin1(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return 1;
}

} // namespace surface
