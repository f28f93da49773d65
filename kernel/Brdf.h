// Microfacet BRDF for one analytic light: GGX distribution, Smith/Schlick-GGX geometry,
// Schlick Fresnel. Evaluation order is fixed so that CPU and CUDA agree to the last bit
// (CUDA needs --fmad=false for that; contraction into FMAs changes the rounding).
#pragma once

#include "kernel/IncidenceRim.h"
#include "kernel/Compat.h"
#include "kernel/ShadingMath.h"
#include "kernel/SurfaceSample.h"
#include "kernel/Float3.h"

namespace morvel {

// Trowbridge-Reitz (GGX) normal distribution; EPSILON keeps the denominator positive.
MORVEL_HD float distributionGGX(float NdotH, float alpha) {
    float a2 = alpha * alpha;
    float d = NdotH * NdotH * (a2 - 1.0f) + 1.0f;
    return a2 / (PI * d * d + EPSILON);
}

// Schlick-GGX masking for one direction; EPSILON covers NdotX = k = 0.
MORVEL_HD float smithG1_SchlickGGX(float NdotX, float k) { return NdotX / (NdotX * (1.0f - k) + k + EPSILON); }

// Smith separable geometry term with the direct-lighting k = (r + 1)^2 / 8 (unsquared r).
MORVEL_HD float geometrySmith(float NdotL, float NdotV, float roughness) {
    float r1 = roughness + 1.0f;
    float k = r1 * r1 / 8.0f;
    return smithG1_SchlickGGX(NdotL, k) * smithG1_SchlickGGX(NdotV, k);
}

// Schlick's Fresnel approximation; the fifth power as four multiplications, no powf.
MORVEL_HD Vec3 fresnelSchlick(float cosTheta, Vec3 F0) {
    float m = 1.0f - cosTheta;
    float m5 = m * m * m * m * m;
    return Vec3{F0.x + (1.0f - F0.x) * m5, F0.y + (1.0f - F0.y) * m5, F0.z + (1.0f - F0.z) * m5};
}

// Radiance one light adds to a pixel (CPU light passes and the CUDA light kernels).
// L is the unit vector from the surface towards the light; the view is fixed at +z.
MORVEL_HD Vec3 renderPBR(Vec3 baseColor, Vec3 N, float roughness, float metallic, float specular, Vec3 L,
                         Vec3 lightColor, float intensity, float attenuation) {
    const Vec3 V{0.0f, 0.0f, 1.0f};
    Vec3 H = normalize3(L + V);
    float NdotL = dot3_clamped(N, L);
    float NdotV = dot3_clamped(N, V);
    float NdotH = dot3_clamped(N, H);
    float VdotH = dot3_clamped(V, H);

    // Light behind (or in the plane of) the surface, or a zero normal: nothing to add.
    // Returning here also spares the BRDF a zero NdotL.
    if (NdotL <= 0.0f) {
        return Vec3{0.0f, 0.0f, 0.0f};
    }

    // 0.16 * s^2 maps the specular level 0.5 to the 4 % reflectance of a dielectric.
    float specValue = 0.16f * specular * specular;
    Vec3 F0{(1.0f - metallic) * specValue + metallic * baseColor.x,
            (1.0f - metallic) * specValue + metallic * baseColor.y,
            (1.0f - metallic) * specValue + metallic * baseColor.z};

    float alpha = fmaxf(roughness * roughness, MIN_ALPHA);
    float D = distributionGGX(NdotH, alpha);
    float G = geometrySmith(NdotL, NdotV, roughness);
    Vec3 F = fresnelSchlick(VdotH, F0);

    // The floor covers NdotV = 0 (a normal in the image plane) while NdotL > 0.
    float denom = fmaxf(4.0f * NdotL * NdotV, 1e-4f);
    Vec3 spec{D * G * F.x / denom, D * G * F.y / denom, D * G * F.z / denom};

    Vec3 kD{(1.0f - F.x) * (1.0f - metallic), (1.0f - F.y) * (1.0f - metallic), (1.0f - F.z) * (1.0f - metallic)};
    Vec3 diffuse{kD.x * baseColor.x * INV_PI, kD.y * baseColor.y * INV_PI, kD.z * baseColor.z * INV_PI};

    float lightScale = NdotL * intensity * attenuation;
    return Vec3{(diffuse.x + spec.x) * lightColor.x * lightScale, (diffuse.y + spec.y) * lightColor.y * lightScale,
                (diffuse.z + spec.z) * lightColor.z * lightScale};
}

MORVEL_HD Vec3 renderPBR(const SurfaceSample& s, Vec3 L, Vec3 lightColor, float intensity, float attenuation) {
    return renderPBR(s.baseColor, s.N, s.roughness, s.metallic, s.specular, L, lightColor, intensity, attenuation);
}

// OpenCL variant: scales by ambient occlusion and adds the incidence and rim terms to
// every light, even one behind the surface. Reference for checking the OpenCL program;
// the CPU and CUDA paths run incidence and rim once, in a pass of their own.
MORVEL_HD Vec3 renderPBRWithIncidenceRim(const SurfaceSample& s, Vec3 L, Vec3 lightColor, float intensity,
                                         float attenuation, const IncidenceRimParams& ir, float ao_value) {
    Vec3 c = renderPBR(s, L, lightColor, intensity, attenuation) * ao_value;
    return c + incidenceRimColor(s.N, L, ir);
}

}  // namespace morvel
