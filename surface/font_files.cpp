// Font files registered for the process, counted per path: the first
// registration of a path reads the file, later ones only count, and each
// registration is undone by one removal; the last removal unloads the file.
#include "surface/fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <map>

namespace {

struct Registration {
    int id = -1;   // the toolkit's id of the loaded file
    int faces = 0; // faces the file added
    int count = 0; // registrations not yet removed
};

std::map<QString, Registration>& registrations() {
    static std::map<QString, Registration> table;
    return table;
}

} // namespace

int AddFontResourceA(const char* path) {
    if (path == nullptr || QGuiApplication::instance() == nullptr) return 0;
    const QString name = QString::fromLocal8Bit(path);
    auto it = registrations().find(name);
    if (it != registrations().end()) {
        ++it->second.count;
        return it->second.faces;
    }
    const int id = QFontDatabase::addApplicationFont(name);
    if (id < 0) return 0;
    surface::detail::font_files_changed();
    const int faces = int(QFontDatabase::applicationFontFamilies(id).size());
    registrations()[name] = Registration{id, faces, 1};
    return faces;
}

int RemoveFontResourceA(const char* path) {
    if (path == nullptr) return 0;
    auto it = registrations().find(QString::fromLocal8Bit(path));
    if (it == registrations().end()) return 0;
    if (--it->second.count == 0) {
        const int id = it->second.id;
        registrations().erase(it);
        QFontDatabase::removeApplicationFont(id);
        surface::detail::font_files_changed();
    }
    return 1;
}
