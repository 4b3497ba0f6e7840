#include "browser/network_browser.h"
#include "http_test_server.h"
#include "loaded_panel.h"
#include "statistics_page.h"
#include "time_scale.h"
#include "ui/panel_status.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"
#include "ui/ttray_icon.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace plimo {
namespace {

using namespace std::chrono_literals;
using test::FakeBrowser;
using test::HttpRequest;
using test::HttpResponse;
using test::HttpTestServer;
using test::StatisticsPage;

const QDateTime kNow(QDate(2026, 12, 8), QTime(14, 5));

TEST(PanelStatusTexts, TellWhenTheValuesCameAndWhatWentWrongAfter) {
    EXPECT_EQ(UpdatedText(kNow.addSecs(-3600), kNow), QStringLiteral("Обновлено в 13:05"));
    EXPECT_EQ(UpdatedText(kNow.addDays(-1), kNow), QStringLiteral("Обновлено вчера в 14:05"));
    EXPECT_EQ(UpdatedText(kNow.addDays(-3), kNow), QStringLiteral("Обновлено 05.12.2026 в 14:05"));

    const NavigationResult refused{true, 0, QStringLiteral("сервер отклонил соединение")};
    const NavigationResult notFound{false, 404, {}};
    PanelStatus status = AfterNavigation({}, NavigationOutcome::Fresh, {}, kNow);
    EXPECT_EQ(StateLines(status, kNow.addSecs(59), 30s), QStringList{QStringLiteral("Обновлено в 14:05")});
    EXPECT_EQ(MarkFor(status, kNow.addSecs(59), 30s), StatusMark::None);
    // Two periods without fresh values: old, whatever the reason.
    EXPECT_EQ(StateLines(status, kNow.addSecs(61), 30s),
              (QStringList{QStringLiteral("Обновлено в 14:05"), QStringLiteral("Данные устарели")}));
    EXPECT_EQ(MarkFor(status, kNow.addSecs(61), 30s), StatusMark::Stale);
    EXPECT_EQ(TimeUntilStale(status, kNow.addSecs(50), 30s), std::optional(10000ms));

    struct Case {
        NavigationOutcome outcome;
        NavigationResult result;
        QString text;
    };
    const Case failures[] = {
        {NavigationOutcome::NoNetwork, refused,
         QStringLiteral("Нет связи с сервером статистики: сервер отклонил соединение")},
        {NavigationOutcome::HttpError, notFound, QStringLiteral("Сервер статистики ответил ошибкой 404")},
        {NavigationOutcome::SignInRejected, {}, QStringLiteral("Неверный адрес сайта или пароль")},
        {NavigationOutcome::PageChanged, {}, QStringLiteral("На странице статистики нет значений")},
    };
    for (const Case& c : failures) {
        const PanelStatus failed = AfterNavigation(status, c.outcome, c.result, kNow.addSecs(120));
        EXPECT_EQ(StateLines(failed, kNow.addSecs(120), 30s),
                  (QStringList{QStringLiteral("Обновлено в 14:05"), c.text}));
        EXPECT_EQ(MarkFor(failed, kNow.addSecs(1), 30s), StatusMark::Failure) << c.text.toStdString();
        // The next fresh values end the failure.
        const PanelStatus again = AfterNavigation(failed, NavigationOutcome::Fresh, {}, kNow.addSecs(150));
        EXPECT_EQ(StateLines(again, kNow.addSecs(150), 30s), QStringList{QStringLiteral("Обновлено в 14:07")});
    }
}

TEST(PanelStatusTexts, TheTrayTooltipAndTheAccessibleNamesSayTheValuesInFull) {
    const ShownValue views{QStringLiteral("12,345"), QStringLiteral("56"), Arrow::Up};
    const ShownValue visitors{QStringLiteral("1,234"), QStringLiteral("7"), Arrow::Down};
    const QStringList state{QStringLiteral("Обновлено в 14:05"),
                            QStringLiteral("Нет связи с сервером статистики: сервер не найден")};
    EXPECT_EQ(TrayToolTip(QStringLiteral("example.com"), views, visitors, {state[0]}),
              QStringLiteral("Plimo — example.com\nПросмотры 12,345 ▲56\nПосетители 1,234 ▼7\nОбновлено в 14:05"));
    // Past Windows' 127 characters the failure's reason goes first, then the end of the site's name, never the
    // failure itself.
    EXPECT_EQ(TrayToolTip(QStringLiteral("example.com"), views, visitors, state),
              QStringLiteral("Plimo — example.com\nПросмотры 12,345 ▲56\nПосетители 1,234 ▼7\nОбновлено в 14:05\n"
                             "Нет связи с сервером статистики"));
    const QString longTip = TrayToolTip(QString(100, u's'), views, visitors, state);
    EXPECT_EQ(longTip.size(), 127);
    EXPECT_TRUE(
        longTip.endsWith(QStringLiteral("…\nПросмотры 12,345 ▲56\nПосетители 1,234 ▼7\nОбновлено в 14:05\n"
                                        "Нет связи с сервером статистики")));
    EXPECT_EQ(TrayToolTip(QStringLiteral("example.com"), {}, {}, {QStringLiteral("Неверный адрес сайта или пароль")}),
              QStringLiteral("Plimo\nНеверный адрес сайта или пароль"));

    EXPECT_EQ(AccessibleValueText(QStringLiteral("Просмотры"), views),
              QStringLiteral("Просмотры: 12 345, на 56 больше, чем вчера в это же время"));
    EXPECT_EQ(AccessibleValueText(QStringLiteral("Посетители"), visitors),
              QStringLiteral("Посетители: 1 234, на 7 меньше, чем вчера в это же время"));
    EXPECT_EQ(
        AccessibleValueText(QStringLiteral("Посетители"), {QStringLiteral("9"), QStringLiteral("0"), Arrow::None}),
        QStringLiteral("Посетители: 9, столько же, сколько вчера в это же время"));
}

// The panel with its settings loaded (a refresh every 30 s, a black window) and a clock the test sets.
class PanelTellsItsState : public ::testing::Test {
protected:
    PanelTellsItsState() { panel.activate(); }

