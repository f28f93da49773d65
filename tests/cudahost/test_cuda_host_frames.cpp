// minihost as a CUDA host, end to end: the module set up on a CUDA device (the
// host's stream as its queue, the device's context current), handed GPU worlds
// that are device buffers with the host's pitch, and its frames read back and
// held against the CPU flow's picture. The driver is the fake one.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
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
using minihost::PixelF;
using minihost::Session;
using minihost::World;

class CudaHost : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string why = driver.Missing(); !why.empty()) GTEST_SKIP() << why;
        driver.Clear();
        const minihost::CudaAvailability cuda = minihost::CudaDevices();
        ASSERT_FALSE(cuda.devices.empty()) << cuda.why;
        session = std::make_unique<Session>(MORVEL_FAKE_CUDA_MODULE);
        ASSERT_EQ(session->GlobalSetup().err, 0);
        ASSERT_EQ(session->ParamsSetup().err, 0);
        for (const char* box : {"Enable IBL", "Enable Incidence", "Enable Rim Light", "Preview Sphere"})
            session->params().SetCheckbox(box, false);
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

    morvel::test::FakeDriver driver;
    std::unique_ptr<Session> session;
    std::shared_ptr<minihost::CudaDevice> device;
    void* gpu_data = nullptr;
    std::vector<World> layers;
};

TEST_F(CudaHost, DeviceInfoHandsTheHostsStreamAndContext) {
    PF_GPUDeviceInfo info{};
    device->Describe(info);
    EXPECT_EQ(info.device_framework, PF_GPU_Framework_CUDA);
    EXPECT_EQ(info.command_queuePV, device->stream());
    EXPECT_EQ(info.contextPV, device->context());
    EXPECT_NE(info.contextPV, nullptr);
    EXPECT_EQ(driver.Held().modules, 1) << "the kernels' module, loaded once at setup";
}

