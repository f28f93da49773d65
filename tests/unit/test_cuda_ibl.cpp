// IBL on the CUDA back end without a GPU, through the fake driver: the frame's HDRI
// read back for its key, converted and blurred by the device kernels, kept in the
// device's cache, and the environment pass, all against the CPU picture; and every
// failure of the preparation leaving the frame to the CPU with nothing held.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FakeCudaDriver.h"
#include "GpuTwinFrame.h"
#include "cpu/CpuPasses.h"
#include "gpu/GpuDeviceLifecycle.h"
#include "gpu/GpuFrame.h"
#include "gpu/cuda/CudaPass.h"
#include "hostaccess/HostSuites.h"
#include "scene/SmartPreRender.h"

namespace morvel {
namespace {

// The host side of a GPU frame: the smart-render callbacks hand out the frame's GPU
// worlds, the GPU device suite their buffers, and device memory for the effect's
// scratch images (counted, and refusable).
struct FakeGpuHost {
    std::map<A_long, PF_EffectWorld*> layers;  // by checkout id
    PF_EffectWorld* output = nullptr;
    std::map<const PF_EffectWorld*, void*> buffers;
    bool refuse_memory = false;
    int allocations = 0, frees = 0;
    std::set<void*> held;

    PF_GPUDeviceSuite1 suite{};
    SPBasicSuite basic{};
    PF_InData in_data{};
    PF_SmartRenderCallbacks cb{};
    PF_SmartRenderInput input{};
    PF_SmartRenderExtra extra{};

    FakeGpuHost() {
        basic.AcquireSuite = [](const char*, int32_t, const void** s) -> SPErr {
            *s = &the->suite;
            return 0;
        };
        basic.ReleaseSuite = [](const char*, int32_t) -> SPErr { return 0; };
        suite.GetGPUWorldData = [](PF_ProgPtr, PF_EffectWorld* w, void** data) -> PF_Err {
            *data = the->buffers.count(w) ? the->buffers[w] : nullptr;
            return PF_Err_NONE;
        };
        suite.GetGPUWorldSize = [](PF_ProgPtr, PF_EffectWorld* w, size_t* bytes) -> PF_Err {
            *bytes = size_t(w->rowbytes) * size_t(w->height);
            return PF_Err_NONE;
        };
        suite.AllocateDeviceMemory = [](PF_ProgPtr, A_u_long, size_t bytes, void** p) -> PF_Err {
            *p = nullptr;
            if (the->refuse_memory) return PF_Err_OUT_OF_MEMORY;
            *p = std::malloc(bytes);
            ++the->allocations;
            the->held.insert(*p);
            return PF_Err_NONE;
        };
        suite.FreeDeviceMemory = [](PF_ProgPtr, A_u_long, void* p) -> PF_Err {
            EXPECT_EQ(the->held.erase(p), 1u) << "freed device memory the host never gave";
            ++the->frees;
            std::free(p);
            return PF_Err_NONE;
        };
        cb.checkout_layer_pixels = [](PF_ProgPtr, A_long id, PF_EffectWorld** w) -> PF_Err {
            *w = the->layers.count(id) ? the->layers[id] : nullptr;
            return PF_Err_NONE;
        };
        cb.checkout_output = [](PF_ProgPtr, PF_EffectWorld** w) -> PF_Err {
            *w = the->output;
            return PF_Err_NONE;
        };
        in_data.pica_basicP = &basic;
        extra.cb = &cb;
        extra.input = &input;
        the = this;
    }
    ~FakeGpuHost() {
        EXPECT_TRUE(held.empty()) << "scratch device memory never given back";
        the = nullptr;
    }
    void Serve(TwinLayer& layer, A_long id) {
        layers[id] = &layer.gpu_world;
        buffers[&layer.gpu_world] = layer.gpu.data();
    }
    void Serve(TwinFrame& f) {
        Serve(f.input, CHECKOUT_INPUT);
        output = &f.output.gpu_world;
        buffers[output] = f.output.gpu.data();
        for (int i = 0; i < kPassLayerCount; ++i)
            if (f.layers[i]) Serve(*f.layers[i], CHECKOUT_DIFFUSE_ALBEDO + i);
    }

