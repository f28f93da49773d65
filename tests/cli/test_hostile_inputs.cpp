// Inputs a hostile or careless user can hand morvel-render: each is refused
// with exit status 2 and a message naming the file and field, or rendered
// soundly; none may crash, hang, eat memory or leave files behind.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ErrorOf.h"
#include "ToolFixture.h"
#include "cli/LightLimit.h"
#include "cli/SceneError.h"
#include "cli/SceneFile.h"
#include "minihost/CudaDevice.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

// A PFM header claiming 16384 x 16384 RGB floats, and nothing after it.
const std::string kHugePfm = "PF\n16384 16384\n-1.0\n";
// A valid PNG signature, IHDR (16384 x 16384 RGB) and IEND around 4 bytes of pixels.
const std::string kHugePng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x40\x00\x00\x00\x40\x00\x08\x02\x00\x00"
    "\x00\x26\xaa\x87\xd3\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\x60\x60\x60\x00\x00\x00\x04\x00\x01\xf6\x17\x38"
    "\x55\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    69);

class Hostile : public ToolTest {
protected:
    // A float EXR whose data window is w x h at (x, y) in a display window full_w x full_h.
    void WriteExr(const std::string& name, int w, int h, const std::vector<float>& rgba, int x, int y, int full_w,
                  int full_h) {
        OIIO::ImageSpec spec(w, h, 4, OIIO::TypeDesc::FLOAT);
        spec.x = x;
        spec.y = y;
        spec.full_x = spec.full_y = 0;
        spec.full_width = full_w;
        spec.full_height = full_h;
        auto out = OIIO::ImageOutput::create(name);
        ASSERT_TRUE(out && out->open(Path(name), spec)) << OIIO::geterror();
        ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, rgba.data()));
        out->close();
    }

    // The demo's passes at 24 x 16 with one lit scene over them in `file`.
    void WriteShot(const std::string& file = "shot.json", const std::string& extra_lights = "",
                   const std::string& normal = "Normal_Map.exr", const std::string& hdri = "HDRI.exr") {
        if (!fs::exists(Path("input.exr"))) WriteDemoPasses(24, 16);
        Write(file, R"({"layers": {"input": "input.exr", "Normal Map": ")" + normal + R"(", "HDRI": ")" + hdri +
                        R"("}, "params": {"Enable IBL": true, "Enable Rim Light": true},
          "lights": [{"name": "Key", "type": "point", "position": [4, 4, -40], "intensity": 80})" +
                        extra_lights + "]}");
    }
};

// One row for each place a fault can be found: the scene file, its parameters against
// the module's, its layer files, the command line, the output, the module, the device.
TEST_F(Hostile, EveryFaultExitsTwoNamingItAndLeavesNothingBehind) {
    WriteShot();
    const int deep = 100000;
    Write("deep_lights.json", "{\"lights\": " + std::string(deep, '[') + std::string(deep, ']') + "}");
    std::string deep_object;
    for (int i = 0; i < deep; ++i) deep_object += "{\"a\":";
    Write("deep_object.json", deep_object + "1" + std::string(deep, '}'));
    Write("zero_layer.json", R"({"layers": {"input": "/dev/zero"}})");
    Write("folder_layer.json", R"({"layers": {"input": "."}})");
    Write("range.json", R"({"layers": {"input": "input.exr"}, "params": {"Source Blend": 101}})");
    Write("nofile.json", R"({"layers": {"input": "missing.exr"}})");
    std::filesystem::create_directories(dir_ / "out.exr");
    const bool cuda = !minihost::CudaDevices().devices.empty();
    const std::tuple<std::string, int, std::vector<std::string>> cases[] = {
        {"absent.json", 2, {"absent.json", "no such file"}},
        {"deep_lights.json", 2, {"deep_lights.json: lights", "nested more than 32 levels"}},
        {"deep_object.json", 2, {"deep_object.json: a.a.a", "nested more than 32"}},
        {"shot.json --set 'Source Blend=" + std::string(50000, '[') + "'", 2, {"--set", "nested more than 32"}},
        {"/dev/zero", 2, {"/dev/zero: the scene is not a regular file"}},
        {".", 2, {"the scene is not a regular file (it is a folder)"}},
        {"range.json", 2, {"range.json: params.Source Blend", "value 101", "0 to 100"}},
        {"nofile.json", 2, {"nofile.json: layers.input", "missing.exr", "no such image file"}},
        {"zero_layer.json", 2, {"zero_layer.json: layers.input", "/dev/zero: the image is not a regular file"}},
        {"folder_layer.json", 2, {"layers.input", "not a regular file"}},
        {"shot.json --compression dwaa", 2, {"--compression dwaa: expected none, rle, zips, zip or piz"}},
        {"--inject-fault gpu-typo", 2, {"--inject-fault gpu-typo", "expected one of gpu-suite"}},
        {"shot.json --depth 32 -o x.png", 2, {"x.png", "PNG cannot hold 32-bit"}},
        {"shot.json -o out.exr", 2, {"out.exr: the output path is an existing folder"}},
        {"--module /nonexistent/Morvel.aex", 2, {"/nonexistent/Morvel.aex", "no such module"}},
        {"--backend cuda", 2, {"--backend cuda", "no CUDA device ("}},
        {"--list-params", 0, {"Source Blend", "0 to 100", "Rim Light", "Amount"}},
        {"--help", 0, {"usage: morvel-render"}},
    };
    for (const auto& [args, status, parts] : cases) {
        if (cuda && args == "--backend cuda") continue;  // renders on the device here
        EXPECT_EQ(Run(args), status) << args.substr(0, 80) << "\n" << log_.substr(0, 2000);
        EXPECT_TRUE(status == 0 || log_.size() < 1000) << "a message must not echo the whole value";
        for (const auto& part : parts)
            EXPECT_NE(log_.find(part), std::string::npos)
                << args.substr(0, 80) << ": \"" << part << "\" not in: " << log_;
    }
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir_))
        EXPECT_EQ(e.path().string().find(".partial"), std::string::npos) << e.path() << " left behind";
}

