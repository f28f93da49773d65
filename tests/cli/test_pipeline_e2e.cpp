// morvel-render as a pipeline step: colour-managed layers give the frame the
// same layers pre-converted give, a scene without colour spaces is untouched
// by any config, and --skip-existing leaves finished frames alone.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/DemoScene.h"
#include "cli/Images.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

float SrgbToLinear(float v) { return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f); }
float LinearToSrgb(float v) { return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f; }

std::string Bytes(const fs::path& file) {
    std::stringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

class PipelineE2E : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_);
        // The demo's passes, small; the albedo also stored sRGB-encoded.
        for (const auto& [name, image] : MakeDemoScene(64, 36).layers) {
            std::string file = name;
            for (char& c : file)
                if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
            WriteImage((dir_ / (file + ".exr")).string(), Frame{32, image});
            if (name != "Diffuse Albedo") continue;
            Image encoded = image;
            for (std::size_t i = 0; i < encoded.rgba.size(); ++i)
                if (i % 4 != 3) encoded.rgba[i] = LinearToSrgb(encoded.rgba[i]);
            WriteImage((dir_ / "albedo_srgb.exr").string(), Frame{32, encoded});
            // What the tool should see after decoding: the encoded file decoded by hand.
            for (std::size_t i = 0; i < encoded.rgba.size(); ++i)
                if (i % 4 != 3) encoded.rgba[i] = SrgbToLinear(encoded.rgba[i]);
            WriteImage((dir_ / "albedo_decoded.exr").string(), Frame{32, encoded});
        }
    }
    void TearDown() override { fs::remove_all(dir_); }

    void WriteScene(const std::string& file, const std::string& albedo, const std::string& extra = "") {
        std::ofstream(dir_ / file) << R"({)" << extra << R"( "layers": {"input": )" << albedo
                                   << R"(, "Diffuse Albedo": )" << albedo << R"(,
            "Normal Map": "Normal_Map.exr", "Roughness": "Roughness.exr", "Metalness": "Metalness.exr"},
          "params": {"Source Blend": 0},
          "lights": [{"type": "point", "position": [20, 10, -60], "intensity": 120}, {"type": "ambient", "intensity": 10}]
        })";
    }

    int Run(const std::string& args, const std::string& env = "") {
        const std::string cmd =
            "cd '" + dir_.string() + "' && " + env + " '" MORVEL_RENDER_PATH "' " + args + " > tool.log 2>&1";
        const int raw = std::system(cmd.c_str());
        std::stringstream text;
        text << std::ifstream(dir_ / "tool.log").rdbuf();
        log_ = text.str();
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    fs::path dir_ = fs::temp_directory_path() / ("morvel_pipeline_" + std::to_string(::getpid()) + "_" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string log_;
};

TEST_F(PipelineE2E, EncodedLayerWithItsSpaceRendersAsTheDecodedLayer) {
    WriteScene("managed.json", R"({"file": "albedo_srgb.exr", "colorspace": "sRGB"})");
    WriteScene("decoded.json", R"("albedo_decoded.exr")");
    ASSERT_EQ(Run("managed.json -q -o managed.exr", "env -u OCIO"), 0) << log_;
    ASSERT_EQ(Run("decoded.json -q -o decoded.exr"), 0) << log_;
    const Image a = ReadImage((dir_ / "managed.exr").string()), b = ReadImage((dir_ / "decoded.exr").string());
    ASSERT_EQ(a.rgba.size(), b.rgba.size());
    float worst = 0, sum = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        worst = std::max(worst, std::abs(a.rgba[i] - b.rgba[i]));
        sum += b.rgba[i];
    }
    EXPECT_LT(worst, 2e-3f);
    EXPECT_GT(sum, 0.0f);

    // The output space encodes the frame: decoding it by hand gives the linear frame back.
    WriteScene("encoded_out.json", R"({"file": "albedo_srgb.exr", "colorspace": "sRGB"})",
               R"("output_colorspace": "sRGB",)");
    ASSERT_EQ(Run("encoded_out.json -q -o encoded_out.exr", "env -u OCIO"), 0) << log_;
    const Image c = ReadImage((dir_ / "encoded_out.exr").string());
    ASSERT_EQ(c.rgba.size(), a.rgba.size());
    worst = 0;
    for (std::size_t i = 0; i < c.rgba.size(); ++i)
        if (i % 4 != 3 && a.rgba[i] <= 1) worst = std::max(worst, std::abs(SrgbToLinear(c.rgba[i]) - a.rgba[i]));
    EXPECT_LT(worst, 2e-3f);
}

