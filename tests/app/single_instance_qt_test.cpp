#include "app/single_instance.h"
#include "fake_browser.h"
#include "temp_dir.h"
#include "time_scale.h"
#include "ui/tform1.h"

#include <QSignalSpy>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <memory>

namespace plimo {
namespace {

QString Folder(const test::TempDir& dir) {
    return QString::fromStdString(dir.path().string());
}

TEST(SingleInstance, ASecondStartFromTheSameFolderAsksTheFirstToShowItselfAndEnds) {
    test::TempDir folder;
    SingleInstance first(Folder(folder));
    ASSERT_TRUE(first.claim());
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    SingleInstance second(Folder(folder));
    EXPECT_FALSE(second.claim());
    ASSERT_TRUE(shown.wait(test::ScaledMs(5000)));
    EXPECT_EQ(shown.count(), 1);

    // Every later start is turned away while the first runs.
    SingleInstance third(Folder(folder));
    EXPECT_FALSE(third.claim());
    ASSERT_TRUE(shown.wait(test::ScaledMs(5000)));
    EXPECT_EQ(shown.count(), 2);
}

TEST(SingleInstance, CopiesInTwoFoldersAreIndependent) {
    test::TempDir one;
    test::TempDir two;
    SingleInstance first(Folder(one));
    SingleInstance second(Folder(two));
    EXPECT_NE(first.serverName(), second.serverName());
    EXPECT_TRUE(first.claim());
    EXPECT_TRUE(second.claim());
}

TEST(SingleInstance, ALockLeftByACopyThatIsGoneDoesNotStopAStart) {
    test::TempDir folder;
    {
        SingleInstance ended(Folder(folder));
        ASSERT_TRUE(ended.claim());
    }
    SingleInstance next(Folder(folder));
    EXPECT_TRUE(next.claim());
}

TEST(SingleInstance, ALockOfACrashedCopyIsStale) {
    test::TempDir folder;
    // The lock file as a copy writes it (process id, program, host), by a process long gone.
    test::WriteFileBytes(folder.file("plimo.lock"),
                         "2147483646\nplimo\n" + QSysInfo::machineHostName().toStdString() + "\n");
    SingleInstance next(Folder(folder));
    EXPECT_TRUE(next.claim());
}

TEST(SingleInstance, AFolderWhereNoLockCanBeWrittenStillRuns) {
    SingleInstance instance(QStringLiteral("/nonexistent/folder/of/plimo"));
    EXPECT_TRUE(instance.claim());
}

// The request's effect on the panel: out of the tray and in front.
TEST(SingleInstance, TheRequestRestoresThePanelFromTheTray) {
    TForm1 form(std::make_unique<test::FakeBrowser>(), [] { return true; });
    form.show();
    form.Image4Click();
    ASSERT_FALSE(form.isVisible());
    form.showForAnotherStart();
    EXPECT_TRUE(form.isVisible());
}

}  // namespace
}  // namespace plimo
