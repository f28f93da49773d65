// The incidence-and-rim power on its own, single-threaded: the CPU's vectorised
// powNonNegative over a block of bases, as the row bodies run it (this file is built
// with their AVX2 flags), beside the C library's scalar powf on the same block.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "kernel/Compat.h"

namespace {

constexpr int kBlock = 256;

std::vector<float> bases() {
    std::vector<float> b(kBlock);
    uint32_t s = 12345;
    for (float& v : b) {
        s = s * 1664525u + 1013904223u;
        v = static_cast<float>(s >> 8) / 16777216.0f;
    }
    return b;
}

__attribute__((noinline)) void ownPowers(float* out, const float* in, int n, float y) {
    for (int i = 0; i < n; ++i) out[i] = morvel::powNonNegative(in[i], y);
}

__attribute__((noinline)) void libraryPowers(float* out, const float* in, int n, float y) {
    for (int i = 0; i < n; ++i) out[i] = powf(in[i], y);
}

template <void (*Powers)(float*, const float*, int, float)>
void BM_Power(benchmark::State& state) {
    if (!__builtin_cpu_supports("avx2")) {
        state.SkipWithError("needs AVX2");
        return;
    }
    const std::vector<float> in = bases();
    std::vector<float> out(kBlock);
    for (auto _ : state) {
        Powers(out.data(), in.data(), kBlock, 2.5f);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_element"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_Power<ownPowers>)->Name("Power/own_vectorised")->MeasureProcessCPUTime();
BENCHMARK(BM_Power<libraryPowers>)->Name("Power/library_powf")->MeasureProcessCPUTime();

}  // namespace
