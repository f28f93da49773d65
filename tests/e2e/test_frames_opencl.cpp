// GPU frames end to end on a real OpenCL device (PoCL here): the built module
// offered the device through GPU device setup, handed GPU worlds whose data is
// null, and checked against the CPU flow's picture.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "GpuFrameChecks.h"
#include "minihost/Composition.h"
#include "minihost/Frame.h"
#include "minihost/GpuHost.h"
#include "minihost/OpenClDevice.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace {

using e2e::AllOpaqueBlack;
using e2e::ExpectSamePicture;
using e2e::Pattern;
using minihost::FrameRequest;
using minihost::FrameResult;
using minihost::GpuSetup;
using minihost::PixelF;
using minihost::World;

constexpr PF_GPU_Framework kOpenCl = 1, kMetal = 2, kCuda = 3;

// Odd sizes, so no row or column lines up with the 16 x 16 work-groups.
constexpr int kW = 37;
constexpr int kH = 23;

// A picture with something in it, so that comparing it proves something.
void ExpectLit(const FrameResult& f) { EXPECT_TRUE(f.output && !AllOpaqueBlack(*f.output)); }

class OpenClFrames : public ::testing::Test {
protected:
    void SetUp() override {
        const auto devices = minihost::ListOpenClDevices();
        if (devices.empty()) GTEST_SKIP() << "no OpenCL device on this machine (install pocl-opencl-icd)";
        device = std::make_shared<minihost::OpenClDevice>(devices.front());
        ASSERT_EQ(session.GlobalSetup().err, 0);
        ASSERT_EQ(session.ParamsSetup().err, 0);
        SwitchPassesOff();
        session.gpu().AddDevice(device);
    }

    void SwitchPassesOff() {
        for (const char* box : {"Enable IBL", "Enable Incidence", "Enable Rim Light", "Preview Sphere"})
            session.params().SetCheckbox(box, false);
    }

    void TearDown() override {
        // The module stays loaded for the whole test program: give back what was set up.
        for (auto [index, data] : set_up) session.SetdownGpuDevice(index, data);
    }

    GpuSetup SetUpDevice(A_u_long index, PF_GPU_Framework what = kOpenCl) {
        GpuSetup s = session.SetupGpuDevice(index, what);
        if (s.accepted) set_up.emplace_back(index, s.gpu_data);
        return s;
    }

    // A frame with every material map, so nothing but its passes can send it to the CPU.
    FrameRequest Request(const void* gpu_data, A_u_long index = 0, int depth = 32) {
        FrameRequest r;
        r.depth = depth;
        r.layers[""] = &input;
        r.layers["Normal Map"] = &normals;
        r.layers["Roughness"] = &roughness;
        r.layers["Metalness"] = &metalness;
        r.layers["Specular Albedo"] = &specular;
        r.layers["HDRI"] = &hdri;
        r.render_command = PF_Cmd_SMART_RENDER_GPU;
        r.gpu = minihost::GpuTarget{index, gpu_data, 48};
        return r;
    }

    // The same frame of float layers on the CPU.
    static FrameRequest OnCpu(FrameRequest r) {
        r.render_command = PF_Cmd_SMART_RENDER;
        r.gpu.reset();
        r.depth = 32;
        return r;
    }

    // A picture stored in another depth, as the host stores the device's.
    static World InDepth(const World& w, int depth) {
        World out(w.width(), w.height(), depth);
        for (int y = 0; y < w.height(); ++y)
            for (int x = 0; x < w.width(); ++x) out.Set(x, y, w.Get(x, y));
        return out;
    }

    // Renders `gpu` on the device and again on the CPU: the frame must stay on the
    // device and give the CPU's picture, within one code in the integer depths.
    // Returns the CPU's frame.
    FrameResult ExpectCpuPicture(const FrameRequest& gpu) {
        FrameResult g = Render(gpu), want = Render(OnCpu(gpu));
        EXPECT_EQ(g.err(), PF_Err_NONE);
        EXPECT_EQ(want.err(), PF_Err_NONE);
        if (g.err() != PF_Err_NONE || want.err() != PF_Err_NONE) return want;
        EXPECT_FALSE(g.fallback) << "every pass ran on the device";
        const float code = gpu.depth == 8 ? 1.0f / 255 : gpu.depth == 16 ? 1.0f / 32768 : 0.0f;
        ExpectSamePicture(*g.output, InDepth(*want.output, gpu.depth), code);
        return want;
    }

