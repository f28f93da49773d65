// Picks the compatibility header of the compiler at hand. Everything in kernel/ is
// written in the common subset of C++17, CUDA and OpenCL C 1.2: plain functions and
// typedef'd structs passed by value or by private pointer, no references, templates,
// namespaces or operators, and the C library's float math names (sqrtf, powf, ...),
// which each compatibility header maps for its compiler. The approach follows the
// kernel compatibility headers of the Cycles renderer.
//
// Each header provides:
//   MORVEL_FUNC            qualifier of every function
//   MORVEL_GLOBAL          address space of pixel buffers (__global on OpenCL)
//   MORVEL_CONST           qualifier of file-scope constants
//   MORVEL_NAMESPACE_BEGIN / MORVEL_NAMESPACE_END   namespace morvel in C++ and CUDA
//   Float3, make_float3    three floats: CUDA's and OpenCL's own float3, a struct in C++
//   ptrdiff_t              signed byte offsets
//   loadWord32(p), storeWord32(p, w)   four bytes as one unsigned int, p[0] lowest
//   powNonNegative(x, y)   x^y for x >= 0: on the CPU a function of its own that row
//                          loops compute as vectors with the same bits, else pow
#ifndef MORVEL_KERNEL_COMPAT_H
#define MORVEL_KERNEL_COMPAT_H

#if defined(__OPENCL_VERSION__) || defined(__OPENCL_C_VERSION__)
#include "kernel/compat/OpenCl.h"
#elif defined(__CUDACC__)
#include "kernel/compat/Cuda.h"
#else
#include "kernel/compat/Cpu.h"
#endif

#endif
