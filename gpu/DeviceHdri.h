// The HDRI preparation every GPU back end runs, written once: which blurs make the
// two lookup images, their weight tables, and the per-device cache of prepared
// images. The back ends only allocate, launch and copy.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/PreparedHdriCache.h"
#include "kernel/HdriBlurTaps.h"

namespace morvel {

// One blur of the plan: rows into the scratch image, then columns into the target,
// with a normalised table of 2 * radius + 1 weights; or, below the blur threshold,
// a plain copy of the converted image (alpha kept).
struct HdriBlurStep {
    bool copy = false;
    float sigma = 0.0f;
    int radius = 0;
    float weights[kMaxBlurTaps] = {};
};

HdriBlurStep MakeHdriBlurStep(float sigma);

// Diffuse: sigma 100; specular: the "HDRI Roughness Bias" slider in pixels.
struct HdriPreparePlan {
    HdriBlurStep diffuse;
    HdriBlurStep specular;
};

HdriPreparePlan MakeHdriPreparePlan(float roughness_bias);

// Prepared images on one device, owned: each back end frees its buffers with the
// function it stores here.
struct DeviceHdriImages {
    void* diffuse = nullptr;
    void* specular = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // pixels
    void (*release)(void* buffer, void* owner) = nullptr;
    // What release needs beside the buffer: CUDA frees in the context it allocated in.
    void* owner = nullptr;

    DeviceHdriImages() = default;
    DeviceHdriImages(const DeviceHdriImages&) = delete;
    DeviceHdriImages& operator=(const DeviceHdriImages&) = delete;
    ~DeviceHdriImages();
};

using DeviceHdriCache = PreparedHdriCache<DeviceHdriImages>;

// The key of a device HDRI whose B, G, R, A float pixels were read back packed.
PreparedHdriKey DeviceHdriKey(const float* packed_pixels, int32_t width, int32_t height, float roughness_bias);

}  // namespace morvel
