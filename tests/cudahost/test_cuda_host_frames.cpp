// minihost as a CUDA host, end to end: the module loaded through its exports, set
// up on a CUDA device (the host's stream as its queue, the device's context current),
// handed GPU worlds that are device buffers with the host's pitch, and its frames
// read back and held against the CPU flow's picture.
//
// Here the driver is the fake one and the module the test build with stand-in
// kernels. On a GPU machine (scripts/gpu-check) the same runner loads the real
// driver and, through MORVEL_CUDA_MODULE, the real module with its fat binary; the
// cases that steer the fake's faults skip there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "FakeDriver.h"
#include "e2e/GpuFrameChecks.h"
#include "minihost/Composition.h"
#include "minihost/CudaDevice.h"
#include "minihost/Error.h"
#include "minihost/Frame.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace {

using e2e::AllOpaqueBlack;
using e2e::EveryLight;
using e2e::ExpectSamePicture;
using e2e::Incidence;
using e2e::Pattern;
using e2e::Rim;
using minihost::FrameRequest;
using minihost::FrameResult;
using minihost::Session;
using minihost::World;

// The test build's stand-in kernels are taken by the fake driver only.
std::string ModulePath() {
    const char* path = std::getenv("MORVEL_CUDA_MODULE");
    return path && *path ? path : MORVEL_FAKE_CUDA_MODULE;
}

const char* const kOptions[] = {"Enable IBL", "Preview Sphere", "Enable Incidence", "Enable Rim Light"};

class CudaHost : public ::testing::Test {
protected:
    void SetUp() override {
        const minihost::CudaAvailability cuda = minihost::CudaDevices();
        if (cuda.devices.empty()) GTEST_SKIP() << "no CUDA device: " << cuda.why;
        ASSERT_TRUE(driver.present() || std::getenv("MORVEL_CUDA_MODULE"))
            << "a real NVIDIA driver: set MORVEL_CUDA_MODULE to a Morvel.aex built with -DMORVEL_CUDA=ON";
        driver.Clear();
        session = std::make_unique<Session>(ModulePath());
        ASSERT_EQ(session->GlobalSetup().err, 0);
        ASSERT_EQ(session->ParamsSetup().err, 0);
        for (const char* box : kOptions) session->params().SetCheckbox(box, false);
        device = std::make_shared<minihost::CudaDevice>(cuda.devices.front());
        session->gpu().AddDevice(device);
        const minihost::GpuSetup s = session->SetupGpuDevice(0);
        ASSERT_TRUE(s.accepted) << s.outcome.err << " " << s.outcome.Message();
        gpu_data = s.gpu_data;
    }

    void TearDown() override {
        if (!session) return;
        driver.Clear();
        if (gpu_data) {
            EXPECT_EQ(session->SetdownGpuDevice(0, gpu_data).err, PF_Err_NONE);
        }
        EXPECT_TRUE(session->suites().Outstanding().empty());
    }

    // Float layers with the HDRI beside them; rows on the device `padding` bytes wider.
    FrameRequest Request(int w, int h, int padding, int depth = 32) {
        layers.clear();
        for (uint32_t seed = 1; seed <= 5; ++seed) layers.push_back(Pattern(w, h, seed));
        FrameRequest r;
        r.depth = depth;
        r.layers[""] = &layers[0];
        r.layers["Normal Map"] = &layers[1];
        r.layers["Roughness"] = &layers[2];
        r.layers["Metalness"] = &layers[3];
        r.layers["Specular Albedo"] = &layers[4];
        r.layers["HDRI"] = &hdri;
        r.render_command = PF_Cmd_SMART_RENDER_GPU;
        r.gpu = minihost::GpuTarget{0, gpu_data, padding};
        return r;
    }

    static FrameRequest OnCpu(FrameRequest r) {
        r.render_command = PF_Cmd_SMART_RENDER;
        r.gpu.reset();
        return r;
    }

