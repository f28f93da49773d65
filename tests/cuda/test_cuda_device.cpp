// The CUDA back end on a real device: the module's fat binary loaded through the
// driver, frames in device buffers with the host's pitch, launched on a stream of
// the device's primary context, against the CPU back end's picture. Skips where
// there is no CUDA device (or this build carries no kernels).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "cpu/CpuPasses.h"
#include "cuapi/CuApi.h"
#include "gpu/GpuDeviceLifecycle.h"
#include "gpu/cuda/CudaFatbin.h"
#include "gpu/cuda/CudaHdri.h"
#include "gpu/cuda/CudaModule.h"
#include "gpu/cuda/CudaPass.h"
#include "unit/GpuTwinFrame.h"

namespace morvel {
namespace {

using namespace cuapi;

// What the device fault tests provoke from the real driver, and the device memory
// the effect allocates and frees through it.
struct DriverFaults {
    const Api* real = nullptr;
    bool huge_allocation = false;  // every cuMemAlloc asks for far more than any GPU has
    bool bad_launch = false;       // every launch asks for more threads per block than allowed
    std::atomic<int> allocs{0}, frees{0};
};
DriverFaults g_faults;

CUresult FaultyMemAlloc(CUdeviceptr* p, size_t bytes) {
    const CUresult err = g_faults.real->MemAlloc(p, g_faults.huge_allocation ? (size_t(1) << 52) : bytes);
    if (err == CUDA_SUCCESS) ++g_faults.allocs;
    return err;
}
CUresult CountedMemFree(CUdeviceptr p) {
    ++g_faults.frees;
    return g_faults.real->MemFree(p);
}
CUresult FaultyLaunch(CUfunction f, unsigned gx, unsigned gy, unsigned gz, unsigned bx, unsigned by, unsigned bz,
                      unsigned shared, CUstream stream, void** params, void** extra) {
    if (g_faults.bad_launch) bx = by = 64;  // 4096 threads: refused by every GPU
    return g_faults.real->LaunchKernel(f, gx, gy, gz, bx, by, bz, shared, stream, params, extra);
}

// The host's device memory for the effect's scratch images, counted.
std::atomic<int> g_host_allocs{0}, g_host_frees{0};
PF_GPUDeviceSuite1 HostDeviceMemorySuite() {
    PF_GPUDeviceSuite1 s{};
    s.AllocateDeviceMemory = [](PF_ProgPtr, A_u_long, size_t bytes, void** p) -> PF_Err {
        CUdeviceptr d = 0;
        *p = nullptr;
        if (g_faults.real->MemAlloc(&d, bytes) != CUDA_SUCCESS) return PF_Err_OUT_OF_MEMORY;
        ++g_host_allocs;
        *p = reinterpret_cast<void*>(static_cast<uintptr_t>(d));
        return PF_Err_NONE;
    };
    s.FreeDeviceMemory = [](PF_ProgPtr, A_u_long, void* p) -> PF_Err {
        ++g_host_frees;
        g_faults.real->MemFree(static_cast<CUdeviceptr>(reinterpret_cast<uintptr_t>(p)));
        return PF_Err_NONE;
    };
    return s;
}

// Device 0's primary context, current on this thread, and a stream of its own.
class CudaDevice : public ::testing::Test {
protected:
    void SetUp() override {
        cu_ = LoadApi();
        if (!cu_) GTEST_SKIP() << "no CUDA device: " << LoadError();
        if (CudaFatbin().empty())
            GTEST_SKIP() << "this build carries no CUDA kernels (configure with -DMORVEL_CUDA=ON)";
        int count = 0;
        if (cu_->DeviceGetCount(&count) != CUDA_SUCCESS || count == 0) GTEST_SKIP() << "no CUDA device";
        ASSERT_EQ(cu_->DeviceGet(&device_, 0), CUDA_SUCCESS);
        ASSERT_EQ(cu_->DevicePrimaryCtxRetain(&context_, device_), CUDA_SUCCESS);
        ASSERT_EQ(cu_->CtxPushCurrent(context_), CUDA_SUCCESS);
        ASSERT_EQ(cu_->StreamCreate(&stream_, 0), CUDA_SUCCESS);
        PF_GPUDeviceInfo info{};
        info.device_framework = PF_GPU_Framework_CUDA;
        info.contextPV = context_;
        info.command_queuePV = stream_;
        ASSERT_TRUE(LoadCudaModule(record_, info)) << "the driver refused the module";
        record_.framework = PF_GPU_Framework_CUDA;
        g_faults.real = cu_;
    }
    void TearDown() override {
        SetApiForTesting(nullptr);
        if (!cu_ || !context_) return;
        for (CUdeviceptr p : buffers_) cu_->MemFree(p);
        ClearDeviceRecord(record_);
        if (stream_) cu_->StreamDestroy(stream_);
        CUcontext popped = nullptr;
        cu_->CtxPopCurrent(&popped);
        cu_->DevicePrimaryCtxRelease(device_);
    }
    // A device copy of a GPU world, padding included.
    void* Upload(const std::vector<float>& pixels, int pitch, int height) {
        CUdeviceptr p = 0;
        EXPECT_EQ(cu_->MemAlloc(&p, pixels.size() * sizeof(float)), CUDA_SUCCESS);
        buffers_.push_back(p);
        void* buffer = reinterpret_cast<void*>(static_cast<uintptr_t>(p));
        EXPECT_TRUE(WriteGpuPixels(record_, buffer, pitch, height, pitch, pixels.data()));
        return buffer;
    }
    // Points the frame's GPU buffers at device copies.
    void ToDevice(TwinFrame& f) {
        f.gpu.input_data = Upload(f.input.gpu, f.input.pitch, f.h);
        f.gpu.output_data = Upload(f.output.gpu, f.output.pitch, f.h);
        for (int i = 0; i < kPassLayerCount; ++i)
            if (f.layers[i]) f.gpu.pass_data[i] = Upload(f.layers[i]->gpu, f.layers[i]->pitch, f.h);
    }
    // An HDRI of its own size (values up to 4, rows padded) on the device, and as the
    // CPU frame's HDRI.
    std::unique_ptr<TwinLayer> Hdri(TwinFrame& f, int w, int h, int salt) {
        auto hdri = std::make_unique<TwinLayer>(w, h, 3, salt, false);
        FillHdri(*hdri, w, h, salt);
        f.cpu.hdri = &hdri->cpu_world;
        f.gpu.hdri_world = &hdri->gpu_world;
        f.gpu.hdri_data = Upload(hdri->gpu, hdri->pitch, h);
        f.gpu.hdri_pitch = hdri->pitch;
        return hdri;
    }
    PF_Err PrepareHdri(TwinFrame& f, float bias) { return PrepareCudaHdri(record_, suite_, nullptr, 0, f.gpu, bias); }
    std::vector<float> Output(const TwinFrame& f) {
        std::vector<float> out(f.output.gpu.size());
        EXPECT_TRUE(ReadGpuPixels(record_, f.gpu.output_data, f.output.pitch, f.h, f.output.pitch, out.data()));
        return out;
    }

