// morvel-render end to end against the built module: the tool equals the
// same scene rendered through minihost in this process, a threaded sequence
// equals its frames rendered one by one, the demo needs no files, and the
// exit status tells usage errors from success.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/DemoScene.h"
#include "cli/SceneError.h"
#include "cli/SceneRenderer.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun RunTool(const fs::path& dir, const std::string& args) {
    const fs::path log = dir / "tool.log";
    const std::string cmd =
        "cd '" + dir.string() + "' && '" MORVEL_RENDER_PATH "' " + args + " > '" + log.string() + "' 2>&1";
    const int raw = std::system(cmd.c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
}

class RenderE2E : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("morvel_render_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The demo's passes at a small size, as float EXR files, with a scene file
    // that animates a light, a parameter and a light's activity.
    fs::path WriteShot() {
        const SceneImages demo = MakeDemoScene(96, 54);
        for (const auto& [name, image] : demo.layers) {
            std::string file = name;
            for (char& c : file)
                if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
            WriteImage((dir_ / (file + ".exr")).string(), Frame{32, image});
        }
        std::ofstream(dir_ / "shot.json") << R"({
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
        })";
        return dir_ / "shot.json";
    }

    fs::path dir_;
};

void ExpectSamePixels(const Image& a, const Frame& b, int depth, const std::string& what) {
    ASSERT_EQ(a.width, b.pixels.width) << what;
    ASSERT_EQ(a.height, b.pixels.height) << what;
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        const float file = depth == 16  ? std::round(a.rgba[i] * 32768.0f)
                           : depth == 8 ? std::round(a.rgba[i] * 255.0f)
                                        : a.rgba[i];
        mismatches += file != b.pixels.rgba[i];
    }
    EXPECT_EQ(mismatches, 0u) << what;
}

bool AnyLight(const Frame& f) {
    for (std::size_t i = 0; i < f.pixels.rgba.size(); i += 4)
        if (f.pixels.rgba[i] > 0 || f.pixels.rgba[i + 1] > 0 || f.pixels.rgba[i + 2] > 0) return true;
    return false;
}

TEST_F(RenderE2E, ToolEqualsInProcessRenderInEveryDepth) {
    const fs::path shot = WriteShot();
    const std::pair<int, const char*> cases[] = {{32, "exr"}, {16, "png"}, {8, "png"}};
    for (const auto& [depth, ext] : cases) {
        const std::string out = "out" + std::to_string(depth) + "." + ext;
        const ToolRun run = RunTool(dir_, "shot.json --quiet --frames 1 --depth " + std::to_string(depth) + " -o " +
                                              out + " --set 'Source Blend=10'");
        ASSERT_EQ(run.status, 0) << run.output;
        SceneRenderer renderer(MORVEL_MODULE_PATH);
        renderer.Load(LoadSceneImages(LoadScene(shot.string())), depth, {ParseParamAssignment("Source Blend=10")});
        const Frame expected = renderer.RenderOne(1);
        EXPECT_TRUE(AnyLight(expected)) << depth << "-bit frame is black";
        ExpectSamePixels(ReadImage((dir_ / out).string()), expected, depth, out);
    }
}

TEST_F(RenderE2E, ThreadedSequenceEqualsFramesRenderedOneByOne) {
    const fs::path shot = WriteShot();
    const ToolRun run = RunTool(dir_, "shot.json --quiet --frames 0-3 --jobs 2 -o 'seq.####.exr'");
    ASSERT_EQ(run.status, 0) << run.output;
    SceneRenderer renderer(MORVEL_MODULE_PATH);
    renderer.Load(LoadSceneImages(LoadScene(shot.string())), 32);
    std::vector<Frame> frames;
    for (int f = 0; f <= 3; ++f) {
        frames.push_back(renderer.RenderOne(f));
        ExpectSamePixels(ReadImage((dir_ / ("seq.000" + std::to_string(f) + ".exr")).string()), frames.back(), 32,
                         "frame " + std::to_string(f));
    }
    // The keyframes move the key light, so the frames must differ.
    EXPECT_NE(frames[0].pixels.rgba, frames[3].pixels.rgba);
}

TEST_F(RenderE2E, InProcessThreadsEqualOneByOne) {
    const fs::path shot = WriteShot();
    const SceneImages scene = LoadSceneImages(LoadScene(shot.string()));
    SceneRenderer serial(MORVEL_MODULE_PATH), threaded(MORVEL_MODULE_PATH, 2);
    serial.Load(scene, 16);
    threaded.Load(scene, 16);
    std::map<int, Frame> got;
    threaded.Render({0, 1, 2, 3, 4}, [&](int f, Frame&& frame) { got.emplace(f, std::move(frame)); });
    ASSERT_EQ(got.size(), 5u);
    for (int f = 0; f <= 4; ++f) EXPECT_EQ(got[f].pixels.rgba, serial.RenderOne(f).pixels.rgba) << "frame " << f;
}

TEST_F(RenderE2E, DemoRendersWithoutFiles) {
    const ToolRun run = RunTool(dir_, "--quiet");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir_))
        if (e.path().filename() != "tool.log") files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"morvel-demo.png"});
    const Image demo = ReadImage((dir_ / "morvel-demo.png").string());
    EXPECT_EQ(demo.width, 1280);
    EXPECT_EQ(demo.height, 720);
    double sum = 0;
    for (std::size_t i = 0; i < demo.rgba.size(); i += 4) sum += demo.rgba[i] + demo.rgba[i + 1] + demo.rgba[i + 2];
    const double mean = sum / (demo.rgba.size() / 4 * 3);
    EXPECT_GT(mean, 0.05) << "the demo is nearly black";
    EXPECT_LT(mean, 0.95) << "the demo is blown out";
}

TEST_F(RenderE2E, ExitStatusAndMessagesForBadRuns) {
    WriteShot();
    std::ofstream(dir_ / "typo.json")
        << R"({"layers": {"input": "input.exr"}, "lights": [{"type": "point", "intensty": 5}]})";
    std::ofstream(dir_ / "range.json") << R"({"layers": {"input": "input.exr"}, "params": {"Source Blend": 101}})";
    std::ofstream(dir_ / "nofile.json") << R"({"layers": {"input": "missing.exr"}})";
    struct Case {
        std::string args;
        int status;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"absent.json", 2, {"absent.json", "no such file"}},
        {"typo.json", 2, {"typo.json: lights[0]", "unknown key \"intensty\""}},
        {"range.json", 2, {"range.json: params.Source Blend", "value 101", "0 to 100"}},
        {"nofile.json", 2, {"nofile.json: layers.input", "missing.exr", "no such image file"}},
        {"shot.json --set 'Sorce Blend=3'", 2, {"Sorce Blend", "unknown parameter"}},
        {"shot.json --depth 32 -o x.png", 2, {"x.png", "PNG cannot hold 32-bit"}},
        {"--backend opencl", 2, {"--backend opencl", "not available in this build"}},
        {"--module /nonexistent/Morvel.aex", 2, {"/nonexistent/Morvel.aex", "no such module"}},
        {"--frames 5-1", 2, {"--frames 5-1"}},
        {"--list-params", 0, {"Source Blend", "0 to 100", "Rim Light", "Amount"}},
        {"--help", 0, {"usage: morvel-render"}},
    };
    for (const auto& c : cases) {
        const ToolRun run = RunTool(dir_, c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.output;
        for (const auto& part : c.parts)
            EXPECT_NE(run.output.find(part), std::string::npos)
                << c.args << ": \"" << part << "\" not in: " << run.output;
    }
}

}  // namespace
}  // namespace morvel::cli
