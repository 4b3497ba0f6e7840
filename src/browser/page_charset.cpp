#include "browser/page_charset.h"

#include <array>

namespace plimo {

namespace {

// Browsers look for a <meta> charset only this far into the page.
constexpr qsizetype kMetaScanBytes = 4096;

// Code points of the bytes 0x80 to 0xFF. Kept here rather than asked of Qt: Qt names this code page only when
// it is built with ICU, which the Windows builds are not.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 0xC0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 0xC8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 0xD0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 0xD8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // 0xE0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // 0xE8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // 0xF0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // 0xF8
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool namesWindows1251(QByteArrayView label) {
    // The labels browsers accept for this code page.
    for (QByteArrayView name : {QByteArrayView("windows-1251"), QByteArrayView("cp1251"), QByteArrayView("x-cp1251")}) {
        if (label.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

qsizetype indexOfCaseless(QByteArrayView haystack, QByteArrayView needle, qsizetype from) {
    for (qsizetype i = from; i + needle.size() <= haystack.size(); ++i) {
        if (haystack.sliced(i, needle.size()).compare(needle, Qt::CaseInsensitive) == 0)
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
            appendUtf8(out, kUpperHalf[b - 0x80]);
    }
    return out;
}

}  // namespace plimo
