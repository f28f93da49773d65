// Incidence and rim terms: facing ratio, screen-direction rim, threshold remap, and the
// per-pass colour with its enables.
#include <gtest/gtest.h>

#include <cmath>

#include "render/FrameSettings.h"
#include "shading/IncidenceRim.h"
#include "shading/SurfaceSample.h"

using namespace morvel;

namespace {
constexpr double kPi = 3.14159265358979323846;
}

TEST(Incidence, FacingRatio) {
    struct Row {
        Vec3 N;
        float amount, power;
        double want;
    };
    const Row rows[] = {
        {{0, 0, 1}, 1.0f, 1.0f, 0.0},          // facing the viewer: nothing
        {{1, 0, 0}, 1.5f, 2.0f, 1.5},          // in the image plane: the full amount
        {{0, 0.8f, 0.6f}, 1.0f, 2.0f, 0.16},   // (1 - 0.6)^2
        {{0, 0.8f, -0.6f}, 1.0f, 2.0f, 0.16},  // back-facing counts like front-facing
        {{0.6f, 0, 0.8f}, 2.0f, 0.5f, 2.0 * std::sqrt(0.2)},
        {{0, 0, 1}, 0.7f, 0.0f, 0.7},  // power 0: flat tint, even at 0^0
        {{0.6f, 0, 0.8f}, 0.7f, 0.0f, 0.7},
        {{0, 0, 2}, 1.0f, 1.0f, 0.0},  // an overlong normal clamps, no negative base
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(computeIncidence(r.N, r.amount, r.power), r.want, 1e-6)
            << r.N.x << "," << r.N.y << "," << r.N.z << " power " << r.power;
    }
}

TEST(RimLight, DirectionAndEdge) {
    const Vec3 L{0, 0, 1};
    struct Row {
        Vec3 N;
        double angleDeg;
        float power;
    };
    const float s = float(std::sqrt(0.5));
    const Row rows[] = {
        {{-1, 0, 0}, 0, 1},
        {{1, 0, 0}, 0, 1},
        {{0, 0, 1}, 0, 1},
        {{0, -1, 0}, 90, 1},
        {{0, 1, 0}, 90, 1},
        {{-s, 0, s}, 0, 1},
        {{-s, 0, s}, 0, 3},
        {{-s, -s, 0}, 45, 2},
        {{0.3f, -0.4f, 0.866f}, 250, 1.5f},
        {{-0.6f, 0.0f, -0.8f}, 10, 1},
    };
    for (const Row& r : rows) {
        double a = r.angleDeg * kPi / 180.0;
        double edge = 1.0 - std::fabs(double(r.N.z));
        double dir = std::clamp(-(r.N.x * std::cos(a) + r.N.y * std::sin(a)), 0.0, 1.0);
        double want = 0.8 * std::pow(std::clamp(edge * dir, 0.0, 1.0), double(r.power));
        EXPECT_NEAR(computeRimLight(r.N, L, 0.8f, r.power, 0.0f, float(a)), want, 2e-6)
            << r.N.x << "," << r.N.y << "," << r.N.z << " at " << r.angleDeg;
    }
    // Angle 0 lights the left edge with the full amount, never the right one.
    EXPECT_FLOAT_EQ(computeRimLight(Vec3{-1, 0, 0}, L, 1.3f, 2.0f, 0.0f, 0.0f), 1.3f);
    EXPECT_EQ(computeRimLight(Vec3{1, 0, 0}, L, 1.3f, 2.0f, 0.0f, 0.0f), 0.0f);
    // L plays no part.
    EXPECT_EQ(computeRimLight(Vec3{-0.6f, 0, 0.8f}, Vec3{1, 2, 3}, 1.0f, 1.0f, 0.0f, 0.0f),
              computeRimLight(Vec3{-0.6f, 0, 0.8f}, L, 1.0f, 1.0f, 0.0f, 0.0f));
}

