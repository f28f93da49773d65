// Image files: every depth survives the writer and reader exactly; the
// layer conversion rounds as the host does; alpha is never premultiplied;
// formats that cannot hold a depth are refused.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cli/Images.h"
#include "cli/PixelDepth.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("morvel_images_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

// Every level of the depth across the pixels of an odd-sized frame, alpha included.
Frame AllLevels(int depth) {
    const int levels = depth == 8 ? 256 : 32769;
    Frame f{depth, Image(37, levels / (37 * 4) + 1)};
    for (std::size_t i = 0; i < f.pixels.rgba.size(); ++i) f.pixels.rgba[i] = float((i * 7) % levels);
    return f;
}

TEST_F(ImagesTest, IntegerDepthsRoundTripThroughEveryFormatThatHoldsThem) {
    const std::pair<int, const char*> cases[] = {{8, "png"}, {8, "tif"}, {16, "png"}, {16, "tif"}};
    for (const auto& [depth, ext] : cases) {
        const Frame f = AllLevels(depth);
        const std::string path = Path("levels." + std::string(ext));
        WriteImage(path, f);
        const Image back = ReadImage(path);
        ASSERT_EQ(back.width, f.pixels.width);
        ASSERT_EQ(back.height, f.pixels.height);
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < back.rgba.size(); ++i)
            mismatches += ToDepth(back.rgba[i], depth) != f.pixels.rgba[i];
        EXPECT_EQ(mismatches, 0u) << depth << "-bit " << ext;
    }
}

TEST_F(ImagesTest, SixteenBitIsStoredScaledToFullRange) {
    Frame f{16, Image(2, 1)};
    f.pixels.rgba = {0, 16384, 32768, 32768, 1, 2, 3, 32768};
    WriteImage(Path("w.png"), f);
    auto in = OIIO::ImageInput::open(Path("w.png"));
    ASSERT_TRUE(in);
    std::vector<uint16_t> raw(8);
    ASSERT_TRUE(in->read_image(0, 0, 0, 4, OIIO::TypeDesc::UINT16, raw.data()));
    EXPECT_EQ(raw, (std::vector<uint16_t>{0, 32768, 65535, 65535, 2, 4, 6, 65535}));
}

TEST_F(ImagesTest, FloatRoundTripsExactlyIncludingValuesAboveOne) {
    for (const char* ext : {"exr", "tif"}) {
        Frame f{32, Image(5, 3)};
        for (std::size_t i = 0; i < f.pixels.rgba.size(); ++i) f.pixels.rgba[i] = float(i) * 0.37f - 2.0f;
        WriteImage(Path(std::string("f.") + ext), f);
        EXPECT_EQ(ReadImage(Path(std::string("f.") + ext)).rgba, f.pixels.rgba) << ext;
    }
}

TEST_F(ImagesTest, AlphaIsNeverAssociatedOrDissociated) {
    Frame f{8, Image(1, 1)};
    f.pixels.rgba = {200, 100, 50, 64};  // colour brighter than alpha would clip if divided
    WriteImage(Path("a.png"), f);
    const Image back = ReadImage(Path("a.png"));
    EXPECT_EQ(ToDepth(back.rgba[0], 8), 200);
    EXPECT_EQ(ToDepth(back.rgba[1], 8), 100);
    EXPECT_EQ(ToDepth(back.rgba[2], 8), 50);
    EXPECT_EQ(ToDepth(back.rgba[3], 8), 64);
}

TEST_F(ImagesTest, FormatsThatCannotHoldTheDepthAreErrors) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"o.png", 32, "PNG cannot hold 32-bit pixels"},
        {"o.exr", 8, "EXR cannot hold 8-bit pixels"},
        {"o.exr", 16, "EXR cannot hold 16-bit"},
        {"o.jpg", 16, "JPEG cannot hold 16-bit"},
        {"o.bmp", 8, "unsupported output format \".bmp\""},
    };
    for (const auto& [name, depth, part] : cases) {
        try {
            WriteImage(Path(name), Frame{depth, Image(1, 1)});
            ADD_FAILURE() << name << " " << depth << ": no error";
        } catch (const SceneError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(Path(name)));
    }
}

