// Scene text -> scene, then everything morvel-render derives from a scene
// without images: parameter checks, lights at several frames, the light limit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/LightLimit.h"
#include "cli/ParamCheck.h"
#include "cli/SceneError.h"
#include "cli/SceneFile.h"

namespace {

using morvel::cli::ParamInfo;

// Shaped like the module's registered parameters: each kind, a shared name.
const std::vector<ParamInfo>& Registered() {
    using K = ParamInfo::Kind;
    static const std::vector<ParamInfo> params = {
        {0, "", "", K::Layer, 0, 0, "", ""},
        {2, "Diffuse Albedo", "Morvel Passes", K::Layer, 0, 0, "", ""},
        {11, "Source Blend", "PBR Controller", K::Float, 0, 100, "0", ""},
        {17, "Enable IBL", "Environment (IBL)", K::Checkbox, 0, 0, "", ""},
        {19, "HDRI Rotation Y", "Environment (IBL)", K::Angle, 0, 0, "", ""},
        {21, "HDRI Gamma", "Environment (IBL)", K::Float, 0.1f, 10, "1", ""},
        {27, "HDRI Tint", "Environment (IBL)", K::Color, 0, 0, "", ""},
        {32, "Amount", "Incidence", K::Float, 0, 200, "50", ""},
        {38, "Amount", "Rim Light", K::Float, 0, 200, "50", ""},
    };
    return params;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const morvel::cli::Scene scene = morvel::cli::ParseScene(text, "fuzz.json", "");
        morvel::cli::CheckParams(scene.params, Registered());
        morvel::cli::CheckLayers(scene, Registered());
        for (int frame : {0, 1, 7, 1000000})
            for (const auto& light : scene.lights) morvel::cli::EvaluateLight(light, frame, scene.fps, 64, 32);
        morvel::cli::IgnoredLights(scene, {0, 3}, 64, 32);
    } catch (const morvel::cli::SceneError&) {
    }
    try {
        morvel::cli::CheckParams({morvel::cli::ParseParamAssignment(text)}, Registered());
    } catch (const morvel::cli::SceneError&) {
    }
    return 0;
}
