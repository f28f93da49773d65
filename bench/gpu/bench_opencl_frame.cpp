// A 1920 x 1080 frame lit by four lights (point, spot, parallel and a second point),
// rendered through the module's GPU command on the first OpenCL device (PoCL here)
// beside the same frame through the CPU command, plus what the OpenCL path spends
// outside its kernels: launches with their argument setting and queue drain, and the
// transfers a staged CPU fallback makes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "clapi/ClApi.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFrame.h"
#include "gpu/opencl/OpenClPass.h"
#include "gpu/opencl/OpenClProgram.h"
#include "kernel/GpuBuffers.h"
#include "minihost/Composition.h"
#include "minihost/Frame.h"
#include "minihost/OpenClDevice.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

minihost::World Layer(uint32_t seed) {
    minihost::World w(kWidth, kHeight, 32);
    w.FillPattern(seed);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            minihost::PixelF p = w.Get(x, y);
            p.a = 1.0f;
            for (float* c : {&p.r, &p.g, &p.b}) *c = std::min(std::fabs(*c), 1.0f);
            w.Set(x, y, p);
        }
    return w;
}

struct Scene {
    minihost::Session session{MORVEL_MODULE_PATH};
    std::vector<minihost::World> layers;
    std::shared_ptr<minihost::OpenClDevice> device;
    void* gpu_data = nullptr;

    Scene() {
        session.GlobalSetup();
        session.ParamsSetup();
        for (const char* box : {"Enable IBL", "Enable Incidence", "Enable Rim Light", "Preview Sphere"})
            session.params().SetCheckbox(box, false);
        for (uint32_t i = 0; i < 5; ++i) layers.push_back(Layer(i + 1));
        auto& comp = session.composition();
        comp.AddLight(AEGP_LightType_POINT, {600, 400, -500}).intensity = 80;
        comp.AddLight(AEGP_LightType_SPOT, {1500, 200, -700}, {960, 540, 0}).intensity = 120;
        comp.AddLight(AEGP_LightType_PARALLEL, {0, -100, -100}, {960, 540, 0}).intensity = 30;
        comp.AddLight(AEGP_LightType_POINT, {1200, 900, -300}).intensity = 60;
        const auto devices = minihost::ListOpenClDevices();
        if (devices.empty()) return;
        device = std::make_shared<minihost::OpenClDevice>(devices.front());
        session.gpu().AddDevice(device);
        const minihost::GpuSetup s = session.SetupGpuDevice(0);
        if (s.accepted) gpu_data = s.gpu_data;
        // An OpenCL implementation may finish compiling a kernel at its first launch
        // (PoCL does, per work-group size); that is setup, not frame time.
        if (gpu_data) minihost::RenderFrame(session, Request(true));
        minihost::RenderFrame(session, Request(false));
    }
    ~Scene() {
        if (gpu_data) session.SetdownGpuDevice(0, gpu_data);
    }