    static inline FakeGpuHost* the = nullptr;
};

class CudaIbl : public test::FakeCudaTest {
protected:
    // A frame with an HDRI of its own size (values up to 4, rows padded), served by
    // the host and mirrored as the CPU frame's HDRI.
    struct Scene {
        TwinFrame f;
        TwinLayer hdri;
        Scene(int w, int h, int hw, int hh, std::set<int> missing = {})
            : f(w, h, missing), hdri(hw, hh, 3, 300, false) {
            FillHdri(hdri, hw, hh, 300);
            f.cpu.hdri = &hdri.cpu_world;
        }
    };

    // PrepareGpuFrame as a GPU frame runs it, the HDRI layer checked out with the rest.
    PF_Err Prepare(FakeGpuHost& host, Scene& s, float bias) {
        host.Serve(s.f);
        host.Serve(s.hdri, CHECKOUT_HDRI);
        FrameSettings frame{};
        frame.ibl_enable = 1;
        frame.ibl_roughness_bias = bias;
        s.f.gpu.hdri.reset();
        GpuFrameContext ctx;
        const PF_Err err = PrepareGpuFrame(&host.in_data, nullptr, &host.extra, device_, ctx, frame);
        // The test's own frame keeps its buffers; only what the preparation made is taken.
        s.f.gpu.hdri = ctx.hdri;
        ReleaseGpuFrame(ctx);
        return err;
    }

    // The environment pass, then every light kind and rim on top, on both back ends.
    void RenderBoth(Scene& s, float bias) {
        ClearOutputCpu(s.f.cpu);
        ASSERT_EQ(LaunchClearToOpaqueBlack(device_, s.f.gpu), PF_Err_NONE);
        const FrameSettings ibl = EnvironmentPass(1, s.f.w, s.f.h, bias);
        ASSERT_EQ(RenderIblPassCpu(s.f.cpu, ibl), PF_Err_NONE);
        ASSERT_EQ(RunCudaPass(device_, s.f.gpu, ibl), PF_Err_NONE);
        for (PassType type : {PASS_DIRECTIONAL, PASS_POINT, PASS_SPOT, PASS_AMBIENT, PASS_INCIDENCE_RIM}) {
            const FrameSettings fs = Pass(type, 0, s.f.w, s.f.h);
            ASSERT_EQ(RenderPassCpu(s.f.cpu, fs), PF_Err_NONE);
            ASSERT_EQ(RunCudaPass(device_, s.f.gpu, fs), PF_Err_NONE);
        }
    }

    void SetUp() override {
        FakeCudaTest::SetUp();
        SetUpDevice(device_);
    }
    void TearDown() override {
        ClearDeviceRecord(device_);
        FakeCudaTest::TearDown();
    }

