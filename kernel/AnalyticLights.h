// Light vector L (surface towards light) and attenuation for the four analytic light
// kinds at one pixel. Screen positions are measured in frame heights; view-space y is up.
#pragma once

#include "render/FrameSettings.h"
#include "kernel/Compat.h"
#include "kernel/ShadingMath.h"
#include "kernel/Float3.h"

namespace morvel {

struct LightSample {
    Vec3 L;
    float attenuation;
};

// Pixel centre as a fraction of the frame, from the top-left pixel.
MORVEL_HD float pixelCentreX(int x, int width) { return (static_cast<float>(x) + 0.5f) / static_cast<float>(width); }
MORVEL_HD float pixelCentreY(int y, int height) { return (static_cast<float>(y) + 0.5f) / static_cast<float>(height); }

// Width over height, so that horizontal offsets are measured in frame heights too.
MORVEL_HD float frameAspect(int width, int height) { return static_cast<float>(width) / static_cast<float>(height); }

// Parallel light: the pass record already holds the direction towards the light.
MORVEL_HD LightSample directionalLight(Vec3 dir) { return LightSample{normalize3(dir), 1.0f}; }

// Inverse-power distance law with exponent decay (0 none, 1 1/d, 2 1/d^2). The 0.01
// floor keeps a light sitting on the surface finite; the 1e-6 floor caps the gain of
// any steeper decay there. fmaxf also maps a NaN distance onto the 0.01 floor.
MORVEL_HD float distanceAttenuation(float dist, float decay) {
    return 1.0f / fmaxf(powf(fmaxf(dist, 0.01f), decay), 0.000001f);
}

// Soft window (1 - (d/end)^4)^2 that reaches exactly 0 at the end distance and beyond.
// Callers apply it only for an end distance above 0, so the division is safe.
MORVEL_HD float distanceWindow(float dist, float falloff_distance) {
    float t = dist / falloff_distance;
    float w = clamp_f(1.0f - t * t * t * t, 0.0f, 1.0f);
    return w * w;
}

// Point light at (light_pos_x, light_pos_y) in frame fractions, z in thousands of pixels.
// A light in the surface plane over the pixel centre gives a zero L (normalize3 does not
// scale it up), so it lights nothing there.
MORVEL_HD LightSample pointLight(Vec3 lightPos, float px, float py, float aspect, float decay, float falloff_distance) {
    Vec3 toLight{aspect * (lightPos.x - px), -(lightPos.y - py), lightPos.z};
    float dist = length(toLight);
    LightSample ls{normalize3(toLight), distanceAttenuation(dist, decay)};
    if (falloff_distance > 0.0f) {
        ls.attenuation = ls.attenuation * distanceWindow(dist, falloff_distance);
    }
    return ls;
}

// OpenCL variant: x is measured in frame widths (no aspect factor) and there is no
// distance window. Reference for checking the OpenCL program.
MORVEL_HD LightSample pointLightOpenCL(Vec3 lightPos, float px, float py, float decay) {
    Vec3 toLight{lightPos.x - px, -(lightPos.y - py), lightPos.z};
    float dist = length(toLight);
    return LightSample{normalize3(toLight), distanceAttenuation(dist, decay)};
}

// Smoothstep cone falloff. The soft edge spans from cone_angle * (1 - 0.9 * feather)
// out to cone_angle; a feather of 0 makes both cosines equal, and the first test then
// decides every pixel, so the blend's division is never reached with a zero span.
// The axis and the two edge cosines depend only on the pass record, so a pass
// builds them once.
struct SpotCone {
    Vec3 axis;
    float cosOuter;
    float cosInner;
};

MORVEL_HD SpotCone makeSpotCone(Vec3 spotDir, float cone_angle, float cone_feather) {
    return SpotCone{normalize3(spotDir), cosf(cone_angle), cosf(cone_angle * (1.0f - cone_feather * 0.9f))};
}

MORVEL_HD float spotConeFactor(Vec3 L, const SpotCone& cone) {
    float cosAngle = -dot(L, cone.axis);  // L points back at the light, against the axis
    float cosOuter = cone.cosOuter;
    float cosInner = cone.cosInner;
    if (cosAngle >= cosInner) {
        return 1.0f;
    }
    if (cosAngle <= cosOuter) {
        return 0.0f;
    }
    // Reached only for cosOuter < cosAngle < cosInner, so the span is positive and t in (0, 1).
    // A NaN cosAngle fails every comparison and propagates as NaN, which is not UB.
    float t = (cosAngle - cosOuter) / (cosInner - cosOuter);
    return t * t * (3.0f - 2.0f * t);
}

MORVEL_HD float spotCone(Vec3 L, Vec3 spotDir, float cone_angle, float cone_feather) {
    return spotConeFactor(L, makeSpotCone(spotDir, cone_angle, cone_feather));
}

MORVEL_HD LightSample spotLight(Vec3 lightPos, const SpotCone& cone, float px, float py, float aspect, float decay,
                                float falloff_distance) {
    LightSample ls = pointLight(lightPos, px, py, aspect, decay, falloff_distance);
    ls.attenuation = ls.attenuation * spotConeFactor(ls.L, cone);
    return ls;
}

MORVEL_HD LightSample spotLight(Vec3 lightPos, Vec3 spotDir, float px, float py, float aspect, float decay,
                                float falloff_distance, float cone_angle, float cone_feather) {
    return spotLight(lightPos, makeSpotCone(spotDir, cone_angle, cone_feather), px, py, aspect, decay,
                     falloff_distance);
}

// OpenCL variant of the spot: the OpenCL point distance part, then the same cone.
MORVEL_HD LightSample spotLightOpenCL(Vec3 lightPos, Vec3 spotDir, float px, float py, float decay, float cone_angle,
                                      float cone_feather) {
    LightSample ls = pointLightOpenCL(lightPos, px, py, decay);
    ls.attenuation = ls.attenuation * spotCone(ls.L, spotDir, cone_angle, cone_feather);
    return ls;
}

// CPU ambient: a light shining straight from the viewer through the full BRDF.
MORVEL_HD LightSample ambientLight() { return LightSample{Vec3{0.0f, 0.0f, 1.0f}, 1.0f}; }

// CUDA ambient variant: no normal and no BRDF, just base colour times light colour
// times intensity, channel by channel.
MORVEL_HD Vec3 ambientColorCuda(Vec3 baseColor, Vec3 lightColor, float intensity) {
    return Vec3{baseColor.x * lightColor.x * intensity, baseColor.y * lightColor.y * intensity,
                baseColor.z * lightColor.z * intensity};
}

// Light colour of a pass record in true R, G, B order.
MORVEL_HD Vec3 lightColorOf(const FrameSettings& fs) { return Vec3{fs.light_r, fs.light_g, fs.light_b}; }

// L and attenuation of a light pass at output pixel (x, y), as the CPU light passes and
// the CUDA light kernels compute them. A pass type that is no light yields a zero L and
// attenuation, so it adds nothing.
MORVEL_HD LightSample lightForPixel(const FrameSettings& fs, int x, int y) {
    switch (fs.pass_type) {
        case PASS_DIRECTIONAL:
            return directionalLight(Vec3{fs.light_dir_x, fs.light_dir_y, fs.light_dir_z});
        case PASS_POINT:
        case PASS_SPOT: {
            float px = pixelCentreX(x, fs.width);
            float py = pixelCentreY(y, fs.height);
            float aspect = frameAspect(fs.width, fs.height);
            Vec3 pos{fs.light_pos_x, fs.light_pos_y, fs.light_pos_z};
            if (fs.pass_type == PASS_POINT) {
                return pointLight(pos, px, py, aspect, fs.light_decay, fs.falloff_distance);
            }
            return spotLight(pos, Vec3{fs.light_dir_x, fs.light_dir_y, fs.light_dir_z}, px, py, aspect, fs.light_decay,
                             fs.falloff_distance, fs.cone_angle, fs.cone_feather);
        }
        case PASS_AMBIENT:
            return ambientLight();
        default:
            return LightSample{Vec3{0.0f, 0.0f, 0.0f}, 0.0f};
    }
}

}  // namespace morvel
