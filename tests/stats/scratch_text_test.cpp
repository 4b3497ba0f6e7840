#include "stats/scratch_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/utf8_text.h"
#include "platform/windows1251.h"
#include "stats/page_parser.h"

namespace plimo {
namespace {

using namespace std::string_literals;

struct AppendCase {
    std::string scratch;
    std::string source;
    std::string result;
};

TEST(AppendToScratch, PagesJoinOnLinesOfTheirOwn) {
    const AppendCase cases[] = {
        {"", "<html>", "<html>\r\n"},
        {"Memo1\r\n", "<html>", "Memo1\r\n<html>\r\n"},
        {"page\r\n", "next", "page\r\nnext\r\n"},
        {"page", "next", "page\r\nnext"},
        {"page\n", "next", "page\n\r\nnext"},  // a lone LF is no line break here
        {"page\r", "next", "page\r\r\nnext"},
        {"", "", "\r\n"},
        {"page", "", "page\r\n"},
        {"", "a\r\nb\nc\r", "a\r\nb\nc\r\r\n"},
        {"x\r\n", "\0\xff"s, "x\r\n\0\xff\r\n"s},
    };
    for (const AppendCase& c : cases) {
        std::string scratch = c.scratch;
        AppendToScratch(scratch, c.source);
        EXPECT_EQ(scratch, c.result) << "scratch '" << c.scratch << "' source '" << c.source << "'";
    }
}

TEST(AppendToScratch, AnOverfullScratchTextIsEmptiedFirst) {
    std::string atLimit(kScratchLimit, 'a');
    AppendToScratch(atLimit, "page");
    EXPECT_EQ(atLimit.size(), kScratchLimit + 6);
    EXPECT_EQ(atLimit.substr(kScratchLimit - 1), "a\r\npage");

    std::string overLimit(kScratchLimit + 1, 'a');
    AppendToScratch(overLimit, "page");
    EXPECT_EQ(overLimit, "page\r\n");

    // ASCII pages convert unchanged and would pile up; the bound keeps the text from growing without end.
    const std::string page(1u << 20, 'p');
    std::string scratch(kInitialScratch);
    bool emptied = false;
    for (int pass = 0; pass < 12; ++pass) {
        const std::size_t before = scratch.size();
        AppendToScratch(scratch, page);
        scratch = Utf8ToAnsi(scratch);
        ASSERT_LE(scratch.size(), kScratchLimit + page.size() + 4);
        emptied = emptied || scratch.size() < before;
    }
    EXPECT_TRUE(emptied);
}

TEST(Utf8ToAnsi, EveryCharacterOfTheBasicPlaneConvertsLikeItsWideForm) {
    std::string all;
    std::u16string wide;
    for (unsigned c = 0; c < 0x10000; ++c) {
        const auto character = static_cast<char16_t>(c);
        // One character at a time: the surrogates each on their own, as U+FFFD.
        all += WideToUtf8(std::u16string(1, character));
        wide += character;
        if (c % 1024 == 1023) {
            ASSERT_EQ(Utf8ToAnsi(all), WideToWindows1251(wide)) << "block ending at " << c;
            all.clear();
            wide.clear();
        }
    }
}

struct ConversionCase {
    const char* what;
    std::string utf8;
    std::string ansi;
};

// Expected texts are given as the characters the bytes decode to, in Windows-1251: the page's text is converted
// to it whatever the system's ANSI code page, so the Russian ones become their single bytes everywhere.
TEST(Utf8ToAnsi, LenientFormsAndFailures) {
    const ConversionCase cases[] = {
        {"empty", "", ""},
        {"ASCII", "<td>1,234</td>\r\n", "<td>1,234</td>\r\n"},
        {"Russian", "Просмотры", WideToWindows1251(u"Просмотры")},
        {"NUL bytes", "a\0b"s, "a\0b"s},
        {"overlong two-byte", "\xC1\x81", "A"},
        {"overlong NUL", "\xC0\x80", "\0"s},
        {"overlong three-byte", "\xE0\x81\x81", "A"},
        {"lead 0x80 as two-byte", "\x80\x81", "\x01"},
        {"lead 0x90 as two-byte", "\x90\x81", WideToWindows1251(u"Ё")},  // U+0401
        {"lead 0xB0 as three-byte", "\xB0\x90\x81", WideToWindows1251(u"Ё")},
        {"lead 0xF0 as three-byte", "\xF0\x90\x81", WideToWindows1251(u"Ё")},
        {"lead 0xFF as three-byte", "\xFF\xBF\xBF", "?"},
        {"character outside the code page", "\xE4\xB8\xAD", "?"},
        // One '?' in the portable table; Windows code pages give one per half.
        {"surrogate pair written as two sequences", "\xED\xA0\xBD\xED\xB8\x80", WideToWindows1251(u"\U0001F600")},
        {"lone surrogate", "x\xED\xA0\xBDy", "x?y"},
        // A character beyond the 16-bit range is one character the code page lacks, whatever its neighbours.
        {"four-byte form then ASCII",
         "\xF0\x9F\x98\x80"
         "a",
         WideToWindows1251(u"\U0001F600a")},
        {"four-byte forms in Russian text", "Сайт \xF0\x9F\x98\x80\xF4\x8F\xBF\xBF!",
         WideToWindows1251(u"Сайт \U0001F600\U0010FFFF!")},
        {"four-byte form of no character", "\xF0\x80\x80\x80\xF7\xBF\xBF\xBF", WideToWindows1251(u"\uFFFD\uFFFD")},
        {"four-byte form then a stray continuation", "\xF0\x9F\x98\x80\x80", ""},
        {"four-byte lead with two continuations reads as three bytes",
         "\xF0\x90\x81"
         "a",
         WideToWindows1251(u"Ёa")},
        {"four-byte form cut short", "abc\xF0\x9F\x98", WideToWindows1251(u"abc\uF618")},
        {"lone continuation byte", "a\x80", ""},
        {"lead at the very end", "abc\xD0", ""},
        {"three-byte lead at the very end", "abc\xE2", ""},
        {"three-byte short of its last byte", "abc\xE2\x80", ""},
        {"ASCII where a continuation belongs",
         "\xD0"
         "A",
         ""},
        {"lead where a continuation belongs", "\xD0\xD0\x9F", ""},
        {"three-byte with a bad last byte",
         "\xE2\x80"
         "a",
         ""},
        {"Windows-1251 text", "\xcf\xf0\xee\xf1\xec\xee\xf2\xf0\xfb", ""},
        {"failure at the start spoils the rest", "\xFF" + std::string(100, 'a'), ""},
    };
    for (const ConversionCase& c : cases) {
        EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi) << c.what;
    }
}

TEST(Utf8ToAnsi, EverySingleByteAndEveryPair) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToAnsi(one), b < 0x80 ? one : "") << b;
    }
    for (int first = 0x80; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const std::string pair{static_cast<char>(first), static_cast<char>(second)};
            const std::string converted = Utf8ToAnsi(pair);
            const bool twoByteForm = (first & 0x20) == 0 && second >= 0x80 && second <= 0xBF;
            ASSERT_EQ(converted.size(), twoByteForm ? 1u : 0u) << first << " " << second;
        }
    }
}

