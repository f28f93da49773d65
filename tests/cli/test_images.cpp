// Image files: every depth survives the writer and reader exactly; the
// layer conversion rounds as the host does; alpha is never premultiplied;
// formats that cannot hold a depth are refused.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <functional>

#include "ErrorOf.h"
#include "ToolFixture.h"
#include "cli/PixelDepth.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

class ImagesTest : public ToolTest {
protected:
    // A file written with OpenImageIO directly, one or more parts.
    void WriteRaw(const std::string& name, std::vector<OIIO::ImageSpec> specs, std::vector<const float*> pixels) {
        auto out = OIIO::ImageOutput::create(name);
        ASSERT_TRUE(out->open(Path(name), int(specs.size()), specs.data()));
        for (std::size_t i = 0; i < specs.size(); ++i) {
            ASSERT_TRUE(i == 0 || out->open(Path(name), specs[i], OIIO::ImageOutput::AppendSubimage));
            ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, pixels[i]));
        }
        out->close();
    }
};

// Integer depths: every level of the depth across an odd-sized frame, colour
// often above its alpha (so premultiplying either way would show). Float:
// negative, fractional and above-one values.
TEST_F(ImagesTest, EveryDepthRoundTripsThroughEveryFormatThatHoldsIt) {
    const std::pair<int, const char*> cases[] = {{8, "png"},  {8, "tif"},  {16, "png"},
                                                 {16, "tif"}, {32, "exr"}, {32, "tif"}};
    for (const auto& [depth, ext] : cases) {
        const int levels = depth == 8 ? 256 : 32769;
        Frame f{depth, Image(37, depth == 32 ? 3 : levels / (37 * 4) + 1)};
        for (std::size_t i = 0; i < f.pixels.rgba.size(); ++i)
            f.pixels.rgba[i] = depth == 32 ? float(i) * 0.37f - 2.0f : float((i * 7) % levels);
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

TEST_F(ImagesTest, FormatsThatCannotHoldTheDepthAreErrors) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"o.png", 32, "PNG cannot hold 32-bit pixels"},
        {"o.exr", 8, "EXR cannot hold 8-bit pixels"},
        {"o.exr", 16, "EXR cannot hold 16-bit"},
        {"o.jpg", 16, "JPEG cannot hold 16-bit"},
        {"o.bmp", 8, "unsupported output format \".bmp\""},
        {"nodir/o.exr", 32, "nodir\" does not exist"},
    };
    for (const auto& [name, depth, part] : cases) {
        // Copies: clang cannot capture structured bindings yet.
        const std::string e = ErrorOf([&, name = name, depth = depth] {
            WriteImage(Path(name), Frame{depth, Image(1, 1)});
        });
        EXPECT_NE(e.find(part), std::string::npos) << e;
        EXPECT_NE(e.find(name), std::string::npos) << e;
        EXPECT_FALSE(fs::exists(Path(name)));
    }
}

TEST(PixelDepth, LayerLevelsRoundHalfAwayFromZeroAndClamp) {
    const std::tuple<float, int, float> cases[] = {
        {0.5f / 255, 8, 1},    {1.49f / 255, 8, 1}, {1.0f, 8, 255},    {1.7f, 8, 255},
        {-0.2f, 8, 0},         {0.5f, 16, 16384},   {1.0f, 16, 32768}, {2.0f, 16, 32768},
        {0.5f / 32768, 16, 1}, {-1.0f, 16, 0},      {2.5f, 32, 2.5f},  {-0.25f, 32, -0.25f},
    };
    for (const auto& [v, depth, level] : cases) EXPECT_EQ(ToDepth(v, depth), level) << v << " at " << depth;
}

TEST_F(ImagesTest, GreyFilesExpandToOpaqueRgba) {
    const float grey[2] = {0, 1};
    WriteRaw("g.png", {OIIO::ImageSpec(2, 1, 1, OIIO::TypeDesc::UINT8)}, {grey});
    EXPECT_EQ(ReadImage(Path("g.png")).rgba, (std::vector<float>{0, 0, 0, 1, 1, 1, 1, 1}));
}

// Bytes in memory decode as those bytes, never as a file that carries the name.
TEST_F(ImagesTest, BytesInMemoryAreNeverReadFromAFileOfTheSameName) {
    Frame disk{32, Image(4, 3)};
    disk.pixels.rgba.assign(disk.pixels.rgba.size(), 7.0f);
    WriteImage(Path("f.exr"), disk);
    WriteImage(Path("f.png"), Frame{8, Image(3, 3)});
    Frame png{8, Image(5, 2)};
    png.pixels.rgba.assign(png.pixels.rgba.size(), 51.0f);
    WriteImage(Path("m.png"), png);
    Frame exr{32, Image(6, 1)};
    exr.pixels.rgba.assign(exr.pixels.rgba.size(), -2.5f);
    WriteImage(Path("m.exr"), exr);

    for (const auto& [name, source, width, value] :
         {std::tuple{"f.png", "m.png", 5, 0.2f}, {"f.exr", "m.exr", 6, -2.5f}}) {
        const std::string bytes = Bytes(source);
        const Image got = ReadImageBytes(Path(name), "", bytes.data(), bytes.size(), 1 << 20);
        EXPECT_EQ(got.width, width) << name;
        EXPECT_FLOAT_EQ(got.rgba.at(0), value) << name;
    }
}

TEST_F(ImagesTest, UnreadableFilesAreNamed) {
    Write("junk.png", "not a png");
    const std::vector<float> row(70000);
    WriteRaw("wide.exr", {OIIO::ImageSpec(70000, 1, 1, OIIO::TypeDesc::HALF)}, {row.data()});
    for (const auto& [name, part] :
         {std::pair{"missing.exr", "no such image file"}, std::pair{"junk.png", "cannot read the image"},
          std::pair{"wide.exr", "image size 70000 x 1 is too large"}}) {
        const std::string e = ErrorOf([&, name = name] { ReadImage(Path(name)); });
        EXPECT_NE(e.find(Path(name)), std::string::npos) << e;
        EXPECT_NE(e.find(part), std::string::npos) << e;
    }
}

}  // namespace
}  // namespace morvel::cli
