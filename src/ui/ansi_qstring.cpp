#include "ui/ansi_qstring.h"

#include "platform/ansi_codepage.h"
#include "platform/windows1251.h"

namespace plimo {

QString AnsiToQString(std::string_view ansi) {
    const std::u16string wide = AnsiToWide(ansi);
    return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

std::string QStringToAnsi(const QString& text) {
    return WideToAnsi(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

QString Windows1251ToQString(std::string_view bytes) {
    const std::u16string wide = Windows1251ToWide(bytes);
    return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

QString TrimmedText(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 0x20) {
        ++first;
    }
    while (last > first && text.at(last - 1).unicode() <= 0x20) {
        --last;
    }
    return text.mid(first, last - first);
}

}  // namespace plimo
