#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace plimo {

// The program's texts are ANSI code-page bytes; Qt's widgets hold QString. These convert at that boundary.
QString AnsiToQString(std::string_view ansi);
std::string QStringToAnsi(const QString& text);
// The statistics page's text is Windows-1251 whatever the system's code page.
QString Windows1251ToQString(std::string_view bytes);

// The text without its leading and trailing characters of code 32 or less.
QString TrimmedText(const QString& text);

}  // namespace plimo
