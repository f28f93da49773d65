// EXR zip blocks: what the encoder writes decodes to the same bytes, and both
// directions agree with the blocks OpenEXR itself writes.
#include <OpenEXR/openexr.h>
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>
#include <libdeflate.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ToolFixture.h"
#include "cli/ExrZip.h"

namespace morvel::cli {
namespace {

using Block = std::vector<std::uint8_t>;

Block Smooth(std::size_t n) {
    Block b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i / 7 + (i % 3) * 50);
    return b;
}

Block Noise(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Block b(n);
    for (auto& v : b) v = std::uint8_t(rng());
    return b;
}

// The bytes a zlib stream holds, inflated by libdeflate alone.
Block Inflate(const Block& stream, std::size_t size) {
    Block out(size);
    auto* d = libdeflate_alloc_decompressor();
    std::size_t got = 0;
    const auto r = libdeflate_zlib_decompress(d, stream.data(), stream.size(), out.data(), size, &got);
    libdeflate_free_decompressor(d);
    EXPECT_EQ(r, LIBDEFLATE_SUCCESS);
    EXPECT_EQ(got, size);
    return out;
}

TEST(ExrZip, BlocksRoundTripAtEveryLevelAndSize) {
    struct Case {
        std::size_t size;
        bool noise;
    };
    // Odd sizes and sizes around the 16- and 32-byte vector steps; noise does
    // not shrink and must come back stored raw.
    const Case cases[] = {{1, false},  {2, false},  {3, false},    {15, false},    {16, false},  {17, false},
                          {31, false}, {33, false}, {4097, false}, {65536, false}, {4096, true}, {101, true}};
    for (const int level : {1, 6, 9, 12})
        for (const auto& c : cases) {
            const Block raw = c.noise ? Noise(c.size, unsigned(c.size)) : Smooth(c.size);
            Block packed(raw.size());
            const std::size_t n = EncodeZipBlock(raw.data(), raw.size(), packed.data(), level);
            ASSERT_GT(n, 0u) << c.size;
            ASSERT_LE(n, raw.size());
            if (c.noise) {
                EXPECT_EQ(n, raw.size()) << "incompressible data is stored raw";
            } else if (c.size >= 4096) {
                EXPECT_LT(n, raw.size() / 4) << c.size;
            }
            Block back(raw.size(), 0xcd);
            ASSERT_TRUE(DecodeZipBlock(packed.data(), n, back.data(), back.size())) << c.size << " level " << level;
            EXPECT_EQ(back, raw) << c.size << " level " << level;
        }
}

TEST(ExrZip, DamagedOrMisSizedBlocksAreRefused) {
    const Block raw = Smooth(5000);
    Block packed(raw.size());
    const std::size_t n = EncodeZipBlock(raw.data(), raw.size(), packed.data(), 6);
    ASSERT_LT(n, raw.size());
    packed.resize(n);
    Block out(raw.size());
    Block cut(packed.begin(), packed.end() - 5);
    Block flipped = packed;
    flipped[n / 2] ^= 0x5a;
    flipped[n / 2 + 1] ^= 0xa5;
    EXPECT_FALSE(DecodeZipBlock(cut.data(), cut.size(), out.data(), out.size()));
    EXPECT_FALSE(DecodeZipBlock(flipped.data(), flipped.size(), out.data(), out.size()));
    // A block that holds more or fewer bytes than its place in the file.
    Block big(raw.size() + 1);
    EXPECT_FALSE(DecodeZipBlock(packed.data(), n, out.data(), out.size() - 1));
    EXPECT_FALSE(DecodeZipBlock(packed.data(), n, big.data(), big.size()));
    EXPECT_FALSE(DecodeZipBlock(nullptr, 0, out.data(), out.size()));
}

struct Chunk {
    Block stored;
    std::size_t unpacked = 0;
};

// The chunks of a single-part scanline file, as stored.
std::vector<Chunk> RawChunks(const std::string& path) {
    exr_context_t ctx = nullptr;
    EXPECT_EQ(exr_start_read(&ctx, path.c_str(), nullptr), EXR_ERR_SUCCESS);
    exr_attr_box2i_t dw;
    int32_t lines = 0;
    EXPECT_EQ(exr_get_data_window(ctx, 0, &dw), EXR_ERR_SUCCESS);
    EXPECT_EQ(exr_get_scanlines_per_chunk(ctx, 0, &lines), EXR_ERR_SUCCESS);
    std::vector<Chunk> chunks;
    for (int y = dw.min.y; lines > 0 && y <= dw.max.y; y += lines) {
        exr_chunk_info_t info;
        EXPECT_EQ(exr_read_scanline_chunk_info(ctx, 0, y, &info), EXR_ERR_SUCCESS);
        Block b(info.packed_size);
        EXPECT_EQ(exr_read_chunk(ctx, 0, &info, b.data()), EXR_ERR_SUCCESS);
        chunks.push_back({std::move(b), std::size_t(info.unpacked_size)});
    }
    exr_finish(&ctx);
    return chunks;
}

class ExrZipFiles : public ToolTest {};

// OpenEXR writes the same pixels with zip, zips and none: every zip block
// decodes to the uncompressed file's block, and the encoder's blocks inflate
// to exactly what OpenEXR's inflate to.
TEST_F(ExrZipFiles, AgreeWithOpenExrBlocks) {
    const int w = 67, h = 37;  // a short last block of 16 lines
    for (const OIIO::TypeDesc type : {OIIO::TypeDesc::HALF, OIIO::TypeDesc::FLOAT})
        for (const bool noise : {false, true}) {
            std::vector<float> pixels(std::size_t(w) * h * 4);
            std::mt19937 rng(7);
            for (std::size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = noise ? std::uniform_real_distribution<float>(-4, 4)(rng)
                                  : float((i / 4) % 97) * 0.25f + float(i % 4);
            auto write = [&](const std::string& name, const char* compression) {
                OIIO::ImageSpec spec(w, h, 4, type);
                spec.attribute("compression", compression);
                auto out = OIIO::ImageOutput::create(Path(name));
                ASSERT_TRUE(out->open(Path(name), spec));
                ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, pixels.data()));
                out->close();
            };
            write("none.exr", "none");
            // Uncompressed files hold one line per chunk: all lines, in order.
            Block lines;
            for (const Chunk& c : RawChunks(Path("none.exr")))
                lines.insert(lines.end(), c.stored.begin(), c.stored.end());
            for (const char* method : {"zip", "zips"}) {
                const std::string what = std::string(method) + (type == OIIO::TypeDesc::HALF ? " half" : " float") +
                                         (noise ? " noise" : " smooth");
                write("packed.exr", method);
                const std::vector<Chunk> packed = RawChunks(Path("packed.exr"));
                ASSERT_EQ(packed.size(), std::size_t(std::string(method) == "zip" ? (h + 15) / 16 : h)) << what;
                std::size_t raw_blocks = 0, at = 0;
                for (std::size_t i = 0; i < packed.size(); ++i) {
                    ASSERT_LE(at + packed[i].unpacked, lines.size()) << what << " block " << i;
                    const Block expect(lines.begin() + std::ptrdiff_t(at),
                                       lines.begin() + std::ptrdiff_t(at + packed[i].unpacked));
                    at += packed[i].unpacked;
                    const Block& block = packed[i].stored;
                    const bool stored_raw = block.size() == expect.size();
                    raw_blocks += stored_raw;
                    Block got(expect.size());
                    ASSERT_TRUE(DecodeZipBlock(block.data(), block.size(), got.data(), got.size()))
                        << what << " block " << i;
                    EXPECT_EQ(got, expect) << what << " block " << i;
                    Block ours(expect.size());
                    const std::size_t n = EncodeZipBlock(expect.data(), expect.size(), ours.data(), 6);
                    ASSERT_GT(n, 0u);
                    EXPECT_EQ(n == expect.size(), stored_raw) << what << " block " << i;
                    if (!stored_raw) {
                        ours.resize(n);
                        EXPECT_EQ(Inflate(ours, expect.size()), Inflate(block, expect.size()))
                            << what << " block " << i;
                    }
                }
                EXPECT_EQ(at, lines.size()) << what;
                if (!noise) {
                    EXPECT_EQ(raw_blocks, 0u) << what;
                }
            }
        }
}

}  // namespace
}  // namespace morvel::cli
