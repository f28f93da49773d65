// morvel-render end to end against the built module: the tool equals the
// same scene rendered through minihost in this process, a threaded sequence
// equals its frames rendered one by one, the demo needs no files, and every
// device fault ends in the CPU picture.
#include <gtest/gtest.h>

#include <cmath>

#include "ToolFixture.h"
#include "cli/PixelDepth.h"
#include "cli/SceneError.h"
#include "cli/SceneRenderer.h"
#include "minihost/CudaDevice.h"
#include "minihost/OpenClDevice.h"

namespace morvel::cli {
namespace {

class RenderE2E : public ToolTest {
protected:
    // The demo's passes at a small size, with a scene file that animates a light, a
    // parameter and a light's activity.
    SceneImages WriteShot() {
        WriteDemoPasses(96, 54);
        Write("shot.json", R"({
          "fps": 24,
          "layers": {"input": "input.exr", "Diffuse Albedo": "Diffuse_Albedo.exr", "Normal Map": "Normal_Map.exr",
                     "Roughness": "Roughness.exr", "Metalness": "Metalness.exr", "Specular Albedo": "Specular_Albedo.exr",
                     "HDRI": "HDRI.exr"},
          "params": {"Enable IBL": true, "HDRI Exposure": -1, "Enable Rim Light": true,
                     "Rim Light/Amount": {"0": 20, "3": 120}, "HDRI Tint": [255, 240, 220]},
          "lights": [
            {"name": "Key", "type": "spot", "position": {"0": [10, 5, -80], "3": [90, 5, -80]},
             "point_of_interest": [48, 27, 0], "cone_angle": 60, "cone_feather": 40, "intensity": 90},
            {"name": "Fill", "type": "point", "position": [80, 20, -40], "color": [0.6, 0.7, 1],
             "falloff": "smooth", "falloff_distance": 200, "active": {"0": true, "2": false}},
            {"name": "Sun", "type": "parallel", "position": [0, -100, -100], "point_of_interest": [48, 27, 0], "intensity": 30},
            {"name": "Amb", "type": "ambient", "intensity": 8}
          ]
        })");
        return LoadSceneImages(LoadScene(Path("shot.json")));
    }

    // The file holds the frame's levels exactly.
    void ExpectFileHolds(const std::string& file, const Frame& frame) {
        const Image a = Read(file);
        ASSERT_EQ(a.width, frame.pixels.width) << file;
        ASSERT_EQ(a.height, frame.pixels.height) << file;
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < a.rgba.size(); ++i)
            mismatches += ToDepth(a.rgba[i], frame.depth) != frame.pixels.rgba[i];
        EXPECT_EQ(mismatches, 0u) << file;
    }

    // A float frame rendered on a device: within 1e-4 + 1e-4 |v| per channel on at
    // least 99.9 % of the pixels, and alpha coverage (zero or not) the same everywhere.
    void ExpectFileMatches(const std::string& file, const Frame& frame) {
        const Image a = Read(file);
        ASSERT_EQ(a.width, frame.pixels.width) << file;
        ASSERT_EQ(a.height, frame.pixels.height) << file;
        std::size_t off = 0, coverage = 0;
        for (std::size_t p = 0; p + 3 < a.rgba.size(); p += 4) {
            bool close = true;
            for (std::size_t c = 0; c < 4; ++c) {
                const float u = a.rgba[p + c], v = frame.pixels.rgba[p + c];
                close = close && (u == v || (std::isnan(u) && std::isnan(v)) ||
                                  std::fabs(u - v) <= 1e-4f + 1e-4f * std::fabs(v));
            }
            off += !close;
            coverage += (a.rgba[p + 3] == 0.0f) != (frame.pixels.rgba[p + 3] == 0.0f);
        }
        EXPECT_LE(off, a.rgba.size() / 4 / 1000) << file << ": " << off << " pixels differ";
        EXPECT_EQ(coverage, 0u) << file;
    }
};

