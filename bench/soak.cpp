// A long run of the refresh cycle through the panel's own code against a local server that alternates good pages,
// error answers, cut bodies, silence and outages. Prints resident memory, heap in use and open descriptors as it goes,
// and fails when the heap or the descriptors grew after the warm-up. Usage: plimo_soak [cycles]
#include "http_test_server.h"
#include "live_panel.h"
#include "statistics_page.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define PLIMO_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLIMO_SOAK_ASAN 1
#endif
#endif
#ifdef PLIMO_SOAK_ASAN
// From the sanitizer runtime; GCC installs no header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace std::chrono;
using plimo::bench::OpenDescriptors;
using plimo::bench::ResidentKiB;
using plimo::test::HttpRequest;
using plimo::test::HttpResponse;
using plimo::test::HttpTestServer;

namespace {

enum class Kind { Good, ServerError, NotFound, CutBody, Silent, Outage };
constexpr const char* kKindNames[] = {"good page", "500", "404", "cut body", "silence", "outage"};

// Fourteen good pages in twenty cycles; the rest are faults of every kind, silence only now and then since each
// one costs the stall time.
Kind KindOf(int cycle) {
    switch (cycle % 20) {
        case 14:
            return Kind::ServerError;
        case 15:
            return Kind::CutBody;
        case 16:
            return Kind::Outage;
        case 18:
            return Kind::NotFound;
        case 19:
            return cycle % 200 == 19 ? Kind::Silent : Kind::Good;
        default:
            return Kind::Good;
    }
}

HttpResponse Answer(Kind kind, int cycle) {
    switch (kind) {
        case Kind::ServerError: {
            HttpResponse response = HttpResponse::html("<html><body><h1>500 Internal Server Error</h1></body></html>");
            response.status = 500;
            return response;
        }
        case Kind::NotFound: {
            HttpResponse response = HttpResponse::html("<html><body>Not found</body></html>");
            response.status = 404;
            return response;
        }
        case Kind::CutBody: {
            HttpResponse response =
                HttpResponse::html(QByteArray::fromStdString(plimo::test::StatisticsPage({"1", "1", "1", "1"}, 20000)));
            response.cutAfter = 10000;
            return response;
        }
        case Kind::Silent:
            return HttpResponse::silence();
        case Kind::Good:
        case Kind::Outage:
            break;
    }
    const std::string views = std::to_string(cycle);
    return HttpResponse::html(
        QByteArray::fromStdString(plimo::test::StatisticsPage({views, "77", "+5", "-" + std::to_string(cycle % 7)})));
}

// Bytes handed out by the allocator and not yet freed. A leak shows here byte for byte, where resident memory moves
// by whole pages, keeps what the allocator holds for reuse and, under AddressSanitizer, every freed block it holds
// back in quarantine.
std::size_t HeapInUse() {
#ifdef PLIMO_SOAK_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// The first cycles fill Qt's caches, the connection pool and the allocator's own lists: five rounds of the fault
// pattern, every kind of answer and an outage in each, before the baseline is taken.
constexpr int kWarmUpCycles = 100;
// Fewer cycles after the warm-up say too little about a trend.
constexpr int kMinMeasuredCycles = 100;
// Heap growth allowed per measured cycle. A healthy run of 300 cycles grows by 50 to 130 bytes a cycle after the
// warm-up (Qt's caches still filling; flat after some thousands of cycles). What a cycle makes and could lose, a
// reply, its page or a buffer, is half a kilobyte and more; a bare QObject lost per cycle hides in that noise.
constexpr std::size_t kHeapBytesPerCycle = 512;
// Descriptors open at a sample differ by a connection or two at most; one lost per cycle, or per outage, is more.
constexpr long kDescriptorSlack = 4;

struct Sample {
    int cycle;
    std::size_t heap;
    std::size_t descriptors;
};

// Compares the samples taken every twenty cycles (the same point of the fault pattern) after the warm-up. The end
// value is the lowest of the last three samples: a reply still waiting for its deferred deletion lifts a single
// sample, where a leak lifts them all. Returns the failure to report, or an empty text.
std::string GrowthFailure(const std::vector<Sample>& samples) {
    if (samples.size() < 4 || samples.back().cycle - samples.front().cycle < kMinMeasuredCycles) {
        return {};
    }
    const Sample& base = samples.front();
    std::size_t heap = samples.back().heap;
    std::size_t descriptors = samples.back().descriptors;
    for (std::size_t i = samples.size() - 3; i < samples.size(); ++i) {
        heap = std::min(heap, samples[i].heap);
        descriptors = std::min(descriptors, samples[i].descriptors);
    }
    const int measured = samples.back().cycle - base.cycle;
    const long heapGrowth = long(heap) - long(base.heap);
    const long descriptorGrowth = long(descriptors) - long(base.descriptors);
    std::string failure;
    if (heapGrowth > long(kHeapBytesPerCycle) * measured) {
        failure += "heap in use grew by " + std::to_string(heapGrowth) + " bytes in " + std::to_string(measured) +
                   " cycles after the warm-up (" + std::to_string(heapGrowth / measured) +
                   " a cycle; allowed: " + std::to_string(kHeapBytesPerCycle) + ")\n";
    }
    if (descriptorGrowth > kDescriptorSlack) {
        failure += "open descriptors grew from " + std::to_string(base.descriptors) + " to " +
                   std::to_string(descriptors) + " in " + std::to_string(measured) +
                   " cycles after the warm-up (allowed: " + std::to_string(kDescriptorSlack) + " more)\n";
    }
    return failure;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("no_proxy", "127.0.0.1");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 10000;
    // Ten lines whatever the length, so that a short run shows its trend too.
    const int printEvery = std::max(cycles / 10, 1);

    int cycle = 0;
    const auto handler = [&](const HttpRequest&) { return Answer(KindOf(cycle), cycle); };
    HttpTestServer::Options options;
    options.lifetime = hours(24);
    auto server = std::make_unique<HttpTestServer>(handler, options);
    options.port = server->port();

    plimo::NetworkBrowser::Limits limits;
    limits.stallTimeout = milliseconds(300);
    plimo::bench::LivePanel panel(limits);
    panel.pointAt(server->url(u"/stat/example.com/index.html"));

    if (!panel.start()) {
        std::fprintf(stderr, "the first sign-in got no answer\n");
        return 1;
    }
    const long rssStart = ResidentKiB();
    const std::size_t fdsStart = OpenDescriptors();
    std::printf("%8s %12s %12s %8s %10s\n", "cycles", "VmRSS (KiB)", "heap (KiB)", "open fds", "seconds");
    std::printf("%8d %12ld %12zu %8zu %10.1f\n", 0, rssStart, HeapInUse() / 1024, fdsStart, 0.0);
    const auto start = steady_clock::now();
    int good = 0;
    int goodShown = 0;
    int missingReports = 0;
    double kindSeconds[6] = {};
    int kindCount[6] = {};
    std::vector<Sample> samples;
    for (cycle = 1; cycle <= cycles; ++cycle) {
        const Kind kind = KindOf(cycle);
        const auto cycleStart = steady_clock::now();
        if (kind == Kind::Outage) {
            server.reset();
        }
        if (!panel.refresh()) {
            ++missingReports;
        }
        if (kind == Kind::Outage) {
            server = std::make_unique<HttpTestServer>(handler, options);
            if (!server->isListening()) {
                std::fprintf(stderr, "cannot listen on port %u again\n", unsigned(options.port));
                return 1;
            }
        }
        kindSeconds[int(kind)] += duration<double>(steady_clock::now() - cycleStart).count();
        ++kindCount[int(kind)];
        if (kind == Kind::Good) {
            ++good;
            goodShown += panel.form->Label1->text() == QString::number(cycle) ? 1 : 0;
        }
        if (cycle >= kWarmUpCycles && cycle % 20 == 0) {
            samples.push_back({cycle, HeapInUse(), OpenDescriptors()});
        }
        if (cycle == 1 || cycle % printEvery == 0) {
            std::printf("%8d %12ld %12zu %8zu %10.1f\n", cycle, ResidentKiB(), HeapInUse() / 1024, OpenDescriptors(),
                        duration<double>(steady_clock::now() - start).count());
            std::fflush(stdout);
        }
    }
    for (int kind = 0; kind < 6; ++kind) {
        std::printf("%-10s %6d cycles, %8.2f ms each on average\n", kKindNames[kind], kindCount[kind],
                    kindCount[kind] > 0 ? kindSeconds[kind] * 1000.0 / kindCount[kind] : 0.0);
    }
    std::printf("good pages shown: %d of %d; reports missing: %d; error boxes: %d; timer enabled at the end: %s\n",
                goodShown, good, missingReports, panel.errorBoxes, panel.form->Timer1->enabled() ? "yes" : "no");
    const std::string growth = GrowthFailure(samples);
    if (growth.empty() && cycles - kWarmUpCycles < kMinMeasuredCycles) {
        std::printf("growth not judged: fewer than %d cycles after the warm-up of %d\n", kMinMeasuredCycles,
                    kWarmUpCycles);
    }
    std::fputs(growth.c_str(), stderr);
    return missingReports == 0 && goodShown == good && panel.errorBoxes == 0 && growth.empty() ? 0 : 1;
}
