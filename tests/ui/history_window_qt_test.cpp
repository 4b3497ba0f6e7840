#include "loaded_panel.h"
#include "statistics_page.h"
#include "temp_dir.h"
#include "ui/history_window.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QTimeZone>
#include <QToolTip>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace plimo {
namespace {

using test::StatisticsPage;

// 2026-12-08 14:30 in Moscow, whatever the machine's own zone.
const QDateTime kNow(QDate(2026, 12, 8), QTime(14, 30), Qt::OffsetFromUTC, 3 * 3600);

// Pixels near the colour inside the rectangle (logical pixels of a picture drawn at its ratio).
int PixelsNear(const QImage& picture, const QRectF& logical, const QColor& colour) {
    const qreal ratio = picture.devicePixelRatio();
    const QRect area = QRectF(logical.topLeft() * ratio, logical.bottomRight() * ratio).toAlignedRect();
    int count = 0;
    for (int y = std::max(0, area.top()); y <= std::min(picture.height() - 1, area.bottom()); ++y) {
        for (int x = std::max(0, area.left()); x <= std::min(picture.width() - 1, area.right()); ++x) {
            const QColor c = picture.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                         std::abs(c.blue() - colour.blue()) <
                     60;
        }
    }
    return count;
}

// How often a row of the picture changes between the colour and anything else: a dashed line changes often.
int Changes(const QImage& picture, int y, int fromX, int toX, const QColor& colour) {
    int changes = 0;
    bool before = false;
    for (int x = fromX; x <= toX; ++x) {
        const QColor c = picture.pixelColor(x, y);
        const bool near = std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                              std::abs(c.blue() - colour.blue()) <
                          90;
        changes += x > fromX && near != before ? 1 : 0;
        before = near;
    }
    return changes;
}

HistorySample At(const QDateTime& time, std::int64_t views, std::int64_t viewsChange) {
    return {time.toSecsSinceEpoch(), time.offsetFromUtc(), views, views / 10, viewsChange, viewsChange / 10};
}

// Today until 14:30 at 800 views, yesterday at 400 all day: until now from today's changes, after it from the
// samples yesterday left.
std::vector<HistorySample> TodayAndYesterday() {
    std::vector<HistorySample> samples;
    for (int hour = 15; hour < 24; ++hour) {
        samples.push_back(At(kNow.addDays(-1).addSecs((hour - 14) * 3600), 400, 0));
    }
    for (int minutes = 0; minutes <= 14 * 60 + 30; minutes += 30) {
        samples.push_back(
            At(QDateTime(kNow.date(), QTime(0, 0), Qt::OffsetFromUTC, 3 * 3600).addSecs(minutes * 60), 800, 400));
    }
    return samples;
}

class HistoryWindowTest : public ::testing::Test {
protected:
    HistoryWindowTest() {
        test::WriteFileBytes(folder.file("history.csv"), FormatHistory(TodayAndYesterday()));
        window = std::make_unique<HistoryWindow>(history, [] { return kNow; });
        window->show();
    }

