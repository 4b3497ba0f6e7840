#include "browser/page_charset.h"

#include "qt_printers.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

namespace plimo {
namespace {

struct CharsetCase {
    const char* name;
    QByteArray contentType;
    QByteArray body;
    PageCharset expected;
};

void PrintTo(const CharsetCase& c, std::ostream* out) {
    *out << c.name;
}

class DetectPageCharsetTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(DetectPageCharsetTest, Decides) {
    const CharsetCase& c = GetParam();
    EXPECT_EQ(DetectPageCharset(c.contentType, c.body), c.expected);
}

const QByteArray kMetaHttpEquiv = R"(<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=windows-1251">)";

INSTANTIATE_TEST_SUITE_P(
    Declarations, DetectPageCharsetTest,
    ::testing::Values(
        CharsetCase{"header", "text/html; charset=windows-1251", "", PageCharset::Windows1251},
        CharsetCase{"header_quoted_and_cased", "text/html;Charset=\"WINDOWS-1251\"", "", PageCharset::Windows1251},
        CharsetCase{"header_alias_cp1251", "text/html; charset=cp1251", "", PageCharset::Windows1251},
        CharsetCase{"header_utf8", "text/html; charset=utf-8", "", PageCharset::AsIs},
        CharsetCase{"header_other_code_page", "text/html; charset=koi8-r", "", PageCharset::AsIs},
        CharsetCase{"nothing_declared", "text/html", "<html><p>x</p></html>", PageCharset::AsIs},
        CharsetCase{"no_content_type", "", "<html></html>", PageCharset::AsIs},
        CharsetCase{"meta_charset", "text/html", "<head><meta charset=\"windows-1251\"></head>",
                    PageCharset::Windows1251},
        CharsetCase{"meta_charset_unquoted", "", "<meta charset=windows-1251>", PageCharset::Windows1251},
        CharsetCase{"meta_self_closing", "", "<meta charset='windows-1251'/>", PageCharset::Windows1251},
        CharsetCase{"meta_http_equiv_upper_case", "text/html", "<head>" + kMetaHttpEquiv, PageCharset::Windows1251},
        CharsetCase{"first_meta_with_a_charset_wins", "",
                    "<meta name=\"x\" content=\"charset\"><meta charset=utf-8><meta charset=windows-1251>",
                    PageCharset::AsIs},
        CharsetCase{"header_overrides_meta", "text/html; charset=utf-8", kMetaHttpEquiv, PageCharset::AsIs},
        CharsetCase{"byte_order_mark_overrides_header", "text/html; charset=windows-1251", "\xEF\xBB\xBFtext",
                    PageCharset::AsIs},
        CharsetCase{"meta_beyond_the_scanned_start", "", QByteArray(5000, ' ') + kMetaHttpEquiv, PageCharset::AsIs},
        CharsetCase{"charset_word_in_text_only", "", "<p>charset windows-1251</p>", PageCharset::AsIs}),
    [](const ::testing::TestParamInfo<CharsetCase>& testInfo) { return std::string(testInfo.param.name); });

TEST(CharsetParameter, ReadsTheValueUpToItsEnd) {
    EXPECT_EQ(CharsetParameter("text/html; charset=windows-1251; format=flowed"), "windows-1251");
    EXPECT_EQ(CharsetParameter("text/html; charset = \"utf-8\""), "utf-8");
    EXPECT_EQ(CharsetParameter("text/html; charset="), "");
    EXPECT_EQ(CharsetParameter("text/html"), "");
}

TEST(Windows1251ToUtf8, KeepsAsciiAndMapsCyrillic) {
    EXPECT_EQ(Windows1251ToUtf8(""), "");
    EXPECT_EQ(Windows1251ToUtf8(QByteArray("a\0<b>", 5)), QByteArray("a\0<b>", 5));
    // "Просмотры" and "ёЁ№"
    EXPECT_EQ(Windows1251ToUtf8("\xCF\xF0\xEE\xF1\xEC\xEE\xF2\xF0\xFB"),
              "\xD0\x9F\xD1\x80\xD0\xBE\xD1\x81\xD0\xBC\xD0\xBE\xD1\x82\xD1\x80\xD1\x8B");
    EXPECT_EQ(Windows1251ToUtf8("\xB8\xA8\xB9"), "\xD1\x91\xD0\x81\xE2\x84\x96");
}

TEST(Windows1251ToUtf8, AgreesWithTheSystemConverterOnEveryByte) {
    QStringDecoder reference("windows-1251");
    if (!reference.isValid())
        GTEST_SKIP() << "Qt was built without a Windows-1251 converter";
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        if (byte == 0x98)
            continue;  // unassigned; converters differ on it
        const QByteArray input(1, static_cast<char>(byte));
        const QString expected = reference.decode(input);
        EXPECT_EQ(QString::fromUtf8(Windows1251ToUtf8(input)), expected) << "byte 0x" << std::hex << byte;
    }
}

}  // namespace
}  // namespace plimo
