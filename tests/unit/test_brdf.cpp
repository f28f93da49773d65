// BRDF and surface sample: worked values, a double-precision reference built from the
// published formulas, and the degenerate inputs the pixel loops will feed it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shading/Brdf.h"
#include "shading/SurfaceSample.h"

using namespace morvel;

namespace {

struct D3 {
    double x, y, z;
};

double dotd(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3 normd(D3 v) {
    double l = std::sqrt(dotd(v, v));
    return l > 1e-6 ? D3{v.x / l, v.y / l, v.z / l} : v;
}
double clampd(double v, double lo, double hi) { return std::max(lo, std::min(v, hi)); }

// Independent double evaluation of one light's radiance, written from the formulas.
D3 referencePBR(D3 base, D3 N, double rough, double metal, double specLevel, D3 L, D3 light, double intensity,
                double atten) {
    const double pi = 3.14159265358979323846;
    D3 V{0, 0, 1};
    D3 H = normd(D3{L.x + V.x, L.y + V.y, L.z + V.z});
    double nl = clampd(dotd(N, L), 0, 1), nv = clampd(dotd(N, V), 0, 1);
    double nh = clampd(dotd(N, H), 0, 1), vh = clampd(dotd(V, H), 0, 1);
    if (nl <= 0) return D3{0, 0, 0};
    double a = std::max(rough * rough, 0.002), a2 = a * a;
    double d = nh * nh * (a2 - 1) + 1;
    double D = a2 / (pi * d * d + 1e-6);
    double k = (rough + 1) * (rough + 1) / 8;
    double G = nl / (nl * (1 - k) + k + 1e-6) * (nv / (nv * (1 - k) + k + 1e-6));
    double f0s = 0.16 * specLevel * specLevel;
    double m5 = std::pow(1 - vh, 5);
    double den = std::max(4 * nl * nv, 1e-4);
    double scale = nl * intensity * atten;
    auto channel = [&](double b, double lc) {
        double f0 = (1 - metal) * f0s + metal * b;
        double F = f0 + (1 - f0) * m5;
        double spec = D * G * F / den;
        double diff = (1 - F) * (1 - metal) * b / pi;
        return (diff + spec) * lc * scale;
    };
    return D3{channel(base.x, light.x), channel(base.y, light.y), channel(base.z, light.z)};
}

Vec3 v3(D3 d) { return Vec3{float(d.x), float(d.y), float(d.z)}; }

void expectNear(Vec3 got, D3 want, double relTol, const char* what) {
    const double w[3] = {want.x, want.y, want.z};
    const float g[3] = {got.x, got.y, got.z};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(g[i], w[i], relTol * std::max(1.0, std::fabs(w[i]))) << what << " channel " << i;
    }
}

}  // namespace

TEST(Brdf, WorkedHeadOnValue) {
    // N = L = V, grey 0.5, roughness 0.5, dielectric at 4 %.
    const float D = distributionGGX(1.0f, 0.25f);
    const float G = geometrySmith(1.0f, 1.0f, 0.5f);
    const Vec3 F = fresnelSchlick(1.0f, splat(0.04f));
    EXPECT_NEAR(D, 5.0925f, 1e-3f);
    EXPECT_NEAR(G, 0.999998f, 1e-6f);
    EXPECT_FLOAT_EQ(F.x, 0.04f);
    EXPECT_NEAR(D * G * F.x / 4.0f, 0.05093f, 1e-5f);

    const Vec3 r = renderPBR(splat(0.5f), Vec3{0, 0, 1}, 0.5f, 0.0f, 0.5f, Vec3{0, 0, 1}, splat(1.0f), 1.0f, 1.0f);
    EXPECT_NEAR(r.x, 0.20371f, 1e-5f);
    EXPECT_EQ(r.x, r.y);
    EXPECT_EQ(r.x, r.z);
    // Diffuse share: (1 - F) * base / pi.
    EXPECT_NEAR(r.x - D * G * F.x / 4.0f, 0.15279f, 1e-5f);
}

