// EXR output: every compression keeps every float bit and both windows, as
// OpenImageIO's own reader and ours see the file; a write that fails leaves
// the earlier file as it was, nothing of its own, and names the path.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "ErrorOf.h"
#include "ToolFixture.h"
#include "cli/Compression.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

class ExrWrite : public ToolTest {};

// Smooth or empty enough that every method really compresses it (run
// lengths need the empty part), sprinkled with the bits a codec must not
// bend: NaNs with payloads (a signalling one too), infinities, negative zero,
// denormals and the float extremes.
Image Awkward(int w, int h) {
    Image img(w, h);
    const uint32_t specials[] = {0x7fc00000, 0xffc12345, 0x7f800001, 0x7f800000, 0xff800000,
                                 0x80000000, 0x00000001, 0x807fffff, 0x7f7fffff, 0xff7fffff};
    const std::size_t row = std::size_t(w) * 4;
    for (std::size_t i = 0; i < img.rgba.size(); ++i) {
        const float smooth = i % row < row / 3 ? 0.0f : float(i % row) * 0.125f - float(i / row) * 0.5f;
        uint32_t bits;
        std::memcpy(&bits, &smooth, 4);
        if (i % 13 == 0) bits = specials[(i / 13) % std::size(specials)];
        std::memcpy(&img.rgba[i], &bits, 4);
    }
    return img;
}

// Every value --compression takes for EXR, and "" for none given.
std::vector<std::string> EveryExrCompression() {
    std::vector<std::string> all = {"none", "rle", "piz", "zip", "zips", ""};
    for (const char* method : {"zip", "zips"})
        for (int level = 1; level <= 9; ++level) all.push_back(std::string(method) + ":" + std::to_string(level));
    return all;
}

TEST_F(ExrWrite, EveryCompressionKeepsEveryBitAndBothWindows) {
    // A cropped frame placed off the origin, over several blocks of every
    // method (so blocks from several threads meet), and a single pixel.
    Image cropped = Awkward(61, 75);
    cropped.origin_x = -5;
    cropped.origin_y = 7;
    cropped.data_window = Window{3, 2, 50, 70};
    const Image cases[] = {cropped, Awkward(1, 1)};
    std::uintmax_t uncompressed = 0;
    for (const std::string& method : EveryExrCompression()) {
        for (const Image& image : cases) {
            const Window data = image.data_window.value_or(Window{0, 0, image.width, image.height});
            const std::string where =
                method + ", " + std::to_string(image.width) + " x " + std::to_string(image.height);
            const std::string path = Path("c.exr");
            WriteImage(path, Frame{32, image}, method.empty() ? std::nullopt : std::optional(ParseCompression(method)));

            auto in = OIIO::ImageInput::open(path);
            ASSERT_TRUE(in) << where << ": " << OIIO::geterror();
            const OIIO::ImageSpec& spec = in->spec();
            // Without a choice: deflate's fastest level, one scanline a block.
            EXPECT_EQ(spec.get_string_attribute("compression"),
                      method.empty() ? "zips" : ParseCompression(method).method)
                << where;
            EXPECT_EQ(spec.channelnames, (std::vector<std::string>{"R", "G", "B", "A"})) << where;
            EXPECT_EQ(spec.format, OIIO::TypeDesc::FLOAT) << where;
            EXPECT_EQ((Window{spec.full_x, spec.full_y, spec.full_width, spec.full_height}),
                      (Window{image.origin_x, image.origin_y, image.width, image.height}))
                << where;
            EXPECT_EQ((Window{spec.x, spec.y, spec.width, spec.height}),
                      (Window{image.origin_x + data.x, image.origin_y + data.y, data.width, data.height}))
                << where;
            // Rows of the data window that differ from `rows` (floats `stride` apart) in any bit.
            auto differing = [&](const float* rows, std::size_t stride) {
                std::size_t n = 0;
                for (int y = 0; y < data.height; ++y)
                    n += std::memcmp(rows + y * stride, image.At(data.x, data.y + y),
                                     std::size_t(data.width) * 4 * sizeof(float)) != 0;
                return n;
            };
            std::vector<float> stored(std::size_t(spec.width) * spec.height * 4);
            ASSERT_TRUE(in->read_image(0, 0, 0, 4, OIIO::TypeDesc::FLOAT, stored.data())) << where;
            EXPECT_EQ(differing(stored.data(), std::size_t(data.width) * 4), 0u) << where;
            const Image back = ReadImage(path);
            EXPECT_EQ(back.data_window, image.data_window) << where;
            EXPECT_EQ(differing(back.At(data.x, data.y), std::size_t(back.width) * 4), 0u) << where;

            // Every method but none must have reached its encoder.
            if (image.width == 1) continue;
            const std::uintmax_t size = fs::file_size(path);
            if (method == "none")
                uncompressed = size;
            else
                EXPECT_LT(size, uncompressed * 9 / 10) << where;
        }
    }
}

// Restores the file size limit and the signal it raises on every way out.
struct FileSizeLimit {
    rlimit saved{};
    struct sigaction old_action {};
    explicit FileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &old_action);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        sigaction(SIGXFSZ, &old_action, nullptr);
    }
};

TEST_F(ExrWrite, AFailedWriteKeepsTheEarlierFileLeavesNothingAndNamesThePath) {
    const std::string path = Path("shot.exr");
    WriteImage(path, Frame{32, Awkward(8, 8)});
    const std::string before = Bytes("shot.exr");
    for (const char* method : {"none", "zip", "piz"}) {
        std::string error;
        {
            // The system refuses the write half way, as on a full disk.
            FileSizeLimit limit(64 * 1024);
            error = ErrorOf([&] { WriteImage(path, Frame{32, Awkward(300, 200)}, ParseCompression(method)); });
        }
        EXPECT_EQ(error.rfind(path + ": cannot write the image: ", 0), 0u) << method << ": " << error;
        EXPECT_NE(error.find(std::strerror(EFBIG)), std::string::npos) << method << ": " << error;
        EXPECT_EQ(Bytes("shot.exr"), before) << method;
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(dir_)) left.push_back(e.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"shot.exr"}) << method;
    }
    // A folder that takes no new files, whoever asks.
    const std::string error = ErrorOf([] { WriteImage("/proc/self/x.exr", Frame{32, Awkward(2, 2)}); });
    EXPECT_EQ(
        error.rfind("/proc/self/x.exr: cannot write the image: cannot create a file in the folder \"/proc/self\"", 0),
        0u)
        << error;
}

}  // namespace
}  // namespace morvel::cli
