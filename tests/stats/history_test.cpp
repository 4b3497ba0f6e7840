#include "stats/history.h"

#include "statistics_page.h"
#include "stats/scratch_text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace plimo {

void PrintTo(const HistorySample& s, std::ostream* out) {
    *out << "{" << FormatHistoryLine(s) << " at " << s.time << "}";
}

namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// 2026-12-08T00:00:00+03:00, Moscow's midnight.
constexpr std::int64_t kMoscowMidnight = 1796677200;
constexpr std::int32_t kMoscow = 3 * 3600;

HistorySample At(std::int64_t secondsAfterMidnight, std::int64_t views, std::int64_t viewsChange = 0) {
    return {kMoscowMidnight + secondsAfterMidnight, kMoscow, views, views / 10, viewsChange, viewsChange / 10};
}

TEST(HistoryLines, ReadBackWhatTheyWriteAndRefuseWhatIsBroken) {
    struct Case {
        const char* line;
        std::optional<HistorySample> sample;
    };
    const Case cases[] = {
        {"2026-12-08T14:05:00+03:00,12345,1234,56,-7",
         HistorySample{kMoscowMidnight + 14 * 3600 + 300, kMoscow, 12345, 1234, 56, -7}},
        {"2026-12-08T06:05:00-05:00,0,0,0,0", HistorySample{kMoscowMidnight + 14 * 3600 + 300, -5 * 3600, 0, 0, 0, 0}},
        {"2026-12-08T16:50:00+05:45,1,2,-3,4", HistorySample{kMoscowMidnight + 14 * 3600 + 300, 20700, 1, 2, -3, 4}},
        {"1999-12-31T23:59:59+00:00,7,7,7,7", HistorySample{946684799, 0, 7, 7, 7, 7}},
        // Read, though never written so: a spreadsheet's line end, a plus sign, UTC as Z.
        {"2026-12-08T14:05:00+03:00,12345,1234,+56,-7\r",
         HistorySample{kMoscowMidnight + 14 * 3600 + 300, kMoscow, 12345, 1234, 56, -7}},
        {"2026-12-08T11:05:00Z,1,1,1,1", HistorySample{kMoscowMidnight + 14 * 3600 + 300, 0, 1, 1, 1, 1}},
        {"time,views,visitors,views_change,visitors_change", std::nullopt},
        {"2026-12-08T14:05:00+03:00,12345,1234,56", std::nullopt},
        {"2026-12-08T14:05:00+03:00,12345,1234,56,-7,9", std::nullopt},
        {"2026-12-08T14:05:00+03:0", std::nullopt},
        {"2026-12-08T14:05:00+03:00,12 345,1234,56,-7", std::nullopt},
        {"2026-12-08T14:05:00+03:00,-5,1234,56,-7", std::nullopt},
        {"2026-12-08T14:05:00+03:00,5,1234,56,", std::nullopt},
        {"2026-12-08T14:05:00+03:00,5,1234,56,+-7", std::nullopt},
        {"2026-13-08T14:05:00+03:00,5,1234,56,7", std::nullopt},
        {"2026-12-08 14:05:00+03:00,5,1234,56,7", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseHistoryLine(c.line), c.sample) << c.line;
    }
    for (const char* line : {"2026-12-08T14:05:00+03:00,12345,1234,56,-7", "2026-12-08T06:05:00-05:00,0,0,0,0",
                             "2026-12-08T16:50:00+05:45,1,2,-3,4", "1999-12-31T23:59:59+00:00,7,7,7,7"}) {
        EXPECT_EQ(FormatHistoryLine(*ParseHistoryLine(line)), line);
    }
}

TEST(HistoryLines, AFileKeepsOneSamplePerSlotAndSkipsCutAndBrokenLines) {
    const std::string text =
        "time,views,visitors,views_change,visitors_change\n"
        "2026-12-08T14:00:00+03:00,100,10,1,1\n"
        "2026-12-08T14:04:59+03:00,104,10,1,1\n"  // same slot: the newer wins
        "garbage\n"
        "2026-12-08T14:05:00+03:00,105,10,1,1\r\n"
        "2026-12-08T13:55:00+03:00,95,9,1,1\n"    // written after a clock was set back: kept in time order
        "2026-12-08T14:10:00+03:00,110,11,1,-7";  // cut: "-70" may have been meant
    const std::vector<HistorySample> samples = ParseHistory(text);
    ASSERT_EQ(samples.size(), 3U);
    EXPECT_EQ(samples[0].views, 95);
    EXPECT_EQ(samples[1].views, 104);
    EXPECT_EQ(samples[2].views, 105);
    EXPECT_EQ(ParseHistory(FormatHistory(samples)), samples);
}

