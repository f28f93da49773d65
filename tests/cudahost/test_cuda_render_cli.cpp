// morvel-render on a CUDA device (the fake driver's): --backend cuda and auto render
// the CPU's picture on the device, driver failures in the effect end in the CPU
// picture through the fallback, and a machine without a device is told so.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FakeDriver.h"
#include "cli/DemoScene.h"
#include "cli/Images.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

class CudaRender : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string why = driver_.Missing(); !why.empty()) GTEST_SKIP() << why;
        fs::create_directories(dir_);
        for (const auto& [name, image] : MakeDemoScene(53, 29).layers) {
            if (name == "HDRI") continue;
            std::string file = name;
            for (char& c : file)
                if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
            WriteImage((dir_ / (file + ".exr")).string(), Frame{32, image});
        }
        std::ofstream(dir_ / "shot.json") << R"({
          "fps": 24,
          "layers": {"input": "input.exr", "Diffuse Albedo": "Diffuse_Albedo.exr", "Normal Map": "Normal_Map.exr",
                     "Roughness": "Roughness.exr", "Metalness": "Metalness.exr", "Specular Albedo": "Specular_Albedo.exr"},
          "params": {"Enable IBL": false, "Enable Rim Light": true, "Rim Light/Amount": 60, "Enable Incidence": true},
          "lights": [
            {"name": "Key", "type": "spot", "position": [10, 5, -80], "point_of_interest": [26, 14, 0],
             "cone_angle": 60, "cone_feather": 40, "intensity": 90},
            {"name": "Fill", "type": "point", "position": [40, 20, -40], "color": [0.6, 0.7, 1], "intensity": 50},
            {"name": "Sky", "type": "ambient", "intensity": 15}
          ]
        })";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the tool on the test module in the test folder, with `env` before it;
    // returns its exit status, its output in log_.
    int Run(const std::string& args, const std::string& env = "") {
        const std::string cmd = "cd '" + dir_.string() + "' && " + env +
                                " '" MORVEL_RENDER_PATH "' --module '" MORVEL_FAKE_CUDA_MODULE "' " + args +
                                " > tool.log 2>&1";
        const int raw = std::system(cmd.c_str());
        std::stringstream text;
        text << std::ifstream(dir_ / "tool.log").rdbuf();
        log_ = text.str();
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string Report(const char* file) {
        std::ifstream in(dir_ / file);
        std::string line;
        std::getline(in, line);
        return line;
    }

    // Within 1e-4 + 1e-4 |v| per channel on at least 99.9 % of the values.
    static void ExpectSamePicture(const Image& got, const Image& want) {
        ASSERT_EQ(got.width, want.width);
        ASSERT_EQ(got.height, want.height);
        size_t off = 0;
        for (size_t i = 0; i < got.rgba.size(); ++i)
            off += !(std::fabs(got.rgba[i] - want.rgba[i]) <= 1e-4f + 1e-4f * std::fabs(want.rgba[i]));
        EXPECT_LE(off, got.rgba.size() / 1000) << off << " values differ";
    }

    morvel::test::FakeDriver driver_;
    fs::path dir_ = fs::temp_directory_path() / ("morvel-cuda-cli-" + std::to_string(::getpid()));
    std::string log_;
};

TEST_F(CudaRender, DeviceFramesAndDriverFaultsEndInTheCpuPicture) {
    ASSERT_EQ(Run("shot.json --quiet --backend cpu -o cpu.exr --report cpu.jsonl"), 0) << log_;
    const Image cpu = ReadImage((dir_ / "cpu.exr").string());
    struct Case {
        std::string args, env, report;
    };
    const Case cases[] = {
        {"--backend cuda", "", R"("backend":"cuda","device":"Fake CUDA Device 0","fallback":false)"},
        {"", "", R"("backend":"cuda","device":"Fake CUDA Device 0","fallback":false)"},
        {"--backend cuda", "MORVEL_FAKE_CUDA_FAULT=launch",
         R"("backend":"cuda","device":"Fake CUDA Device 0","fallback":true)"},
        // A module that cannot be loaded on the device: the effect declines it.
        {"--backend cuda", "MORVEL_FAKE_CUDA_FAULT=load", R"("backend":"cpu","device":null)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args + " " + c.env);
        ASSERT_EQ(Run("shot.json --quiet -o gpu.exr --report gpu.jsonl " + c.args, c.env), 0) << log_;
        EXPECT_NE(Report("gpu.jsonl").find(c.report), std::string::npos) << Report("gpu.jsonl");
        ExpectSamePicture(ReadImage((dir_ / "gpu.exr").string()), cpu);
    }
}

TEST_F(CudaRender, WithoutADeviceCudaStopsAndTheListingSaysWhy) {
    const std::string none = "MORVEL_FAKE_CUDA_DEVICES=0";
    EXPECT_EQ(Run("shot.json --quiet --backend cuda -o x.exr", none), 2) << log_;
    EXPECT_NE(log_.find("--backend cuda: no CUDA device (the NVIDIA driver finds no CUDA device)"), std::string::npos)
        << log_;
    EXPECT_FALSE(fs::exists(dir_ / "x.exr"));

    ASSERT_EQ(Run("--list-devices -v", none), 0) << log_;
    EXPECT_NE(log_.find("no CUDA devices (the NVIDIA driver finds no CUDA device)"), std::string::npos) << log_;

    ASSERT_EQ(Run("--list-devices -v"), 0) << log_;
    EXPECT_NE(log_.find("cuda 0  gpu  Fake CUDA Device 0 (compute 8.6): accepted"), std::string::npos) << log_;
    ASSERT_EQ(Run("--list-devices -v", "MORVEL_FAKE_CUDA_FAULT=retain"), 0) << log_;
    EXPECT_NE(
        log_.find("Fake CUDA Device 0 (compute 8.6): unusable\n    CUDA device 'Fake CUDA Device 0': cannot retain"),
        std::string::npos)
        << log_;

    // A device the driver cannot open: asked for by name, an error; under auto, the CPU.
    EXPECT_EQ(Run("shot.json --quiet --backend cuda -o x.exr", "MORVEL_FAKE_CUDA_FAULT=retain"), 2) << log_;
    EXPECT_NE(log_.find("--backend cuda: CUDA device 'Fake CUDA Device 0': cannot retain its primary context"),
              std::string::npos)
        << log_;
    EXPECT_EQ(Run("shot.json --backend auto -o x.exr --report x.jsonl", "MORVEL_FAKE_CUDA_FAULT=retain"), 0) << log_;
    EXPECT_NE(log_.find("warning: CUDA device 'Fake CUDA Device 0'"), std::string::npos) << log_;
    EXPECT_EQ(Report("x.jsonl").find(R"("backend":"cuda")"), std::string::npos) << Report("x.jsonl");
    // A device the effect declines is reported; auto goes on without it.
    EXPECT_EQ(Run("shot.json --backend auto -o x.exr --report x.jsonl", "MORVEL_FAKE_CUDA_FAULT=load"), 0) << log_;
    EXPECT_NE(log_.find("CUDA device 'Fake CUDA Device 0' not used (the effect declined the device)"),
              std::string::npos)
        << log_;
    EXPECT_EQ(Report("x.jsonl").find(R"("backend":"cuda")"), std::string::npos) << Report("x.jsonl");
}

}  // namespace
}  // namespace morvel::cli