TEST(RimLight, ThresholdRemap) {
    // A (deliberately unnormalised) N with edge 0.5 and directional 1 gives rim 0.5.
    struct Row {
        Vec3 N;
        float threshold;
        double want;
    };
    const Row rows[] = {
        {{-1, 0, 0.5f}, 0.5f, 0.0},                                     // at the threshold
        {{-1, 0, 0.6f}, 0.5f, 0.0},                                     // below it: clamped, not negative
        {{-1, 0, 0}, 0.5f, 0.5 / 0.501},                                // full rim never quite reaches 1
        {{-1, 0, 0.25f}, 0.5f, 0.25 / 0.501}, {{-1, 0, 0}, 1.0f, 0.0},  // threshold 1: finite thanks to the 0.001
        {{-1, 0, 0.2f}, 0.0f, 0.8},                                     // threshold 0: no remap
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(computeRimLight(r.N, Vec3{0, 0, 1}, 1.0f, 1.0f, r.threshold, 0.0f), r.want, 1e-6)
            << r.N.z << " threshold " << r.threshold;
    }
}

TEST(IncidenceRimPass, ColourHonoursEnablesAmountsAndChannels) {
    FrameSettings fs{};
    fs.pass_type = PASS_INCIDENCE_RIM;
    fs.incidence_enable = 1;
    fs.incidence_amount = 1.0f;
    fs.incidence_power = 1.0f;
    fs.incidence_r = 1.0f;  // pure red
    fs.rimlight_enable = 1;
    fs.rimlight_amount = 0.5f;
    fs.rimlight_power = 1.0f;
    fs.rimlight_b = 1.0f;  // pure blue
    fs.rimlight_angle = 0.0f;
    const Vec3 side{-1, 0, 0}, L{0, 0, 1};

    struct Row {
        const char* name;
        int incEnable;
        float incAmount;
        int rimEnable;
        float rimAmount;
        Vec3 want;
    };
    const Row rows[] = {
        {"both", 1, 1.0f, 1, 0.5f, {1.0f, 0.0f, 0.5f}},     {"incidence only", 1, 1.0f, 0, 0.5f, {1.0f, 0.0f, 0.0f}},
        {"rim only", 0, 1.0f, 1, 0.5f, {0.0f, 0.0f, 0.5f}}, {"amounts zero", 1, 0.0f, 1, 0.0f, {0.0f, 0.0f, 0.0f}},
        {"both off", 0, 1.0f, 0, 0.5f, {0.0f, 0.0f, 0.0f}},
    };
    for (const Row& r : rows) {
        fs.incidence_enable = r.incEnable;
        fs.incidence_amount = r.incAmount;
        fs.rimlight_enable = r.rimEnable;
        fs.rimlight_amount = r.rimAmount;
        Vec3 c = incidenceRimColor(side, L, incidenceRimParamsFrom(fs));
        EXPECT_EQ(c.x, r.want.x) << r.name;
        EXPECT_EQ(c.y, r.want.y) << r.name;
        EXPECT_EQ(c.z, r.want.z) << r.name;
    }

    // Facing the viewer: neither term adds anything.
    fs.incidence_enable = fs.rimlight_enable = 1;
    fs.incidence_amount = 2.0f;
    fs.rimlight_amount = 2.0f;
    Vec3 front = incidenceRimColor(Vec3{0, 0, 1}, L, incidenceRimParamsFrom(fs));
    EXPECT_EQ(front.x + front.y + front.z, 0.0f);

    // The GPU kernels hand the colours in blue first; red then lands in component 2.
    IncidenceRimParams gpu = incidenceRimParamsFrom(fs);
    gpu.incidence_color = swapRedBlue(gpu.incidence_color);
    gpu.rimlight_enable = 0;
    Vec3 bgr = incidenceRimColor(side, L, gpu);
    EXPECT_EQ(bgr.x, 0.0f);
    EXPECT_EQ(bgr.z, 2.0f);
}

TEST(IncidenceRimPass, MissingNormalLayerFacesTheViewer) {
    // Like the light passes: no normal layer means the flat normal, which gets neither
    // incidence nor rim.
    Vec3 n = incidenceRimNormal(nullptr);
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 1.0f);
    EXPECT_EQ(computeIncidence(n, 1.0f, 1.0f), 0.0f);

    const PassPixel flat{0.5f, 0.5f, 1.0f, 1.0f};
    Vec3 f = incidenceRimNormal(&flat);
    EXPECT_EQ(f.z, 1.0f);
}