    const Api* cu_ = nullptr;
    CUdevice device_ = 0;
    CUcontext context_ = nullptr;
    CUstream stream_ = nullptr;
    GpuDeviceState record_;
    std::vector<CUdeviceptr> buffers_;
    const PF_GPUDeviceSuite1 suite_ = HostDeviceMemorySuite();
};

// A 1921 x 1080 frame with padded rows (the grid's last blocks run past the frame
// and must leave the padding alone), lit by a 4096 x 2048 HDRI (the diffuse blur at
// its tap cap over a full-size map) and then by every light kind.
TEST_F(CudaDevice, FullHdFrameWithPaddedRowsAndALargeHdri) {
    TwinFrame f(1921, 1080);
    ToDevice(f);
    const std::unique_ptr<TwinLayer> hdri = Hdri(f, 4096, 2048, 800);
    ClearOutputCpu(f.cpu);
    ASSERT_EQ(LaunchClearToOpaqueBlack(record_, f.gpu), PF_Err_NONE);
    ASSERT_EQ(PrepareHdri(f, 0.1f), PF_Err_NONE);
    const FrameSettings ibl = EnvironmentPass(1, f.w, f.h, 0.1f);
    ASSERT_EQ(RenderIblPassCpu(f.cpu, ibl), PF_Err_NONE);
    ASSERT_EQ(RunCudaPass(record_, f.gpu, ibl), PF_Err_NONE);
    for (PassType type : {PASS_DIRECTIONAL, PASS_POINT, PASS_SPOT, PASS_AMBIENT, PASS_INCIDENCE_RIM}) {
        const FrameSettings fs = Pass(type, 0, f.w, f.h);
        ASSERT_EQ(RenderPassCpu(f.cpu, fs), PF_Err_NONE);
        ASSERT_EQ(RunCudaPass(record_, f.gpu, fs), PF_Err_NONE);
    }
    ExpectSamePicture(f, Output(f), 1e-4f, 0.999);
    f.gpu.hdri.reset();
    EXPECT_EQ(g_host_frees.load(), g_host_allocs.load()) << "every scratch image goes back to the host";
}

// Faults the real driver reports: an allocation larger than any GPU, and launches
// with more threads per block than any GPU runs. The HDRI preparation and the passes
// fail (the frame then takes the CPU fallback), nothing stays allocated or cached,
// and the device renders the next frame correctly.
TEST_F(CudaDevice, DriverFaultsFailTheFrameAndLeaveTheDeviceUsable) {
    struct Case {
        const char* what;
        bool huge_allocation, bad_launch;
    };
    Api faulty = *cu_;
    faulty.MemAlloc = FaultyMemAlloc;
    faulty.MemFree = CountedMemFree;
    faulty.LaunchKernel = FaultyLaunch;
    for (const Case c : {Case{"allocation too large", true, false}, Case{"launch refused", false, true}}) {
        SCOPED_TRACE(c.what);
        TwinFrame f(61, 17);
        ToDevice(f);
        const std::unique_ptr<TwinLayer> hdri = Hdri(f, 64, 32, 900);
        g_faults.allocs = g_faults.frees = 0;
        const int host_allocs = g_host_allocs, host_frees = g_host_frees;
        SetApiForTesting(&faulty);
        g_faults.huge_allocation = c.huge_allocation;
        g_faults.bad_launch = c.bad_launch;
        EXPECT_NE(PrepareHdri(f, 0.05f), PF_Err_NONE);
        EXPECT_FALSE(f.gpu.hdri);
        EXPECT_EQ(record_.hdri_cache.size(), 0u);
        EXPECT_EQ(g_faults.frees.load(), g_faults.allocs.load());
        EXPECT_EQ(g_host_allocs - host_allocs, g_host_frees - host_frees);
        if (c.bad_launch) {
            EXPECT_EQ(LaunchClearToOpaqueBlack(record_, f.gpu), PF_Err_INTERNAL_STRUCT_DAMAGED);
            EXPECT_EQ(RunCudaPass(record_, f.gpu, Pass(PASS_POINT, 1, f.w, f.h)), PF_Err_INTERNAL_STRUCT_DAMAGED);
        }
        g_faults.huge_allocation = g_faults.bad_launch = false;

        // The same frame once the faults are gone, still through the counting table.
        ClearOutputCpu(f.cpu);
        ASSERT_EQ(LaunchClearToOpaqueBlack(record_, f.gpu), PF_Err_NONE);
        ASSERT_EQ(PrepareHdri(f, 0.05f), PF_Err_NONE);
        const FrameSettings fs = EnvironmentPass(1, f.w, f.h, 0.05f);
        ASSERT_EQ(RenderIblPassCpu(f.cpu, fs), PF_Err_NONE);
        ASSERT_EQ(RunCudaPass(record_, f.gpu, fs), PF_Err_NONE);
        ExpectSamePicture(f, Output(f), 1e-4f, 0.999);
        f.gpu.hdri.reset();
        record_.hdri_cache.Clear();
        EXPECT_EQ(g_faults.frees.load(), g_faults.allocs.load()) << "the cached images are freed";
        SetApiForTesting(nullptr);
    }
}

}  // namespace
}  // namespace morvel
