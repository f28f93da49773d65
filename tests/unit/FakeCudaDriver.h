// A CUDA driver without a GPU: device addresses are host memory, and a launch runs
// its kernel's per-thread body over the launch's whole grid on the CPU. Every call
// can be made to fail by name, and device memory is counted, so that tests see
// what the back end leaves allocated. One test at a time uses it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <span>
#include <string>

#include "cuapi/CuApi.h"
#include "fakecuda/FakeKernels.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/cuda/CudaKernelArgs.h"
#include "gpu/cuda/CudaModule.h"
#include "gpu/cuda/CudaPass.h"

namespace morvel::test {

using namespace cuapi;

static_assert(std::size(kFakeKernelNames) == kCudaKernelCount, "one name per kernel index");

struct FakeDriver {
    // "current", "push", "load", "function", "launch" (every launch) or "launch
    // <kernel name>", "sync", "copy" (every 2D copy), "read" (device to host),
    // "write" (host to device), "dtod", "alloc".
    std::set<std::string> fail;
    int loads = 0, unloads = 0, launches = 0, pushes = 0, pops = 0;
    int allocs = 0, frees = 0, launches_of[kCudaKernelCount] = {};
    std::set<CUdeviceptr> live;  // device memory allocated and not yet freed
    CUcontext current = reinterpret_cast<CUcontext>(0x10);
    CUcontext pushed_from = nullptr;
    CUcontext freed_in = nullptr;  // the context current at the last free
    unsigned last_block[3] = {};
    CUstream last_stream = nullptr;
};
inline FakeDriver* g_fake = nullptr;
inline int g_module_token = 0;
inline int g_function_tokens[kCudaKernelCount] = {};

inline CUresult FakeFails(const std::string& what, CUresult err = CUDA_ERROR_LAUNCH_FAILED) {
    return g_fake->fail.count(what) ? err : CUDA_SUCCESS;
}

namespace fake {

inline CUresult CtxGetCurrent(CUcontext* c) {
    *c = g_fake->current;
    return FakeFails("current", CUDA_ERROR_INVALID_CONTEXT);
}
inline CUresult CtxPush(CUcontext c) {
    if (CUresult err = FakeFails("push", CUDA_ERROR_INVALID_CONTEXT)) return err;
    ++g_fake->pushes;
    g_fake->pushed_from = g_fake->current;
    g_fake->current = c;
    return CUDA_SUCCESS;
}
inline CUresult CtxPop(CUcontext* c) {
    ++g_fake->pops;
    *c = g_fake->current;
    g_fake->current = g_fake->pushed_from;
    return CUDA_SUCCESS;
}
inline CUresult ModuleLoadData(CUmodule* m, const void*) {
    if (CUresult err = FakeFails("load", CUDA_ERROR_OUT_OF_MEMORY)) return err;
    ++g_fake->loads;
    *m = reinterpret_cast<CUmodule>(&g_module_token);
    return CUDA_SUCCESS;
}
inline CUresult ModuleUnload(CUmodule) {
    ++g_fake->unloads;
    return CUDA_SUCCESS;
}
inline CUresult ModuleGetFunction(CUfunction* f, CUmodule, const char* name) {
    if (CUresult err = FakeFails("function", 500)) return err;
    const int i = FakeKernelIndex(name);
    if (i < 0) return 500;
    *f = reinterpret_cast<CUfunction>(&g_function_tokens[i]);
    return CUDA_SUCCESS;
}

inline CUresult LaunchKernel(CUfunction f, unsigned gx, unsigned gy, unsigned gz, unsigned bx, unsigned by, unsigned bz,
                             unsigned, CUstream stream, void** params, void**) {
    const auto i = reinterpret_cast<int*>(f) - g_function_tokens;
    if (i < 0 || i >= kCudaKernelCount) return 400;
    if (CUresult err = FakeFails("launch")) return err;
    if (CUresult err = FakeFails(std::string("launch ") + kFakeKernelNames[i])) return err;
    ++g_fake->launches;
    ++g_fake->launches_of[i];
    g_fake->last_block[0] = bx, g_fake->last_block[1] = by, g_fake->last_block[2] = bz;
    g_fake->last_stream = stream;
    if (gz != 1) return 1;
    RunFakeKernel(int(i), params, gx, gy, bx, by);
    return CUDA_SUCCESS;
}
inline CUresult StreamSynchronize(CUstream) { return FakeFails("sync"); }
inline CUresult Memcpy2DAsync(const Memcpy2D* m, CUstream) {
    if (CUresult err = FakeFails("copy")) return err;
    if (CUresult err = FakeFails(m->dstMemoryType == CU_MEMORYTYPE_HOST ? "read" : "write")) return err;
    auto src = m->srcMemoryType == CU_MEMORYTYPE_HOST ? static_cast<const unsigned char*>(m->srcHost)
                                                      : reinterpret_cast<const unsigned char*>(m->srcDevice);
    auto dst = m->dstMemoryType == CU_MEMORYTYPE_HOST ? static_cast<unsigned char*>(m->dstHost)
                                                      : reinterpret_cast<unsigned char*>(m->dstDevice);
    for (size_t y = 0; y < m->Height; ++y) std::memcpy(dst + y * m->dstPitch, src + y * m->srcPitch, m->WidthInBytes);
    return CUDA_SUCCESS;
}
inline CUresult MemcpyDtoDAsync(CUdeviceptr dst, CUdeviceptr src, size_t bytes, CUstream) {
    if (CUresult err = FakeFails("dtod")) return err;
    std::memcpy(reinterpret_cast<void*>(dst), reinterpret_cast<const void*>(src), bytes);
    return CUDA_SUCCESS;
}
inline CUresult MemAlloc(CUdeviceptr* p, size_t bytes) {
    *p = 0;
    if (CUresult err = FakeFails("alloc", CUDA_ERROR_OUT_OF_MEMORY)) return err;
    void* memory = std::malloc(bytes ? bytes : 1);
    if (!memory) return CUDA_ERROR_OUT_OF_MEMORY;
    *p = reinterpret_cast<CUdeviceptr>(memory);
    ++g_fake->allocs;
    g_fake->live.insert(*p);
    return CUDA_SUCCESS;
}
inline CUresult MemFree(CUdeviceptr p) {
    // Freeing what was never allocated (or twice) is the driver's error, and the test's failure.
    if (!g_fake->live.erase(p)) {
        ADD_FAILURE() << "cuMemFree of memory not allocated";
        return 1;
    }
    ++g_fake->frees;
    g_fake->freed_in = g_fake->current;
    std::free(reinterpret_cast<void*>(p));
    return CUDA_SUCCESS;
}
inline CUresult GetErrorString(CUresult, const char** s) {
    *s = "fake error";
    return CUDA_SUCCESS;
}

}  // namespace fake

// Installs the fake driver for each test and sets devices up on it.
class FakeCudaTest : public ::testing::Test {
protected:
    void SetUp() override {
        api_.CtxGetCurrent = fake::CtxGetCurrent;
        api_.CtxPushCurrent = fake::CtxPush;
        api_.CtxPopCurrent = fake::CtxPop;
        api_.ModuleLoadData = fake::ModuleLoadData;
        api_.ModuleUnload = fake::ModuleUnload;
        api_.ModuleGetFunction = fake::ModuleGetFunction;
        api_.LaunchKernel = fake::LaunchKernel;
        api_.StreamSynchronize = fake::StreamSynchronize;
        api_.Memcpy2DAsync = fake::Memcpy2DAsync;
        api_.MemcpyDtoDAsync = fake::MemcpyDtoDAsync;
        api_.MemAlloc = fake::MemAlloc;
        api_.MemFree = fake::MemFree;
        api_.GetErrorString = fake::GetErrorString;
        g_fake = &fake_;
        SetApiForTesting(&api_);
    }
    void TearDown() override {
        EXPECT_TRUE(fake_.live.empty()) << fake_.live.size() << " device allocations never freed";
        for (CUdeviceptr p : fake_.live) std::free(reinterpret_cast<void*>(p));
        SetApiForTesting(nullptr);
        g_fake = nullptr;
    }
    // A set-up device: the host's context (current, as during a GPU command) and stream.
    void SetUpDevice(GpuDeviceState& record) {
        PF_GPUDeviceInfo info{};
        info.device_framework = PF_GPU_Framework_CUDA;
        info.contextPV = fake_.current;
        info.command_queuePV = stream_;
        ASSERT_TRUE(LoadCudaModuleFrom(record, info, image_));
        record.framework = PF_GPU_Framework_CUDA;
    }

    Api api_{};
    FakeDriver fake_;
    const unsigned char image_bytes_[4] = {1, 2, 3, 4};
    std::span<const unsigned char> image_{image_bytes_, 4};
    void* stream_ = reinterpret_cast<void*>(0x5e);
};

}  // namespace morvel::test
