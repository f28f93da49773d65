// The HDRI preparation of a GPU frame, written once for every back end: read the
// HDRI back for its key, take the prepared images from the device's cache, or
// convert and blur them on the device with the CPU's rule and keep them. A back
// end supplies only its copies and launches.
#pragma once

#include <cstddef>

#include "gpu/DeviceHdri.h"
#include "gpu/GpuFrame.h"
#include "host/AE_EffectGPU.h"

namespace morvel {

// One back end's part. Buffers are its device memory handles; every call that
// enqueues work may return before the work is done, until Finish.
class HdriDeviceOps {
public:
    virtual ~HdriDeviceOps() = default;
    // width x height B, G, R, A float pixels of a world, rows `pitch` pixels apart,
    // into packed host memory (complete on return).
    virtual bool ReadWorld(void* world, int width, int height, int pitch, float* packed) = 0;
    // Two images of `bytes` each, owned by `images` (which frees them with its release).
    virtual bool CreateImages(DeviceHdriImages& images, std::size_t bytes) = 0;
    virtual PF_Err WriteWeights(void* buffer, const float* weights, int count) = 0;
    // The world (B, G, R, A, rows row_bytes apart) into a packed R, G, B, A image.
    virtual PF_Err Convert(void* world, int width, int height, int row_bytes, void* image) = 0;
    virtual PF_Err Blur(void* source, void* target, int width, int height, void* weights, int radius,
                        int along_rows) = 0;
    virtual PF_Err Copy(void* source, void* target, std::size_t bytes) = 0;
    virtual PF_Err Finish() = 0;
};

// Fills ctx.hdri from ctx.hdri_data (a world of ctx.hdri_world's size, rows
// ctx.hdri_pitch pixels apart). Scratch images come from the host's device memory
// (AllocateDeviceMemory) for the preparation only; the host's error, or
// PF_Err_OUT_OF_MEMORY, when it has none. 512 for a failed copy or launch.
PF_Err PrepareGpuHdri(HdriDeviceOps& ops, DeviceHdriCache& cache, const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref,
                      A_u_long device_index, GpuFrameContext& ctx, float roughness_bias);

}  // namespace morvel
