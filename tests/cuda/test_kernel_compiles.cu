// Compile-only check that every kernel/ entry point is device code: one CUDA kernel
// per pass kind, as a CUDA back end wraps them.
#include "kernel/GpuBuffers.h"
#include "kernel/HdriBlurTaps.h"
#include "kernel/Passes.h"

using namespace morvel;

namespace {

__device__ int pixelX() { return int(blockIdx.x * blockDim.x + threadIdx.x); }
__device__ int pixelY() { return int(blockIdx.y * blockDim.y + threadIdx.y); }

}  // namespace

__global__ void checkClear(float* out, GpuLayers layers) {
    clearPixelOpaqueBlack(gpuView(reinterpret_cast<unsigned char*>(out), layers, GPU_OUT), pixelX(), pixelY());
}

__global__ void checkLight(PassViews views, LightPass pass) { shadeLightPixel(pass, views, pixelX(), pixelY()); }

__global__ void checkIncidenceRim(PassViews views, IncidenceRimPass pass) {
    shadeIncidenceRimPixel(pass, views, pixelX(), pixelY());
}

__global__ void checkEnvironment(PassViews views, HdriView diffuse, HdriView specular, IblPass pass) {
    shadeEnvironmentPixel(pass, views, diffuse, specular, pixelX(), pixelY());
}

__global__ void checkHdri(ImageView world, float* packed, float* blurred, const float* weights, int radius, int width,
                          int height) {
    convertHdriPixel(world, packed, width, pixelX(), pixelY());
    blurHdriPixel(packed, blurred, width, height, width, weights, radius, 1, pixelX(), pixelY());
}
