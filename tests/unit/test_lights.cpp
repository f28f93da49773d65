// Light vectors and attenuation of the analytic lights, against distances and cone
// angles worked out independently in double precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/FrameSettings.h"
#include "frame/KernelPasses.h"
#include "kernel/AnalyticLights.h"
#include "kernel/Brdf.h"

using namespace morvel;

namespace {

constexpr double kPi = 3.14159265358979323846;

FrameSettings frame(int w, int h, int32_t passType, Float3 pos = {}, float decay = 0.0f) {
    FrameSettings fs{};
    fs.width = fs.stride = w;
    fs.height = h;
    fs.pass_type = passType;
    fs.output_mode = 1;
    fs.light_pos_x = pos.x;
    fs.light_pos_y = pos.y;
    fs.light_pos_z = pos.z;
    fs.light_decay = decay;
    return fs;
}

// A pass record's light at one pixel, as the light pass computes it.
LightSample lightForPixel(const FrameSettings& fs, int x, int y) { return lightAtPixel(LightPassOf(fs), x, y); }

float spotCone(Float3 L, Float3 axis, float angle, float feather) {
    return spotConeFactor(L, makeSpotCone(axis, angle, feather));
}

double refAttenuation(double dist, double decay) { return 1.0 / std::max(std::pow(std::max(dist, 0.01), decay), 1e-6); }

}  // namespace

TEST(Lights, DirectionalAmbientAndPassesWithoutLight) {
    FrameSettings fs = frame(64, 32, PASS_DIRECTIONAL);
    fs.light_dir_x = 3;
    fs.light_dir_z = 4;
    for (auto [x, y] : {std::pair{0, 0}, std::pair{63, 31}}) {  // normalised, no fade across the frame
        const LightSample ls = lightForPixel(fs, x, y);
        EXPECT_FLOAT_EQ(ls.L.x, 0.6f);
        EXPECT_FLOAT_EQ(ls.L.z, 0.8f);
        EXPECT_EQ(ls.attenuation, 1.0f);
    }
    fs.pass_type = PASS_AMBIENT;  // from the viewer, whatever the direction
    EXPECT_TRUE(lightForPixel(fs, 3, 7).L.z == 1.0f && lightForPixel(fs, 3, 7).attenuation == 1.0f);
    fs.pass_type = PASS_DIRECTIONAL;
    fs.light_dir_x = fs.light_dir_z = 0;
    EXPECT_EQ(lightForPixel(fs, 5, 5).L.z, 0.0f);  // a zero direction lights nothing
    for (int32_t t : {int32_t(PASS_IBL), int32_t(PASS_INCIDENCE_RIM), int32_t(6), int32_t(-1)}) {
        const LightSample ls = lightForPixel(frame(4, 4, t), 1, 1);
        EXPECT_TRUE(ls.attenuation == 0.0f && ls.L.z == 0.0f) << "pass " << t;
    }
}

