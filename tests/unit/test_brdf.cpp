// BRDF and surface sample: worked values, a double-precision reference written from the
// formulas, and the degenerate inputs the pixel loops feed it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "kernel/Brdf.h"
#include "kernel/SurfaceSample.h"

using namespace morvel;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct D3 {
    double x, y, z;
};
double dotd(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3 normd(D3 v) {
    double l = std::sqrt(dotd(v, v));
    return l > 1e-6 ? D3{v.x / l, v.y / l, v.z / l} : v;
}
Float3 v3(D3 d) { return Float3{float(d.x), float(d.y), float(d.z)}; }

// Independent double evaluation of one light's radiance.
D3 referencePBR(D3 base, D3 N, double rough, double metal, double specLevel, D3 L, D3 light, double scale) {
    D3 H = normd(D3{L.x, L.y, L.z + 1});
    double nl = std::clamp(dotd(N, L), 0.0, 1.0), nv = std::clamp(N.z, 0.0, 1.0);
    double nh = std::clamp(dotd(N, H), 0.0, 1.0), vh = std::clamp(H.z, 0.0, 1.0);
    if (nl <= 0) return D3{0, 0, 0};
    double a2 = std::pow(std::max(rough * rough, 0.002), 2), d = nh * nh * (a2 - 1) + 1;
    double D = a2 / (kPi * d * d + 1e-6), k = (rough + 1) * (rough + 1) / 8;
    double G = nl / (nl * (1 - k) + k + 1e-6) * (nv / (nv * (1 - k) + k + 1e-6));
    double den = std::max(4 * nl * nv, 1e-4), m5 = std::pow(1 - vh, 5);
    auto channel = [&](double b, double lc) {
        double f0 = (1 - metal) * 0.16 * specLevel * specLevel + metal * b, F = f0 + (1 - f0) * m5;
        return ((1 - F) * (1 - metal) * b / kPi + D * G * F / den) * lc * nl * scale;
    };
    return D3{channel(base.x, light.x), channel(base.y, light.y), channel(base.z, light.z)};
}

void expectVec(Float3 got, Float3 want, double tol, const std::string& what = "") {
    EXPECT_NEAR(got.x, want.x, tol) << what;
    EXPECT_NEAR(got.y, want.y, tol) << what;
    EXPECT_NEAR(got.z, want.z, tol) << what;
}

PassPixels px(const PassPixel* base, const PassPixel* source = nullptr, const PassPixel* normal = nullptr,
              const PassPixel* rough = nullptr, const PassPixel* metal = nullptr, const PassPixel* spec = nullptr) {
    return PassPixels{base, source, normal, rough, metal, spec};
}

Float3 grey(const Float3& N, const Float3& L, float rough = 0.5f) {
    return renderPBR(splat3(0.5f), N, rough, 0.0f, 0.5f, L, splat3(1.0f), 1.0f, 1.0f);
}

}  // namespace

TEST(Brdf, RenderMatchesDoubleReference) {
    struct Row {
        const char* name;
        D3 base, N, L;
        double rough, metal, spec, scale;
        D3 light;
    };
    const D3 white{1, 1, 1};
    const Row rows[] = {
        {"head-on", {0.5, 0.5, 0.5}, {0, 0, 1}, {0, 0, 1}, 0.5, 0, 0.5, 1, white},
        {"oblique light", {0.8, 0.3, 0.1}, {0, 0, 1}, normd({0.6, 0.2, 0.7}), 0.4, 0, 0.5, 5, {1, 0.9, 0.7}},
        {"tilted", {0.2, 0.6, 0.9}, normd({0.3, -0.4, 0.8}), normd({-0.2, 0.5, 0.6}), 0.25, 0.3, 0.7, 1, {0.5, 1, .25}},
        {"black metal head-on", {0, 0, 0}, {0, 0, 1}, {0, 0, 1}, 0.5, 1.0, 0.5, 1, white},
        {"tinted metal head-on", {1, 0.5, 0.25}, {0, 0, 1}, {0, 0, 1}, 0.5, 1.0, 0.5, 1, white},
        {"rough metal", {0.9, 0.6, 0.2}, normd({0.1, 0.1, 1}), normd({0.5, 0.5, 0.5}), 1.0, 1.0, 0.5, 1, white},
        {"smooth near mirror", {0.5, 0.5, 0.5}, {0, 0, 1}, normd({0.01, 0, 1}), 0.0, 0, 0.5, 1, white},
        {"specular 0", {0.7, 0.4, 0.2}, normd({0.2, 0, 1}), normd({0.4, 0.3, 0.8}), 0.6, 0, 0, 1.5, white},
        {"grazing view (NdotV floor)", {0.5, 0.5, 0.5}, {1, 0, 0}, normd({1, 0, 1}), 0.5, 0, 0.5, 1, white},
        {"hdr colour", {2.0, 1.5, 0.0}, {0, 0, 1}, normd({0, 0.3, 1}), 0.5, 0.2, 0.5, 5, white},
    };
    for (const Row& r : rows) {
        // The scale goes in as intensity 2 times attenuation scale / 2.
        Float3 got = renderPBR(v3(r.base), v3(r.N), float(r.rough), float(r.metal), float(r.spec), v3(r.L), v3(r.light),
                               2.0f, float(r.scale / 2));
        D3 want = referencePBR(r.base, r.N, r.rough, r.metal, r.spec, r.L, r.light, r.scale);
        double w[3] = {want.x, want.y, want.z}, g[3] = {got.x, got.y, got.z};
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(g[i], w[i], 2e-5 * std::max(1.0, std::fabs(w[i]))) << r.name << i;
    }
}

