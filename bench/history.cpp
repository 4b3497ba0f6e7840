// history.csv after 90 days at the shortest refresh period (30 s; one sample per 5 minutes is kept): reading it
// whole, as the first fresh refresh and the history window do, appending one sample, and the daily rewrite that
// drops the oldest day.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "platform/atomic_file.h"
#include "stats/history.h"

namespace {

constexpr std::int64_t kStart = 1796677200;  // 2026-12-08T00:00:00+03:00
constexpr std::int32_t kMoscow = 3 * 3600;
constexpr std::int64_t kPeriod = 30;

class Folder {
public:
    Folder()
        : m_path(std::filesystem::temp_directory_path() / ("plimo-bench-" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(m_path);
    }
    ~Folder() { std::filesystem::remove_all(m_path); }
    std::filesystem::path file() const { return m_path / "history.csv"; }

private:
    std::filesystem::path m_path;
};

// A refresh every 30 s for the days: each slot keeps its last one. Views climb through the day to about 60,000.
plimo::HistorySample SampleAt(std::int64_t time) {
    const std::int64_t second = (time + kMoscow) % 86400;
    const std::int64_t views = second * 7 / 10;
    return {time, kMoscow, views, views / 9, views / 20 - 800, views / 200 - 90};
}

std::vector<plimo::HistorySample> Days(std::int64_t days) {
    std::vector<plimo::HistorySample> samples;
    for (std::int64_t slot = kStart; slot < kStart + days * 86400; slot += plimo::kHistorySlotSeconds) {
        samples.push_back(SampleAt(slot + plimo::kHistorySlotSeconds - kPeriod));
    }
    return samples;
}

void BM_ReadNinetyDays(benchmark::State& state) {
    const Folder folder;
    const std::string text = plimo::FormatHistory(Days(90));
    plimo::ReplaceFileContents(folder.file(), text, plimo::NewFileReaders::OwnerOnly);
    std::size_t samples = 0;
    for (auto _ : state) {
        plimo::HistoryFile history(folder.file());
        samples = history.samples().size();
        benchmark::DoNotOptimize(samples);
    }
    state.counters["file_bytes"] = static_cast<double>(text.size());
    state.counters["samples"] = static_cast<double>(samples);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadNinetyDays)->Unit(benchmark::kMillisecond);

// One fresh refresh after another at the 30 s period: nine in ten write their slot's line over, one appends.
void BM_AddOneSample(benchmark::State& state) {
    const Folder folder;
    plimo::ReplaceFileContents(folder.file(), plimo::FormatHistory(Days(90)), plimo::NewFileReaders::OwnerOnly);
    plimo::HistoryFile history(folder.file());
    history.samples();
    std::int64_t time = kStart + 90 * 86400;
    for (auto _ : state) {
        if (!history.add(SampleAt(time))) {
            state.SkipWithError("the sample was not written");
            break;
        }
        time += kPeriod;
    }
}
BENCHMARK(BM_AddOneSample)->Unit(benchmark::kMicrosecond);

// Once a day the days past ninety go: the whole file is written again, flushed and put in place.
void BM_DailyRewrite(benchmark::State& state) {
    const Folder folder;
    const std::string text = plimo::FormatHistory(Days(92));
    for (auto _ : state) {
        state.PauseTiming();
        plimo::ReplaceFileContents(folder.file(), text, plimo::NewFileReaders::OwnerOnly);
        plimo::HistoryFile history(folder.file());
        history.samples();
        state.ResumeTiming();
        if (!history.add(SampleAt(kStart + 92 * 86400 + 120))) {
            state.SkipWithError("the rewrite failed");
            break;
        }
    }
}
BENCHMARK(BM_DailyRewrite)->Unit(benchmark::kMillisecond);

}  // namespace
