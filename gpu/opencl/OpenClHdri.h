// The HDRI of an OpenCL frame converted and blurred on the device.
#pragma once

#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFrame.h"
#include "host/AE_EffectGPU.h"

namespace morvel {

// PrepareGpuHdri (gpu/GpuHdri.h) with the OpenCL copies and kernels, into the
// device's cache.
PF_Err PrepareOpenClHdri(GpuDeviceState& device, const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref, A_u_long device_index,
                         GpuFrameContext& ctx, float roughness_bias);

}  // namespace morvel