    FrameResult Render(const FrameRequest& r) {
        FrameResult f = minihost::RenderFrame(*session, r);
        EXPECT_EQ(session->params().OutstandingCheckouts(), 0) << "every parameter goes back";
        return f;
    }

    // The CPU flow's picture of the same float layers, stored in the request's depth
    // as the host stores a float GPU frame.
    World CpuPicture(const FrameRequest& gpu) {
        FrameRequest cpu = OnCpu(gpu);
        cpu.depth = 32;
        const FrameResult want = Render(cpu);
        EXPECT_EQ(want.err(), PF_Err_NONE);
        World expected(want.output->width(), want.output->height(), gpu.depth);
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x) expected.Set(x, y, want.output->Get(x, y));
        return expected;
    }

    static void ExpectDevicePicture(const FrameResult& g, const World& want, int depth) {
        ASSERT_EQ(g.err(), PF_Err_NONE) << g.render.Message();
        EXPECT_FALSE(g.fallback) << "rendered on the device";
        EXPECT_TRUE(g.host_errors.empty());
        EXPECT_FALSE(AllOpaqueBlack(*g.output));
        ExpectSamePicture(*g.output, want, depth == 8 ? 1.0f / 255 : depth == 16 ? 1.0f / 32768 : 0.0f);
    }

    // Free device memory, as the driver counts it.
    size_t DeviceFree() {
        minihost::DeviceScope scope(device.get());
        size_t free = 0, total = 0;
        EXPECT_EQ(cuapi::LoadApi()->MemGetInfo(&free, &total), cuapi::CUDA_SUCCESS);
        return free;
    }

    morvel::test::FakeDriver driver;
    std::unique_ptr<Session> session;
    std::shared_ptr<minihost::CudaDevice> device;
    void* gpu_data = nullptr;
    std::vector<World> layers;
    World hdri = Pattern(32, 16, 77);
};

TEST_F(CudaHost, DeviceInfoHandsTheHostsStreamAndContext) {
    PF_GPUDeviceInfo info{};
    device->Describe(info);
    EXPECT_EQ(info.device_framework, PF_GPU_Framework_CUDA);
    EXPECT_EQ(info.command_queuePV, device->stream());
    EXPECT_EQ(info.contextPV, device->context());
    EXPECT_NE(info.contextPV, nullptr);
    if (driver.present()) {
        EXPECT_EQ(driver.Held().modules, 1) << "the kernels' module, loaded once at setup";
    }
}

