#include "cli/SceneJson.h"

#include <charconv>
#include <cmath>

#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

const char* ShapeText(Expect::Shape s) {
    switch (s) {
        case Expect::Shape::Number:
            return "a number";
        case Expect::Shape::Bool:
            return "true or false";
        case Expect::Shape::Vec3:
            return "an array of 3 numbers";
        case Expect::Shape::ParamValue:
            return "a number, true/false or [r, g, b]";
    }
    return "";
}

[[noreturn]] void Fail(const std::string& where, const std::string& message) {
    throw SceneError(where + ": " + message);
}

[[noreturn]] void WrongType(const nlohmann::ordered_json& j, const Expect& e, const std::string& where) {
    Fail(where, std::string("expected ") + ShapeText(e.shape) + ", got " + Describe(j));
}

double CheckRange(double v, const Expect& e, const std::string& where) {
    if (!std::isfinite(v)) Fail(where, "expected a finite number, got " + std::to_string(v));
    if (v < e.min || v > e.max) {
        std::string range = e.range_text.empty() ? "the valid range" : e.range_text;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%g", v);
        Fail(where, std::string("value ") + buf + " is out of range, expected " + range);
    }
    return v;
}

bool ParseFrameNumber(const std::string& key, double& frame) {
    if (key.empty()) return false;
    const char* end = key.data() + key.size();
    auto [ptr, ec] = std::from_chars(key.data(), end, frame);
    return ec == std::errc() && ptr == end && std::isfinite(frame);
}

}  // namespace

namespace {

// Stops as soon as the text is longer than `limit`, so a huge or deeply nested
// value costs no more than the message shows (and recursion stays shallow).
void AppendShort(const nlohmann::ordered_json& j, std::string& out, std::size_t limit) {
    if (out.size() > limit) return;
    if (j.is_array()) {
        out += '[';
        bool first = true;
        for (const auto& e : j) {
            if (out.size() > limit) return;
            if (!first) out += ',';
            first = false;
            AppendShort(e, out, limit);
        }
        out += ']';
    } else if (j.is_object()) {
        out += "{...}";
    } else {
        out += j.dump();
    }
}

}  // namespace

std::string Describe(const nlohmann::ordered_json& j) {
    if (j.is_string()) {
        std::string s = j.dump();
        if (s.size() > 60) s = s.substr(0, 57) + "...";
        return "the text " + s;
    }
    if (j.is_object()) return "an object";
    if (j.is_null()) return "null";
    constexpr std::size_t kShown = 40;
    std::string s;
    AppendShort(j, s, kShown);
    if (s.size() > kShown) s = s.substr(0, kShown - 3) + "...";
    return s;
}

Value ParseValue(const nlohmann::ordered_json& j, const Expect& e, const std::string& where) {
    using Shape = Expect::Shape;
    if (j.is_boolean() && (e.shape == Shape::Bool || e.shape == Shape::ParamValue)) return Value::Bool(j.get<bool>());
    if (j.is_number() && (e.shape == Shape::Number || e.shape == Shape::ParamValue))
        return Value::Number(CheckRange(j.get<double>(), e, where));
    if (j.is_array() && (e.shape == Shape::Vec3 || e.shape == Shape::ParamValue)) {
        if (j.size() != 3)
            Fail(where,
                 std::string("expected ") + ShapeText(e.shape) + ", got " + std::to_string(j.size()) + " elements");
        std::vector<double> v;
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string at = where + "[" + std::to_string(i) + "]";
            if (!j[i].is_number()) Fail(at, "expected a number, got " + Describe(j[i]));
            v.push_back(CheckRange(j[i].get<double>(), e, at));
        }
        return Value::Vector(std::move(v));
    }
    WrongType(j, e, where);
}

Animated ParseAnimated(const nlohmann::ordered_json& j, const Expect& e, const std::string& where) {
    if (!j.is_object()) return Animated(ParseValue(j, e, where));
    if (j.empty()) Fail(where, "bad keyframes: expected at least one \"frame\": value pair");
    std::map<double, Value> keys;
    for (const auto& [key, value] : j.items()) {
        double frame = 0;
        if (!ParseFrameNumber(key, frame) || frame < 0)
            Fail(where, "bad keyframe \"" + key + "\": expected a frame number 0 or above");
        const std::string at = where + "[\"" + key + "\"]";
        if (value.is_object()) Fail(at, "bad keyframe: a keyframe value cannot itself be keyframed");
        Value v = ParseValue(value, e, at);
        if (!keys.empty() && keys.begin()->second.kind != v.kind)
            Fail(at, "bad keyframe: every keyframe of a value must have the same kind, got " + Describe(value));
        if (!keys.emplace(frame, std::move(v)).second) Fail(at, "bad keyframe: frame " + key + " is given twice");
    }
    return Animated(std::move(keys), true);
}

}  // namespace morvel::cli
