// A scene value that is either constant or keyframed by frame number.
// Numbers and vectors interpolate linearly between keys (per component);
// booleans and text hold the earlier key's value until the next key.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace morvel::cli {

struct Value {
    enum class Kind { Number, Bool, Vector, Text };
    Kind kind = Kind::Number;
    double number = 0;
    bool flag = false;
    std::vector<double> vec;
    std::string text;

    static Value Number(double v) { return {Kind::Number, v, false, {}, {}}; }
    static Value Bool(bool v) { return {Kind::Bool, 0, v, {}, {}}; }
    static Value Vector(std::vector<double> v) { return {Kind::Vector, 0, false, std::move(v), {}}; }
    static Value Text(std::string v) { return {Kind::Text, 0, false, {}, std::move(v)}; }
    bool operator==(const Value&) const = default;
};

class Animated {
public:
    Animated() = default;
    explicit Animated(Value constant) { keys_.emplace(0.0, std::move(constant)); }
    explicit Animated(std::map<double, Value> keys, bool keyframed) : keys_(std::move(keys)), keyframed_(keyframed) {}

    bool empty() const { return keys_.empty(); }
    bool keyframed() const { return keyframed_; }
    const std::map<double, Value>& keys() const { return keys_; }

    // Before the first key the first value holds, after the last the last.
    Value At(double frame) const;

private:
    std::map<double, Value> keys_;
    bool keyframed_ = false;
};

}  // namespace morvel::cli
