#include "cli/SceneImages.h"

#include "cli/SceneError.h"

namespace morvel::cli {

SceneImages LoadSceneImages(Scene scene) {
    SceneImages out;
    for (const auto& layer : scene.layers) {
        try {
            out.layers[layer.name] = ReadImage(layer.path);
        } catch (const SceneError& e) {
            throw SceneError(scene.file + ": layers." + layer.name + ": " + e.what());
        }
    }
    out.scene = std::move(scene);
    return out;
}

}  // namespace morvel::cli
