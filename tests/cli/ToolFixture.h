// A scratch folder per test, morvel-render run inside it, and the demo's passes as files.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/DemoScene.h"
#include "cli/Images.h"

namespace morvel::cli {

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir_); }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    std::string Bytes(const std::string& name) const {
        std::stringstream text;
        text << std::ifstream(dir_ / name, std::ios::binary).rdbuf();
        return text.str();
    }
    Image Read(const std::string& name) const { return ReadImage(Path(name)); }

    // Runs the tool in the folder with `env` (an env(1) prefix) before it; returns its
    // exit status, its output in log_.
    int Run(const std::string& args, const std::string& env = "") {
        const std::string cmd =
            "cd '" + dir_.string() + "' && " + env + " '" MORVEL_RENDER_PATH "' " + args + " > tool.log 2>&1";
        const int raw = std::system(cmd.c_str());
        log_ = Bytes("tool.log");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // The demo's passes as float EXR files named after their layers: "Normal Map" in Normal_Map.exr.
    void WriteDemoPasses(int width, int height) const {
        for (const auto& [name, image] : MakeDemoScene(width, height).layers) {
            std::string file = name;
            for (char& c : file)
                if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
            WriteImage(Path(file + ".exr"), Frame{32, image});
        }
    }

    std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
                                 ("morvel_" + std::to_string(::getpid()) + "_" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string log_;
};

}  // namespace morvel::cli
