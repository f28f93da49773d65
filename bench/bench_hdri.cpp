// HDRI preparation cost per IBL frame: conversion plus the sigma-100 diffuse
// blur (always at the 128-pixel cap) plus a specular blur.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "cpu/HdriBlur.h"

namespace {

std::vector<float> MakeWorld(int width, int height) {
    std::vector<float> px(static_cast<size_t>(width) * height * 4);
    uint32_t s = 12345u;
    for (float& v : px) {
        s = s * 1664525u + 1013904223u;
        v = static_cast<float>(s >> 8) * (4.0f / 16777216.0f);
    }
    return px;
}

void SetRate(benchmark::State& state, int width, int height) {
    state.counters["Mpix/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * width * height / 1e6, benchmark::Counter::kIsRate);
}

// Whole preparation: convert, diffuse blur, specular blur at slider 10.
void BM_PrepareHdriImages(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const std::vector<float> world = MakeWorld(w, h);
    const morvel::HdriWorldView view{world.data(), static_cast<std::ptrdiff_t>(w) * 16, w, h, 32};
    morvel::HdriImages images;
    for (auto _ : state) {
        const bool ok = morvel::PrepareHdriImages(view, 10.0f / 50.0f, images);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(images.diffuse.data());
    }
    SetRate(state, w, h);
}
BENCHMARK(BM_PrepareHdriImages)->Args({2048, 1024})->Args({4096, 2048})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertHdriToFloat(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const std::vector<float> world = MakeWorld(w, h);
    std::vector<float> out(world.size());
    const morvel::HdriWorldView view{world.data(), static_cast<std::ptrdiff_t>(w) * 16, w, h, 32};
    for (auto _ : state) {
        benchmark::DoNotOptimize(morvel::ConvertHdriToFloat(view, out.data(), w));
        benchmark::ClobberMemory();
    }
    SetRate(state, w, h);
}
BENCHMARK(BM_ConvertHdriToFloat)->Args({2048, 1024})->Args({4096, 2048})->Unit(benchmark::kMillisecond)->UseRealTime();

// Args: width, height, sigma.
void BM_BlurHdri(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const float sigma = static_cast<float>(state.range(2));
    const std::vector<float> src = MakeWorld(w, h);
    std::vector<float> scratch(src.size()), dst(src.size());
    for (auto _ : state) {
        morvel::BlurHdri(src.data(), scratch.data(), dst.data(), w, h, w, sigma);
        benchmark::ClobberMemory();
    }
    SetRate(state, w, h);
}
BENCHMARK(BM_BlurHdri)
    ->Args({2048, 1024, 100})
    ->Args({4096, 2048, 100})
    ->Args({2048, 1024, 10})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
