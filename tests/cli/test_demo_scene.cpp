// The built-in demo: passes that decode to what the effect expects, without files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "cli/DemoScene.h"

namespace morvel::cli {
namespace {

// The lowest and highest red value of an image.
std::pair<float, float> RedRange(const Image& img) {
    std::pair<float, float> r{img.rgba[0], img.rgba[0]};
    for (std::size_t i = 0; i < img.rgba.size(); i += 4)
        r = {std::min(r.first, img.rgba[i]), std::max(r.second, img.rgba[i])};
    return r;
}

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
    for (std::size_t i = 0; i < n.rgba.size(); i += 4) {
        const double nx = 2 * n.rgba[i] - 1, ny = 2 * n.rgba[i + 1] - 1, nz = 2 * n.rgba[i + 2] - 1;
        ASSERT_NEAR(std::sqrt(nx * nx + ny * ny + nz * nz), 1.0, 1e-5) << "pixel " << i / 4;
        ASSERT_GE(nz, 0.0) << "pixel " << i / 4;
    }
    // Materials vary: both metals and dielectrics, smooth and rough.
    EXPECT_EQ(RedRange(demo.layers.at("Metalness")), (std::pair<float, float>{0.0f, 1.0f}));
    const auto [min_r, max_r] = RedRange(demo.layers.at("Roughness"));
    EXPECT_LT(min_r, 0.1f);
    EXPECT_GT(max_r, 0.7f);
    // Lights of different kinds.
    ASSERT_GE(demo.scene.lights.size(), 2u);
    EXPECT_NE(demo.scene.lights[0].type, demo.scene.lights[1].type);
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

}  // namespace
}  // namespace morvel::cli
