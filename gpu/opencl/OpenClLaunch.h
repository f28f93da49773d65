// Argument setting and the 16 x 16 launch on a frame's OpenCL device, shared by
// the passes and the HDRI preparation.
#pragma once

#include <array>
#include <cstddef>
#include <mutex>

#include "clapi/ClApi.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFrame.h"
#include "host/AE_Effect.h"

namespace morvel {

class Args {
public:
    Args(const clapi::Api& cl, clapi::cl_kernel kernel) : cl_(cl), kernel_(kernel) {}
    template <typename T>
    Args& Add(const T& value) {
        if (ok_) ok_ = cl_.SetKernelArg(kernel_, index_, sizeof value, &value) == clapi::CL_SUCCESS;
        ++index_;
        return *this;
    }
    bool ok() const { return ok_; }

private:
    const clapi::Api& cl_;
    clapi::cl_kernel kernel_;
    clapi::cl_uint index_ = 0;
    bool ok_ = true;
};

// Sets the arguments and enqueues under the device's kernel lock (so two frames
// never interleave on one kernel object), then waits for the queue outside it.
template <typename SetArgs>
inline PF_Err Launch(GpuDeviceState& device, OpenClKernel which, int32_t width, int32_t height, SetArgs set_args) {
    const clapi::Api* cl = clapi::LoadApi();
    auto* queue = static_cast<clapi::cl_command_queue>(device.cl_queue);
    if (!cl || !queue) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    auto* kernel = static_cast<clapi::cl_kernel>(device.cl_kernels[which]);
    if (!kernel) return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    if (width <= 0 || height <= 0) return PF_Err_NONE;
    const std::array<std::size_t, 2> global = LaunchGlobalSize(width, height);
    const std::size_t local[2] = {kGroupSize, kGroupSize};
    {
        std::lock_guard lock(device.kernel_mutex);
        Args args(*cl, kernel);
        set_args(args);
        if (!args.ok()) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        if (cl->EnqueueNDRangeKernel(queue, kernel, 2, nullptr, global.data(), local, 0, nullptr, nullptr) !=
            clapi::CL_SUCCESS)
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    // A kernel that failed on the device shows here; the frame must not pass as rendered.
    return cl->Finish(queue) == clapi::CL_SUCCESS ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
}

}  // namespace morvel