    GpuDeviceState device_;
};

// Blurred and unblurred specular images, HDRIs from one pixel (the blurs wrap
// onto themselves) to odd sizes, infinite and NaN texels (made finite by the CPU's
// rule, so the blurs spread the same light), every map or a few or none (every map
// is what no host test hands); within the OpenCL IBL tests' tolerance. The first frame prepares the HDRI on the device,
// the second takes it from the cache and renders the same picture; a setdown where another context is current frees the
// cache in the device's.
TEST_F(CudaIbl, FramesMatchTheCpuFirstAndFromTheCache) {
    struct Case {
        const char* name;
        int w, h, hw, hh;
        float bias;
        std::set<int> missing = {};
        bool non_finite = false;
    };
    const Case cases[] = {
        {"blurred specular", 37, 23, 45, 21, 0.05f},
        {"unblurred specular (a copy)", 37, 23, 45, 21, 0.0f},
        {"specular blur at the tap cap", 19, 17, 64, 32, 4.0f},
        {"one-pixel HDRI", 21, 9, 1, 1, 0.05f},
        {"two-pixel row", 17, 16, 2, 1, 0.0f},
        {"one-pixel column", 16, 17, 1, 3, 0.02f},
        {"non-finite texels, blurred", 37, 23, 20, 10, 0.05f, {}, true},
        {"non-finite texels, unblurred", 37, 23, 20, 10, 0.0f, {}, true},
        {"no normal or roughness map", 29, 5, 33, 17, 0.05f, {SLOT_NORMAL, SLOT_ROUGHNESS}},
        {"input only",
         23,
         11,
         20,
         10,
         0.05f,
         {SLOT_DIFFUSE_ALBEDO, SLOT_NORMAL, SLOT_ROUGHNESS, SLOT_METALNESS, SLOT_SPECULAR, SLOT_SOURCE}},
    };
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int round : {0, 1}) {
            SCOPED_TRACE(round == 0 ? "first frame" : "cache hit");
            FakeGpuHost host;
            Scene s(c.w, c.h, c.hw, c.hh, c.missing);
            if (c.non_finite) {
                s.hdri.Set(3, 2, inf, 2.0f, 2.0f, 1.0f, c.hw);
                s.hdri.Set(11, 7, 1.0f, -inf, 1.0f, 1.0f, c.hw);
                s.hdri.Set(17, 4, nan, 1.0f, nan, nan, c.hw);
            }
            const int allocs = fake_.allocs, converts = fake_.launches_of[CUDA_KERNEL_CONVERT_HDRI];
            ASSERT_EQ(Prepare(host, s, c.bias), PF_Err_NONE);
            ASSERT_TRUE(s.f.gpu.hdri);
            EXPECT_EQ(s.f.gpu.hdri->width, c.hw);
            EXPECT_EQ(s.f.gpu.hdri->height, c.hh);
            // Prepared once: scratch from the host and two images of the effect's own.
            EXPECT_EQ(host.allocations, round == 0 ? 3 : 0);
            EXPECT_EQ(fake_.allocs - allocs, round == 0 ? 2 : 0);
            EXPECT_EQ(fake_.launches_of[CUDA_KERNEL_CONVERT_HDRI] - converts, round == 0 ? 1 : 0);
            RenderBoth(s, c.bias);
            for (float v : s.f.output.gpu) ASSERT_FALSE(std::isnan(v));
            ExpectSamePicture(s.f, s.f.output.gpu, 1e-4f, 0.999);
            EXPECT_EQ(fake_.last_block[0], 16u);
            EXPECT_EQ(fake_.last_block[1], 16u);
            EXPECT_EQ(fake_.last_stream, stream_) << "launched on the host's stream";
        }
        const cuapi::CUcontext host_context = fake_.current;
        fake_.current = reinterpret_cast<cuapi::CUcontext>(0x99);
        ClearDeviceRecord(device_);
        EXPECT_TRUE(fake_.live.empty()) << "the cache's images are freed at setdown";
        EXPECT_EQ(fake_.freed_in, host_context);
        EXPECT_EQ(fake_.current, reinterpret_cast<cuapi::CUcontext>(0x99));
        fake_.current = host_context;
        SetUpDevice(device_);
    }
}

