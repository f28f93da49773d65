// The kernel compiled as C++ by the CPU back end (and by any host code that builds
// pass values). Every function is inline so that the row loops see straight through
// it; the C math functions are the ones the loops always called, beside a power
// function of the CPU's own (CpuPow.h).
#ifndef MORVEL_KERNEL_COMPAT_CPU_H
#define MORVEL_KERNEL_COMPAT_CPU_H

#include <math.h>
#include <stddef.h>
#include <string.h>

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

// Byte 0 lowest, as on every CPU the host runs on; memcpy leaves the alignment free.
#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "8-bit pixels are read as little-endian words");
#endif
MORVEL_FUNC unsigned int loadWord32(const unsigned char* p) {
    unsigned int w;
    memcpy(&w, p, sizeof w);
    return w;
}
MORVEL_FUNC void storeWord32(unsigned char* p, unsigned int w) { memcpy(p, &w, sizeof w); }

MORVEL_NAMESPACE_END

#include "kernel/compat/CpuPow.h"

#endif
