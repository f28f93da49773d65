// Constants and scalar helpers that every shading term shares. The OpenCL program
// carries the same helpers under the same names, so results agree across back ends.
#pragma once

#include <cmath>

#include "kernel/Compat.h"
#include "kernel/Float3.h"

namespace morvel {

constexpr float PI = 3.14159265358979323846f;
constexpr float TWO_PI = 2.0f * PI;  // exact: doubling keeps every bit
constexpr float INV_PI = 0.31830988618379067154f;
// Degrees to radians in single precision, as the host's angles are converted.
constexpr float DEGREES_TO_RADIANS = 0.017453292f;
// Floor on every length and denominator: keeps black or zero passes finite.
constexpr float EPSILON = 1e-6f;
// GGX alpha never reaches 0, so a roughness of 0 still yields a finite peak.
constexpr float MIN_ALPHA = 0.002f;

// A NaN lands on max_val, so it never escapes a clamp. Written as comparisons rather
// than fminf/fmaxf, which the CPU build would otherwise call out to libm per use.
MORVEL_HD float clamp_f(float val, float min_val, float max_val) {
    return val < max_val ? (val > min_val ? val : min_val) : max_val;
}

// Vectors no longer than EPSILON are returned as they are: a zero normal stays zero
// (and then lights nothing) instead of dividing by zero.
MORVEL_HD Vec3 normalize3(Vec3 v) {
    float len = length(v);
    if (len > EPSILON) {
        return v / len;
    }
    return v;
}

MORVEL_HD float dot3_clamped(Vec3 a, Vec3 b) { return clamp_f(dot(a, b), 0.0f, 1.0f); }

}  // namespace morvel
