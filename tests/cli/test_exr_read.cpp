// EXR files through OpenEXR's core: the same bits as OpenEXR's own C++
// library gives through OpenImageIO, for every sample type, channel set,
// compression and layout; damaged files give errors that name them.
#include <OpenEXR/openexr.h>
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "ErrorOf.h"
#include "ToolFixture.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

using OIIO::ImageSpec;
using OIIO::TypeDesc;

// A part to write: its channels, type, windows and layout.
struct Part {
    std::vector<std::string> channels;
    TypeDesc type = TypeDesc::FLOAT;
    int x = 0, y = 0, width = 23, height = 19;           // data window
    int full_x = 0, full_y = 0, full_w = 0, full_h = 0;  // display window; 0: the data window
    int tile = 0;                                        // tile side; 0: scanlines
    std::string name = {};                               // part name in multi-part files
};

// Values that show any slip: every channel and pixel differs, with
// negatives, fractions, zeros of both signs, infinities and, in float, NaN.
std::vector<float> Pixels(const Part& p, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<float> v(std::size_t(p.width) * p.height * p.channels.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        switch (i % 37) {
            case 5:
                v[i] = -0.0f;
                break;
            case 11:
                v[i] = std::numeric_limits<float>::infinity();
                break;
            case 17:
                v[i] = p.type == TypeDesc::FLOAT ? std::nanf("0x123") : 6.1e-5f;
                break;
            case 23:
                v[i] = 3e-6f;
                break;  // a half subnormal
            default:
                v[i] = std::uniform_real_distribution<float>(-3, 12)(rng);
                break;
        }
        if (p.type == TypeDesc::UINT) v[i] = std::floor(std::abs(v[i]) * 1000.0f);
    }
    return v;
}

class ExrReadTest : public ToolTest {
protected:
    static void SetUpTestSuite() {
        // The reference is OpenEXR's C++ library, not the core under test.
        OIIO::attribute("openexr:core", 0);
    }

    void WriteExr(const std::string& name, const std::vector<Part>& parts, const std::string& compression) {
        std::vector<ImageSpec> specs;
        for (const Part& p : parts) {
            ImageSpec spec(p.width, p.height, int(p.channels.size()), p.type);
            spec.channelnames = p.channels;
            spec.x = p.x;
            spec.y = p.y;
            spec.full_x = p.full_w ? p.full_x : p.x;
            spec.full_y = p.full_h ? p.full_y : p.y;
            spec.full_width = p.full_w ? p.full_w : p.width;
            spec.full_height = p.full_h ? p.full_h : p.height;
            if (p.tile) spec.tile_width = spec.tile_height = p.tile;
            spec.attribute("compression", compression);
            if (!p.name.empty()) spec.attribute("name", p.name);
            specs.push_back(spec);
        }
        auto out = OIIO::ImageOutput::create(Path(name));
        ASSERT_TRUE(out);
        ASSERT_TRUE(out->open(Path(name), int(specs.size()), specs.data())) << out->geterror();
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i > 0) {
                ASSERT_TRUE(out->open(Path(name), specs[i], OIIO::ImageOutput::AppendSubimage));
            }
            const std::vector<float> px = Pixels(parts[i], unsigned(i + 1));
            if (parts[i].type == TypeDesc::UINT) {
                std::vector<std::uint32_t> u(px.begin(), px.end());
                ASSERT_TRUE(out->write_image(TypeDesc::UINT, u.data())) << out->geterror();
            } else {
                ASSERT_TRUE(out->write_image(TypeDesc::FLOAT, px.data())) << out->geterror();
            }
        }
        ASSERT_TRUE(out->close());
    }

    // What the image must be, built from OpenImageIO's reading of the named
    // channels ("" for alpha: 1) of part `part`.
    Image Expected(const std::string& name, int part, const std::array<std::string, 4>& slots) {
        auto in = OIIO::ImageInput::open(Path(name));
        EXPECT_TRUE(in) << OIIO::geterror();
        if (!in) return {};
        EXPECT_TRUE(in->seek_subimage(part, 0));
        const ImageSpec spec = in->spec();
        std::vector<float> all(std::size_t(spec.width) * spec.height * spec.nchannels);
        EXPECT_TRUE(in->read_image(part, 0, 0, spec.nchannels, TypeDesc::FLOAT, all.data())) << in->geterror();
        Image image(spec.full_width, spec.full_height);
        image.origin_x = spec.full_x;
        image.origin_y = spec.full_y;
        for (int y = 0; y < spec.height; ++y)
            for (int x = 0; x < spec.width; ++x) {
                const int gx = spec.x + x - spec.full_x, gy = spec.y + y - spec.full_y;
                if (gx < 0 || gy < 0 || gx >= image.width || gy >= image.height) continue;
                for (int k = 0; k < 4; ++k) {
                    const int c = slots[k].empty() ? -1 : spec.channelindex(slots[k]);
                    EXPECT_TRUE(slots[k].empty() || c >= 0) << slots[k];
                    image.At(gx, gy)[k] =
                        c < 0 ? 1.0f : all[(std::size_t(y) * spec.width + x) * spec.nchannels + std::size_t(c)];
                }
            }
        return image;
    }
};

