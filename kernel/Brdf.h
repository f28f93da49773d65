// Microfacet BRDF for one analytic light: GGX distribution, Smith/Schlick-GGX geometry,
// Schlick Fresnel. The evaluation order is fixed so that every back end rounds alike
// (CUDA needs --fmad=false for that; contraction into FMAs changes the rounding).
#ifndef MORVEL_KERNEL_BRDF_H
#define MORVEL_KERNEL_BRDF_H

#include "kernel/Compat.h"
#include "kernel/Float3.h"
#include "kernel/ShadingMath.h"
#include "kernel/SurfaceSample.h"

MORVEL_NAMESPACE_BEGIN

// Trowbridge-Reitz (GGX) normal distribution; EPSILON keeps the denominator positive.
MORVEL_FUNC float distributionGGX(float NdotH, float alpha) {
    float a2 = alpha * alpha;
    float d = NdotH * NdotH * (a2 - 1.0f) + 1.0f;
    return a2 / (PI * d * d + EPSILON);
}

// Schlick-GGX masking for one direction; EPSILON covers NdotX = k = 0.
MORVEL_FUNC float smithG1_SchlickGGX(float NdotX, float k) { return NdotX / (NdotX * (1.0f - k) + k + EPSILON); }

// Smith separable geometry term with the direct-lighting k = (r + 1)^2 / 8 (unsquared r).
MORVEL_FUNC float geometrySmith(float NdotL, float NdotV, float roughness) {
    float r1 = roughness + 1.0f;
    float k = r1 * r1 / 8.0f;
    return smithG1_SchlickGGX(NdotL, k) * smithG1_SchlickGGX(NdotV, k);
}

// Schlick's Fresnel approximation; the fifth power as four multiplications, no powf.
MORVEL_FUNC Float3 fresnelSchlick(float cosTheta, Float3 F0) {
    float m = 1.0f - cosTheta;
    float m5 = m * m * m * m * m;
    return make_float3(F0.x + (1.0f - F0.x) * m5, F0.y + (1.0f - F0.y) * m5, F0.z + (1.0f - F0.z) * m5);
}

// Radiance one light adds to a pixel. L is the unit vector from the surface towards
// the light; the view is fixed at +z.
MORVEL_FUNC Float3 renderPBR(Float3 baseColor, Float3 N, float roughness, float metallic, float specular, Float3 L,
                             Float3 lightColor, float intensity, float attenuation) {
    const Float3 V = make_float3(0.0f, 0.0f, 1.0f);
    Float3 H = normalize3(add3(L, V));
    float NdotL = dot3_clamped(N, L);
    float NdotV = dot3_clamped(N, V);
    float NdotH = dot3_clamped(N, H);
    float VdotH = dot3_clamped(V, H);

    // 0.16 * s^2 maps the specular level 0.5 to the 4 % reflectance of a dielectric.
    float specValue = 0.16f * specular * specular;
    Float3 F0 = make_float3((1.0f - metallic) * specValue + metallic * baseColor.x,
                            (1.0f - metallic) * specValue + metallic * baseColor.y,
                            (1.0f - metallic) * specValue + metallic * baseColor.z);

    float alpha = max_f(roughness * roughness, MIN_ALPHA);
    float D = distributionGGX(NdotH, alpha);
    float G = geometrySmith(NdotL, NdotV, roughness);
    Float3 F = fresnelSchlick(VdotH, F0);

    // The floor covers NdotV = 0 (a normal in the image plane) while NdotL > 0.
    float denom = max_f(4.0f * NdotL * NdotV, 1e-4f);
    Float3 spec = make_float3(D * G * F.x / denom, D * G * F.y / denom, D * G * F.z / denom);

    Float3 kD = make_float3((1.0f - F.x) * (1.0f - metallic), (1.0f - F.y) * (1.0f - metallic),
                            (1.0f - F.z) * (1.0f - metallic));
    Float3 diffuse = make_float3(kD.x * baseColor.x * INV_PI, kD.y * baseColor.y * INV_PI, kD.z * baseColor.z * INV_PI);

    float lightScale = NdotL * intensity * attenuation;
    // Light behind (or in the plane of) the surface, or a zero normal: nothing to add.
    // NdotL is clamped, never NaN. Chosen at the end rather than returned early, so that
    // a row of pixels evaluates as one vector; the discarded values may be infinite.
    const int lit = NdotL > 0.0f;
    return make_float3(lit ? (diffuse.x + spec.x) * lightColor.x * lightScale : 0.0f,
                       lit ? (diffuse.y + spec.y) * lightColor.y * lightScale : 0.0f,
                       lit ? (diffuse.z + spec.z) * lightColor.z * lightScale : 0.0f);
}

MORVEL_FUNC Float3 renderSamplePBR(SurfaceSample s, Float3 L, Float3 lightColor, float intensity, float attenuation) {
    return renderPBR(s.baseColor, s.N, s.roughness, s.metallic, s.specular, L, lightColor, intensity, attenuation);
}

MORVEL_NAMESPACE_END

#endif
