// The yardstick for start-up time: a bare Qt window of the panel's size and kind, doing nothing else. Built a
// second time as the floor window, which also shows a line of text and makes a network access manager: what any
// Qt panel that shows a value it fetched must pay.
#include <QApplication>
#include <QWidget>

#ifdef PLIMO_FLOOR_WINDOW
#include <QLabel>
#include <QNetworkAccessManager>
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window.setFixedSize(222, 77);
#ifdef PLIMO_FLOOR_WINDOW
    window.setWindowTitle(QStringLiteral("Floor"));
    QLabel value(QStringLiteral("12,345"), &window);
    QNetworkAccessManager manager;
#else
    window.setWindowTitle(QStringLiteral("Bare"));
#endif
    window.show();
    return QApplication::exec();
}