// The documented lowest values, which the host stores as the float 0.1, and the
// highest angles that still fit 16.16 fixed point.
TEST_F(Hostile, LowestDocumentedValuesAndLargestAnglesAreAccepted) {
    WriteShot();
    for (const char* set : {"'HDRI Gamma=0.1'", "'Incidence/Power=0.1'", "'Rim Light/Power=0.1'",
                            "'HDRI Rotation Y=32767.99999'", "'HDRI Rotation Y=-32767.99999'"})
        EXPECT_EQ(Run(std::string("shot.json --quiet -o ok.exr --set ") + set), 0) << set << "\n" << log_;
}

TEST_F(Hostile, LightsBeyondTheSixteenthAreNamedOnceAndIgnored) {
    std::string extra;
    for (int i = 2; i <= 16; ++i)
        extra += R"(, {"type": "ambient", "intensity": 1, "name": "L)" + std::to_string(i) + "\"}";
    // The 17th light is off before frame 1, so only frames from 1 on ignore it; the 18th always.
    const std::string sixteen = extra;
    extra += R"(, {"type": "ambient", "intensity": 400, "name": "Late", "active": {"0": false, "1": true}})";
    extra += R"(, {"type": "point", "intensity": 400, "name": "Bright"})";
    WriteShot("all.json", extra);
    ASSERT_EQ(Run("all.json --frames 0-2 -o 'seventeen.#.exr'"), 0) << log_;
    const std::string warning = "warning: all.json: the effect takes at most 16 lights";
    ASSERT_NE(log_.find(warning), std::string::npos) << log_;
    EXPECT_EQ(log_.find(warning), log_.rfind(warning)) << "warned more than once: " << log_;
    EXPECT_NE(log_.find("ignored: lights[16] \"Late\", lights[17] \"Bright\""), std::string::npos) << log_;

    // Frame 0: "Late" is off, so "Bright" is the 17th that is on and still ignored.
    WriteShot("shot.json", sixteen);
    ASSERT_EQ(Run("shot.json --frames 0-2 -o 'sixteen.#.exr'"), 0) << log_;
    EXPECT_EQ(log_.find("warning"), std::string::npos) << log_;
    for (int f = 0; f <= 2; ++f) {
        const std::string n = std::to_string(f);
        EXPECT_EQ(Read("seventeen." + n + ".exr").rgba, Read("sixteen." + n + ".exr").rgba) << "frame " << n;
    }

    const Scene scene = LoadScene(Path("all.json"));
    EXPECT_EQ(IgnoredLights(scene, {0}, 24, 16), (std::vector<std::size_t>{17}));
    EXPECT_EQ(IgnoredLights(scene, {1}, 24, 16), (std::vector<std::size_t>{16, 17}));
    EXPECT_TRUE(IgnoredLights(LoadScene(Path("shot.json")), {0, 1, 2}, 24, 16).empty());
}

