// The yardstick for start-up time: a bare Qt window of the panel's size and kind, doing nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(222, 77);
    window.show();
    return QApplication::exec();
}
