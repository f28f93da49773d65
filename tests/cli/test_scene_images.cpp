// Loading a scene's layer files: a file named by several layers (under any
// spelling of its path) is decoded once, distinct files are never confused,
// the result is the same bits on one thread or many, and a failing file is
// named, the same one every time, without a crash or a hang.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli/Images.h"
#include "cli/SceneError.h"
#include "cli/SceneImages.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

class SceneImagesTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // An image whose every value tells which seed made it.
    Image Pattern(int seed, int w = 29, int h = 17) {
        Image img(w, h);
        for (std::size_t i = 0; i < img.rgba.size(); ++i) img.rgba[i] = float(seed) + float(i % 1009) / 1024.0f;
        return img;
    }
    void Write(const std::string& name, int seed) { WriteImage(Path(name), Frame{32, Pattern(seed)}); }

    Scene SceneOf(const std::vector<std::pair<std::string, std::string>>& layers) {
        Scene s;
        s.file = Path("shot.json");
        for (const auto& [layer, path] : layers) s.layers.push_back({layer, path, ""});
        return s;
    }

    static bool SameBits(const Image& a, const Image& b) {
        return a.width == b.width && a.height == b.height && a.rgba.size() == b.rgba.size() &&
               std::memcmp(a.rgba.data(), b.rgba.data(), a.rgba.size() * sizeof(float)) == 0;
    }

    fs::path dir_ = fs::temp_directory_path() / ("morvel_scene_images_" + std::to_string(::getpid()));
};

TEST_F(SceneImagesTest, AFileNamedByManyLayersIsDecodedOnce) {
    Write("albedo.exr", 1);
    Write("normal.exr", 2);
    fs::create_symlink(Path("albedo.exr"), Path("linked.exr"));
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> layers;
        std::size_t decodes;
    };
    const Case cases[] = {
        {"same path", {{"input", Path("albedo.exr")}, {"Diffuse Albedo", Path("albedo.exr")}}, 1},
        {"other spelling", {{"input", Path("albedo.exr")}, {"Diffuse Albedo", dir_.string() + "/./albedo.exr"}}, 1},
        {"link", {{"input", Path("linked.exr")}, {"Diffuse Albedo", Path("albedo.exr")}}, 1},
        {"three layers, two files",
         {{"input", Path("albedo.exr")}, {"Normal Map", Path("normal.exr")}, {"Diffuse Albedo", Path("albedo.exr")}},
         2},
    };
    for (const auto& c : cases) {
        LoadStats stats;
        const SceneImages loaded = LoadSceneImages(SceneOf(c.layers), 0, &stats);
        EXPECT_EQ(stats.files_decoded, c.decodes) << c.what;
        ASSERT_EQ(loaded.layers.size(), c.layers.size()) << c.what;
        for (const auto& [layer, path] : c.layers)
            EXPECT_TRUE(SameBits(loaded.layers.at(layer), Pattern(path.find("normal") != std::string::npos ? 2 : 1)))
                << c.what << ": " << layer;
    }
}

// Frame-numbered names and layers of one multi-layer file are different images.
TEST_F(SceneImagesTest, DistinctFilesAndLayersAreNeverConfused) {
    Write("beauty.0001.exr", 1);
    Write("beauty.0002.exr", 2);
    {
        // Two named layers in one file.
        const Image a = Pattern(3), b = Pattern(4);
        Image both(a.width, a.height);
        both.rgba.resize(a.rgba.size() * 2);
        auto out = OIIO::ImageOutput::create("exr");
        OIIO::ImageSpec spec(a.width, a.height, 8, OIIO::TypeDesc::FLOAT);
        spec.channelnames = {"a.R", "a.G", "a.B", "a.A", "b.R", "b.G", "b.B", "b.A"};
        for (std::size_t p = 0; p < a.rgba.size() / 4; ++p)
            for (int c = 0; c < 4; ++c) {
                both.rgba[p * 8 + c] = a.rgba[p * 4 + c];
                both.rgba[p * 8 + 4 + c] = b.rgba[p * 4 + c];
            }
        ASSERT_TRUE(out->open(Path("layers.exr"), spec));
        ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, both.rgba.data()));
        out->close();
    }
    LoadStats stats;
    const SceneImages loaded = LoadSceneImages(SceneOf({{"input", Path("beauty.0001.exr")},
                                                        {"Diffuse Albedo", Path("beauty.0002.exr")},
                                                        {"Normal Map", Path("layers.exr#a")},
                                                        {"Roughness", Path("layers.exr#b")}}),
                                               0, &stats);
    EXPECT_EQ(stats.files_decoded, 4u);
    EXPECT_TRUE(SameBits(loaded.layers.at("input"), Pattern(1)));
    EXPECT_TRUE(SameBits(loaded.layers.at("Diffuse Albedo"), Pattern(2)));
    EXPECT_TRUE(SameBits(loaded.layers.at("Normal Map"), Pattern(3)));
    EXPECT_TRUE(SameBits(loaded.layers.at("Roughness"), Pattern(4)));
}