    FrameResult Render(const FrameRequest& r) {
        FrameResult f = minihost::RenderFrame(session, r);
        EXPECT_EQ(session.params().OutstandingCheckouts(), 0) << "every parameter goes back";
        return f;
    }

    minihost::Session session{MORVEL_MODULE_PATH};
    std::shared_ptr<minihost::OpenClDevice> device;
    std::vector<std::pair<A_u_long, void*>> set_up;
    const World input = Pattern(kW, kH, 3), normals = Pattern(kW, kH, 4), roughness = Pattern(kW, kH, 5),
                metalness = Pattern(kW, kH, 6), specular = Pattern(kW, kH, 7), hdri = Pattern(32, 16, 8, false);
};

TEST_F(OpenClFrames, SetupAcceptsOnlyAnOpenClRequestForAnOpenClDevice) {
    struct Case {
        PF_GPU_Framework what;
        bool accepted;
    };
    for (const Case c : {Case{kOpenCl, true}, Case{kCuda, false}, Case{kMetal, false}, Case{4, false}}) {
        SCOPED_TRACE(c.what);
        const GpuSetup s = SetUpDevice(0, c.what);
        EXPECT_EQ(s.outcome.err, PF_Err_NONE);
        EXPECT_EQ(s.accepted, c.accepted);
        EXPECT_EQ(s.gpu_data != nullptr, c.accepted) << "gpu_data is written only for a device taken";
        EXPECT_EQ((s.outcome.out.out_flags2 & PF_OutFlag2_SUPPORTS_GPU_RENDER_F32) != 0, c.accepted);
        EXPECT_EQ(s.outcome.Message(), "") << "declining a device says nothing";
    }
}

