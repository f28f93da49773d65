// Light vector L (surface towards light) and attenuation for the four analytic light
// kinds at one pixel. Screen positions are measured in frame heights; view-space y is up.
#ifndef MORVEL_KERNEL_ANALYTIC_LIGHTS_H
#define MORVEL_KERNEL_ANALYTIC_LIGHTS_H

#include "kernel/Compat.h"
#include "kernel/Float3.h"
#include "kernel/ShadingMath.h"
#include "kernel/SurfaceSample.h"

MORVEL_NAMESPACE_BEGIN

typedef struct LightSample {
    Float3 L;
    float attenuation;
} LightSample;

MORVEL_FUNC LightSample makeLightSample(Float3 L, float attenuation) {
    LightSample ls;
    ls.L = L;
    ls.attenuation = attenuation;
    return ls;
}

// Pixel centre as a fraction of the frame, from the top-left pixel.
MORVEL_FUNC float pixelCentreX(int x, int width) { return ((float)x + 0.5f) / (float)width; }
MORVEL_FUNC float pixelCentreY(int y, int height) { return ((float)y + 0.5f) / (float)height; }

// Width over height, so that horizontal offsets are measured in frame heights too.
MORVEL_FUNC float frameAspect(int width, int height) { return (float)width / (float)height; }

// Parallel light: the pass record already holds the direction towards the light.
MORVEL_FUNC LightSample directionalLight(Float3 dir) { return makeLightSample(normalize3(dir), 1.0f); }

// d to the power decay. The host's falloffs (0 none, 1 1/d, 2 1/d^2) are taken exactly:
// d * d is the correctly rounded square, which powf need not return. Any other exponent
// goes to powf. A caller that holds decay constant over a loop sees the tests fold away.
MORVEL_FUNC float decayPower(float d, float decay) {
    if (decay == 0.0f) {
        return 1.0f;
    }
    if (decay == 1.0f) {
        return d;
    }
    if (decay == 2.0f) {
        return d * d;
    }
    return powf(d, decay);
}

// Inverse-power distance law with exponent decay. The 0.01 floor keeps a light sitting
// on the surface finite; the 1e-6 floor caps the gain of any steeper decay there. Both
// floors also catch a NaN (a NaN distance lands on 0.01).
MORVEL_FUNC float distanceAttenuation(float dist, float decay) {
    return 1.0f / max_f(decayPower(max_f(dist, 0.01f), decay), 0.000001f);
}

// Soft window (1 - (d/end)^4)^2 that reaches exactly 0 at the end distance and beyond.
// Callers apply it only for an end distance above 0, so the division is safe.
MORVEL_FUNC float distanceWindow(float dist, float falloff_distance) {
    float t = dist / falloff_distance;
    float w = clamp_f(1.0f - t * t * t * t, 0.0f, 1.0f);
    return w * w;
}

// Point light at (light_pos_x, light_pos_y) in frame fractions, z in thousands of pixels.
// A light in the surface plane over the pixel centre gives a zero L (normalize3 does not
// scale it up), so it lights nothing there.
MORVEL_FUNC LightSample pointLight(Float3 lightPos, float px, float py, float aspect, float decay,
                                   float falloff_distance) {
    Float3 toLight = make_float3(aspect * (lightPos.x - px), -(lightPos.y - py), lightPos.z);
    float dist = length3(toLight);
    LightSample ls = makeLightSample(normalize3(toLight), distanceAttenuation(dist, decay));
    if (falloff_distance > 0.0f) {
        ls.attenuation = ls.attenuation * distanceWindow(dist, falloff_distance);
    }
    return ls;
}

// Smoothstep cone falloff. The soft edge spans from cone_angle * (1 - 0.9 * feather)
// out to cone_angle; a feather of 0 makes both cosines equal, and the first test then
// decides every pixel, so the blend's division is never reached with a zero span.
// The axis and the two edge cosines depend only on the pass record, so a pass
// builds them once.
typedef struct SpotCone {
    Float3 axis;
    float cosOuter;
    float cosInner;
} SpotCone;

