// The environment row bodies, included by one translation unit per instruction set;
// internal linkage, as in LightRowBodies.h. A unit that defines MORVEL_LIBMVEC_AVX2 to 1
// shades eight pixels at a time with glibc's AVX2 vector math: the cones' cosines and
// sines, the centre lookups of eight cones and the ring lookups of one cone each one
// vector.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "cpu/EnvironmentRows.h"

#if MORVEL_LIBMVEC_AVX2
#include <immintrin.h>

// glibc's vector variants of atan2f, asinf, cosf and sinf, eight lanes, by their vector
// ABI names.
extern "C" __m256 _ZGVdN8vv_atan2f(__m256 y, __m256 x);
extern "C" __m256 _ZGVdN8v_asinf(__m256 s);
extern "C" __m256 _ZGVdN8v_cosf(__m256 a);
extern "C" __m256 _ZGVdN8v_sinf(__m256 a);
#endif

namespace morvel {
namespace {

constexpr bool kVectorMath = MORVEL_LIBMVEC_AVX2 != 0;

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
    const int count = ring.count;
    for (int i = 0; i < count; ++i) {
        const Float3 d = coneRingDirection(axis, basis, cone.cosAngle, cone.sinAngle, ring, i);
        offsets[1 + i] = hdriNearestOffset(img, directionToEquirectUV(d, rot));
    }
    return 1 + count;
}

int coneOffsets(const HdriView& img, Float3 axis, float angle, const EnvRotation& rot, const ConeRing& ring,
                std::ptrdiff_t offsets[kMaxConeLookups]) {
    return coneOffsetsOf(img, axis, coneAngleOf(angle), rot, ring, offsets);
}

// The texels at a cone's n offsets summed as sampleHDRICone sums them (the centre, then
// half of each ring lookup in order, over the weights), the channels as one vector:
// per channel the same operations, so the same bits.
inline Float3 coneSum(const HdriView& img, const std::ptrdiff_t* offsets, int n, float weight) {
    __m128 sum = _mm_loadu_ps(img.pixels + offsets[0]);
    if (n > 1) {
        const __m128 half = _mm_set1_ps(0.5f);
        for (int i = 1; i < n; ++i) {
            sum = _mm_add_ps(sum, _mm_mul_ps(_mm_loadu_ps(img.pixels + offsets[i]), half));
        }
        sum = _mm_div_ps(sum, _mm_set1_ps(weight));
    }
    alignas(16) float c[4];
    _mm_store_ps(c, sum);
    return make_float3(c[0], c[1], c[2]);
}

// sampleHDRICone with the lookups' offsets computed before any texel is loaded.
Float3 coneSample(const HdriView& img, Float3 axis, ConeAngle cone, const EnvRotation& rot, const ConeRing& ring) {
    std::ptrdiff_t offsets[kMaxConeLookups];
    const int n = coneOffsetsOf(img, axis, cone, rot, ring, offsets);
    return coneSum(img, offsets, n, coneWeight(ring));
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

#if MORVEL_LIBMVEC_AVX2
// Eight lanes of the kernel's lookup math, operation for operation (no fused
// multiply-adds), apart from the angles, which come from the vector math.

// clamp_f: a NaN lands on hi.
inline __m256 clamp8(__m256 v, __m256 lo, __m256 hi) {
    const __m256 inner = _mm256_blendv_ps(lo, v, _mm256_cmp_ps(v, lo, _CMP_GT_OQ));
    return _mm256_blendv_ps(hi, inner, _mm256_cmp_ps(v, hi, _CMP_LT_OQ));
}

// hdriIndex: NaN and values not above 0 give 0, values at or past the last index the
// last; the truncation of anything else is in range.
inline __m256i hdriIndex8(__m256 f, int size) {
    const __m256 last = _mm256_set1_ps(static_cast<float>(size - 1));
    const __m256i t = _mm256_cvttps_epi32(f);  // defined for every input; masked below where out of range
    const __m256i clamped =
        _mm256_blendv_epi8(t, _mm256_set1_epi32(size - 1), _mm256_castps_si256(_mm256_cmp_ps(f, last, _CMP_GE_OQ)));
    return _mm256_and_si256(clamped, _mm256_castps_si256(_mm256_cmp_ps(f, _mm256_setzero_ps(), _CMP_GT_OQ)));
}

struct Directions8 {
    __m256 x, y, z;
};

// directionToEquirectUV, then hdriNearestOffset, for eight directions.
inline void nearestOffsets8(const HdriView& img, Directions8 d, const EnvRotation& rot, std::ptrdiff_t* out) {
    const __m256 cosY = _mm256_set1_ps(rot.cosY), sinY = _mm256_set1_ps(rot.sinY);
    const __m256 cosX = _mm256_set1_ps(rot.cosX), sinX = _mm256_set1_ps(rot.sinX);
    const __m256 x1 = _mm256_sub_ps(_mm256_mul_ps(d.x, cosY), _mm256_mul_ps(d.z, sinY));
    const __m256 z1 = _mm256_add_ps(_mm256_mul_ps(d.x, sinY), _mm256_mul_ps(d.z, cosY));
    const __m256 y2 = _mm256_sub_ps(_mm256_mul_ps(d.y, cosX), _mm256_mul_ps(z1, sinX));
    const __m256 z2 = _mm256_add_ps(_mm256_mul_ps(d.y, sinX), _mm256_mul_ps(z1, cosX));
    __m256 x3 = x1;
    __m256 y3 = y2;
    if (rot.roll) {
        const __m256 cosZ = _mm256_set1_ps(rot.cosZ), sinZ = _mm256_set1_ps(rot.sinZ);
        x3 = _mm256_sub_ps(_mm256_mul_ps(x1, cosZ), _mm256_mul_ps(y2, sinZ));
        y3 = _mm256_add_ps(_mm256_mul_ps(x1, sinZ), _mm256_mul_ps(y2, cosZ));
    }
    const __m256 one = _mm256_set1_ps(1.0f), half = _mm256_set1_ps(0.5f);
    const __m256 longitude = _ZGVdN8vv_atan2f(z2, x3);
    const __m256 latitude = _ZGVdN8v_asinf(clamp8(y3, _mm256_set1_ps(-1.0f), one));
    __m256 u = _mm256_add_ps(half, _mm256_div_ps(longitude, _mm256_set1_ps(TWO_PI)));
    __m256 v = _mm256_sub_ps(half, _mm256_div_ps(latitude, _mm256_set1_ps(PI)));
    u = _mm256_sub_ps(u, _mm256_floor_ps(u));
    v = clamp8(v, _mm256_setzero_ps(), one);
    alignas(32) int col[8], row[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(col),
                       hdriIndex8(_mm256_mul_ps(u, _mm256_set1_ps(static_cast<float>(img.width - 1))), img.width));
    _mm256_store_si256(
        reinterpret_cast<__m256i*>(row),
        hdriIndex8(_mm256_mul_ps(_mm256_sub_ps(one, v), _mm256_set1_ps(static_cast<float>(img.height - 1))),
                   img.height));
    for (int i = 0; i < 8; ++i) out[i] = hdriOffset(img, col[i], row[i]);
}

// coneRingDirection for a ring of eight.
inline Directions8 ringDirections8(Float3 axis, Basis basis, float cosCone, float sinCone, const ConeRing& ring) {
    const __m256 cosPhi = _mm256_loadu_ps(ring.cosPhi), sinPhi = _mm256_loadu_ps(ring.sinPhi);
    const __m256 sc = _mm256_set1_ps(sinCone);
    auto component = [&](float axisC, float t, float b) {
        const __m256 tb =
            _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(t), cosPhi), _mm256_mul_ps(_mm256_set1_ps(b), sinPhi));
        return _mm256_add_ps(_mm256_set1_ps(axisC * cosCone), _mm256_mul_ps(tb, sc));
    };
    Directions8 d{component(axis.x, basis.T.x, basis.B.x), component(axis.y, basis.T.y, basis.B.y),
                  component(axis.z, basis.T.z, basis.B.z)};
    const __m256 len = _mm256_sqrt_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(d.x, d.x), _mm256_mul_ps(d.y, d.y)), _mm256_mul_ps(d.z, d.z)));
    const __m256 longer = _mm256_cmp_ps(len, _mm256_set1_ps(EPSILON), _CMP_GT_OQ);
    d.x = _mm256_blendv_ps(d.x, _mm256_div_ps(d.x, len), longer);
    d.y = _mm256_blendv_ps(d.y, _mm256_div_ps(d.y, len), longer);
    d.z = _mm256_blendv_ps(d.z, _mm256_div_ps(d.z, len), longer);
    return d;
}

