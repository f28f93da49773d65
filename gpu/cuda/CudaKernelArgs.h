// What each CUDA kernel receives: one record by value (device addresses, buffer
// geometry and the pass values the host built with frame/KernelPasses.h), and the
// body one thread runs for its pixel. The same bodies compile as C++, so that tests
// run exactly what a thread runs, on the CPU, for every pixel of a launch.
#pragma once

#include "kernel/GpuBuffers.h"
#include "kernel/HdriBlurTaps.h"
#include "kernel/Passes.h"

namespace morvel {

// A device address as the driver API gives it (0: no buffer).
typedef unsigned long long CudaAddress;

typedef struct CudaClearArgs {
    CudaAddress out;
    GpuLayers layers;
} CudaClearArgs;

typedef struct CudaLightArgs {
    CudaAddress out, base, source, normal, roughness, metallic, specular;
    GpuLayers layers;
    LightPass pass;
} CudaLightArgs;

typedef struct CudaIncidenceRimArgs {
    CudaAddress out, base, normal;
    GpuLayers layers;
    IncidenceRimPass pass;
} CudaIncidenceRimArgs;

// The environment pass: the frame's layers and the two prepared HDRI images (packed
// R, G, B, A floats of one size, rows hdri_stride pixels apart).
typedef struct CudaEnvironmentArgs {
    CudaAddress out, base, normal, roughness, metallic, specular;
    CudaAddress hdri_diffuse, hdri_specular;
    int hdri_width, hdri_height, hdri_stride;
    GpuLayers layers;
    IblPass pass;
} CudaEnvironmentArgs;

// The HDRI world (B, G, R, A, rows row_bytes apart) into a packed R, G, B, A image.
typedef struct CudaConvertHdriArgs {
    CudaAddress world, image;
    int width, height, row_bytes, stride;
} CudaConvertHdriArgs;

// One direction of the HDRI blur with a table of 2 * radius + 1 weights.
typedef struct CudaBlurHdriArgs {
    CudaAddress source, target, weights;
    int width, height, stride, radius, along_rows;
} CudaBlurHdriArgs;

// The host builds these records with the C++ compiler and the device reads them as
// nvcc lays them out: both compile this header, so both check the same layout.
static_assert(sizeof(GpuLayers) == 88 && sizeof(LightPass) == 92 && sizeof(IncidenceRimPass) == 64 &&
                  sizeof(IblPass) == 168,
              "a kernel record changed: the host and device layouts must be checked again");
static_assert(sizeof(CudaEnvironmentArgs) == 336 && sizeof(CudaConvertHdriArgs) == 32 && sizeof(CudaBlurHdriArgs) == 48,
              "a kernel record changed: the host and device layouts must be checked again");

MORVEL_FUNC unsigned char* cudaBytes(CudaAddress a) { return (unsigned char*)(size_t)a; }

MORVEL_FUNC void cudaClearPixel(CudaClearArgs a, int x, int y) {
    clearPixelOpaqueBlack(gpuView(cudaBytes(a.out), a.layers, GPU_OUT), x, y);
}

MORVEL_FUNC void cudaLightPixel(CudaLightArgs a, int x, int y) {
    const PassViews v =
        gpuPassViews(a.layers, cudaBytes(a.out), cudaBytes(a.base), cudaBytes(a.source), cudaBytes(a.normal),
                     cudaBytes(a.roughness), cudaBytes(a.metallic), cudaBytes(a.specular));
    shadeLightPixel(a.pass, v, x, y);
}

MORVEL_FUNC void cudaIncidenceRimPixel(CudaIncidenceRimArgs a, int x, int y) {
    const PassViews v = gpuPassViews(a.layers, cudaBytes(a.out), cudaBytes(a.base), 0, cudaBytes(a.normal), 0, 0, 0);
    shadeIncidenceRimPixel(a.pass, v, x, y);
}

MORVEL_FUNC float* cudaFloats(CudaAddress a) { return (float*)(size_t)a; }

MORVEL_FUNC void cudaEnvironmentPixel(CudaEnvironmentArgs a, int x, int y) {
    const PassViews v = gpuPassViews(a.layers, cudaBytes(a.out), cudaBytes(a.base), 0, cudaBytes(a.normal),
                                     cudaBytes(a.roughness), cudaBytes(a.metallic), cudaBytes(a.specular));
    HdriView d;
    d.pixels = cudaFloats(a.hdri_diffuse);
    d.width = a.hdri_width;
    d.height = a.hdri_height;
    d.stride = a.hdri_stride;
    HdriView s = d;
    s.pixels = cudaFloats(a.hdri_specular);
    shadeEnvironmentPixel(a.pass, v, d, s, x, y);
}

MORVEL_FUNC void cudaConvertHdriPixel(CudaConvertHdriArgs a, int x, int y) {
    ImageView w;
    w.data = cudaBytes(a.world);
    w.rowBytes = a.row_bytes;
    w.width = a.width;
    w.height = a.height;
    w.layout = PIXEL_BGRA32F;
    convertHdriPixel(w, cudaFloats(a.image), a.stride, x, y);
}

MORVEL_FUNC void cudaBlurHdriPixel(CudaBlurHdriArgs a, int x, int y) {
    blurHdriPixel(cudaFloats(a.source), cudaFloats(a.target), a.width, a.height, a.stride, cudaFloats(a.weights),
                  a.radius, a.along_rows, x, y);
}

}  // namespace morvel
