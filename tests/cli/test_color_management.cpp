// Colour-managed layers and output: the spaces named are checked, layers convert to the working space and the frame to
// the output space by the config's transforms, data layers stay as stored, and a scene without colour spaces never
// consults a config.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <functional>

#include "ErrorOf.h"
#include "cli/ColorManagement.h"
#include "cli/SceneError.h"
#include "cli/SceneFile.h"

namespace morvel::cli {
namespace {

const std::string kGammaConfig = std::string(MORVEL_TEST_DATA) + "/gamma.ocio";

// sRGB's decoding, written out rather than taken from the library under test.
float SrgbToLinear(float v) { return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f); }

Image Ramp() {
    Image image(4, 2);
    for (int i = 0; i < 8; ++i) {
        float* p = image.rgba.data() + i * 4;
        p[0] = i / 7.0f, p[1] = 0.5f, p[2] = 1.0f - i / 7.0f, p[3] = 0.25f;
    }
    return image;
}

struct Env {
    Env(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~Env() { old_.empty() ? ::unsetenv(name_) : ::setenv(name_, old_.c_str(), 1); }
    const char* name_;
    std::string old_;
};

TEST(SceneColors, UnknownSpacesNameFileFieldAndTheKnownSpaces) {
    Env no_ocio("OCIO", nullptr);
    const std::tuple<const char*, std::string, std::vector<const char*>> cases[] = {
        {R"({"layers": {"input": {"file": "a.png", "colorspace": "sRBG"}}})",
         "",
         {"shot.json: layers.input.colorspace", "unknown colour space \"sRBG\"", "built-in", "sRGB", "linear"}},
        {R"({"output_colorspace": "ACEScg"})", "", {"shot.json: output_colorspace", "\"ACEScg\"", "Rec709"}},
        {R"({"working_colorspace": "sRGB", "layers": {"input": {"file": "a", "colorspace": "linear"}}})",
         kGammaConfig,
         {"shot.json: working_colorspace", "unknown colour space \"sRGB\"", "gamma.ocio", "lin, raw, gamma22"}},
        {R"({"output_colorspace": "lin"})",
         "/nonexistent/studio.ocio",
         {"/nonexistent/studio.ocio", "cannot read the colour config", "no such file"}},
        {R"({"output_colorspace": "lin"})", MORVEL_TEST_DATA, {"cannot read the colour config", "not a file"}},
        {R"({})", "/nonexistent/studio.ocio", {"/nonexistent/studio.ocio", "no such file"}},
    };
    for (const auto& [json, config, parts] : cases) {
        const std::string message = ErrorOf(
            [&, json = json, config = config] { SceneColors colors(ParseScene(json, "shot.json", ""), config); });
        for (const char* part : parts)
            EXPECT_NE(message.find(part), std::string::npos) << json << ": \"" << part << "\" not in: " << message;
    }
}

TEST(SceneColors, ColourLayersConvertToTheWorkingSpaceAndDataLayersStay) {
    Env no_ocio("OCIO", nullptr);
    const Scene scene = ParseScene(R"({"layers": {
        "input": {"file": "a.png", "colorspace": "sRGB"}, "Diffuse Albedo": "a.png",
        "Roughness": "r.png", "Metalness": {"file": "m.png", "colorspace": "sRGB"}}})",
                                   "shot.json", "");
    const SceneColors colors(scene, "");
    ASSERT_TRUE(colors.active());
    EXPECT_EQ(colors.working(), "linear");  // the built-in config's scene-linear role
    ASSERT_EQ(colors.warnings().size(), 1u);
    EXPECT_NE(colors.warnings()[0].find("shot.json: layers.Metalness.colorspace"), std::string::npos);
    EXPECT_NE(colors.warnings()[0].find("holds data"), std::string::npos);

    SceneImages images{scene,
                       {{"input", Ramp()}, {"Diffuse Albedo", Ramp()}, {"Roughness", Ramp()}, {"Metalness", Ramp()}}};
    colors.ConvertLayers(images);
    const Image ramp = Ramp();
    for (std::size_t i = 0; i < ramp.rgba.size(); ++i) {
        const float expected = i % 4 == 3 ? ramp.rgba[i] : SrgbToLinear(ramp.rgba[i]);
        EXPECT_NEAR(images.layers["input"].rgba[i], expected, 2e-4f) << i;
        EXPECT_NEAR(images.layers["Metalness"].rgba[i], expected, 2e-4f) << i;  // named, so converted
        EXPECT_EQ(images.layers["Diffuse Albedo"].rgba[i], ramp.rgba[i]) << i;
        EXPECT_EQ(images.layers["Roughness"].rgba[i], ramp.rgba[i]) << i;
    }
}

TEST(SceneColors, ConfigFromFileOrEnvironmentAndOutputInEveryDepth) {
    const Scene scene = ParseScene(R"({"output_colorspace": "gamma22",
        "layers": {"input": {"file": "a.png", "colorspace": "gamma22"}}})",
                                   "shot.json", "");
    for (const bool from_env : {false, true}) {
        Env ocio("OCIO", from_env ? kGammaConfig.c_str() : nullptr);
        const SceneColors colors(scene, from_env ? "" : kGammaConfig);
        EXPECT_EQ(colors.working(), "lin");
        SceneImages images{scene, {{"input", Ramp()}}};
        colors.ConvertLayers(images);
        EXPECT_NEAR(images.layers["input"].rgba[4 * 3], std::pow(3 / 7.0f, 2.2f), 1e-5f);

        for (const int depth : {8, 16, 32}) {
            const float white = depth == 8 ? 255 : depth == 16 ? 32768 : 1;
            Frame frame{depth, Image(1, 1)};
            const float linear = 0.2f;
            frame.pixels.rgba = {depth == 32 ? linear : std::round(linear * white), 0, white, white};
            colors.ConvertOutput(frame);
            const float in = depth == 32 ? linear : std::round(linear * white) / white;
            const float encoded = std::pow(in, 1 / 2.2f);
            EXPECT_NEAR(frame.pixels.rgba[0], depth == 32 ? encoded : std::round(encoded * white), 1e-4f) << depth;
            EXPECT_EQ(frame.pixels.rgba[1], 0) << depth;
            EXPECT_NEAR(frame.pixels.rgba[2], white, 1e-4f * white) << depth;
            EXPECT_EQ(frame.pixels.rgba[3], white) << depth;  // alpha untouched
        }
    }
}

// A broken $OCIO must not matter to a scene that names no colour space, and a config
// given changes none of its pixels.
TEST(SceneColors, WithoutColourSpacesNothingIsConverted) {
    Env ocio("OCIO", "/nonexistent/broken.ocio");
    const Scene scene = ParseScene(R"({"layers": {"input": {"file": "a.png"}}})", "shot.json", "");
    for (const std::string& config : {std::string(), kGammaConfig}) {
        SCOPED_TRACE(config);
        const SceneColors colors(scene, config);
        EXPECT_FALSE(colors.active());
        SceneImages images{scene, {{"input", Ramp()}}};
        colors.ConvertLayers(images);
        EXPECT_EQ(images.layers["input"].rgba, Ramp().rgba);
        for (const int depth : {8, 32}) {
            Frame frame{depth, Ramp()};
            colors.ConvertOutput(frame);
            EXPECT_EQ(frame.pixels.rgba, Ramp().rgba) << depth;
        }
    }
}

}  // namespace
}  // namespace morvel::cli
