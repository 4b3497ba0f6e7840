#include "loaded_panel.h"
#include "ui/panel_widgets.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace plimo {
namespace {

class Panel : public ::testing::Test {
protected:
    void build(bool trayHost) {
        panel = std::make_unique<test::LoadedPanel>(test::PanelSetup{.trayHost = trayHost});
        form = panel->form.get();
        options = panel->options.get();
    }

    static void send(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
                     Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    std::unique_ptr<test::LoadedPanel> panel;
    TForm1* form = nullptr;
    Tfoptions* options = nullptr;
};

TEST_F(Panel, IsABorderlessTopmostPanelInTheCorner) {
    build(true);
    EXPECT_EQ(form->size(), QSize(222, 77));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Plimo"));
    EXPECT_EQ(form->alphaBlendValue(), 160);
    EXPECT_EQ(form->colour(), 11482721);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->pos(), QPoint(screen.right() + 1 - 222, screen.bottom() + 1 - 117));
    EXPECT_TRUE(form->Label1->text().isEmpty());
    EXPECT_EQ(form->LMDSimpleLabel1->text(), QStringLiteral("сайт"));
    EXPECT_EQ(form->Panel1->toolTip(), QStringLiteral("Свернуть"));
    EXPECT_EQ(form->Label3->toolTip(), QStringLiteral("Количество просмотров в это же время вчера"));
}

TEST_F(Panel, APressOnAValueDragsThePanelAPressOnTheSiteNameDoesNot) {
    build(true);
    form->show();
    form->move(100, 100);
    send(form->Label1, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    // The press went up to the panel, which now follows the pointer.
    send(form, QEvent::MouseMove, form->Label1->geometry().topLeft() + QPoint(35, 25), Qt::NoButton, Qt::LeftButton);
    send(form, QEvent::MouseButtonRelease, QPoint(0, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(form->pos(), QPoint(130, 120));

    const QPoint before = form->pos();
    QSignalSpy clicked(form->LMDSimpleLabel1, &ClickLabel::clicked);
    QTest::mouseClick(form->LMDSimpleLabel1, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(form->pos(), before);
}

TEST_F(Panel, TheHideGlyphAndTheTrayIconHideAndRestoreThePanel) {
    build(true);
    form->show();
    QTest::mouseClick(form->Image4, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    form->TrayIcon1Click();
    EXPECT_TRUE(form->isVisible());
    form->TrayIcon1Click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->TrayIcon1->IconVisible());
}

TEST_F(Panel, WithoutANotificationAreaThePanelMinimisesAndOffersTheMenu) {
    build(false);
    form->show();
    QTest::mouseClick(form->Image4, Qt::LeftButton);
    EXPECT_TRUE(form->isVisible()) << "with nowhere to come back from, the panel must not be hidden";
    EXPECT_TRUE(form->isMinimized());
    form->TrayIcon1Click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());

    send(form, QEvent::MouseButtonPress, QPoint(100, 70), Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(form->PopupMenu1->isVisible());
    form->PopupMenu1->hide();
}

TEST_F(Panel, TheTrayMenuOpensTheSettingsAndCloses) {
    build(true);
    // The two entries of its own come last, in this order, below the refresh and the statistics page.
    const QList<QAction*> entries = form->PopupMenu1->actions();
    ASSERT_GE(entries.size(), 2);
    EXPECT_EQ(entries[entries.size() - 2], form->N1);
    EXPECT_EQ(entries.last(), form->N2);
    EXPECT_EQ(form->N1->text(), QStringLiteral("Настройки"));
    EXPECT_EQ(form->N2->text(), QStringLiteral("Выход"));
    form->N1->trigger();
    EXPECT_TRUE(options->isVisible());

    QSignalSpy closed(form, &TForm1::closed);
    form->show();
    options->LoadSettings();  // as the first activation does; only loaded settings are saved
    // "Выход" works while the panel is hidden in the tray too.
    form->Image4Click();
    form->N2->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_NE(test::ReadFileBytes(panel->config()).find("fs=0"), std::string::npos);
}

}  // namespace
}  // namespace plimo
