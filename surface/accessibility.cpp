// Screen-reader view of graphic controls: push buttons named by their resting
// caption, text fields as static text named by what was last written on them.
#include "surface/surface_private.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace surface {
namespace detail {
namespace {

class ControlAccessible : public QAccessibleWidget {
  public:
    explicit ControlAccessible(GraphicControl* control)
        : QAccessibleWidget(control, QAccessible::Client), control_(control) {}

    QAccessible::Role role() const override {
        switch (control_->role) {
        case Role::PushButton:
            return QAccessible::PushButton;
        case Role::StaticText:
            return QAccessible::StaticText;
        case Role::None:
            break;
        }
        return QAccessible::Client;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return control_->accessible_name;
        return QAccessibleWidget::text(t);
    }

  private:
    GraphicControl* control_;
};

QAccessibleInterface* control_factory(const QString&, QObject* object) {
    if (auto* control = dynamic_cast<GraphicControl*>(object))
        return new ControlAccessible(control);
    return nullptr;
}

AnnouncementListener g_listener = nullptr;

} // namespace

void install_accessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(control_factory);
}

} // namespace detail

void set_accessible(Handle dialog, int32_t id, Role role, const std::string& name) {
    using namespace detail;
    GraphicControl* control = find_control(dialog, id);
    if (control == nullptr) return;
    const QString text = QString::fromLatin1(name.data(), qsizetype(name.size()));
    const bool changed = control->accessible_name != text;
    control->role = role;
    control->accessible_name = text;
    if (changed && role == Role::StaticText) {
        QAccessibleEvent event(control, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
        if (g_listener != nullptr) g_listener(dialog, id, name);
    }
}

AnnouncementListener set_announcement_listener(AnnouncementListener listener) {
    std::swap(listener, detail::g_listener);
    return listener;
}

} // namespace surface
