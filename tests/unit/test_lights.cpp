// Light vectors and attenuation of the analytic lights at given pixels, checked
// against distances and cone angles worked out independently in double precision.
#include <gtest/gtest.h>

#include <cmath>

#include "render/FrameSettings.h"
#include "shading/AnalyticLights.h"
#include "shading/Brdf.h"

using namespace morvel;

namespace {

constexpr double kPi = 3.14159265358979323846;

FrameSettings frame(int w, int h, int32_t passType) {
    FrameSettings fs{};
    fs.width = w;
    fs.height = h;
    fs.stride = w;
    fs.pass_type = passType;
    fs.output_mode = 1;
    return fs;
}

double refAttenuation(double dist, double decay) { return 1.0 / std::max(std::pow(std::max(dist, 0.01), decay), 1e-6); }

}  // namespace

TEST(Lights, PixelCentresAndAspect) {
    EXPECT_EQ(pixelCentreX(0, 4), 0.125f);
    EXPECT_EQ(pixelCentreX(3, 4), 0.875f);
    EXPECT_EQ(pixelCentreY(1, 2), 0.75f);
    EXPECT_EQ(frameAspect(200, 100), 2.0f);
}

TEST(Lights, DirectionalNormalisesAndDoesNotFade) {
    FrameSettings fs = frame(64, 32, PASS_DIRECTIONAL);
    fs.light_dir_x = 3;
    fs.light_dir_y = 0;
    fs.light_dir_z = 4;
    for (auto [x, y] : {std::pair{0, 0}, std::pair{63, 31}}) {
        LightSample ls = lightForPixel(fs, x, y);
        EXPECT_FLOAT_EQ(ls.L.x, 0.6f);
        EXPECT_FLOAT_EQ(ls.L.z, 0.8f);
        EXPECT_EQ(ls.attenuation, 1.0f);
    }
    fs.light_dir_x = fs.light_dir_z = 0;  // a zero direction lights nothing
    LightSample zero = lightForPixel(fs, 5, 5);
    EXPECT_EQ(zero.L.z, 0.0f);
    EXPECT_EQ(renderPBR(splat(0.5f), Vec3{0, 0, 1}, 0.5f, 0, 0.5f, zero.L, splat(1), 5, 1).x, 0.0f);
}

TEST(Lights, FalloffTypesFollowTheDistanceLaw) {
    struct Row {
        float decay;
        Vec3 pos;
        float px, py, aspect;
    };
    const Row rows[] = {
        {0, {0.5f, 0.5f, 0.5f}, 0.5f, 0.5f, 1.0f},   {0, {0.9f, 0.1f, 0.2f}, 0.1f, 0.8f, 1.5f},
        {1, {0.5f, 0.5f, 0.5f}, 0.5f, 0.5f, 1.0f},   {1, {0.9f, 0.1f, 0.2f}, 0.1f, 0.8f, 1.5f},
        {2, {0.5f, 0.5f, 0.25f}, 0.5f, 0.5f, 1.0f},  {2, {0.2f, 0.7f, 1.5f}, 0.6f, 0.3f, 1.777f},
        {2, {0.5f, 0.5f, 0.001f}, 0.5f, 0.5f, 1.0f},  // inside the 0.01 distance floor
    };
    for (const Row& r : rows) {
        double dx = double(r.aspect) * (double(r.pos.x) - r.px), dy = -(double(r.pos.y) - r.py), dz = r.pos.z;
        double dist = std::sqrt(dx * dx + dy * dy + dz * dz);
        LightSample ls = pointLight(r.pos, r.px, r.py, r.aspect, r.decay, 0.0f);
        double want = refAttenuation(dist, r.decay);
        EXPECT_NEAR(ls.attenuation, want, 1e-5 * want) << "decay " << r.decay << " dist " << dist;
        EXPECT_NEAR(ls.L.x, dx / dist, 1e-6);
        EXPECT_NEAR(ls.L.y, dy / dist, 1e-6);
        EXPECT_NEAR(ls.L.z, dz / dist, 1e-6);
    }
}

TEST(Lights, NoFalloffLightsEveryPixelEquallyButTurnsL) {
    FrameSettings fs = frame(40, 20, PASS_POINT);
    fs.light_pos_x = 0.5f;
    fs.light_pos_y = 0.5f;
    fs.light_pos_z = 0.3f;
    LightSample a = lightForPixel(fs, 0, 0), b = lightForPixel(fs, 39, 19);
    EXPECT_EQ(a.attenuation, 1.0f);
    EXPECT_EQ(b.attenuation, 1.0f);
    EXPECT_GT(a.L.x, 0.0f) << "the light sits to the right of the top-left pixel";
    EXPECT_LT(b.L.x, 0.0f) << "the light sits to the left of the bottom-right pixel";
    EXPECT_LT(a.L.y, 0.0f) << "the light sits below the top row (view-space y is up)";
}

