#include "update/update_check.h"

#include "http_test_server.h"
#include "scoped_env.h"
#include "temp_dir.h"
#include "time_scale.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMetaObject>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <utility>

namespace plimo {
namespace {

using namespace std::chrono_literals;
using namespace test;

// The download blocks the UI thread, so the server answers from a thread of its own.
class ServerThread {
public:
    explicit ServerThread(HttpTestServer::Handler handler) {
        m_thread.start();
        m_context.moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            &m_context,
            [&] {
                m_server = new HttpTestServer([this, handler](const HttpRequest& request) {
                    const std::lock_guard lock(m_mutex);
                    m_requests.append(request);
                    return handler(request);
                });
            },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread() {
        QMetaObject::invokeMethod(
            &m_context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    std::string url(QStringView path = u"/soft/plimover.txt") const { return m_server->url(path).toStdString(); }
    QList<HttpRequest> requests() const {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    QThread m_thread;
    QObject m_context;
    HttpTestServer* m_server = nullptr;
    mutable std::mutex m_mutex;
    QList<HttpRequest> m_requests;
};

HttpResponse versionFile(const QByteArray& lines) {
    return HttpResponse::html("[VER_INFO]\r\n" + lines, "text/plain");
}

class UpdateCheck : public ::testing::Test {
protected:
    std::filesystem::path localCopy() const { return folder.file("plimover.txt"); }
    TempDir folder;
};

// The fetched file is kept, its key is read as any settings key is, and its version goes through the version
// rule: 1.05 is 10, no newer than this 1.0.
TEST_F(UpdateCheck, TheFetchedVersionIsReadByTheVersionRule) {
    QByteArray lines;
    ServerThread server([&](const HttpRequest&) { return versionFile(lines); });
    for (const auto& [text, newer] :
         {std::pair{"  CURRENT_VERSION = 1.1  \r\n", true}, std::pair{"current_version=1.05\r\n", false}}) {
        SCOPED_TRACE(text);
        lines = text;
        EXPECT_EQ(CheckNewVersion(server.url(), localCopy()), newer);
        EXPECT_EQ(ReadFileBytes(localCopy()), "[VER_INFO]\r\n" + lines.toStdString());
    }
    // Nothing secret in it: a new copy is readable by everyone, as any file the program's folder holds.
    const auto permissions = std::filesystem::status(localCopy()).permissions();
    EXPECT_NE(permissions & std::filesystem::perms::others_read, std::filesystem::perms::none);
}

TEST_F(UpdateCheck, AsksForTheFileByNameWithTheProgramsName) {
    ServerThread server([](const HttpRequest&) { return versionFile("current_version=1.1\r\n"); });
    ASSERT_TRUE(CheckNewVersion(server.url(), localCopy()));
    ASSERT_EQ(server.requests().size(), 1);
    const HttpRequest request = server.requests().first();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/soft/plimover.txt");
    // The program file's own name: "update_qt_tests.exe" on Windows.
    EXPECT_EQ(request.header("User-Agent"), QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8());
}

TEST_F(UpdateCheck, TheBodyIsSavedWhateverTheStatus) {
    int status = 200;
    QByteArray body;
    ServerThread server([&](const HttpRequest&) {
        HttpResponse response = HttpResponse::html(body);
        response.status = status;
        return response;
    });
    for (const int s : {404, 400, 403, 500, 503}) {
        SCOPED_TRACE(s);
        status = s;
        body = "<html><body><h1>Error " + QByteArray::number(s) + "</h1></body></html>";
        EXPECT_TRUE(DownloadFile(server.url(), localCopy()));
        EXPECT_EQ(ReadFileBytes(localCopy()), body.toStdString());
        EXPECT_FALSE(CheckNewVersion(server.url(), localCopy()));
    }
    // The status is not looked at: a version file behind an error status counts all the same.
    status = 503;
    body = "[VER_INFO]\r\ncurrent_version=2.0\r\n";
    EXPECT_TRUE(CheckNewVersion(server.url(), localCopy()));

    status = 200;
    body.clear();
    EXPECT_TRUE(DownloadFile(server.url(), localCopy()));
    EXPECT_TRUE(std::filesystem::exists(localCopy()));
    EXPECT_EQ(ReadFileBytes(localCopy()), "");
    EXPECT_FALSE(CheckNewVersion(server.url(), localCopy()));
}

TEST_F(UpdateCheck, FollowsRedirectionsAndDecodesCompressedAnswers) {
    ServerThread server([](const HttpRequest& request) {
        if (request.path() == "/soft/plimover.txt") {
            return HttpResponse::redirect(302, "/moved/plimover.txt");
        }
        HttpResponse response = versionFile("current_version=1.1\r\n");
        response.gzip = true;
        return response;
    });
    EXPECT_TRUE(CheckNewVersion(server.url(), localCopy()));
    EXPECT_EQ(ReadFileBytes(localCopy()), "[VER_INFO]\r\ncurrent_version=1.1\r\n");
}

TEST_F(UpdateCheck, NoServerAnswersFalseAndTheOldCopyIsGone) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    WriteFileBytes(localCopy(), "[VER_INFO]\r\ncurrent_version=9.9\r\n");
    const std::string address = "http://127.0.0.1:" + std::to_string(closedPort) + "/soft/plimover.txt";
    EXPECT_FALSE(CheckNewVersion(address, localCopy()));
    EXPECT_FALSE(std::filesystem::exists(localCopy()));
}

TEST_F(UpdateCheck, ABrokenTransferOrAnUnwritableCopyIsNoDownload) {
    ServerThread server([](const HttpRequest& request) {
        if (request.path() == "/cut") {
            HttpResponse response = versionFile("current_version=2.0\r\n" + QByteArray(4000, ';') + "\r\n");
            response.cutAfter = 2000;
            return response;
        }
        return versionFile("current_version=2.0\r\n");
    });
    // Half a version file is none: nothing of it is written, and a file already there stays as it was.
    WriteFileBytes(localCopy(), "earlier");
    EXPECT_FALSE(DownloadFile(server.url(u"/cut"), localCopy()));
    EXPECT_EQ(ReadFileBytes(localCopy()), "earlier");
    EXPECT_FALSE(CheckNewVersion(server.url(u"/cut"), localCopy()));
    EXPECT_FALSE(std::filesystem::exists(localCopy()));

    EXPECT_FALSE(CheckNewVersion(server.url(), folder.file("missing folder") / "plimover.txt"));
    EXPECT_FALSE(CheckNewVersion("not an address", localCopy()));
    EXPECT_FALSE(CheckNewVersion("ftp://127.0.0.1:1/plimover.txt", localCopy()));
}

// A version line needs a few bytes: an answer beyond 64 KiB is no version file, and nothing of it is written
// beside the program, however much the server sends, compressed or not.
TEST_F(UpdateCheck, AnAnswerLargerThan64KiBIsNoDownloadAndIsNotWrittenOut) {
    const QByteArray head = "[VER_INFO]\r\ncurrent_version=2.0\r\n";
    ServerThread server([&](const HttpRequest& request) {
        if (request.path() == "/exact") {
            return HttpResponse::html(head + QByteArray(kDownloadSizeLimit - head.size(), ';'), "text/plain");
        }
        if (request.path() == "/over") {
            return HttpResponse::html(head + QByteArray(kDownloadSizeLimit - head.size() + 1, ';'), "text/plain");
        }
        if (request.path() == "/bomb") {
            return HttpResponse::bomb(qint64(2) << 30, "text/plain");
        }
        // A gigabyte, sent for as long as anyone reads.
        HttpResponse endless = HttpResponse::html(head + QByteArray(1024 * 1024 - head.size(), ';'), "text/plain");
        endless.bodyRepeat = 1024;
        return endless;
    });
    EXPECT_TRUE(CheckNewVersion(server.url(u"/exact"), localCopy()));
    EXPECT_EQ(std::filesystem::file_size(localCopy()), static_cast<std::uintmax_t>(kDownloadSizeLimit));

    for (const char16_t* path : {u"/over", u"/endless", u"/bomb"}) {
        SCOPED_TRACE(QStringView(path).toString().toStdString());
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(CheckNewVersion(server.url(path), localCopy()));
        // Inflating the whole 2 GiB would take seconds; the limit's worth, a moment.
        EXPECT_LT(clock.elapsed(), test::ScaledMs(1500));
        EXPECT_FALSE(std::filesystem::exists(localCopy()));
    }
}

TEST_F(UpdateCheck, GoesThroughTheSystemProxy) {
    if (!test::kProxyFromEnvironment)
        GTEST_SKIP() << test::kNoProxyFromEnvironment;
    ServerThread proxy([](const HttpRequest& request) {
        if (request.target == "http://maker.example.invalid/soft/plimover.txt") {
            return versionFile("current_version=3.0\r\n");
        }
        return HttpResponse::html("wrong target " + request.target);
    });
    const test::ScopedEnv httpProxy("http_proxy", QByteArray::fromStdString(proxy.url(u"")));
    EXPECT_TRUE(CheckNewVersion("http://maker.example.invalid/soft/plimover.txt", localCopy()));
    EXPECT_EQ(proxy.requests().size(), 1);
}

// A proxy that asks for credentials answers for itself, not for the maker's server: its page is no version file,
// even when it reads like one.
TEST_F(UpdateCheck, AProxysRequestForCredentialsIsNoDownload) {
    if (!test::kProxyFromEnvironment)
        GTEST_SKIP() << test::kNoProxyFromEnvironment;
    ServerThread proxy([](const HttpRequest&) {
        HttpResponse response = versionFile("current_version=9.0\r\n");
        response.status = 407;
        response.header("Proxy-Authenticate", "Basic realm=\"proxy\"");
        return response;
    });
    const test::ScopedEnv httpProxy("http_proxy", QByteArray::fromStdString(proxy.url(u"")));
    EXPECT_FALSE(DownloadFile("http://maker.example.invalid/soft/plimover.txt", localCopy()));
    EXPECT_FALSE(CheckNewVersion("http://maker.example.invalid/soft/plimover.txt", localCopy()));
    EXPECT_FALSE(proxy.requests().isEmpty());
}

// The UI thread waits without dispatching anything, and no longer than the bound, however the server behaves.
TEST_F(UpdateCheck, ASlowServerCostsAtMostTheBoundAndTheUiThreadDispatchesNothing) {
    ServerThread server([](const HttpRequest& request) {
        if (request.path() == "/trickle") {
            // Always making progress, never done within the bound.
            HttpResponse response = versionFile("current_version=2.0\r\n" + QByteArray(1000, ';'));
            response.trickleBytes = 1;
            response.trickleInterval = 100ms;
            return response;
        }
        return HttpResponse::silence();
    });
    for (const char16_t* path : {u"/silent", u"/trickle"}) {
        SCOPED_TRACE(QStringView(path).toString().toStdString());
        int dispatched = 0;
        QTimer probe;
        probe.setSingleShot(true);
        QObject::connect(&probe, &QTimer::timeout, &probe, [&] { ++dispatched; });
        probe.start(0);
        QElapsedTimer clock;
        clock.start();
        const bool newer = CheckNewVersion(server.url(path), localCopy(), 1000ms);
        const qint64 elapsed = clock.elapsed();
        EXPECT_FALSE(newer);
        EXPECT_FALSE(std::filesystem::exists(localCopy()));
        // The whole check, from the call, within the bound: the worker stops just before it.
        EXPECT_GE(elapsed, 850);
        EXPECT_LE(elapsed, 1000 + test::ScaledMs(300));
        EXPECT_EQ(dispatched, 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(dispatched, 1);
    }
}

}  // namespace
}  // namespace plimo
