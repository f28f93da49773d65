// Cost of one CPU pass over a 1920 x 1080 frame with every pass layer assigned, per
// pixel depth, and of the environment loop on prepared HDRI images.
//
// LightPass/<kind>/<depth> states its distance to the memory floor measured in the same
// run: floor_ratio is the pass's median time over the median time of a loop that moves
// the same bytes (every layer read, the output read and written), the two interleaved
// so that both see the same load on the machine. arith_ratio states how much of that
// distance is the arithmetic's own, and speedup_vs_per_pixel compares with the
// per-pixel body in the same run.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BenchFloors.h"
#include "cpu/CpuPasses.h"
#include "cpu/HdriBlur.h"
#include "cpu/LightRows.h"
#include "cpu/PassLoops.h"

namespace {

using namespace morvel;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

template <typename Pixel>
struct BenchWorld {
    std::vector<Pixel> px;
    PF_EffectWorld w{};

    BenchWorld(int width, int height, uint32_t seed) : px(static_cast<size_t>(width) * height) {
        uint32_t s = seed;
        for (Pixel& p : px) {
            auto next = [&s] {
                s = s * 1664525u + 1013904223u;
                return static_cast<float>(s >> 8) / 16777216.0f;
            };
            const float r = next(), g = next(), b = 0.5f + 0.5f * next();
            StorePixel(p, r, g, b, 1.0f);
        }
        w.data = reinterpret_cast<PF_PixelPtr>(px.data());
        w.rowbytes = static_cast<A_long>(width * sizeof(Pixel));
        w.width = width;
        w.height = height;
        if (PixelTraits<Pixel>::kDepth == 16) w.world_flags = PF_WorldFlag_DEEP;
    }
};

template <typename Pixel>
struct BenchFrame {
    BenchWorld<Pixel> input{kWidth, kHeight, 1u};
    BenchWorld<Pixel> output{kWidth, kHeight, 2u};
    std::vector<BenchWorld<Pixel>> layers;
    FrameContext ctx;

    BenchFrame() {
        for (int i = 0; i < kPassLayerCount; ++i) layers.emplace_back(kWidth, kHeight, 10u + i);
        ctx.input = &input.w;
        ctx.output = &output.w;
        ctx.width = kWidth;
        ctx.height = kHeight;
        ctx.depth = PixelTraits<Pixel>::kDepth;
        ctx.outputRowBytes = output.w.rowbytes;
        for (int i = 0; i < kPassLayerCount; ++i) {
            ctx.passes[i] = &layers[i].w;
            ctx.passRowBytes[i] = layers[i].w.rowbytes;
        }
    }
};

FrameSettings benchPass(PassType type) {
    FrameSettings fs{};
    fs.pass_type = type;
    fs.is_first_light = 0;
    fs.width = kWidth;
    fs.height = kHeight;
    fs.stride = kWidth;
    fs.output_mode = 1;
    fs.source_blend = 0.25f;
    fs.light_r = fs.light_g = fs.light_b = 0.001f;  // keeps float sums finite over many runs
    fs.intensity = 1.0f;
    fs.light_dir_x = 0.3f;
    fs.light_dir_y = 0.2f;
    fs.light_dir_z = 0.9f;
    fs.light_pos_x = 0.4f;
    fs.light_pos_y = 0.5f;
    fs.light_pos_z = 0.5f;
    fs.light_decay = 2.0f;
    fs.falloff_distance = 1.5f;
    fs.cone_angle = 0.7f;
    fs.cone_feather = 0.5f;
    fs.incidence_enable = fs.rimlight_enable = 1;
    fs.incidence_amount = fs.rimlight_amount = 0.001f;
    fs.incidence_power = 2.0f;
    fs.rimlight_power = 1.5f;
    fs.rimlight_threshold = 0.1f;
    fs.incidence_r = fs.incidence_g = fs.incidence_b = 1.0f;
    fs.rimlight_r = fs.rimlight_g = fs.rimlight_b = 1.0f;
    fs.ibl_diffuse_intensity = fs.ibl_specular_intensity = 1.0f;
    fs.ibl_gamma = 2.2f;
    fs.ibl_rotation_z = 3.1415927f;
    fs.ibl_tint_r = fs.ibl_tint_g = fs.ibl_tint_b = 1.0f;
    fs.ibl_roughness_bias = 0.2f;
    fs.preview_sphere = 1;
    fs.ibl_output_mode = 1;
    return fs;
}

void setRate(benchmark::State& state) {
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                                                benchmark::Counter::kIsRate);
}

