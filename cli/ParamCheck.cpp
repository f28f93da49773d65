#include "cli/ParamCheck.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "cli/SceneError.h"
#include "minihost/ParamModel.h"

namespace morvel::cli {
namespace {

constexpr double kMaxAngleDegrees = 32768.0;

// The host stores slider values and their bounds as floats: the documented
// lowest value 0.1 must pass although the double 0.1 is below the float 0.1.
bool WithinFloatRange(double v, double lo, double hi) {
    if (!(std::fabs(v) <= FLT_MAX)) return false;
    const float f = static_cast<float>(v);
    return f >= static_cast<float>(lo) && f <= static_cast<float>(hi);
}

// Angles are 16.16 fixed point: what rounds to 2^31 or beyond would wrap.
bool FitsFixed(double degrees) {
    if (!(std::fabs(degrees) < kMaxAngleDegrees + 1)) return false;
    const double fixed = std::round(degrees * 65536.0);
    return fixed > double(INT32_MIN) && fixed <= double(INT32_MAX);
}

std::string Qualified(const ParamInfo& p) { return p.group.empty() ? p.name : p.group + "/" + p.name; }

std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

void CheckValue(const Value& v, const ParamInfo& p, const std::string& where) {
    using K = ParamInfo::Kind;
    std::string label(1, '"');
    label.append(Qualified(p)).append("\" (").append(KindName(p.kind)).append(")");
    switch (p.kind) {
        case K::Float:
            if (v.kind != Value::Kind::Number) throw SceneError(where + ": " + label + " expects a number");
            if (!WithinFloatRange(v.number, p.valid_min, p.valid_max))
                throw SceneError(where + ": value " + Number(v.number) + " is out of range for " + label +
                                 ", expected " + Number(p.valid_min) + " to " + Number(p.valid_max));
            return;
        case K::Angle:
            if (v.kind != Value::Kind::Number) throw SceneError(where + ": " + label + " expects a number of degrees");
            // The host holds angles as 16.16 fixed-point degrees.
            if (!FitsFixed(v.number))
                throw SceneError(where + ": value " + Number(v.number) + " is out of range for " + label +
                                 ", expected more than " + Number(-kMaxAngleDegrees) + " and less than " +
                                 Number(kMaxAngleDegrees) + " after rounding to 1/65536 degree");
            return;
        case K::Checkbox:
            if (v.kind != Value::Kind::Bool) throw SceneError(where + ": " + label + " expects true or false");
            return;
        case K::Color:
            if (v.kind != Value::Kind::Vector)
                throw SceneError(where + ": " + label + " expects [r, g, b] with 0 to 255 each");
            for (double c : v.vec)
                if (c < 0 || c > 255)
                    throw SceneError(where + ": value " + Number(c) + " is out of range for " + label +
                                     ", expected 0 to 255 per component");
            return;
        case K::Layer:
            throw SceneError(where + ": " + label + " is a layer: assign an image to it under \"layers\"");
        default:
            throw SceneError(where + ": " + label + " has no value to set");
    }
}

}  // namespace

// The host's names, so every tool words a kind the same way.
std::string KindName(ParamInfo::Kind kind) {
    switch (kind) {
        case ParamInfo::Kind::Layer:
            return minihost::ParamKindName(PF_Param_LAYER);
        case ParamInfo::Kind::Float:
            return minihost::ParamKindName(PF_Param_FLOAT_SLIDER);
        case ParamInfo::Kind::Angle:
            return minihost::ParamKindName(PF_Param_ANGLE);
        case ParamInfo::Kind::Checkbox:
            return minihost::ParamKindName(PF_Param_CHECKBOX);
        case ParamInfo::Kind::Color:
            return minihost::ParamKindName(PF_Param_COLOR);
        case ParamInfo::Kind::GroupStart:
            return minihost::ParamKindName(PF_Param_GROUP_START);
        case ParamInfo::Kind::GroupEnd:
            return minihost::ParamKindName(PF_Param_GROUP_END);
        case ParamInfo::Kind::Other:
            break;
    }
    return "other";
}

const ParamInfo& ResolveParam(const std::vector<ParamInfo>& params, const std::string& name, const std::string& where) {
    const ParamInfo* found = nullptr;
    std::vector<std::string> same_name;
    for (const auto& p : params) {
        if (p.kind == ParamInfo::Kind::GroupEnd) continue;
        if (Qualified(p) == name) return p;
        if (p.name == name) {
            same_name.push_back(Qualified(p));
            found = &p;
        }
    }
    if (same_name.size() == 1) return *found;
    if (same_name.size() > 1) {
        std::string list;
        for (const auto& n : same_name) list += (list.empty() ? "\"" : ", \"") + n + "\"";
        throw SceneError(where + ": \"" + name + "\" is used by several groups, write one of " + list);
    }
    throw SceneError(where + ": unknown parameter \"" + name + "\" (morvel-render --list-params shows the names)");
}

void CheckParams(const std::vector<ParamSetting>& settings, const std::vector<ParamInfo>& params) {
    for (const auto& s : settings) {
        const ParamInfo& p = ResolveParam(params, s.name, s.where);
        for (const auto& [frame, value] : s.value.keys()) {
            const std::string at = s.value.keyframed() ? s.where + "[\"" + Number(frame) + "\"]" : s.where;
            CheckValue(value, p, at);
        }
    }
}

void CheckLayers(const Scene& scene, const std::vector<ParamInfo>& params) {
    const std::string where = (scene.file.empty() ? std::string("scene") : scene.file) + ": layers";
    for (const auto& layer : scene.layers) {
        if (layer.name == "input") continue;
        bool known = false;
        std::string names = "\"input\"";
        for (const auto& p : params) {
            if (p.kind != ParamInfo::Kind::Layer || p.index == 0) continue;
            names += ", \"" + p.name + "\"";
            known = known || p.name == layer.name;
        }
        if (!known) throw SceneError(where + ": unknown layer \"" + layer.name + "\", expected one of: " + names);
    }
    if (!scene.FindLayer("input") && !scene.FindLayer("Diffuse Albedo"))
        throw SceneError(where + ": expected an \"input\" or \"Diffuse Albedo\" layer (it fixes the frame size)");
}

}  // namespace morvel::cli