TEST(Lights, FalloffTypesAndDistanceWindow) {
    struct Row {
        Float3 pos;
        float px, py, aspect, window;
    };
    const Row rows[] = {
        {{0.5f, 0.5f, 0.5f}, 0.5f, 0.5f, 1.0f, 0},   {{0.9f, 0.1f, 0.2f}, 0.1f, 0.8f, 1.5f, 0},
        {{0.2f, 0.7f, 1.5f}, 0.6f, 0.3f, 1.777f, 0}, {{0.5f, 0.5f, 0.001f}, 0.5f, 0.5f, 1.0f, 0},  // 0.01 floor
        {{0.5f, 0.5f, 0.5f}, 0.5f, 0.5f, 1.0f, 1},   {{0.9f, 0.1f, 0.2f}, 0.1f, 0.8f, 1.5f, 2},    // window
        {{0.5f, 0.5f, 0.9f}, 0.5f, 0.5f, 1.0f, 1},   {{0.5f, 0.5f, 1.0f}, 0.5f, 0.5f, 1.0f, 1},    // 0 at the end
        {{0.5f, 0.5f, 1.5f}, 0.5f, 0.5f, 1.0f, 1},                                                 // and beyond
    };
    for (float decay : {0.0f, 1.0f, 2.0f, 0.5f, 1.5f, 3.0f}) {
        for (const Row& r : rows) {
            // x in frame heights, view-space y up.
            double dx = double(r.aspect) * (double(r.pos.x) - r.px), dy = -(double(r.pos.y) - r.py), dz = r.pos.z;
            double dist = std::sqrt(dx * dx + dy * dy + dz * dz);
            double f = r.window == 0 ? 1.0 : std::pow(1.0 - std::pow(std::min(dist / r.window, 1.0), 4), 2);
            double want = refAttenuation(dist, decay) * f;
            LightSample ls = pointLight(r.pos, r.px, r.py, r.aspect, decay, r.window);
            SCOPED_TRACE(testing::Message() << "decay " << decay << " dist " << dist << " window " << r.window);
            EXPECT_NEAR(ls.attenuation, want, 2e-6 * std::max(1.0, want));
            if (want == 0.0) {
                EXPECT_EQ(ls.attenuation, 0.0f);
            }
            EXPECT_NEAR(ls.L.x, dx / dist, 1e-6);
            EXPECT_NEAR(ls.L.y, dy / dist, 1e-6);
            EXPECT_NEAR(ls.L.z, dz / dist, 1e-6);
        }
    }
}

// The host's falloffs are whole powers and come out exactly: d * d correctly rounded
// (the first distances are squares that the C library's powf rounds the wrong way,
// some of them halfway cases), d itself, and 1. Distances below the 0.01 floor, and a
// NaN one, take the floor; any other exponent is a true power.
TEST(Lights, WholeFalloffsAreExactPowers) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float dists[] = {0x1.47bp-7f,    0x1.001p+0f, 0x1.003p-1f, 0x1.b3b5dp+0f, 0x1.802d42p+1f,
                           0x1.99ac3ep-4f, 0.37f,       2.5f,        0.01f,         0.001f,
                           0.0f,           -3.0f,       nan,         1e30f,         inf};
    for (float dist : dists) {
        SCOPED_TRACE(testing::Message() << "dist " << dist);
        const float d = dist > 0.01f ? dist : 0.01f;
        const float square = static_cast<float>(static_cast<double>(d) * d);  // one rounding of the exact square
        EXPECT_EQ(decayPower(d, 2.0f), square);
        EXPECT_EQ(distanceAttenuation(dist, 2.0f), 1.0f / square);
        EXPECT_EQ(distanceAttenuation(dist, 1.0f), 1.0f / d);
        EXPECT_EQ(distanceAttenuation(dist, 0.0f), 1.0f);
        EXPECT_EQ(distanceAttenuation(dist, -0.0f), 1.0f);
        if (std::isfinite(d) && d * d < 1e30f) {
            EXPECT_NEAR(distanceAttenuation(dist, 1.5f), 1.0 / std::pow(double(d), 1.5),
                        1e-6 / std::pow(double(d), 1.5));
        }
    }
    EXPECT_FLOAT_EQ(distanceAttenuation(0.0f, 4.0f), 1e6f);  // 0.01^4 is capped at 1e-6
}

TEST(Lights, LightOnTheSurfaceAddsNothingButStaysFinite) {
    // Pixel (0, 0) of a 2 x 2 frame has its centre at (0.25, 0.25); the light sits there at z = 0.
    LightSample ls = lightForPixel(frame(2, 2, PASS_POINT, Float3{0.25f, 0.25f, 0}, 2.0f), 0, 0);
    EXPECT_EQ(ls.L.x + ls.L.y + ls.L.z, 0.0f);
    EXPECT_FLOAT_EQ(ls.attenuation, 10000.0f);  // 1 / 0.01^2
    EXPECT_EQ(renderPBR(splat3(0.5f), Float3{0, 0, 1}, 0.5f, 0, 0.5f, ls.L, splat3(1), 5, ls.attenuation).x, 0.0f);
}

