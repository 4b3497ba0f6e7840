#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace plimo {

// How the engine must treat the bytes of an answer to hand them over as UTF-8.
enum class PageCharset {
    AsIs,         // UTF-8, undeclared, or a charset we leave alone
    Windows1251,  // to be converted
};

// Decides from the Content-Type header and, when that names no charset, from a <meta> declaration near the start
// of the page, as browsers do. A UTF-8 byte order mark overrides both.
PageCharset DetectPageCharset(QByteArrayView contentType, QByteArrayView body);

// The charset parameter of a Content-Type value, or of a <meta> tag's text; empty when there is none.
QByteArray CharsetParameter(QByteArrayView text);

// Windows-1251 bytes as UTF-8, every byte mapped (0x98, unassigned, to U+0098 as browsers do).
QByteArray Windows1251ToUtf8(QByteArrayView bytes);

}  // namespace plimo