// One cone's lookups from its centre's offset and its angle's cosine and sine; returns
// how many.
int coneOffsets8(const HdriView& img, Float3 axis, float angle, float cosCone, float sinCone, std::ptrdiff_t centre,
                 const EnvRotation& rot, const ConeRing& ring, std::ptrdiff_t* offsets) {
    offsets[0] = centre;
    if (!coneHasRing(ring, angle)) {
        return 1;
    }
    nearestOffsets8(img, ringDirections8(axis, createBasis(axis), cosCone, sinCone, ring), rot, offsets + 1);
    return kMaxConeLookups;
}

// Eight pixels at a time: their cone angles' cosines and sines, and the centres of
// their diffuse and their specular cones, each one vector, then each cone's ring.
template <int Layout>
void environmentRowVector(const IblPass& pass, const PassViews& shared, const HdriView& diffuse,
                          const HdriView& specular, int y, int width) {
    if (pass.ring.count != 8) {
        environmentRow<Layout>(pass, shared, diffuse, specular, y, width);
        return;
    }
    const IblPass p = pass;
    PassViews v = shared;
    v.out.layout = v.base.layout = v.source.layout = v.normal.layout = Layout;
    v.roughness.layout = v.metallic.layout = v.specular.layout = Layout;
    for (int x0 = 0; x0 < width; x0 += 8) {
        const int n = std::min(8, width - x0);
        SurfaceSample s[8];
        EnvironmentCones c[8];
        alignas(32) float lane[8][8];  // diffuse axis x, y, z, angle; specular axis x, y, z, angle
        for (int i = 0; i < 8; ++i) {
            if (i < n) {
                s[i] = environmentSampleAt(v, x0 + i, y);
                c[i] = environmentCones(s[i].N, s[i].roughness);
            } else {
                c[i] = c[0];  // lanes past the row repeat the first pixel
            }
            const float values[8] = {c[i].diffuseAxis.x,  c[i].diffuseAxis.y,  c[i].diffuseAxis.z,  c[i].diffuseAngle,
                                     c[i].specularAxis.x, c[i].specularAxis.y, c[i].specularAxis.z, c[i].specularAngle};
            for (int k = 0; k < 8; ++k) lane[k][i] = values[k];
        }
        alignas(32) float dCos[8], dSin[8], sCos[8], sSin[8];
        _mm256_store_ps(dCos, _ZGVdN8v_cosf(_mm256_load_ps(lane[3])));
        _mm256_store_ps(dSin, _ZGVdN8v_sinf(_mm256_load_ps(lane[3])));
        _mm256_store_ps(sCos, _ZGVdN8v_cosf(_mm256_load_ps(lane[7])));
        _mm256_store_ps(sSin, _ZGVdN8v_sinf(_mm256_load_ps(lane[7])));
        std::ptrdiff_t dCentre[8], sCentre[8];
        nearestOffsets8(diffuse, Directions8{_mm256_load_ps(lane[0]), _mm256_load_ps(lane[1]), _mm256_load_ps(lane[2])},
                        p.rotation, dCentre);
        nearestOffsets8(specular,
                        Directions8{_mm256_load_ps(lane[4]), _mm256_load_ps(lane[5]), _mm256_load_ps(lane[6])},
                        p.rotation, sCentre);
        // Every lookup of the eight pixels located before the first texel is loaded.
        std::ptrdiff_t offsets[8][2][kMaxConeLookups];
        int count[8][2];
        for (int i = 0; i < n; ++i) {
            count[i][0] = coneOffsets8(diffuse, c[i].diffuseAxis, c[i].diffuseAngle, dCos[i], dSin[i], dCentre[i],
                                       p.rotation, p.ring, offsets[i][0]);
            count[i][1] = coneOffsets8(specular, c[i].specularAxis, c[i].specularAngle, sCos[i], sSin[i], sCentre[i],
                                       p.rotation, p.ring, offsets[i][1]);
        }
        const float weight = coneWeight(p.ring);
        for (int i = 0; i < n; ++i) {
            const Float3 e = coneSum(diffuse, offsets[i][0], count[i][0], weight);
            const Float3 r = coneSum(specular, offsets[i][1], count[i][1], weight);
            const Float3 col =
                shadeEnvironmentOfCones(s[i].baseColor, s[i].N, s[i].roughness, s[i].metallic, s[i].specular, e, r, p);
            storeEnvironmentPixel(p, v, specular, x0 + i, y, col, s[i].alpha);
        }
    }
}

