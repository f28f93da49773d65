// Writes the built-in demo shot as a scene folder of float EXR passes and a
// scene file, so that morvel-render's file reading and writing can be timed on
// production-sized frames: seven passes (a beauty of its own, so no file feeds
// two layers) and the sky HDRI, zip-compressed as renderers commonly write
// them. Image-based lighting is off: the environment pass has a benchmark of
// its own, and here it would hide the cost of the files.
//
//   morvel-make-scene DIR [WIDTH HEIGHT]
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/DemoScene.h"
#include "cli/Images.h"

namespace {

using namespace morvel::cli;
namespace fs = std::filesystem;

std::string FileName(std::string layer) {
    for (char& c : layer)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return layer + ".exr";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: morvel-make-scene DIR [WIDTH HEIGHT]\n");
        return 2;
    }
    try {
        const fs::path dir = argv[1];
        const int width = argc == 4 ? std::stoi(argv[2]) : 1920, height = argc == 4 ? std::stoi(argv[3]) : 1080;
        fs::create_directories(dir);
        SceneImages demo = MakeDemoScene(width, height);
        // A beauty that differs from the albedo, as a renderer's would.
        Image& beauty = demo.layers.at("input");
        for (std::size_t i = 0; i < beauty.rgba.size(); ++i)
            if (i % 4 != 3) beauty.rgba[i] *= 0.8f;
        std::string layers;
        for (const auto& [name, image] : demo.layers) {
            WriteImage((dir / FileName(name)).string(), Frame{32, image}, Compression{"zip", 0});
            layers += std::string(layers.empty() ? "" : ", ") + "\"" + name + "\": \"" + FileName(name) + "\"";
        }
        const double cx = width / 2.0, cy = height / 2.0;
        std::ofstream(dir / "shot.json")
            << "{\n  \"fps\": 24,\n  \"layers\": {" << layers << "},\n"
            << "  \"params\": {\"Enable IBL\": false, \"Enable Rim Light\": true},\n"
            << "  \"lights\": [\n"
            << "    {\"name\": \"Key\", \"type\": \"spot\", \"position\": [" << cx * 0.3 << ", " << cy * 0.2
            << ", -900], \"point_of_interest\": [" << cx << ", " << cy
            << ", 0], \"cone_angle\": 60, \"intensity\": 90},\n"
            << "    {\"name\": \"Fill\", \"type\": \"point\", \"position\": [" << cx * 1.7 << ", " << cy * 0.6
            << ", -500], \"color\": [0.6, 0.7, 1], \"intensity\": 60},\n"
            << "    {\"name\": \"Amb\", \"type\": \"ambient\", \"intensity\": 8}\n  ]\n}\n";
        std::printf("%s\n", (dir / "shot.json").c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morvel-make-scene: %s\n", e.what());
        return 2;
    }
}
