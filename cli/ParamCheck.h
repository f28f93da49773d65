// Scene parameters and layers checked against the parameters the module
// registered: the name must exist, the value must fit the kind (number for
// sliders, degrees for angles, true/false for checkboxes, [r, g, b] 0..255
// for colours) and lie in the slider's valid range.
#pragma once

#include <string>
#include <vector>

#include "cli/SceneFile.h"

namespace morvel::cli {

struct ParamInfo {
    enum class Kind { Layer, Float, Angle, Checkbox, Color, GroupStart, GroupEnd, Other };
    int index = 0;
    std::string name;   // the UI name
    std::string group;  // "" at top level
    Kind kind = Kind::Other;
    double valid_min = 0, valid_max = 0;  // float sliders
    std::string default_text;             // "50", "on", "#FFFFFFFF", "no layer"
    std::string range_text;               // "0 to 100", "-" where the kind has none
};

std::string KindName(ParamInfo::Kind kind);

// The parameter a scene name refers to: "Group/Name", or a name used once.
// Throws SceneError naming `where` and listing the names it could have meant.
const ParamInfo& ResolveParam(const std::vector<ParamInfo>& params, const std::string& name, const std::string& where);

// Every key of every setting; throws SceneError at the first fault.
void CheckParams(const std::vector<ParamSetting>& settings, const std::vector<ParamInfo>& params);
// Layer keys: "input" or a layer parameter's UI name; one of "input" and
// "Diffuse Albedo" must be present, since the effect layer's size is the input's.
void CheckLayers(const Scene& scene, const std::vector<ParamInfo>& params);

}  // namespace morvel::cli
