#include "app/dialogs.h"
#include "fake_browser.h"
#include "temp_dir.h"
#include "ui/tfoptions.h"
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
    FirstActivation() {
        auto browser = std::make_unique<test::FakeBrowser>();
        this->browser = browser.get();
        form = std::make_unique<TForm1>(std::move(browser));
        options = std::make_unique<Tfoptions>(form.get());
        options->setConfigPath(folder.file("config.ini"));
        options->setAddressOpener([this](const std::string& address) { opened.push_back(address); });
        options->setAutostartWriter([](const std::string&, bool) {});
        form->setOptionsWindow(options.get());
        form->setUpdateCheck([this] {
            ++updateChecks;
            return newerVersion;
        });
        form->FormCreate();
        SetDialogAnswererForTests([this](const DialogRequest& request) {
            dialogs.push_back(request);
            return answer;
        });
    }
    ~FirstActivation() override { SetDialogAnswererForTests({}); }

    test::TempDir folder;
    test::FakeBrowser* browser;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<Tfoptions> options;
    std::vector<std::string> opened;
    std::vector<DialogRequest> dialogs;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    int updateChecks = 0;
    bool newerVersion = false;
};

TEST_F(FirstActivation, LoadsStartsRefreshingAndChecksForUpdatesOnce) {
    test::WriteFileBytes(folder.file("config.ini"), "[OPTIONS]\nfs=0\ncolor=clNavy\nlindx=http://127.0.0.1:9/s\n");
    form->FormActivate();
    EXPECT_TRUE(form->Timer1->enabled());
    EXPECT_EQ(form->Timer1->interval(), 300000u);
    EXPECT_EQ(form->colour(), 0x00800000);
    ASSERT_EQ(browser->navigations.size(), 1u);
    EXPECT_EQ(browser->navigations[0].first, QStringLiteral("http://127.0.0.1:9/s"));
    EXPECT_EQ(updateChecks, 1);

    form->FormActivate();
    EXPECT_EQ(browser->navigations.size(), 1u);
    EXPECT_EQ(updateChecks, 1);
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(FirstActivation, ABadSettingIsReportedAndTheRestIsSkippedForGood) {
    test::WriteFileBytes(folder.file("config.ini"), "[OPTIONS]\nfs=0\nblend=lots\n");
    Guarded([this] { form->FormActivate(); });
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, QStringLiteral("'lots' is not a valid integer value."));
    EXPECT_FALSE(form->Timer1->enabled());
    EXPECT_TRUE(browser->navigations.empty());
    EXPECT_EQ(updateChecks, 0);

    Guarded([this] { form->FormActivate(); });
    EXPECT_EQ(dialogs.size(), 1u);
    EXPECT_TRUE(browser->navigations.empty());
}

TEST_F(FirstActivation, ANewerVersionIsOfferedAndOpenedOnlyOnOk) {
    test::WriteFileBytes(folder.file("config.ini"), "[OPTIONS]\nfs=0\n");
    newerVersion = true;
    answer = QMessageBox::Ok;
    form->FormActivate();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(dialogs[0].icon, QMessageBox::Question);
    EXPECT_EQ(dialogs[0].text, QStringLiteral("Доступна новая версия программы Plimo. Хотите обновить?"));
    EXPECT_EQ(opened.size(), 1u);

    answer = QMessageBox::Cancel;
    form->OfferUpdate();
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(opened.size(), 1u);
}

