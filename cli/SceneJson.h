// Reading typed, optionally keyframed values out of JSON, with messages that
// name the field and the expected value.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/Animated.h"

namespace morvel::cli {

struct Expect {
    enum class Shape { Number, Bool, Vec3, ParamValue } shape = Shape::Number;
    double min = -1e300, max = 1e300;  // per number or vector component
    std::string range_text;            // "0 to 1", shown when a value is out of range

    static Expect Number(double lo = -1e300, double hi = 1e300, std::string text = {}) {
        return {Shape::Number, lo, hi, std::move(text)};
    }
    static Expect Bool() { return {Shape::Bool, 0, 0, {}}; }
    static Expect Vec3(double lo = -1e300, double hi = 1e300, std::string text = {}) {
        return {Shape::Vec3, lo, hi, std::move(text)};
    }
    // A parameter: number, boolean or [r, g, b]; ranges are checked later against the module.
    static Expect Param() { return {Shape::ParamValue, -1e300, 1e300, {}}; }
};

// A description of a JSON value for messages: `"abc"` (a string), `true`, `[1,2]`.
std::string Describe(const nlohmann::ordered_json& j);

Value ParseValue(const nlohmann::ordered_json& j, const Expect& expect, const std::string& where);
// A constant, or an object of frame number → value whose values share one kind.
Animated ParseAnimated(const nlohmann::ordered_json& j, const Expect& expect, const std::string& where);

}  // namespace morvel::cli
