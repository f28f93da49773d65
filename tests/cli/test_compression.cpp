// Output compression: the option's values parse or are refused by name, each
// format takes only what it can hold, and PNG levels reach the encoder (EXR's
// methods have their own file tests).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "cli/Compression.h"
#include "cli/Images.h"
#include "cli/Options.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

TEST(Compression, ValuesParseOrAreRefusedNamingTheValue) {
    struct Case {
        const char* text;
        std::optional<Compression> parsed;  // none: refused
    };
    const Case cases[] = {
        {"piz", Compression{"piz", 0}},
        {"zip", Compression{"zip", 0}},
        {"zip:1", Compression{"zip", 1}},
        {"zip:9", Compression{"zip", 9}},
        {"zips:4", Compression{"zips", 4}},
        {"rle", Compression{"rle", 0}},
        {"none", Compression{"none", 0}},
        {"zip:0", std::nullopt},
        {"zip:10", std::nullopt},
        {"zip:", std::nullopt},
        {"zip:3x", std::nullopt},
        {"zip:-1", std::nullopt},
        {"piz:3", std::nullopt},
        {"rle:1", std::nullopt},
        {"PIZ", std::nullopt},
        {"dwaa", std::nullopt},
        {"b44", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        if (c.parsed) {
            EXPECT_EQ(ParseCompression(c.text), *c.parsed) << c.text;
            EXPECT_EQ(CompressionText(*c.parsed), c.text);
            EXPECT_EQ(ParseOptions({"--compression", c.text}).compression, c.parsed) << c.text;
            continue;
        }
        try {
            ParseOptions({std::string("--compression=") + c.text});
            ADD_FAILURE() << c.text << ": accepted";
        } catch (const SceneError& e) {
            const std::string m = e.what();
            EXPECT_EQ(m.rfind(std::string("--compression ") + c.text + ": expected", 0), 0u) << m;
            EXPECT_NE(m.find("none, rle, zips, zip or piz"), std::string::npos) << m;
        }
    }
}

TEST(Compression, EachFormatTakesOnlyWhatItCanHoldAndHasItsDefault) {
    struct Case {
        const char* format;
        const char* requested;  // "": none given
        const char* result;     // "": fixed settings; "!": refused
    };
    const Case cases[] = {
        {"EXR", "", "zips:1"}, {"EXR", "zip:2", "zip:2"}, {"EXR", "none", "none"}, {"EXR", "rle", "rle"},
        {"PNG", "", "zip:4"},  {"PNG", "zip:9", "zip:9"}, {"PNG", "none", "none"}, {"PNG", "zip", "zip"},
        {"PNG", "piz", "!"},   {"PNG", "zips:2", "!"},    {"PNG", "rle", "!"},     {"TIFF", "", ""},
        {"TIFF", "zip", "!"},  {"JPEG", "", ""},          {"JPEG", "none", "!"},
    };
    for (const auto& c : cases) {
        const std::optional<Compression> requested =
            *c.requested ? std::optional(ParseCompression(c.requested)) : std::nullopt;
        const std::string where = std::string(c.format) + " " + c.requested;
        try {
            const std::optional<Compression> got = CompressionFor(c.format, requested, "out.x");
            EXPECT_NE(std::string(c.result), "!") << where << ": accepted";
            EXPECT_EQ(got ? CompressionText(*got) : "", c.result) << where;
        } catch (const SceneError& e) {
            const std::string m = e.what();
            EXPECT_EQ(std::string(c.result), "!") << where << ": " << m;
            EXPECT_EQ(m.rfind("out.x: ", 0), 0u) << m;
            EXPECT_NE(m.find(c.requested), std::string::npos) << m;
        }
    }
}

class CompressionFiles : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_ = fs::temp_directory_path() / ("morvel_compression_" + std::to_string(::getpid()));
};

// Higher levels must make smaller files, or the level never reached the encoder.
TEST_F(CompressionFiles, PngLevelsRoundTripAndReachTheEncoder) {
    Frame frame{16, Image(256, 64)};
    for (std::size_t i = 0; i < frame.pixels.rgba.size(); ++i)
        frame.pixels.rgba[i] = float((i / 4 % 256) * 128 + (i % 4) * 7 + (i / 1024) % 5);
    std::uintmax_t stored = 0, fast = 0, small = 0;
    for (const auto& [method, size] : {std::pair{"none", &stored}, {"zip:1", &fast}, {"zip:9", &small}}) {
        const std::string path = Path(std::string("p_") + method + ".png");
        WriteImage(path, frame, ParseCompression(method));
        *size = fs::file_size(path);
        const Image back = ReadImage(path);
        std::size_t off = 0;
        for (std::size_t i = 0; i < back.rgba.size(); ++i)
            off += std::round(back.rgba[i] * 32768.0f) != frame.pixels.rgba[i];
        EXPECT_EQ(off, 0u) << method;
    }
    EXPECT_GT(stored, fast);
    EXPECT_GT(fast, small);
}

TEST_F(CompressionFiles, AFormatThatCannotTakeTheChoiceIsRefusedBeforeAnyWork) {
    const Frame frame{8, Image(3, 2)};
    for (const char* name : {"o.png", "o.tif", "o.jpg"}) {
        const std::string path = Path(name);
        const Compression piz = ParseCompression("piz");
        EXPECT_THROW(CheckOutputFormat(path, 8, piz), SceneError) << name;
        EXPECT_THROW(WriteImage(path, frame, piz), SceneError) << name;
        EXPECT_FALSE(fs::exists(path)) << name;
    }
}

}  // namespace
}  // namespace morvel::cli
