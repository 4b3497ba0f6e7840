#include "loaded_panel.h"
#include "ui/handler_guard.h"
#include "ui/tform1.h"
#include "update/maker_site.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace plimo {
namespace {

class FirstActivation : public ::testing::Test {
protected:
    void writeConfig(const std::string& text) { test::WriteFileBytes(panel.config(), text); }

    test::LoadedPanel panel;
    test::FakeBrowser* browser = panel.browser;
    TForm1* form = panel.form.get();
    std::vector<DialogRequest>& dialogs = panel.dialogs.asked;
};

TEST_F(FirstActivation, LoadsStartsRefreshingAndChecksForUpdatesOnce) {
    writeConfig("[OPTIONS]\nfs=0\ncolor=clNavy\nlindx=http://127.0.0.1:9/s\n");
    form->FormActivate();
    EXPECT_TRUE(form->Timer1->enabled());
    EXPECT_EQ(form->Timer1->interval(), 300000u);
    EXPECT_EQ(form->colour(), 0x00800000);
    ASSERT_EQ(browser->navigations.size(), 1u);
    EXPECT_EQ(browser->navigations[0].first, QStringLiteral("http://127.0.0.1:9/s"));
    EXPECT_EQ(panel.updateChecks, 1);

    form->FormActivate();
    EXPECT_EQ(browser->navigations.size(), 1u);
    EXPECT_EQ(panel.updateChecks, 1);
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(FirstActivation, ABadSettingIsReportedAndTheRestIsSkippedForGood) {
    writeConfig("[OPTIONS]\nfs=0\nblend=lots\n");
    Guarded([this] { form->FormActivate(); });
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, QStringLiteral("'lots' is not a valid integer value."));
    EXPECT_FALSE(form->Timer1->enabled());
    EXPECT_TRUE(browser->navigations.empty());
    EXPECT_EQ(panel.updateChecks, 0);

    Guarded([this] { form->FormActivate(); });
    EXPECT_EQ(dialogs.size(), 1u);
    EXPECT_TRUE(browser->navigations.empty());
}

TEST_F(FirstActivation, ANewerVersionIsOfferedAtTheFirstActivation) {
    writeConfig("[OPTIONS]\nfs=0\n");
    panel.newerVersion = true;
    panel.dialogs.answer = QMessageBox::Ok;
    form->FormActivate();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(dialogs[0].icon, QMessageBox::Question);
    EXPECT_EQ(dialogs[0].text, QStringLiteral("Доступна новая версия программы Plimo. Хотите обновить?"));
    EXPECT_EQ(panel.opened, std::vector<std::string>{ProductPageAddress()});
}

// The real box, answered by keys and a click as a user would: centred on the screen (not over the panel in its
// corner), OK (the default, Enter) hands exactly the product page to the desktop, Cancel and Esc do nothing.
TEST_F(FirstActivation, TheUpdateBoxIsCentredOnTheScreenAndOnlyOkOpensTheProductPage) {
    // The panel in its corner, active, its first activation done.
    writeConfig("[OPTIONS]\nfs=0\n");
    form->show();
    form->FormActivate();
    QApplication::setActiveWindow(form);
    ASSERT_EQ(QApplication::activeWindow(), form);
    SetDialogAnswererForTests({});
    panel.newerVersion = true;
    QRect boxGeometry;
    // Waits, within the box's own event loop, until it is up, then answers it.
    std::function<void()> lookForTheBox;
    std::function<void(QMessageBox&)> answerTheBox;
    int looks = 0;
    lookForTheBox = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            ASSERT_LT(++looks, 500) << "no box appeared";
            QTimer::singleShot(10, form, lookForTheBox);
            return;
        }
        boxGeometry = box->frameGeometry();
        answerTheBox(*box);
    };
    const auto answerWith = [&](std::function<void(QMessageBox&)> how) {
        answerTheBox = std::move(how);
        looks = 0;
        QTimer::singleShot(0, form, lookForTheBox);
    };
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();

    answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    form->OfferUpdate();
    EXPECT_TRUE(panel.opened.empty());
    EXPECT_LE((boxGeometry.center() - screen.center()).manhattanLength(), 4)
        << boxGeometry.x() << "," << boxGeometry.y() << " " << boxGeometry.width() << "x" << boxGeometry.height();

    answerWith([](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Cancel), Qt::LeftButton); });
    form->OfferUpdate();
    EXPECT_TRUE(panel.opened.empty());

    answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
    form->OfferUpdate();
    EXPECT_EQ(panel.opened, std::vector<std::string>{ProductPageAddress()});
}

TEST_F(FirstActivation, ClosingThePanelSavesTheSettingsAndEndsTheProgram) {
    writeConfig("[OPTIONS]\nfs=0\npass=secret\n");
    QSignalSpy closed(form, &TForm1::closed);
    form->show();
    form->FormActivate();
    form->move(33, 44);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(closed.count(), 1);
    const std::string saved = test::ReadFileBytes(panel.config());
    EXPECT_NE(saved.find("cx=33"), std::string::npos);
    EXPECT_NE(saved.find("cy=44"), std::string::npos);
    EXPECT_NE(saved.find("fs=0"), std::string::npos);
    EXPECT_NE(saved.find("pass=secret"), std::string::npos);
}

// A log-off or a signal can close the panel before its first activation has loaded anything: the empty controls
// must not be written over the password and the addresses, nor a first config.ini be made from them.
TEST_F(FirstActivation, AClosingBeforeTheSettingsWereLoadedLeavesTheFileAsItWas) {
    const std::string before = "[OPTIONS]\nfs=0\nsitehttp=http://example.com\npass=secret\n";
    writeConfig(before);
    QSignalSpy closed(form, &TForm1::closed);
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(test::ReadFileBytes(panel.config()), before);
    EXPECT_TRUE(dialogs.empty());
    EXPECT_FALSE(panel.options->settingsLoaded());

    std::filesystem::remove(panel.config());
    test::LoadedPanel other({.folder = panel.folder});
    other.form->close();
    EXPECT_FALSE(std::filesystem::exists(panel.config()));
}

// The session manager's entry points: a commit request may be followed by a cancelled log-off.
TEST_F(FirstActivation, ALogOffRequestSavesAndKeepsThePanelOnlyTheSessionsEndClosesIt) {
    QSignalSpy closed(form, &TForm1::closed);
    form->show();
    form->FormActivate();
    form->move(55, 66);
    form->saveForSessionCommit();
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(form->isVisible());
    EXPECT_NE(test::ReadFileBytes(panel.config()).find("cx=55"), std::string::npos);

    // The log-off was cancelled: the widget goes on and saves its later place at the real end.
    form->move(77, 88);
    form->closeForSessionEnd();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_NE(test::ReadFileBytes(panel.config()).find("cx=77"), std::string::npos);
    form->closeForSessionEnd();  // the end of the program after a normal close
    EXPECT_EQ(closed.count(), 1);
}

}  // namespace
}  // namespace plimo
