// Which window system the program runs on. An explicit QT_QPA_PLATFORM is
// obeyed; otherwise X11 whenever DISPLAY is set, XWayland in a
// Wayland session included, because the layout places its windows
// absolutely; Wayland alone otherwise. Every candidate is tried here first
// (its plugin is installed and loads, its display answers), since the
// toolkit ends the process outright when a platform cannot start.
#include "surface/platform.h"
#include "surface/widgets.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QSocketNotifier>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace surface::detail {

namespace {

const char* env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? v : nullptr;
}

// The first display named in the environment that did not answer.
std::string unanswered;

void note_unanswered(const char* name) {
    if (unanswered.empty()) unanswered = name;
}

// Whether the X server named by DISPLAY accepts a connection.
bool x_display_reachable() {
    if (env("DISPLAY") == nullptr) return false;
    void* lib = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (lib == nullptr) return false; // then the X11 plugin cannot load either
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(lib, "xcb_connect"));
    auto has_error = reinterpret_cast<HasError>(dlsym(lib, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(lib, "xcb_disconnect"));
    bool ok = false;
    if (connect != nullptr && has_error != nullptr && disconnect != nullptr) {
        void* connection = connect(nullptr, nullptr);
        ok = connection != nullptr && has_error(connection) == 0;
        if (connection != nullptr) disconnect(connection);
    }
    dlclose(lib);
    if (!ok) note_unanswered(env("DISPLAY"));
    return ok;
}

// Whether a Wayland compositor listens where WAYLAND_DISPLAY points: a socket
// name in XDG_RUNTIME_DIR, or an absolute path. A socket handed over in
// WAYLAND_SOCKET is taken as it is.
bool wayland_reachable() {
    if (env("WAYLAND_SOCKET") != nullptr) return true;
    const char* name = env("WAYLAND_DISPLAY");
    if (name == nullptr) return false;
    std::string path = name;
    if (path.front() != '/') {
        const char* runtime = env("XDG_RUNTIME_DIR");
        if (runtime == nullptr) {
            note_unanswered(name);
            return false;
        }
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    if (!ok) note_unanswered(name);
    return ok;
}

// Whether a platform plugin answering to `key` is installed and loads (its
// libraries are all there), looked up where the toolkit looks. Files whose
// name holds the key are asked first, so usually one file is read.
bool platform_plugin_loads(const QString& key) {
    QStringList folders;
    if (const char* own = env("QT_QPA_PLATFORM_PLUGIN_PATH"))
        folders += QString::fromLocal8Bit(own).split(u':', Qt::SkipEmptyParts);
    for (const QString& path : QCoreApplication::libraryPaths()) folders += path + "/platforms";
    for (const QString& folder : folders) {
        const QDir dir(folder);
        QStringList files = dir.entryList(QDir::Files);
        std::stable_partition(files.begin(), files.end(), [&](const QString& f) {
            return f.contains(key, Qt::CaseInsensitive);
        });
        for (const QString& file : files) {
            if (!QLibrary::isLibrary(file)) continue;
            QPluginLoader loader(dir.filePath(file));
            const QJsonArray keys =
                loader.metaData().value("MetaData").toObject().value("Keys").toArray();
            for (const auto& k : keys) {
                if (k.toString().compare(key, Qt::CaseInsensitive) == 0) return loader.load();
            }
        }
    }
    return false;
}

// Whether the platform named by one entry of a platform list ("name" or
// "name:arguments") can start.
bool can_start(const QString& entry) {
    const QString name = entry.section(u':', 0, 0).trimmed();
    if (name.isEmpty()) return false;
    if (name == u"xcb" && !x_display_reachable()) return false;
    if (name.startsWith(u"wayland") && !wayland_reachable()) return false;
    return platform_plugin_loads(name);
}

} // namespace

bool choose_platform() {
    if (const char* asked = env("QT_QPA_PLATFORM")) {
        // A list is tried in its order; the toolkit is handed the entry that
        // can start.
        for (const QString& entry : QString::fromLocal8Bit(asked).split(u';', Qt::SkipEmptyParts)) {
            if (!can_start(entry)) continue;
            qputenv("QT_QPA_PLATFORM", entry.toLocal8Bit());
            return true;
        }
        return false;
    }
    for (const char* name : {"xcb", "wayland"}) {
        if (!can_start(QString::fromLatin1(name))) continue;
        qputenv("QT_QPA_PLATFORM", name);
        return true;
    }
    return false;
}

namespace {

int signal_pipe[2] = {-1, -1};
volatile sig_atomic_t dialog_listens = 0;

void on_end_signal(int sig) {
    // Before the dialog runs (start-up may wait on the window system) and
    // after it, nothing would hear the request: the signal ends the process
    // as it would without this handler.
    if (dialog_listens == 0) {
        ::signal(sig, SIG_DFL);
        ::raise(sig);
        return;
    }
    const char byte = 1;
    const ssize_t n = ::write(signal_pipe[1], &byte, 1);
    (void)n; // a full pipe already holds a request
}

} // namespace

void end_on_signals() {
    if (signal_pipe[0] >= 0 || ::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier =
        new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char bytes[16];
        while (::read(signal_pipe[0], bytes, sizeof bytes) > 0) {
        }
        // The running dialog hears it as its close command.
        close_running_dialogs();
    });
    struct sigaction action {};
    action.sa_handler = on_end_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A signal ignored when the program started (nohup, a background job's
    // SIGINT) stays ignored, as the one who started it asked.
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction before {};
        if (sigaction(sig, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
}

void dialog_hears_signals(bool hears) {
    dialog_listens = hears ? 1 : 0;
}

bool on_wayland() {
    return QGuiApplication::platformName().startsWith(u"wayland");
}

} // namespace surface::detail

std::string surface::unopened_display() {
    return detail::unanswered;
}
