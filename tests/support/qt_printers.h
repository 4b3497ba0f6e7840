#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>

// Readable failure messages for Qt's text types: printable bytes as they are, others as \xNN.
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"';
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && c != '\\' && c != '"') {
            *out << c;
        } else {
            constexpr char kHex[] = "0123456789ABCDEF";
            *out << "\\x" << kHex[b >> 4] << kHex[b & 0xF];
        }
    }
    *out << "\" (" << bytes.size() << " bytes)";
}

inline void PrintTo(const QString& text, std::ostream* out) {
    PrintTo(text.toUtf8(), out);
}