    // Pixels of the mark's square that are clearly red, and clearly grey.
    std::pair<int, int> markPixels() {
        const QImage picture = form->grab(QRect(197, 5, 8, 8)).toImage();
        int red = 0;
        int grey = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                red += c.red() > 150 && c.green() < 80 ? 1 : 0;
                grey += c.red() > 120 && std::abs(c.red() - c.green()) < 10 && std::abs(c.red() - c.blue()) < 10;
            }
        }
        return {red, grey};
    }
    // Pixels of the views value drawn near the colour given.
    int viewsPixelsNear(QColor colour) {
        const QImage picture = form->Label1->grab().toImage();
        int count = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                count += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                             std::abs(c.blue() - colour.blue()) <
                         12;
            }
        }
        return count;
    }
    QString trayTooltip() { return form->TrayIcon1->systemTrayIcon().toolTip(); }

    test::LoadedPanel panel{{.settings = "sitename=example.com\r\ncolor=clBlack\r\nup=0\r\nfs=0\r\n", .start = kNow}};
    FakeBrowser* browser = panel.browser;
    TForm1* form = panel.form.get();
    QDateTime& now = panel.now;
};

TEST_F(PanelTellsItsState, FreshFailedAndOldValuesEachShowOnThePanelAndInTheTray) {
    const QColor views(7, 237, 243);
    EXPECT_EQ(trayTooltip(), QStringLiteral("Plimo"));
    browser->complete(StatisticsPage({"12,345", "2,345", "+152", "-21"}));
    EXPECT_EQ(markPixels(), std::make_pair(0, 0));
    EXPECT_EQ(trayTooltip(),
              QStringLiteral("Plimo — example.com\nПросмотры 12,345 ▲152\nПосетители 2,345 ▼21\nОбновлено в 14:05"));
    EXPECT_EQ(form->Label1->toolTip(), QStringLiteral("Просмотры\nОбновлено в 14:05"));
    EXPECT_EQ(form->Label2->accessibleName(),
              QStringLiteral("Посетители: 2 345, на 21 меньше, чем вчера в это же время"));
    const int fullStrength = viewsPixelsNear(views);
    EXPECT_GT(fullStrength, 10);

    // The tick's read pass finds the scratch text emptied: that tells nothing, and shows no failure.
    form->Timer1Timer();
    EXPECT_EQ(markPixels(), std::make_pair(0, 0));
    EXPECT_EQ(form->stateLines(), QStringList{QStringLiteral("Обновлено в 14:05")});

    now = kNow.addSecs(40);
    browser->complete("<html>error</html>", {true, 0, QStringLiteral("сервер не найден")});
    EXPECT_GT(markPixels().first, 8) << "a red mark";
    EXPECT_TRUE(trayTooltip().endsWith(QStringLiteral("Обновлено в 14:05\nНет связи с сервером статистики")))
        << trayTooltip().toStdString();
    EXPECT_EQ(form->statusMark->toolTip(),
              QStringLiteral("Обновлено в 14:05\nНет связи с сервером статистики: сервер не найден"));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("12,345")) << "the last values stay";
    EXPECT_TRUE(panel.dialogs.asked.empty());

    // No fresh values for two periods: the values dim, and the state says so when it ages, with no navigation.
    browser->complete(StatisticsPage({"12,400", "2,350", "+160", "-20"}));
    EXPECT_EQ(markPixels(), std::make_pair(0, 0));
    form->setRefreshInterval(500);
    now = now.addSecs(2);
    QTRY_VERIFY_WITH_TIMEOUT(markPixels().second > 8, test::ScaledMs(5000));
    EXPECT_TRUE(trayTooltip().endsWith(QStringLiteral("Данные устарели")));
    EXPECT_EQ(viewsPixelsNear(views), 0);
    EXPECT_GT(viewsPixelsNear(QColor(3, 118, 121)), fullStrength / 2);
}

