// A scene with its layer images in memory, from files or built in code.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "cli/Images.h"
#include "cli/SceneFile.h"

namespace morvel::cli {

struct SceneImages {
    Scene scene;
    std::map<std::string, Image> layers;  // by layer name: "input", "Diffuse Albedo", ..., "HDRI"
};

// How many files a load decoded, so callers can tell that layers sharing a file shared the work.
struct LoadStats {
    std::size_t files_decoded = 0;
};

// How many files to decode at once for `files` files: one each, up to the
// machine's cores and never more than 16 (each decode holds a whole image).
int DecodeWorkers(std::size_t files);

// Reads every layer the scene names. Each file is decoded once however many
// layers name it (by any spelling of its path: the key is the file itself and
// the layer within it), and distinct files are decoded on up to `workers`
// threads at once (0: DecodeWorkers). The result does not depend on `workers`.
// Throws SceneError naming the scene, the layer and the file; when several
// files fail, the error is that of the first failing layer in scene order.
SceneImages LoadSceneImages(Scene scene, int workers = 0, LoadStats* stats = nullptr);

}  // namespace morvel::cli
