// morvel-render as a pipeline step: colour-managed layers give the frame the
// same layers pre-converted give, colour faults stop before any work, and
// --skip-existing leaves finished frames alone.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "ToolFixture.h"

namespace morvel::cli {
namespace {

float SrgbToLinear(float v) { return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f); }
float LinearToSrgb(float v) { return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f; }

class PipelineE2E : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        WriteDemoPasses(64, 36);
        // The albedo also stored sRGB-encoded, and that decoded by hand: what the tool should see.
        Image encoded = Read("Diffuse_Albedo.exr"), decoded = encoded;
        for (std::size_t i = 0; i < encoded.rgba.size(); ++i)
            if (i % 4 != 3) decoded.rgba[i] = SrgbToLinear(encoded.rgba[i] = LinearToSrgb(encoded.rgba[i]));
        WriteImage(Path("albedo_srgb.exr"), Frame{32, encoded});
        WriteImage(Path("albedo_decoded.exr"), Frame{32, decoded});
    }

    void WriteScene(const std::string& file, const std::string& albedo, const std::string& extra = "") {
        Write(file, "{" + extra + R"( "layers": {"input": )" + albedo + R"(, "Diffuse Albedo": )" + albedo + R"(,
            "Normal Map": "Normal_Map.exr", "Roughness": "Roughness.exr", "Metalness": "Metalness.exr"},
          "params": {"Source Blend": 0},
          "lights": [{"type": "point", "position": [20, 10, -60], "intensity": 120}, {"type": "ambient", "intensity": 10}]
        })");
    }
};

// The largest difference of two frames; with `decode`, of the first decoded against the
// second's colour channels where the second is at most 1.
float Worst(const Image& a, const Image& b, float (*decode)(float) = nullptr) {
    EXPECT_EQ(a.rgba.size(), b.rgba.size());
    float worst = 0;
    for (std::size_t i = 0; i < std::min(a.rgba.size(), b.rgba.size()); ++i)
        if (!decode)
            worst = std::max(worst, std::abs(a.rgba[i] - b.rgba[i]));
        else if (i % 4 != 3 && b.rgba[i] <= 1)
            worst = std::max(worst, std::abs(decode(a.rgba[i]) - b.rgba[i]));
    return worst;
}

TEST_F(PipelineE2E, EncodedLayerWithItsSpaceRendersAsTheDecodedLayer) {
    WriteScene("managed.json", R"({"file": "albedo_srgb.exr", "colorspace": "sRGB"})");
    WriteScene("decoded.json", R"("albedo_decoded.exr")");
    ASSERT_EQ(Run("managed.json -q -o managed.exr", "env -u OCIO"), 0) << log_;
    ASSERT_EQ(Run("decoded.json -q -o decoded.exr"), 0) << log_;
    const Image managed = Read("managed.exr"), decoded = Read("decoded.exr");
    EXPECT_LT(Worst(managed, decoded), 2e-3f);
    EXPECT_GT(std::accumulate(decoded.rgba.begin(), decoded.rgba.end(), 0.0f), 0.0f);

    // The output space encodes the frame: decoding it by hand gives the linear frame back.
    WriteScene("encoded_out.json", R"({"file": "albedo_srgb.exr", "colorspace": "sRGB"})",
               R"("output_colorspace": "sRGB",)");
    ASSERT_EQ(Run("encoded_out.json -q -o encoded_out.exr", "env -u OCIO"), 0) << log_;
    EXPECT_LT(Worst(Read("encoded_out.exr"), managed, SrgbToLinear), 2e-3f);
}

TEST_F(PipelineE2E, ColourFaultsStopBeforeRenderingAndDataSpacesWarn) {
    WriteScene("typo.json", R"({"file": "albedo_srgb.exr", "colorspace": "sRBG"})");
    EXPECT_EQ(Run("typo.json -q -o typo.exr", "env -u OCIO"), 2);
    EXPECT_NE(log_.find("typo.json: layers.input.colorspace: unknown colour space \"sRBG\""), std::string::npos)
        << log_;
    EXPECT_FALSE(std::filesystem::exists(Path("typo.exr")));

    Write("data.json", R"({"layers": {"input": "Diffuse_Albedo.exr",
        "Roughness": {"file": "Roughness.exr", "colorspace": "sRGB"}}})");
    EXPECT_EQ(Run("data.json -q -o data.exr", "env -u OCIO"), 0) << log_;
    EXPECT_NE(log_.find("warning: data.json: layers.Roughness.colorspace: Roughness holds data"), std::string::npos)
        << log_;
}

TEST_F(PipelineE2E, SkipExistingLeavesFinishedFramesAndRendersTheRest) {
    WriteScene("shot.json", R"("Diffuse_Albedo.exr")");
    Write("f.0001.png", "finished elsewhere");
    ASSERT_EQ(Run("shot.json --depth 8 --frames 0-2 --skip-existing -o f.####.png"), 0) << log_;
    EXPECT_NE(log_.find("1 of 3 frames exist already"), std::string::npos) << log_;
    EXPECT_EQ(Bytes("f.0001.png"), "finished elsewhere");
    EXPECT_EQ(Read("f.0000.png").width, 64);
    EXPECT_EQ(Read("f.0002.png").width, 64);
    // Everything there: nothing is rendered, and no temporary file is left.
    ASSERT_EQ(Run("shot.json --depth 8 --frames 0-2 --skip-existing -o f.####.png"), 0) << log_;
    EXPECT_NE(log_.find("3 of 3 frames exist already"), std::string::npos) << log_;
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        files += e.path().filename().string().rfind("f.", 0) == 0;
    EXPECT_EQ(files, 3u);
    // Without the option every frame is written again.
    ASSERT_EQ(Run("shot.json -q --depth 8 --frames 0-2 -o f.####.png"), 0) << log_;
    EXPECT_EQ(Read("f.0001.png").width, 64);
}

}  // namespace
}  // namespace morvel::cli
