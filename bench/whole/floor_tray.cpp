// The floor a Qt 6 tray program cannot beat: an application object, a tray
// icon, one hidden widget and the same two timers as the window program,
// doing nothing when they fire.

#include <chrono>

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {

constexpr auto kRefreshPeriod = std::chrono::milliseconds{1000};
constexpr auto kSecondPeriod = std::chrono::milliseconds{500};
constexpr int kIconSide = 16;
constexpr int kIconMark = 6;

// Two colours, so that a start-up script can tell a drawn icon from a blank one.
QIcon plainIcon() {
    QPixmap pixels(kIconSide, kIconSide);
    pixels.fill(QColor(0, 120, 215));
    QPainter painter(&pixels);
    painter.fillRect(kIconMark / 2, kIconMark / 2, kIconMark, kIconMark, Qt::white);
    return QIcon(pixels);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QWidget hidden;
    QSystemTrayIcon tray(plainIcon());
    tray.show();

    QTimer refresh;
    refresh.setInterval(kRefreshPeriod);
    QObject::connect(&refresh, &QTimer::timeout, [] {});
    refresh.start();

    QTimer second;
    second.setInterval(kSecondPeriod);
    QObject::connect(&second, &QTimer::timeout, [] {});
    second.start();

    return app.exec();
}