// Equal bit for bit, NaN payloads and signed zeros included.
::testing::AssertionResult SameBits(const Image& got, const Image& want) {
    if (got.width != want.width || got.height != want.height || got.origin_x != want.origin_x ||
        got.origin_y != want.origin_y)
        return ::testing::AssertionFailure()
               << "grid " << got.width << "x" << got.height << "@" << got.origin_x << "," << got.origin_y
               << " != " << want.width << "x" << want.height << "@" << want.origin_x << "," << want.origin_y;
    for (std::size_t i = 0; i < got.rgba.size(); ++i)
        if (std::memcmp(&got.rgba[i], &want.rgba[i], 4) != 0)
            return ::testing::AssertionFailure()
                   << "pixel " << i / 4 % std::size_t(got.width) << "," << i / 4 / std::size_t(got.width) << " channel "
                   << i % 4 << ": " << got.rgba[i] << " != " << want.rgba[i];
    return ::testing::AssertionSuccess();
}

TEST_F(ExrReadTest, MatchesOpenExrsOwnLibraryBitForBit) {
    const std::vector<std::string> rgba = {"R", "G", "B", "A"};
    struct Case {
        const char* what;
        Part part;
        std::array<std::string, 4> slots;
    };
    const Case cases[] = {
        {"float rgba", {rgba}, {"R", "G", "B", "A"}},
        {"half rgba", {rgba, TypeDesc::HALF}, {"R", "G", "B", "A"}},
        {"half rgb", {{"R", "G", "B"}, TypeDesc::HALF}, {"R", "G", "B", ""}},
        {"float grey", {{"Y"}}, {"Y", "Y", "Y", ""}},
        {"half grey and alpha", {{"Y", "A"}, TypeDesc::HALF}, {"Y", "Y", "Y", "A"}},
        {"two unnamed channels", {{"u", "v"}}, {"u", "u", "u", "v"}},
        {"uint rgb", {{"R", "G", "B"}, TypeDesc::UINT}, {"R", "G", "B", ""}},
        {"depth only", {{"Z"}}, {"Z", "Z", "Z", ""}},
        // Unnamed colours go by the image library's channel order, not the file's.
        {"long colour names", {{"Blue", "Green", "Red"}, TypeDesc::HALF}, {"Red", "Green", "Blue", ""}},
        {"long names and alpha", {{"Alpha", "Blue", "Green", "Red"}}, {"Red", "Green", "Blue", "Alpha"}},
        {"a position", {{"P.Z", "P.X", "P.Y"}}, {"P.X", "P.Y", "P.Z", ""}},
        {"alpha and another", {{"u", "A"}}, {"A", "A", "A", "A"}},
        {"extra channels around rgba", {{"A", "B", "G", "R", "Z", "id", "zz"}}, {"R", "G", "B", "A"}},
        {"cropped, offset", {rgba, TypeDesc::HALF, 5, 3, 17, 11, 0, 0, 40, 30}, {"R", "G", "B", "A"}},
        {"data beyond the display", {rgba, TypeDesc::FLOAT, -4, -6, 30, 25, -2, -1, 20, 12}, {"R", "G", "B", "A"}},
        {"negative origin", {rgba, TypeDesc::FLOAT, -100, -50, 23, 19, -100, -50, 23, 19}, {"R", "G", "B", "A"}},
        {"tiled 16", {rgba, TypeDesc::HALF, 0, 0, 37, 21, 0, 0, 0, 0, 16}, {"R", "G", "B", "A"}},
        {"tiled, cropped", {{"R", "G", "B"}, TypeDesc::FLOAT, 3, 2, 29, 17, 0, 0, 40, 30, 8}, {"R", "G", "B", ""}},
        {"tiled, one tile", {{"Y"}, TypeDesc::HALF, 0, 0, 5, 4, 0, 0, 0, 0, 64}, {"Y", "Y", "Y", ""}},
    };
    for (const char* compression : {"none", "zip", "zips", "piz", "rle", "pxr24", "b44", "b44a"})
        for (const Case& c : cases) {
            const std::string what = std::string(c.what) + ", " + compression;
            SCOPED_TRACE(what);
            WriteExr("t.exr", {c.part}, compression);
            const Image want = Expected("t.exr", 0, c.slots);
            Image got;
            ASSERT_NO_THROW(got = ReadImage(Path("t.exr")));
            EXPECT_TRUE(SameBits(got, want));
            const std::string bytes = Bytes("t.exr");
            ASSERT_NO_THROW(got = ReadImageBytes("t.exr", "", bytes.data(), bytes.size(), 1 << 20));
            EXPECT_TRUE(SameBits(got, want)) << "from memory";
        }
}

