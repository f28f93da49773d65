// The CUDA kernels: one thread per output pixel in 16 x 16 blocks, each running the
// kernel/ entry point of its pass through the bodies of CudaKernelArgs.h, so that a
// CUDA frame is the CPU frame. A launch may round its size up: threads outside the
// output do nothing. Built into the module's fat binary, never linked.
#include "gpu/cuda/CudaKernelArgs.h"

using namespace morvel;

namespace {

__device__ __forceinline__ int pixelX() { return int(blockIdx.x * blockDim.x + threadIdx.x); }
__device__ __forceinline__ int pixelY() { return int(blockIdx.y * blockDim.y + threadIdx.y); }

}  // namespace

extern "C" __global__ void ClearToOpaqueBlackKernel(CudaClearArgs a) { cudaClearPixel(a, pixelX(), pixelY()); }

extern "C" __global__ void LightPassKernel(CudaLightArgs a) { cudaLightPixel(a, pixelX(), pixelY()); }

extern "C" __global__ void IncidenceRimPassKernel(CudaIncidenceRimArgs a) {
    cudaIncidenceRimPixel(a, pixelX(), pixelY());
}

extern "C" __global__ void EnvironmentPassKernel(CudaEnvironmentArgs a) { cudaEnvironmentPixel(a, pixelX(), pixelY()); }

extern "C" __global__ void ConvertHdriKernel(CudaConvertHdriArgs a) { cudaConvertHdriPixel(a, pixelX(), pixelY()); }

extern "C" __global__ void BlurHdriKernel(CudaBlurHdriArgs a) { cudaBlurHdriPixel(a, pixelX(), pixelY()); }