    test::TempDir folder;
    HistoryFile history{folder.file("history.csv")};
    std::unique_ptr<HistoryWindow> window;
    test::RecordedDialogs boxes;
};

TEST_F(HistoryWindowTest, DrawsTodaySolidAndYesterdayDashedWhereTheHoursAreAtAnyScale) {
    const HistoryChart& chart = *window->chart;
    for (const qreal ratio : {1.0, 2.0}) {
        QImage picture(chart.size() * ratio, QImage::Format_ARGB32);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::white);
        window->chart->render(&picture);
        for (int c = 0; c < 2; ++c) {
            const std::int64_t scale = c == 0 ? 1 : 10;
            const QRectF area = chart.plotArea(c);
            const double todayY = chart.pointFor(c, 0, 800 / scale).y();
            const double yesterdayY = chart.pointFor(c, 0, 400 / scale).y();
            const QRectF beforeNow(chart.pointFor(c, 0, 0).x(), area.top(),
                                   chart.pointFor(c, 14, 0).x() - chart.pointFor(c, 0, 0).x(), area.height());
            const QRectF afterNow(chart.pointFor(c, 15, 0).x() + 3, area.top(),
                                  area.right() - chart.pointFor(c, 15, 0).x() - 3, area.height());
            const auto row = [&](double y) { return QRectF(area.left(), y - 2, area.width(), 4); };
            SCOPED_TRACE(::testing::Message() << "chart " << c << " at ratio " << ratio);
            // Today: a line at its height up to now, and nothing after.
            EXPECT_GT(PixelsNear(picture, beforeNow & row(todayY), HistoryChart::kTodayColour),
                      area.width() * ratio * 0.5);
            EXPECT_EQ(PixelsNear(picture, afterNow, HistoryChart::kTodayColour), 0);
            EXPECT_EQ(PixelsNear(picture, row(yesterdayY), HistoryChart::kTodayColour), 0);
            // Yesterday: the whole day at its own height, broken into dashes.
            EXPECT_GT(PixelsNear(picture, afterNow & row(yesterdayY), HistoryChart::kYesterdayColour),
                      afterNow.width() * ratio * 0.3);
            EXPECT_GT(PixelsNear(picture, beforeNow & row(yesterdayY), HistoryChart::kYesterdayColour),
                      beforeNow.width() * ratio * 0.3);
            const int y = static_cast<int>(std::floor(yesterdayY * ratio));
            EXPECT_GT(Changes(picture, y, static_cast<int>(afterNow.left() * ratio),
                              static_cast<int>(afterNow.right() * ratio), HistoryChart::kYesterdayColour),
                      8);
            EXPECT_LT(Changes(picture, static_cast<int>(std::floor(todayY * ratio)),
                              static_cast<int>(beforeNow.left() * ratio) + 4,
                              static_cast<int>(beforeNow.right() * ratio) - 4, HistoryChart::kTodayColour),
                      3);
        }
    }
}

