#include "stats/page_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

namespace plimo {
namespace {

using namespace std::string_literals;

// The markers as the statistics page writes them in Windows-1251, spelled byte by byte.
const std::string kViewsWord = "\xcf\xf0\xee\xf1\xec\xee\xf2\xf0\xfb";         // Просмотры
const std::string kVisitorsWord = "\xcf\xee\xf1\xe5\xf2\xe8\xf2\xe5\xeb\xe8";  // Посетители
const std::string kTitleWords =  // разница со значением вчера в это же время
    "\xf0\xe0\xe7\xed\xe8\xf6\xe0 \xf1\xee \xe7\xed\xe0\xf7\xe5\xed\xe8\xe5\xec \xe2\xf7\xe5\xf0\xe0 \xe2 "
    "\xfd\xf2\xee \xe6\xe5 \xe2\xf0\xe5\xec\xff";

const std::string kViewsMarker = "<td align=left><label for=\"id_0\">" + kViewsWord + "</label></td>";
const std::string kVisitorsMarker = "<td align=left><label for=\"id_8\">" + kVisitorsWord + "</label></td>";
const std::string kViewsChangeMarker =
    "<a href=\"mins.html\" title=\"" + kTitleWords + "\" target=_blank onClick='return open_mins(\"mins.html\")'>";
const std::string kVisitorsChangeMarker = "<a href=\"mins_vis.html\" title=\"" + kTitleWords +
                                          "\" target=_blank onClick='return open_mins(\"mins_vis.html\")'>";

struct MarkerCase {
    const char* key;
    const std::string& marker;
    std::size_t length;
    const std::string& words;
    std::size_t skipped;
};

const MarkerCase kMarkers[] = {
    {"prosmotri", kViewsMarker, 55, kViewsWord, 1},
    {"posetiteli", kVisitorsMarker, 56, kVisitorsWord, 1},
    {"prosmotriplus", kViewsChangeMarker, 124, kTitleWords, 23},
    {"posetiteliplus", kVisitorsChangeMarker, 132, kTitleWords, 23},
};

TEST(MarkerFor, EachKeysMarkerIsTheExactWindows1251Markup) {
    for (const MarkerCase& c : kMarkers) {
        SCOPED_TRACE(c.key);
        const std::string_view marker = MarkerFor(c.key);
        EXPECT_EQ(marker, c.marker);
        EXPECT_EQ(marker.size(), c.length);
        // Bytes of 0x80 and above stand only inside the Russian words, nowhere in the markup around them.
        const std::size_t words = marker.find(c.words);
        ASSERT_NE(words, std::string_view::npos);
        for (std::size_t i = 0; i < marker.size(); ++i) {
            const bool inWords = i >= words && i < words + c.words.size();
            const auto byte = static_cast<unsigned char>(marker[i]);
            if (inWords) {
                EXPECT_TRUE(byte >= 0xC0 || byte == ' ') << "offset " << i;
            } else {
                EXPECT_LT(byte, 0x80) << "offset " << i;
            }
        }
    }
    EXPECT_EQ(MarkerFor("Prosmotri"), "");
    EXPECT_EQ(MarkerFor(""), "");
}

TEST(ExtractLivalue, NothingIsFoundInAnEmptyTextOrForAnUnknownKey) {
    for (const MarkerCase& c : kMarkers) {
        EXPECT_EQ(extract_livalue("", c.key), "?") << c.key;
    }
    EXPECT_EQ(ExtractLivalues(""), (std::array<std::string, 4>{"?", "?", "?", "?"}));
    const std::string everything =
        kViewsMarker + "x<td>1</td>" + std::string(30, ' ') + kVisitorsMarker + "x<td>2</td>" + std::string(30, ' ');
    for (const std::string& key : {"Prosmotri"s, "prosmotri "s, " prosmotri"s, "PROSMOTRI"s, ""s, "prosmotri\0"s,
                                   "\0prosmotri"s, "posetiteliplus\0"s, "views"s, "?"s}) {
        EXPECT_EQ(extract_livalue(everything, key), "?") << key;
    }
    EXPECT_EQ(extract_livalue(everything, "prosmotri"), "<td>1</td>               ");
}

TEST(ExtractLivalue, TheWindowFollowsTheSkippedCharacters) {
    EXPECT_EQ(extract_livalue("head " + kViewsMarker + "x<td>1,234</td>\r\n</tr>", "prosmotri"),
              "<td>1,234</td>\r\n</tr>");
    EXPECT_EQ(extract_livalue(kVisitorsMarker + "x" + std::string(30, '7'), "posetiteli"), std::string(25, '7'));
    const std::string skipped(23, 's');
    EXPECT_EQ(extract_livalue(kViewsChangeMarker + skipped + "+15</a>", "prosmotriplus"), "+15</a>");
    EXPECT_EQ(extract_livalue(kVisitorsChangeMarker + skipped + "-3,456</a></td></tr></table>", "posetiteliplus"),
              "-3,456</a></td></tr></tab");
}

TEST(ExtractLivalue, TheFirstOccurrenceCounts) {
    const std::string text = kViewsMarker + "x111" + kViewsMarker + "x222";
    EXPECT_EQ(extract_livalue(text, "prosmotri"), "111" + kViewsMarker.substr(0, 22));
    // Overlapping candidates: a marker that starts inside a false start is still found.
    EXPECT_EQ(extract_livalue("<td align=left>" + kViewsMarker + "x5", "prosmotri"), "5");
}

TEST(ExtractLivalue, MarkersNearTheEndGiveShortOrEmptyWindowsNeverNotFound) {
    for (const MarkerCase& c : kMarkers) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(extract_livalue(c.marker, c.key), "");
        EXPECT_EQ(extract_livalue("abc" + c.marker, c.key), "");
        for (std::size_t after = 0; after <= c.skipped + 26; ++after) {
            const std::string tail(after, '9');
            const std::size_t expected = after > c.skipped ? std::min<std::size_t>(after - c.skipped, 25) : 0;
            EXPECT_EQ(extract_livalue(c.marker + tail, c.key), std::string(expected, '9')) << after;
        }
        // A marker cut short by the end of the text is no marker.
        EXPECT_EQ(extract_livalue(c.marker.substr(0, c.marker.size() - 1), c.key), "?");
    }
    EXPECT_EQ(extract_livalue(kViewsMarker + "0123456789", "prosmotri"), "123456789");
    EXPECT_EQ(extract_livalue(kViewsChangeMarker + "0123456789", "prosmotriplus"), "");
}

TEST(ExtractLivalue, MarkersInAnotherEncodingOrCaseAreNotFound) {
    const std::string utf8Views = "<td align=left><label for=\"id_0\">Просмотры</label></td>x123";
    EXPECT_EQ(extract_livalue(utf8Views, "prosmotri"), "?");
    EXPECT_EQ(extract_livalue("<TD align=left><label for=\"id_0\">" + kViewsWord + "</label></td>x1", "prosmotri"),
              "?");
    EXPECT_EQ(extract_livalue(kVisitorsMarker + "x1", "prosmotri"), "?");
}

TEST(ExtractLivalue, BinaryAndHugeTextsAreSearchedSafely) {
    std::string everyByte;
    for (int round = 0; round < 64; ++round) {
        for (int b = 0; b < 256; ++b) {
            everyByte += static_cast<char>(b);
        }
    }
    for (const MarkerCase& c : kMarkers) {
        EXPECT_EQ(extract_livalue(everyByte, c.key), "?") << c.key;
        const std::string tail = std::string(23, '\0') + "\0-12\0"s;
        EXPECT_EQ(extract_livalue(everyByte + c.marker + tail, c.key), tail.substr(c.skipped, 25)) << c.key;
    }
    EXPECT_EQ(extract_livalue(everyByte + kViewsMarker + "\0"s +
                                  "\x80\xff"
                                  "42",
                              "prosmotri"),
              "\x80\xff"
              "42");

    // A page of markup starting characters, with the marker only at its very end (bench_large_inputs times the
    // same at 100 MiB).
    std::string huge(1u << 20, '<');
    EXPECT_EQ(extract_livalue(huge, "posetiteliplus"), "?");
    huge += kVisitorsChangeMarker + std::string(23, ' ') + "-7";
    EXPECT_EQ(extract_livalue(huge, "posetiteliplus"), "-7");
    EXPECT_EQ(extract_livalue(huge, "prosmotriplus"), "?");
    EXPECT_EQ(ExtractLivalues(huge), (std::array<std::string, 4>{"?", "?", "?", "-7"}));
}

TEST(ExtractLivalue, FindsWhatAPlainSearchFindsAndSoDoesTheSearchForAllFour) {
    // Texts made of pieces of the markers, so that the search meets many near misses and false starts.
    std::mt19937 random(1251);
    for (int round = 0; round < 3000; ++round) {
        const MarkerCase& target = kMarkers[random() % 4];
        std::string text;
        const int pieces = static_cast<int>(random() % 12);
        for (int p = 0; p < pieces; ++p) {
            const std::string& source = kMarkers[random() % 4].marker;
            const std::size_t from = random() % source.size();
            const std::size_t length = 1 + random() % (source.size() - from);
            text += source.substr(from, length);
            if (random() % 3 == 0) {
                text += static_cast<char>(random());
            }
        }
        if (random() % 2 == 0) {
            text.insert(random() % (text.size() + 1), target.marker);
        }
        text += std::string(random() % 40, '7');
        const std::size_t found = text.find(target.marker);
        const std::string expected = found == std::string::npos
                                         ? "?"
                                         : (text.size() - found - target.length <= target.skipped
                                                ? ""
                                                : text.substr(found + target.length + target.skipped, 25));
        ASSERT_EQ(extract_livalue(text, target.key), expected) << "round " << round;
        const std::array<std::string, 4> all = ExtractLivalues(text);
        for (std::size_t k = 0; k < 4; ++k) {
            ASSERT_EQ(all[k], extract_livalue(text, kValueKeys[k])) << "round " << round << ", " << kValueKeys[k];
        }
    }
}

struct NumberCase {
    std::string text;
    std::string run;
};

TEST(Onlynumber, TakesTheFirstUnbrokenRunOfNumberCharacters) {
    const NumberCase cases[] = {
        {"", ""},
        {"abc", ""},
        {"5", "5"},
        {"x+17 y", "+17"},
        {"12 34", "12"},
        {"<td class=a-b>7", "-"},
        {"<td>1,234</td>", "1,234"},
        {"1-2", "1-2"},
        {"+-,", "+-,"},
        {"12.5", "12"},
        {"12\xa0"
         "345",
         "12"},  // a non-breaking space ends the run
        {"\0"
         "7\0"
         "8"s,
         "7"},
        {"\xff\x80"
         "3",
         "3"},
        {"abcdefghijklmnopqrstu1234", "1234"},
        {"1234567890123456789012345", "1234567890123456789012345"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(onlynumber(c.text), c.run) << c.text;
    }
}

}  // namespace
}  // namespace plimo