TEST(Lights, AspectMeasuresXInFrameHeights) {
    // 2:1 frame, light in the surface plane at row 50's centre; the rightmost pixel's centre
    // is (199.5 / 200 - 0.5) * 2 = 0.995 frame heights away.
    LightSample ls = lightForPixel(frame(200, 100, PASS_POINT, Float3{0.5f, 0.505f, 0}, 1.0f), 199, 50);
    EXPECT_NEAR(ls.attenuation, 1.0 / 0.995, 1e-5);
    EXPECT_NEAR(ls.L.x, -1.0f, 1e-6f);
}

TEST(Lights, SpotConeEdges) {
    const double cone = 30.0 * kPi / 180.0;
    struct Row {
        float feather;
        double offAxisDeg;
        double want;  // < 0: smoothstep computed in double
    };
    const Row rows[] = {
        {0.0f, 0.0, 1.0},  {0.0f, 29.5, 1.0}, {0.0f, 30.5, 0.0}, {0.0f, 80.0, 0.0}, {1.0f, 0.0, 1.0},
        {1.0f, 2.9, 1.0},  {1.0f, 10.0, -1},  {1.0f, 20.0, -1},  {1.0f, 29.0, -1},  {1.0f, 31.0, 0.0},
        {0.5f, 15.0, 1.0}, {0.5f, 20.0, -1},  {0.5f, 30.5, 0.0},
    };
    for (const Row& r : rows) {
        double a = r.offAxisDeg * kPi / 180.0, want = r.want;
        if (want < 0) {
            double co = std::cos(cone), t = (std::cos(a) - co) / (std::cos(cone * (1 - r.feather * 0.9)) - co);
            want = t * t * (3 - 2 * t);
            ASSERT_TRUE(want > 0.0 && want < 1.0);
        }
        // Axis straight into the screen; L from the surface back towards the light.
        EXPECT_NEAR(
            spotCone(Float3{float(std::sin(a)), 0, float(std::cos(a))}, Float3{0, 0, -1}, float(cone), r.feather), want,
            2e-4)
            << "feather " << r.feather << " at " << r.offAxisDeg << " deg";
    }
    EXPECT_EQ(spotCone(Float3{0, 0, 1}, Float3{0, 0, -7}, float(cone), 0.0f), 1.0f);  // the axis is normalised first
}

TEST(Lights, SpotAimedAtAPointLightsItAndNotTheFarCorner) {
    FrameSettings fs = frame(200, 100, PASS_SPOT, Float3{0.5f, 0.5f, 0.5f});
    fs.cone_angle = float(20.0 * kPi / 180.0);
    fs.cone_feather = 0.5f;
    // Aim from the light at the centre of pixel (150, 25).
    const int tx = 150, ty = 25;
    fs.light_dir_x = float(2.0 * ((tx + 0.5) / 200.0 - 0.5));
    fs.light_dir_y = float(-((ty + 0.5) / 100.0 - 0.5));
    fs.light_dir_z = -0.5f;
    EXPECT_NEAR(lightForPixel(fs, tx, ty).attenuation, 1.0f, 1e-6f);
    EXPECT_EQ(lightForPixel(fs, 0, 99).attenuation, 0.0f);
    EXPECT_EQ(lightForPixel(fs, 100, 50).attenuation, 0.0f);  // under the light, about 48 degrees off the axis
    // The spot is the point light times the cone.
    const float hit = lightForPixel(fs, tx, ty).attenuation;
    fs.pass_type = PASS_POINT;
    EXPECT_EQ(lightForPixel(fs, tx, ty).attenuation, hit);
    EXPECT_GT(lightForPixel(fs, 0, 99).attenuation, 0.0f);
}
