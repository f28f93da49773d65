// The 16 x 16 launch on a frame's CUDA device, shared by the passes and the HDRI
// preparation.
#pragma once

#include <cstdint>

#include "cuapi/CuApi.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/cuda/CudaKernelArgs.h"
#include "gpu/cuda/CudaModule.h"
#include "gpu/cuda/CudaPass.h"
#include "host/AE_Effect.h"

namespace morvel {

inline CudaAddress CudaAddressOf(const void* buffer) {
    return static_cast<CudaAddress>(reinterpret_cast<uintptr_t>(buffer));
}

// One launch of `which` over width x height threads with its record as the only
// argument, on the device's stream in the device's context. A launch error and a
// kernel that failed on the device (seen at the synchronisation) both fail it.
template <typename Args>
PF_Err LaunchCuda(GpuDeviceState& device, CudaKernel which, int32_t width, int32_t height, Args args) {
    const cuapi::Api* cu = cuapi::LoadApi();
    auto* function = static_cast<cuapi::CUfunction>(device.cuda_functions[which]);
    if (!cu || !device.cuda_module) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    if (!function) return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    if (width <= 0 || height <= 0) return PF_Err_NONE;
    const CudaGrid grid = CudaLaunchGrid(width, height);
    if (grid.x == 0 || grid.y == 0) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    CudaContextScope scope(device);
    if (!scope.ok()) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    auto* stream = static_cast<cuapi::CUstream>(device.cuda_stream);
    void* params[] = {&args};
    if (cu->LaunchKernel(function, grid.x, grid.y, 1, kGroupSize, kGroupSize, 1, 0, stream, params, nullptr) !=
        cuapi::CUDA_SUCCESS)
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    return cu->StreamSynchronize(stream) == cuapi::CUDA_SUCCESS ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
}

}  // namespace morvel
