#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace plimo {

// The program's texts are ANSI code-page bytes; Qt's widgets hold QString. These convert at that boundary.
QString AnsiToQString(std::string_view ansi);
std::string QStringToAnsi(const QString& text);

// The text without its leading and trailing characters of code 32 or less.
QString TrimmedText(const QString& text);

}  // namespace plimo
