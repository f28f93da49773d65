// What each CUDA kernel receives: one record by value (device addresses, buffer
// geometry and the pass values the host built with frame/KernelPasses.h), and the
// body one thread runs for its pixel. The same bodies compile as C++, so that tests
// run exactly what a thread runs, on the CPU, for every pixel of a launch.
#pragma once

#include "kernel/GpuBuffers.h"
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

}  // namespace morvel
