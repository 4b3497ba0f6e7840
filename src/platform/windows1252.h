#pragma once

#include <string>
#include <string_view>

namespace plimo {

// The Windows-1252 (Western) code page as a table of our own, the same on every system: what a Western Windows
// gives as its ANSI code page.
char16_t Windows1252ToWide(unsigned char byte);
// The byte for a character, or '?' when the code page lacks it.
char WideToWindows1252(char16_t character);

// A surrogate pair, like any character outside the code page, becomes one '?'.
std::string WideToWindows1252(std::u16string_view wide);
// The same, added to the end of bytes.
void AppendWideToWindows1252(std::string& bytes, std::u16string_view wide);
std::u16string Windows1252ToWide(std::string_view bytes);

}  // namespace plimo
