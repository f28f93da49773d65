// Constants and scalar helpers that every shading term shares.
#ifndef MORVEL_KERNEL_SHADING_MATH_H
#define MORVEL_KERNEL_SHADING_MATH_H

#include "kernel/Compat.h"
#include "kernel/Float3.h"

MORVEL_NAMESPACE_BEGIN

MORVEL_CONST float PI = 3.14159265358979323846f;
MORVEL_CONST float TWO_PI = 6.28318530717958647692f;  // the float of 2 * PI: doubling is exact
MORVEL_CONST float INV_PI = 0.31830988618379067154f;
// Degrees to radians in single precision, as the host's angles are converted.
MORVEL_CONST float DEGREES_TO_RADIANS = 0.017453292f;
// Floor on every length and denominator: keeps black or zero passes finite.
MORVEL_CONST float EPSILON = 1e-6f;
// GGX alpha never reaches 0, so a roughness of 0 still yields a finite peak.
MORVEL_CONST float MIN_ALPHA = 0.002f;

// A NaN lands on max_val, so it never escapes a clamp. Written as comparisons rather
// than fminf/fmaxf, which the CPU build would otherwise call out to libm per use.
MORVEL_FUNC float clamp_f(float val, float min_val, float max_val) {
    return val < max_val ? (val > min_val ? val : min_val) : max_val;
}

// fmaxf(val, floor) for a floor that is not NaN, as a comparison: a NaN val lands on the
// floor, as with fmaxf, and the compiler can keep it in vector registers.
MORVEL_FUNC float max_f(float val, float floor_val) { return val > floor_val ? val : floor_val; }

// Vectors no longer than EPSILON are returned as they are: a zero normal stays zero
// (and then lights nothing) instead of dividing by zero.
MORVEL_FUNC Float3 normalize3(Float3 v) {
    float len = length3(v);
    if (len > EPSILON) {
        return div3(v, len);
    }
    return v;
}

MORVEL_FUNC float dot3_clamped(Float3 a, Float3 b) { return clamp_f(dot3(a, b), 0.0f, 1.0f); }

MORVEL_NAMESPACE_END

#endif
