#include "ui/ttray_icon.h"

#include "time_scale.h"
#include "ui/artwork.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace plimo {
namespace {

// Runs the event loop until the condition holds or a second (longer in slow builds) has passed.
bool waitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(test::ScaledMs(1000));
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

QString repeated(const QString& piece, int times) {
    QString text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

TEST(TrayTip, KeepsAtMost127CharactersWithoutSplittingOne) {
    const QString cyrillic = QStringLiteral("ж");
    const QString emoji = QStringLiteral("\U0001F415");  // a surrogate pair in UTF-16
    struct Case {
        QString hint;
        QString tip;
    };
    const Case cases[] = {
        {QStringLiteral("Plimo"), QStringLiteral("Plimo")},
        {repeated(QStringLiteral("a"), 127), repeated(QStringLiteral("a"), 127)},
        {repeated(QStringLiteral("a"), 128), repeated(QStringLiteral("a"), 127)},
        {repeated(QStringLiteral("a"), 500), repeated(QStringLiteral("a"), 127)},
        {repeated(cyrillic, 200), repeated(cyrillic, 127)},
        // Two units each: the 64th would be cut in half and is left out whole.
        {repeated(emoji, 100), repeated(emoji, 63)},
        {QStringLiteral("abc") + repeated(emoji, 100), QStringLiteral("abc") + repeated(emoji, 62)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint.toStdString());
        EXPECT_EQ(trayTip(c.hint), c.tip);
    }
}

class TrayIconTest : public ::testing::Test {
protected:
    TrayIconTest() {
        window.setWindowTitle(QStringLiteral("Plimo"));
        window.resize(222, 77);
    }

    // The offscreen platform has no notification area: each test says whether there is one.
    std::unique_ptr<TTrayIcon> makeTray(bool host) {
        hostPresent = host;
        return std::make_unique<TTrayIcon>(&window, [this] { return hostPresent; });
    }

    void clickTray(TTrayIcon& tray, QSystemTrayIcon::ActivationReason reason) {
        emit tray.systemTrayIcon().activated(reason);
    }

    QWidget window;
    bool hostPresent = true;
};

TEST_F(TrayIconTest, SendsTheTooltipAndTheIconToTheTray) {
    auto tray = makeTray(true);
    tray->setIcon(programWindowIcon());
    tray->setHint(QStringLiteral("Plimo"));
    tray->setIconVisible(true);
    EXPECT_EQ(tray->systemTrayIcon().toolTip(), QStringLiteral("Plimo"));
    EXPECT_FALSE(tray->systemTrayIcon().icon().isNull());

    tray->setHint(repeated(QStringLiteral("ж"), 200));
    EXPECT_EQ(tray->systemTrayIcon().toolTip(), repeated(QStringLiteral("ж"), 127));

    tray->setHint(QString());
    EXPECT_EQ(tray->systemTrayIcon().toolTip(), QString());
}

TEST_F(TrayIconTest, IconVisibleAddsAndRemovesTheIcon) {
    auto tray = makeTray(true);
    tray->setIcon(programWindowIcon());
    EXPECT_FALSE(tray->IconVisible());
    EXPECT_TRUE(tray->AddIcon());
    EXPECT_TRUE(tray->IconVisible());
    EXPECT_TRUE(tray->systemTrayIcon().isVisible());
    tray->setIconVisible(false);
    EXPECT_FALSE(tray->IconVisible());
    EXPECT_FALSE(tray->systemTrayIcon().isVisible());

    hostPresent = false;
    EXPECT_FALSE(tray->AddIcon()) << "adding without a notification area reports the failure";
    EXPECT_TRUE(tray->IconVisible()) << "and the icon still counts as shown, to come back with the tray";
}

TEST_F(TrayIconTest, ALeftClickIsOneClickAndADoubleClickCountsOnce) {
    auto tray = makeTray(true);
    QSignalSpy clicks(tray.get(), &TTrayIcon::clicked);
    QStyleHints* hints = QGuiApplication::styleHints();
    const int interval = hints->mouseDoubleClickInterval();
    // Long enough that the clicks below fall inside one double click however slowly the test runs.
    hints->setMouseDoubleClickInterval(60000);

    clickTray(*tray, QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks.count(), 1);
    // A double click on an embedded tray icon: the first press gave Trigger, the second gives DoubleClick.
    clickTray(*tray, QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(clicks.count(), 1);
    // Trays that report both presses of a double click as Trigger.
    clickTray(*tray, QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks.count(), 1);
    // The right and the middle button are no clicks.
    clickTray(*tray, QSystemTrayIcon::Context);
    clickTray(*tray, QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(clicks.count(), 1);

    // Past a short interval since the last click.
    hints->setMouseDoubleClickInterval(20);
    QElapsedTimer sinceLastClick;
    sinceLastClick.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sinceLastClick.elapsed() > 20; }, test::ScaledMs(5000)));
    clickTray(*tray, QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks.count(), 2) << "a later click counts again";
    hints->setMouseDoubleClickInterval(interval);
}

TEST_F(TrayIconTest, HideToTrayAndRestoreFromTrayToggleTheWindow) {
    auto tray = makeTray(true);
    window.show();
    tray->HideToTray(&window);
    EXPECT_FALSE(window.isVisible());
    tray->RestoreFromTray(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());

    // Restoring a window that was minimised before it was hidden un-minimises it.
    window.showMinimized();
    tray->HideToTray(&window);
    tray->RestoreFromTray(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());

    tray->HideToTray(nullptr);
    tray->RestoreFromTray(nullptr);
}

TEST_F(TrayIconTest, WithoutANotificationAreaHidingMinimisesSoTheWindowIsNeverLost) {
    auto tray = makeTray(false);
    EXPECT_FALSE(tray->hostAvailable());
    window.show();
    tray->HideToTray(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
    tray->RestoreFromTray(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(TrayIconTest, MinimisingTheWindowHidesItIntoTheTray) {
    auto tray = makeTray(true);
    tray->setIcon(programWindowIcon());
    tray->setMinimizeToTray(true);
    window.show();
    window.showMinimized();
    EXPECT_TRUE(waitFor([&] { return !window.isVisible(); }));
    EXPECT_TRUE(tray->IconVisible());

    tray->RestoreFromTray(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    QTest::qWait(test::ScaledMs(20));
    EXPECT_TRUE(window.isVisible()) << "restoring must not be taken for another minimise";
}

TEST_F(TrayIconTest, MinimisingLeavesTheWindowAloneWhenItCannotGoToTheTray) {
    for (bool host : {true, false}) {
        SCOPED_TRACE(host);
        auto tray = makeTray(host);
        tray->setMinimizeToTray(!host);  // off with a tray; on without one
        window.showNormal();
        window.showMinimized();
        QTest::qWait(test::ScaledMs(20));
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(window.isMinimized());
        EXPECT_FALSE(tray->IconVisible());
    }
}

TEST_F(TrayIconTest, TheMenuBelongsToTheTrayAndIsForgottenWhenDeleted) {
    auto tray = makeTray(false);
    auto menu = std::make_unique<QMenu>();
    menu->addAction(QStringLiteral("Exit"));
    tray->setPopupMenu(menu.get());
    EXPECT_EQ(tray->PopupMenu(), menu.get());
    EXPECT_EQ(tray->systemTrayIcon().contextMenu(), menu.get());

    menu.reset();
    EXPECT_EQ(tray->PopupMenu(), nullptr);
}

}  // namespace
}  // namespace plimo
