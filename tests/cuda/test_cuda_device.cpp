// The CUDA back end on a real device: the module's fat binary loaded through the
// driver, frames in device buffers with the host's pitch, launched on a stream of
// the device's primary context, against the CPU back end's picture. Skips where
// there is no CUDA device (or this build carries no kernels).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cpu/CpuPasses.h"
#include "cuapi/CuApi.h"
#include "gpu/GpuDeviceLifecycle.h"
#include "gpu/cuda/CudaFatbin.h"
#include "gpu/cuda/CudaModule.h"
#include "gpu/cuda/CudaPass.h"
#include "unit/GpuTwinFrame.h"

namespace morvel {
namespace {

using namespace cuapi;

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
    }
    void TearDown() override {
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
};

// Random scenes as the tests make them: every light kind, incidence and rim, maps
// missing at random, odd sizes; within 1e-4 + 1e-4 |value| on 99.9 % of pixels.
TEST_F(CudaDevice, RandomScenesMatchTheCpuPicture) {
    std::mt19937 rng(12);
    const PassType kinds[] = {PASS_DIRECTIONAL, PASS_POINT, PASS_SPOT, PASS_AMBIENT, PASS_INCIDENCE_RIM};
    for (int scene = 0; scene < 24; ++scene) {
        const int w = 1 + int(rng() % 300), h = 1 + int(rng() % 200);
        std::set<int> missing;
        for (int slot : {SLOT_DIFFUSE_ALBEDO, SLOT_NORMAL, SLOT_ROUGHNESS, SLOT_METALNESS, SLOT_SPECULAR, SLOT_SOURCE})
            if (rng() % 4 == 0) missing.insert(slot);
        SCOPED_TRACE("scene " + std::to_string(scene) + ": " + std::to_string(w) + "x" + std::to_string(h));
        TwinFrame f(w, h, missing);
        ToDevice(f);
        ClearOutputCpu(f.cpu);
        ASSERT_EQ(LaunchClearToOpaqueBlack(record_, f.gpu), PF_Err_NONE);
        const int passes = 1 + int(rng() % 6);
        for (int i = 0; i < passes; ++i) {
            FrameSettings fs = Pass(kinds[rng() % 5], i == 0, w, h);
            fs.light_pos_x = float(rng() % 100) / 100.0f;
            fs.light_pos_y = float(rng() % 100) / 100.0f;
            fs.intensity = 0.5f + float(rng() % 100) / 50.0f;
            ASSERT_EQ(RenderPassCpu(f.cpu, fs), PF_Err_NONE);
            ASSERT_EQ(RunCudaPass(record_, f.gpu, fs), PF_Err_NONE);
        }
        ExpectSamePicture(f, Output(f), 1e-4f, 0.999);
    }
}

// A frame of 1921 x 1080: the grid's last blocks run past the frame and must
// leave the padding and everything outside alone.
TEST_F(CudaDevice, OddFullHdFrameWithPaddedRows) {
    TwinFrame f(1921, 1080);
    ToDevice(f);
    ClearOutputCpu(f.cpu);
    ASSERT_EQ(LaunchClearToOpaqueBlack(record_, f.gpu), PF_Err_NONE);
    int first = 1;
    for (PassType type : {PASS_DIRECTIONAL, PASS_POINT, PASS_SPOT, PASS_AMBIENT, PASS_INCIDENCE_RIM}) {
        const FrameSettings fs = Pass(type, first, f.w, f.h);
        ASSERT_EQ(RenderPassCpu(f.cpu, fs), PF_Err_NONE);
        ASSERT_EQ(RunCudaPass(record_, f.gpu, fs), PF_Err_NONE);
        first = 0;
    }
    ExpectSamePicture(f, Output(f), 1e-4f, 0.999);
}

}  // namespace
}  // namespace morvel
