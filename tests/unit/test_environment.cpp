#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "shading/Environment.h"

namespace morvel {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A small HDRI whose every pixel has a distinct colour: (x, y, x + 100 y).
struct TestHdri {
    int width, height, stride;
    std::vector<float> px;
    TestHdri(int w, int h, int s = -1) : width(w), height(h), stride(s < 0 ? w : s) {
        px.assign(static_cast<size_t>(stride) * height * 4, -1.0f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float* p = &px[(static_cast<size_t>(y) * stride + x) * 4];
                p[0] = float(x);
                p[1] = float(y);
                p[2] = float(x + 100 * y);
                p[3] = 1.0f;
            }
    }
    HdriView view() const { return HdriView{px.data(), width, height, stride}; }
};

struct Uniform {
    std::vector<float> px;
    explicit Uniform(float v, int w = 16, int h = 8) : px(static_cast<size_t>(w) * h * 4, v), w(w), h(h) {}
    int w, h;
    HdriView view() const { return HdriView{px.data(), w, h, w}; }
};

// Independent double-precision mapping (pan y, tilt x, roll z).
void RefUV(double x, double y, double z, double ry, double rx, double rz, double& u, double& v) {
    const double x1 = x * std::cos(ry) - z * std::sin(ry);
    const double z1 = x * std::sin(ry) + z * std::cos(ry);
    const double y2 = y * std::cos(rx) - z1 * std::sin(rx);
    const double z2 = y * std::sin(rx) + z1 * std::cos(rx);
    double x3 = x1, y3 = y2;
    if (std::abs(rz) > 0.001) {
        x3 = x1 * std::cos(rz) - y2 * std::sin(rz);
        y3 = x1 * std::sin(rz) + y2 * std::cos(rz);
    }
    u = 0.5 + std::atan2(z2, x3) / (2.0 * M_PI);
    v = 0.5 - std::asin(std::clamp(y3, -1.0, 1.0)) / M_PI;
}

TEST(DirectionToEquirectUV, MatchesDoublePrecisionRotation) {
    const Vec3 dirs[] = {
        {0.3f, 0.5f, -0.81f}, {-0.7f, 0.1f, 0.7f}, {0.0f, -1.0f, 0.0f}, {0.6f, 0.0f, 0.8f}, {-0.2f, 0.9f, 0.38f}};
    const float rots[][3] = {{0.0f, 0.0f, 0.0f}, {0.7f, 0.0f, 0.0f},  {0.0f, -0.4f, 0.0f},
                             {0.0f, 0.0f, 1.1f}, {2.0f, 0.3f, -2.5f}, {-1.0f, 1.2f, 3.1415927f}};
    for (const Vec3& d : dirs)
        for (const auto& r : rots) {
            double u, v;
            RefUV(d.x, d.y, d.z, r[0], r[1], r[2], u, v);
            const EquirectUV uv = directionToEquirectUV(d, r[0], r[1], r[2]);
            // atan2 flips by 1 across the -x axis; compare modulo 1.
            const double du = uv.u - u;
            EXPECT_NEAR(du - std::round(du), 0.0, 2e-6)
                << d.x << " " << d.y << " " << d.z << " / " << r[0] << " " << r[1] << " " << r[2];
            EXPECT_NEAR(uv.v, v, 2e-6);
        }
}

TEST(DirectionToEquirectUV, WorkedCases) {
    // Flat normal with the delivered roll of pi.
    const Vec3 wN = toWorldDirection(Vec3{0.0f, 0.0f, 1.0f});
    EXPECT_EQ(wN.z, -1.0f);
    const EquirectUV flat = directionToEquirectUV(wN, 0.0f, 0.0f, 3.1415927f);
    EXPECT_NEAR(flat.u, 0.25f, 1e-6f);
    EXPECT_NEAR(flat.v, 0.5f, 1e-6f);

    // Straight up is v = 0 whatever the pan.
    for (float pan : {0.0f, 1.0f, 2.5f, -3.0f})
        EXPECT_NEAR(directionToEquirectUV(Vec3{0.0f, 1.0f, 0.0f}, pan, 0.0f, 0.0f).v, 0.0f, 1e-6f) << pan;

    // Rolls at or below 0.001 are skipped, just above are applied.
    const Vec3 d{0.6f, 0.0f, 0.8f};
    const EquirectUV none = directionToEquirectUV(d, 0.0f, 0.0f, 0.0f);
    const EquirectUV tiny = directionToEquirectUV(d, 0.0f, 0.0f, 0.001f);
    const EquirectUV some = directionToEquirectUV(d, 0.0f, 0.0f, -0.0011f);
    EXPECT_EQ(none.u, tiny.u);
    EXPECT_EQ(none.v, tiny.v);
    EXPECT_NE(none.v, some.v);
}

TEST(SampleHDRINearest, RowsFromTheBottomColumnsWrapped) {
    const TestHdri img(5, 4);
    const struct {
        float u, v;
        int x, y;
    } cases[] = {
        {0.0f, 0.0f, 0, 3},  // straight up reads the last row on the CPU
        {0.0f, 1.0f, 0, 0},  {0.5f, 0.5f, 2, 1}, {0.999f, 0.2f, 3, 2}, {1.25f, 0.5f, 1, 1}, {-0.75f, 0.5f, 1, 1},
        {0.3f, -4.0f, 1, 3}, {0.3f, 7.0f, 1, 0}, {kNaN, 0.5f, 0, 1},   {kInf, 0.5f, 0, 1},  {-kInf, 0.5f, 0, 1},
        {1e30f, 0.5f, 0, 1}, {0.5f, kNaN, 2, 0},  // a NaN v reaches the clamp and ends in range
    };
    for (const auto& c : cases) {
        const Vec3 p = sampleHDRINearest(img.view(), EquirectUV{c.u, c.v});
        EXPECT_EQ(p.x, float(c.x)) << c.u << ", " << c.v;
        EXPECT_EQ(p.y, float(c.y)) << c.u << ", " << c.v;
    }
    // The GPU nearest variant counts rows from the top.
    EXPECT_EQ(sampleHDRINearestTopDown(img.view(), EquirectUV{0.0f, 0.0f}).y, 0.0f);
    EXPECT_EQ(sampleHDRINearestTopDown(img.view(), EquirectUV{0.0f, 1.0f}).y, 3.0f);
}

TEST(SampleHDRI, BilinearRowsFromTheTop) {
    const TestHdri img(5, 4, 7);  // padded rows
    // fx = u * 4, fy = v * 3
    Vec3 p = sampleHDRI(img.view(), EquirectUV{0.625f, 0.5f});  // fx 2.5, fy 1.5
    EXPECT_NEAR(p.x, 2.5f, 1e-6f);
    EXPECT_NEAR(p.y, 1.5f, 1e-6f);
    EXPECT_NEAR(p.z, 152.5f, 1e-4f);
    p = sampleHDRI(img.view(), EquirectUV{0.0f, 0.0f});
    EXPECT_EQ(p.y, 0.0f);                                  // up is the top row on the GPU
    p = sampleHDRI(img.view(), EquirectUV{-1e-9f, 1.0f});  // u wraps to 1: last column, last row
    EXPECT_EQ(p.x, 4.0f);
    EXPECT_EQ(p.y, 3.0f);
    for (float bad : {kNaN, kInf, -kInf}) {
        p = sampleHDRI(img.view(), EquirectUV{bad, bad});
        (void)p;  // only well-defined indexing is asked of non-finite uv
    }
}

TEST(HdriLookups, SinglePixelAndSingleRowImages) {
    const TestHdri one(1, 1), row(6, 1), col(1, 5);
    for (float u : {0.0f, 0.3f, 0.99f, -2.0f, kNaN})
        for (float v : {0.0f, 0.5f, 1.0f, kNaN}) {
            EXPECT_EQ(sampleHDRINearest(one.view(), EquirectUV{u, v}).z, 0.0f);
            if (u == u) {  // a NaN u gives a NaN weight, not a bad index
                EXPECT_EQ(sampleHDRI(one.view(), EquirectUV{u, v}).z, 0.0f);
            }
            EXPECT_EQ(sampleHDRINearest(row.view(), EquirectUV{u, v}).y, 0.0f);
            EXPECT_EQ(sampleHDRINearest(col.view(), EquirectUV{u, v}).x, 0.0f);
        }
    EXPECT_EQ(sampleHDRI(row.view(), EquirectUV{0.5f, 0.5f}).x, 2.5f);
}

TEST(CreateBasis, OrthonormalFrameAndFixedBasisAtZMinusOne) {
    const Basis down = createBasis(Vec3{0.0f, 0.0f, -1.0f});
    EXPECT_EQ(down.T.y, -1.0f);
    EXPECT_EQ(down.B.x, -1.0f);
    EXPECT_TRUE(std::isfinite(down.T.x) && std::isfinite(down.B.y));

    const Vec3 dirs[] = {
        {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {0.48f, -0.6f, 0.64f}, {0.6f, 0.0f, -0.8f}, {0.0f, 0.0447f, -0.999f}};
    // Frisvad's construction loses some precision close to z = -1.
    for (Vec3 d : dirs) {
        d = normalize3(d);
        const Basis b = createBasis(d);
        EXPECT_NEAR(dot(b.T, b.T), 1.0f, 1e-3f);
        EXPECT_NEAR(dot(b.B, b.B), 1.0f, 1e-3f);
        EXPECT_NEAR(dot(b.T, d), 0.0f, 1e-3f);
        EXPECT_NEAR(dot(b.B, d), 0.0f, 1e-3f);
        EXPECT_NEAR(dot(b.T, b.B), 0.0f, 1e-3f);
    }
}

TEST(SampleHDRICone, TinyConesTakeOneLookup) {
    const TestHdri img(64, 32);
    const Vec3 d = normalize3(Vec3{0.3f, 0.2f, -0.9f});
    const EnvRotation rot = makeEnvRotation(0.2f, 0.1f, 3.1415927f);
    const Vec3 single = sampleHDRINearest(img.view(), directionToEquirectUV(d, rot));
    // Roughness 0.04 on the CPU gives a cone of 0.0008: single lookup.
    const Vec3 tiny = sampleHDRICone(img.view(), d, 0.04f * 0.04f * 0.5f, rot, 9);
    EXPECT_EQ(tiny.z, single.z);
    EXPECT_EQ(sampleHDRICone(img.view(), d, 0.5f, rot, 1).z, single.z);
    EXPECT_NE(sampleHDRICone(img.view(), d, 0.3f, rot, 9).z, single.z);
    // Rotation given as angles equals the prebuilt rotation.
    EXPECT_EQ(sampleHDRICone(img.view(), d, 0.3f, 0.2f, 0.1f, 3.1415927f, 9).z,
              sampleHDRICone(img.view(), d, 0.3f, rot, 9).z);
}

TEST(SampleHDRICone, CentreWeighsOneRingSamplesHalf) {
    // A lookup that sees only its first call: the centre's share of the result.
    struct FirstCallOnly {
        int* calls;
        Vec3 operator()(const HdriView&, EquirectUV) const { return splat((*calls)++ == 0 ? 1.0f : 0.0f); }
    };
    const Uniform env(1.0f);
    const EnvRotation rot = makeEnvRotation(0.0f, 0.0f, 0.0f);
    const struct {
        int samples, calls;
        float centre;
    } cases[] = {{9, 9, 1.0f / 5.0f}, {16, 9, 1.0f / 5.0f}, {5, 5, 1.0f / 3.0f}, {2, 5, 1.0f / 3.0f}};
    for (const auto& c : cases) {
        int calls = 0;
        const Vec3 r =
            sampleHDRIConeWith(FirstCallOnly{&calls}, env.view(), Vec3{0.0f, 1.0f, 0.0f}, 0.25f, rot, c.samples);
        EXPECT_EQ(calls, c.calls);
        EXPECT_NEAR(r.x, c.centre, 1e-7f);
    }
    const Vec3 r = sampleHDRICone(env.view(), Vec3{0.0f, 0.0f, -1.0f}, 0.5f, rot, 9);
    EXPECT_NEAR(r.x, 1.0f, 1e-6f);  // weights are normalised, also around the z = -1 basis
}

TEST(DFGApprox, BothVariantsAgainstDoubleFormula) {
    for (float NdotV : {0.0f, 0.3f, 1.0f})
        for (float r : {0.04f, 0.5f, 1.0f}) {
            const double rx = 1.0 - r, ry = 0.0425 - 0.0275 * r, rz = 1.04 - 0.572 * r, rw = 0.022 * r - 0.04;
            const double a = std::min(rx * rx, std::exp(-9.28 * NdotV)) * rx + ry;
            const double a2 = std::min(rx * rx, std::exp2(-9.28 * NdotV)) * rx + ry;
            const DFGTerms cpu = DFGApprox(NdotV, r);
            const DFGTerms ocl = DFGApproxOpenCL(NdotV, r);
            EXPECT_NEAR(cpu.A, rz - 1.04 * a, 2e-6);
            EXPECT_NEAR(cpu.B, rw + 1.04 * a, 2e-6);
            EXPECT_NEAR(ocl.A, rz - 1.04 * a2, 2e-6);
            EXPECT_NEAR(ocl.B, rw + a2, 2e-6);
        }
    const DFGTerms worked = DFGApprox(1.0f, 0.5f);
    EXPECT_NEAR(worked.A, 0.72405f, 1e-5f);
    EXPECT_NEAR(worked.B, 0.00095f, 1e-5f);
}

IblSettings WorkedSettings() { return makeIblSettings(0.0f, 0.0f, 3.1415927f, splat(1.0f), 1.0f, 1.0f, 0.0f, 1.0f); }

TEST(ShadeEnvironment, WorkedValueUnderUniformWhite) {
    const Uniform env(1.0f);
    const Vec3 c = shadeEnvironment(splat(0.5f), Vec3{0.0f, 0.0f, 1.0f}, 0.5f, 0.0f, 0.5f, env.view(), env.view(),
                                    WorkedSettings());
    EXPECT_NEAR(c.x, 0.41542f, 2e-5f);
    EXPECT_NEAR(c.y, 0.41542f, 2e-5f);
    EXPECT_NEAR(c.z, 0.41542f, 2e-5f);

    // Without the specular part only the 0.65 diffuse share remains.
    IblSettings noSpec = WorkedSettings();
    noSpec.specularIntensity = 0.0f;
    const Vec3 d =
        shadeEnvironment(splat(0.5f), Vec3{0.0f, 0.0f, 1.0f}, 0.5f, 0.0f, 0.5f, env.view(), env.view(), noSpec);
    EXPECT_NEAR(d.x, 0.325f, 1e-6f);
}

TEST(ShadeEnvironment, TintExposureAndMetalness) {
    const Uniform env(1.0f);
    const Vec3 N{0.0f, 0.0f, 1.0f};
    IblSettings s = WorkedSettings();
    s.tint = Vec3{1.0f, 0.5f, 0.0f};
    Vec3 c = shadeEnvironment(splat(0.5f), N, 0.5f, 0.0f, 0.5f, env.view(), env.view(), s);
    EXPECT_NEAR(c.x, 0.41542f, 2e-5f);
    EXPECT_NEAR(c.y, 0.41542f * 0.5f, 2e-5f);
    EXPECT_EQ(c.z, 0.0f);

    s = makeIblSettings(0.0f, 0.0f, 3.1415927f, splat(1.0f), 1.0f, 1.0f, 1.0f, 1.0f);
    c = shadeEnvironment(splat(0.5f), N, 0.5f, 0.0f, 0.5f, env.view(), env.view(), s);
    EXPECT_NEAR(c.x, 2.0f * 0.41542f, 4e-5f);

    // A metal has no diffuse term: the diffuse intensity does not matter.
    IblSettings a = WorkedSettings(), b = WorkedSettings();
    b.diffuseIntensity = 0.0f;
    const Vec3 base{0.9f, 0.6f, 0.3f};
    const Vec3 ma = shadeEnvironment(base, N, 0.3f, 1.0f, 0.5f, env.view(), env.view(), a);
    const Vec3 mb = shadeEnvironment(base, N, 0.3f, 1.0f, 0.5f, env.view(), env.view(), b);
    EXPECT_EQ(ma.x, mb.x);
    EXPECT_GT(ma.x, ma.z);  // coloured reflection follows the base colour
}

TEST(ApplyIblGamma, OnlyPositiveGammaOtherThanOneActs) {
    const Vec3 c{0.25f, 0.0f, -0.5f};
    for (float g : {0.0f, -1.0f, 1.0f, kNaN}) {
        const Vec3 r = applyIblGamma(c, g);
        EXPECT_EQ(r.x, c.x) << g;
        EXPECT_EQ(r.z, c.z) << g;
    }
    const Vec3 r = applyIblGamma(c, 2.0f);
    EXPECT_NEAR(r.x, 0.5f, 1e-6f);
    EXPECT_EQ(r.y, 0.0f);
    EXPECT_EQ(r.z, -0.5f);
}

TEST(PreviewSphere, GeometryOnFullHd) {
    const int W = 1920, H = 1080;
    const double radius = 86.4, cx = 1796.88, cy = 956.88;
    // The centre pixel: covered, opaque, facing the viewer.
    PreviewSphereInfo info = getPreviewSphereInfo(1797, 957, W, H);
    EXPECT_TRUE(info.covered);
    EXPECT_EQ(info.alpha, 1.0f);
    EXPECT_GT(info.normal.z, 0.999f);
    EXPECT_GT(info.normal.x, 0.0f);
    EXPECT_LT(info.normal.y, 0.0f);  // below the centre in image rows is down in view space

    // Every pixel in a box around the ball against a double-precision model,
    // skipping pixels within rounding of the coverage edge.
    int covered = 0;
    for (int y = 850; y < 1080; ++y)
        for (int x = 1690; x < 1920; ++x) {
            const double dx = x - cx, dy = y - cy, dist = std::sqrt(dx * dx + dy * dy);
            if (std::abs(dist - (radius + 1.0)) < 1e-3) continue;
            info = getPreviewSphereInfo(x, y, W, H);
            ASSERT_EQ(info.covered, dist <= radius + 1.0) << x << ", " << y;
            if (!info.covered) continue;
            ++covered;
            EXPECT_NEAR(info.alpha, std::clamp(radius - dist + 1.0, 0.0, 1.0), 2e-4) << x << ", " << y;
            EXPECT_NEAR(dot(info.normal, info.normal), 1.0f, 1e-4f);
            if (dist >= radius) {
                EXPECT_EQ(info.normal.z, 0.0f);
            }
        }
    EXPECT_GT(covered, 23000);  // about pi * 87.4^2

    // Rim pixels: 87.12 away (row 957) still covered at partial alpha, 88.12 not.
    info = getPreviewSphereInfo(1884, 957, W, H);
    EXPECT_TRUE(info.covered);
    EXPECT_NEAR(info.alpha, 86.4 - 87.12 + 1.0, 2e-3);
    EXPECT_FALSE(getPreviewSphereInfo(1885, 957, W, H).covered);
    EXPECT_FALSE(getPreviewSphereInfo(0, 0, W, H).covered);
}

TEST(PreviewSphere, DegenerateFrames) {
    EXPECT_FALSE(getPreviewSphereInfo(0, 0, 0, 100).covered);
    EXPECT_FALSE(getPreviewSphereInfo(0, 0, 100, -1).covered);
    const PreviewSphereInfo one = getPreviewSphereInfo(0, 0, 1, 1);
    EXPECT_TRUE(std::isfinite(one.normal.x) && std::isfinite(one.normal.y) && std::isfinite(one.alpha));
}

TEST(PreviewSphere, ShowsTheEnvironmentWithTheUsersRoll) {
    const TestHdri img(32, 16);
    const float userRoll = 0.7f;
    const float deliveredZ = userRoll + 3.1415927f;
    const Vec3 n = normalize3(Vec3{0.3f, -0.2f, 0.9f});
    const Vec3 R = normalize3(Vec3{2.0f * n.z * n.x, 2.0f * n.z * n.y, 2.0f * n.z * n.z - 1.0f});
    const EquirectUV uv = directionToEquirectUV(Vec3{-R.x, -R.y, -R.z}, 0.4f, 0.1f, deliveredZ - PI);
    EXPECT_EQ(samplePreviewSphereHDRI(n, img.view(), 0.1f, 0.4f, deliveredZ).z, sampleHDRINearest(img.view(), uv).z);
    EXPECT_EQ(samplePreviewSphereHDRITopDown(n, img.view(), 0.1f, 0.4f, deliveredZ).z,
              sampleHDRINearestTopDown(img.view(), uv).z);

    Vec3 colour = splat(1.0f);
    EXPECT_TRUE(blendPreviewSphere(colour, splat(0.0f), 0.75f));
    EXPECT_NEAR(colour.x, 0.25f, 1e-7f);
    EXPECT_FALSE(blendPreviewSphere(colour, splat(0.0f), 0.5f));
}

}  // namespace
}  // namespace morvel
