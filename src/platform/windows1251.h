#pragma once

#include <string>
#include <string_view>

namespace plimo {

// The Windows-1251 code page as a table of our own, the same on every system.
char16_t Windows1251ToWide(unsigned char byte);
// The byte for a character, or '?' when the code page lacks it.
char WideToWindows1251(char16_t character);

std::string WideToWindows1251(std::u16string_view wide);
// The same, added to the end of bytes.
void AppendWideToWindows1251(std::string& bytes, std::u16string_view wide);
std::u16string Windows1251ToWide(std::string_view bytes);

}  // namespace plimo
