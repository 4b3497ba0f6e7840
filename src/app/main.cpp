#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plimo"));
    QWidget panel(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel.setFixedSize(222, 77);
    panel.show();
    return QApplication::exec();
}