// Layers a pass reads besides the output: the base and the five layers of a light, the
// base and the normal of incidence and rim.
int layersRead(PassType type) { return type == PASS_INCIDENCE_RIM ? 2 : 6; }

// Seconds of arithmetic per frame: one thread runs the row body over every row of the
// frame with each view's rows folded onto its first (row bytes 0), so that the bytes
// stay in the caches, and the time is shared among the threads a pass runs on.
template <typename Pixel>
double arithmeticSeconds(const BenchFrame<Pixel>& frame, const FrameSettings& fs, PassType type) {
    PassViews v = passViewsOf<Pixel>(frame.ctx);
    for (ImageView* view : {&v.out, &v.base, &v.source, &v.normal, &v.roughness, &v.metallic, &v.specular}) {
        view->rowBytes = 0;
        view->layout = PixelTraits<Pixel>::kLayout;
    }
    constexpr int layout = PixelTraits<Pixel>::kLayout;
    const LightPass light = LightPassOf(fs);
    const IncidenceRimPass rim = IncidenceRimPassOf(fs);
    const LightRowBody lightBody = type == PASS_INCIDENCE_RIM ? nullptr : LightRowBodyFor(layout, light, light.kind);
    const IncidenceRimRowBody rimBody = type == PASS_INCIDENCE_RIM ? IncidenceRimRowBodyFor(layout, rim) : nullptr;
    if (!lightBody && !rimBody) return 0.0;
    std::vector<double> times;
    for (int run = 0; run < 3; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int y = 0; y < kHeight; ++y) {
            if (lightBody) lightBody(light, v, y, kWidth);
            else rimBody(rim, v, y, kWidth);
        }
        benchmark::ClobberMemory();
        times.push_back(bench::secondsSince(t0));
    }
    return bench::median(times) / omp_get_max_threads();
}

// A later pass of the frame (the common case): the output is read and written.
// arith_ratio is the pass's arithmetic alone (arithmeticSeconds) over the memory floor:
// where it is above a target, no schedule of the memory traffic can meet it.
template <typename Pixel>
void BM_LightPass(benchmark::State& state, PassType type) {
    BenchFrame<Pixel> frame;
    const FrameSettings fs = benchPass(type);
    const std::size_t bytes = static_cast<std::size_t>(kWidth) * kHeight * sizeof(Pixel);
    bench::TriadFloor floor(bytes, layersRead(type), true);
    std::vector<double> passTimes, floorTimes;
    for (auto _ : state) {
        state.PauseTiming();
        floorTimes.push_back(floor.run());
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(RenderPassCpu(frame.ctx, fs));
        benchmark::ClobberMemory();
        passTimes.push_back(bench::secondsSince(t0));
    }
    std::vector<double> perPixel;
    SetCpuRowBodies(CpuRowBodies::PerPixel);
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(RenderPassCpu(frame.ctx, fs));
        perPixel.push_back(bench::secondsSince(t0));
    }
    SetCpuRowBodies(CpuRowBodies::Auto);
    const double arithmetic = arithmeticSeconds(frame, fs, type);
    const double pass = bench::median(passTimes);
    state.counters["floor_ms"] = bench::median(floorTimes) * 1e3;
    state.counters["floor_ratio"] = pass / bench::median(floorTimes);
    state.counters["arith_ms"] = arithmetic * 1e3;
    state.counters["arith_ratio"] = arithmetic / bench::median(floorTimes);
    state.counters["speedup_vs_per_pixel"] = bench::median(perPixel) / pass;
    state.counters["GB/s"] = static_cast<double>(bytes) * (layersRead(type) + 2) / pass / 1e9;
    setRate(state);
}