// The real box, answered by keys and a click as a user would: centred on the screen (not over the panel in its
// corner), OK (the default, Enter) hands exactly the product page to the desktop, Cancel and Esc do nothing.
TEST_F(FirstActivation, TheUpdateBoxIsCentredOnTheScreenAndOnlyOkOpensTheProductPage) {
    // The panel in its corner, active, its first activation done.
    test::WriteFileBytes(folder.file("config.ini"), "[OPTIONS]\nfs=0\n");
    form->show();
    form->FormActivate();
    QApplication::setActiveWindow(form.get());
    ASSERT_EQ(QApplication::activeWindow(), form.get());
    SetDialogAnswererForTests({});
    newerVersion = true;
    QRect boxGeometry;
    // Waits, within the box's own event loop, until it is up, then answers it.
    std::function<void()> lookForTheBox;
    std::function<void(QMessageBox&)> answer;
    int looks = 0;
    lookForTheBox = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            ASSERT_LT(++looks, 500) << "no box appeared";
            QTimer::singleShot(10, form.get(), lookForTheBox);
            return;
        }
        boxGeometry = box->frameGeometry();
        answer(*box);
    };
    const auto answerWith = [&](std::function<void(QMessageBox&)> how) {
        answer = std::move(how);
        looks = 0;
        QTimer::singleShot(0, form.get(), lookForTheBox);
    };
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();

    answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    form->OfferUpdate();
    EXPECT_TRUE(opened.empty());
    EXPECT_LE((boxGeometry.center() - screen.center()).manhattanLength(), 4)
        << boxGeometry.x() << "," << boxGeometry.y() << " " << boxGeometry.width() << "x" << boxGeometry.height();

    answerWith([](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Cancel), Qt::LeftButton); });
    form->OfferUpdate();
    EXPECT_TRUE(opened.empty());

    answerWith([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
    form->OfferUpdate();
    EXPECT_EQ(opened, std::vector<std::string>{ProductPageAddress()});
}

TEST_F(FirstActivation, ClosingThePanelSavesTheSettingsAndEndsTheProgram) {
    test::WriteFileBytes(folder.file("config.ini"), "[OPTIONS]\nfs=0\npass=secret\n");
    QSignalSpy closed(form.get(), &TForm1::closed);
    form->show();
    form->FormActivate();
    form->move(33, 44);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(closed.count(), 1);
    const std::string saved = test::ReadFileBytes(folder.file("config.ini"));
    EXPECT_NE(saved.find("cx=33"), std::string::npos);
    EXPECT_NE(saved.find("cy=44"), std::string::npos);
    EXPECT_NE(saved.find("fs=0"), std::string::npos);
    EXPECT_NE(saved.find("pass=secret"), std::string::npos);
}

// A log-off or a signal can close the panel before its first activation has loaded anything: the empty controls
// must not be written over the password and the addresses, nor a first config.ini be made from them.
TEST_F(FirstActivation, AClosingBeforeTheSettingsWereLoadedLeavesTheFileAsItWas) {
    const std::string before = "[OPTIONS]\nfs=0\nsitehttp=http://example.com\npass=secret\n";
    test::WriteFileBytes(folder.file("config.ini"), before);
    QSignalSpy closed(form.get(), &TForm1::closed);
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(test::ReadFileBytes(folder.file("config.ini")), before);
    EXPECT_TRUE(dialogs.empty());
    EXPECT_FALSE(options->settingsLoaded());

    std::filesystem::remove(folder.file("config.ini"));
    TForm1 other(std::make_unique<test::FakeBrowser>());
    Tfoptions otherOptions(&other);
    otherOptions.setConfigPath(folder.file("config.ini"));
    other.setOptionsWindow(&otherOptions);
    other.close();
    EXPECT_FALSE(std::filesystem::exists(folder.file("config.ini")));
}

// The session manager's entry points: a commit request may be followed by a cancelled log-off.
TEST_F(FirstActivation, ALogOffRequestSavesAndKeepsThePanelOnlyTheSessionsEndClosesIt) {
    QSignalSpy closed(form.get(), &TForm1::closed);
    form->show();
    form->FormActivate();
    form->move(55, 66);
    form->saveForSessionCommit();
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(form->isVisible());
    EXPECT_NE(test::ReadFileBytes(folder.file("config.ini")).find("cx=55"), std::string::npos);

    // The log-off was cancelled: the widget goes on and saves its later place at the real end.
    form->move(77, 88);
    form->closeForSessionEnd();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_NE(test::ReadFileBytes(folder.file("config.ini")).find("cx=77"), std::string::npos);
    form->closeForSessionEnd();  // the end of the program after a normal close
    EXPECT_EQ(closed.count(), 1);
}

}  // namespace
}  // namespace plimo