TEST_F(RenderE2E, ToolEqualsInProcessRenderInEveryDepth) {
    const SceneImages shot = WriteShot();
    for (const auto& [depth, ext] : {std::pair{32, "exr"}, std::pair{16, "png"}, std::pair{8, "png"}}) {
        const std::string out = "out" + std::to_string(depth) + "." + ext;
        ASSERT_EQ(Run("shot.json --quiet --frames 1 --depth " + std::to_string(depth) + " -o " + out +
                      " --set 'Source Blend=10'"),
                  0)
            << log_;
        SceneRenderer renderer(MORVEL_MODULE_PATH);
        renderer.Load(shot, depth, {ParseParamAssignment("Source Blend=10")});
        const Frame expected = renderer.RenderOne(1);
        EXPECT_EQ(expected.depth, depth);
        bool lit = false;
        for (std::size_t i = 0; i < expected.pixels.rgba.size(); ++i) lit |= i % 4 != 3 && expected.pixels.rgba[i] > 0;
        EXPECT_TRUE(lit) << depth << "-bit frame is black";
        ExpectFileHolds(out, expected);
    }
}

TEST_F(RenderE2E, DemoRendersWithoutFiles) {
    ASSERT_EQ(Run("--quiet"), 0) << log_;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 2) << "the demo and tool.log only";
    const Image demo = Read("morvel-demo.png");
    EXPECT_EQ(demo.width, 1280);
    EXPECT_EQ(demo.height, 720);
    double sum = 0;
    for (std::size_t i = 0; i < demo.rgba.size(); ++i) sum += i % 4 == 3 ? 0 : demo.rgba[i];
    const double mean = sum / (demo.rgba.size() / 4 * 3);
    EXPECT_GT(mean, 0.05) << "the demo is nearly black";
    EXPECT_LT(mean, 0.95) << "the demo is blown out";
}

// The report's one line for a single-frame run.
std::string ReportLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line, extra;
    std::getline(in, line);
    EXPECT_FALSE(std::getline(in, extra)) << file << " has more than one line";
    return line;
}

// Every host fault ends in the CPU picture with exit 0: a device the effect does not
// take renders through the CPU command, a frame that fails on the device renders
// again on the CPU. The report says which happened.
TEST_F(RenderE2E, EveryInjectedFaultEndsInTheCpuPicture) {
    if (minihost::ListOpenClDevices().empty()) GTEST_SKIP() << "no OpenCL device (install pocl-opencl-icd)";
    WriteShot();
    ASSERT_EQ(Run("shot.json --quiet --frames 1 --depth 32 --backend cpu -o cpu.exr --report cpu.jsonl"), 0) << log_;
    EXPECT_NE(ReportLine(dir_ / "cpu.jsonl").find(R"("backend":"cpu","device":null,"fallback":false,"frame":1,)"),
              std::string::npos);
    const Frame cpu{32, Read("cpu.exr")};
    struct Case {
        std::string args;
        std::string report;  // how the frame was rendered
    };
    const Case cases[] = {
        // The shot has IBL, an ambient light and a rim light: all of it on the device.
        {"", R"("backend":"opencl")"},
        {"--inject-fault gpu-memory", R"("fallback":true)"},
        {"--inject-fault gpu-suite", R"("backend":"cpu","device":null,"fallback":false)"},
        {"--inject-fault gpu-device-info", R"("backend":"cpu","device":null,"fallback":false)"},
        {"--inject-fault gpu-queue", R"("backend":"cpu","device":null,"fallback":false)"},
        {"--inject-fault gpu-world-data", R"("fallback":true)"},
        {"--inject-fault gpu-world-data --inject-fault gpu-suite", R"("backend":"cpu")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ASSERT_EQ(
            Run("shot.json --quiet --frames 1 --depth 32 --backend opencl -o gpu.exr --report gpu.jsonl " + c.args), 0)
            << log_;
        const std::string line = ReportLine(dir_ / "gpu.jsonl");
        EXPECT_NE(line.find(c.report), std::string::npos) << line;
        const bool on_device = line.find(R"("backend":"opencl")") != std::string::npos;
        const bool fell_back = line.find(R"("fallback":true)") != std::string::npos;
        if (on_device) {
            EXPECT_EQ(line.find(R"("device":null)"), std::string::npos) << line;
        }
        // Only a fault falls back; a frame the device finished is the CPU picture
        // within the tolerance, one the CPU rendered is it exactly.
        EXPECT_EQ(fell_back, on_device && (c.args.find("gpu-world-data") != std::string::npos ||
                                           c.args.find("gpu-memory") != std::string::npos))
            << line;
        if (on_device && !fell_back)
            ExpectFileMatches("gpu.exr", cpu);
        else
            ExpectFileHolds("gpu.exr", cpu);
    }
}

