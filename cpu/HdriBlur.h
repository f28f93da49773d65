// HDRI preparation for the CPU environment pass: conversion of the host's
// HDRI world to packed RGBA float and the separable Gaussian blurs that stand
// in for roughness filtering at lookup time.
#pragma once

#include <cstddef>
#include <vector>

#include "kernel/HdriBlurTaps.h"

namespace morvel {

struct FrameSettings;

// A borrowed view of the host's HDRI world: A, R, G, B per pixel at depth 8
// (unsigned bytes), 16 (0..32768) or 32 (float); rows rowBytes apart.
struct HdriWorldView {
    const void* pixels = nullptr;
    std::ptrdiff_t rowBytes = 0;
    int width = 0;
    int height = 0;
    int depth = 0;
};

// Converts the world into dst (R, G, B, A floats, rows dstStride pixels
// apart), each value through finiteHdriValue. Returns false, writing nothing,
// for a null pointer, an empty size, a stride below the width, rows shorter
// than the width or a depth other than 8, 16 or 32.
bool ConvertHdriToFloat(const HdriWorldView& src, float* dst, int dstStride);

// Horizontal blur, wrapping at the left and right edges (the equirect image is
// continuous there). Colour channels only; alpha of every output pixel is 1.
// src == dst is allowed. A sigma that yields no usable weights (zero,
// negative, NaN) acts as the identity filter. May throw std::bad_alloc for its
// per-thread line buffers.
void BlurHdriRows(const float* src, float* dst, int width, int height, int stride, float sigma);

// Vertical blur, clamping at the poles (edge rows repeat). Same contract as
// BlurHdriRows.
void BlurHdriColumns(const float* src, float* dst, int width, int height, int stride, float sigma);

// Which copy of the convolution the blurs run: the run-time choice, or one
// named, so tests can hold every copy to the same sums. Returns false,
// changing nothing, for a copy this build or this CPU does not have.
enum class HdriBlurCopy { Auto, Baseline, Avx2Fma };
bool SetHdriBlurCopy(HdriBlurCopy copy);

// Rows into scratch then columns into dst when sigma >= kMinBlurSigma;
// otherwise (NaN included) copies src into dst unless they are the same buffer.
void BlurHdri(const float* src, float* scratch, float* dst, int width, int height, int stride, float sigma);

// The two lookup images of one environment pass and the blur's intermediate,
// owned. Each is width x height pixels of R, G, B, A floats with rows `stride`
// pixels apart.
struct HdriImages {
    std::vector<float> diffuse;
    std::vector<float> specular;
    std::vector<float> scratch;
    int width = 0;
    int height = 0;
    int stride = 0;

    bool ready() const { return width > 0 && height > 0 && !diffuse.empty() && !specular.empty(); }
    void release();
};

// Converts the world and blurs it twice: sigma 100 into `diffuse`, and
// roughnessBias * 50 (the slider value in pixels; unblurred below 0.5) into
// `specular`, reusing buffers that already have the size. Returns false and
// leaves `out` released when the world is unusable; a failed allocation
// throws, like every allocation of a frame.
bool PrepareHdriImages(const HdriWorldView& world, float roughnessBias, HdriImages& out);
bool PrepareHdriImages(const HdriWorldView& world, const FrameSettings& pass, HdriImages& out);

}  // namespace morvel
