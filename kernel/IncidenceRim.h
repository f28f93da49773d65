// Two artistic terms computed from the normal alone: a facing-ratio glow towards the
// silhouette ("incidence") and an edge light on one side of it ("rim").
#ifndef MORVEL_KERNEL_INCIDENCE_RIM_H
#define MORVEL_KERNEL_INCIDENCE_RIM_H

#include "kernel/Compat.h"
#include "kernel/Float3.h"
#include "kernel/ShadingMath.h"

MORVEL_NAMESPACE_BEGIN

// The base of the facing-ratio power: 1 - |N.z|, so back-facing normals count like
// front-facing ones.
MORVEL_FUNC float incidenceBase(Float3 N) { return clamp_f(1.0f - fabsf(N.z), 0.0f, 1.0f); }

// Facing ratio (1 - |N.z|)^power. 0^0 is 1, so a power of 0 gives a flat tint.
MORVEL_FUNC float computeIncidence(Float3 N, float amount, float power) {
    return powNonNegative(incidenceBase(N), power) * amount;
}

// The screen direction of the rim for an angle: (cos a, sin a, 0).
MORVEL_FUNC Float3 rimDirection(float angle) { return make_float3(cosf(angle), sinf(angle), 0.0f); }

// The base of the rim power: edge factor times how far N points against rimDir.
MORVEL_FUNC float rimBase(Float3 N, Float3 rimDir) {
    float edge = 1.0f - fabsf(N.z);
    float directional = clamp_f(-dot3(N, rimDir), 0.0f, 1.0f);
    return clamp_f(edge * directional, 0.0f, 1.0f);
}

// The rim from its power: the threshold remap, then the amount. The remap is formed
// either way and chosen, so that a row of pixels keeps to vectors.
MORVEL_FUNC float rimFromPower(float rim, float amount, float threshold) {
    // The 0.001 keeps the remap finite at threshold 1 (and so never quite reaches 1).
    const float remapped = clamp_f((rim - threshold) / (1.0f - threshold + 0.001f), 0.0f, 1.0f);
    return (threshold > 0.0f ? remapped : rim) * amount;
}

// Screen-direction rim.
MORVEL_FUNC float computeRimLight(Float3 N, float amount, float power, float threshold, Float3 rimDir) {
    return rimFromPower(powNonNegative(rimBase(N, rimDir), power), amount, threshold);
}

// The incidence and rim pass as every back end receives it (IncidenceRimPassOf in
// frame/KernelPasses.h); scalars only, like LightPass.
typedef struct IncidenceRimPass {
    int is_first;
    int incidence_enable;
    float incidence_amount;
    float incidence_power;
    float incidence_r, incidence_g, incidence_b;
    int rimlight_enable;
    float rimlight_amount;
    float rimlight_power;
    float rimlight_threshold;
    float rimlight_r, rimlight_g, rimlight_b;
    float rim_dir_x, rim_dir_y;  // rimDirection of the angle, once per pass
} IncidenceRimPass;

// Whether each term adds anything: a term that is off, or on with no amount, adds
// nothing and is not evaluated.
MORVEL_FUNC int incidenceOn(IncidenceRimPass p) { return p.incidence_enable != 0 && p.incidence_amount > 0.0f; }
MORVEL_FUNC int rimOn(IncidenceRimPass p) { return p.rimlight_enable != 0 && p.rimlight_amount > 0.0f; }

// The colour from the two powers (of incidenceBase and rimBase), for the terms
// that are on. Split from incidenceRimColor so that a row can take its powers apart.
MORVEL_FUNC Float3 incidenceRimColorOfPowers(IncidenceRimPass p, int withIncidence, int withRim, float incPow,
                                             float rimPow) {
    Float3 c = make_float3(0.0f, 0.0f, 0.0f);
    if (withIncidence) {
        c = add3(c, scale3(make_float3(p.incidence_r, p.incidence_g, p.incidence_b), incPow * p.incidence_amount));
    }
    if (withRim) {
        c = add3(c, scale3(make_float3(p.rimlight_r, p.rimlight_g, p.rimlight_b),
                           rimFromPower(rimPow, p.rimlight_amount, p.rimlight_threshold)));
    }
    return c;
}

// Colour of the incidence and rim pass for one covered pixel.
MORVEL_FUNC Float3 incidenceRimColor(Float3 N, IncidenceRimPass p) {
    const int inc = incidenceOn(p);
    const int rim = rimOn(p);
    const float incPow = inc ? powNonNegative(incidenceBase(N), p.incidence_power) : 0.0f;
    const float rimPow =
        rim ? powNonNegative(rimBase(N, make_float3(p.rim_dir_x, p.rim_dir_y, 0.0f)), p.rimlight_power) : 0.0f;
    return incidenceRimColorOfPowers(p, inc, rim, incPow, rimPow);
}

MORVEL_NAMESPACE_END

#endif