TEST_F(ExrReadTest, LayersAreFoundInPartsAndChannelPrefixes) {
    Part beauty{{"R", "G", "B", "A"}, TypeDesc::HALF};
    beauty.name = "beauty";
    Part passes{{"diffuse.R", "diffuse.G", "diffuse.B", "depth.Z", "spec.R", "spec.G", "spec.B", "spec.A"}};
    passes.name = "passes";
    Part rough{{"Y"}, TypeDesc::FLOAT, 2, 1, 20, 17, 0, 0, 23, 19};
    rough.name = "rough";
    for (const char* compression : {"zip", "piz"}) {
        SCOPED_TRACE(compression);
        WriteExr("m.exr", {beauty, passes, rough}, compression);
        const std::pair<const char*, std::pair<int, std::array<std::string, 4>>> layers[] = {
            {"", {0, {"R", "G", "B", "A"}}},
            {"beauty", {0, {"R", "G", "B", "A"}}},
            {"diffuse", {1, {"diffuse.R", "diffuse.G", "diffuse.B", ""}}},
            {"depth", {1, {"depth.Z", "depth.Z", "depth.Z", ""}}},
            {"spec", {1, {"spec.R", "spec.G", "spec.B", "spec.A"}}},
            {"rough", {2, {"Y", "Y", "Y", ""}}},
        };
        for (const auto& [layer, expect] : layers) {
            SCOPED_TRACE(layer);
            const std::string spec = Path("m.exr") + (*layer ? "#" + std::string(layer) : "");
            Image got;
            ASSERT_NO_THROW(got = ReadImage(spec));
            EXPECT_TRUE(SameBits(got, Expected("m.exr", expect.first, expect.second)));
        }
        const std::string e = ErrorOf([&] { ReadImage(Path("m.exr#nope")); });
        EXPECT_NE(e.find("no layer \"nope\""), std::string::npos) << e;
        EXPECT_NE(e.find("beauty, depth, diffuse, passes, rough, spec"), std::string::npos) << e;
    }
}

// The chunk table's place in a single-part scanline file.
std::pair<std::size_t, std::size_t> ChunkTable(const std::string& path) {
    exr_context_t ctx = nullptr;
    EXPECT_EQ(exr_start_read(&ctx, path.c_str(), nullptr), EXR_ERR_SUCCESS);
    int32_t count = 0;
    exr_chunk_info_t first;
    exr_attr_box2i_t dw;
    EXPECT_EQ(exr_get_chunk_count(ctx, 0, &count), EXR_ERR_SUCCESS);
    EXPECT_EQ(exr_get_data_window(ctx, 0, &dw), EXR_ERR_SUCCESS);
    EXPECT_EQ(exr_read_scanline_chunk_info(ctx, 0, dw.min.y, &first), EXR_ERR_SUCCESS);
    exr_finish(&ctx);
    const std::size_t leader = 8;  // line number and size
    return {std::size_t(first.data_offset) - leader - std::size_t(count) * 8, std::size_t(count)};
}