// Random scenes: lights of every kind (the first light of scene n is of kind
// n % 4) with random falloffs, incidence, rim, IBL with the preview sphere and HDRIs
// of random sizes (every third scene the last one's HDRI again, which the device's
// cache serves), maps missing at random, odd sizes including 1 x 1 and wider than a row of
// launch blocks, padded device rows, in 8, 16 and 32 bits.
TEST_F(CudaHost, RandomScenesMatchTheCpuPicture) {
    std::mt19937 rng(12);
    auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
    const AEGP_LightType kinds[] = {AEGP_LightType_AMBIENT, AEGP_LightType_PARALLEL, AEGP_LightType_POINT,
                                    AEGP_LightType_SPOT};
    const int depths[] = {8, 16, 32};
    const char* const maps[] = {"Normal Map", "Roughness", "Metalness", "Specular Albedo"};
    for (int n = 0; n < 20; ++n) {
        const int w = n == 0 ? 1 : n == 1 ? 1921 : 1 + pick(240);
        const int h = n == 0 ? 1 : n == 1 ? 3 : 1 + pick(120);
        const int padding = 16 * pick(4), depth = depths[pick(3)];
        SCOPED_TRACE("scene " + std::to_string(n) + ": " + std::to_string(w) + "x" + std::to_string(h) + ", " +
                     std::to_string(depth) + " bits, padding " + std::to_string(padding));
        session->composition().Clear();
        auto& params = session->params();
        for (const char* box : kOptions) params.SetCheckbox(box, pick(2) == 0);
        params.SetFloat("Diffuse Intensity", 0.5 + pick(8) * 0.5);
        params.SetFloat("Specular Intensity", 0.5 + pick(8) * 0.5);
        if (n % 3 != 0) params.SetCheckbox("Enable IBL", true);
        if (n % 3 != 2) {
            hdri = Pattern(1 + pick(200), 1 + pick(100), 700 + unsigned(n));
            params.SetFloat("HDRI Roughness Bias", pick(4) * 0.7);
        }
        for (int i = 0, lights = 1 + pick(4); i < lights; ++i) {
            const minihost::Vec3d at{w * pick(100) / 100.0, h * pick(100) / 100.0, -10.0 - pick(80)};
            auto& light = session->composition().AddLight(i == 0 ? kinds[n % 4] : kinds[pick(4)], at,
                                                          {w * pick(100) / 100.0, h * pick(100) / 100.0, 0});
            light.intensity = 20 + pick(150);
            light.cone_angle = 20 + pick(100);
            light.falloff_type = pick(3);
            light.color[1 + pick(3)] = 0.4;
        }
        FrameRequest gpu = Request(w, h, padding, depth);
        for (const char* map : maps)
            if (pick(5) == 0) gpu.layers[map] = nullptr;
        const World want = CpuPicture(gpu);
        const long launches = driver.Launches();
        ExpectDevicePicture(Render(gpu), want, depth);
        if (driver.present()) {
            EXPECT_GT(driver.Launches(), launches);
        }
    }
}

// Frames on several threads at once, each sending its command with the device's
// context current on its own thread, then the same frame again and again: every one
// the CPU's picture, and the device's memory where it was after the first frame
// (which loads the kernels and fills the HDRI cache).
TEST_F(CudaHost, FramesInFlightAndRepeatedFramesKeepDeviceMemoryFlat) {
    // Large enough on a GPU that one world left allocated shows in the driver's count,
    // which sub-allocates small buffers out of larger pages.
    const int w = driver.present() ? 97 : 1280, h = driver.present() ? 41 : 720;
    const size_t world_bytes = size_t(w) * h * 16;
    EveryLight(*session, w, h);
    Incidence(*session);
    Rim(*session);
    session->params().SetCheckbox("Enable IBL", true);
    hdri = Pattern(128, 64, 78);
    const FrameRequest gpu = Request(w, h, 48);
    const World want = CpuPicture(gpu);
    ExpectDevicePicture(Render(gpu), want, 32);
    const size_t free = DeviceFree();
    const long allocations = driver.Held().allocations;
    for (const int threads : {3, 1}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        for (const FrameResult& g : minihost::RenderFrames(*session, std::vector<FrameRequest>(6, gpu), threads))
            ExpectDevicePicture(g, want, 32);
        const size_t now = DeviceFree();
        EXPECT_GE(now + (driver.present() ? 0 : world_bytes / 2), free) << "device bytes lost: " << free - now;
        EXPECT_EQ(driver.Held().allocations, allocations);
    }
}

// A failure in the effect's own driver calls sends the frame through the staged
// CPU fallback, which ends in the CPU picture.
TEST_F(CudaHost, FailedLaunchesAndKernelsFallBackToTheCpuPicture) {
    if (std::string why = driver.Missing(); !why.empty()) GTEST_SKIP() << why;
    EveryLight(*session, 37, 23);
    Rim(*session);
    const FrameRequest gpu = Request(37, 23, 48);
    const World want = CpuPicture(gpu);
    for (const char* fault : {"launch", "launch:3", "kernel", "kernel:2"}) {
        SCOPED_TRACE(fault);
        driver.Fault(fault);
        const FrameResult g = Render(gpu);
        driver.Clear();
        ASSERT_EQ(g.err(), PF_Err_NONE);
        EXPECT_TRUE(g.fallback);
        ExpectSamePicture(*g.output, want);
    }
}

