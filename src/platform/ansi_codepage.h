#pragma once

#include <string>
#include <string_view>

namespace plimo {

// The program's text is bytes in the ANSI code page: the system's on Windows; elsewhere Windows-1251 (the statistics
// page's markers are Windows-1251 text), or Windows-1252 where a test chose it. Characters the code page lacks
// become '?'.
std::string WideToAnsi(std::u16string_view wide);
// The same, added to the end of ansi: converts a long text a piece at a time without a copy per piece.
void AppendWideToAnsi(std::string& ansi, std::u16string_view wide);
std::u16string AnsiToWide(std::string_view ansi);

}  // namespace plimo
