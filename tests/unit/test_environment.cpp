#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "kernel/Environment.h"

namespace morvel {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kRollPi = 3.1415927f;

// A small HDRI whose every pixel is distinct: (x, y, x + 100 y). Row gaps hold -1.
struct Hdri {
    int w, h, stride;
    std::vector<float> px;
    Hdri(int w, int h, int s = -1) : w(w), h(h), stride(s < 0 ? w : s), px(size_t(stride) * h * 4, -1.0f) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                std::copy_n(std::array{float(x), float(y), float(x + 100 * y), 1.0f}.begin(), 4,
                            &px[(size_t(y) * stride + x) * 4]);
    }
    HdriView view() const { return HdriView{px.data(), w, h, stride}; }
};

Hdri white() {
    Hdri img(16, 8);
    std::fill(img.px.begin(), img.px.end(), 1.0f);
    return img;
}

// Independent double-precision mapping (pan y, tilt x, roll z).
void RefUV(double x, double y, double z, double ry, double rx, double rz, double& u, double& v) {
    const double x1 = x * std::cos(ry) - z * std::sin(ry), z1 = x * std::sin(ry) + z * std::cos(ry);
    const double y2 = y * std::cos(rx) - z1 * std::sin(rx), z2 = y * std::sin(rx) + z1 * std::cos(rx);
    const bool roll = std::abs(rz) > 0.001;
    const double x3 = roll ? x1 * std::cos(rz) - y2 * std::sin(rz) : x1;
    const double y3 = roll ? x1 * std::sin(rz) + y2 * std::cos(rz) : y2;
    u = 0.5 + std::atan2(z2, x3) / (2.0 * M_PI);
    v = 0.5 - std::asin(std::clamp(y3, -1.0, 1.0)) / M_PI;
}

EquirectUV uvOf(Float3 d, float rotY, float rotX, float rotZ) {
    return directionToEquirectUV(d, makeEnvRotation(rotY, rotX, rotZ));
}

TEST(DirectionToEquirectUV, MatchesDoublePrecisionRotation) {
    const Float3 dirs[] = {
        {0.3f, 0.5f, -0.81f}, {-0.7f, 0.1f, 0.7f}, {0.0f, -1.0f, 0.0f}, {0.6f, 0.0f, 0.8f}, {-0.2f, 0.9f, 0.38f}};
    const float rots[][3] = {{0.0f, 0.0f, 0.0f}, {0.7f, 0.0f, 0.0f},  {0.0f, -0.4f, 0.0f},
                             {0.0f, 0.0f, 1.1f}, {2.0f, 0.3f, -2.5f}, {-1.0f, 1.2f, kRollPi}};
    for (const Float3& d : dirs)
        for (const auto& r : rots) {
            double u, v;
            RefUV(d.x, d.y, d.z, r[0], r[1], r[2], u, v);
            const EquirectUV uv = uvOf(d, r[0], r[1], r[2]);
            const double du = uv.u - u;  // atan2 flips by 1 across the -x axis; compare modulo 1
            SCOPED_TRACE(testing::Message()
                         << d.x << " " << d.y << " " << d.z << " / " << r[0] << " " << r[1] << " " << r[2]);
            EXPECT_NEAR(du - std::round(du), 0.0, 2e-6);
            EXPECT_NEAR(uv.v, v, 2e-6);
        }
}