TEST(Utf8ToAnsi, LongTextsConvertWholeOrNotAtAll) {
    // A surrogate pair, written as two sequences or as one four-byte form, around the powers of two where a
    // converter working in pieces would cut.
    const std::string pairInAnsi = WideToWindows1251(u"\U0001F600");
    for (const std::string pair : {"\xED\xA0\xBD\xED\xB8\x80", "\xF0\x9F\x98\x80"}) {
        for (std::size_t power = 4096; power <= 65536; power *= 2) {
            for (std::size_t prefix = power - 3; prefix <= power + 2; ++prefix) {
                const std::string converted = Utf8ToAnsi(std::string(prefix, 'a') + pair + "b");
                ASSERT_EQ(converted, std::string(prefix, 'a') + pairInAnsi + "b") << prefix;
            }
        }
    }

    std::string russian;
    std::string expected;
    const std::string views = WideToWindows1251(u"Просмотры");
    for (int i = 0; i < 100000; ++i) {
        russian += "Просмотры <b>";
        expected += views + " <b>";
    }
    EXPECT_EQ(Utf8ToAnsi(russian), expected);
    EXPECT_EQ(Utf8ToAnsi(russian + "\xD0"), "");
    EXPECT_EQ(Utf8ToAnsi("\x80" + russian), "");
    russian[russian.size() / 2 + 1] = 'x';  // somewhere inside, a sequence loses a continuation byte
    EXPECT_EQ(Utf8ToAnsi(russian), "");
}

TEST(Utf8ToAnsi, ConvertingIntoABufferReplacesItsContent) {
    std::string buffer = "old content that is longer than the new";
    Utf8ToAnsi("Просмотры", buffer);
    EXPECT_EQ(buffer, WideToWindows1251(u"Просмотры"));
    Utf8ToAnsi("<b>\xD0", buffer);
    EXPECT_EQ(buffer, "");
    Utf8ToAnsi("", buffer);
    EXPECT_EQ(buffer, "");

    // Also into the text's own storage, whole or in part.
    std::string same = "Memo1\r\n<b>Просмотры</b>\r\n";
    Utf8ToAnsi(same, same);
    EXPECT_EQ(same, "Memo1\r\n<b>" + WideToWindows1251(u"Просмотры") + "</b>\r\n");
    std::string part = "xxПлимо";
    Utf8ToAnsi(std::string_view(part).substr(2), part);
    EXPECT_EQ(part, WideToWindows1251(u"Плимо"));
}