TEST_F(OpenClFrames, MissingDeviceSuiteAtSetupIsAnErrorAndLeavesTheDeviceUnused) {
    session.suites().SetMode("PF GPU Device Suite", 1, minihost::SuiteMode::AcquireFails);
    const GpuSetup s = SetUpDevice(0);
    EXPECT_EQ(s.outcome.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(s.outcome.Message(), "Not able to acquire AEFX Suite.");
    EXPECT_FALSE(s.accepted);
    EXPECT_TRUE(session.suites().Outstanding().empty());
}

// A frame without passes is opaque black on the device, whatever the buffer held,
// and never leaves the device. Work-groups are 16 x 16: the last column of a
// 1921-wide frame and the last row of an odd height are inside the rounded-up launch.
TEST_F(OpenClFrames, FrameWithoutPassesIsClearedToOpaqueBlackToItsOddEdges) {
    const GpuSetup s = SetUpDevice(0);
    ASSERT_TRUE(s.accepted);
    const World wide[] = {Pattern(1921, 17, 9), Pattern(1921, 17, 1), Pattern(1921, 17, 2), Pattern(1921, 17, 3),
                          Pattern(1921, 17, 4)};
    FrameRequest r = Request(s.gpu_data);
    int i = 0;
    for (const char* name : {"", "Normal Map", "Roughness", "Metalness", "Specular Albedo"})
        r.layers[name] = &wide[i++];
    const FrameResult f = Render(r);
    ASSERT_EQ(f.err(), PF_Err_NONE);
    EXPECT_FALSE(f.fallback);
    EXPECT_FALSE(f.output_untouched);
    EXPECT_TRUE(AllOpaqueBlack(*f.output));
    EXPECT_TRUE(f.output->SamePixels(*Render(OnCpu(r)).output));
}

// Frames the device cannot finish (a host fault, not what the frame asks for) are
// rendered again on the CPU from the host's GPU worlds, and look exactly like CPU
// frames, in every depth the host converts to.
TEST_F(OpenClFrames, HostFaultsFallBackToTheCpuPicture) {
    const GpuSetup s = SetUpDevice(0);
    ASSERT_TRUE(s.accepted);
    struct Case {
        const char* what;
        std::function<void(minihost::Session&, FrameRequest&)> arrange;
    };
    const Case cases[] = {
        {"point light, first GetGPUWorldData gives null",
         [](minihost::Session& t, FrameRequest&) {
             t.composition().AddLight(AEGP_LightType_POINT, {kW * 0.3, kH * 0.4, -60.0});
             t.gpu().faults.first_world_data_null = true;
         }},
        {"IBL, no device memory for the HDRI preparation",
         [](minihost::Session& t, FrameRequest&) {
             t.params().SetCheckbox("Enable IBL", true);
             t.params().SetFloat("Diffuse Intensity", 5.0);
             t.params().SetFloat("HDRI Roughness Bias", 3.0);
             t.gpu().faults.device_memory_fails = true;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int depth : {32, 16, 8}) {
            SCOPED_TRACE(depth);
            FrameRequest gpu = Request(s.gpu_data, 0, depth);
            // A new HDRI each time, so that no prepared image of it is cached.
            const World hdri_here = Pattern(24, 12, 900 + depth, false);
            gpu.layers["HDRI"] = &hdri_here;
            c.arrange(session, gpu);
            const long allocations = session.gpu().device_allocations;
            const FrameResult g = Render(gpu), want = Render(OnCpu(gpu));
            ASSERT_EQ(g.err(), PF_Err_NONE);
            ASSERT_EQ(want.err(), PF_Err_NONE);
            EXPECT_TRUE(g.fallback);
            EXPECT_EQ(session.gpu().device_allocations, allocations);
            EXPECT_TRUE(g.output->SamePixels(InDepth(*want.output, depth)));
            EXPECT_FALSE(AllOpaqueBlack(*g.output));
        }
        session.composition().Clear();
        session.gpu().faults = {};
        session.params().SetCheckbox("Enable IBL", false);
    }
    EXPECT_EQ(session.gpu().device_frees, session.gpu().device_allocations) << "every scratch buffer went back";
    EXPECT_TRUE(session.suites().Outstanding().empty());
}

// Every pass kind runs on the device and gives the CPU's picture: ambient light,
// incidence, rim, the environment pass with the preview sphere (an unblurred
// specular image alone, a blurred one with everything else), a feathered cone, a
// light with falloff and source blending, on odd sizes with padded rows and layers of their own sizes
// (a smaller albedo, a wider normal map), in float and in the depths the host
// converts to (within one code there).
TEST_F(OpenClFrames, EveryPassKindMatchesTheCpuPicture) {
    const GpuSetup s = SetUpDevice(0);
    ASSERT_TRUE(s.accepted);
    struct Case {
        const char* what;
        std::function<void(minihost::Session&, int w, int h)> arrange;
    };
    auto ibl = [](minihost::Session& t, double bias) {
        auto& p = t.params();
        p.SetCheckbox("Enable IBL", true);
        p.SetCheckbox("Preview Sphere", true);
        p.SetFloat("Diffuse Intensity", 4.0);
        p.SetFloat("Specular Intensity", 3.0);
        p.SetFloat("HDRI Exposure", 0.5);
        p.SetFloat("HDRI Gamma", 1.4);
        p.SetAngle("HDRI Rotation Y", 35.0);
        p.SetAngle("HDRI Rotation X", -10.0);
        p.SetFloat("HDRI Roughness Bias", bias);
    };
    const Case cases[] = {
        {"ambient light",
         [](minihost::Session& t, int, int) { t.composition().AddLight(AEGP_LightType_AMBIENT, {}).intensity = 70; }},
        {"incidence alone", [&](minihost::Session& t, int, int) { e2e::Incidence(t); }},
        {"rim after a light",
         [&](minihost::Session& t, int w, int h) {
             t.composition().AddLight(AEGP_LightType_POINT, {w * 0.3, h * 0.4, -40.0}).intensity = 90;
             e2e::Rim(t);
         }},
        {"IBL, unblurred specular image", [&](minihost::Session& t, int, int) { ibl(t, 0.0); }},
        {"everything",
         [&](minihost::Session& t, int w, int h) {
             ibl(t, 1.0);
             e2e::Incidence(t);
             e2e::Rim(t);
             e2e::EveryLight(t, w, h);
         }},
        {"a feathered cone and a light with falloff, source blend",
         [](minihost::Session& t, int w, int h) {
             auto& comp = t.composition();
             auto& spot = comp.AddLight(AEGP_LightType_SPOT, {w * 0.8, h * 0.1, -30.0}, {w / 2.0, h / 2.0, 0});
             spot.intensity = 150;
             spot.cone_angle = 50;
             spot.cone_feather = 30;
             auto& point = comp.AddLight(AEGP_LightType_POINT, {w * 0.7, h * 0.9, -20.0});
             point.falloff_type = 1;
             point.falloff_radius = 5;
             point.falloff_distance = 30;
             t.params().SetFloat("Source Blend", 25.0);
         }},
    };
    struct Size {
        int w, h, padding;
    };
    for (const Size size : {Size{37, 23, 48}, Size{61, 17, 16}, Size{16, 16, 0}}) {
        SCOPED_TRACE(size.w);
        const World in = Pattern(size.w, size.h, 51), albedo = Pattern(size.w - 5, size.h - 3, 57),
                    normal = Pattern(size.w + 7, size.h, 52), rough = Pattern(size.w, size.h, 53),
                    metal = Pattern(size.w, size.h, 54), spec = Pattern(size.w, size.h, 55),
                    src = Pattern(size.w, size.h, 58), env = Pattern(45, 21, 56, false);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            c.arrange(session, size.w, size.h);
            for (int depth : {32, 16, 8}) {
                SCOPED_TRACE(depth);
                FrameRequest gpu = Request(s.gpu_data, 0, depth);
                gpu.gpu->row_padding = size.padding;
                gpu.layers = {{"", &in},
                              {"Diffuse Albedo", &albedo},
                              {"Normal Map", &normal},
                              {"Roughness", &rough},
                              {"Metalness", &metal},
                              {"Specular Albedo", &spec},
                              {"Source (for Blend)", &src},
                              {"HDRI", &env}};
                ExpectLit(ExpectCpuPicture(gpu));
            }
            session.composition().Clear();
            SwitchPassesOff();
            session.params().SetFloat("Source Blend", 0.0);
        }
    }
}

// A frame missing any one material map, or all of them, reads the missing layer as
// the CPU does (its defaults, no zero-filled stand-in) and stays on the device.
TEST_F(OpenClFrames, MissingMapsReadAsOnTheCpu) {
    const GpuSetup s = SetUpDevice(0);
    ASSERT_TRUE(s.accepted);
    const World albedo = Pattern(kW, kH, 61), src = Pattern(kW, kH, 62), env = Pattern(16, 8, 63, false);
    auto& p = session.params();
    p.SetCheckbox("Enable IBL", true);
    p.SetFloat("Diffuse Intensity", 5.0);
    p.SetFloat("Specular Intensity", 5.0);
    p.SetCheckbox("Enable Rim Light", true);
    p.SetFloat("Rim Light/Amount", 60.0);
    p.SetFloat("Source Blend", 30.0);
    auto& comp = session.composition();
    comp.AddLight(AEGP_LightType_POINT, {kW * 0.3, kH * 0.4, -40.0}).intensity = 120;
    comp.AddLight(AEGP_LightType_AMBIENT, {}).intensity = 20;
    const std::vector<std::string> maps = {"Diffuse Albedo", "Normal Map",      "Roughness",
                                           "Metalness",      "Specular Albedo", "Source (for Blend)"};
    for (int missing = 0; missing <= static_cast<int>(maps.size()); ++missing) {
        const bool all = missing == static_cast<int>(maps.size());
        SCOPED_TRACE(all ? "every map" : maps[missing]);
        FrameRequest gpu = Request(s.gpu_data);
        gpu.layers["Diffuse Albedo"] = &albedo;
        gpu.layers["Source (for Blend)"] = &src;
        gpu.layers["HDRI"] = &env;
        for (int i = 0; i < static_cast<int>(maps.size()); ++i)
            if (all || i == missing) gpu.layers[maps[i]] = nullptr;
        ExpectCpuPicture(gpu);
    }
}

// HDRIs of one pixel, two pixels in a row (the row blur wraps onto itself many
// times), a 4096 x 2048 one (the blur at its 128-tap cap) and one with infinite and
// NaN texels (converted on the device by the CPU's rule) light the frame as on the
// CPU, blurred and not.
TEST_F(OpenClFrames, HdrisFromOnePixelToLargeAndNonFiniteLightAsOnTheCpu) {
    const GpuSetup s = SetUpDevice(0);
    ASSERT_TRUE(s.accepted);
    auto& p = session.params();
    p.SetCheckbox("Enable IBL", true);
    p.SetCheckbox("Preview Sphere", true);
    p.SetFloat("Diffuse Intensity", 5.0);
    p.SetFloat("Specular Intensity", 5.0);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    World non_finite = Pattern(20, 10, 500, false);
    non_finite.Set(3, 2, {1.0f, inf, 2.0f, 2.0f});
    non_finite.Set(11, 7, {1.0f, 1.0f, -inf, 1.0f});
    non_finite.Set(17, 4, {nan, 1.0f, 1.0f, nan});
    const World sizes[] = {Pattern(1, 1, 71, false), Pattern(2, 1, 72, false), Pattern(1, 3, 71, false),
                           Pattern(4096, 2048, 74, false)};
    struct Case {
        const World& env;
        double bias;
    };
    for (const Case c : {Case{sizes[0], 4.0}, Case{sizes[1], 4.0}, Case{sizes[2], 4.0}, Case{sizes[3], 4.0},
                         Case{non_finite, 0.0}, Case{non_finite, 4.0}}) {
        SCOPED_TRACE(std::to_string(c.env.width()) + " x " + std::to_string(c.env.height()) + ", bias " +
                     std::to_string(c.bias));
        p.SetFloat("HDRI Roughness Bias", c.bias);
        FrameRequest gpu = Request(s.gpu_data);
        gpu.layers["HDRI"] = &c.env;
        ExpectLit(ExpectCpuPicture(gpu));
    }
}

// A sequence prepares its HDRI once per device; a frame whose HDRI (or roughness
// bias) changed is prepared afresh and never lit by the images of another, and a
// device set down and up again starts with nothing cached. The host's device
// memory counts the preparations: each takes scratch images and gives them back.
TEST_F(OpenClFrames, PreparedHdriIsKeptButNeverStale) {
    GpuSetup s = SetUpDevice(0);
    ASSERT_TRUE(s.accepted);
    auto& p = session.params();
    p.SetCheckbox("Enable IBL", true);
    p.SetFloat("Diffuse Intensity", 5.0);
    p.SetFloat("Specular Intensity", 5.0);
    World first = Pattern(40, 20, 80, false), changed = Pattern(40, 20, 80, false);
    // One texel brighter: the blurs spread it over the whole picture.
    changed.Set(7, 5, {1.0f, 400.0f, 300.0f, 200.0f});
    struct Step {
        const char* what;
        const World& env;
        double bias;
        bool prepares, set_down_first = false;
    };
    const Step steps[] = {{"first frame", first, 0.5, true},
                          {"same HDRI", first, 0.5, false},
                          {"changed HDRI", changed, 0.5, true},
                          {"back to the first HDRI, still cached", first, 0.5, false},
                          {"another roughness bias", first, 2.0, true},
                          {"that bias again", first, 2.0, false},
                          {"device set down and up again", first, 2.0, true, true}};
    std::vector<FrameResult> pictures;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.set_down_first) {
            ASSERT_EQ(session.SetdownGpuDevice(0, s.gpu_data).err, PF_Err_NONE);
            set_up.clear();
            s = SetUpDevice(0);
            ASSERT_TRUE(s.accepted);
        }
        p.SetFloat("HDRI Roughness Bias", step.bias);
        const long before = session.gpu().device_allocations;
        FrameRequest gpu = Request(s.gpu_data);
        gpu.layers["HDRI"] = &step.env;
        pictures.push_back(ExpectCpuPicture(gpu));
        EXPECT_EQ(session.gpu().device_allocations > before, step.prepares);
        EXPECT_EQ(session.gpu().device_frees, session.gpu().device_allocations);
    }
    ASSERT_TRUE(pictures[0].output && pictures[2].output);
    EXPECT_FALSE(pictures[2].output->SamePixels(*pictures[0].output)) << "the changed texel shows in the picture";
}

