// Screen-reader view of graphic controls: push buttons named by their resting
// caption, which the standard press action clicks; text fields as static text
// named by what was last written on them.
#include "surface/handle_table.h"
#include "surface/latin1_qt.h"
#include "surface/widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace surface {
namespace detail {
namespace {

// Static text also offers its words through the text interface: assistive
// technology reads that afresh every time, while a name it has read once is
// kept until a name change is announced, which the clock bar never does.
class ControlAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
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
        if (t == QAccessible::Description) return control_->accessible_description;
        return QAccessibleWidget::text(t);
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface && control_->role == Role::StaticText)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // Read-only text without a cursor or selections.
    QString text(int start, int end) const override {
        return control_->accessible_name.mid(start, end - start);
    }
    int characterCount() const override { return int(control_->accessible_name.size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (pressable()) names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        if (name != pressAction() || !pressable()) {
            QAccessibleWidget::doAction(name);
            return;
        }
        // The click arrives from the event loop, as a mouse click does, so the
        // assistive technology's call returns before the button flashes.
        GraphicControl* control = control_;
        QMetaObject::invokeMethod(
            control, [control] { control->click(); }, Qt::QueuedConnection);
    }

  private:
    bool pressable() const {
        return control_->role == Role::PushButton && (control_->style & SS_NOTIFY) != 0;
    }

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

void set_accessible(Handle dialog, int32_t id, Role role, const std::string& name, bool announce) {
    using namespace detail;
    GraphicControl* control = find_control(dialog, id);
    if (control == nullptr) return;
    const QString text = latin1(name);
    const bool changed = control->accessible_name != text;
    control->role = role;
    control->accessible_name = text;
    if (changed && announce && role == Role::StaticText) {
        QAccessibleEvent event(control, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
        if (g_listener != nullptr) g_listener(dialog, id, name);
    }
}

void set_accessible_description(Handle dialog, int32_t id, const std::string& text) {
    using namespace detail;
    GraphicControl* control = find_control(dialog, id);
    if (control == nullptr) return;
    const QString description = latin1(text);
    if (control->accessible_description == description) return;
    control->accessible_description = description;
    QAccessibleEvent event(control, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void set_window_accessible_name(Handle window, const std::string& name) {
    QWidget* w = detail::windows().find(window);
    if (w != nullptr && w->isWindow()) w->setAccessibleName(detail::latin1(name));
}

AnnouncementListener set_announcement_listener(AnnouncementListener listener) {
    std::swap(listener, detail::g_listener);
    return listener;
}

} // namespace surface
