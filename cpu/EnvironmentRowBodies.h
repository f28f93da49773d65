// The environment row bodies, included by one translation unit per instruction set;
// internal linkage, as in LightRowBodies.h. A unit that defines MORVEL_LIBMVEC_AVX2
// takes a ring's angles from glibc's AVX2 vector math.
#pragma once

#include <cmath>
#include <cstddef>

#include "cpu/EnvironmentRows.h"

#if MORVEL_LIBMVEC_AVX2
#include <immintrin.h>

// glibc's vector variants of atan2f and asinf, eight lanes, by their vector ABI names.
extern "C" __m256 _ZGVdN8vv_atan2f(__m256 y, __m256 x);
extern "C" __m256 _ZGVdN8v_asinf(__m256 s);
#endif

namespace morvel {
namespace {

constexpr bool kVectorRingAngles = MORVEL_LIBMVEC_AVX2 != 0;

// Longitude and latitude of `count` lookups.
inline void ringAngles(const float* y, const float* x, const float* s, float* longitude, float* latitude, int count) {
#if MORVEL_LIBMVEC_AVX2
    if (count == 8) {
        _mm256_store_ps(longitude, _ZGVdN8vv_atan2f(_mm256_load_ps(y), _mm256_load_ps(x)));
        _mm256_store_ps(latitude, _ZGVdN8v_asinf(_mm256_load_ps(s)));
        return;
    }
#endif
    for (int i = 0; i < count; ++i) {
        longitude[i] = atan2f(y[i], x[i]);
        latitude[i] = asinf(s[i]);
    }
}

// A cone's cosine and sine, given where they are known already.
struct ConeAngle {
    float angle, cosAngle, sinAngle;
};

inline ConeAngle coneAngleOf(float angle) { return ConeAngle{angle, cosf(angle), sinf(angle)}; }

int coneOffsetsOf(const HdriView& img, Float3 axis, ConeAngle cone, const EnvRotation& rot, const ConeRing& ring,
                  std::ptrdiff_t offsets[kMaxConeLookups]) {
    offsets[0] = hdriNearestOffset(img, directionToEquirectUV(axis, rot));
    if (!coneHasRing(ring, cone.angle)) {
        return 1;
    }
    const Basis basis = createBasis(axis);
    alignas(32) float y[8], x[8], s[8], longitude[8], latitude[8];
    const int count = ring.count;
    for (int i = 0; i < count; ++i) {
        const EquirectArgs a = equirectArgs(coneRingDirection(axis, basis, cone.cosAngle, cone.sinAngle, ring, i), rot);
        y[i] = a.y;
        x[i] = a.x;
        s[i] = a.s;
    }
    ringAngles(y, x, s, longitude, latitude, count);
    for (int i = 0; i < count; ++i) {
        offsets[1 + i] = hdriNearestOffset(img, equirectUVOfAngles(longitude[i], latitude[i]));
    }
    return 1 + count;
}

int coneOffsets(const HdriView& img, Float3 axis, float angle, const EnvRotation& rot, const ConeRing& ring,
                std::ptrdiff_t offsets[kMaxConeLookups]) {
    return coneOffsetsOf(img, axis, coneAngleOf(angle), rot, ring, offsets);
}

// sampleHDRICone with the lookups' offsets computed before any texel is loaded, summed
// in the same order.
Float3 coneSample(const HdriView& img, Float3 axis, ConeAngle cone, const EnvRotation& rot, const ConeRing& ring) {
    std::ptrdiff_t offsets[kMaxConeLookups];
    const int n = coneOffsetsOf(img, axis, cone, rot, ring, offsets);
    Float3 sum = hdriTexel(img, offsets[0]);
    if (n == 1) {
        return sum;
    }
    for (int i = 1; i < n; ++i) {
        sum = add3(sum, scale3(hdriTexel(img, offsets[i]), 0.5f));
    }
    return div3(sum, coneWeight(ring));
}

template <int Layout>
void environmentRow(const IblPass& pass, const PassViews& shared, const HdriView& diffuse, const HdriView& specular,
                    int y, int width) {
    const IblPass p = pass;
    PassViews v = shared;
    v.out.layout = v.base.layout = v.source.layout = v.normal.layout = Layout;
    v.roughness.layout = v.metallic.layout = v.specular.layout = Layout;
    const HdriView d = diffuse;
    const HdriView sp = specular;
    ConeAngle diffuseCone{0.0f, 0.0f, 0.0f};
    for (int x = 0; x < width; ++x) {
        const SurfaceSample s = environmentSampleAt(v, x, y);
        const EnvironmentCones cones = environmentCones(s.N, s.roughness);
        // The diffuse cone's angle is the same for every pixel: its cosine and sine once.
        if (x == 0 || !(cones.diffuseAngle == diffuseCone.angle)) {
            diffuseCone = coneAngleOf(cones.diffuseAngle);
        }
        const Float3 e = coneSample(d, cones.diffuseAxis, diffuseCone, p.rotation, p.ring);
        const Float3 r = coneSample(sp, cones.specularAxis, coneAngleOf(cones.specularAngle), p.rotation, p.ring);
        const Float3 c = shadeEnvironmentOfCones(s.baseColor, s.N, s.roughness, s.metallic, s.specular, e, r, p);
        storeEnvironmentPixel(p, v, sp, x, y, c, s.alpha);
    }
}

EnvironmentRowTable makeEnvironmentRowTable() {
    EnvironmentRowTable t{};
    t.body[PIXEL_ARGB8] = &environmentRow<PIXEL_ARGB8>;
    t.body[PIXEL_ARGB16] = &environmentRow<PIXEL_ARGB16>;
    t.body[PIXEL_ARGB32F] = &environmentRow<PIXEL_ARGB32F>;
    t.coneOffsets = &coneOffsets;
    t.vectorMath = kVectorRingAngles;
    return t;
}

}  // namespace
}  // namespace morvel