// Where the host cannot do its part before the command (the output world) or after
// it (the read-back), the frame stops with an error naming the device and what
// failed. A layer the host cannot hand during the command is an error code to the
// effect: without its input the effect falls back, asks again and renders the CPU
// picture; a map it cannot have it leaves out, as on the CPU. Nothing the host
// allocated is left behind either way.
TEST_F(CudaHost, HostDriverFailuresAreClearErrorsOrErrorCodesToTheEffect) {
    if (std::string why = driver.Missing(); !why.empty()) GTEST_SKIP() << why;
    struct Case {
        const char* fault;
        const char* message;
        bool during_command;
        bool fallback;
        const char* left_out;  // the map the picture is rendered without
    };
    // Allocations and uploads in order: the output, the input, the normal map.
    const Case cases[] = {
        {"alloc", "cannot allocate", false, false, nullptr},
        {"copy", "upload failed", false, false, nullptr},
        {"push", "cannot make its context current", false, false, nullptr},
        {"alloc:2", "cannot allocate", true, true, nullptr},
        {"copy:2", "upload failed", true, true, nullptr},
        {"alloc:3", "cannot allocate", true, false, "Normal Map"},
    };
    EveryLight(*session, 21, 9);
    Incidence(*session);
    const FrameRequest gpu = Request(21, 9, 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        FrameRequest cpu = OnCpu(gpu);
        if (c.left_out) cpu.layers[c.left_out] = nullptr;
        const FrameResult want = Render(cpu);
        const long before = driver.Held().allocations;
        driver.Fault(c.fault);
        std::string error;
        try {
            const FrameResult f = Render(gpu);
            ASSERT_TRUE(c.during_command) << "no error";
            ASSERT_EQ(f.host_errors.size(), 1u);
            error = f.host_errors.front();
            EXPECT_EQ(f.err(), PF_Err_NONE);
            EXPECT_EQ(f.fallback, c.fallback);
            ExpectSamePicture(*f.output, *want.output);
        } catch (const minihost::Error& e) {
            EXPECT_FALSE(c.during_command) << e.what();
            error = e.what();
        }
        EXPECT_NE(error.find("CUDA device 'Fake CUDA Device 0'"), std::string::npos) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        driver.Clear();
        EXPECT_EQ(driver.Held().allocations, before);
    }
    // The device still works afterwards.
    ExpectDevicePicture(Render(gpu), CpuPicture(gpu), 32);
}

// Forwards to a CUDA device and notes, at each upload, which context was current
// on the calling thread before the device made its own current.
class ObservedDevice final : public minihost::GpuDevice {
public:
    explicit ObservedDevice(std::shared_ptr<minihost::CudaDevice> d) : d_(std::move(d)) {}
    PF_GPU_Framework framework() const override { return d_->framework(); }
    const std::string& name() const override { return d_->name(); }
    void Describe(PF_GPUDeviceInfo& info) const override { d_->Describe(info); }
    void* Allocate(size_t bytes) const override { return d_->Allocate(bytes); }
    void Free(void* buffer) const noexcept override { d_->Free(buffer); }
    void WriteRows(void* buffer, size_t row_bytes, size_t host_row, size_t rows, const void* from) const override {
        cuapi::CUcontext current = nullptr;
        cuapi::LoadApi()->CtxGetCurrent(&current);
        std::lock_guard lock(mutex_);
        current_at_upload.push_back(current);
        d_->WriteRows(buffer, row_bytes, host_row, rows, from);
    }
    void ReadRows(const void* buffer, size_t row_bytes, size_t host_row, size_t rows, void* to) const override {
        d_->ReadRows(buffer, row_bytes, host_row, rows, to);
    }
    void Enter() const override { d_->Enter(); }
    void Leave() const noexcept override { d_->Leave(); }

