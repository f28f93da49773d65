// A scene with its layer images in memory, from files or built in code.
#pragma once

#include <map>
#include <string>

#include "cli/Images.h"
#include "cli/SceneFile.h"

namespace morvel::cli {

struct SceneImages {
    Scene scene;
    std::map<std::string, Image> layers;  // by layer name: "input", "Diffuse Albedo", ..., "HDRI"
};

// Reads every layer the scene names; throws SceneError naming the file.
SceneImages LoadSceneImages(Scene scene);

}  // namespace morvel::cli
