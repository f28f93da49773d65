// The image plugin: what a path that is no plugin reports, one plugin however
// many threads ask for it at once, and morvel-render without it: files and
// colour spaces that need it fail naming where it was looked for, before any work.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <latch>
#include <thread>

#include "ErrorOf.h"
#include "ToolFixture.h"
#include "cli/ImagePlugin.h"

namespace morvel::cli {
namespace {

class ImagePluginTest : public ToolTest {
protected:
    // A 3 x 2 8-bit RGBA PNG whose every value is `base` + its index, written without the plugin.
    void WritePng(const std::string& name, unsigned char base) const {
        std::vector<unsigned char> levels(3 * 2 * 4);
        for (std::size_t i = 0; i < levels.size(); ++i) levels[i] = static_cast<unsigned char>(base + i);
        OIIO::ImageSpec spec(3, 2, 4, OIIO::TypeDesc::UINT8);
        spec.attribute("oiio:UnassociatedAlpha", 1);  // as stored, alpha not divided out
        auto out = OIIO::ImageOutput::create(name);
        ASSERT_TRUE(out && out->open(Path(name), spec)) << OIIO::geterror();
        ASSERT_TRUE(out->write_image(OIIO::TypeDesc::UINT8, levels.data()));
        ASSERT_TRUE(out->close());
    }
};

TEST_F(ImagePluginTest, PathsThatAreNoPluginNameThemselvesAndWhy) {
    Write("empty.so", "");
    Write("text.so", std::string(200, 'x'));
    std::filesystem::create_directories(dir_ / "folder.so");
    const struct {
        std::string path, why;
    } cases[] = {
        {Path("absent/morvel-oiio.so"), "no such file"},
        {Path("empty.so"), "file too short"},
        {Path("text.so"), "invalid ELF header"},
        {Path("folder.so"), "Is a directory"},
        // A real shared library, but not an image plugin.
        {MORVEL_MODULE_PATH, "not an image plugin"},
    };
    for (const auto& c : cases) {
        const std::string error = ErrorOf([&] { LoadImagePlugin({c.path}, "a.png: reading .png files"); });
        EXPECT_EQ(error.rfind("a.png: reading .png files needs the image plugin morvel-oiio.so", 0), 0u) << error;
        EXPECT_NE(error.find("\n  " + c.path + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
    // Every path tried is named in order, and nothing at all to try says so.
    const std::string both = ErrorOf([&] { LoadImagePlugin({Path("empty.so"), Path("text.so")}, "x"); });
    EXPECT_LT(both.find(Path("empty.so")), both.find(Path("text.so"))) << both;
    EXPECT_NE(ErrorOf([] { LoadImagePlugin({}, "x"); }).find("nowhere to look"), std::string::npos);
}

TEST_F(ImagePluginTest, BrokenCandidatesAreSkippedForAWorkingOne) {
    Write("text.so", "not a shared library\n");
    ImageLibrary& library = LoadImagePlugin({Path("absent.so"), Path("text.so"), MORVEL_IMAGE_PLUGIN_PATH}, "x");
    WritePng("a.png", 10);
    const Image image = library.Read(ReadRequest{Path("a.png"), Path("a.png"), "", std::nullopt, nullptr, 0, 1 << 20});
    EXPECT_EQ(image.width, 3);
    EXPECT_FLOAT_EQ(image.rgba[5], 15 / 255.0f);
}

TEST(ImagePluginCandidates, BesideThisProgramThenTheBuildTreeUnlessOneIsNamed) {
    ::unsetenv("MORVEL_IMAGE_PLUGIN");
    const auto found = ImagePluginCandidates();
    ASSERT_GE(found.size(), 2u);
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    EXPECT_EQ(found.front(), (self.parent_path() / kImagePluginFile).string());
    EXPECT_EQ(found.back(), std::filesystem::path(MORVEL_IMAGE_PLUGIN_PATH).lexically_normal().string());
    ::setenv("MORVEL_IMAGE_PLUGIN", "/opt/x/morvel-oiio.so", 1);
    EXPECT_EQ(ImagePluginCandidates(), std::vector<std::string>{"/opt/x/morvel-oiio.so"});
    ::unsetenv("MORVEL_IMAGE_PLUGIN");
}

// Layers are decoded on several threads, so the first files to need the plugin may ask for it at once.
TEST_F(ImagePluginTest, ThreadsThatNeedItAtOnceShareOnePlugin) {
    constexpr int kThreads = 4;
    for (int t = 0; t < kThreads; ++t) WritePng(std::to_string(t) + ".png", static_cast<unsigned char>(40 * t));
    std::latch start(kThreads);
    std::vector<const ImageLibrary*> seen(kThreads);
    std::vector<Image> images(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            images[t] = Read(std::to_string(t) + ".png");
            seen[t] = &ImagePlugin("test");
        });
    for (auto& t : threads) t.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(seen[t], seen[0]);
        ASSERT_EQ(images[t].rgba.size(), 24u);
        EXPECT_FLOAT_EQ(images[t].rgba[23], (40 * t + 23) / 255.0f) << t;
    }
}

TEST_F(ImagePluginTest, WithoutThePluginFilesAndSpacesThatNeedItFailNamingWhereItWasLooked) {
    WriteDemoPasses(32, 18);
    WritePng("albedo.png", 100);
    const std::string lights = R"("lights": [{"type": "point", "position": [16, 9, -40]}])";
    Write("png_layer.json", R"({"layers": {"input": "input.exr", "Diffuse Albedo": "albedo.png"}, )" + lights + "}");
    Write("spaces.json", R"({"working_colorspace": "linear", "layers": {"input": "input.exr"}, )" + lights + "}");
    Write("plain.json", R"({"layers": {"input": "input.exr"}, )" + lights + "}");
    const std::string absent = Path("absent/morvel-oiio.so");
    const struct {
        std::string args, needs;
    } cases[] = {
        {"png_layer.json -q -o out.exr", "albedo.png: reading .png files needs the image plugin"},
        {"spaces.json -q -o out.exr", "spaces.json: converting colour spaces needs the image plugin"},
        {"plain.json -q -o out.tif", "out.tif: writing .tif files needs the image plugin"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args, "env MORVEL_IMAGE_PLUGIN='" + absent + "'"), 2) << c.args << "\n" << log_;
        EXPECT_NE(log_.find(c.needs), std::string::npos) << c.args << "\n" << log_;
        EXPECT_NE(log_.find(absent + ": no such file"), std::string::npos) << c.args << "\n" << log_;
        EXPECT_FALSE(std::filesystem::exists(Path("out.exr")) || std::filesystem::exists(Path("out.tif"))) << c.args;
    }
    // EXR in and out needs nothing from it.
    ASSERT_EQ(Run("plain.json -q -o out.exr", "env MORVEL_IMAGE_PLUGIN='" + absent + "'"), 0) << log_;
    EXPECT_EQ(Read("out.exr").width, 32);
}

}  // namespace
}  // namespace morvel::cli
