// Font files registered for the process, counted per path: each registration
// of a path is undone by one removal.
#include "surface/surface.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <map>
#include <vector>

namespace {

std::map<QString, std::vector<int>>& registrations() {
    static std::map<QString, std::vector<int>> table;
    return table;
}

} // namespace

int AddFontResourceA(const char* path) {
    if (path == nullptr || QGuiApplication::instance() == nullptr) return 0;
    const QString name = QString::fromLocal8Bit(path);
    const int id = QFontDatabase::addApplicationFont(name);
    if (id < 0) return 0;
    registrations()[name].push_back(id);
    return int(QFontDatabase::applicationFontFamilies(id).size());
}

int RemoveFontResourceA(const char* path) {
    if (path == nullptr) return 0;
    auto it = registrations().find(QString::fromLocal8Bit(path));
    if (it == registrations().end() || it->second.empty()) return 0;
    const int id = it->second.back();
    it->second.pop_back();
    if (it->second.empty()) registrations().erase(it);
    QFontDatabase::removeApplicationFont(id);
    return 1;
}