// A changed texel or another roughness bias is another HDRI: prepared afresh and
// never lit by the cached images of the first.
TEST_F(CudaIbl, ChangedHdriIsNeverServedFromTheCache) {
    struct Step {
        const char* name;
        bool change_texel;
        float bias;
        bool prepares;
    };
    const Step steps[] = {{"first", false, 0.05f, true},
                          {"same", false, 0.05f, false},
                          {"one texel brighter", true, 0.05f, true},
                          {"first again, still cached", false, 0.05f, false},
                          {"another bias", false, 0.1f, true}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        FakeGpuHost host;
        Scene s(23, 11, 24, 12);
        if (step.change_texel) s.hdri.Set(7, 5, 400.0f, 300.0f, 200.0f, 1.0f, 24);
        const int converts = fake_.launches_of[CUDA_KERNEL_CONVERT_HDRI];
        ASSERT_EQ(Prepare(host, s, step.bias), PF_Err_NONE);
        EXPECT_EQ(fake_.launches_of[CUDA_KERNEL_CONVERT_HDRI] > converts, step.prepares);
        RenderBoth(s, step.bias);
        ExpectSamePicture(s.f, s.f.output.gpu, 1e-4f, 0.999);
    }
}

// Every failure of the preparation fails the frame (which the caller then renders
// through the staged CPU fallback) with no HDRI held, nothing cached, every scratch
// image given back and every image of the effect's own freed; the next frame on the
// same device renders on it as before.
TEST_F(CudaIbl, FailedPreparationFallsBackAndHoldsNothing) {
    struct Case {
        const char* fault;
        float bias;
        PF_Err want;
    };
    const Case cases[] = {
        {"read", 0.05f, PF_Err_INTERNAL_STRUCT_DAMAGED},  // the read back for the key
        {"host memory", 0.05f, PF_Err_OUT_OF_MEMORY},
        {"alloc", 0.05f, PF_Err_OUT_OF_MEMORY},
        {"write", 0.05f, PF_Err_INTERNAL_STRUCT_DAMAGED},  // the weight table
        {"launch ConvertHdriKernel", 0.05f, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"launch BlurHdriKernel", 0.05f, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"dtod", 0.0f, PF_Err_INTERNAL_STRUCT_DAMAGED},  // the unblurred specular copy
        {"sync", 0.0f, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"push", 0.05f, PF_Err_INTERNAL_STRUCT_DAMAGED},  // the device's context cannot be made current
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        {
            FakeGpuHost host;
            Scene s(19, 7, 16, 8);
            if (std::string(c.fault) == "host memory")
                host.refuse_memory = true;
            else
                fake_.fail = {c.fault};
            // "push" matters only where another context is current.
            if (std::string(c.fault) == "push") fake_.current = reinterpret_cast<cuapi::CUcontext>(0x77);
            EXPECT_EQ(Prepare(host, s, c.bias), c.want);
            EXPECT_FALSE(s.f.gpu.hdri);
            EXPECT_EQ(device_.hdri_cache.size(), 0u);
            EXPECT_EQ(host.frees, host.allocations);
            EXPECT_TRUE(fake_.live.empty()) << "the effect's images of a failed preparation are freed";
            fake_.fail.clear();
            fake_.current = reinterpret_cast<cuapi::CUcontext>(0x10);
        }
        FakeGpuHost host;
        Scene s(19, 7, 16, 8);
        ASSERT_EQ(Prepare(host, s, c.bias), PF_Err_NONE);
        RenderBoth(s, c.bias);
        ExpectSamePicture(s.f, s.f.output.gpu, 1e-4f, 0.999);
        s.f.gpu.hdri.reset();
        ClearDeviceRecord(device_);
        SetUpDevice(device_);
    }
}

// A failed environment launch fails the pass rather than leave the frame unlit.
TEST_F(CudaIbl, FailedEnvironmentLaunchFailsThePass) {
    FakeGpuHost host;
    Scene s(19, 7, 16, 8);
    ASSERT_EQ(Prepare(host, s, 0.05f), PF_Err_NONE);
    fake_.fail = {"launch EnvironmentPassKernel"};
    EXPECT_EQ(RunCudaPass(device_, s.f.gpu, EnvironmentPass(1, 19, 7, 0.05f)), PF_Err_INTERNAL_STRUCT_DAMAGED);
    fake_.fail.clear();
}

}  // namespace
}  // namespace morvel
