// The test server is what every network test stands on; these check what a Qt client never exercises.
#include "http_test_server.h"
#include "qt_printers.h"
#include "statistics_page.h"
#include "stats/navigation_outcome.h"
#include "time_scale.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

namespace plimo::test {
namespace {

using namespace std::chrono_literals;

// Sends raw bytes and collects everything the server sends back until it closes or the time is up.
QByteArray exchange(HttpTestServer& server, const QList<QByteArray>& pieces, std::chrono::milliseconds limit = 2s) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    if (!socket.waitForConnected(test::ScaledMs(2000)))
        return "not connected";
    for (const QByteArray& piece : pieces) {
        socket.write(piece);
        QTest::qWait(20);  // separate segments: the server must join them
    }
    QByteArray received;
    const QDeadlineTimer deadline(test::Scaled(limit));
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        QTest::qWait(10);
        received += socket.readAll();
    }
    return received + socket.readAll();
}

TEST(HttpTestServer, ReadsChunkedAndPipelinedRequestsInOrder) {
    HttpTestServer server([](const HttpRequest& request) {
        HttpResponse response = HttpResponse::html("[" + request.path() + ":" + request.body + "]", "text/plain");
        response.closeConnection = request.path() == "/last";
        return response;
    });
    const QByteArray reply =
        exchange(server, {
                             "POST /a HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nab",
                             "c\r\n2;ext=1\r\nde\r\n0\r\n\r\nPOST /b HTTP/1.1\r\nContent-Length: 4\r\n\r\nw",
                             "xyzGET /last HTTP/1.1\r\n\r\n",
                         });
    ASSERT_EQ(server.requests().size(), 3);
    EXPECT_EQ(server.requests()[0].body, "abcde");
    EXPECT_EQ(server.requests()[1].body, "wxyz");
    EXPECT_EQ(server.requests()[2].method, "GET");
    EXPECT_EQ(server.requests()[2].connection, 1);
    const qsizetype a = reply.indexOf("[/a:abcde]");
    const qsizetype b = reply.indexOf("[/b:wxyz]");
    const qsizetype last = reply.indexOf("[/last:]");
    EXPECT_TRUE(a >= 0 && a < b && b < last) << reply.toStdString();
    EXPECT_TRUE(reply.contains("Content-Length: 10\r\n"));
    EXPECT_TRUE(reply.contains("Connection: close\r\n"));
}

TEST(HttpTestServer, CutsTrickledAnswersWhereAsked) {
    HttpTestServer server([](const HttpRequest&) {
        HttpResponse response = HttpResponse::html("0123456789", "text/plain");
        response.bodyRepeat = 3;
        response.trickleBytes = 4;
        response.trickleInterval = 10ms;
        response.cutAfter = 13;
        return response;
    });
    const QByteArray reply = exchange(server, {"GET / HTTP/1.1\r\n\r\n"});
    EXPECT_TRUE(reply.contains("Content-Length: 30\r\n"));
    EXPECT_TRUE(reply.endsWith("\r\n\r\n0123456789012")) << reply.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.openConnections() == 0; }, test::ScaledMs(2000)));
}

TEST(HttpTestServer, StopsAtTheEndOfItsLifetime) {
    HttpTestServer::Options options;
    options.lifetime = 100ms;
    HttpTestServer server([](const HttpRequest&) { return HttpResponse::silence(); }, options);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(socket.waitForConnected(test::ScaledMs(2000)));
    socket.write("GET / HTTP/1.1\r\n\r\n");
    QSignalSpy closed(&server, &HttpTestServer::connectionClosed);
    ASSERT_TRUE(closed.wait(test::ScaledMs(2000)));
    EXPECT_FALSE(server.isListening());
}

// A service that goes away: its last answer still arrives whole, then every connection closes and the next one is
// refused.
TEST(HttpTestServer, StopsForGoodOnceItsLastAnswerHasGoneOut) {
    HttpTestServer server([](const HttpRequest& request) {
        HttpResponse response = HttpResponse::html("ok", "text/plain");
        if (request.path() == "/last") {
            response.body = QByteArray(64 * 1024, 'z');
            response.bodyRepeat = 16;
            response.stopServer = true;
        }
        return response;
    });
    QTcpSocket idle;
    idle.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(idle.waitForConnected(test::ScaledMs(2000)));
    idle.write("GET /first HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle.bytesAvailable() > 0; }, test::ScaledMs(2000)));

    const QByteArray last = exchange(server, {"GET /last HTTP/1.1\r\n\r\n"});
    EXPECT_TRUE(last.contains("Connection: close\r\n"));
    const QByteArray wholeBody = "\r\n\r\n" + QByteArray(1024 * 1024, 'z');
    EXPECT_TRUE(last.endsWith(wholeBody)) << last.size();
    EXPECT_FALSE(server.isListening());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return idle.state() == QAbstractSocket::UnconnectedState; }, test::ScaledMs(2000)));

    QTcpSocket refused;
    refused.connectToHost(QHostAddress::LocalHost, server.port());
    EXPECT_FALSE(refused.waitForConnected(test::ScaledMs(2000)));
    EXPECT_EQ(refused.error(), QAbstractSocket::ConnectionRefusedError);
}

// The pages the stand-alone server answers with must read as the program's rule reads them.
TEST(StatisticsPages, ReadAsTheServiceMeansThem) {
    EXPECT_EQ(DecideOutcome(false, 200, StatisticsPage({"1", "2", "+3", "-4"})), NavigationOutcome::Fresh);
    EXPECT_EQ(DecideOutcome(false, 200, SignInPage()), NavigationOutcome::SignInRejected);
}

}  // namespace
}  // namespace plimo::test
