// Figures of the refresh cycle against a statistics server on loopback (a separate process, so that its work is
// not counted): time from a tick to the labels set, CPU time per refresh, resident memory and open descriptors
// after 10 and after 1,000 refreshes. Usage: bench_refresh_cycle [refreshes]
#include "live_panel.h"
#include "statistics_page.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace std::chrono;
using plimo::bench::CpuTime;
using plimo::bench::OpenDescriptors;
using plimo::bench::ResidentKiB;

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("no_proxy", "127.0.0.1");
    QApplication app(argc, argv);
    const int refreshes = argc > 1 ? std::atoi(argv[1]) : 1000;

    QTemporaryFile pageFile;
    const std::string page = plimo::test::StatisticsPage({"12,345", "678", "+15", "-3"}, 100 * 1024);
    if (!pageFile.open() || pageFile.write(page.data(), static_cast<qint64>(page.size())) != qint64(page.size())) {
        std::fprintf(stderr, "cannot write the page\n");
        return 1;
    }
    pageFile.flush();
    // The server logs each request on its output: into a file, so that this process holds none of it.
    QTemporaryFile log;
    if (!log.open()) {
        std::fprintf(stderr, "cannot make the server's log\n");
        return 1;
    }
    QProcess server;
    server.setStandardOutputFile(log.fileName());
    server.start(QStringLiteral(PLIMO_TEST_SERVER),
                 {QStringLiteral("--page"), pageFile.fileName(), QStringLiteral("--lifetime"), QStringLiteral("3600")});
    QByteArray firstLine;
    for (int wait = 0; wait < 100 && !firstLine.endsWith('\n'); ++wait) {
        QThread::msleep(100);
        log.seek(0);
        firstLine = log.readLine();
    }
    if (!firstLine.endsWith('\n')) {
        std::fprintf(stderr, "the test server did not start\n");
        return 1;
    }
    const QString address = QString::fromUtf8(firstLine.trimmed()) + u"stat/example.com/index.html";

    plimo::bench::LivePanel panel;
    panel.pointAt(address);
    auto refresh = [&] {
        if (!panel.refresh() || panel.form->Label1->text() != QStringLiteral("12,345")) {
            std::fprintf(stderr, "a refresh failed\n");
            std::exit(1);
        }
    };
    if (!panel.start()) {
        std::fprintf(stderr, "the first sign-in got no answer\n");
        return 1;
    }
    for (int i = 1; i < 10; ++i) {
        refresh();
    }
    const long rss10 = ResidentKiB();
    const std::size_t fds10 = OpenDescriptors();

    std::vector<double> latencies;
    const auto cpuBefore = CpuTime();
    const auto wallBefore = steady_clock::now();
    for (int i = 10; i < refreshes; ++i) {
        const auto start = steady_clock::now();
        refresh();
        latencies.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
    }
    const auto cpu = CpuTime() - cpuBefore;
    const auto wall = steady_clock::now() - wallBefore;
    const long rssN = ResidentKiB();
    const std::size_t fdsN = OpenDescriptors();

    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return latencies[static_cast<std::size_t>(q * double(latencies.size() - 1))]; };
    const double n = double(latencies.size());
    std::printf("page: %zu bytes; %d refreshes\n", page.size(), refreshes);
    std::printf("tick to labels set: min %.2f ms, median %.2f ms, p95 %.2f ms, max %.2f ms\n", latencies.front(),
                at(0.5), at(0.95), latencies.back());
    std::printf("CPU per refresh (this process, all threads): %.3f ms (wall %.3f ms)\n",
                double(duration_cast<microseconds>(cpu).count()) / 1000.0 / n,
                duration<double, std::milli>(wall).count() / n);
    std::printf("resident memory: %.1f MiB after 10, %.1f MiB after %d (%+ld KiB)\n", rss10 / 1024.0, rssN / 1024.0,
                refreshes, rssN - rss10);
    std::printf("open descriptors: %zu after 10, %zu after %d\n", fds10, fdsN, refreshes);
    std::printf("error boxes: %d\n", panel.errorBoxes);
    server.kill();
    server.waitForFinished();
    return 0;
}