// Inputs a shading guard must catch (NaN and infinite pixels, normals of zero length,
// a light exactly on a pixel and in the image plane, zero roughness) come out of the
// device as they come out of the CPU: the program's build options keep every guard.
TEST_F(OpenClFrames, DegenerateInputsMatchTheCpu) {
    const GpuSetup s = SetUpDevice(0);
    ASSERT_TRUE(s.accepted);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    World in = Pattern(kW, kH, 41), n = Pattern(kW, kH, 42), rough = Pattern(kW, kH, 43), metal = Pattern(kW, kH, 44),
          spec = Pattern(kW, kH, 45);
    for (int x = 0; x < kW; ++x) {
        in.Set(x, 1, {1.0f, x % 3 ? nan : 0.5f, x % 2 ? inf : 0.2f, -inf});
        n.Set(x, 2, {1.0f, 0.5f, 0.5f, 0.5f});  // decodes to the zero vector
        n.Set(x, 3, {1.0f, nan, 0.5f, inf});
        rough.Set(x, 4, {1.0f, 0.0f, 0.0f, 0.0f});
        metal.Set(x, 5, {1.0f, nan, nan, nan});
        spec.Set(x, 6, {1.0f, -inf, inf, 1e30f});
        in.Set(x, 7, {nan, 0.5f, 0.5f, 0.5f});
    }
    auto& comp = session.composition();
    comp.AddLight(AEGP_LightType_POINT, {10.5, 8.5, 0.0}).intensity = 100;
    auto& spot = comp.AddLight(AEGP_LightType_SPOT, {20.5, 4.5, 0.0}, {20.5, 4.5, 0.0});
    spot.intensity = 100;
    spot.cone_feather = 0;
    comp.AddLight(AEGP_LightType_PARALLEL, {0, 0, 0}, {0, 0, 0}).intensity = 100;
    FrameRequest gpu = Request(s.gpu_data);
    gpu.layers = {
        {"", &in}, {"Normal Map", &n}, {"Roughness", &rough}, {"Metalness", &metal}, {"Specular Albedo", &spec}};
    const FrameResult want = ExpectCpuPicture(gpu);
    ASSERT_TRUE(want.output);
    int nans = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const PixelF p = want.output->Get(x, y);
            for (float c : {p.a, p.r, p.g, p.b}) nans += std::isnan(c);
        }
    EXPECT_GT(nans, 0) << "the NaN colours reach the output on both paths, so the guards were exercised";
}