TEST(HistoryFromThePage, TakesTheFourValuesWithTheChangesSignedOrNothing) {
    const auto sampleOf = [](const test::StatisticsValues& values) {
        return SampleFromDisplay(DecideDisplay(Utf8ToAnsi(test::StatisticsPage(values))), 1000, kMoscow);
    };
    EXPECT_EQ(sampleOf({"12,345", "1,234", "+56", "-7"}), (HistorySample{1000, kMoscow, 12345, 1234, 56, -7}));
    EXPECT_EQ(sampleOf({"5", "3", "0", "-1,002"}), (HistorySample{1000, kMoscow, 5, 3, 0, -1002}));
    // A value the panel could not read gives no sample rather than a made-up one.
    EXPECT_EQ(sampleOf({"12,345", "", "+56", "-7"}), std::nullopt);
    EXPECT_EQ(sampleOf({"12,345", "1,234", "+1-2", "-7"}), std::nullopt);
    EXPECT_EQ(sampleOf({"-12", "1,234", "+56", "-7"}), std::nullopt);
}

TEST(HistoryChart, TodayAndYesterdayByLocalHourWithYesterdayFromTheChanges) {
    const std::vector<HistorySample> samples = {
        At(-86400 + 10 * 3600, 500),      // yesterday 10:00, taken yesterday
        At(-86400 + 20 * 3600, 900),      // yesterday 20:00: no sample today at 20 to outdo it
        At(-180, 1000),                   // yesterday 23:57, just before midnight
        At(120, 3, -990),                 // today 00:02: the counters begin again
        At(10 * 3600 + 600, 400, -150),   // today 10:10
        At(10 * 3600 + 3000, 420, -160),  // today 10:50: the last of its hour
        At(2 * 86400, 1),                 // a clock from the future: neither day
    };
    const TodayAndYesterday days = ChartDays(samples, kMoscowMidnight, kMoscowMidnight - 86400);
    EXPECT_EQ(days.today.views[0], 3);
    EXPECT_EQ(days.today.views[10], 420);
    EXPECT_EQ(days.today.visitors[10], 42);
    EXPECT_EQ(days.today.views[11], std::nullopt);
    EXPECT_EQ(days.yesterday.views[0], 993);
    EXPECT_EQ(days.yesterday.views[10], 580);  // 420 - (-160), not yesterday's own 500
    EXPECT_EQ(days.yesterday.visitors[10], 42 + 16);
    EXPECT_EQ(days.yesterday.views[20], 900);
    EXPECT_EQ(days.yesterday.views[23], 1000);

    // The same instants seen from a clock at +01:00: two hours earlier, and 00:02 Moscow is yesterday 22:02.
    const std::int64_t berlinMidnight = kMoscowMidnight + 2 * 3600;
    const TodayAndYesterday berlin = ChartDays(samples, berlinMidnight, berlinMidnight - 86400);
    EXPECT_EQ(berlin.today.views[8], 420);
    EXPECT_EQ(berlin.today.views[0], std::nullopt);
    EXPECT_EQ(berlin.yesterday.views[22], 3);
    EXPECT_EQ(berlin.yesterday.views[21], 1000);
}

class HistoryFileTest : public ::testing::Test {
protected:
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        const std::string text = ReadFileBytes(path);
        for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            result.push_back(text.substr(start, end - start));
        }
        return result;
    }

    TempDir folder;
    std::filesystem::path path = folder.file("history.csv");
};