    mutable std::vector<cuapi::CUcontext> current_at_upload;

private:
    std::shared_ptr<minihost::CudaDevice> d_;
    mutable std::mutex mutex_;
};

// The effect checks its layers out during the command, so the host uploads them
// then: by that time the device's context must already be current on the thread.
TEST_F(CudaHost, GpuCommandsRunWithTheDevicesContextCurrent) {
    auto observed = std::make_shared<ObservedDevice>(device);
    const A_u_long index = session->gpu().AddDevice(observed);
    const minihost::GpuSetup s = session->SetupGpuDevice(index);
    ASSERT_TRUE(s.accepted);
    EveryLight(*session, 13, 7);
    FrameRequest r = Request(13, 7, 0);
    r.gpu = minihost::GpuTarget{index, s.gpu_data, 0};
    const FrameResult f = Render(r);
    ASSERT_EQ(f.err(), PF_Err_NONE);
    EXPECT_FALSE(f.fallback);
    // The output before the command, then the input and four maps during it.
    ASSERT_EQ(observed->current_at_upload.size(), 6u);
    EXPECT_EQ(observed->current_at_upload[0], nullptr);
    for (size_t i = 1; i < observed->current_at_upload.size(); ++i)
        EXPECT_EQ(observed->current_at_upload[i], device->context()) << "upload " << i;
    EXPECT_EQ(session->SetdownGpuDevice(index, s.gpu_data).err, PF_Err_NONE);
}

// Everything the host and the effect took from the driver is given back: the
// primary context, the stream, the module and every device buffer, also after a
// frame that fell back.
TEST(CudaHostLifetime, EveryDriverObjectIsReturned) {
    morvel::test::FakeDriver driver;
    if (std::string why = driver.Missing(); !why.empty()) GTEST_SKIP() << why;
    const auto before = driver.Held();
    {
        Session session(MORVEL_FAKE_CUDA_MODULE);
        ASSERT_EQ(session.GlobalSetup().err, 0);
        ASSERT_EQ(session.ParamsSetup().err, 0);
        session.gpu().AddDevice(std::make_shared<minihost::CudaDevice>(minihost::CudaDevices().devices.at(0)));
        const minihost::GpuSetup s = session.SetupGpuDevice(0);
        ASSERT_TRUE(s.accepted);
        const World input = Pattern(17, 9, 1);
        FrameRequest r;
        r.layers[""] = &input;
        r.render_command = PF_Cmd_SMART_RENDER_GPU;
        r.gpu = minihost::GpuTarget{0, s.gpu_data, 16};
        session.composition().AddLight(AEGP_LightType_POINT, {5, 5, -40.0});
        EXPECT_EQ(minihost::RenderFrame(session, r).err(), PF_Err_NONE);
        driver.Fault("launch");
        EXPECT_EQ(minihost::RenderFrame(session, r).err(), PF_Err_NONE);
        EXPECT_EQ(session.SetdownGpuDevice(0, s.gpu_data).err, PF_Err_NONE);
    }
    EXPECT_EQ(driver.Held(), before);
    EXPECT_EQ(driver.Held().retains, 0);
}

// A device the driver will not open is an error naming it, holding nothing.
TEST(CudaHostLifetime, DeviceThatCannotOpenHoldsNothing) {
    morvel::test::FakeDriver driver;
    if (std::string why = driver.Missing(); !why.empty()) GTEST_SKIP() << why;
    const auto entry = minihost::CudaDevices().devices.at(0);
    for (const char* fault : {"retain", "push"}) {
        SCOPED_TRACE(fault);
        driver.Fault(fault);
        EXPECT_THROW(minihost::CudaDevice{entry}, minihost::Error);
        driver.Clear();
        EXPECT_EQ(driver.Held(), morvel::test::FakeDriver::Live{});
    }
}

}  // namespace