TEST_F(HistoryWindowTest, HoveringAnHourTellsBothDaysValues) {
    const QPoint tenOClock = window->chart->pointFor(0, 10, 600).toPoint();
    EXPECT_EQ(window->chart->toolTipAt(tenOClock),
              QStringLiteral("10:00–11:00\nПросмотры: сегодня 800, вчера 400\nПосетители: сегодня 80, вчера 40"));
    EXPECT_EQ(window->chart->toolTipAt(window->chart->pointFor(1, 20, 20).toPoint()),
              QStringLiteral("20:00–21:00\nПросмотры: сегодня нет данных, вчера 400\n"
                             "Посетители: сегодня нет данных, вчера 40"));
    EXPECT_EQ(window->chart->toolTipAt({1, 1}), QString());
    QMouseEvent move(QEvent::MouseMove, tenOClock, window->chart->mapToGlobal(tenOClock), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(window->chart, &move);
    QTRY_COMPARE(QToolTip::text(), window->chart->toolTipAt(tenOClock));
}

TEST_F(HistoryWindowTest, SavesTheCsvWhereTheUserChoosesAndSaysWhenItCannot) {
    const std::string expected = FormatHistory(history.samples());
    struct Case {
        QString chosen;
        bool written;
    };
    // Through UTF-16, in which Windows names files: a narrow path would lose the Cyrillic letters outside the
    // ANSI code page.
    const std::filesystem::path savedPath = folder.path() / std::filesystem::path(u"сохранённая история.csv");
    const QString saved = QString::fromStdU16String(savedPath.u16string());
    const Case cases[] = {
        {saved, true},
        {QString(), false},  // the dialog cancelled
        {QString::fromStdU16String((folder.path() / u"no such folder" / u"history.csv").u16string()), false},
    };
    for (const Case& c : cases) {
        QString suggested;
        window->setFileChooser([&](QWidget*, const QString& offered) {
            suggested = offered;
            return c.chosen;
        });
        boxes.asked.clear();
        std::filesystem::remove(savedPath);
        QTest::mouseClick(window->saveButton, Qt::LeftButton);
        EXPECT_TRUE(suggested.endsWith(QStringLiteral("history.csv")));
        EXPECT_EQ(std::filesystem::exists(savedPath), c.written) << c.chosen.toStdString();
        if (c.written) {
            EXPECT_EQ(test::ReadFileBytes(savedPath), expected);
        }
        // A failure is told, with the file's name; a cancel is not.
        EXPECT_EQ(boxes.asked.size(), !c.written && !c.chosen.isEmpty() ? 1 : 0);
        if (!boxes.asked.empty()) {
            EXPECT_TRUE(boxes.asked[0].text.contains(QStringLiteral("no such folder")))
                << boxes.asked[0].text.toStdString();
        }
    }
}

// The panel adds to the history each read pass that shows fresh values, and nothing for a pass that finds its
// scratch text emptied or for a failed navigation; the tray menu's window draws what it keeps.
TEST(PanelHistory, EachFreshPassLeavesASampleThatTheWindowDrawsAtOnce) {
    test::LoadedPanel panel({.settings = "sitename=example.com\r\nup=0\r\nfs=0\r\n", .start = kNow.addSecs(300)});
    const std::filesystem::path file = panel.folder->file("history.csv");
    test::WriteFileBytes(file, FormatHistory(TodayAndYesterday()));
    panel.form->setHistoryFile(file);
    panel.activate();
    // From the file, as another start would read it.
    const auto kept = [&file] { return HistoryFile(file).samples(); };
    const std::size_t before = kept().size();
    const std::string page = StatisticsPage({"1,740", "1,740", "+870", "0"});

    panel.browser->complete(page);
    EXPECT_EQ(kept().size(), before + 1);
    EXPECT_EQ(kept().back(), (HistorySample{panel.now.toSecsSinceEpoch(), 3 * 3600, 1740, 1740, 870, 0}));
    // Each step in a slot of its own, so that a sample it left would be counted.
    const NavigationResult ok{false, 200, {}};
    const std::pair<std::string, NavigationResult> leaveNone[] = {
        {page, ok},                // the pass finds the page it converted before, and empties
        {page, {false, 404, {}}},  // the values come in an error's answer
        {page, ok},                // empties again
    };
    for (const auto& [source, result] : leaveNone) {
        panel.now = panel.now.addSecs(300);
        panel.browser->complete(source, result);
        EXPECT_EQ(kept().size(), before + 1) << result.httpStatus;
    }

    panel.form->historyAction->trigger();
    HistoryWindow* window = panel.form->historyWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("История"));
    const QImage picture = window->chart->grab().toImage();
    const QRectF views = window->chart->plotArea(0);
    const double nowX = window->chart->pointFor(0, 14, 0).x() + 4;
    const QRectF beforeNow(views.left(), views.top(), nowX - views.left(), views.height());
    const QRectF afterNow(nowX + 2, views.top(), views.right() - nowX - 2, views.height());
    EXPECT_GT(PixelsNear(picture, beforeNow, HistoryChart::kTodayColour), 100);
    EXPECT_EQ(PixelsNear(picture, afterNow, HistoryChart::kTodayColour), 0);
    EXPECT_GT(PixelsNear(picture, afterNow, HistoryChart::kYesterdayColour), 50);

    // A new sample while the window is open is drawn at once.
    panel.now = kNow.addSecs(3600);
    panel.browser->complete(StatisticsPage({"5,000", "100", "+10", "-1"}));
    EXPECT_EQ(window->chart->toolTipAt(window->chart->pointFor(0, 15, 0).toPoint()),
              QStringLiteral("15:00–16:00\nПросмотры: сегодня 5 000, вчера 4 990\nПосетители: сегодня 100, вчера 101"));
}

}  // namespace
}  // namespace plimo
