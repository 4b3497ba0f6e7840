#include "app/single_instance.h"
#include "fake_browser.h"
#include "temp_dir.h"
#include "time_scale.h"
#include "ui/tform1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>

namespace plimo {
namespace {

// Through UTF-16, in which Windows names files: a path's narrow string is UTF-8 with some C++ libraries only (others
// use the ANSI code page, which loses letters outside it).
QString Folder(const test::TempDir& dir) {
    return QString::fromStdU16String(dir.path().u16string());
}

// A later start as another process makes it: beside the first copy, whose event loop goes on meanwhile. On Windows
// Qt's local sockets are pipes without a buffer: a write ends only once the reader has read it, which a start in the
// first copy's own thread never lets happen.
std::future<bool> StartAnotherCopy(const QString& folder) {
    return std::async(std::launch::async, [folder] {
        SingleInstance copy(folder);
        return copy.claim();
    });
}

TEST(SingleInstance, ASecondStartFromTheSameFolderAsksTheFirstToShowItselfAndEnds) {
    test::TempDir folder;
    SingleInstance first(Folder(folder));
    ASSERT_TRUE(first.claim());
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    std::future<bool> second = StartAnotherCopy(Folder(folder));
    ASSERT_TRUE(shown.wait(test::ScaledMs(5000)));
    EXPECT_FALSE(second.get());
    EXPECT_EQ(shown.count(), 1);

    // Every later start is turned away while the first runs.
    std::future<bool> third = StartAnotherCopy(Folder(folder));
    ASSERT_TRUE(shown.wait(test::ScaledMs(5000)));
    EXPECT_FALSE(third.get());
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

// A lock never ends a start without a word: one of a crashed copy, one written on another computer (a synced or
// shared folder), and one whose holder does not answer (another user's copy, a hung one) are all stale.
TEST(SingleInstance, AStaleLockNeverStopsAStart) {
    // The lock file as a copy writes it on this system (Windows names the host after COMPUTERNAME, not as
    // QSysInfo does): process id, then the rest.
    std::string ownLock;
    {
        test::TempDir probeFolder;
        QLockFile probe(QDir(Folder(probeFolder)).filePath(QStringLiteral("probe.lock")));
        ASSERT_TRUE(probe.tryLock(0));
        ownLock = test::ReadFileBytes(probeFolder.file("probe.lock"));
    }
    const std::size_t pidEnd = ownLock.find('\n');
    ASSERT_NE(pidEnd, std::string::npos);
    const std::size_t hostStart = ownLock.find('\n', pidEnd + 1) + 1;
    const std::size_t hostEnd = ownLock.find('\n', hostStart);
    const std::string foreignHost = ownLock.substr(0, hostStart) + "another-computer" + ownLock.substr(hostEnd);

    for (const auto& [what, lock] : {std::pair{"a copy long gone", "2147483646" + ownLock.substr(pidEnd)},
                                     std::pair{"a live process id on another computer", foreignHost}}) {
        test::TempDir folder;
        test::WriteFileBytes(folder.file("plimo.lock"), lock);
        SingleInstance next(Folder(folder));
        QElapsedTimer started;
        started.start();
        EXPECT_TRUE(next.claim()) << what;
        // Taken at once, without waiting for an answer nobody can give.
        EXPECT_LT(started.elapsed(), 2000) << what;
        EXPECT_NE(test::ReadFileBytes(folder.file("plimo.lock")), lock) << what << ": the lock is this copy's now";
    }

    test::TempDir folder;
    QLockFile holder(QDir(Folder(folder)).filePath(QStringLiteral("plimo.lock")));
    ASSERT_TRUE(holder.tryLock(0));
    SingleInstance next(Folder(folder));
    EXPECT_TRUE(next.claim()) << "a holder that does not answer";
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
