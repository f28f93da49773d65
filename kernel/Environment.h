// Image-based lighting math: direction to equirect uv, nearest HDRI lookups, cone
// filtering, the split-sum environment BRDF and the preview sphere.
#ifndef MORVEL_KERNEL_ENVIRONMENT_H
#define MORVEL_KERNEL_ENVIRONMENT_H

#include "kernel/Compat.h"
#include "kernel/Float3.h"
#include "kernel/ShadingMath.h"

MORVEL_NAMESPACE_BEGIN

// A roll this small is skipped, so the uv of an unrolled HDRI carries no
// sin/cos rounding from a near-zero angle.
MORVEL_CONST float kMinRollAngle = 0.001f;

// Cones narrower than this take a single lookup.
MORVEL_CONST float kMinConeAngle = 0.001f;

typedef struct EquirectUV {
    float u;
    float v;
} EquirectUV;

// The environment is seen from behind the viewer: x and z flip.
MORVEL_FUNC Float3 toWorldDirection(Float3 d) { return make_float3(-d.x, d.y, -d.z); }

// Sines and cosines of the three HDRI rotations. They depend only on the pass
// record, so a pass builds this once; results equal per-pixel evaluation.
typedef struct EnvRotation {
    float cosY, sinY;
    float cosX, sinX;
    float cosZ, sinZ;
    int roll;
} EnvRotation;

