// The CUDA back end without a GPU: a driver table whose device addresses are host
// memory and whose launches run each kernel's per-thread body over the launch's
// whole grid on the CPU. Frames are B G R A float with rows wider than the frame,
// as a host hands them, and are compared with the CPU back end's picture.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FakeCudaDriver.h"
#include "GpuTwinFrame.h"
#include "cuapi/CuApi.h"
#include "frame/FrameContext.h"
#include "gpu/GpuDeviceLifecycle.h"
#include "gpu/GpuFrame.h"
#include "gpu/cuda/CudaFatbin.h"
#include "gpu/cuda/CudaKernelArgs.h"
#include "gpu/cuda/CudaModule.h"
#include "gpu/cuda/CudaPass.h"

namespace morvel {
namespace {

using namespace cuapi;

using test::FakeDriver;
using CudaBackEnd = test::FakeCudaTest;

TEST(CudaLaunchGrid, CoversTheFrameInWholeBlocks) {
    struct Case {
        int w, h;
        unsigned x, y;
    };
    for (const Case c : {Case{1921, 1080, 121, 68}, Case{1920, 1088, 120, 68}, Case{1, 1, 1, 1}, Case{17, 15, 2, 1},
                         Case{0, 10, 0, 1}, Case{0, -5, 0, 0}, Case{65535 * 16 + 1, 3, 65536, 1},
                         Case{4, 65535 * 16 + 1, 1, 0}}) {  // too many blocks down: no launch
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const CudaGrid g = CudaLaunchGrid(c.w, c.h);
        EXPECT_EQ(g.x, c.x);
        EXPECT_EQ(g.y, c.y);
    }
}

TEST(CudaDriver, MissingDriverIsNoDeviceAndNeverACrash) {
    if (LoadApi()) GTEST_SKIP() << "a CUDA driver with a device is installed here";
    EXPECT_STRNE(LoadError(), "");
    GpuDeviceState record;
    PF_GPUDeviceInfo info{};
    info.device_framework = PF_GPU_Framework_CUDA;
    EXPECT_FALSE(LoadCudaModule(record, info));
    EXPECT_EQ(record.cuda_module, nullptr);
    float pixel[4] = {};
    EXPECT_FALSE(ReadCudaPixels(record, pixel, 1, 1, 1, pixel));
}

// A build made with nvcc carries a fat binary holding every kernel the back end
// looks up; one made without carries nothing, and CUDA devices are declined.
TEST(CudaFatbin, HoldsEveryKernelWhenBuilt) {
    const std::span<const unsigned char> image = CudaFatbin();
    if (image.empty()) GTEST_SKIP() << "built without the CUDA kernels (-DMORVEL_CUDA=OFF)";
    ASSERT_GE(image.size(), 16u);
    uint32_t magic = 0;
    std::memcpy(&magic, image.data(), 4);
    EXPECT_EQ(magic, 0xBA55ED50u) << "not a fat binary";
    const std::string bytes(reinterpret_cast<const char*>(image.data()), image.size());
    for (const char* name : test::kFakeKernelNames) EXPECT_NE(bytes.find(name), std::string::npos) << name;
}

TEST_F(CudaBackEnd, ModuleLoadsOncePerSetupAndUnloadsAtSetdownInItsContext) {
    GpuDeviceState a, b;
    SetUpDevice(a);
    SetUpDevice(b);
    EXPECT_EQ(fake_.loads, 2);
    EXPECT_EQ(a.cuda_stream, stream_);
    for (void* f : a.cuda_functions) EXPECT_NE(f, nullptr);
    // Setdown runs on a thread where another context is current.
    const CUcontext host_context = fake_.current;
    fake_.current = reinterpret_cast<CUcontext>(0x99);
    ClearDeviceRecord(a);
    EXPECT_EQ(fake_.unloads, 1);
    EXPECT_EQ(fake_.pushes, 1);
    EXPECT_EQ(fake_.pops, 1);
    EXPECT_EQ(fake_.current, reinterpret_cast<CUcontext>(0x99));
    EXPECT_EQ(a.cuda_module, nullptr);
    EXPECT_EQ(a.framework, PF_GPU_Framework_NONE);
    // The other device is untouched.
    EXPECT_NE(b.cuda_module, nullptr);
    fake_.current = host_context;
    ClearDeviceRecord(b);
    EXPECT_EQ(fake_.unloads, 2);
}

TEST_F(CudaBackEnd, RefusedModuleOrMissingKernelDeclinesTheDevice) {
    PF_GPUDeviceInfo info{};
    info.device_framework = PF_GPU_Framework_CUDA;
    info.contextPV = fake_.current;
    for (const char* fault : {"load", "function", "current", "empty image"}) {
        SCOPED_TRACE(fault);
        fake_ = FakeDriver{};
        fake_.fail = {fault};
        if (std::string(fault) == "current") info.contextPV = nullptr;
        GpuDeviceState record;
        const std::span<const unsigned char> image =
            std::string(fault) == "empty image" ? std::span<const unsigned char>{} : image_;
        EXPECT_FALSE(LoadCudaModuleFrom(record, info, image));
        EXPECT_EQ(record.cuda_module, nullptr);
        EXPECT_EQ(record.cuda_context, nullptr);
        EXPECT_EQ(fake_.loads, fake_.unloads) << "a module loaded is unloaded";
        info.contextPV = reinterpret_cast<void*>(0x10);
    }
}

TEST_F(CudaBackEnd, EveryFailedCallFailsThePass) {
    for (const char* fault : {"launch", "sync", "current", "push"}) {
        SCOPED_TRACE(fault);
        GpuDeviceState device;
        SetUpDevice(device);
        TwinFrame f(19, 7);
        fake_.fail = {fault};
        // "push" only matters where the host's context is not the current one.
        if (std::string(fault) == "push") fake_.current = reinterpret_cast<CUcontext>(0x77);
        EXPECT_EQ(LaunchClearToOpaqueBlack(device, f.gpu), PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_EQ(RunCudaPass(device, f.gpu, Pass(PASS_POINT, 1, 19, 7)), PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_EQ(RunCudaPass(device, f.gpu, Pass(PASS_INCIDENCE_RIM, 1, 19, 7)), PF_Err_INTERNAL_STRUCT_DAMAGED);
        // Transfers launch nothing, but wait on the stream in the device's context.
        std::vector<float> host(19 * 7 * 4);
        EXPECT_EQ(ReadGpuPixels(device, f.gpu.output_data, 19, 7, f.output.pitch, host.data()),
                  std::string(fault) == "launch");
        fake_ = FakeDriver{};
        ClearDeviceRecord(device);
    }
}

// Asked for without a prepared HDRI, the environment pass fails rather than paint
// the frame black, and launches nothing.
TEST_F(CudaBackEnd, EnvironmentPassWithoutPreparedHdriFails) {
    GpuDeviceState device;
    SetUpDevice(device);
    TwinFrame f(8, 8);
    EXPECT_EQ(RunCudaPass(device, f.gpu, Pass(PASS_IBL, 1, 8, 8)), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(RunCudaPass(device, f.gpu, Pass(PassType(99), 1, 8, 8)), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_EQ(fake_.launches, 0);
    ClearDeviceRecord(device);
}

TEST_F(CudaBackEnd, TransfersKeepTheDevicePitchAndFailWhenTheDriverDoes) {
    GpuDeviceState device;
    SetUpDevice(device);
    const int w = 5, h = 3, pitch = 8;
    std::vector<float> buffer(size_t(pitch) * h * 4, -7.0f);
    std::vector<float> in(size_t(w) * h * 4), out(in.size());
    for (size_t i = 0; i < in.size(); ++i) in[i] = float(i);
    ASSERT_TRUE(WriteGpuPixels(device, buffer.data(), w, h, pitch, in.data()));
    EXPECT_EQ(buffer[(size_t(1) * pitch + 2) * 4 + 3], in[(size_t(1) * w + 2) * 4 + 3]);
    EXPECT_EQ(buffer[(size_t(1) * pitch + w) * 4], -7.0f) << "padding untouched";
    ASSERT_TRUE(ReadGpuPixels(device, buffer.data(), w, h, pitch, out.data()));
    EXPECT_EQ(out, in);
    fake_.fail = {"copy"};
    EXPECT_FALSE(ReadGpuPixels(device, buffer.data(), w, h, pitch, out.data()));
    fake_.fail = {"sync"};
    EXPECT_FALSE(WriteGpuPixels(device, buffer.data(), w, h, pitch, in.data()));
    EXPECT_FALSE(WriteGpuPixels(device, buffer.data(), w, h, w - 1, in.data())) << "pitch narrower than the width";
    fake_.fail.clear();
    ClearDeviceRecord(device);
}

}  // namespace
}  // namespace morvel
