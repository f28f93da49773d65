#include "cli/LightLimit.h"

#include <set>

namespace morvel::cli {

std::vector<std::size_t> IgnoredLights(const Scene& scene, const std::vector<int>& frames, int width, int height) {
    std::set<std::size_t> ignored;
    if (scene.lights.size() <= kEffectMaxLights) return {};
    for (int frame : frames) {
        std::size_t on = 0;
        for (std::size_t i = 0; i < scene.lights.size(); ++i) {
            if (!EvaluateLight(scene.lights[i], frame, scene.fps, width, height).active) continue;
            if (++on > kEffectMaxLights) ignored.insert(i);
        }
    }
    return {ignored.begin(), ignored.end()};
}

std::string IgnoredLightsWarning(const Scene& scene, const std::vector<std::size_t>& ignored) {
    if (ignored.empty()) return {};
    std::string names;
    for (std::size_t i : ignored) {
        names += names.empty() ? "" : ", ";
        names += "lights[" + std::to_string(i) + "]";
        if (!scene.lights[i].name.empty()) names += " \"" + scene.lights[i].name + "\"";
    }
    return (scene.file.empty() ? std::string("scene") : scene.file) + ": the effect takes at most " +
           std::to_string(kEffectMaxLights) +
           " lights a frame (the first ones that are on, top first); ignored: " + names;
}

}  // namespace morvel::cli
