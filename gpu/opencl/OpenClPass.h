// Launches and transfers on the OpenCL device of a frame.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/FrameSettings.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFrame.h"

namespace morvel {

PF_Err RunOpenClClear(GpuDeviceState& device, const GpuFrameContext& ctx);
PF_Err RunOpenClPass(GpuDeviceState& device, const GpuFrameContext& ctx, const FrameSettings& pass);

// Copies width x height B G R A float pixels, rows `pitch` pixels apart in the
// buffer, to or from `pixels` (rows packed). False when the device refuses.
bool ReadOpenClPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch,
                      float* pixels);
bool WriteOpenClPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch,
                       const float* pixels);

}  // namespace morvel