TEST_F(Hostile, HeadersClaimingHugeImagesAreRefusedBeforeTheirPixels) {
    Write("huge.pfm", kHugePfm);
    Write("huge.png", kHugePng);
    // 4 x 2 RGB floats, but only half the pixels present.
    Write("short.pfm", "PF\n4 2\n-1.0\n" + std::string(48, '\0'));
    for (const char* name : {"huge.pfm", "huge.png"}) {
        const std::string e = ErrorOf([&] { Read(name); });
        EXPECT_NE(e.find(Path(name) + ": the file (" + std::to_string(fs::file_size(Path(name))) + " bytes)"),
                  std::string::npos)
            << e;
        EXPECT_NE(e.find("16384 x 16384"), std::string::npos) << e;
    }
    const std::string e = ErrorOf([&] { Read("short.pfm"); });
    EXPECT_NE(e.find("short.pfm"), std::string::npos) << e;
    EXPECT_NE(e.back(), ' ') << "the reason is missing: " << e;
}

// A layer's data window sits inside its display window, zero outside it; an
// output keeps the input's display and data windows.
TEST_F(Hostile, DataWindowsArePlacedInTheDisplayWindowAndKept) {
    std::vector<float> px(3 * 2 * 4);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = 0.1f * float(i + 1);
    WriteExr("crop.exr", 3, 2, px, 5, 4, 10, 8);
    const Image crop = Read("crop.exr");
    ASSERT_EQ(crop.width, 10);
    ASSERT_EQ(crop.height, 8);
    ASSERT_TRUE(crop.data_window);
    EXPECT_EQ(*crop.data_window, (Window{5, 4, 3, 2}));
    EXPECT_EQ(crop.At(5, 4)[0], px[0]);
    EXPECT_EQ(crop.At(7, 5)[3], px.back());
    EXPECT_EQ(crop.At(0, 0)[3], 0.0f);
    EXPECT_EQ(crop.At(8, 5)[0], 0.0f);

    // A data window reaching outside the display window is clipped to it.
    WriteExr("over.exr", 3, 2, px, 8, 7, 10, 8);
    const Image over = Read("over.exr");
    EXPECT_EQ(*over.data_window, (Window{8, 7, 2, 1}));
    EXPECT_EQ(over.At(9, 7)[0], px[4]);

    // A normal map whose pixels start at (5, 5) renders as the same map padded with zeros.
    WriteShot();
    const Image normal = Read("Normal_Map.exr");
    std::vector<float> inner;
    Image padded(normal.width, normal.height);
    for (int y = 5; y < normal.height; ++y)
        for (int x = 5; x < normal.width; ++x) {
            inner.insert(inner.end(), normal.At(x, y), normal.At(x, y) + 4);
            std::copy_n(normal.At(x, y), 4, padded.At(x, y));
        }
    WriteExr("normal_crop.exr", normal.width - 5, normal.height - 5, inner, 5, 5, normal.width, normal.height);
    WriteImage(Path("normal_padded.exr"), Frame{32, padded});
    WriteShot("crop.json", "", "normal_crop.exr");
    ASSERT_EQ(Run("crop.json --quiet -o a.exr"), 0) << log_;
    WriteShot("padded.json", "", "normal_padded.exr");
    ASSERT_EQ(Run("padded.json --quiet -o b.exr"), 0) << log_;
    EXPECT_EQ(Read("a.exr").rgba, Read("b.exr").rgba);

    // A cropped input: the output holds the same windows.
    const Image input = Read("input.exr");
    std::vector<float> part;
    for (int y = 2; y < 12; ++y)
        for (int x = 3; x < 20; ++x) part.insert(part.end(), input.At(x, y), input.At(x, y) + 4);
    WriteExr("input_crop.exr", 17, 10, part, 3, 2, input.width, input.height);
    Write("cropped.json", R"({"layers": {"input": "input_crop.exr"}})");
    ASSERT_EQ(Run("cropped.json --quiet -o c.exr"), 0) << log_;
    auto in = OIIO::ImageInput::open(Path("c.exr"));
    ASSERT_TRUE(in);
    const OIIO::ImageSpec& s = in->spec();
    EXPECT_EQ(std::vector<int>({s.x, s.y, s.width, s.height, s.full_x, s.full_y, s.full_width, s.full_height}),
              std::vector<int>({3, 2, 17, 10, 0, 0, input.width, input.height}));
}

}  // namespace
}  // namespace morvel::cli
