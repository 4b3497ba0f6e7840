// Renders the settings window's four pages and the panel, with values in both trend colours and with the widest
// numbers, into PNG files for the documentation: the real windows, settings loaded from a config.ini, a statistics
// page fed through a browser that needs no network. Run headless: QT_QPA_PLATFORM=offscreen plimo_screenshots <folder>.
#include "fake_browser.h"
#include "statistics_page.h"
#include "stats/history.h"
#include "ui/history_window.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

bool Save(const QPixmap& picture, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (!picture.save(path, "PNG")) {
        std::fprintf(stderr, "plimo_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Feeds the page until the panel shows it: a read pass that finds the scratch text holding an earlier page
// empties it, and the next one shows the new page.
void ShowPage(plimo::TForm1& form, plimo::test::FakeBrowser& browser, const plimo::test::StatisticsValues& values) {
    const std::string page = plimo::test::StatisticsPage(values);
    // A change shows without its sign and digit-group commas.
    const QString expected = QString::fromStdString(values.viewsChange).remove(0, 1).remove(QLatin1Char(','));
    for (int pass = 0; pass < 3 && form.Label3->text() != expected; ++pass) {
        browser.complete(page);
    }
}

// The panel with the tray icon's tooltip for the same moment drawn under it, as the user sees the two.
QPixmap PanelWithTrayTip(plimo::TForm1& form) {
    QLabel tip(form.TrayIcon1->systemTrayIcon().toolTip());
    tip.setPalette(QToolTip::palette());
    tip.setFont(QToolTip::font());
    tip.setAutoFillBackground(true);
    tip.setMargin(4);
    tip.setFrameStyle(QFrame::Box | QFrame::Plain);
    tip.adjustSize();
    const QPixmap panel = form.grab();
    const QPixmap text = tip.grab();
    QPixmap both(std::max(panel.width(), text.width()), panel.height() + 6 + text.height());
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, panel);
    painter.drawPixmap(0, panel.height() + 6, text);
    painter.end();
    return both;
}

// Views counted since midnight at minute m of a day: quiet at night, busiest in the afternoon.
std::int64_t ViewsByMinute(int minute, double pace) {
    double views = 0;
    for (int m = 0; m < minute; ++m) {
        const double hour = m / 60.0;
        const double day = hour < 7 ? 0 : std::sin(3.14159265 * (hour - 7) / 17);
        views += pace * (4 + 40 * day * day);
    }
    return static_cast<std::int64_t>(views);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
    QTemporaryDir settingsFolder;
    if (!folder.exists() || !settingsFolder.isValid()) {
        std::fprintf(stderr, "usage: plimo_screenshots <existing folder>\n");
        return 2;
    }
    const QString configPath = settingsFolder.filePath(QStringLiteral("config.ini"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly)) {
        return 1;
    }
    config.write(
        "[OPTIONS]\n"
        "autostart=1\n"
        "sitename=example.com\n"
        "sitehttp=http://example.com\n"
        "pass=secret\n"
        "lindx=https://www.liveinternet.ru/stat/example.com/index.html\n"
        "color=clBlack\n"
        "blend=193\n"
        "up=2\n"
        "fs=0\n");
    config.close();

    auto ownedBrowser = std::make_unique<plimo::test::FakeBrowser>();
    auto& browser = *ownedBrowser;
    plimo::TForm1 form(std::move(ownedBrowser), [] { return true; });
    form.setUpdateCheck([] { return false; });
    form.FormCreate();
    plimo::Tfoptions options(&form);
    options.setConfigPath(configPath.toStdString());
    options.setAutostartWriter([](const std::string&, bool) {});
    options.setAddressOpener([](const std::string&) {});
    form.setOptionsWindow(&options);
    form.show();
    form.FormActivate();

    bool saved = true;
    ShowPage(form, browser, {"12,345", "2,345", "+152", "+21"});
    QTest::qWait(50);
    saved = Save(form.grab(), folder, QStringLiteral("panel-rising.png")) && saved;
    ShowPage(form, browser, {"12,419", "2,355", "-147", "-22"});
    QTest::qWait(50);
    saved = Save(form.grab(), folder, QStringLiteral("panel-falling.png")) && saved;
    // The widest numbers the panel is made for, each in its label.
    ShowPage(form, browser, {"99,999,999", "88,888,888", "+9,999,999", "+8,888,888"});
    QTest::qWait(50);
    saved = Save(form.grab(), folder, QStringLiteral("panel-widest.png")) && saved;
    for (const QLabel* label : {form.Label1, form.Label2, form.Label3, form.Label6}) {
        std::printf("  %s: %d px at %d px in a label %d px wide\n", qPrintable(label->text()),
                    label->fontMetrics().horizontalAdvance(label->text()), label->font().pixelSize(), label->width());
    }

    // What the panel tells of its numbers: fresh, each failure, and old.
    QDateTime now(QDate(2026, 12, 8), QTime(14, 5));
    form.setClock([&now] { return now; });
    ShowPage(form, browser, {"12,345", "2,345", "+152", "+21"});
    browser.complete(plimo::test::StatisticsPage({"12,345", "2,345", "+152", "+21"}));
    QTest::qWait(50);
    saved = Save(PanelWithTrayTip(form), folder, QStringLiteral("state-fresh.png")) && saved;
    const struct {
        const char* file;
        const char* page;
        plimo::NavigationResult result;
    } failures[] = {
        {"state-no-network.png", "<html></html>", {true, 0, QStringLiteral("сервер не найден")}},
        {"state-http-error.png", "<html>Not Found</html>", {false, 404, {}}},
        {"state-sign-in-rejected.png", "<form><input type=\"password\"></form>", {false, 200, {}}},
        {"state-page-changed.png", "<html>Technical works</html>", {false, 200, {}}},
    };
    for (const auto& failure : failures) {
        now = now.addSecs(30);
        browser.complete(failure.page, failure.result);
        QTest::qWait(50);
        saved = Save(PanelWithTrayTip(form), folder, QString::fromLatin1(failure.file)) && saved;
    }
    browser.complete(plimo::test::StatisticsPage({"12,345", "2,345", "+152", "+21"}));
    now = now.addSecs(3 * 300);
    form.setRefreshInterval(300000);
    QTest::qWait(50);
    saved = Save(PanelWithTrayTip(form), folder, QStringLiteral("state-stale.png")) && saved;

    // The history window on two days: yesterday whole, today until 14:30; yesterday's afternoon was quieter.
    {
        plimo::HistoryFile history(settingsFolder.filePath(QStringLiteral("history.csv")).toStdString());
        const QDateTime midnight(QDate(2026, 12, 8), QTime(0, 0), Qt::OffsetFromUTC, 3 * 3600);
        for (int minute = -24 * 60; minute <= 14 * 60 + 30; minute += 5) {
            const QDateTime at = midnight.addSecs(minute * 60);
            const int ofDay = (minute + 24 * 60) % (24 * 60);
            const std::int64_t views = ViewsByMinute(ofDay, minute < 0 ? 0.9 : 1.0);
            const std::int64_t before = ViewsByMinute(ofDay, minute < 0 ? 1.0 : 0.9);
            history.add(
                {at.toSecsSinceEpoch(), at.offsetFromUtc(), views, views / 5, views - before, views / 5 - before / 5});
        }
        plimo::HistoryWindow window(history, [midnight] { return midnight.addSecs(14 * 3600 + 30 * 60); });
        window.show();
        QTest::qWait(50);
        saved = Save(window.grab(), folder, QStringLiteral("history.png")) && saved;
    }

    // The sign-in page with the outcome of a sign-in sent from it.
    options.showSignInOutcome(QStringLiteral("Вход выполнен"));
    options.show();
    const QString pages[] = {QStringLiteral("settings-main.png"), QStringLiteral("settings-sign-in.png"),
                             QStringLiteral("settings-more.png"), QStringLiteral("settings-about.png")};
    for (int index = 0; index < 4; ++index) {
        options.cxPageControl1->setCurrentIndex(index);
        QTest::qWait(50);
        saved = Save(options.grab(), folder, pages[index]) && saved;
    }
    return saved ? 0 : 1;
}
