#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

static void BM_Memcpy(benchmark::State& state) {
    std::string source(static_cast<std::size_t>(state.range(0)), 'x');
    std::string target(source.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Memcpy)->Arg(100 << 10)->Arg(1 << 20);
