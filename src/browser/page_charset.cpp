#include "browser/page_charset.h"

#include "platform/ascii_case.h"
#include "platform/windows1251.h"

#include <string_view>

namespace plimo {

namespace {

// Browsers look for a <meta> charset only this far into the page.
constexpr qsizetype kMetaScanBytes = 4096;

std::string_view asStringView(QByteArrayView bytes) {
    return std::string_view(bytes.data(), static_cast<std::size_t>(bytes.size()));
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool namesWindows1251(QByteArrayView label) {
    // The labels browsers accept for this code page.
    for (QByteArrayView name : {QByteArrayView("windows-1251"), QByteArrayView("cp1251"), QByteArrayView("x-cp1251")}) {
        if (EqualIgnoringAsciiCase(asStringView(label), asStringView(name)))
            return true;
    }
    return false;
}

qsizetype indexOfCaseless(QByteArrayView haystack, QByteArrayView needle, qsizetype from) {
    for (qsizetype i = from; i + needle.size() <= haystack.size(); ++i) {
        if (EqualIgnoringAsciiCase(asStringView(haystack.sliced(i, needle.size())), asStringView(needle)))
            return i;
    }
    return -1;
}

// The charset named by the first <meta> tag that names one.
QByteArray metaCharset(QByteArrayView head) {
    qsizetype pos = 0;
    while ((pos = indexOfCaseless(head, "<meta", pos)) >= 0) {
        qsizetype end = head.indexOf('>', pos);
        if (end < 0)
            end = head.size();
        const QByteArray charset = CharsetParameter(head.sliced(pos, end - pos));
        if (!charset.isEmpty())
            return charset;
        pos = end;
    }
    return {};
}

void appendUtf8(QByteArray& out, char16_t c) {
    if (c < 0x80) {
        out.append(static_cast<char>(c));
    } else if (c < 0x800) {
        out.append(static_cast<char>(0xC0 | (c >> 6)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.append(static_cast<char>(0xE0 | (c >> 12)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

QByteArray CharsetParameter(QByteArrayView text) {
    qsizetype pos = 0;
    while ((pos = indexOfCaseless(text, "charset", pos)) >= 0) {
        qsizetype i = pos + 7;
        pos = i;
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i >= text.size() || text[i] != '=')
            continue;
        ++i;
        while (i < text.size() && (isBlank(text[i]) || text[i] == '"' || text[i] == '\''))
            ++i;
        qsizetype end = i;
        while (end < text.size() && !isBlank(text[end]) && QByteArrayView(R"("';>/,)").indexOf(text[end]) < 0)
            ++end;
        if (end > i)
            return text.sliced(i, end - i).toByteArray();
    }
    return {};
}

PageCharset DetectPageCharset(QByteArrayView contentType, QByteArrayView body) {
    if (body.startsWith("\xEF\xBB\xBF"))
        return PageCharset::AsIs;
    QByteArray charset = CharsetParameter(contentType);
    if (charset.isEmpty())
        charset = metaCharset(body.first(std::min(body.size(), kMetaScanBytes)));
    return namesWindows1251(charset) ? PageCharset::Windows1251 : PageCharset::AsIs;
}

QByteArray Windows1251ToUtf8(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size() * 2);
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b < 0x80)
            out.append(byte);
        else
            appendUtf8(out, Windows1251ToWide(b));
    }
    return out;
}

}  // namespace plimo
