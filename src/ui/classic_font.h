#pragma once

#include <QFont>

namespace plimo {

// The windows' "MS Sans Serif" at a pixel size. On Windows that name is a bitmap font with no anti-aliasing and no
// sizes for 125-200 %, and Qt does not swap in its TrueType successor: there it is asked for by the successor's name.
inline QFont ClassicFont(int pixelSize, bool bold = false) {
#ifdef Q_OS_WIN
    QFont font(QStringLiteral("Microsoft Sans Serif"));
#else
    QFont font(QStringLiteral("MS Sans Serif"));
#endif
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace plimo