TEST(Brdf, TermsMatchDoubleReference) {
    const double pi = 3.14159265358979323846;
    struct Row {
        float NdotH, alpha;
    };
    for (Row r : {Row{1.0f, 0.002f}, Row{0.99f, 0.1f}, Row{0.7f, 0.5f}, Row{0.2f, 1.0f}, Row{0.0f, 0.3f}}) {
        double a2 = double(r.alpha) * r.alpha;
        double d = double(r.NdotH) * r.NdotH * (a2 - 1) + 1;
        double want = a2 / (pi * d * d + 1e-6);
        EXPECT_NEAR(distributionGGX(r.NdotH, r.alpha), want, 1e-5 * std::max(1.0, want)) << r.NdotH << " " << r.alpha;
    }
    struct GRow {
        float nl, nv, rough;
    };
    for (GRow r : {GRow{1, 1, 0}, GRow{0.5f, 0.8f, 0.5f}, GRow{0.1f, 0.9f, 1.0f}, GRow{0, 0.5f, 0.3f}}) {
        double k = (r.rough + 1.0) * (r.rough + 1.0) / 8.0;
        double want = r.nl / (r.nl * (1 - k) + k + 1e-6) * (r.nv / (r.nv * (1 - k) + k + 1e-6));
        EXPECT_NEAR(geometrySmith(r.nl, r.nv, r.rough), want, 1e-6);
    }
    for (float c : {0.0f, 0.25f, 0.5f, 0.9f, 1.0f}) {
        Vec3 F = fresnelSchlick(c, Vec3{0.04f, 0.5f, 1.0f});
        double m5 = std::pow(1.0 - c, 5);
        EXPECT_NEAR(F.x, 0.04 + 0.96 * m5, 1e-6);
        EXPECT_NEAR(F.y, 0.5 + 0.5 * m5, 1e-6);
        EXPECT_FLOAT_EQ(F.z, 1.0f);
    }
}

TEST(Brdf, RenderMatchesDoubleReference) {
    struct Row {
        const char* name;
        D3 base, N, L;
        double rough, metal, spec, intensity, atten;
        D3 light;
    };
    const Row rows[] = {
        {"head-on", {0.5, 0.5, 0.5}, {0, 0, 1}, {0, 0, 1}, 0.5, 0, 0.5, 1, 1, {1, 1, 1}},
        {"oblique light", {0.8, 0.3, 0.1}, {0, 0, 1}, normd({0.6, 0.2, 0.7}), 0.4, 0, 0.5, 5, 1, {1, 0.9, 0.7}},
        {"tilted normal",
         {0.2, 0.6, 0.9},
         normd({0.3, -0.4, 0.8}),
         normd({-0.2, 0.5, 0.6}),
         0.25,
         0.3,
         0.7,
         2.5,
         0.4,
         {0.5, 1, 0.25}},
        {"rough metal", {0.9, 0.6, 0.2}, normd({0.1, 0.1, 1}), normd({0.5, 0.5, 0.5}), 1.0, 1.0, 0.5, 1, 1, {1, 1, 1}},
        {"smooth near mirror", {0.5, 0.5, 0.5}, {0, 0, 1}, normd({0.01, 0, 1}), 0.0, 0, 0.5, 1, 1, {1, 1, 1}},
        {"specular 0", {0.7, 0.4, 0.2}, normd({0.2, 0, 1}), normd({0.4, 0.3, 0.8}), 0.6, 0, 0, 3, 0.5, {1, 1, 1}},
        {"grazing view", {0.5, 0.5, 0.5}, {1, 0, 0}, normd({1, 0, 1}), 0.5, 0, 0.5, 1, 1, {1, 1, 1}},
        {"hdr colour", {2.0, 1.5, 0.0}, {0, 0, 1}, normd({0, 0.3, 1}), 0.5, 0.2, 0.5, 5, 1, {1, 1, 1}},
    };
    for (const Row& r : rows) {
        Vec3 got = renderPBR(v3(r.base), v3(r.N), float(r.rough), float(r.metal), float(r.spec), v3(r.L), v3(r.light),
                             float(r.intensity), float(r.atten));
        D3 want = referencePBR(r.base, r.N, r.rough, r.metal, r.spec, r.L, r.light, r.intensity, r.atten);
        expectNear(got, want, 2e-5, r.name);
    }
}

