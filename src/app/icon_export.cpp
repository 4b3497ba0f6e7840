// Writes the program icon as PNG files in the freedesktop hicolor layout, for the archive and the menu entry, and
// when asked, the same sizes as one Windows icon file for the executable's icon resource.
#include "ui/artwork.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <vector>

namespace {

void appendLittleEndian(QByteArray& bytes, quint32 value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

// An icon file whose images are PNG streams, which Windows reads in every size since Vista.
QByteArray iconFile(const std::vector<std::pair<int, QByteArray>>& images) {
    QByteArray file;
    appendLittleEndian(file, 0, 2);  // reserved
    appendLittleEndian(file, 1, 2);  // an icon, not a cursor
    appendLittleEndian(file, static_cast<quint32>(images.size()), 2);
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (const auto& [size, png] : images) {
        file.append(static_cast<char>(size >= 256 ? 0 : size));  // 0 stands for 256
        file.append(static_cast<char>(size >= 256 ? 0 : size));
        appendLittleEndian(file, 0, 2);   // no palette, reserved
        appendLittleEndian(file, 1, 2);   // colour planes
        appendLittleEndian(file, 32, 2);  // bits per pixel
        appendLittleEndian(file, static_cast<quint32>(png.size()), 4);
        appendLittleEndian(file, offset, 4);
        offset += static_cast<quint32>(png.size());
    }
    for (const auto& image : images) {
        file.append(image.second);
    }
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: plimo_icon_export FOLDER [ICON_FILE]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    std::vector<std::pair<int, QByteArray>> images;
    // Windows asks the icon file for 20 and 40 px at 125 % (the tray, the title bar) and would otherwise shrink a
    // larger picture; the icon theme has no folders for them.
    for (const int size : {16, 20, 22, 24, 32, 40, 48, 64, 128, 256}) {
        QByteArray png;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) || !plimo::programIconPixmap(size).save(&buffer, "PNG")) {
            std::fprintf(stderr, "cannot draw the %dx%d icon\n", size, size);
            return 1;
        }
        images.emplace_back(size, png);
        if (size == 20 || size == 40) {
            continue;
        }
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(root).arg(size);
        QFile file(folder + QStringLiteral("/plimo.png"));
        if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(png) != png.size() ||
            !file.flush()) {
            std::fprintf(stderr, "cannot write the %dx%d icon\n", size, size);
            return 1;
        }
    }
    if (argc == 3) {
        const QByteArray ico = iconFile(images);
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size() || !file.flush()) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
    }
    return 0;
}
