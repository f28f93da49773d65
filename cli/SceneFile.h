// The scene file morvel-render reads: layers (image files per layer
// parameter), parameter values by UI name, and the composition's lights, each
// value optionally keyframed. Parsing checks everything that can be checked
// without the module; ParamCheck checks names, kinds and ranges against what
// the module registers.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cli/Animated.h"

namespace morvel::cli {

// The host's light-type numbers.
enum class LightType { Parallel = 0, Spot = 1, Point = 2, Ambient = 3 };
// The host's falloff-type numbers.
enum class Falloff { None = 0, Smooth = 1, InverseSquareClamped = 2 };

struct LightSpec {
    std::string name;
    LightType type = LightType::Point;
    Falloff falloff = Falloff::None;
    // Empty where the scene leaves the default.
    Animated position, point_of_interest, color, intensity, cone_angle, cone_feather, falloff_radius, falloff_distance,
        active;
    std::optional<double> in_seconds, out_seconds;
};

// One light at one frame, defaults applied.
struct LightState {
    std::string name;
    LightType type = LightType::Point;
    Falloff falloff = Falloff::None;
    std::array<double, 3> position{}, point_of_interest{}, color{1, 1, 1};
    double intensity = 100, cone_angle = 90, cone_feather = 50, falloff_radius = 500, falloff_distance = 500;
    bool active = true;
};

struct LayerRef {
    std::string name;        // "input" or a layer parameter's UI name
    std::string path;        // resolved against the scene's folder; may end in "#layer"
    std::string colorspace;  // "": used as stored
};

struct ParamSetting {
    std::string name;
    Animated value;
    std::string where;  // "scene.json: params.Source Blend", for messages
};

struct Scene {
    std::string file;  // "" for scenes built in code
    double fps = 24;
    std::optional<int> depth;
    std::vector<LayerRef> layers;
    std::vector<ParamSetting> params;
    std::vector<LightSpec> lights;
    std::string working_colorspace;  // "": the colour config's scene-linear role
    std::string output_colorspace;   // "": written in the working space

    const LayerRef* FindLayer(const std::string& name) const;
};

// Throws SceneError naming the file, the field and what was expected.
Scene LoadScene(const std::string& path);
// `file` names the source in messages; relative layer paths resolve against `base_dir`.
Scene ParseScene(const std::string& text, const std::string& file, const std::string& base_dir);

// A parameter value from text, as `--set 'Name=value'` gives it: a number,
// true/false, or [r, g, b]; `where` prefixes messages.
ParamSetting ParseParamAssignment(const std::string& assignment);

LightState EvaluateLight(const LightSpec& light, double frame, double fps, double comp_width, double comp_height);

}  // namespace morvel::cli