MORVEL_FUNC SpotCone makeSpotCone(Float3 spotDir, float cone_angle, float cone_feather) {
    SpotCone c;
    c.axis = normalize3(spotDir);
    c.cosOuter = cosf(cone_angle);
    c.cosInner = cosf(cone_angle * (1.0f - cone_feather * 0.9f));
    return c;
}

MORVEL_FUNC float spotConeFactor(Float3 L, SpotCone cone) {
    float cosAngle = -dot3(L, cone.axis);  // L points back at the light, against the axis
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

MORVEL_FUNC LightSample spotLight(Float3 lightPos, SpotCone cone, float px, float py, float aspect, float decay,
                                  float falloff_distance) {
    LightSample ls = pointLight(lightPos, px, py, aspect, decay, falloff_distance);
    ls.attenuation = ls.attenuation * spotConeFactor(ls.L, cone);
    return ls;
}

// Ambient: a light shining straight from the viewer through the full BRDF.
MORVEL_FUNC LightSample ambientLight(void) { return makeLightSample(make_float3(0.0f, 0.0f, 1.0f), 1.0f); }

// The light kinds, numbered as the pass types of the frame records.
enum LightKind { LIGHT_DIRECTIONAL = 1, LIGHT_POINT = 2, LIGHT_SPOT = 3, LIGHT_AMBIENT = 4 };

// One light pass as every back end receives it, built once per pass (LightPassOf in
// frame/KernelPasses.h). Scalars only: the record crosses to OpenCL as a kernel argument, where
// a float3 would be laid out in 16 bytes.
typedef struct LightPass {
    int kind;      // a LightKind; anything else lights nothing
    int is_first;  // the frame's first writing pass replaces instead of adding
    int width;     // frame size for the pixel centres
    int height;
    float aspect;
    float light_r, light_g, light_b;
    float intensity;
    float pos_x, pos_y, pos_z;
    float decay;
    float falloff_distance;
    // Directional: the unit vector towards the light. Spot: the cone's unit axis.
    float dir_x, dir_y, dir_z;
    float cos_outer, cos_inner;  // spot only
    // Sample scales (SurfaceSample.h).
    float source_blend, roughness_scale, specular_scale, metallic_scale;
} LightPass;

MORVEL_FUNC SampleScales lightPassScales(LightPass p) {
    SampleScales s;
    s.source_blend = p.source_blend;
    s.roughness = p.roughness_scale;
    s.specular = p.specular_scale;
    s.metallic = p.metallic_scale;
    return s;
}

// L and attenuation of a light pass at pixel (x, y).
MORVEL_FUNC LightSample lightAtPixel(LightPass p, int x, int y) {
    if (p.kind == LIGHT_DIRECTIONAL) {
        return makeLightSample(make_float3(p.dir_x, p.dir_y, p.dir_z), 1.0f);
    }
    if (p.kind == LIGHT_AMBIENT) {
        return ambientLight();
    }
    if (p.kind == LIGHT_POINT || p.kind == LIGHT_SPOT) {
        const Float3 pos = make_float3(p.pos_x, p.pos_y, p.pos_z);
        const float px = pixelCentreX(x, p.width);
        const float py = pixelCentreY(y, p.height);
        if (p.kind == LIGHT_POINT) {
            return pointLight(pos, px, py, p.aspect, p.decay, p.falloff_distance);
        }
        SpotCone cone;
        cone.axis = make_float3(p.dir_x, p.dir_y, p.dir_z);
        cone.cosOuter = p.cos_outer;
        cone.cosInner = p.cos_inner;
        return spotLight(pos, cone, px, py, p.aspect, p.decay, p.falloff_distance);
    }
    return makeLightSample(make_float3(0.0f, 0.0f, 0.0f), 0.0f);
}

MORVEL_NAMESPACE_END

#endif