    minihost::FrameRequest Request(bool gpu) {
        minihost::FrameRequest r;
        int i = 0;
        for (const char* name : {"", "Normal Map", "Roughness", "Metalness", "Specular Albedo"})
            r.layers[name] = &layers[i++];
        if (gpu) {
            r.render_command = PF_Cmd_SMART_RENDER_GPU;
            r.gpu = minihost::GpuTarget{0, gpu_data, 0};
        }
        return r;
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void BM_FourLightFrameCpu(benchmark::State& state) {
    Scene& s = TheScene();
    const minihost::FrameRequest r = s.Request(false);
    double command = 0;
    for (auto _ : state) command += minihost::RenderFrame(s.session, r).command_seconds;
    state.counters["effect_s"] = command / double(state.iterations());
}
BENCHMARK(BM_FourLightFrameCpu)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FourLightFrameOpenCl(benchmark::State& state) {
    Scene& s = TheScene();
    if (!s.gpu_data) {
        state.SkipWithError("no OpenCL device the effect accepts");
        return;
    }
    const minihost::FrameRequest r = s.Request(true);
    double command = 0, upload = 0, readback = 0, fallback = 0;
    for (auto _ : state) {
        const minihost::FrameResult f = minihost::RenderFrame(s.session, r);
        command += f.command_seconds;
        upload += f.upload_seconds;
        readback += f.readback_seconds;
        fallback += f.fallback;
    }
    const double n = double(state.iterations());
    // effect_s excludes the host's own uploads of the layers, which happen inside the command.
    state.counters["effect_s"] = (command - upload) / n;
    state.counters["host_upload_s"] = upload / n;
    state.counters["host_readback_s"] = readback / n;
    state.counters["fallback"] = fallback / n;
}
BENCHMARK(BM_FourLightFrameOpenCl)->Unit(benchmark::kMillisecond)->Iterations(1);

// The OpenCL path's parts, without the module's entry: one launch of the clear kernel
// and of a light pass over the frame (argument setting under the kernel lock,
// enqueue, kernel, queue drain), the argument setting and a drain of an empty queue on
// their own (what a pass costs outside its kernel), and the download plus upload of
// one frame-sized world (what the staged fallback adds).
struct Direct {
    std::unique_ptr<minihost::OpenClDevice> device;
    morvel::GpuDeviceState record;
    morvel::GpuFrameContext ctx;
    clapi::cl_mem buffer = nullptr;
    std::vector<clapi::cl_mem> maps;
    std::vector<float> pixels = std::vector<float>(size_t(kWidth) * kHeight * 4, 0.5f);

    Direct() {
        const auto devices = minihost::ListOpenClDevices();
        if (devices.empty()) return;
        device = std::make_unique<minihost::OpenClDevice>(devices.front());
        PF_GPUDeviceInfo info{};
        info.device_framework = 1;
        info.devicePV = devices.front().device;
        info.contextPV = device->context();
        info.command_queuePV = device->queue();
        if (!morvel::BuildOpenClProgram(record, info, nullptr)) return;
        record.framework = 1;
        buffer = device->CreateBuffer(size_t(kWidth) * kHeight * 16);
        ctx.output_data = buffer;
        ctx.width = kWidth;
        ctx.height = kHeight;
        ctx.stride = kWidth;
        static PF_EffectWorld world{};
        world.width = kWidth;
        world.height = kHeight;
        world.rowbytes = kWidth * 16;
        ctx.input_world = &world;
        for (int i = 0; i < 5; ++i) {
            maps.push_back(device->CreateBuffer(size_t(kWidth) * kHeight * 16));
            device->Write(maps.back(), size_t(kWidth) * 16, size_t(kWidth) * 16, kHeight, pixels.data());
        }
        ctx.input_data = maps[0];
        for (int slot : {morvel::SLOT_NORMAL, morvel::SLOT_ROUGHNESS, morvel::SLOT_METALNESS, morvel::SLOT_SPECULAR}) {
            ctx.pass_worlds[slot] = &world;
            ctx.pass_data[slot] = maps[size_t(slot)];
        }
        morvel::RunOpenClPass(record, ctx, Light());  // the first launch finishes the kernel's compilation
    }
    static morvel::FrameSettings Light() {
        morvel::FrameSettings fs{};
        fs.pass_type = morvel::PASS_DIRECTIONAL;
        fs.light_r = fs.light_g = fs.light_b = 1.0f;
        fs.intensity = 1.0f;
        fs.light_dir_z = 1.0f;
        fs.is_first_light = 1;
        fs.width = kWidth;
        fs.height = kHeight;
        fs.stride = kWidth;
        return fs;
    }
    ~Direct() {
        for (clapi::cl_mem m : maps) device->api().ReleaseMemObject(m);
        if (buffer) device->api().ReleaseMemObject(buffer);
        morvel::ReleaseOpenClProgram(record);
    }
};

Direct& TheDirect() {
    static Direct d;
    return d;
}

void BM_OpenClClearLaunch(benchmark::State& state) {
    Direct& d = TheDirect();
    if (!d.buffer) {
        state.SkipWithError("no OpenCL device");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(morvel::RunOpenClClear(d.record, d.ctx));
}
BENCHMARK(BM_OpenClClearLaunch)->Unit(benchmark::kMillisecond);

void BM_OpenClLightPassLaunch(benchmark::State& state) {
    Direct& d = TheDirect();
    if (!d.buffer) {
        state.SkipWithError("no OpenCL device");
        return;
    }
    const morvel::FrameSettings light = Direct::Light();
    for (auto _ : state) benchmark::DoNotOptimize(morvel::RunOpenClPass(d.record, d.ctx, light));
}
BENCHMARK(BM_OpenClLightPassLaunch)->Unit(benchmark::kMillisecond);

// The nine arguments of a light pass set on the shared kernel object.
void BM_OpenClLightPassArguments(benchmark::State& state) {
    Direct& d = TheDirect();
    if (!d.buffer) {
        state.SkipWithError("no OpenCL device");
        return;
    }
    const clapi::Api& cl = d.device->api();
    auto* kernel = static_cast<clapi::cl_kernel>(d.record.cl_kernels[morvel::CL_KERNEL_LIGHT]);
    const morvel::GpuLayers layers{};
    const morvel::LightPass pass{};
    for (auto _ : state) {
        std::lock_guard lock(d.record.kernel_mutex);
        for (clapi::cl_uint i = 0; i < 7; ++i) cl.SetKernelArg(kernel, i, sizeof d.buffer, &d.buffer);
        cl.SetKernelArg(kernel, 7, sizeof layers, &layers);
        cl.SetKernelArg(kernel, 8, sizeof pass, &pass);
    }
}
BENCHMARK(BM_OpenClLightPassArguments)->Unit(benchmark::kMicrosecond);

void BM_OpenClEmptyQueueDrain(benchmark::State& state) {
    Direct& d = TheDirect();
    if (!d.buffer) {
        state.SkipWithError("no OpenCL device");
        return;
    }
    for (auto _ : state) d.device->api().Finish(d.device->queue());
}
BENCHMARK(BM_OpenClEmptyQueueDrain)->Unit(benchmark::kMicrosecond);

void BM_OpenClFrameDownloadUpload(benchmark::State& state) {
    Direct& d = TheDirect();
    if (!d.buffer) {
        state.SkipWithError("no OpenCL device");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            morvel::ReadOpenClPixels(d.record, d.buffer, kWidth, kHeight, kWidth, d.pixels.data()));
        benchmark::DoNotOptimize(
            morvel::WriteOpenClPixels(d.record, d.buffer, kWidth, kHeight, kWidth, d.pixels.data()));
    }
}
BENCHMARK(BM_OpenClFrameDownloadUpload)->Unit(benchmark::kMillisecond);

// An environment-lit frame: 1920 x 1080 with a 2048 x 1024 HDRI, through the GPU
// command and through the CPU command, on its first frame (the HDRI converted and
// blurred: each iteration hands one of five HDRIs in turn, more than the cache
// keeps, so every frame prepares) and in a steady sequence (the same HDRI, its
// prepared images taken from the cache).
namespace ibl {

constexpr int kHdriWidth = 2048;
constexpr int kHdriHeight = 1024;
constexpr int kHdris = 5;

minihost::World Hdri(uint32_t seed) {
    minihost::World w(kHdriWidth, kHdriHeight, 32);
    w.FillPattern(seed);
    for (int y = 0; y < kHdriHeight; ++y)
        for (int x = 0; x < kHdriWidth; ++x) {
            minihost::PixelF p = w.Get(x, y);
            p.a = 1.0f;
            for (float* c : {&p.r, &p.g, &p.b}) *c = std::min(std::fabs(*c), 8.0f);
            w.Set(x, y, p);
        }
    return w;
}

struct IblScene {
    Scene& base = TheScene();
    std::vector<minihost::World> hdris;
    int next = 0;

    IblScene() {
        for (uint32_t i = 0; i < kHdris; ++i) hdris.push_back(Hdri(40 + i));
    }

    minihost::FrameRequest Request(bool gpu, const minihost::World& hdri) {
        auto& p = base.session.params();
        p.SetCheckbox("Enable IBL", true);
        p.SetCheckbox("Preview Sphere", true);
        p.SetFloat("Diffuse Intensity", 4.0);
        p.SetFloat("Specular Intensity", 4.0);
        p.SetFloat("HDRI Roughness Bias", 1.0);
        minihost::FrameRequest r = base.Request(gpu);
        r.layers["HDRI"] = &hdri;
        return r;
    }
};

IblScene& TheIblScene() {
    static IblScene scene;
    return scene;
}

void Run(benchmark::State& state, bool gpu, bool steady) {
    IblScene& s = TheIblScene();
    if (gpu && !s.base.gpu_data) {
        state.SkipWithError("no OpenCL device the effect accepts");
        return;
    }
    // A steady sequence starts with its HDRI already prepared.
    if (steady) minihost::RenderFrame(s.base.session, s.Request(gpu, s.hdris[0]));
    double command = 0, upload = 0, fallback = 0;
    for (auto _ : state) {
        const minihost::World& hdri = steady ? s.hdris[0] : s.hdris[size_t(s.next++ % kHdris)];
        const minihost::FrameResult f = minihost::RenderFrame(s.base.session, s.Request(gpu, hdri));
        command += f.command_seconds;
        upload += f.upload_seconds;
        fallback += f.fallback;
    }
    const double n = double(state.iterations());
    state.counters["effect_s"] = (command - upload) / n;
    state.counters["host_upload_s"] = upload / n;
    state.counters["fallback"] = fallback / n;
    s.base.session.params().SetCheckbox("Enable IBL", false);
    s.base.session.params().SetCheckbox("Preview Sphere", false);
}

void BM_IblFrameCpuFirst(benchmark::State& state) { Run(state, false, false); }
void BM_IblFrameCpuSteady(benchmark::State& state) { Run(state, false, true); }
void BM_IblFrameOpenClFirst(benchmark::State& state) { Run(state, true, false); }
void BM_IblFrameOpenClSteady(benchmark::State& state) { Run(state, true, true); }
BENCHMARK(BM_IblFrameCpuFirst)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_IblFrameCpuSteady)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_IblFrameOpenClFirst)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_IblFrameOpenClSteady)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace ibl

}  // namespace
