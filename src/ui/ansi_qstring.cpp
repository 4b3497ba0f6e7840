#include "ui/ansi_qstring.h"

#include "platform/ansi_codepage.h"
#include "platform/windows1251.h"
#include "settings/trimmed_text.h"

namespace plimo {
namespace {

QString FromWide(std::u16string_view wide) {
    return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

}  // namespace

QString AnsiToQString(std::string_view ansi) {
    return FromWide(AnsiToWide(ansi));
}

std::string QStringToAnsi(const QString& text) {
    return WideToAnsi(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

QString Windows1251ToQString(std::string_view bytes) {
    return FromWide(Windows1251ToWide(bytes));
}

QString TrimmedText(const QString& text) {
    return FromWide(TrimmedView(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()))));
}

}  // namespace plimo
