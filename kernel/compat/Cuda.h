// The kernel compiled by nvcc: functions for host and device, CUDA's own float3.
// Build with --fmad=false so that no multiply-add is fused and CUDA rounds like the CPU.
#ifndef MORVEL_KERNEL_COMPAT_CUDA_H
#define MORVEL_KERNEL_COMPAT_CUDA_H

#include <cuda_runtime.h>
#include <math.h>
#include <stddef.h>

#define MORVEL_FUNC __host__ __device__ __forceinline__
#define MORVEL_GLOBAL
#define MORVEL_CONST constexpr
#define MORVEL_NAMESPACE_BEGIN namespace morvel {
#define MORVEL_NAMESPACE_END }

MORVEL_NAMESPACE_BEGIN
typedef ::float3 Float3;

// CUDA's own powf stands in for the CPU's power function (CpuPow.h): doubles are slow on
// most GPUs, and the GPU picture may differ from the CPU's in the last bits anyway.
MORVEL_FUNC float powNonNegative(float x, float y) { return powf(x, y); }

// Host and device are little-endian; memcpy leaves the alignment free.
MORVEL_FUNC unsigned int loadWord32(const unsigned char* p) {
    unsigned int w;
    memcpy(&w, p, sizeof w);
    return w;
}
MORVEL_FUNC void storeWord32(unsigned char* p, unsigned int w) { memcpy(p, &w, sizeof w); }
MORVEL_NAMESPACE_END

#endif