TEST(Brdf, DegenerateInputsAddNothingOrStayFinite) {
    const Vec3 grey = splat(0.5f), white = splat(1.0f);
    struct Row {
        const char* name;
        Vec3 N, L;
    };
    const Row dark[] = {
        {"zero normal", Vec3{0, 0, 0}, Vec3{0, 0, 1}},
        {"light exactly behind", Vec3{0, 0, 1}, Vec3{0, 0, -1}},
        {"light in the surface plane", Vec3{0, 0, 1}, Vec3{1, 0, 0}},
        {"zero light vector", Vec3{0, 0, 1}, Vec3{0, 0, 0}},
    };
    for (const Row& r : dark) {
        Vec3 c = renderPBR(grey, r.N, 0.5f, 0.0f, 0.5f, r.L, white, 5.0f, 1.0f);
        EXPECT_EQ(c.x, 0.0f) << r.name;
        EXPECT_EQ(c.y, 0.0f) << r.name;
        EXPECT_EQ(c.z, 0.0f) << r.name;
    }

    // Roughness 0 keeps alpha at 0.002: EPSILON in the GGX denominator then caps the
    // peak near a2 / EPSILON = 4 instead of letting it grow without bound.
    EXPECT_NEAR(distributionGGX(1.0f, MIN_ALPHA), 4.0f, 1e-3f);
    EXPECT_LT(distributionGGX(0.99f, MIN_ALPHA), 0.01f);
    Vec3 peak = renderPBR(grey, Vec3{0, 0, 1}, 0.0f, 0.0f, 0.5f, Vec3{0, 0, 1}, white, 1.0f, 1.0f);
    Vec3 off = renderPBR(grey, Vec3{0, 0, 1}, 0.0f, 0.0f, 0.5f, normalize3(Vec3{0.3f, 0, 1}), white, 1.0f, 1.0f);
    const float lambert = 0.96f * 0.5f * INV_PI;  // diffuse at F = 0.04
    EXPECT_NEAR(peak.x - lambert, 0.04f, 1e-4f);  // D * G * F / 4 with D = 4, G = 1
    // Off the mirror direction only the diffuse part is left.
    EXPECT_NEAR(off.x / normalize3(Vec3{0.3f, 0, 1}).z, lambert, 2e-3f);

    // A normal in the image plane with a light ahead of it: NdotV = 0 meets the 1e-4 floor.
    Vec3 edge = renderPBR(grey, Vec3{1, 0, 0}, 0.5f, 0.0f, 0.5f, normalize3(Vec3{1, 0, 1}), white, 1.0f, 1.0f);
    EXPECT_TRUE(std::isfinite(edge.x));
    EXPECT_GE(edge.x, 0.0f);
}

TEST(Brdf, MetallicOneHasNoDiffuseAndTintsTheSpecular) {
    const Vec3 N{0, 0, 1}, L{0, 0, 1}, white = splat(1.0f);
    // Head-on F = F0; a black metal therefore reflects nothing at all.
    Vec3 blackMetal = renderPBR(splat(0.0f), N, 0.5f, 1.0f, 0.5f, L, white, 1.0f, 1.0f);
    EXPECT_EQ(blackMetal.x, 0.0f);
    Vec3 blackDielectric = renderPBR(splat(0.0f), N, 0.5f, 0.0f, 0.5f, L, white, 1.0f, 1.0f);
    EXPECT_GT(blackDielectric.x, 0.0f);

    // F0 = base colour: the channels scale with the base colour, with no diffuse part.
    Vec3 gold = renderPBR(Vec3{1.0f, 0.5f, 0.25f}, N, 0.5f, 1.0f, 0.5f, L, white, 1.0f, 1.0f);
    float spec1 = distributionGGX(1.0f, 0.25f) * geometrySmith(1.0f, 1.0f, 0.5f) / 4.0f;
    EXPECT_NEAR(gold.x, spec1 * 1.0f, 1e-5f);
    EXPECT_NEAR(gold.y, spec1 * 0.5f, 1e-5f);
    EXPECT_NEAR(gold.z, spec1 * 0.25f, 1e-5f);
}

TEST(Brdf, SpecularZeroLeavesPureLambert) {
    const Vec3 base{0.8f, 0.4f, 0.2f};
    const Vec3 L = normalize3(Vec3{0.3f, 0.4f, 0.866f});
    Vec3 c = renderPBR(base, Vec3{0, 0, 1}, 0.3f, 0.0f, 0.0f, L, splat(1.0f), 2.0f, 0.5f);
    double nl = double(L.z);
    EXPECT_NEAR(c.x, 0.8 / 3.14159265358979 * nl * 2.0 * 0.5, 1e-6);
    EXPECT_NEAR(c.y, 0.4 / 3.14159265358979 * nl * 2.0 * 0.5, 1e-6);
    EXPECT_NEAR(c.z, 0.2 / 3.14159265358979 * nl * 2.0 * 0.5, 1e-6);
}

