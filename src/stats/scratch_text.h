#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plimo {

// The first line of the scratch text, as the main window is created with it.
inline constexpr std::string_view kInitialScratch = "Memo1\r\n";

// Beyond this the scratch text is emptied before the next append: pages without Cyrillic text would
// otherwise pile up for ever.
inline constexpr std::size_t kScratchLimit = 8u * 1024u * 1024u;

// Joins a captured page source to the scratch text: after the text when it is empty or ends with CR LF
// (then CR LF after the source), otherwise after a CR LF.
void AppendToScratch(std::string& scratch, std::string_view source);

// Decodes the bytes as UTF-8 in the lenient way the page reader always has (overlong forms accepted; a four-byte
// form is one character the code page lacks) and encodes the result in Windows-1251, whatever the system's ANSI
// code page: the page's markers are Russian words, and a Russian reader on a Windows set to another code page must
// still find them. Any decoding failure gives the empty text.
std::string Utf8ToAnsi(std::string_view utf8);
// The same into ansi, replacing its content but keeping its storage, so that a read pass that swaps the scratch
// text with a spare buffer converts without allocating.
void Utf8ToAnsi(std::string_view utf8, std::string& ansi);

}  // namespace plimo
