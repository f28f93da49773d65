// The CUDA back end at 3840 x 2160 in float on the first CUDA device: one light
// pass, a frame of sixteen lights, and an IBL frame with a 4096 x 2048 HDRI (first
// frame and cache hit), each beside its bandwidth floor (the bytes
// the pass must move at the device-to-device copy rate measured in the same run),
// reported as the counter floor_ratio (1 = as fast as memory allows). Run by
// scripts/gpu-check; every benchmark skips where there is no CUDA device.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cuapi/CuApi.h"
#include "frame/FrameSettings.h"
#include "gpu/GpuDeviceLifecycle.h"
#include "gpu/GpuFrame.h"
#include "gpu/cuda/CudaFatbin.h"
#include "gpu/cuda/CudaHdri.h"
#include "gpu/cuda/CudaModule.h"
#include "gpu/cuda/CudaPass.h"

namespace morvel {
namespace {

using namespace cuapi;

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kPitch = 3840 + 64;  // rows padded, as a host may hand them
constexpr double kLayerBytes = double(kWidth) * kHeight * 16.0;

// Device 0 with a frame's buffers (input, output and six material layers), the
// module loaded, and the measured copy bandwidth. Made once; null fields when there
// is no device, with the reason.
struct Device {
    const Api* cu = nullptr;
    std::string why;
    CUdevice device = 0;
    CUcontext context = nullptr;
    CUstream stream = nullptr;
    GpuDeviceState record;
    std::vector<CUdeviceptr> buffers;
    GpuFrameContext frame;
    PF_EffectWorld worlds[2 + kPassLayerCount] = {};
    double bytes_per_second = 0.0;

    Device() {
        cu = LoadApi();
        if (!cu) {
            why = std::string("no CUDA device: ") + LoadError();
            return;
        }
        if (CudaFatbin().empty()) {
            why = "this build carries no CUDA kernels";
            cu = nullptr;
            return;
        }
        if (cu->DeviceGet(&device, 0) != CUDA_SUCCESS || cu->DevicePrimaryCtxRetain(&context, device) != CUDA_SUCCESS ||
            cu->CtxPushCurrent(context) != CUDA_SUCCESS || cu->StreamCreate(&stream, 0) != CUDA_SUCCESS) {
            why = "the CUDA device cannot be opened";
            cu = nullptr;
            return;
        }
        PF_GPUDeviceInfo info{};
        info.device_framework = PF_GPU_Framework_CUDA;
        info.contextPV = context;
        info.command_queuePV = stream;
        if (!LoadCudaModule(record, info)) {
            why = "the driver refused the kernels' module";
            cu = nullptr;
            return;
        }
        record.framework = PF_GPU_Framework_CUDA;
        const size_t bytes = size_t(kPitch) * kHeight * 16;
        std::vector<float> fill(size_t(kPitch) * kHeight * 4, 0.5f);
        auto make = [&](PF_EffectWorld& w) -> void* {
            CUdeviceptr p = 0;
            if (cu->MemAlloc(&p, bytes) != CUDA_SUCCESS) return nullptr;
            buffers.push_back(p);
            void* buffer = reinterpret_cast<void*>(static_cast<uintptr_t>(p));
            WriteGpuPixels(record, buffer, kPitch, kHeight, kPitch, fill.data());
            w.width = kWidth;
            w.height = kHeight;
            w.rowbytes = kPitch * 16;
            return buffer;
        };
        frame.input_world = &worlds[0];
        frame.output_world = &worlds[1];
        frame.input_data = make(worlds[0]);
        frame.output_data = make(worlds[1]);
        for (int i : {SLOT_DIFFUSE_ALBEDO, SLOT_NORMAL, SLOT_ROUGHNESS, SLOT_METALNESS, SLOT_SPECULAR, SLOT_SOURCE}) {
            frame.pass_worlds[i] = &worlds[2 + i];
            frame.pass_data[i] = make(worlds[2 + i]);
        }
        frame.input_pitch = kPitch;
        frame.width = kWidth;
        frame.height = kHeight;
        frame.stride = kPitch;
        for (CUdeviceptr p : buffers)
            if (!p) why = "device memory for the frame cannot be had";
        if (buffers.size() != 8) why = "device memory for the frame cannot be had";
        if (!why.empty()) {
            cu = nullptr;
            return;
        }
        bytes_per_second = CopyRate();
    }

