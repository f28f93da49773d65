// What the effect knows about each GPU device the host has set up: one record per
// device index, so that setting one device up or down never disturbs another.
// Setup hands the host the address of its device's record as gpu_data, and every
// GPU frame finds its record through the gpu_data the host hands back.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "gpu/DeviceHdri.h"
#include "host/AE_EffectGPU.h"

namespace morvel {

// Kernels of the OpenCL program, by role.
enum OpenClKernel : int {
    CL_KERNEL_CLEAR = 0,
    CL_KERNEL_LIGHT,
    CL_KERNEL_INCIDENCE_RIM,
    CL_KERNEL_ENVIRONMENT,
    CL_KERNEL_CONVERT_HDRI,
    CL_KERNEL_BLUR_HDRI,
    kOpenClKernelCount,
};

// Kernels of the CUDA module, by role (names in gpu/cuda/CudaModule.cpp).
enum CudaKernel : int {
    CUDA_KERNEL_CLEAR = 0,
    CUDA_KERNEL_LIGHT,
    CUDA_KERNEL_INCIDENCE_RIM,
    CUDA_KERNEL_ENVIRONMENT,
    CUDA_KERNEL_CONVERT_HDRI,
    CUDA_KERNEL_BLUR_HDRI,
    kCudaKernelCount,
};

struct GpuDeviceState {
    // PF_GPU_Framework_NONE, _OPENCL or _CUDA; nothing else is ever stored.
    int32_t framework = PF_GPU_Framework_NONE;
    // Borrowed from the host for as long as the device is set up: the stream every
    // launch and copy goes on, and the context the module was loaded in.
    void* cuda_stream = nullptr;
    void* cuda_context = nullptr;
    // Owned: the kernels' module, loaded once at setup, unloaded at setdown.
    void* cuda_module = nullptr;
    void* cuda_functions[kCudaKernelCount] = {};
    // Borrowed from the host for as long as the device is set up.
    void* cl_context = nullptr;
    void* cl_device = nullptr;
    void* cl_queue = nullptr;
    // Owned: built at setup, released at setdown.
    void* cl_program = nullptr;
    void* cl_kernels[kOpenClKernelCount] = {};
    // OpenCL forbids two threads setting arguments of one kernel object at once;
    // frames on this device take this from the first argument to the enqueue.
    std::mutex kernel_mutex;
    // Why the last program build on this device failed (empty when it did not).
    std::string build_log;
    // Prepared HDRI images on this device, kept between frames; emptied at setdown.
    DeviceHdriCache hdri_cache;
};

// Devices beyond this index are declined.
inline constexpr uint32_t kMaxGpuDevices = 16;

// The records of every device index, zero at load and never freed.
struct GpuDeviceTable {
    GpuDeviceState devices[kMaxGpuDevices];
};

// The record gpu_data names when it is one of this table's, else null.
GpuDeviceState* FindDeviceRecord(GpuDeviceTable& table, const void* gpu_data);

}  // namespace morvel