TEST(Lights, LightOnTheSurfaceAddsNothingButStaysFinite) {
    // 2 x 2 frame, pixel (0, 0) centre at (0.25, 0.25); light right there at z = 0.
    FrameSettings fs = frame(2, 2, PASS_POINT);
    fs.light_pos_x = 0.25f;
    fs.light_pos_y = 0.25f;
    fs.light_decay = 2.0f;
    LightSample ls = lightForPixel(fs, 0, 0);
    EXPECT_EQ(ls.L.x, 0.0f);
    EXPECT_EQ(ls.L.y, 0.0f);
    EXPECT_EQ(ls.L.z, 0.0f);
    EXPECT_FLOAT_EQ(ls.attenuation, 10000.0f);  // 1 / 0.01^2
    Vec3 c = renderPBR(splat(0.5f), Vec3{0, 0, 1}, 0.5f, 0, 0.5f, ls.L, splat(1), 5, ls.attenuation);
    EXPECT_EQ(c.x, 0.0f);
}

TEST(Lights, DistanceWindow) {
    struct Row {
        float z, falloffDistance;
        double want;  // window factor on top of the plain law
    };
    const Row rows[] = {
        {0.5f, 0.0f, 1.0},                                  // 0 disables the window
        {0.5f, 1.0f, std::pow(1.0 - std::pow(0.5, 4), 2)},  // half-way
        {0.9f, 1.0f, std::pow(1.0 - std::pow(0.9, 4), 2)},
        {1.0f, 1.0f, 0.0},  // reaches 0 at the end
        {1.5f, 1.0f, 0.0},  // and stays exactly 0 beyond
    };
    for (float decay : {0.0f, 1.0f, 2.0f}) {
        for (const Row& r : rows) {
            LightSample ls = pointLight(Vec3{0.5f, 0.5f, r.z}, 0.5f, 0.5f, 1.0f, decay, r.falloffDistance);
            double want = refAttenuation(r.z, decay) * r.want;
            EXPECT_NEAR(ls.attenuation, want, 1e-6 * std::max(1.0, want)) << r.z << " " << r.falloffDistance;
            if (r.want == 0.0) {
                EXPECT_EQ(ls.attenuation, 0.0f);
            }
        }
    }
}

TEST(Lights, AspectMeasuresXInFrameHeights) {
    // 2:1 frame, light centred in the surface plane; the rightmost pixel's centre is
    // (199.5 / 200 - 0.5) * 2 = 0.995 frame heights away.
    FrameSettings fs = frame(200, 100, PASS_POINT);
    fs.light_pos_x = 0.5f;
    fs.light_pos_y = 0.505f;  // row 50's centre, so only x differs
    fs.light_decay = 1.0f;
    LightSample ls = lightForPixel(fs, 199, 50);
    EXPECT_NEAR(ls.attenuation, 1.0 / 0.995, 1e-5);
    EXPECT_NEAR(ls.L.x, -1.0f, 1e-6f);

    // The OpenCL variant measures x in frame widths: half as far.
    LightSample cl = pointLightOpenCL(Vec3{0.5f, 0.505f, 0.0f}, pixelCentreX(199, 200), pixelCentreY(50, 100), 1.0f);
    EXPECT_NEAR(cl.attenuation, 1.0 / 0.4975, 1e-4);

    // Square frames agree between the two.
    LightSample sq = pointLight(Vec3{0.2f, 0.7f, 0.3f}, 0.6f, 0.1f, 1.0f, 2.0f, 0.0f);
    LightSample sqcl = pointLightOpenCL(Vec3{0.2f, 0.7f, 0.3f}, 0.6f, 0.1f, 2.0f);
    EXPECT_EQ(sq.attenuation, sqcl.attenuation);
    EXPECT_EQ(sq.L.x, sqcl.L.x);
}

