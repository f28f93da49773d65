// The one qualifier for code shared by the CPU loops and the CUDA kernels.
#pragma once

#if defined(__CUDACC__)
#define MORVEL_HD __host__ __device__ __forceinline__
#else
#define MORVEL_HD inline
#endif
