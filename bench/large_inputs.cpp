// The read pass and the settings file on inputs far larger than any real one: both stay linear, so the time
// grows with the size and no more. (The tests run small versions of the same inputs for their results.)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/profile.h"
#include "stats/page_parser.h"

namespace {

// Markup starting characters all through, and one marker at the very end: every position is a near miss.
void BM_ReadPassOverAHugePage(benchmark::State& state) {
    std::string page(static_cast<std::size_t>(state.range(0)) << 20, '<');
    page += std::string(plimo::MarkerFor("posetiteliplus")) + std::string(23, ' ') + "-7";
    for (auto _ : state) {
        const std::string value = plimo::extract_livalue(page, "posetiteliplus");
        if (value != "-7") {
            state.SkipWithError("the value at the end was not found");
            break;
        }
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_ReadPassOverAHugePage)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

// A settings file of many mebibytes in another section: two reads, seven writes and the commit of a save.
void BM_SettingsSaveInAHugeFile(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("plimo-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "config.ini";
    std::string before = "[BIG]\n";
    while (before.size() < (static_cast<std::size_t>(state.range(0)) << 20)) {
        before += "key" + std::to_string(before.size()) + "=some value of the big section\n";
    }
    before += "[OPTIONS]\nfs=1\n";
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(file, std::ios::binary | std::ios::trunc) << before;
        state.ResumeTiming();
        benchmark::DoNotOptimize(plimo::ReadProfileString(file, "OPTIONS", "fs", ""));
        benchmark::DoNotOptimize(plimo::ReadProfileString(file, "OPTIONS", "missing", ""));
        plimo::ProfileFile profile(file);
        for (const char* key : {"autostart", "sitename", "sitehttp", "lindx", "pass", "color", "fs"}) {
            if (!profile.write("OPTIONS", key, "0")) {
                state.SkipWithError("a write failed");
            }
        }
        if (!profile.commit()) {
            state.SkipWithError("the save failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(before.size()));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SettingsSaveInAHugeFile)->Arg(2)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace
