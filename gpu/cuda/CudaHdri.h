// The HDRI of a CUDA frame converted and blurred on the device.
#pragma once

#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFrame.h"
#include "host/AE_EffectGPU.h"

namespace morvel {

// PrepareGpuHdri (gpu/GpuHdri.h) with the CUDA copies and kernels, on the device's
// stream in its context, into the device's cache. The prepared images are the
// effect's own device memory (the cache keeps them past the frame), freed in the
// device's context.
PF_Err PrepareCudaHdri(GpuDeviceState& device, const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref, A_u_long device_index,
                       GpuFrameContext& ctx, float roughness_bias);

}  // namespace morvel
