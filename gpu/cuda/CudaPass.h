// Launches and transfers on the CUDA device of a frame, on the host's stream.
#pragma once

#include <cstdint>

#include "frame/FrameSettings.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFrame.h"

namespace morvel {

// Blocks of 16 x 16 threads; the grid covers the frame rounded up to whole blocks.
struct CudaGrid {
    unsigned x = 0;
    unsigned y = 0;
};
CudaGrid CudaLaunchGrid(int32_t width, int32_t height);

// Each launch is checked, then the stream synchronised and checked: 0 when the
// pass ran, 512 when the launch or the kernel failed, 514 for a pass this back end
// does not run.
PF_Err LaunchClearToOpaqueBlack(GpuDeviceState& device, const GpuFrameContext& ctx);
PF_Err RunCudaPass(GpuDeviceState& device, const GpuFrameContext& ctx, const FrameSettings& pass);

// Copies width x height B G R A float pixels, rows `pitch` pixels apart in the
// device buffer, to or from `pixels` (rows packed). False when the driver refuses.
bool ReadCudaPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch, float* pixels);
bool WriteCudaPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch,
                     const float* pixels);

}  // namespace morvel