// Several frames in flight, each through its own effect instance, give the frames one
// instance renders one by one: exactly on the CPU, within the device tolerance on OpenCL.
TEST_F(RenderE2E, SequenceOnThreadsEqualsFramesRenderedOneByOne) {
    const SceneImages shot = WriteShot();
    SceneRenderer renderer(MORVEL_MODULE_PATH);
    renderer.Load(shot, 32);
    std::vector<Frame> frames;
    for (int f = 0; f <= 3; ++f) frames.push_back(renderer.RenderOne(f));
    // The keyframes move the key light, so the frames must differ.
    EXPECT_NE(frames[0].pixels.rgba, frames[3].pixels.rgba);
    for (const std::string backend : {"cpu", "opencl"}) {
        SCOPED_TRACE(backend);
        if (backend == "opencl" && minihost::ListOpenClDevices().empty()) continue;  // no pocl-opencl-icd
        ASSERT_EQ(Run("shot.json --quiet --frames 0-3 --jobs 3 --backend " + backend + " -o '" + backend +
                      ".####.exr' --report " + backend + ".jsonl"),
                  0)
            << log_;
        for (int f = 0; f <= 3; ++f) {
            const std::string file = backend + ".000" + std::to_string(f) + ".exr";
            backend == "cpu" ? ExpectFileHolds(file, frames[f]) : ExpectFileMatches(file, frames[f]);
        }
        std::ifstream report(dir_ / (backend + ".jsonl"));
        int lines = 0;
        for (std::string line; std::getline(report, line); ++lines) {
            EXPECT_NE(line.find(R"("backend":")" + backend + R"(","device")"), std::string::npos) << line;
            EXPECT_NE(line.find(R"("fallback":false)"), std::string::npos) << line;
        }
        EXPECT_EQ(lines, 4);
    }
}

// auto never picks a CPU OpenCL platform; --list-devices says whether the effect takes each device.
TEST_F(RenderE2E, AutoKeepsToTheCpuWithoutAGpuAndDevicesAreListed) {
    const auto devices = minihost::ListOpenClDevices();
    if (devices.empty()) GTEST_SKIP() << "no OpenCL device (install pocl-opencl-icd)";
    bool any_gpu = false;
    for (const auto& d : devices) any_gpu |= d.gpu;
    WriteShot();
    ASSERT_EQ(Run("shot.json --quiet --frames 0 --depth 32 -o auto.exr --report auto.jsonl"), 0) << log_;
    const std::string line = ReportLine(dir_ / "auto.jsonl");
    EXPECT_NE(line.find(any_gpu ? R"("backend":"opencl")" : R"("backend":"cpu")"), std::string::npos) << line;

    ASSERT_EQ(Run("--list-devices -v"), 0) << log_;
    EXPECT_NE(log_.find(devices.front().name), std::string::npos) << log_;
    // Without an NVIDIA driver the listing says why there is no CUDA device.
    if (minihost::CudaDevices().devices.empty()) {
        EXPECT_NE(log_.find("no CUDA devices ("), std::string::npos) << log_;
    }
    EXPECT_NE(log_.find(": accepted"), std::string::npos) << log_;
}

}  // namespace
}  // namespace morvel::cli
