#include "settings/colour_text.h"

#include "platform/ascii_case.h"

#include <cstddef>
#include <cstdint>

namespace plimo {
namespace {

constexpr std::int32_t SystemColour(std::uint8_t index) {
    return static_cast<std::int32_t>(0xFF000000u | index);
}

constexpr std::array<ColourName, 52> kColourNames = {{
    {"clBlack", 0x00000000},
    {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},
    {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},
    {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},
    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},
    {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},
    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},
    {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},
    {"clWhite", 0x00FFFFFF},
    {"clMoneyGreen", 0x00C0DCC0},
    {"clSkyBlue", 0x00F0CAA6},
    {"clCream", 0x00F0FBFF},
    {"clMedGray", 0x00A4A0A0},
    {"clActiveBorder", SystemColour(10)},
    {"clActiveCaption", SystemColour(2)},
    {"clAppWorkSpace", SystemColour(12)},
    {"clBackground", SystemColour(1)},
    {"clBtnFace", SystemColour(15)},
    {"clBtnHighlight", SystemColour(20)},
    {"clBtnShadow", SystemColour(16)},
    {"clBtnText", SystemColour(18)},
    {"clCaptionText", SystemColour(9)},
    {"clDefault", kColourDefault},
    {"clGradientActiveCaption", SystemColour(27)},
    {"clGradientInactiveCaption", SystemColour(28)},
    {"clGrayText", SystemColour(17)},
    {"clHighlight", SystemColour(13)},
    {"clHighlightText", SystemColour(14)},
    {"clHotLight", SystemColour(26)},
    {"clInactiveBorder", SystemColour(11)},
    {"clInactiveCaption", SystemColour(3)},
    {"clInactiveCaptionText", SystemColour(19)},
    {"clInfoBk", SystemColour(24)},
    {"clInfoText", SystemColour(23)},
    {"clMenu", SystemColour(4)},
    {"clMenuBar", SystemColour(30)},
    {"clMenuHighlight", SystemColour(29)},
    {"clMenuText", SystemColour(7)},
    {"clNone", kColourNone},
    {"clScrollBar", SystemColour(0)},
    {"cl3DDkShadow", SystemColour(21)},
    {"cl3DLight", SystemColour(22)},
    {"clWindow", SystemColour(5)},
    {"clWindowFrame", SystemColour(6)},
    {"clWindowText", SystemColour(8)},
}};

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

EConvertError::EConvertError(const std::string& text)
    : std::runtime_error("'" + text + "' is not a valid integer value") {}

const std::array<ColourName, 52>& ColourNames() {
    return kColourNames;
}

std::int32_t ParseInteger(const std::string& text) {
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < size && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < size && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < size && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == size) {
        throw EConvertError(text);
    }

    // Accumulated in 64 bits and checked after every digit, so no text can overflow it.
    std::uint64_t magnitude = 0;
    if (hex) {
        for (; i < size; ++i) {
            const int digit = HexDigitValue(text[i]);
            if (digit < 0) {
                throw EConvertError(text);
            }
            magnitude = magnitude * 16 + static_cast<unsigned>(digit);
            if (magnitude > 0xFFFFFFFFu) {
                throw EConvertError(text);
            }
        }
        // The 32-bit pattern is the value: $FFFFFFFF is -1, and a minus negates in two's complement.
        std::uint32_t pattern = static_cast<std::uint32_t>(magnitude);
        if (negative) {
            pattern = 0u - pattern;
        }
        return static_cast<std::int32_t>(pattern);
    }

    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    for (; i < size; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            throw EConvertError(text);
        }
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        if (magnitude > limit) {
            throw EConvertError(text);
        }
    }
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<std::int32_t>(magnitude);
}

std::string FormatColour(std::int32_t colour) {
    for (const ColourName& entry : kColourNames) {
        if (entry.value == colour) {
            return std::string(entry.name);
        }
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto pattern = static_cast<std::uint32_t>(colour);
    std::string text = "$";
    for (int shift = 28; shift >= 0; shift -= 4) {
        text += kDigits[(pattern >> shift) & 0xFu];
    }
    return text;
}

std::int32_t ParseColour(const std::string& text) {
    for (const ColourName& entry : kColourNames) {
        if (EqualIgnoringAsciiCase(entry.name, text)) {
            return entry.value;
        }
    }
    return ParseInteger(text);
}

}  // namespace plimo