// Every pass kind runs on the device and gives the CPU's picture, on odd sizes
// with padded device rows, with maps missing, in float and in 8 bits.
TEST_F(CudaHost, EveryPassKindMatchesTheCpuPicture) {
    struct Case {
        const char* what;
        int w, h, padding, depth;
        std::function<void(Session&, int, int)> arrange;
        std::vector<const char*> missing = {};
    };
    const Case cases[] = {
        {"ambient", 37, 23, 48, 32,
         [](Session& s, int, int) { s.composition().AddLight(AEGP_LightType_AMBIENT, {}).intensity = 70; }},
        {"directional", 33, 17, 16, 32,
         [](Session& s, int w, int h) {
             s.composition().AddLight(AEGP_LightType_PARALLEL, {0, -100, -100}, {w / 2.0, h / 2.0, 0}).intensity = 60;
         }},
        {"point", 19, 31, 0, 32,
         [](Session& s, int w, int h) {
             s.composition().AddLight(AEGP_LightType_POINT, {w * 0.3, h * 0.4, -40.0}).intensity = 90;
         }},
        {"spot", 41, 18, 32, 32,
         [](Session& s, int w, int h) {
             auto& spot =
                 s.composition().AddLight(AEGP_LightType_SPOT, {w * 0.8, h * 0.1, -30.0}, {w / 2.0, h / 2.0, 0});
             spot.intensity = 150;
             spot.cone_angle = 50;
         }},
        {"incidence alone", 37, 23, 48, 32, [](Session& s, int, int) { Incidence(s); }},
        {"rim after every light", 61, 17, 16, 32,
         [](Session& s, int w, int h) {
             EveryLight(s, w, h);
             Rim(s);
         }},
        {"everything, 8-bit", 37, 23, 48, 8,
         [](Session& s, int w, int h) {
             EveryLight(s, w, h);
             Incidence(s);
             Rim(s);
         }},
        {"no normal map",
         29,
         13,
         16,
         32,
         [](Session& s, int w, int h) {
             EveryLight(s, w, h);
             Incidence(s);
         },
         {"Normal Map"}},
        {"no roughness, metalness or specular",
         23,
         11,
         0,
         32,
         [](Session& s, int w, int h) { EveryLight(s, w, h); },
         {"Roughness", "Metalness", "Specular Albedo"}},
        {"one pixel", 1, 1, 16, 32, [](Session& s, int w, int h) { EveryLight(s, w, h); }},
        {"IBL with the preview sphere and every light", 37, 23, 48, 32,
         [](Session& s, int w, int h) {
             auto& p = s.params();
             p.SetCheckbox("Enable IBL", true);
             p.SetCheckbox("Preview Sphere", true);
             p.SetFloat("Diffuse Intensity", 4.0);
             p.SetFloat("Specular Intensity", 3.0);
             p.SetFloat("HDRI Roughness Bias", 1.5);
             EveryLight(s, w, h);
         }},
        {"wider than a launch row of blocks", 1921, 3, 0, 32,
         [](Session& s, int w, int h) {
             s.composition().AddLight(AEGP_LightType_POINT, {w * 0.9, h * 0.5, -40.0}).intensity = 90;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        session->composition().Clear();
        for (const char* box : {"Enable IBL", "Preview Sphere", "Enable Incidence", "Enable Rim Light"})
            session->params().SetCheckbox(box, false);
        c.arrange(*session, c.w, c.h);
        FrameRequest gpu = Request(c.w, c.h, c.padding, c.depth);
        const World hdri = Pattern(32, 16, 77);
        gpu.layers["HDRI"] = &hdri;
        for (const char* name : c.missing) gpu.layers[name] = nullptr;
        const long launches = driver.Launches();
        // The CPU picture of the same float layers, stored in the frame's depth as the host does.
        FrameRequest cpu = OnCpu(gpu);
        cpu.depth = 32;
        const FrameResult g = Render(gpu), want = Render(cpu);
        ASSERT_EQ(g.err(), PF_Err_NONE);
        ASSERT_EQ(want.err(), PF_Err_NONE);
        EXPECT_FALSE(g.fallback) << "rendered on the device";
        EXPECT_GT(driver.Launches(), launches);
        EXPECT_FALSE(AllOpaqueBlack(*g.output));
        World expected(c.w, c.h, c.depth);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) expected.Set(x, y, want.output->Get(x, y));
        ExpectSamePicture(*g.output, expected, c.depth == 8 ? 1.0f / 255 : 0.0f);
    }
}

// A failure in the effect's own driver calls sends the frame through the staged
// CPU fallback, which ends in the CPU picture.
TEST_F(CudaHost, FailedLaunchesAndKernelsFallBackToTheCpuPicture) {
    for (const char* fault : {"launch", "launch:3", "kernel", "kernel:2"}) {
        SCOPED_TRACE(fault);
        session->composition().Clear();
        EveryLight(*session, 37, 23);
        Rim(*session);
        const FrameRequest gpu = Request(37, 23, 48);
        const FrameResult want = Render(OnCpu(gpu));
        driver.Fault(fault);
        const FrameResult g = Render(gpu);
        driver.Clear();
        ASSERT_EQ(g.err(), PF_Err_NONE);
        EXPECT_TRUE(g.fallback);
        ExpectSamePicture(*g.output, *want.output);
    }
}

// Where the host cannot do its part before the command (the output world) or after
// it (the read-back), the frame stops with an error naming the device and what
// failed. A layer the host cannot hand during the command is an error code to the
// effect: without its input the effect falls back, asks again and renders the CPU
// picture; a map it cannot have it leaves out, as on the CPU. Nothing the host
// allocated is left behind either way.
TEST_F(CudaHost, HostDriverFailuresAreClearErrorsOrErrorCodesToTheEffect) {
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
    const FrameResult f = Render(gpu), want = Render(OnCpu(gpu));
    EXPECT_EQ(f.err(), PF_Err_NONE);
    EXPECT_FALSE(f.fallback);
    EXPECT_TRUE(f.host_errors.empty());
    ExpectSamePicture(*f.output, *want.output);
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

// Frames on several threads at once, each sending its command with the device's
// context current on its own thread.
TEST_F(CudaHost, ThreadedFramesEachMatchTheCpu) {
    EveryLight(*session, 37, 23);
    Incidence(*session);
    const FrameRequest gpu = Request(37, 23, 48);
    const FrameResult want = Render(OnCpu(gpu));
    const std::vector<FrameResult> got = minihost::RenderFrames(*session, std::vector<FrameRequest>(6, gpu), 3);
    for (const FrameResult& g : got) {
        ASSERT_EQ(g.err(), PF_Err_NONE);
        EXPECT_FALSE(g.fallback);
        ExpectSamePicture(*g.output, *want.output);
    }
}

// Everything the host and the effect took from the driver is given back: the
// primary context, the stream, the module and every device buffer.
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