// The environment loop alone, on images prepared once from a 1024 x 512 HDRI. With
// random normals every lookup misses the cache; smooth normals, as render passes
// have them, keep neighbouring lookups together. speedup_vs_scalar compares with the
// per-pixel loop in the same run.
void BM_IblLoopFloat(benchmark::State& state, int smooth) {
    BenchFrame<PF_PixelFloat> frame;
    if (smooth) {
        std::vector<PF_PixelFloat>& normals = frame.layers[SLOT_NORMAL].px;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const float u = static_cast<float>(x) / kWidth, v = static_cast<float>(y) / kHeight;
                normals[static_cast<size_t>(y) * kWidth + x] = {1.0f, 0.2f + 0.6f * u, 0.8f - 0.6f * v, 0.9f};
            }
    }
    BenchWorld<PF_PixelFloat> hdri(1024, 512, 99u);
    HdriWorldView view;
    view.pixels = hdri.w.data;
    view.rowBytes = hdri.w.rowbytes;
    view.width = 1024;
    view.height = 512;
    view.depth = 32;
    HdriImages images;
    const FrameSettings fs = benchPass(PASS_IBL);
    if (!PrepareHdriImages(view, fs, images)) {
        state.SkipWithError("HDRI preparation failed");
        return;
    }
    const HdriView diffuse{images.diffuse.data(), images.width, images.height, images.stride};
    const HdriView specular{images.specular.data(), images.width, images.height, images.stride};
    // The scalar per-pixel loop is the reference, timed between the runs of the row
    // bodies so that both see the same load.
    std::vector<double> rowTimes, scalarTimes;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        ShadeIblRows<PF_PixelFloat>(frame.ctx, fs, diffuse, specular);
        benchmark::ClobberMemory();
        rowTimes.push_back(bench::secondsSince(t0));
        if (scalarTimes.size() < 3 || scalarTimes.size() * 4 < rowTimes.size()) {
            state.PauseTiming();
            SetCpuRowBodies(CpuRowBodies::PerPixel);
            const auto t1 = std::chrono::steady_clock::now();
            ShadeIblRows<PF_PixelFloat>(frame.ctx, fs, diffuse, specular);
            benchmark::ClobberMemory();
            scalarTimes.push_back(bench::secondsSince(t1));
            SetCpuRowBodies(CpuRowBodies::Auto);
            state.ResumeTiming();
        }
    }
    state.counters["speedup_vs_scalar"] = bench::median(scalarTimes) / bench::median(rowTimes);
    state.counters["scalar_ms"] = bench::median(scalarTimes) * 1e3;
    setRate(state);
}

template <typename Pixel>
void registerLightPasses(const char* depth) {
    const struct {
        PassType type;
        const char* name;
    } kinds[] = {{PASS_DIRECTIONAL, "directional"},
                 {PASS_POINT, "point"},
                 {PASS_SPOT, "spot"},
                 {PASS_AMBIENT, "ambient"},
                 {PASS_INCIDENCE_RIM, "incidence_rim"}};
    for (const auto& k : kinds) {
        const std::string name = std::string("LightPass/") + k.name + "/" + depth;
        benchmark::RegisterBenchmark(name.c_str(), BM_LightPass<Pixel>, k.type)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
}

const int registered = [] {
    registerLightPasses<PF_Pixel8>("8");
    registerLightPasses<PF_Pixel16>("16");
    registerLightPasses<PF_PixelFloat>("32");
    benchmark::RegisterBenchmark("EnvironmentPass/random", BM_IblLoopFloat, 0)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("EnvironmentPass/smooth", BM_IblLoopFloat, 1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return 0;
}();

}  // namespace
