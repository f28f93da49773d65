// How a GPU pass sees its buffers: B, G, R, A floats, each buffer with its own size and
// row pitch in bytes. The geometry travels to the device as one record of ints, laid
// out alike in C++ and on the device.
#ifndef MORVEL_KERNEL_GPU_BUFFERS_H
#define MORVEL_KERNEL_GPU_BUFFERS_H

#include "kernel/Compat.h"
#include "kernel/Environment.h"
#include "kernel/HdriBlurTaps.h"
#include "kernel/ImageView.h"
#include "kernel/Passes.h"

MORVEL_NAMESPACE_BEGIN

// The buffers of a pass, in the order of GpuLayers' arrays.
enum GpuLayer {
    GPU_OUT = 0,
    GPU_BASE = 1,  // "Diffuse Albedo", else the input
    GPU_SOURCE = 2,
    GPU_NORMAL = 3,
    GPU_ROUGHNESS = 4,
    GPU_METALLIC = 5,
    GPU_SPECULAR = 6,
    GPU_LAYER_COUNT = 7
};

// A buffer that is not assigned has a width and height of 0 (its pointer may be null).
// has_base is 0 when neither an albedo nor an input buffer is there.
typedef struct GpuLayers {
    int width[7];
    int height[7];
    int row_bytes[7];
    int has_base;
} GpuLayers;

MORVEL_FUNC ImageView gpuView(MORVEL_GLOBAL unsigned char* data, GpuLayers g, int layer) {
    ImageView v;
    v.data = data;
    v.rowBytes = g.row_bytes[layer];
    v.width = data ? g.width[layer] : 0;
    v.height = data ? g.height[layer] : 0;
    v.layout = PIXEL_BGRA32F;
    return v;
}

MORVEL_FUNC PassViews gpuPassViews(GpuLayers g, MORVEL_GLOBAL unsigned char* out, MORVEL_GLOBAL unsigned char* base,
                                   MORVEL_GLOBAL unsigned char* source, MORVEL_GLOBAL unsigned char* normal,
                                   MORVEL_GLOBAL unsigned char* roughness, MORVEL_GLOBAL unsigned char* metallic,
                                   MORVEL_GLOBAL unsigned char* specular) {
    PassViews v;
    v.out = gpuView(out, g, GPU_OUT);
    v.base = gpuView(base, g, GPU_BASE);
    v.hasBase = g.has_base;
    v.source = gpuView(source, g, GPU_SOURCE);
    v.normal = gpuView(normal, g, GPU_NORMAL);
    v.roughness = gpuView(roughness, g, GPU_ROUGHNESS);
    v.metallic = gpuView(metallic, g, GPU_METALLIC);
    v.specular = gpuView(specular, g, GPU_SPECULAR);
    return v;
}

// One HDRI pixel of a world (any layout) into the packed R, G, B, A image the
// environment lookups and the blur read, rows `stride` pixels apart.
MORVEL_FUNC void convertHdriPixel(ImageView world, MORVEL_GLOBAL float* dst, int stride, int x, int y) {
    if (!viewCovers(world, x, y)) return;
    const PassPixel p = readPixel(world, x, y);
    MORVEL_GLOBAL float* o = dst + ((ptrdiff_t)y * stride + x) * 4;
    o[0] = finiteHdriValue(p.r);
    o[1] = finiteHdriValue(p.g);
    o[2] = finiteHdriValue(p.b);
    o[3] = finiteHdriValue(p.a);
}

MORVEL_NAMESPACE_END

#endif