TEST_F(PanelTellsItsState, TheTrayMenuRefreshesNowAndOpensTheStatistics) {
    QStringList entries;
    for (const QAction* entry : form->PopupMenu1->actions()) {
        entries.append(entry->isSeparator() ? QStringLiteral("-") : entry->text());
    }
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Обновить сейчас"), QStringLiteral("Открыть статистику"),
                                    QStringLiteral("История…"), QStringLiteral("-"), QStringLiteral("Настройки"),
                                    QStringLiteral("Выход")}));
    // Before any page: the sign-in alone, not a read pass that would find no page and stop refreshing.
    std::size_t before = browser->navigations.size();
    form->refreshNowAction->trigger();
    EXPECT_EQ(browser->navigations.size(), before + 1);
    EXPECT_TRUE(panel.dialogs.asked.empty());
    browser->complete(StatisticsPage({"1", "2", "+3", "+4"}));
    before = browser->navigations.size();
    form->Timer1->setEnabled(false);
    form->refreshNowAction->trigger();
    EXPECT_EQ(browser->navigations.size(), before + 1);
    EXPECT_TRUE(form->Timer1->enabled()) << "the countdown starts again, as after a tick";
    form->openStatisticsAction->trigger();
    EXPECT_EQ(panel.opened, std::vector<std::string>{"https://www.liveinternet.ru/stat/example.com/index.html"});
}

// The settings window's line after a real sign-in through the engine, against the local server.
TEST(SignInStatusLine, SaysWhetherTheSignInFromTheSettingsWindowWorked) {
    bool accepted = true;
    HttpTestServer server([&accepted](const HttpRequest&) {
        return HttpResponse::html(accepted
                                      ? QByteArray::fromStdString(StatisticsPage({"1", "2", "+3", "+4"}))
                                      : QByteArrayLiteral("<form><input type=\"password\" name=\"password\"></form>"));
    });
    test::LoadedPanel panel({.browser = std::make_unique<NetworkBrowser>()});
    Tfoptions& options = *panel.options;
    options.LMDEdit4->setText(server.url(u"/stat/example.com/index.html"));
    for (const auto& [ok, expected] : {std::pair{true, QStringLiteral("Вход выполнен")},
                                       std::pair{false, QStringLiteral("Неверный адрес сайта или пароль")}}) {
        accepted = ok;
        QSignalSpy reports(panel.form->WebBrowser1, &BrowserEngine::navigateComplete);
        options.LMDButton1Click();
        EXPECT_EQ(options.signInStatus->text(), QStringLiteral("Выполняется вход…"));
        ASSERT_TRUE(reports.wait(test::ScaledMs(5000)));
        EXPECT_EQ(options.signInStatus->text(), expected);
    }
}

}  // namespace
}  // namespace plimo