// One record per device: the same device under two indices is set up and down on
// its own, and a frame finds its record through its gpu_data.
TEST_F(OpenClFrames, DevicesKeepTheirOwnRecords) {
    session.gpu().AddDevice(device);
    const GpuSetup a = SetUpDevice(0), b = SetUpDevice(1);
    ASSERT_TRUE(a.accepted && b.accepted);
    EXPECT_NE(a.gpu_data, b.gpu_data);
    EXPECT_FALSE(Render(Request(b.gpu_data, 1)).fallback);

    ASSERT_EQ(session.SetdownGpuDevice(1, b.gpu_data).err, PF_Err_NONE);
    set_up.pop_back();
    const FrameResult on_a = Render(Request(a.gpu_data, 0));
    EXPECT_FALSE(on_a.fallback) << "setting device 1 down left device 0 alone";
    EXPECT_TRUE(AllOpaqueBlack(*on_a.output));
    // A frame for the device set down is still rendered, on the CPU straight away
    // (its worlds moved with the host's queue), not left as the buffer was.
    const FrameResult on_b = Render(Request(b.gpu_data, 1));
    EXPECT_EQ(on_b.err(), PF_Err_NONE);
    EXPECT_TRUE(AllOpaqueBlack(*on_b.output));
    EXPECT_FALSE(on_b.fallback);
    // A second setdown changes nothing; a setup again builds afresh.
    EXPECT_EQ(session.SetdownGpuDevice(1, b.gpu_data).err, PF_Err_NONE);
    const GpuSetup again = SetUpDevice(1);
    ASSERT_TRUE(again.accepted);
    EXPECT_FALSE(Render(Request(again.gpu_data, 1)).fallback);

    // A later setup whose GetDeviceInfo fails leaves the device as it was.
    session.gpu().faults.device_info_fails = true;
    const GpuSetup failed = SetUpDevice(0);
    EXPECT_EQ(failed.outcome.err, PF_Err_NONE);
    EXPECT_FALSE(failed.accepted);
    session.gpu().faults.device_info_fails = false;
    EXPECT_FALSE(Render(Request(a.gpu_data, 0)).fallback);
}