// The lookups of one cone as environmentRowVector makes them, every lane alike.
int coneOffsetsVector(const HdriView& img, Float3 axis, float angle, const EnvRotation& rot, const ConeRing& ring,
                      std::ptrdiff_t offsets[kMaxConeLookups]) {
    if (ring.count != 8) {
        return coneOffsets(img, axis, angle, rot, ring, offsets);
    }
    std::ptrdiff_t centre[8];
    nearestOffsets8(img, Directions8{_mm256_set1_ps(axis.x), _mm256_set1_ps(axis.y), _mm256_set1_ps(axis.z)}, rot,
                    centre);
    alignas(32) float cosA[8], sinA[8];
    _mm256_store_ps(cosA, _ZGVdN8v_cosf(_mm256_set1_ps(angle)));
    _mm256_store_ps(sinA, _ZGVdN8v_sinf(_mm256_set1_ps(angle)));
    return coneOffsets8(img, axis, angle, cosA[0], sinA[0], centre[0], rot, ring, offsets);
}
#endif

EnvironmentRowTable makeEnvironmentRowTable() {
    EnvironmentRowTable t{};
#if MORVEL_LIBMVEC_AVX2
    t.body[PIXEL_ARGB8] = &environmentRowVector<PIXEL_ARGB8>;
    t.body[PIXEL_ARGB16] = &environmentRowVector<PIXEL_ARGB16>;
    t.body[PIXEL_ARGB32F] = &environmentRowVector<PIXEL_ARGB32F>;
    t.coneOffsets = &coneOffsetsVector;
#else
    t.body[PIXEL_ARGB8] = &environmentRow<PIXEL_ARGB8>;
    t.body[PIXEL_ARGB16] = &environmentRow<PIXEL_ARGB16>;
    t.body[PIXEL_ARGB32F] = &environmentRow<PIXEL_ARGB32F>;
    t.coneOffsets = &coneOffsets;
#endif
    t.vectorMath = kVectorMath;
    return t;
}

}  // namespace
}  // namespace morvel
