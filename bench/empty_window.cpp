// The yardstick of the start-up benchmark: the least a program of this kind
// shows. A black frameless backdrop over the work area and, over it, an empty
// frameless dialog of the work area's size at (-1, -1), shown modally. It
// runs until it is ended from outside.
#include <QApplication>
#include <QDialog>
#include <QPalette>
#include <QScreen>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();

    QWidget backdrop(nullptr, Qt::Window | Qt::FramelessWindowHint);
    QPalette black = backdrop.palette();
    black.setColor(QPalette::Window, Qt::black);
    backdrop.setPalette(black);
    backdrop.setAutoFillBackground(true);
    backdrop.setGeometry(area);
    backdrop.show();

    QDialog dialog(nullptr, Qt::FramelessWindowHint);
    dialog.setGeometry(-1, -1, area.width(), area.height());
    return dialog.exec();
}