TEST(DirectionToEquirectUV, WorkedCases) {
    // Flat normal with the delivered roll of pi.
    const Float3 wN = toWorldDirection(Float3{0.0f, 0.0f, 1.0f});
    EXPECT_EQ(wN.z, -1.0f);
    const EquirectUV flat = uvOf(wN, 0.0f, 0.0f, kRollPi);
    EXPECT_NEAR(flat.u, 0.25f, 1e-6f);
    EXPECT_NEAR(flat.v, 0.5f, 1e-6f);
    // Straight up is v = 0 whatever the pan.
    for (float pan : {0.0f, 1.0f, 2.5f, -3.0f})
        EXPECT_NEAR(uvOf(Float3{0.0f, 1.0f, 0.0f}, pan, 0.0f, 0.0f).v, 0.0f, 1e-6f) << pan;
    // Rolls at or below 0.001 are skipped, just above are applied.
    const Float3 d{0.6f, 0.0f, 0.8f};
    const EquirectUV none = uvOf(d, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(none.v, uvOf(d, 0.0f, 0.0f, 0.001f).v);
    EXPECT_NE(none.v, uvOf(d, 0.0f, 0.0f, -0.0011f).v);
}

TEST(HdriLookups, RowOrderWrapClampAndNonFiniteUv) {
    const Hdri img(5, 4, 7);  // padded rows
    const struct {
        float u, v, x, y;
    } cases[] = {
        {0.0f, 0.0f, 0, 3},  // straight up reads the last row
        {0.0f, 1.0f, 0, 0},   {0.5f, 0.5f, 2, 1},  {0.999f, 0.2f, 3, 2}, {1.25f, 0.5f, 1, 1},
        {-0.75f, 0.5f, 1, 1}, {0.3f, -4.0f, 1, 3}, {0.3f, 7.0f, 1, 0},   {kNaN, 0.5f, 0, 1},
        {kInf, 0.5f, 0, 1},   {-kInf, 0.5f, 0, 1}, {1e30f, 0.5f, 0, 1},  {0.5f, kNaN, 2, 0},
    };
    for (const auto& c : cases) {
        const Float3 p = sampleHDRINearest(img.view(), EquirectUV{c.u, c.v});
        EXPECT_NEAR(p.x, c.x, 1e-6f) << c.u << ", " << c.v;
        EXPECT_NEAR(p.y, c.y, 1e-6f) << c.u << ", " << c.v;
    }
    for (float bad : {kNaN, kInf, -kInf, 1e30f}) {  // clamped before the int conversion, never out of bounds
        EXPECT_EQ(hdriIndex(bad, 5), bad > 0 ? 4 : 0) << bad;
        EXPECT_FALSE(sampleHDRINearest(img.view(), EquirectUV{bad, bad}).x < 0.0f) << bad;  // not a row gap
    }
}

TEST(HdriLookups, SinglePixelAndSingleRowImages) {
    const Hdri one(1, 1), row(6, 1), col(1, 5);
    for (float u : {0.0f, 0.3f, 0.99f, -2.0f, kNaN})
        for (float v : {0.0f, 0.5f, 1.0f, kNaN}) {
            EXPECT_EQ(sampleHDRINearest(one.view(), EquirectUV{u, v}).z, 0.0f);
            EXPECT_EQ(sampleHDRINearest(row.view(), EquirectUV{u, v}).y, 0.0f);
            EXPECT_EQ(sampleHDRINearest(col.view(), EquirectUV{u, v}).x, 0.0f);
        }
}

TEST(CreateBasis, OrthonormalFrameAndFixedBasisAtZMinusOne) {
    const Basis down = createBasis(Float3{0.0f, 0.0f, -1.0f});
    EXPECT_TRUE(down.T.y == -1.0f && down.B.x == -1.0f && std::isfinite(down.T.x) && std::isfinite(down.B.y));
    // Frisvad's construction loses some precision close to z = -1.
    for (Float3 d : {Float3{0, 0, 1}, Float3{0, 1, 0}, Float3{0.48f, -0.6f, 0.64f}, Float3{0.6f, 0, -0.8f},
                     Float3{0, 0.0447f, -0.999f}}) {
        d = normalize3(d);
        const Basis b = createBasis(d);
        for (float got : {dot3(b.T, b.T) - 1, dot3(b.B, b.B) - 1, dot3(b.T, d), dot3(b.B, d), dot3(b.T, b.B)})
            EXPECT_NEAR(got, 0.0f, 1e-3f) << d.x << " " << d.y << " " << d.z;
    }
}

TEST(SampleHDRICone, TinyConesTakeOneLookup) {
    const Hdri img(64, 32);
    const Float3 d = normalize3(Float3{0.3f, 0.2f, -0.9f});
    const EnvRotation rot = makeEnvRotation(0.2f, 0.1f, kRollPi);
    const float single = sampleHDRINearest(img.view(), directionToEquirectUV(d, rot)).z;
    const ConeRing ring = makeConeRing(9);
    EXPECT_EQ(sampleHDRICone(img.view(), d, 0.04f * 0.04f * 0.5f, rot, ring).z, single);  // roughness 0.04: 0.0008
    EXPECT_EQ(sampleHDRICone(img.view(), d, 0.5f, rot, makeConeRing(1)).z, single);
    EXPECT_NE(sampleHDRICone(img.view(), d, 0.3f, rot, ring).z, single);
}

TEST(SampleHDRICone, CentreWeighsOneRingSamplesHalf) {
    // Lit only in the last row, which straight up reads: the ring, 0.25 rad from the
    // pole, reads dark rows, so the result is the centre's share.
    Hdri env(64, 32);
    std::fill(env.px.begin(), env.px.end(), 0.0f);
    for (int x = 0; x < 64; ++x) env.px[(size_t(31) * 64 + x) * 4] = 1.0f;
    const EnvRotation rot = makeEnvRotation(0.0f, 0.0f, 0.0f);
    // Sample counts clamp to 5 or 9 lookups: the centre and one or two rings of four.
    for (auto [samples, centre] : {std::pair{9, 0.2f}, {16, 0.2f}, {5, 1 / 3.0f}, {2, 1 / 3.0f}, {1, 1.0f}})
        EXPECT_NEAR(sampleHDRICone(env.view(), Float3{0, 1, 0}, 0.25f, rot, makeConeRing(samples)).x, centre, 1e-7f)
            << samples;
    // Weights are normalised, also around the z = -1 basis.
    EXPECT_NEAR(sampleHDRICone(white().view(), Float3{0.0f, 0.0f, -1.0f}, 0.5f, rot, makeConeRing(9)).x, 1.0f, 1e-6f);
}

TEST(DFGApprox, WorkedValues) {
    const float rows[][4] = {
        {1.0f, 0.5f, 0.72405f, 0.00095f}, {0.3f, 0.04f, 0.91237f, 0.06563f}, {0.0f, 1.0f, 0.4524f, -0.0024f}};
    for (const auto& r : rows) {
        const DFGTerms t = DFGApprox(r[0], r[1]);
        EXPECT_NEAR(t.A, r[2], 1e-5f) << r[0] << " " << r[1];
        EXPECT_NEAR(t.B, r[3], 1e-5f) << r[0] << " " << r[1];
    }
}

TEST(ShadeEnvironment, WorkedValueTintExposureAndMetalness) {
    const Hdri env = white();
    auto shade = [&](Float3 tint, float diffuse, float specular, float exposure, float metal = 0,
                     Float3 base = splat3(0.5f)) {
        const IblPass s = makeIblPass(0.0f, 0.0f, kRollPi, tint, diffuse, specular, exposure, 1.0f);
        return shadeEnvironment(base, Float3{0, 0, 1}, metal > 0 ? 0.3f : 0.5f, metal, 0.5f, env.view(), env.view(), s);
    };
    const float worked = 0.41542f;  // grey 0.5, roughness 0.5, uniform white
    const Float3 c = shade(splat3(1), 1, 1, 0);
    for (float channel : {c.x, c.y, c.z}) EXPECT_NEAR(channel, worked, 2e-5f);
    EXPECT_NEAR(shade(splat3(1), 1, 0, 0).x, 0.325f, 1e-6f);  // only the 0.65 diffuse share remains
    const Float3 tinted = shade(Float3{1.0f, 0.5f, 0.0f}, 1, 1, 0);
    EXPECT_NEAR(tinted.y, worked * 0.5f, 2e-5f);
    EXPECT_EQ(tinted.z, 0.0f);
    EXPECT_NEAR(shade(splat3(1), 1, 1, 1).x, 2.0f * worked, 4e-5f);  // +1 stop
    // A metal has no diffuse term; its reflection follows the base colour.
    const Float3 gold{0.9f, 0.6f, 0.3f}, metal = shade(splat3(1), 1, 1, 0, 1, gold);
    EXPECT_EQ(metal.x, shade(splat3(1), 0, 1, 0, 1, gold).x);
    EXPECT_GT(metal.x, metal.z);
}

TEST(ApplyIblGamma, OnlyPositiveGammaOtherThanOneActs) {
    const Float3 c{0.25f, 0.0f, -0.5f};
    for (auto [g, want] : {std::pair{0.0f, 0.25f}, {-1.0f, 0.25f}, {1.0f, 0.25f}, {kNaN, 0.25f}, {2.0f, 0.5f}}) {
        const Float3 r = applyIblGamma(c, g);
        EXPECT_NEAR(r.x, want, 1e-6f) << g;
        EXPECT_EQ(r.y, 0.0f) << g;
        EXPECT_EQ(r.z, -0.5f) << g;  // negative values pass through
    }
}

TEST(PreviewSphere, GeometryOnFullHdAndDegenerateFrames) {
    const int W = 1920, H = 1080;
    const double radius = 86.4, cx = 1796.88, cy = 956.88;
    // The centre pixel: covered, opaque, facing the viewer; rows down are view-space down.
    PreviewSphereInfo info = getPreviewSphereInfo(1797, 957, W, H);
    EXPECT_TRUE(info.covered && info.alpha == 1.0f && info.normal.z > 0.999f);
    EXPECT_GT(info.normal.x, 0.0f);
    EXPECT_LT(info.normal.y, 0.0f);
    // Every pixel in a box around the ball against a double model, skipping those within
    // rounding of the coverage edge.
    int covered = 0;
    for (int y = 850; y < 1080; ++y)
        for (int x = 1690; x < 1920; ++x) {
            const double dist = std::hypot(x - cx, y - cy);
            if (std::abs(dist - (radius + 1.0)) < 1e-3) continue;
            info = getPreviewSphereInfo(x, y, W, H);
            ASSERT_EQ(info.covered, dist <= radius + 1.0) << x << ", " << y;
            if (!info.covered) continue;
            ++covered;
            EXPECT_NEAR(info.alpha, std::clamp(radius - dist + 1.0, 0.0, 1.0), 2e-4) << x << ", " << y;
            EXPECT_NEAR(dot3(info.normal, info.normal), 1.0f, 1e-4f);
            if (dist >= radius) {
                EXPECT_EQ(info.normal.z, 0.0f);
            }
        }
    EXPECT_GT(covered, 23000);  // about pi * 87.4^2

    EXPECT_FALSE(getPreviewSphereInfo(0, 0, 0, 100).covered || getPreviewSphereInfo(0, 0, 100, -1).covered);
    const PreviewSphereInfo one = getPreviewSphereInfo(0, 0, 1, 1);
    EXPECT_TRUE(std::isfinite(one.normal.x) && std::isfinite(one.normal.y) && std::isfinite(one.alpha));
}

TEST(PreviewSphere, ShowsTheEnvironmentWithTheUsersRoll) {
    const Hdri img(32, 16);
    const float deliveredZ = 0.7f + kRollPi;  // user roll 0.7
    const Float3 n = normalize3(Float3{0.3f, -0.2f, 0.9f});
    const Float3 R = normalize3(Float3{2.0f * n.z * n.x, 2.0f * n.z * n.y, 2.0f * n.z * n.z - 1.0f});
    const EquirectUV uv = uvOf(Float3{-R.x, -R.y, -R.z}, 0.4f, 0.1f, deliveredZ - PI);
    EXPECT_EQ(samplePreviewSphereHDRI(n, img.view(), previewSphereRotation(0.1f, 0.4f, deliveredZ)).z,
              sampleHDRINearest(img.view(), uv).z);
    EXPECT_NEAR(blendPreviewSphere(splat3(1.0f), splat3(0.0f), 0.75f).x, 0.25f, 1e-7f);
}

}  // namespace
}  // namespace morvel