    // Device-to-device copies of one float layer, best of ten: read and write
    // bytes both count.
    double CopyRate() {
        const size_t bytes = size_t(kWidth) * kHeight * 16;
        double best = 1e30;
        for (int i = 0; i < 10; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            cu->MemcpyDtoDAsync(buffers[1], buffers[0], bytes, stream);
            cu->StreamSynchronize(stream);
            best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
        return 2.0 * double(bytes) / best;
    }
};

Device& TheDevice() {
    static Device d;
    return d;
}

FrameSettings Light(PassType type, int first, int index) {
    FrameSettings fs{};
    fs.pass_type = type;
    fs.is_first_light = first;
    fs.width = kWidth;
    fs.height = kHeight;
    fs.stride = kPitch;
    fs.output_mode = 1;
    fs.light_r = 1.0f, fs.light_g = 0.9f, fs.light_b = 0.8f;
    fs.intensity = 1.0f;
    fs.light_dir_x = 0.3f, fs.light_dir_y = -0.4f, fs.light_dir_z = 0.85f;
    fs.light_pos_x = 0.1f + 0.05f * float(index), fs.light_pos_y = 0.5f, fs.light_pos_z = 0.4f;
    fs.light_decay = 1.0f, fs.falloff_distance = 2.0f;
    fs.cone_angle = 0.6f, fs.cone_feather = 0.5f;
    return fs;
}

// Seconds of one call of `run`, and the counters beside the floor of `bytes`.
template <typename Run>
void Measure(benchmark::State& state, double bytes, Run run) {
    Device& d = TheDevice();
    if (!d.cu) {
        state.SkipWithError(d.why.c_str());
        return;
    }
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!run(d)) {
            state.SkipWithError("a launch failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    const double floor = bytes / d.bytes_per_second;
    state.counters["floor_ms"] = floor * 1e3;
    state.counters["copy_GBps"] = d.bytes_per_second / 1e9;
    state.counters["floor_ratio"] = benchmark::Counter(floor * double(state.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_DeviceCopy(benchmark::State& state) {
    Measure(state, 2.0 * kLayerBytes, [](Device& d) {
        return d.cu->MemcpyDtoDAsync(d.buffers[1], d.buffers[0], size_t(kLayerBytes), d.stream) == CUDA_SUCCESS &&
               d.cu->StreamSynchronize(d.stream) == CUDA_SUCCESS;
    });
}
BENCHMARK(BM_DeviceCopy)->UseManualTime()->Unit(benchmark::kMillisecond);

// A first light pass reads six layers and writes the output.
void BM_OneLightPass(benchmark::State& state) {
    const FrameSettings fs = Light(PASS_POINT, 1, 0);
    Measure(state, 7.0 * kLayerBytes, [&](Device& d) { return RunCudaPass(d.record, d.frame, fs) == PF_Err_NONE; });
}
BENCHMARK(BM_OneLightPass)->UseManualTime()->Unit(benchmark::kMillisecond);

// Clear, then sixteen lights of every kind: each later pass also reads the output.
void BM_SixteenLightFrame(benchmark::State& state) {
    const PassType kinds[] = {PASS_POINT, PASS_SPOT, PASS_DIRECTIONAL, PASS_AMBIENT};
    Measure(state, kLayerBytes + 7.0 * kLayerBytes + 15.0 * 8.0 * kLayerBytes, [&](Device& d) {
        if (LaunchClearToOpaqueBlack(d.record, d.frame) != PF_Err_NONE) return false;
        for (int i = 0; i < 16; ++i)
            if (RunCudaPass(d.record, d.frame, Light(kinds[i % 4], i == 0, i)) != PF_Err_NONE) return false;
        return true;
    });
}
BENCHMARK(BM_SixteenLightFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// IBL with a 4096 x 2048 float HDRI: the environment pass and its HDRI preparation.
constexpr int kHdriWidth = 4096;
constexpr int kHdriHeight = 2048;
constexpr double kHdriBytes = double(kHdriWidth) * kHdriHeight * 16.0;

PF_GPUDeviceSuite1 HostDeviceMemory() {
    PF_GPUDeviceSuite1 s{};
    s.AllocateDeviceMemory = [](PF_ProgPtr, A_u_long, size_t bytes, void** p) -> PF_Err {
        CUdeviceptr d = 0;
        *p = nullptr;
        if (LoadApi()->MemAlloc(&d, bytes) != CUDA_SUCCESS) return PF_Err_OUT_OF_MEMORY;
        *p = reinterpret_cast<void*>(static_cast<uintptr_t>(d));
        return PF_Err_NONE;
    };
    s.FreeDeviceMemory = [](PF_ProgPtr, A_u_long, void* p) -> PF_Err {
        LoadApi()->MemFree(static_cast<CUdeviceptr>(reinterpret_cast<uintptr_t>(p)));
        return PF_Err_NONE;
    };
    return s;
}

// The HDRI world on the device, made once beside the frame's buffers.
struct IblHdri {
    PF_EffectWorld world{};
    CUdeviceptr buffer = 0;
    IblHdri() {
        Device& d = TheDevice();
        if (!d.cu) return;
        std::vector<float> pixels(size_t(kHdriWidth) * kHdriHeight * 4);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = float((i * 2654435761u) % 1000u) / 250.0f;
        if (d.cu->MemAlloc(&buffer, size_t(kHdriBytes)) != CUDA_SUCCESS) {
            buffer = 0;
            return;
        }
        world.width = kHdriWidth;
        world.height = kHdriHeight;
        world.rowbytes = kHdriWidth * 16;
        if (!WriteGpuPixels(d.record, Data(), kHdriWidth, kHdriHeight, kHdriWidth, pixels.data())) buffer = 0;
    }
    void* Data() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(buffer)); }
};

// One IBL frame: clear, the HDRI's preparation (or the cache's images), the
// environment pass. A first frame finds the cache empty; emptying it is not timed.
// The floor counts the key's read of the HDRI, the clear and the pass's five
// layers and output, and for a first frame the conversion (HDRI read and written)
// and two blurs of two directions, each reading and writing the image once.
void RunIbl(benchmark::State& state, bool first) {
    Device& d = TheDevice();
    static IblHdri hdri;
    if (!d.cu || !hdri.buffer) {
        state.SkipWithError(d.cu ? "device memory for the HDRI cannot be had" : d.why.c_str());
        return;
    }
    const PF_GPUDeviceSuite1 suite = HostDeviceMemory();
    const float bias = 0.5f;
    FrameSettings fs = Light(PASS_IBL, 1, 0);
    fs.ibl_enable = 1;
    fs.ibl_diffuse_intensity = fs.ibl_specular_intensity = 1.0f;
    fs.ibl_gamma = 1.0f;
    fs.ibl_rotation_z = 3.1415927f;
    fs.ibl_tint_r = fs.ibl_tint_g = fs.ibl_tint_b = 1.0f;
    fs.ibl_roughness_bias = bias;
    GpuFrameContext ctx = d.frame;
    ctx.hdri_world = &hdri.world;
    ctx.hdri_data = hdri.Data();
    ctx.hdri_pitch = kHdriWidth;
    auto frame = [&] {
        return LaunchClearToOpaqueBlack(d.record, ctx) == PF_Err_NONE &&
               PrepareCudaHdri(d.record, suite, nullptr, 0, ctx, bias) == PF_Err_NONE &&
               RunCudaPass(d.record, ctx, fs) == PF_Err_NONE;
    };
    if (!first && !frame()) {
        state.SkipWithError("the IBL frame failed");
        return;
    }
    for (auto _ : state) {
        if (first) {
            ctx.hdri.reset();
            d.record.hdri_cache.Clear();
        }
        const auto t0 = std::chrono::steady_clock::now();
        if (!frame()) {
            state.SkipWithError("the IBL frame failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    ctx.hdri.reset();
    d.record.hdri_cache.Clear();
    const double bytes = kHdriBytes + kLayerBytes + 6.0 * kLayerBytes + (first ? 10.0 * kHdriBytes : 0.0);
    const double floor = bytes / d.bytes_per_second;
    state.counters["floor_ms"] = floor * 1e3;
    state.counters["copy_GBps"] = d.bytes_per_second / 1e9;
    state.counters["floor_ratio"] = benchmark::Counter(floor * double(state.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_IblFrameHdri4096First(benchmark::State& state) { RunIbl(state, true); }
void BM_IblFrameHdri4096Cached(benchmark::State& state) { RunIbl(state, false); }
BENCHMARK(BM_IblFrameHdri4096First)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IblFrameHdri4096Cached)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace morvel