TEST_F(PipelineE2E, WithoutColourSpacesTheFrameIsByteIdenticalWhateverTheConfig) {
    WriteScene("plain.json", R"("Diffuse_Albedo.exr")");
    WriteScene("object.json", R"({"file": "Diffuse_Albedo.exr"})");
    ASSERT_EQ(Run("plain.json -q --depth 16 -o plain.png", "env -u OCIO"), 0) << log_;
    ASSERT_EQ(Run("object.json -q --depth 16 -o object.png", "OCIO=/nonexistent.ocio"), 0) << log_;
    ASSERT_EQ(Run("plain.json -q --depth 16 -o config.png --colorconfig " MORVEL_TEST_DATA "/gamma.ocio"), 0) << log_;
    const std::string plain = Bytes(dir_ / "plain.png");
    EXPECT_GT(plain.size(), 100u);
    EXPECT_EQ(Bytes(dir_ / "object.png"), plain);
    EXPECT_EQ(Bytes(dir_ / "config.png"), plain);
}

TEST_F(PipelineE2E, ColourFaultsStopBeforeRenderingAndDataSpacesWarn) {
    WriteScene("typo.json", R"({"file": "albedo_srgb.exr", "colorspace": "sRBG"})");
    EXPECT_EQ(Run("typo.json -q -o typo.exr", "env -u OCIO"), 2);
    EXPECT_NE(log_.find("typo.json: layers.input.colorspace: unknown colour space \"sRBG\""), std::string::npos)
        << log_;
    EXPECT_NE(log_.find("sRGB"), std::string::npos) << log_;
    EXPECT_FALSE(fs::exists(dir_ / "typo.exr"));

    std::ofstream(dir_ / "data.json") << R"({"layers": {"input": "Diffuse_Albedo.exr",
        "Roughness": {"file": "Roughness.exr", "colorspace": "sRGB"}}})";
    EXPECT_EQ(Run("data.json -q -o data.exr", "env -u OCIO"), 0) << log_;
    EXPECT_NE(log_.find("warning: data.json: layers.Roughness.colorspace: Roughness holds data"), std::string::npos)
        << log_;
}

TEST_F(PipelineE2E, SkipExistingLeavesFinishedFramesAndRendersTheRest) {
    WriteScene("shot.json", R"("Diffuse_Albedo.exr")");
    std::ofstream(dir_ / "f.0001.png") << "finished elsewhere";
    ASSERT_EQ(Run("shot.json --depth 8 --frames 0-2 --skip-existing -o f.####.png"), 0) << log_;
    EXPECT_NE(log_.find("1 of 3 frames exist already"), std::string::npos) << log_;
    EXPECT_EQ(Bytes(dir_ / "f.0001.png"), "finished elsewhere");
    EXPECT_EQ(ReadImage((dir_ / "f.0000.png").string()).width, 64);
    EXPECT_EQ(ReadImage((dir_ / "f.0002.png").string()).width, 64);
    // Everything there: nothing is rendered, and no temporary file is left.
    ASSERT_EQ(Run("shot.json --depth 8 --frames 0-2 --skip-existing -o f.####.png"), 0) << log_;
    EXPECT_NE(log_.find("3 of 3 frames exist already"), std::string::npos) << log_;
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir_)) files += e.path().filename().string().rfind("f.", 0) == 0;
    EXPECT_EQ(files, 3u);
    // Without the option every frame is written again.
    ASSERT_EQ(Run("shot.json -q --depth 8 --frames 0-2 -o f.####.png"), 0) << log_;
    EXPECT_EQ(ReadImage((dir_ / "f.0001.png").string()).width, 64);
}

}  // namespace
}  // namespace morvel::cli