MORVEL_FUNC EnvRotation makeEnvRotation(float rotY, float rotX, float rotZ) {
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

// What the longitude and latitude of a direction are taken of: atan2f(y, x) and
// asinf(s), s already clamped to [-1, 1].
typedef struct EquirectArgs {
    float y;
    float x;
    float s;
} EquirectArgs;

// Pan about y, tilt about x, roll about z.
MORVEL_FUNC EquirectArgs equirectArgs(Float3 dir, EnvRotation rot) {
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
    EquirectArgs a;
    a.y = z2;
    a.x = x3;
    a.s = clamp_f(y3, -1.0f, 1.0f);
    return a;
}

// u from the longitude, left unwrapped; v from the latitude, 0 straight up and 1
// straight down.
MORVEL_FUNC EquirectUV equirectUVOfAngles(float longitude, float latitude) {
    EquirectUV uv;
    uv.u = 0.5f + longitude / TWO_PI;
    uv.v = 0.5f - latitude / PI;
    return uv;
}

MORVEL_FUNC EquirectUV directionToEquirectUV(Float3 dir, EnvRotation rot) {
    const EquirectArgs a = equirectArgs(dir, rot);
    return equirectUVOfAngles(atan2f(a.y, a.x), asinf(a.s));
}

// One prepared HDRI image: R, G, B, A floats per pixel, rows `stride` pixels apart.
typedef struct HdriView {
    MORVEL_GLOBAL const float* pixels;
    int width;
    int height;
    int stride;
} HdriView;

// Truncates a scaled coordinate to a pixel index in [0, size - 1]. NaN and
// out-of-range values are clamped before the conversion, which would
// otherwise be undefined.
MORVEL_FUNC int hdriIndex(float f, int size) {
    if (!(f > 0.0f)) return 0;
    const float last = (float)(size - 1);
    if (f >= last) return size - 1;
    return (int)f;
}

// Offset in floats of pixel (x, y) from the image's first.
MORVEL_FUNC ptrdiff_t hdriOffset(HdriView img, int x, int y) { return ((ptrdiff_t)y * img.stride + x) * 4; }

MORVEL_FUNC Float3 hdriTexel(HdriView img, ptrdiff_t offset) {
    MORVEL_GLOBAL const float* p = img.pixels + offset;
    return make_float3(p[0], p[1], p[2]);
}

MORVEL_FUNC Float3 hdriPixel(HdriView img, int x, int y) { return hdriTexel(img, hdriOffset(img, x, y)); }

// Fractional part used as the wrapped longitude. Infinite u would give NaN,
// which hdriIndex maps to column 0.
MORVEL_FUNC float wrapU(float u) { return u - floorf(u); }

// Offset of the nearest pixel, rows counted from the bottom of the buffer (v = 0 reads
// the last row).
MORVEL_FUNC ptrdiff_t hdriNearestOffset(HdriView img, EquirectUV uv) {
    const float u = wrapU(uv.u);
    const float v = clamp_f(uv.v, 0.0f, 1.0f);
    const int col = hdriIndex(u * (float)(img.width - 1), img.width);
    const int row = hdriIndex((1.0f - v) * (float)(img.height - 1), img.height);
    return hdriOffset(img, col, row);
}

MORVEL_FUNC Float3 sampleHDRINearest(HdriView img, EquirectUV uv) { return hdriTexel(img, hdriNearestOffset(img, uv)); }

typedef struct Basis {
    Float3 T;
    Float3 B;
} Basis;

// Frisvad's orthonormal basis; the z = -1 singularity gets a fixed basis.
MORVEL_FUNC Basis createBasis(Float3 D) {
    Basis basis;
    if (D.z < -0.9999999f) {
        basis.T = make_float3(0.0f, -1.0f, 0.0f);
        basis.B = make_float3(-1.0f, 0.0f, 0.0f);
        return basis;
    }
    const float a = 1.0f / (1.0f + D.z);
    const float b = -D.x * D.y * a;
    basis.T = make_float3(1.0f - D.x * D.x * a, b, -D.x);
    basis.B = make_float3(b, 1.0f - D.y * D.y * a, -D.y);
    return basis;
}

// Directions of the ring lookups around a cone's axis, by angle phi. They
// depend only on the ring size, so a pass builds them once; the values are
// the ones each lookup would compute for itself. A count of 0 means the
// centre lookup alone.
typedef struct ConeRing {
    int count;
    float cosPhi[8];
    float sinPhi[8];
} ConeRing;

// A ring of 8 for numSamples >= 9, of 4 below that, none for one sample.
MORVEL_FUNC ConeRing makeConeRing(int numSamples) {
    ConeRing r;
    r.count = numSamples <= 1 ? 0 : (numSamples >= 9 ? 8 : 4);
    for (int i = 0; i < 8; ++i) {
        r.cosPhi[i] = 0.0f;
        r.sinPhi[i] = 0.0f;
    }
    for (int i = 0; i < r.count; ++i) {
        const float phi = (float)i * TWO_PI / (float)r.count;
        r.cosPhi[i] = cosf(phi);
        r.sinPhi[i] = sinf(phi);
    }
    return r;
}

// Whether a cone takes its ring of lookups, or the centre lookup alone.
MORVEL_FUNC int coneHasRing(ConeRing ring, float coneAngle) { return ring.count != 0 && !(coneAngle < kMinConeAngle); }

// Direction of ring lookup i, at the cone angle (given as its cosine and sine) from
// the axis.
MORVEL_FUNC Float3 coneRingDirection(Float3 axis, Basis basis, float cosCone, float sinCone, ConeRing ring, int i) {
    return normalize3(add3(scale3(axis, cosCone),
                           scale3(add3(scale3(basis.T, ring.cosPhi[i]), scale3(basis.B, ring.sinPhi[i])), sinCone)));
}

// What a ring adds up to: the centre plus half of each ring lookup, over the weights.
MORVEL_FUNC float coneWeight(ConeRing ring) { return 1.0f + 0.5f * (float)ring.count; }

// Centre lookup plus the ring of lookups at coneAngle from the centre, the
// ring weighted half.
MORVEL_FUNC Float3 sampleHDRICone(HdriView img, Float3 direction, float coneAngle, EnvRotation rot, ConeRing ring) {
    if (!coneHasRing(ring, coneAngle)) {
        return sampleHDRINearest(img, directionToEquirectUV(direction, rot));
    }
    const Basis basis = createBasis(direction);
    Float3 sum = sampleHDRINearest(img, directionToEquirectUV(direction, rot));
    const float cosCone = cosf(coneAngle);
    const float sinCone = sinf(coneAngle);
    for (int i = 0; i < ring.count; ++i) {
        const Float3 d = coneRingDirection(direction, basis, cosCone, sinCone, ring, i);
        sum = add3(sum, scale3(sampleHDRINearest(img, directionToEquirectUV(d, rot)), 0.5f));
    }
    return div3(sum, coneWeight(ring));
}

typedef struct DFGTerms {
    float A;  // scale on F0
    float B;  // bias
} DFGTerms;

// Karis' analytic fit of the split-sum environment BRDF.
MORVEL_FUNC DFGTerms DFGApprox(float NdotV, float roughness) {
    const float rx = roughness * -1.0f + 1.0f;
    const float ry = roughness * -0.0275f + 0.0425f;
    const float rz = roughness * -0.572f + 1.04f;
    const float rw = roughness * 0.022f + -0.04f;
    const float a004 = fminf(rx * rx, expf(-9.28f * NdotV)) * rx + ry;
    DFGTerms t;
    t.A = rz - 1.04f * a004;
    t.B = rw + 1.04f * a004;
    return t;
}

// The environment pass as every back end receives it (IblPassOf in frame/KernelPasses.h):
// per-pass values in the order the shading uses them. Scalars only, like LightPass.
typedef struct IblPass {
    EnvRotation rotation;
    float tint_r, tint_g, tint_b;
    float diffuseIntensity;
    float specularIntensity;
    float exposureScale;  // 2^ibl_exposure
    float gamma;
    ConeRing ring;  // both environment lookups use 9 samples
    int is_first;
    int preview_sphere;
    EnvRotation sphereRotation;  // the preview sphere's (previewSphereRotation)
    int frame_width;             // the preview sphere sits in the frame's corner
    int frame_height;
} IblPass;

// The preview sphere shows the environment with the user's own roll: the pass's roll
// taken back by pi.
MORVEL_FUNC EnvRotation previewSphereRotation(float rotX, float rotY, float rotZ) {
    return makeEnvRotation(rotY, rotX, rotZ - PI);
}

MORVEL_FUNC IblPass makeIblPass(float rotX, float rotY, float rotZ, Float3 tint, float diffuseIntensity,
                                float specularIntensity, float exposure, float gamma) {
    IblPass s;
    s.rotation = makeEnvRotation(rotY, rotX, rotZ);
    s.tint_r = tint.x;
    s.tint_g = tint.y;
    s.tint_b = tint.z;
    s.diffuseIntensity = diffuseIntensity;
    s.specularIntensity = specularIntensity;
    s.exposureScale = powf(2.0f, exposure);
    s.gamma = gamma;
    s.ring = makeConeRing(9);
    s.is_first = 0;
    s.preview_sphere = 0;
    s.sphereRotation = previewSphereRotation(rotX, rotY, rotZ);
    s.frame_width = 0;
    s.frame_height = 0;
    return s;
}

// Display gamma on the finished total. A gamma of 1, or one that is not
// positive (a failed parameter read gives 0), leaves the colour alone, and so
// do channels <= 0, which powf could turn into NaN.
MORVEL_FUNC Float3 applyIblGamma(Float3 c, float gamma) {
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
MORVEL_FUNC float fssEss(float f, DFGTerms dfg) { return f * dfg.A + dfg.B; }
MORVEL_FUNC float multiScatter(float f, DFGTerms dfg, float Ems) {
    const float favg = f + (1.0f - f) * 0.047619f;
    return favg * fssEss(f, dfg) / ((1.0f - favg * Ems) + 0.001f) * Ems;
}

// One colour channel of the environment lighting.
MORVEL_FUNC float environmentChannel(float b, float f0, float e, float s, float metallic, DFGTerms dfg, float Ems,
                                     IblPass ibl) {
    const float metal = (multiScatter(b, dfg, Ems) * e / PI + fssEss(b, dfg) * s) * metallic * 3.0f;
    const float dielectric = (multiScatter(f0, dfg, Ems) * e / PI + fssEss(f0, dfg) * s) * (1.0f - metallic) * 3.0f;
    const float diffuse = e * b * (1.0f - metallic) * 0.65f * ibl.diffuseIntensity;
    return ((metal + dielectric) * ibl.specularIntensity + diffuse) * ibl.exposureScale;
}

// The two cones a pixel's environment lighting looks up: around the normal in the
// diffuse image, around the reflection in the specular one, both in world directions.
typedef struct EnvironmentCones {
    Float3 diffuseAxis;
    float diffuseAngle;
    Float3 specularAxis;
    float specularAngle;
} EnvironmentCones;

MORVEL_FUNC EnvironmentCones environmentCones(Float3 N, float roughness) {
    const float r2 = roughness * roughness;
    // Mirror the view ray (0, 0, -1) about N, then bend it towards N with
    // roughness: rough surfaces reflect a wider, more normal-facing lobe.
    const Float3 R0 = make_float3(2.0f * N.z * N.x, 2.0f * N.z * N.y, 2.0f * N.z * N.z - 1.0f);
    const Float3 R = normalize3(add3(scale3(R0, 1.0f - r2), scale3(N, r2)));
    EnvironmentCones c;
    c.diffuseAxis = toWorldDirection(N);
    c.diffuseAngle = 0.5f;
    c.specularAxis = toWorldDirection(R);
    c.specularAngle = r2 * 0.5f;
    return c;
}

// Environment lighting of one pixel from its two cone lookups (sampleHDRICone along
// environmentCones): roughness already clamped to [0.04, 1], metallic to [0, 1],
// specular unclamped. The result is before the preview sphere.
MORVEL_FUNC Float3 shadeEnvironmentOfCones(Float3 base, Float3 N, float roughness, float metallic, float specular,
                                           Float3 diffuseCone, Float3 specularCone, IblPass ibl) {
    const Float3 tint = make_float3(ibl.tint_r, ibl.tint_g, ibl.tint_b);
    const Float3 E = mul3(diffuseCone, tint);
    const Float3 S = mul3(specularCone, tint);

    const float dielectricF0 = 0.16f * specular * specular * (1.0f - metallic);
    const Float3 F0 = make_float3(base.x * metallic + dielectricF0, base.y * metallic + dielectricF0,
                                  base.z * metallic + dielectricF0);
    const float NdotV = clamp_f(N.z, 0.0f, 1.0f);
    const DFGTerms dfg = DFGApprox(NdotV, roughness);
    const float Ems = 1.0f - (dfg.A + dfg.B);

    return applyIblGamma(make_float3(environmentChannel(base.x, F0.x, E.x, S.x, metallic, dfg, Ems, ibl),
                                     environmentChannel(base.y, F0.y, E.y, S.y, metallic, dfg, Ems, ibl),
                                     environmentChannel(base.z, F0.z, E.z, S.z, metallic, dfg, Ems, ibl)),
                         ibl.gamma);
}

// Environment lighting of one pixel, lookups included.
MORVEL_FUNC Float3 shadeEnvironment(Float3 base, Float3 N, float roughness, float metallic, float specular,
                                    HdriView diffuseImg, HdriView specularImg, IblPass ibl) {
    const EnvironmentCones c = environmentCones(N, roughness);
    return shadeEnvironmentOfCones(base, N, roughness, metallic, specular,
                                   sampleHDRICone(diffuseImg, c.diffuseAxis, c.diffuseAngle, ibl.rotation, ibl.ring),
                                   sampleHDRICone(specularImg, c.specularAxis, c.specularAngle, ibl.rotation, ibl.ring),
                                   ibl);
}

typedef struct PreviewSphereInfo {
    int covered;
    Float3 normal;
    float alpha;
} PreviewSphereInfo;

// The chrome ball in the lower right corner: radius 8 % of the shorter side,
// a one-pixel anti-aliased rim.
MORVEL_FUNC PreviewSphereInfo getPreviewSphereInfo(int x, int y, int width, int height) {
    PreviewSphereInfo info;
    info.covered = 0;
    info.normal = make_float3(0.0f, 0.0f, 1.0f);
    info.alpha = 0.0f;
    const int minDimI = width < height ? width : height;
    if (minDimI <= 0) return info;
    const float minDim = (float)minDimI;
    const float radius = 0.08f * minDim;
    const float margin = 0.3f * radius + 0.01f * minDim;
    const float cx = (float)width - radius - margin;
    const float cy = (float)height - radius - margin;
    const float dx = (float)x - cx;
    const float dy = (float)y - cy;
    const float dist = sqrtf(dx * dx + dy * dy);
    if (dist > radius + 1.0f) return info;

    info.covered = 1;
    info.alpha = clamp_f(radius - dist + 1.0f, 0.0f, 1.0f);
    float nx = dx / radius;
    float ny = -dy / radius;
    const float nz2 = 1.0f - nx * nx - ny * ny;
    if (nz2 > 0.0f) {
        info.normal = make_float3(nx, ny, sqrtf(nz2));
    } else {
        // The rim pixels just outside the silhouette face sideways.
        const float len = sqrtf(nx * nx + ny * ny);
        if (len > 0.0f) {
            nx /= len;
            ny /= len;
        }
        info.normal = make_float3(nx, ny, 0.0f);
    }
    return info;
}

// Direction the preview sphere shows at normal n, with the sphere's rotation.
MORVEL_FUNC EquirectUV previewSphereUV(Float3 n, EnvRotation sphereRotation) {
    const Float3 R = normalize3(make_float3(2.0f * n.z * n.x, 2.0f * n.z * n.y, 2.0f * n.z * n.z - 1.0f));
    const Float3 dir = make_float3(-R.x, -R.y, -R.z);
    return directionToEquirectUV(dir, sphereRotation);
}

// A single nearest lookup in the specular image; no cone, tint, exposure or gamma.
MORVEL_FUNC Float3 samplePreviewSphereHDRI(Float3 n, HdriView specularImg, EnvRotation sphereRotation) {
    return sampleHDRINearest(specularImg, previewSphereUV(n, sphereRotation));
}

// The ball composited over the shaded colour. The pixel turns opaque where the ball
// covers it by more than one half.
MORVEL_FUNC Float3 blendPreviewSphere(Float3 colour, Float3 sphereColour, float sphereAlpha) {
    return add3(scale3(colour, 1.0f - sphereAlpha), scale3(sphereColour, sphereAlpha));
}

MORVEL_NAMESPACE_END

#endif
