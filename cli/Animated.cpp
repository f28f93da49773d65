#include "cli/Animated.h"

#include <stdexcept>

namespace morvel::cli {

Value Animated::At(double frame) const {
    if (keys_.empty()) throw std::logic_error("Animated::At on an empty value");
    auto next = keys_.lower_bound(frame);
    if (next == keys_.end()) return std::prev(next)->second;
    if (next->first == frame || next == keys_.begin()) return next->second;
    auto prev = std::prev(next);
    const Value& a = prev->second;
    const Value& b = next->second;
    const double t = (frame - prev->first) / (next->first - prev->first);
    switch (a.kind) {
        case Value::Kind::Number:
            return Value::Number(a.number + (b.number - a.number) * t);
        case Value::Kind::Vector: {
            std::vector<double> v(a.vec.size());
            for (std::size_t i = 0; i < v.size(); ++i) v[i] = a.vec[i] + (b.vec[i] - a.vec[i]) * t;
            return Value::Vector(std::move(v));
        }
        case Value::Kind::Bool:
        case Value::Kind::Text:
            break;
    }
    return a;
}

}  // namespace morvel::cli
