// Image-based lighting math: direction to equirect uv, HDRI lookups, cone
// filtering, the split-sum environment BRDF and the preview sphere. Shared by
// the CPU IBL loop and the CUDA IBL kernel; the variants only the other GPU
// path uses sit beside the CPU ones under names that say how they differ.
#pragma once

#include <cmath>

#include "render/FrameSettings.h"
#include "kernel/Compat.h"
#include "kernel/ShadingMath.h"
#include "kernel/Float3.h"

namespace morvel {

// A roll this small is skipped, so the uv of an unrolled HDRI carries no
// sin/cos rounding from a near-zero angle.
constexpr float kMinRollAngle = 0.001f;

// Cones narrower than this take a single lookup.
constexpr float kMinConeAngle = 0.001f;

struct EquirectUV {
    float u;
    float v;
};

// The environment is seen from behind the viewer: x and z flip.
MORVEL_HD Vec3 toWorldDirection(Vec3 d) { return Vec3{-d.x, d.y, -d.z}; }

// Sines and cosines of the three HDRI rotations. They depend only on the pass
// record, so a loop may build this once; results equal per-pixel evaluation.
struct EnvRotation {
    float cosY, sinY;
    float cosX, sinX;
    float cosZ, sinZ;
    bool roll;
};

MORVEL_HD EnvRotation makeEnvRotation(float rotY, float rotX, float rotZ) {
    EnvRotation r;
    r.cosY = cosf(rotY);
    r.sinY = sinf(rotY);
    r.cosX = cosf(rotX);
    r.sinX = sinf(rotX);
    r.roll = fabsf(rotZ) > kMinRollAngle;
    r.cosZ = r.roll ? cosf(rotZ) : 1.0f;
    r.sinZ = r.roll ? sinf(rotZ) : 0.0f;
    return r;
}

// Pan about y, tilt about x, roll about z, then longitude/latitude. u is left
// unwrapped; v is 0 straight up and 1 straight down.
MORVEL_HD EquirectUV directionToEquirectUV(Vec3 dir, const EnvRotation& rot) {
    float x1 = dir.x * rot.cosY - dir.z * rot.sinY;
    float z1 = dir.x * rot.sinY + dir.z * rot.cosY;
    float y2 = dir.y * rot.cosX - z1 * rot.sinX;
    float z2 = dir.y * rot.sinX + z1 * rot.cosX;
    float x3 = x1;
    float y3 = y2;
    if (rot.roll) {
        x3 = x1 * rot.cosZ - y2 * rot.sinZ;
        y3 = x1 * rot.sinZ + y2 * rot.cosZ;
    }
    EquirectUV uv;
    uv.u = 0.5f + atan2f(z2, x3) / TWO_PI;
    uv.v = 0.5f - asinf(clamp_f(y3, -1.0f, 1.0f)) / PI;
    return uv;
}

MORVEL_HD EquirectUV directionToEquirectUV(Vec3 dir, float rotY, float rotX, float rotZ) {
    return directionToEquirectUV(dir, makeEnvRotation(rotY, rotX, rotZ));
}

// One prepared HDRI image: four floats per pixel, rows `stride` pixels apart
// (R, G, B, A on the CPU; B, G, R, A on the GPU, returned in that order).
struct HdriView {
    const float* pixels;
    int width;
    int height;
    int stride;
};

// Truncates a scaled coordinate to a pixel index in [0, size - 1]. NaN and
// out-of-range values are clamped before the conversion, which would
// otherwise be undefined.
MORVEL_HD int hdriIndex(float f, int size) {
    if (!(f > 0.0f)) return 0;
    const float last = static_cast<float>(size - 1);
    if (f >= last) return size - 1;
    return static_cast<int>(f);
}

MORVEL_HD Vec3 hdriPixel(const HdriView& img, int x, int y) {
    const float* p = img.pixels + (static_cast<long long>(y) * img.stride + x) * 4;
    return Vec3{p[0], p[1], p[2]};
}

// Fractional part used as the wrapped longitude. Infinite u would give NaN,
// which hdriIndex maps to column 0.
MORVEL_HD float wrapU(float u) { return u - floorf(u); }

// CPU and CUDA IBL lookup: nearest pixel, rows counted from the bottom of the
// buffer (v = 0 reads the last row).
MORVEL_HD Vec3 sampleHDRINearest(const HdriView& img, EquirectUV uv) {
    const float u = wrapU(uv.u);
    const float v = clamp_f(uv.v, 0.0f, 1.0f);
    const int col = hdriIndex(u * static_cast<float>(img.width - 1), img.width);
    const int row = hdriIndex((1.0f - v) * static_cast<float>(img.height - 1), img.height);
    return hdriPixel(img, col, row);
}

// The GPU preview sphere's nearest lookup: rows counted from the top.
MORVEL_HD Vec3 sampleHDRINearestTopDown(const HdriView& img, EquirectUV uv) {
    const float u = wrapU(uv.u);
    const float v = clamp_f(uv.v, 0.0f, 1.0f);
    const int col = hdriIndex(u * static_cast<float>(img.width - 1), img.width);
    const int row = hdriIndex(v * static_cast<float>(img.height - 1), img.height);
    return hdriPixel(img, col, row);
}

MORVEL_HD Vec3 lerp3(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

// GPU bilinear lookup, rows from the top; the right neighbour of the last
// column is column 0 (the seam), the lower neighbour of the last row is itself.
MORVEL_HD Vec3 sampleHDRI(const HdriView& img, EquirectUV uv) {
    const float u = wrapU(uv.u);
    const float v = clamp_f(uv.v, 0.0f, 1.0f);
    const float fx = u * static_cast<float>(img.width - 1);
    const float fy = v * static_cast<float>(img.height - 1);
    const int x0 = hdriIndex(fx, img.width);
    const int y0 = hdriIndex(fy, img.height);
    const int x1 = (x0 + 1) % img.width;
    const int y1 = y0 + 1 < img.height ? y0 + 1 : img.height - 1;
    const float wx = fx - static_cast<float>(x0);
    const float wy = fy - static_cast<float>(y0);
    const Vec3 top = lerp3(hdriPixel(img, x0, y0), hdriPixel(img, x1, y0), wx);
    const Vec3 bottom = lerp3(hdriPixel(img, x0, y1), hdriPixel(img, x1, y1), wx);
    return lerp3(top, bottom, wy);
}

struct Basis {
    Vec3 T;
    Vec3 B;
};

// Frisvad's orthonormal basis; the z = -1 singularity gets a fixed basis.
MORVEL_HD Basis createBasis(Vec3 D) {
    if (D.z < -0.9999999f) {
        return Basis{Vec3{0.0f, -1.0f, 0.0f}, Vec3{-1.0f, 0.0f, 0.0f}};
    }
    const float a = 1.0f / (1.0f + D.z);
    const float b = -D.x * D.y * a;
    return Basis{Vec3{1.0f - D.x * D.x * a, b, -D.x}, Vec3{b, 1.0f - D.y * D.y * a, -D.y}};
}

// Directions of the ring lookups around a cone's axis, by angle phi. They
// depend only on the ring size, so a pass builds them once; the values are
// the ones each lookup would compute for itself. A count of 0 means the
// centre lookup alone.
struct ConeRing {
    int count;
    float cosPhi[8];
    float sinPhi[8];
};

// A ring of 8 for numSamples >= 9, of 4 below that, none for one sample.
MORVEL_HD ConeRing makeConeRing(int numSamples) {
    ConeRing r{};
    r.count = numSamples <= 1 ? 0 : (numSamples >= 9 ? 8 : 4);
    for (int i = 0; i < r.count; ++i) {
        const float phi = static_cast<float>(i) * TWO_PI / static_cast<float>(r.count);
        r.cosPhi[i] = cosf(phi);
        r.sinPhi[i] = sinf(phi);
    }
    return r;
}

// Centre lookup plus the ring of lookups at coneAngle from the centre, the
// ring weighted half.
template <typename Lookup>
MORVEL_HD Vec3 sampleHDRIConeWith(Lookup lookup, const HdriView& img, Vec3 direction, float coneAngle,
                                  const EnvRotation& rot, const ConeRing& ring) {
    if (ring.count == 0 || coneAngle < kMinConeAngle) {
        return lookup(img, directionToEquirectUV(direction, rot));
    }
    const Basis basis = createBasis(direction);
    Vec3 sum = lookup(img, directionToEquirectUV(direction, rot));
    float weight = 1.0f;
    const float cosCone = cosf(coneAngle);
    const float sinCone = sinf(coneAngle);
    for (int i = 0; i < ring.count; ++i) {
        const Vec3 d =
            normalize3(direction * cosCone + (basis.T * ring.cosPhi[i] + basis.B * ring.sinPhi[i]) * sinCone);
        sum = sum + lookup(img, directionToEquirectUV(d, rot)) * 0.5f;
        weight += 0.5f;
    }
    return sum / weight;
}

template <typename Lookup>
MORVEL_HD Vec3 sampleHDRIConeWith(Lookup lookup, const HdriView& img, Vec3 direction, float coneAngle,
                                  const EnvRotation& rot, int numSamples) {
    return sampleHDRIConeWith(lookup, img, direction, coneAngle, rot, makeConeRing(numSamples));
}

struct NearestLookup {
    MORVEL_HD Vec3 operator()(const HdriView& img, EquirectUV uv) const { return sampleHDRINearest(img, uv); }
};
struct BilinearLookup {
    MORVEL_HD Vec3 operator()(const HdriView& img, EquirectUV uv) const { return sampleHDRI(img, uv); }
};

// CPU and CUDA IBL: nearest lookups.
MORVEL_HD Vec3 sampleHDRICone(const HdriView& img, Vec3 direction, float coneAngle, const EnvRotation& rot,
                              int numSamples) {
    return sampleHDRIConeWith(NearestLookup{}, img, direction, coneAngle, rot, numSamples);
}

MORVEL_HD Vec3 sampleHDRICone(const HdriView& img, Vec3 direction, float coneAngle, float rotY, float rotX, float rotZ,
                              int numSamples) {
    return sampleHDRICone(img, direction, coneAngle, makeEnvRotation(rotY, rotX, rotZ), numSamples);
}

// OpenCL IBL kernel: bilinear lookups.
MORVEL_HD Vec3 sampleHDRIConeBilinear(const HdriView& img, Vec3 direction, float coneAngle, const EnvRotation& rot,
                                      int numSamples) {
    return sampleHDRIConeWith(BilinearLookup{}, img, direction, coneAngle, rot, numSamples);
}

struct DFGTerms {
    float A;  // scale on F0
    float B;  // bias
};

// Karis' analytic fit of the split-sum environment BRDF (CPU and CUDA).
MORVEL_HD DFGTerms DFGApprox(float NdotV, float roughness) {
    const float rx = roughness * -1.0f + 1.0f;
    const float ry = roughness * -0.0275f + 0.0425f;
    const float rz = roughness * -0.572f + 1.04f;
    const float rw = roughness * 0.022f + -0.04f;
    const float a004 = fminf(rx * rx, expf(-9.28f * NdotV)) * rx + ry;
    return DFGTerms{rz - 1.04f * a004, rw + 1.04f * a004};
}

// The OpenCL program's variant: base-2 exponent and a bias without the 1.04.
MORVEL_HD DFGTerms DFGApproxOpenCL(float NdotV, float roughness) {
    const float rx = roughness * -1.0f + 1.0f;
    const float ry = roughness * -0.0275f + 0.0425f;
    const float rz = roughness * -0.572f + 1.04f;
    const float rw = roughness * 0.022f + -0.04f;
    const float a004 = fminf(rx * rx, exp2f(-9.28f * NdotV)) * rx + ry;
    return DFGTerms{rz - 1.04f * a004, a004 + rw};
}

// Per-pass environment values in the order the shading uses them. The tint is
// R, G, B on the CPU; the CUDA kernel builds it blue first.
struct IblSettings {
    EnvRotation rotation;
    Vec3 tint;
    float diffuseIntensity;
    float specularIntensity;
    float exposureScale;  // 2^ibl_exposure
    float gamma;
    ConeRing ring;  // both environment lookups use 9 samples
};

MORVEL_HD IblSettings makeIblSettings(float rotX, float rotY, float rotZ, Vec3 tint, float diffuseIntensity,
                                      float specularIntensity, float exposure, float gamma) {
    IblSettings s;
    s.rotation = makeEnvRotation(rotY, rotX, rotZ);
    s.tint = tint;
    s.diffuseIntensity = diffuseIntensity;
    s.specularIntensity = specularIntensity;
    s.exposureScale = powf(2.0f, exposure);
    s.gamma = gamma;
    s.ring = makeConeRing(9);
    return s;
}

// CPU pass: from the pass record, tint in R, G, B order.
inline IblSettings iblSettingsFromPass(const FrameSettings& fs) {
    return makeIblSettings(fs.ibl_rotation_x, fs.ibl_rotation_y, fs.ibl_rotation_z,
                           Vec3{fs.ibl_tint_r, fs.ibl_tint_g, fs.ibl_tint_b}, fs.ibl_diffuse_intensity,
                           fs.ibl_specular_intensity, fs.ibl_exposure, fs.ibl_gamma);
}

// Display gamma on the finished total. A gamma of 1, or one that is not
// positive (a failed parameter read gives 0), leaves the colour alone, and so
// do channels <= 0, which powf could turn into NaN.
MORVEL_HD Vec3 applyIblGamma(Vec3 c, float gamma) {
    if (gamma != 1.0f && gamma > 0.0f) {
        const float inv = 1.0f / gamma;
        if (c.x > 0.0f) c.x = powf(c.x, inv);
        if (c.y > 0.0f) c.y = powf(c.y, inv);
        if (c.z > 0.0f) c.z = powf(c.z, inv);
    }
    return c;
}

// Multiple-scattering compensation for one reflectance channel (the 0.047619
// is close to 1/21, the hemispherical average of Schlick's Fresnel).
MORVEL_HD float fssEss(float f, DFGTerms dfg) { return f * dfg.A + dfg.B; }
MORVEL_HD float multiScatter(float f, DFGTerms dfg, float Ems) {
    const float favg = f + (1.0f - f) * 0.047619f;
    return favg * fssEss(f, dfg) / ((1.0f - favg * Ems) + 0.001f) * Ems;
}

// Environment lighting of one pixel, CPU path and CUDA kernel: roughness
// already clamped to [0.04, 1], metallic to [0, 1], specular unclamped. The
// result is before the preview sphere.
MORVEL_HD Vec3 shadeEnvironment(Vec3 base, Vec3 N, float roughness, float metallic, float specular,
                                const HdriView& diffuseImg, const HdriView& specularImg, const IblSettings& ibl) {
    const float r2 = roughness * roughness;
    // Mirror the view ray (0, 0, -1) about N, then bend it towards N with
    // roughness: rough surfaces reflect a wider, more normal-facing lobe.
    const Vec3 R0{2.0f * N.z * N.x, 2.0f * N.z * N.y, 2.0f * N.z * N.z - 1.0f};
    const Vec3 R = normalize3(R0 * (1.0f - r2) + N * r2);
    const Vec3 wN = toWorldDirection(N);
    const Vec3 wR = toWorldDirection(R);

    const Vec3 E = sampleHDRIConeWith(NearestLookup{}, diffuseImg, wN, 0.5f, ibl.rotation, ibl.ring) * ibl.tint;
    const Vec3 S = sampleHDRIConeWith(NearestLookup{}, specularImg, wR, r2 * 0.5f, ibl.rotation, ibl.ring) * ibl.tint;

    const float dielectricF0 = 0.16f * specular * specular * (1.0f - metallic);
    const Vec3 F0{base.x * metallic + dielectricF0, base.y * metallic + dielectricF0, base.z * metallic + dielectricF0};
    const float NdotV = clamp_f(N.z, 0.0f, 1.0f);
    const DFGTerms dfg = DFGApprox(NdotV, roughness);
    const float Ems = 1.0f - (dfg.A + dfg.B);

    const float b[3] = {base.x, base.y, base.z};
    const float f0[3] = {F0.x, F0.y, F0.z};
    const float e[3] = {E.x, E.y, E.z};
    const float s[3] = {S.x, S.y, S.z};
    float out[3];
    for (int c = 0; c < 3; ++c) {
        const float metal = (multiScatter(b[c], dfg, Ems) * e[c] / PI + fssEss(b[c], dfg) * s[c]) * metallic * 3.0f;
        const float dielectric =
            (multiScatter(f0[c], dfg, Ems) * e[c] / PI + fssEss(f0[c], dfg) * s[c]) * (1.0f - metallic) * 3.0f;
        const float diffuse = e[c] * b[c] * (1.0f - metallic) * 0.65f * ibl.diffuseIntensity;
        out[c] = ((metal + dielectric) * ibl.specularIntensity + diffuse) * ibl.exposureScale;
    }
    return applyIblGamma(Vec3{out[0], out[1], out[2]}, ibl.gamma);
}

struct PreviewSphereInfo {
    bool covered;
    Vec3 normal;
    float alpha;
};

// The chrome ball in the lower right corner: radius 8 % of the shorter side,
// a one-pixel anti-aliased rim.
MORVEL_HD PreviewSphereInfo getPreviewSphereInfo(int x, int y, int width, int height) {
    PreviewSphereInfo info{false, Vec3{0.0f, 0.0f, 1.0f}, 0.0f};
    const int minDimI = width < height ? width : height;
    if (minDimI <= 0) return info;
    const float minDim = static_cast<float>(minDimI);
    const float radius = 0.08f * minDim;
    const float margin = 0.3f * radius + 0.01f * minDim;
    const float cx = static_cast<float>(width) - radius - margin;
    const float cy = static_cast<float>(height) - radius - margin;
    const float dx = static_cast<float>(x) - cx;
    const float dy = static_cast<float>(y) - cy;
    const float dist = sqrtf(dx * dx + dy * dy);
    if (dist > radius + 1.0f) return info;

    info.covered = true;
    info.alpha = clamp_f(radius - dist + 1.0f, 0.0f, 1.0f);
    float nx = dx / radius;
    float ny = -dy / radius;
    const float nz2 = 1.0f - nx * nx - ny * ny;
    if (nz2 > 0.0f) {
        info.normal = Vec3{nx, ny, sqrtf(nz2)};
    } else {
        // The rim pixels just outside the silhouette face sideways.
        const float len = sqrtf(nx * nx + ny * ny);
        if (len > 0.0f) {
            nx /= len;
            ny /= len;
        }
        info.normal = Vec3{nx, ny, 0.0f};
    }
    return info;
}

// Direction the preview sphere shows at normal n. The roll is taken back by
// pi so that the ball shows the environment with the user's own roll.
MORVEL_HD EquirectUV previewSphereUV(Vec3 n, float rotX, float rotY, float rotZ) {
    const Vec3 R = normalize3(Vec3{2.0f * n.z * n.x, 2.0f * n.z * n.y, 2.0f * n.z * n.z - 1.0f});
    const Vec3 dir{-R.x, -R.y, -R.z};
    return directionToEquirectUV(dir, rotY, rotX, rotZ - PI);
}

// CPU and CUDA: single nearest lookup in the specular image, rows from the
// bottom; no cone, tint, exposure or gamma.
MORVEL_HD Vec3 samplePreviewSphereHDRI(Vec3 n, const HdriView& specularImg, float rotX, float rotY, float rotZ) {
    return sampleHDRINearest(specularImg, previewSphereUV(n, rotX, rotY, rotZ));
}

// GPU variant reading rows from the top.
MORVEL_HD Vec3 samplePreviewSphereHDRITopDown(Vec3 n, const HdriView& specularImg, float rotX, float rotY, float rotZ) {
    return sampleHDRINearestTopDown(specularImg, previewSphereUV(n, rotX, rotY, rotZ));
}

// Composites the ball over the shaded colour; the caller raises the pixel's
// alpha to 1 when this returns true (coverage above one half).
MORVEL_HD bool blendPreviewSphere(Vec3& colour, Vec3 sphereColour, float sphereAlpha) {
    colour = colour * (1.0f - sphereAlpha) + sphereColour * sphereAlpha;
    return sphereAlpha > 0.5f;
}

}  // namespace morvel
