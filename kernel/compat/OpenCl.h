// The kernel compiled as OpenCL C 1.2: pixel buffers live in __global memory, the
// three-float type is the native float3, and the C math names map onto the
// built-in functions of the same meaning.
#ifndef MORVEL_KERNEL_COMPAT_OPENCL_H
#define MORVEL_KERNEL_COMPAT_OPENCL_H

#define MORVEL_FUNC
#define MORVEL_GLOBAL __global
#define MORVEL_CONST __constant
#define MORVEL_NAMESPACE_BEGIN
#define MORVEL_NAMESPACE_END

typedef float3 Float3;
#define make_float3(x, y, z) ((float3)((x), (y), (z)))

#define sqrtf(x) sqrt((float)(x))
#define powf(x, y) pow((float)(x), (float)(y))
#define fmaxf(x, y) fmax((float)(x), (float)(y))
#define fminf(x, y) fmin((float)(x), (float)(y))
#define fabsf(x) fabs((float)(x))
#define cosf(x) cos((float)(x))
#define sinf(x) sin((float)(x))
#define atan2f(y, x) atan2((float)(y), (float)(x))
#define asinf(x) asin((float)(x))
#define floorf(x) floor((float)(x))
#define ceilf(x) ceil((float)(x))
#define expf(x) exp((float)(x))
// Without doubles the built-in pow stands in for the CPU's own power function.
#define powNonNegative(x, y) pow((float)(x), (float)(y))

// Byte by byte: a device's byte order is its own.
uint loadWord32(__global const uchar* p) { return (uint)p[0] | (uint)p[1] << 8 | (uint)p[2] << 16 | (uint)p[3] << 24; }
void storeWord32(__global uchar* p, uint w) {
    p[0] = (uchar)w;
    p[1] = (uchar)(w >> 8);
    p[2] = (uchar)(w >> 16);
    p[3] = (uchar)(w >> 24);
}

#endif
