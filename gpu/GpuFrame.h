// The back-end interface of a GPU frame: the frame's device buffers, their
// preparation and release, and one pass run on the frame's device.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "frame/FrameContext.h"
#include "frame/FrameSettings.h"
#include "gpu/DeviceHdri.h"
#include "gpu/GpuDeviceState.h"
#include "host/AE_Effect.h"
#include "host/AE_EffectSmartRender.h"

namespace morvel {

// One GPU frame's worlds and their device buffers, borrowed from the host for the
// frame. Pitches are in pixels; every buffer is B G R A float. A pass layer's pitch
// is its world's rowbytes, which checkout has found to be a whole number of pixels.
struct GpuFrameContext {
    PF_EffectWorld* input_world = nullptr;
    PF_EffectWorld* output_world = nullptr;
    PF_EffectWorld* pass_worlds[kPassLayerCount] = {};
    void* input_data = nullptr;
    void* output_data = nullptr;
    // Diffuse albedo, normal, roughness, metalness, specular, depth, source; null when absent.
    void* pass_data[kPassLayerCount] = {};
    int32_t input_pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // of the output
    // The HDRI layer (with "Enable IBL" on) and its prepared lookup images, held for
    // the frame; null when the frame has no usable HDRI.
    PF_EffectWorld* hdri_world = nullptr;
    void* hdri_data = nullptr;
    int32_t hdri_pitch = 0;
    std::shared_ptr<const DeviceHdriImages> hdri;
};

// The output's row pitch in pixels from its buffer size: size / height / 16, or the
// width when the size is 0 or the height is not positive.
int32_t StrideFromWorldSize(std::size_t bytes, int32_t width, int32_t height);

// Work-groups are 16 x 16; the global size is the frame rounded up to them.
inline constexpr std::size_t kGroupSize = 16;
std::array<std::size_t, 2> LaunchGlobalSize(int32_t width, int32_t height);

// Obtains the frame's layers through the smart-render callbacks and their buffers
// through the GPU device suite, and with "Enable IBL" on prepares the HDRI's lookup
// images on the device (or takes them from the device's cache). 512 for a missing
// or malformed input or output, the host's error when a checkout fails, an error
// when the HDRI preparation fails on the device (the frame then falls back).
PF_Err PrepareGpuFrame(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, GpuDeviceState& device,
                       GpuFrameContext& ctx, const FrameSettings& frame);

// Lets go of the frame's hold on its prepared HDRI images; the worlds are the host's.
void ReleaseGpuFrame(GpuFrameContext& ctx);

// Every output pixel becomes opaque black. 0, or 512 when the launch fails.
PF_Err ClearGpuOutput(GpuDeviceState& device, const GpuFrameContext& ctx);

// One pass into the output; returns when it has finished. 514 for a pass the
// device's back end cannot run, 512 when the launch fails.
PF_Err RunGpuPass(GpuDeviceState& device, const GpuFrameContext& ctx, const FrameSettings& pass);

// Copies width x height B G R A float pixels, rows `pitch` pixels apart in the
// device's buffer, to or from `pixels` (rows packed), on the device's queue or
// stream. False when the device refuses or has no back end.
bool ReadGpuPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch, float* pixels);
bool WriteGpuPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch,
                    const float* pixels);

}  // namespace morvel