TEST(Lights, SpotConeEdges) {
    const float cone = float(30.0 * kPi / 180.0);
    const Vec3 axis{0, 0, -1};  // pointing straight into the screen
    struct Row {
        float feather;
        double offAxisDeg;
        double want;  // < 0: compute smoothstep in double
    };
    const Row rows[] = {
        {0.0f, 0.0, 1.0},  {0.0f, 29.5, 1.0}, {0.0f, 30.5, 0.0}, {0.0f, 80.0, 0.0}, {1.0f, 0.0, 1.0},
        {1.0f, 2.9, 1.0},  {1.0f, 10.0, -1},  {1.0f, 20.0, -1},  {1.0f, 29.0, -1},  {1.0f, 31.0, 0.0},
        {0.5f, 15.0, 1.0}, {0.5f, 20.0, -1},  {0.5f, 30.5, 0.0},
    };
    for (const Row& r : rows) {
        double a = r.offAxisDeg * kPi / 180.0;
        Vec3 L{float(std::sin(a)), 0.0f, float(std::cos(a))};
        double want = r.want;
        if (want < 0) {
            double co = std::cos(30.0 * kPi / 180.0), ci = std::cos(30.0 * kPi / 180.0 * (1 - r.feather * 0.9));
            double t = (std::cos(a) - co) / (ci - co);
            want = t * t * (3 - 2 * t);
            ASSERT_GT(want, 0.0);
            ASSERT_LT(want, 1.0);
        }
        EXPECT_NEAR(spotCone(L, axis, cone, r.feather), want, 2e-4)
            << "feather " << r.feather << " at " << r.offAxisDeg << " deg";
    }
    // Unnormalised axes are normalised first.
    EXPECT_EQ(spotCone(Vec3{0, 0, 1}, Vec3{0, 0, -7}, cone, 0.0f), 1.0f);
}

TEST(Lights, SpotAimedAtAPointLightsItAndNotTheFarCorner) {
    FrameSettings fs = frame(200, 100, PASS_SPOT);
    fs.light_pos_x = 0.5f;
    fs.light_pos_y = 0.5f;
    fs.light_pos_z = 0.5f;
    fs.light_decay = 0.0f;
    fs.cone_angle = float(20.0 * kPi / 180.0);
    fs.cone_feather = 0.5f;
    fs.light_r = fs.light_g = fs.light_b = 1.0f;
    fs.intensity = 1.0f;
    // Aim at the centre of pixel (150, 25): from the light to that surface point.
    const int tx = 150, ty = 25;
    double px = (tx + 0.5) / 200.0, py = (ty + 0.5) / 100.0;
    fs.light_dir_x = float(2.0 * (px - 0.5));
    fs.light_dir_y = float(-(py - 0.5));
    fs.light_dir_z = -0.5f;

    LightSample hit = lightForPixel(fs, tx, ty);
    EXPECT_NEAR(hit.attenuation, 1.0f, 1e-6f);
    LightSample corner = lightForPixel(fs, 0, 99);
    EXPECT_EQ(corner.attenuation, 0.0f);
    LightSample centre = lightForPixel(fs, 100, 50);  // under the light, about 48 degrees off the axis
    EXPECT_EQ(centre.attenuation, 0.0f);

    // The spot is the point light times the cone.
    fs.pass_type = PASS_POINT;
    EXPECT_EQ(lightForPixel(fs, tx, ty).attenuation, hit.attenuation);
    EXPECT_GT(lightForPixel(fs, 0, 99).attenuation, 0.0f);
}

TEST(Lights, AmbientShinesFromTheViewer) {
    FrameSettings fs = frame(8, 8, PASS_AMBIENT);
    LightSample ls = lightForPixel(fs, 3, 7);
    EXPECT_EQ(ls.L.z, 1.0f);
    EXPECT_EQ(ls.attenuation, 1.0f);
    // Facing the camera: the full head-on peak (the worked 0.20371 of a grey surface).
    Vec3 c = renderPBR(splat(0.5f), Vec3{0, 0, 1}, 0.5f, 0, 0.5f, ls.L, splat(1), 1, ls.attenuation);
    EXPECT_NEAR(c.x, 0.20371f, 1e-5f);
    // A normal in the image plane stays dark.
    EXPECT_EQ(renderPBR(splat(0.5f), Vec3{1, 0, 0}, 0.5f, 0, 0.5f, ls.L, splat(1), 1, 1).x, 0.0f);

    EXPECT_EQ(ambientColorCuda(Vec3{0.5f, 0.25f, 1.0f}, Vec3{1, 0, 0.5f}, 5.0f).x, 2.5f);
    EXPECT_EQ(ambientColorCuda(Vec3{0.5f, 0.25f, 1.0f}, Vec3{1, 0, 0.5f}, 5.0f).y, 0.0f);
}

TEST(Lights, OtherPassTypesYieldNoLight) {
    for (int32_t t : {int32_t(PASS_IBL), int32_t(PASS_INCIDENCE_RIM), int32_t(6), int32_t(-1)}) {
        LightSample ls = lightForPixel(frame(4, 4, t), 1, 1);
        EXPECT_EQ(ls.attenuation, 0.0f) << t;
        EXPECT_EQ(ls.L.z, 0.0f) << t;
    }
}