// Lit and environment-lit frames of different sizes at once on one device equal
// the same frames one by one: two frames never set arguments on one kernel object
// at once, and six HDRIs (more than the cache keeps) are evicted while other frames
// read them; the scratch memory of every preparation goes back to the host.
TEST_F(OpenClFrames, FramesAtOnceEqualFramesOneByOne) {
    const GpuSetup s = SetUpDevice(0);
    ASSERT_TRUE(s.accepted);
    constexpr int kFrames = 24, kHdris = 6;
    std::vector<World> layers, hdris;
    for (int i = 0; i < kFrames; ++i)
        for (int k = 0; k < 5; ++k) layers.push_back(Pattern(9 + i, 7 + i % 5, 20 + 5 * i + k));
    for (int h = 0; h < kHdris; ++h) hdris.push_back(Pattern(12 + h, 6, 400 + h, false));
    std::vector<FrameRequest> requests;
    for (int i = 0; i < kFrames; ++i) {
        FrameRequest r = Request(s.gpu_data);
        int k = 0;
        for (const char* name : {"", "Normal Map", "Roughness", "Metalness", "Specular Albedo"})
            r.layers[name] = &layers[5 * i + k++];
        r.layers["HDRI"] = &hdris[i % kHdris];
        r.output_seed = 100 + i;
        requests.push_back(r);
    }
    auto& p = session.params();
    p.SetCheckbox("Enable IBL", true);
    p.SetCheckbox("Preview Sphere", true);
    p.SetFloat("Diffuse Intensity", 5.0);
    p.SetFloat("HDRI Roughness Bias", 1.5);
    p.SetCheckbox("Enable Rim Light", true);
    // Many passes each, so that much of a frame's time is argument setting and
    // launching and the threads' passes overlap.
    for (int l = 0; l < 16; ++l)
        session.composition()
            .AddLight(l % 2 ? AEGP_LightType_POINT : AEGP_LightType_SPOT, {2.0 + l, 1.0 + l % 5, -10.0 - l}, {5, 4, 0})
            .intensity = 20 + 5 * l;
    std::vector<FrameResult> one_by_one;
    for (const FrameRequest& r : requests) one_by_one.push_back(Render(r));
    // A race shows only now and then; a few rounds make it show.
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        const std::vector<FrameResult> at_once = minihost::RenderFrames(session, requests, 8);
        for (std::size_t i = 0; i < requests.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_EQ(at_once[i].err(), PF_Err_NONE);
            EXPECT_FALSE(at_once[i].fallback);
            EXPECT_TRUE(at_once[i].output->SamePixels(*one_by_one[i].output));
            EXPECT_FALSE(AllOpaqueBlack(*at_once[i].output));
        }
    }
    EXPECT_EQ(session.gpu().device_frees, session.gpu().device_allocations);
}

}  // namespace