TEST(PixelDepth, LayerLevelsRoundHalfAwayFromZeroAndClamp) {
    struct Case {
        float v;
        int depth;
        float level;
    };
    const Case cases[] = {
        {0.5f / 255, 8, 1},    {1.49f / 255, 8, 1}, {1.0f, 8, 255},    {1.7f, 8, 255},
        {-0.2f, 8, 0},         {0.5f, 16, 16384},   {1.0f, 16, 32768}, {2.0f, 16, 32768},
        {0.5f / 32768, 16, 1}, {-1.0f, 16, 0},      {2.5f, 32, 2.5f},  {-0.25f, 32, -0.25f},
    };
    for (const auto& c : cases) EXPECT_EQ(ToDepth(c.v, c.depth), c.level) << c.v << " at " << c.depth;
}

TEST_F(ImagesTest, GreyAndAlphaFreeFilesExpandToRgba) {
    auto out = OIIO::ImageOutput::create("g.png");
    OIIO::ImageSpec spec(2, 1, 1, OIIO::TypeDesc::UINT8);
    ASSERT_TRUE(out->open(Path("g.png"), spec));
    const uint8_t grey[2] = {0, 255};
    ASSERT_TRUE(out->write_image(OIIO::TypeDesc::UINT8, grey));
    out->close();
    EXPECT_EQ(ReadImage(Path("g.png")).rgba, (std::vector<float>{0, 0, 0, 1, 1, 1, 1, 1}));
}

TEST_F(ImagesTest, MultiLayerExrLayersAreChosenByName) {
    OIIO::ImageSpec spec(1, 1, 8, OIIO::TypeDesc::FLOAT);
    spec.channelnames = {"diffuse.R", "diffuse.G", "diffuse.B", "diffuse.A",
                         "normal.R",  "normal.G",  "normal.B",  "normal.A"};
    spec.alpha_channel = -1;
    const float px[8] = {0.1f, 0.2f, 0.3f, 1.0f, 0.5f, 0.6f, 0.7f, 0.8f};
    auto out = OIIO::ImageOutput::create("p.exr");
    ASSERT_TRUE(out->open(Path("p.exr"), spec));
    ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, px));
    out->close();
    EXPECT_EQ(ReadImage(Path("p.exr#normal")).rgba, (std::vector<float>{0.5f, 0.6f, 0.7f, 0.8f}));
    EXPECT_EQ(ReadImage(Path("p.exr#diffuse")).rgba, (std::vector<float>{0.1f, 0.2f, 0.3f, 1.0f}));
    try {
        ReadImage(Path("p.exr#specular"));
        ADD_FAILURE() << "no error";
    } catch (const SceneError& e) {
        EXPECT_NE(std::string(e.what()).find("no layer \"specular\""), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("diffuse, normal"), std::string::npos) << e.what();
    }
}

TEST_F(ImagesTest, MultiPartExrPartsAreChosenByName) {
    OIIO::ImageSpec specs[2] = {OIIO::ImageSpec(1, 1, 4, OIIO::TypeDesc::HALF),
                                OIIO::ImageSpec(1, 1, 4, OIIO::TypeDesc::HALF)};
    specs[0].attribute("name", "beauty");
    specs[1].attribute("name", "rough");
    auto out = OIIO::ImageOutput::create("m.exr");
    ASSERT_TRUE(out->supports("multiimage"));
    ASSERT_TRUE(out->open(Path("m.exr"), 2, specs));
    const float a[4] = {0.25f, 0.5f, 0.75f, 1.0f}, b[4] = {0.125f, 0.125f, 0.125f, 0.5f};
    ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, a));
    ASSERT_TRUE(out->open(Path("m.exr"), specs[1], OIIO::ImageOutput::AppendSubimage));
    ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, b));
    out->close();
    EXPECT_EQ(ReadImage(Path("m.exr#rough")).rgba, (std::vector<float>{0.125f, 0.125f, 0.125f, 0.5f}));
    EXPECT_EQ(ReadImage(Path("m.exr")).rgba, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}));
}

TEST_F(ImagesTest, UnreadableFilesAreNamed) {
    const std::pair<std::string, const char*> cases[] = {
        {Path("missing.exr"), "no such image file"},
        {Path("junk.png"), "cannot read the image"},
    };
    std::ofstream(Path("junk.png")) << "not a png";
    for (const auto& [path, part] : cases) {
        try {
            ReadImage(path);
            ADD_FAILURE() << path << ": no error";
        } catch (const SceneError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace morvel::cli