TEST_F(HistoryFileTest, AppendsOneLinePerSlotAndWritesTheSlotsLastOver) {
    struct Step {
        std::int64_t second;
        std::int64_t views;
        std::vector<std::string> lines;  // the file's lines after the header
    };
    const Step steps[] = {
        {14 * 3600, 100, {"2026-12-08T14:00:00+03:00,100,10,0,0"}},
        {14 * 3600 + 30, 1000, {"2026-12-08T14:00:30+03:00,1000,100,0,0"}},  // longer than the one it replaces
        {14 * 3600 + 60, 7, {"2026-12-08T14:01:00+03:00,7,0,0,0"}},          // shorter: the file shrinks
        {14 * 3600 + 300, 8, {"2026-12-08T14:01:00+03:00,7,0,0,0", "2026-12-08T14:05:00+03:00,8,0,0,0"}},
        // A midnight is a slot's edge.
        {86400 - 1,
         9,
         {"2026-12-08T14:01:00+03:00,7,0,0,0", "2026-12-08T14:05:00+03:00,8,0,0,0",
          "2026-12-08T23:59:59+03:00,9,0,0,0"}},
        {86400,
         1,
         {"2026-12-08T14:01:00+03:00,7,0,0,0", "2026-12-08T14:05:00+03:00,8,0,0,0", "2026-12-08T23:59:59+03:00,9,0,0,0",
          "2026-12-09T00:00:00+03:00,1,0,0,0"}},
    };
    HistoryFile history(path);
    for (const Step& step : steps) {
        EXPECT_TRUE(history.add(At(step.second, step.views)));
        std::vector<std::string> expected = {std::string(kHistoryHeader)};
        expected.insert(expected.end(), step.lines.begin(), step.lines.end());
        EXPECT_EQ(lines(), expected) << "after " << step.views;
        EXPECT_EQ(HistoryFile(path).samples(), history.samples());
    }
}

TEST_F(HistoryFileTest, ACutLastLineIsSkippedAndTheNextSampleGetsALineOfItsOwn) {
    WriteFileBytes(path, std::string(kHistoryHeader) + "\n2026-12-08T14:00:00+03:00,100,10,1,1\n2026-12-08T14:05");
    HistoryFile history(path);
    ASSERT_EQ(history.samples().size(), 1U);
    EXPECT_TRUE(history.add(At(14 * 3600 + 600, 110)));
    EXPECT_EQ(lines().back(), "2026-12-08T14:10:00+03:00,110,11,0,0");
    EXPECT_EQ(lines()[2], "2026-12-08T14:05");
    EXPECT_EQ(HistoryFile(path).samples().size(), 2U);
}

TEST_F(HistoryFileTest, KeepsNinetyDaysRewritingTheFileAtMostDaily) {
    HistoryFile history(path);
    const std::int64_t day = 86400;
    ASSERT_TRUE(history.add(At(0, 1)));
    ASSERT_TRUE(history.add(At(1 * day, 2)));
    // Ninety days and a little after the first: inside the day's grace, the file only grows.
    ASSERT_TRUE(history.add(At(90 * day + 3600, 3)));
    EXPECT_EQ(HistoryFile(path).samples().size(), 3U);
    // A day later the old ones go, the file rewritten without them.
    ASSERT_TRUE(history.add(At(91 * day + 7200, 4)));
    const std::vector<HistorySample> kept = HistoryFile(path).samples();
    ASSERT_EQ(kept.size(), 2U);
    EXPECT_EQ(kept.front().views, 3);
    EXPECT_EQ(kept, history.samples());
    // The rewritten file takes appends as before.
    ASSERT_TRUE(history.add(At(91 * day + 7230, 5)));
    EXPECT_EQ(lines().size(), 3U);
}

TEST_F(HistoryFileTest, AnUnreadableFileIsNeverWrittenAndNothingIsLost) {
    // A folder by the file's name cannot be read as a file.
    std::filesystem::create_directory(path);
    HistoryFile history(path);
    EXPECT_TRUE(history.samples().empty());
    EXPECT_FALSE(history.add(At(0, 1)));
    EXPECT_FALSE(history.add(At(300, 2)));
    EXPECT_EQ(history.samples().size(), 2U);
    EXPECT_TRUE(std::filesystem::is_directory(path));

    // Once it can be read, its samples and the ones kept meanwhile are written together.
    std::filesystem::remove(path);
    WriteFileBytes(path, std::string(kHistoryHeader) + "\n2026-12-07T12:00:00+03:00,50,5,0,0\n");
    EXPECT_TRUE(history.add(At(600, 3)));
    EXPECT_EQ(HistoryFile(path).samples().size(), 4U);
    // A file changed behind the program's back is read again, not written over.
    WriteFileBytes(path, ReadFileBytes(path) + "2026-12-08T00:15:00+03:00,60,6,0,0\n");
    EXPECT_TRUE(history.add(At(1200, 4)));
    EXPECT_EQ(HistoryFile(path).samples().size(), 6U);
}

}  // namespace
}  // namespace plimo