TEST(Brdf, NanInputsAreContained) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // fminf/fmaxf semantics: a NaN never leaves a clamp.
    EXPECT_EQ(clamp_f(nan, 0.0f, 1.0f), 1.0f);
    // normalize3 leaves a NaN vector alone instead of dividing by it.
    Vec3 n = normalize3(Vec3{nan, 0, 0});
    EXPECT_TRUE(std::isnan(n.x));
    EXPECT_EQ(n.y, 0.0f);
    // A NaN light vector behaves as a light from the viewer, never traps or branches wildly.
    Vec3 c = renderPBR(splat(0.5f), Vec3{0, 0, 1}, 0.5f, 0.0f, 0.5f, Vec3{nan, nan, nan}, splat(1.0f), 1.0f, 1.0f);
    EXPECT_FALSE(std::isinf(c.x));
}

TEST(ShadingMath, Normalize3KeepsTinyVectors) {
    Vec3 tiny{1e-7f, 0, 0};
    EXPECT_EQ(normalize3(tiny).x, 1e-7f);
    Vec3 n = normalize3(Vec3{3, 0, 4});
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
    EXPECT_EQ(applyExposure(0.3f, 1.0f), 0.6f);
    EXPECT_EQ(applyExposure(0.3f, -1.0f), 0.15f);
}

TEST(SurfaceSample, DecodesNormals) {
    struct Row {
        float r, g, b;
        Vec3 want;
    };
    const float s3 = 1.0f / std::sqrt(3.0f);
    const Row rows[] = {
        {0.5f, 0.5f, 1.0f, {0, 0, 1}},      {0.5f, 0.5f, 0.5f, {0, 0, 0}},  // grey: zero vector, kept zero
        {1.0f, 0.5f, 0.5f, {1, 0, 0}},      {0.5f, 0.0f, 0.5f, {0, -1, 0}},
        {0.0f, 0.0f, 1.0f, {-s3, -s3, s3}}, {0.75f, 0.5f, 1.0f, {0.4472136f, 0, 0.8944272f}},  // (0.5, 0, 1) normalised
    };
    for (const Row& r : rows) {
        Vec3 n = decodeNormal(r.r, r.g, r.b);
        EXPECT_NEAR(n.x, r.want.x, 1e-6f) << r.r << "," << r.g << "," << r.b;
        EXPECT_NEAR(n.y, r.want.y, 1e-6f) << r.r << "," << r.g << "," << r.b;
        EXPECT_NEAR(n.z, r.want.z, 1e-6f) << r.r << "," << r.g << "," << r.b;
    }
}

