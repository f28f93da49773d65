// The built-in demo: passes that decode to what the effect expects, without files.
#include <gtest/gtest.h>

#include <cmath>

#include "cli/DemoScene.h"

namespace morvel::cli {
namespace {

TEST(DemoScene, PassesAreCompleteAndConsistent) {
    const SceneImages demo = MakeDemoScene(320, 180);
    for (const auto& layer : demo.scene.layers) {
        ASSERT_TRUE(demo.layers.count(layer.name)) << layer.name;
        EXPECT_TRUE(layer.path.empty()) << "the demo reads no files: " << layer.name;
    }
    for (const char* name : {"input", "Diffuse Albedo", "Normal Map", "Roughness", "Metalness", "Specular Albedo"}) {
        const Image& img = demo.layers.at(name);
        EXPECT_EQ(img.width, 320) << name;
        EXPECT_EQ(img.height, 180) << name;
        for (float v : img.rgba) ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << name << " holds " << v;
    }
    // Every normal decodes to unit length and faces the viewer.
    const Image& n = demo.layers.at("Normal Map");
    for (int y = 0; y < n.height; ++y)
        for (int x = 0; x < n.width; ++x) {
            const float* p = n.At(x, y);
            const double nx = 2 * p[0] - 1, ny = 2 * p[1] - 1, nz = 2 * p[2] - 1;
            ASSERT_NEAR(std::sqrt(nx * nx + ny * ny + nz * nz), 1.0, 1e-5) << x << "," << y;
            ASSERT_GE(nz, 0.0) << x << "," << y;
        }
    // Materials vary: both metals and dielectrics, smooth and rough.
    const Image& m = demo.layers.at("Metalness");
    const Image& r = demo.layers.at("Roughness");
    float min_m = 1, max_m = 0, min_r = 1, max_r = 0;
    for (std::size_t i = 0; i < m.rgba.size(); i += 4) {
        min_m = std::min(min_m, m.rgba[i]), max_m = std::max(max_m, m.rgba[i]);
        min_r = std::min(min_r, r.rgba[i]), max_r = std::max(max_r, r.rgba[i]);
    }
    EXPECT_EQ(min_m, 0.0f);
    EXPECT_EQ(max_m, 1.0f);
    EXPECT_LT(min_r, 0.1f);
    EXPECT_GT(max_r, 0.7f);
}

TEST(DemoScene, SkyIsBrightAboveDarkBelowWithASunFarAboveOne) {
    const Image sky = MakeSkyHdri(256, 128);
    auto luma = [&](int x, int y) {
        const float* p = sky.At(x, y);
        return 0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2];
    };
    EXPECT_GT(luma(10, 40), luma(10, 120));  // sky above the ground
    float peak = 0;
    for (int y = 0; y < sky.height; ++y)
        for (int x = 0; x < sky.width; ++x) peak = std::max(peak, luma(x, y));
    EXPECT_GT(peak, 20.0f);
}

TEST(DemoScene, LightsAreOfDifferentKinds) {
    const SceneImages demo = MakeDemoScene(128, 72);
    ASSERT_GE(demo.scene.lights.size(), 2u);
    EXPECT_NE(demo.scene.lights[0].type, demo.scene.lights[1].type);
}

}  // namespace
}  // namespace morvel::cli