TEST_F(ExrReadTest, DamagedFilesAreRefusedNamingTheFile) {
    Part big{{"R", "G", "B", "A"}, TypeDesc::HALF, 0, 0, 64, 48};
    for (const char* compression : {"none", "zip", "piz", "rle"}) {
        SCOPED_TRACE(compression);
        WriteExr("good.exr", {big}, compression);
        const std::string good = Bytes("good.exr");
        const auto chunk_table = ChunkTable(Path("good.exr"));
        const std::size_t table = chunk_table.first, chunks = chunk_table.second;
        std::vector<std::pair<std::string, std::string>> bad;
        for (const std::size_t keep : {std::size_t(3), std::size_t(20), table / 2, table + 4, table + chunks * 8 + 5,
                                       good.size() / 2, good.size() - 1})
            bad.push_back({"cut at " + std::to_string(keep), good.substr(0, keep)});
        auto with_entry = [&](std::size_t index, std::uint64_t offset) {
            std::string b = good;
            std::memcpy(b.data() + table + index * 8, &offset, 8);
            return b;
        };
        bad.push_back({"block beyond the end", with_entry(chunks / 2, std::uint64_t(1) << 40)});
        bad.push_back({"block inside the header", with_entry(0, 16)});
        bad.push_back({"block at the last byte", with_entry(chunks - 1, good.size() - 1)});
        std::string scribbled = good;
        for (std::size_t i = table + chunks * 8 + 12; i < scribbled.size(); i += 7) scribbled[i] = char(i * 13);
        bad.push_back({"scribbled pixels", scribbled});
        // A reader may rebuild a damaged block table from the blocks themselves,
        // and damaged pixels of some methods still decode: either the image is
        // the good file's, or it is an error naming the file.
        const Image want = ReadImage(Path("good.exr"));
        for (const auto& entry : bad) {
            const std::string& what = entry.first;
            const std::string& bytes = entry.second;
            SCOPED_TRACE(what);
            Write("bad.exr", bytes);
            const bool may_decode = what.rfind("cut", 0) != 0;
            for (const bool memory : {false, true}) {
                const std::string name = memory ? "mem.exr" : Path("bad.exr");
                Image got;
                const std::string e = ErrorOf([&] {
                    got = memory ? ReadImageBytes(name, "", bytes.data(), bytes.size(), 1 << 20) : ReadImage(name);
                });
                if (e == "(no error)" && may_decode) {
                    if (what != "scribbled pixels") {
                        EXPECT_TRUE(SameBits(got, want));
                    }
                } else {
                    EXPECT_EQ(e.rfind(name + ": ", 0), 0u) << e;
                }
            }
        }
    }
}

// Headers whose claims would take memory the pixel cap does not bound.
TEST_F(ExrReadTest, HeadersThatClaimTooMuchAreRefusedBeforeDecoding) {
    Part many{{}, TypeDesc::HALF, 0, 0, 2, 2};
    for (int c = 0; c < 1100; ++c) many.channels.push_back(std::to_string(c));
    WriteExr("many.exr", {many}, "zip");
    Part tiny_tiles{{"Y"}, TypeDesc::HALF, 0, 0, 64, 64, 0, 0, 0, 0, 1};
    WriteExr("tiles.exr", {tiny_tiles}, "none");
    Write("tiles_cut.exr", Bytes("tiles.exr").substr(0, 40000));
    const std::pair<const char*, const char*> cases[] = {
        {"many.exr", "has 1100 channels; at most 1024 can be read"},
        {"tiles_cut.exr", "is too small for the 4096 blocks its header claims"},
    };
    for (const auto& [file, message] : cases) {
        const std::string path = Path(file);
        const std::string e = ErrorOf([&] { ReadImage(path); });
        EXPECT_EQ(e.rfind(Path(file) + ": ", 0), 0u) << e;
        EXPECT_NE(e.find(message), std::string::npos) << e;
    }
    EXPECT_NO_THROW(ReadImage(Path("tiles.exr")));
}

}  // namespace
}  // namespace morvel::cli
