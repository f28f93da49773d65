// Incidence and rim terms: facing ratio, screen-direction rim, threshold remap, and the
// per-pass colour with its enables.
#include <gtest/gtest.h>

#include <cmath>

#include "frame/FrameSettings.h"
#include "frame/KernelPasses.h"
#include "kernel/IncidenceRim.h"

using namespace morvel;

namespace {

// The rim for an angle in radians.
float rimAt(Float3 N, float amount, float power, float threshold, float angle) {
    return computeRimLight(N, amount, power, threshold, rimDirection(angle));
}

}  // namespace

TEST(Incidence, FacingRatio) {
    struct Row {
        Float3 N;
        float amount, power;
        double want;
    };
    // Facing: nothing; side-on: the full amount; back-facing counts like front-facing; power 0 is a flat
    // tint even at 0^0; an overlong normal clamps instead of giving a negative base.
    const Row rows[] = {{{0, 0, 1}, 1.0f, 1.0f, 0.0},
                        {{1, 0, 0}, 1.5f, 2.0f, 1.5},
                        {{0, 0.8f, 0.6f}, 1.0f, 2.0f, 0.16},
                        {{0, 0.8f, -0.6f}, 1.0f, 2.0f, 0.16},
                        {{0.6f, 0, 0.8f}, 2.0f, 0.5f, 2.0 * std::sqrt(0.2)},
                        {{0, 0, 1}, 0.7f, 0.0f, 0.7},
                        {{0.6f, 0, 0.8f}, 0.7f, 0.0f, 0.7},
                        {{0, 0, 2}, 1.0f, 1.0f, 0.0}};
    for (const Row& r : rows) {
        EXPECT_NEAR(computeIncidence(r.N, r.amount, r.power), r.want, 1e-6)
            << r.N.x << "," << r.N.y << "," << r.N.z << " power " << r.power;
    }
}

TEST(RimLight, DirectionAndEdge) {
    struct Row {
        Float3 N;
        double angleDeg;
        float power;
    };
    const float s = float(std::sqrt(0.5));
    const Row rows[] = {{{-1, 0, 0}, 0, 1},           {{1, 0, 0}, 0, 1},    {{0, 0, 1}, 0, 1},
                        {{0, -1, 0}, 90, 1},          {{0, 1, 0}, 90, 1},   {{-s, 0, s}, 0, 1},
                        {{-s, 0, s}, 0, 3},           {{-s, -s, 0}, 45, 2}, {{0.3f, -0.4f, 0.866f}, 250, 1.5f},
                        {{-0.6f, 0.0f, -0.8f}, 10, 1}};
    for (const Row& r : rows) {
        // Angle 0 lights the left edge (-x), 90 degrees the bottom (-y).
        double a = r.angleDeg * 3.14159265358979323846 / 180.0;
        double dir = std::clamp(-(r.N.x * std::cos(a) + r.N.y * std::sin(a)), 0.0, 1.0);
        double want = 0.8 * std::pow(std::clamp((1.0 - std::fabs(double(r.N.z))) * dir, 0.0, 1.0), double(r.power));
        EXPECT_NEAR(rimAt(r.N, 0.8f, r.power, 0.0f, float(a)), want, 2e-6)
            << r.N.x << "," << r.N.y << "," << r.N.z << " at " << r.angleDeg;
    }
}

TEST(RimLight, ThresholdRemap) {
    // An unnormalised N pointing left: edge 1 - N.z, directional 1.
    const struct {
        float z, threshold;
        double want;
    } rows[] = {
        {0.5f, 0.5f, 0.0},         {0.6f, 0.5f, 0.0},            // at and below the threshold: clamped, not negative
        {0.0f, 0.5f, 0.5 / 0.501}, {0.25f, 0.5f, 0.25 / 0.501},  // full rim never quite reaches 1
        {0.0f, 1.0f, 0.0},         {0.2f, 0.0f, 0.8},            // threshold 1 finite thanks to the 0.001; 0: no remap
    };
    for (const auto& r : rows) {
        EXPECT_NEAR(rimAt(Float3{-1, 0, r.z}, 1.0f, 1.0f, r.threshold, 0.0f), r.want, 1e-6)
            << r.z << " threshold " << r.threshold;
    }
}

TEST(IncidenceRimPass, ColourHonoursEnablesAmountsAndChannels) {
    FrameSettings fs{};
    fs.pass_type = PASS_INCIDENCE_RIM;
    fs.incidence_power = fs.rimlight_power = 1.0f;
    fs.incidence_r = 1.0f;  // pure red
    fs.rimlight_b = 1.0f;   // pure blue
    const Float3 side{-1, 0, 0}, L{0, 0, 1};
    struct Row {
        int incEnable;
        float incAmount;
        int rimEnable;
        float rimAmount;
        Float3 N, want;
    };
    const Row rows[] = {
        {1, 1.0f, 1, 0.5f, side, {1.0f, 0.0f, 0.5f}}, {1, 1.0f, 0, 0.5f, side, {1.0f, 0.0f, 0.0f}},
        {0, 1.0f, 1, 0.5f, side, {0.0f, 0.0f, 0.5f}}, {1, 0.0f, 1, 0.0f, side, {0.0f, 0.0f, 0.0f}},
        {0, 1.0f, 0, 0.5f, side, {0.0f, 0.0f, 0.0f}}, {1, 2.0f, 1, 2.0f, L, {0.0f, 0.0f, 0.0f}},  // facing: nothing
    };
    for (const Row& r : rows) {
        fs.incidence_enable = r.incEnable;
        fs.incidence_amount = r.incAmount;
        fs.rimlight_enable = r.rimEnable;
        fs.rimlight_amount = r.rimAmount;
        Float3 c = incidenceRimColor(r.N, IncidenceRimPassOf(fs));
        SCOPED_TRACE(&r - rows);  // row index
        EXPECT_EQ(c.x, r.want.x);
        EXPECT_EQ(c.y, r.want.y);
        EXPECT_EQ(c.z, r.want.z);
    }
}