// Random texts of one- to four-byte forms convert like their wide form; one stray continuation byte between two
// characters, wherever it stands, spoils the whole text.
TEST(Utf8ToAnsi, RandomTextsConvertWholeOrNotAtAll) {
    const std::u16string kinds[] = {u"<td>1,234 ", u"Просмотры Ёё", u"\u00A0\u2116\u20AC", u"\u4E2D\uFFFD",
                                    u"\U0001F600"};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::u16string wide;
        std::vector<std::size_t> boundaries;  // where a character's bytes end
        std::string utf8;
        const std::size_t pieces = 1 + random() % 200;
        for (std::size_t p = 0; p < pieces; ++p) {
            const std::u16string& kind = kinds[random() % std::size(kinds)];
            const std::u16string piece =
                kind.size() == 2 && kind[0] >= 0xD800 ? kind : kind.substr(random() % kind.size(), 1);
            wide += piece;
            utf8 += WideToUtf8(piece);
            boundaries.push_back(utf8.size());
        }
        SCOPED_TRACE(testing::Message() << "round " << round);
        ASSERT_EQ(Utf8ToAnsi(utf8), WideToWindows1251(wide));
        utf8.insert(boundaries[random() % boundaries.size()], 1, '\x80');
        ASSERT_EQ(Utf8ToAnsi(utf8), "");
    }
}

// A statistics page in UTF-8 with its views marker and value.
std::string PageWithViews(const std::string& views) {
    return "<html><body><table><tr><td align=left><label for=\"id_0\">Просмотры</label></td>x<td>" + views +
           "</td></tr></table></body></html>";
}

// Holds in every ANSI code page: on a Windows set to 1252 the markers were once "?" and no value was found.
TEST(ReadPass, ScratchTextAlternatesBetweenAFreshPageAndEmpty) {
    std::string scratch(kInitialScratch);
    auto readPass = [&scratch](const std::string* page) {
        if (page) {
            AppendToScratch(scratch, *page);
        }
        scratch = Utf8ToAnsi(scratch);
        return extract_livalue(scratch, "prosmotri");
    };
    const std::string p1 = PageWithViews("100");
    const std::string p2 = PageWithViews("200");

    EXPECT_EQ(readPass(&p1).substr(0, 8), "<td>100<");
    EXPECT_EQ(scratch.substr(0, 7), "Memo1\r\n");
    EXPECT_EQ(scratch.substr(scratch.size() - 9), "</html>\r\n");
    EXPECT_EQ(readPass(&p1), "?");  // the converted page is Windows-1251 now and fails to convert again
    EXPECT_EQ(scratch, "");
    EXPECT_EQ(readPass(&p2).substr(0, 8), "<td>200<");
    EXPECT_EQ(scratch.substr(0, 6), "<html>");
    EXPECT_EQ(readPass(&p2), "?");
    EXPECT_EQ(readPass(nullptr), "?");  // a document that did not save: the empty text stays empty
    EXPECT_EQ(readPass(&p2).substr(0, 8), "<td>200<");
}

TEST(ReadPass, AnEmojiOnThePageIsOneQuestionMarkAndTheValuesStillRead) {
    std::string scratch(kInitialScratch);
    AppendToScratch(scratch, "<title>Сайт \xF0\x9F\x98\x80</title>" + PageWithViews("1,234,567"));
    scratch = Utf8ToAnsi(scratch);
    EXPECT_EQ(extract_livalue(scratch, "prosmotri").substr(0, 14), "<td>1,234,567<");
    EXPECT_NE(scratch.find(WideToWindows1251(u"<title>Сайт \U0001F600</title>")), std::string::npos);
}

TEST(ReadPass, PagesWithoutRussianTextAccumulate) {
    std::string scratch(kInitialScratch);
    for (const char* page : {"<p>one</p>", "<p>two</p>", "<p>three</p>"}) {
        AppendToScratch(scratch, page);
        scratch = Utf8ToAnsi(scratch);
    }
    EXPECT_EQ(scratch, "Memo1\r\n<p>one</p>\r\n<p>two</p>\r\n<p>three</p>\r\n");
}

}  // namespace
}  // namespace plimo
