// HDRI preparation cost per IBL frame: conversion plus the sigma-100 diffuse
// blur (always at the 128-pixel cap) plus a specular blur.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BenchFloors.h"
#include "cpu/HdriBlur.h"
#include "kernel/HdriBlurTaps.h"

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

// HdriBlur/<size>/<sigma>: both halves of the blur, with floor_ratio against the time the
// same multiply-adds (three channels, every tap, both directions) take in a tight loop
// in the same run.
void BM_HdriBlur(benchmark::State& state, int w, int h, float sigma) {
    const std::vector<float> src = MakeWorld(w, h);
    std::vector<float> scratch(src.size()), dst(src.size());
    const int taps = 2 * morvel::BlurRadius(sigma) + 1;
    const double madds = 2.0 * 3.0 * taps * static_cast<double>(w) * h;
    std::vector<double> blurTimes, floorTimes;
    for (auto _ : state) {
        state.PauseTiming();
        floorTimes.push_back(morvel::bench::multiplyAddFloor(madds));
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        morvel::BlurHdri(src.data(), scratch.data(), dst.data(), w, h, w, sigma);
        benchmark::ClobberMemory();
        blurTimes.push_back(morvel::bench::secondsSince(t0));
    }
    const double floor = morvel::bench::median(floorTimes);
    state.counters["floor_ms"] = floor * 1e3;
    state.counters["floor_ratio"] = morvel::bench::median(blurTimes) / floor;
    SetRate(state, w, h);
}

const int registered = [] {
    const struct {
        int w, h;
        float sigma;
    } cases[] = {{2048, 1024, 100.0f}, {4096, 2048, 100.0f}, {2048, 1024, 10.0f}};
    for (const auto& c : cases) {
        const std::string name = "HdriBlur/" + std::to_string(c.w) + "x" + std::to_string(c.h) + "/" +
                                 std::to_string(static_cast<int>(c.sigma));
        benchmark::RegisterBenchmark(name.c_str(), BM_HdriBlur, c.w, c.h, c.sigma)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    return 0;
}();

}  // namespace