TEST(SurfaceSample, CpuDefaultsBlendAndAdjusts) {
    const PassPixel base{0.2f, 0.4f, 0.6f, 0.75f};
    const PassPixel source{1.0f, 0.0f, 0.5f, 0.1f};
    const PassPixel rough{0.3f, 0.9f, 0.9f, 1.0f};  // red channel carries the value
    const PassPixel metal{0.6f, 0.0f, 0.0f, 1.0f};
    const PassPixel spec{0.8f, 0.0f, 0.0f, 1.0f};
    const PassPixel normal{1.0f, 0.5f, 0.5f, 1.0f};

    SurfaceSample d =
        makeSurfaceSample(PassPixels{&base, nullptr, nullptr, nullptr, nullptr, nullptr}, SampleAdjusts{1.0f, 0, 0, 0});
    EXPECT_EQ(d.baseColor.x, 0.2f);  // no source layer: the blend is skipped whatever its weight
    EXPECT_EQ(d.alpha, 0.75f);
    EXPECT_EQ(d.N.z, 1.0f);
    EXPECT_EQ(d.roughness, 0.5f);
    EXPECT_EQ(d.metallic, 0.0f);
    EXPECT_EQ(d.specular, 0.5f);

    SurfaceSample none = makeSurfaceSample(PassPixels{}, SampleAdjusts{});
    EXPECT_EQ(none.baseColor.y, 0.0f);
    EXPECT_EQ(none.alpha, 1.0f);

    SurfaceSample full = makeSurfaceSample(PassPixels{&base, &source, &normal, &rough, &metal, &spec},
                                           SampleAdjusts{1.0f, 2.0f, -1.0f, 1.0f});
    EXPECT_EQ(full.baseColor.x, 1.0f);  // weight 1 replaces the base by the source
    EXPECT_EQ(full.baseColor.y, 0.0f);
    EXPECT_EQ(full.baseColor.z, 0.5f);
    EXPECT_EQ(full.alpha, 0.75f);  // coverage stays the base pixel's
    EXPECT_EQ(full.N.x, 1.0f);
    EXPECT_EQ(full.roughness, 1.0f);  // 0.3 * 4 clamps to 1
    EXPECT_EQ(full.metallic, 1.0f);   // 0.6 * 2 clamps to 1
    EXPECT_EQ(full.specular, 0.4f);   // 0.8 / 2

    SurfaceSample half = makeSurfaceSample(PassPixels{&base, &source, nullptr, nullptr, nullptr, nullptr},
                                           SampleAdjusts{0.25f, 0, 0, 0});
    EXPECT_NEAR(half.baseColor.x, 0.2 * 0.75 + 1.0 * 0.25, 1e-7);
    EXPECT_NEAR(half.baseColor.z, 0.6 * 0.75 + 0.5 * 0.25, 1e-7);

    // Adjusts apply to the defaults too: roughness 0.5 at -1 stop is 0.25.
    SurfaceSample adj = makeSurfaceSample(PassPixels{&base, nullptr, nullptr, nullptr, nullptr, nullptr},
                                          SampleAdjusts{0, -1.0f, 0, 0});
    EXPECT_EQ(adj.roughness, 0.25f);
}

TEST(SurfaceSample, GpuVariantReadsBlueFirstAndZeroSubstitutes) {
    const PassPixel base{0.2f, 0.4f, 0.6f, 1.0f};
    const PassPixel rough{0.9f, 0.9f, 0.3f, 1.0f};  // component 0 of a BGRA buffer is blue
    const PassPixel normal{0.5f, 0.5f, 1.0f, 1.0f};

    SurfaceSample g =
        makeSurfaceSampleGpu(PassPixels{&base, nullptr, &normal, &rough, nullptr, nullptr}, SampleAdjusts{});
    EXPECT_EQ(g.baseColor.x, 0.6f);
    EXPECT_EQ(g.baseColor.z, 0.2f);
    EXPECT_EQ(g.roughness, 0.3f);
    EXPECT_EQ(g.N.z, 1.0f);
    // Absent maps read as the zero-filled substitutes: scalars 0, N from (0, 0, 0).
    EXPECT_EQ(g.metallic, 0.0f);
    EXPECT_EQ(g.specular, 0.0f);
    SurfaceSample z =
        makeSurfaceSampleGpu(PassPixels{&base, nullptr, nullptr, nullptr, nullptr, nullptr}, SampleAdjusts{});
    EXPECT_NEAR(z.N.x, -1.0f / std::sqrt(3.0f), 1e-6f);
    EXPECT_NEAR(z.N.z, -1.0f / std::sqrt(3.0f), 1e-6f);
    EXPECT_EQ(z.roughness, 0.0f);
}

TEST(Brdf, OpenClVariantAddsIncidenceRimEvenWhenUnlit) {
    IncidenceRimParams ir{};
    ir.incidence_enable = 1;
    ir.incidence_amount = 1.0f;
    ir.incidence_power = 1.0f;
    ir.incidence_color = Vec3{1, 0, 0};
    SurfaceSample s{splat(0.5f), 1.0f, Vec3{1, 0, 0}, 0.5f, 0.0f, 0.5f};
    // Light from behind: no BRDF term, the incidence of a side-on normal stays.
    Vec3 c = renderPBRWithIncidenceRim(s, Vec3{-1, 0, 0}, splat(1), 1.0f, 1.0f, ir, 1.0f);
    EXPECT_EQ(c.x, 1.0f);
    EXPECT_EQ(c.y, 0.0f);

    s.N = Vec3{0, 0, 1};
    Vec3 lit = renderPBR(s, Vec3{0, 0, 1}, splat(1), 1.0f, 1.0f);
    Vec3 ao = renderPBRWithIncidenceRim(s, Vec3{0, 0, 1}, splat(1), 1.0f, 1.0f, ir, 0.5f);
    EXPECT_EQ(ao.y, lit.y * 0.5f);
}
