#include "settings/colour_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace plimo {
namespace {

// The conversion error's message for a text, or "(no error)".
template <typename Parse>
std::string MessageOf(Parse parse, const std::string& text) {
    try {
        parse(text);
    } catch (const EConvertError& error) {
        return error.what();
    }
    return "(no error)";
}

std::string ConversionMessage(const std::string& text) {
    return MessageOf(ParseInteger, text);
}

TEST(ColourNames, FiftyTwoUniqueNamesAndValuesInTheirOrder) {
    const auto& names = ColourNames();
    std::set<std::string_view> seenNames;
    std::set<std::int32_t> seenValues;
    for (const ColourName& entry : names) {
        EXPECT_TRUE(seenNames.insert(entry.name).second) << entry.name;
        EXPECT_TRUE(seenValues.insert(entry.value).second) << entry.name;
    }
    EXPECT_EQ(names.front().name, "clBlack");
    EXPECT_EQ(names[9].name, "clRed");
    EXPECT_EQ(names[29].name, "clDefault");
    EXPECT_EQ(names[29].value, kColourDefault);
    EXPECT_EQ(names[45].name, "clNone");
    EXPECT_EQ(names[45].value, kColourNone);
    EXPECT_EQ(names.back().name, "clWindowText");
    EXPECT_EQ(names.back().value, static_cast<std::int32_t>(0xFF000008u));
}

struct FormatCase {
    std::int32_t colour;
    const char* text;
};

TEST(FormatColour, NamesWhereTheTableHasOneHexadecimalOtherwise) {
    const FormatCase cases[] = {
        {0, "clBlack"},
        {255, "clRed"},
        {8454143, "$0080FFFF"},
        {15985927, "$00F3ED07"},
        {static_cast<std::int32_t>(0xFF00000Fu), "clBtnFace"},
        {static_cast<std::int32_t>(0xFF00001Fu), "$FF00001F"},
        {static_cast<std::int32_t>(0xFF000000u), "clScrollBar"},
        {-1, "$FFFFFFFF"},
        {1, "$00000001"},
        {0x00ABCDEF, "$00ABCDEF"},
        {std::numeric_limits<std::int32_t>::min(), "$80000000"},
        {std::numeric_limits<std::int32_t>::max(), "$7FFFFFFF"},
        {kColourNone, "clNone"},
        {kColourDefault, "clDefault"},
        {0x00F0CAA6, "clSkyBlue"},
        {0x00A4A0A0, "clMedGray"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(FormatColour(c.colour), c.text) << "colour " << c.colour;
    }
}

TEST(ParseColour, RedInEveryFormItMayBeWritten) {
    for (const char* text : {"CLRED", "clred", "clRed", "ClReD", "$FF", "$000000ff", "0xFF", "xff", "XFF", "0XfF",
                             "255", "  255", "+255", "$00000000FF"}) {
        EXPECT_EQ(ParseColour(text), 255) << text;
    }
}

TEST(ParseColour, NamesMatchOnlyWholeAndFoldOnlyLatinLetters) {
    EXPECT_THROW(ParseColour(" clRed"), EConvertError);
    EXPECT_THROW(ParseColour("clRed "), EConvertError);
    EXPECT_THROW(ParseColour("clRe"), EConvertError);
    EXPECT_THROW(ParseColour(std::string("clRed\0", 6)), EConvertError);
    EXPECT_THROW(ParseColour("\xF1lRed"), EConvertError);  // a Cyrillic "с" in Windows-1251 is not a "c"
    EXPECT_THROW(ParseColour("cl_Red"), EConvertError);
    EXPECT_EQ(MessageOf(ParseColour, " clRed"), "' clRed' is not a valid integer value");
    EXPECT_EQ(MessageOf(ParseColour, "clBlak"), "'clBlak' is not a valid integer value");
    EXPECT_EQ(ParseColour("CL3DDKSHADOW"), static_cast<std::int32_t>(0xFF000015u));
    EXPECT_EQ(ParseColour("clnone"), kColourNone);
}

TEST(ParseColour, EveryNameInUpperAndLowerCase) {
    for (const ColourName& entry : ColourNames()) {
        std::string upper(entry.name);
        std::string lower(entry.name);
        for (char& c : upper) {
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        for (char& c : lower) {
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        EXPECT_EQ(ParseColour(upper), entry.value) << upper;
        EXPECT_EQ(ParseColour(lower), entry.value) << lower;
    }
}

struct IntegerCase {
    const char* text;
    std::int32_t value;
};

TEST(ParseInteger, AcceptedTexts) {
    const IntegerCase cases[] = {
        {"0", 0},
        {"007", 7},
        {"42", 42},
        {"   42", 42},
        {"+7", 7},
        {"-7", -7},
        {"-0", 0},
        {"-$10", -16},
        {"-0x10", -16},
        {"+x1f", 31},
        {"$FFFFFFFF", -1},
        {"$80000000", std::numeric_limits<std::int32_t>::min()},
        {"-$80000000", std::numeric_limits<std::int32_t>::min()},
        {"-$FFFFFFFF", 1},
        {"$000000001", 1},
        {"0x0000000000000000000ABCDEF", 0xABCDEF},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"000000000000000000000002147483647", 2147483647},
        {"-00000000000000000000002147483648", std::numeric_limits<std::int32_t>::min()},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(ParseInteger(c.text), c.value) << c.text;
    }
}

TEST(ParseInteger, RejectedTextsQuoteTheWholeInput) {
    const char* cases[] = {
        "",
        " ",
        "42 ",
        "\t42",
        "+",
        "-",
        "$",
        "0x",
        "x",
        "- 5",
        "+-5",
        "--5",
        "1e3",
        "12a",
        "1.5",
        "$100000000",
        "2147483648",
        "-2147483649",
        "99999999999999999999999999",
        "$-5",
        "0x$5",
        "00x5",
        "$G",
        "5-",
        "1,234",
        "\xB9"
        "5",
        "+$",
    };
    for (const char* text : cases) {
        EXPECT_EQ(ConversionMessage(text), "'" + std::string(text) + "' is not a valid integer value") << text;
    }
    EXPECT_THROW(ParseInteger(std::string("4\0"
                                          "2",
                                          3)),
                 EConvertError);
}

TEST(ColourText, EveryColourReadsBackAsWrittenAndTextsBecomeCanonical) {
    std::vector<std::int32_t> colours = {0,
                                         1,
                                         -1,
                                         std::numeric_limits<std::int32_t>::min(),
                                         std::numeric_limits<std::int32_t>::max(),
                                         0x00FFFFFF,
                                         0x01000000,
                                         kColourNone - 1,
                                         kColourDefault + 1,
                                         static_cast<std::int32_t>(0xFEFFFFFFu),
                                         static_cast<std::int32_t>(0xFF000100u)};
    for (const ColourName& entry : ColourNames()) {
        colours.push_back(entry.value);
    }
    for (std::uint32_t index = 0; index < 256; ++index) {
        colours.push_back(static_cast<std::int32_t>(0xFF000000u | index));
    }
    std::mt19937 random(20240613);
    for (int i = 0; i < 200000; ++i) {
        colours.push_back(static_cast<std::int32_t>(random()));
    }
    for (const std::int32_t colour : colours) {
        const std::string text = FormatColour(colour);
        ASSERT_EQ(ParseColour(text), colour) << text;
    }

    // Whatever way a colour is written, saving it again gives its one canonical text.
    EXPECT_EQ(FormatColour(ParseColour("CLRED")), "clRed");
    EXPECT_EQ(FormatColour(ParseColour("  16777215")), "clWhite");
    EXPECT_EQ(FormatColour(ParseColour("-0x1")), "$FFFFFFFF");
    EXPECT_EQ(FormatColour(ParseColour("xff00000f")), "clBtnFace");
    EXPECT_EQ(FormatColour(ParseColour("$0080ffff")), "$0080FFFF");
}

}  // namespace
}  // namespace plimo