TEST_F(SceneImagesTest, OneThreadOrManyGiveTheSameBits) {
    std::vector<std::pair<std::string, std::string>> layers;
    const char* names[] = {"input", "Diffuse Albedo", "Normal Map", "Roughness", "Metalness", "Specular Albedo"};
    for (int i = 0; i < 6; ++i) {
        // Cropped and uncropped files, so both ways of placing pixels are covered.
        Frame f{32, Pattern(10 + i, 31 + i, 19)};
        if (i % 2) f.pixels.data_window = Window{2, 3, 20, 9};
        const std::string file = Path(std::to_string(i) + ".exr");
        WriteImage(file, f);
        layers.push_back({names[i], file});
    }
    layers.push_back({"HDRI", Path("0.exr")});
    const SceneImages one = LoadSceneImages(SceneOf(layers), 1);
    for (int workers : {2, 3, 8}) {
        const SceneImages many = LoadSceneImages(SceneOf(layers), workers);
        ASSERT_EQ(many.layers.size(), one.layers.size());
        for (const auto& [name, image] : one.layers) {
            EXPECT_TRUE(SameBits(many.layers.at(name), image)) << workers << " threads: " << name;
            EXPECT_EQ(many.layers.at(name).data_window, image.data_window) << name;
        }
    }
}

TEST_F(SceneImagesTest, TheFirstFailingLayerInSceneOrderIsNamedOnAnyThreadCount) {
    Write("good.exr", 1);
    std::ofstream(Path("damaged.exr")) << "v/1\x01 not an image at all";
    {
        // A real file cut short.
        WriteImage(Path("whole.exr"), Frame{32, Pattern(5, 300, 200)});
        std::ifstream in(Path("whole.exr"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(Path("cut.exr"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    fs::create_directories(Path("folder.exr"));
    struct Case {
        std::vector<std::pair<std::string, std::string>> layers;
        std::string layer, file;  // the one the message must name
    };
    const Case cases[] = {
        {{{"input", Path("good.exr")}, {"Normal Map", Path("missing.exr")}, {"Roughness", Path("damaged.exr")}},
         "Normal Map",
         "missing.exr"},
        {{{"input", Path("damaged.exr")}, {"Normal Map", Path("missing.exr")}, {"Roughness", Path("good.exr")}},
         "input",
         "damaged.exr"},
        {{{"input", Path("good.exr")}, {"Metalness", Path("cut.exr")}, {"Roughness", Path("folder.exr")}},
         "Metalness",
         "cut.exr"},
        {{{"input", Path("good.exr")}, {"Roughness", Path("folder.exr")}, {"Metalness", Path("cut.exr")}},
         "Roughness",
         "folder.exr"},
    };
    for (const auto& c : cases)
        for (int workers : {1, 2, 3, 8})
            for (int repeat = 0; repeat < 5; ++repeat) {
                try {
                    LoadSceneImages(SceneOf(c.layers), workers);
                    ADD_FAILURE() << c.file << ": loaded";
                } catch (const SceneError& e) {
                    const std::string m = e.what();
                    EXPECT_EQ(m.rfind(Path("shot.json") + ": layers." + c.layer + ": " + Path(c.file), 0), 0u)
                        << workers << " threads: " << m;
                }
            }
}

TEST(DecodeWorkers, OneAFileUpToTheCoresAndNeverAboveSixteen) {
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const std::pair<std::size_t, int> cases[] = {
        {0, 1}, {1, 1}, {2, std::min(2, cores)}, {8, std::min(8, cores)}, {1000, std::min(16, cores)}};
    for (const auto& [files, workers] : cases) EXPECT_EQ(DecodeWorkers(files), workers) << files << " files";
}

}  // namespace
}  // namespace morvel::cli
