// Two artistic terms computed from the normal alone: a facing-ratio glow towards the
// silhouette ("incidence") and an edge light on one side of it ("rim").
#pragma once

#include "render/FrameSettings.h"
#include "kernel/Compat.h"
#include "kernel/ShadingMath.h"
#include "kernel/Float3.h"

namespace morvel {

// Facing ratio (1 - |N.z|)^power; |N.z| so back-facing normals count like front-facing
// ones. powf(0, 0) is 1, so a power of 0 gives a flat tint.
MORVEL_HD float computeIncidence(Vec3 N, float amount, float power) {
    float NdotV = fabsf(N.z);
    float f = powf(clamp_f(1.0f - NdotV, 0.0f, 1.0f), power);
    return f * amount;
}

// The screen direction of the rim for an angle: (cos a, sin a, 0).
MORVEL_HD Vec3 rimDirection(float angle) { return Vec3{cosf(angle), sinf(angle), 0.0f}; }

// Screen-direction rim: edge factor times how far N points against rimDir.
MORVEL_HD float computeRimLightDir(Vec3 N, float amount, float power, float threshold, Vec3 rimDir) {
    float edge = 1.0f - fabsf(N.z);
    float directional = clamp_f(-dot(N, rimDir), 0.0f, 1.0f);
    float rim = powf(clamp_f(edge * directional, 0.0f, 1.0f), power);
    if (threshold > 0.0f) {
        // The 0.001 keeps the remap finite at threshold 1 (and so never quite reaches 1).
        rim = clamp_f((rim - threshold) / (1.0f - threshold + 0.001f), 0.0f, 1.0f);
    }
    return rim * amount;
}

// The same for an angle. L is part of the shared signature and deliberately unused.
MORVEL_HD float computeRimLight(Vec3 N, Vec3 L, float amount, float power, float threshold, float angle) {
    (void)L;
    return computeRimLightDir(N, amount, power, threshold, rimDirection(angle));
}

// The pass-record values of both terms; colours in the caller's channel order
// (true R, G, B on the CPU, blue first in the GPU kernels).
struct IncidenceRimParams {
    int incidence_enable;
    float incidence_amount;
    float incidence_power;
    Vec3 incidence_color;
    int rimlight_enable;
    float rimlight_amount;
    float rimlight_power;
    float rimlight_threshold;
    Vec3 rimlight_color;
    Vec3 rimlight_dir;  // from the angle once per pass, not per pixel
};

MORVEL_HD IncidenceRimParams incidenceRimParamsFrom(const FrameSettings& fs) {
    return IncidenceRimParams{fs.incidence_enable,
                              fs.incidence_amount,
                              fs.incidence_power,
                              Vec3{fs.incidence_r, fs.incidence_g, fs.incidence_b},
                              fs.rimlight_enable,
                              fs.rimlight_amount,
                              fs.rimlight_power,
                              fs.rimlight_threshold,
                              Vec3{fs.rimlight_r, fs.rimlight_g, fs.rimlight_b},
                              rimDirection(fs.rimlight_angle)};
}

// Colour of the incidence and rim pass for one covered pixel. A term that is off, or on
// with no amount, adds nothing and is not evaluated.
MORVEL_HD Vec3 incidenceRimColor(Vec3 N, Vec3 L, const IncidenceRimParams& p) {
    (void)L;  // the light vector is part of the shared signature; neither term reads it
    Vec3 c{0.0f, 0.0f, 0.0f};
    if (p.incidence_enable != 0 && p.incidence_amount > 0.0f) {
        c = c + p.incidence_color * computeIncidence(N, p.incidence_amount, p.incidence_power);
    }
    if (p.rimlight_enable != 0 && p.rimlight_amount > 0.0f) {
        c = c + p.rimlight_color *
                    computeRimLightDir(N, p.rimlight_amount, p.rimlight_power, p.rimlight_threshold, p.rimlight_dir);
    }
    return c;
}

}  // namespace morvel