TEST(Brdf, DegenerateInputs) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<Float3, Float3> dark[] = {{Float3{0, 0, 0}, Float3{0, 0, 1}},   // zero normal
                                              {Float3{0, 0, 1}, Float3{0, 0, -1}},  // light exactly behind
                                              {Float3{0, 0, 1}, Float3{1, 0, 0}},   // light in the surface plane
                                              {Float3{0, 0, 1}, Float3{0, 0, 0}}};  // zero light vector
    for (auto [N, L] : dark) {
        Float3 c = renderPBR(splat3(0.5f), N, 0.5f, 0.0f, 0.5f, L, splat3(1.0f), 5.0f, 1.0f);
        expectVec(c, splat3(0.0f), 0.0, "N.z " + std::to_string(N.z) + " L.z " + std::to_string(L.z));
    }
    // Roughness 0 keeps alpha at 0.002: the GGX epsilon caps the peak near a2 / 1e-6 = 4.
    EXPECT_NEAR(distributionGGX(1.0f, MIN_ALPHA), 4.0f, 1e-3f);
    EXPECT_LT(distributionGGX(0.99f, MIN_ALPHA), 0.01f);
    const float lambert = 0.96f * 0.5f * INV_PI;
    EXPECT_NEAR(grey(Float3{0, 0, 1}, Float3{0, 0, 1}, 0.0f).x - lambert, 0.04f, 1e-4f);  // D G F / 4, D = 4
    const Float3 off = normalize3(Float3{0.3f, 0, 1});  // off the mirror only the diffuse part is left
    EXPECT_NEAR(grey(Float3{0, 0, 1}, off, 0.0f).x / off.z, lambert, 2e-3f);

    // NaN never leaves a clamp, normalize3 leaves a NaN vector alone, a NaN L stays finite.
    EXPECT_EQ(clamp_f(nan, 0.0f, 1.0f), 1.0f);
    EXPECT_TRUE(std::isnan(normalize3(Float3{nan, 0, 0}).x));
    EXPECT_EQ(normalize3(Float3{nan, 0, 0}).y, 0.0f);
    EXPECT_FALSE(std::isinf(grey(Float3{0, 0, 1}, Float3{nan, nan, nan}).x));
    EXPECT_EQ(normalize3(Float3{1e-7f, 0, 0}).x, 1e-7f);  // tiny vectors are kept, not blown up
}

TEST(SurfaceSample, LayersDefaultsBlendAndAdjusts) {
    const PassPixel b{0.2f, 0.4f, 0.6f, 0.75f}, src{1.0f, 0.0f, 0.5f, 0.1f}, nrm{0.75f, 0.5f, 1.0f, 1.0f};
    const PassPixel rgh{0.3f, 0.9f, 0.9f, 1.0f}, mtl{0.6f, 0.0f, 0.0f, 1.0f}, spc{0.8f, 0.0f, 0.0f, 1.0f};
    const PassPixel grey{0.5f, 0.5f, 0.5f, 1.0f};
    const Float3 rgb{0.2f, 0.4f, 0.6f}, up{0, 0, 1}, tilted{0.4472136f, 0, 0.8944272f};
    struct Adjusts {  // source blend (squared) and the three adjusts in stops
        float blend, rough, spec, metal;
    };
    struct Row {
        const char* name;
        PassPixels in;
        Adjusts adj;
        SurfaceSample want;
    };
    const Row rows[] = {
        // No source layer: the blend is skipped whatever its weight; CPU defaults 0.5 / 0 / 0.5.
        {"defaults", px(&b), {1, 0, 0, 0}, {rgb, 0.75f, up, 0.5f, 0.0f, 0.5f}},
        {"nothing", px(nullptr), {}, {{0, 0, 0}, 1.0f, up, 0.5f, 0.0f, 0.5f}},
        // Weight 1 replaces the base; alpha stays the base's; 0.3 * 4 and 0.6 * 2 clamp to 1; 0.8 / 2;
        // the normal (0.5, 0, 1) is normalised.
        {"all", px(&b, &src, &nrm, &rgh, &mtl, &spc), {1, 2, -1, 1}, {{1, 0, 0.5f}, 0.75f, tilted, 1, 1, 0.4f}},
        {"blend 1/4", px(&b, &src), {0.25f, 0, 0, 0}, {{0.4f, 0.3f, 0.575f}, 0.75f, up, 0.5f, 0, 0.5f}},
        {"adjusted default", px(&b), {0, -1, 0, 0}, {rgb, 0.75f, up, 0.25f, 0, 0.5f}},
        {"grey normal stays zero", px(&b, nullptr, &grey), {}, {rgb, 0.75f, {0, 0, 0}, 0.5f, 0, 0.5f}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const SurfaceSample s =
            makeSurfaceSample(r.in, makeSampleScales(r.adj.blend, r.adj.rough, r.adj.spec, r.adj.metal));
        expectVec(s.baseColor, r.want.baseColor, 1e-7);
        expectVec(s.N, r.want.N, 1e-6);
        EXPECT_EQ(s.alpha, r.want.alpha);
        EXPECT_EQ(s.roughness, r.want.roughness);
        EXPECT_EQ(s.metallic, r.want.metallic);
        EXPECT_EQ(s.specular, r.want.specular);
    }
}
