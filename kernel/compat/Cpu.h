// The kernel compiled as C++ by the CPU back end (and by any host code that builds
// pass values). Every function is inline so that the row loops see straight through
// it; the C math functions are the ones the loops always called, beside a power
// function of the CPU's own (CpuPow.h).
#ifndef MORVEL_KERNEL_COMPAT_CPU_H
#define MORVEL_KERNEL_COMPAT_CPU_H

#include <math.h>
#include <stddef.h>

#if defined(__GNUC__)
#define MORVEL_FUNC inline __attribute__((always_inline))
#else
#define MORVEL_FUNC inline
#endif
#define MORVEL_GLOBAL
#define MORVEL_CONST constexpr
#define MORVEL_NAMESPACE_BEGIN namespace morvel {
#define MORVEL_NAMESPACE_END }

MORVEL_NAMESPACE_BEGIN

typedef struct Float3 {
    float x;
    float y;
    float z;
} Float3;

MORVEL_FUNC Float3 make_float3(float x, float y, float z) {
    Float3 v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

MORVEL_NAMESPACE_END

#include "kernel/compat/CpuPow.h"

#endif
