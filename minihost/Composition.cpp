#include "minihost/Composition.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace minihost {
namespace {

Vec3d Sub(Vec3d a, Vec3d b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3d Cross(Vec3d a, Vec3d b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Length(Vec3d v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
Vec3d Scale(Vec3d v, double s) { return {v.x * s, v.y * s, v.z * s}; }

}  // namespace

Composition::Composition() {
    CompLayer effect;
    effect.name = "effect layer";
    Add(std::move(effect));
}

CompLayer& Composition::Add(CompLayer layer) {
    layers_.push_back(std::move(layer));
    handle_slots_.push_back(nullptr);
    return layers_.back();
}

CompLayer& Composition::AddLight(AEGP_LightType type, Vec3d position, Vec3d point_of_interest) {
    CompLayer l;
    l.name = "light " + std::to_string(layers_.size());
    l.object_type = AEGP_ObjectType_LIGHT;
    l.light_type = type;
    l.position = position;
    l.point_of_interest = point_of_interest;
    return Add(std::move(l));
}

CompLayer& Composition::AddLayer(AEGP_ObjectType type) {
    CompLayer l;
    l.name = "layer " + std::to_string(layers_.size());
    l.object_type = type;
    return Add(std::move(l));
}

void Composition::Clear() {
    CompLayer effect = std::move(layers_.at(effect_layer));
    layers_.clear();
    handle_slots_.clear();
    effect_layer = 0;
    Add(std::move(effect));
}

std::vector<AegpQuery> Composition::Queries() const {
    std::lock_guard lock(mutex_);
    return queries_;
}

void Composition::ClearQueries() {
    std::lock_guard lock(mutex_);
    queries_.clear();
}

void Composition::Record(AegpQuery q) {
    std::lock_guard lock(mutex_);
    queries_.push_back(std::move(q));
}

AEGP_LayerH Composition::Handle(std::size_t index) { return reinterpret_cast<AEGP_LayerH>(&handle_slots_.at(index)); }

int Composition::IndexOf(AEGP_LayerH layer) const {
    for (std::size_t i = 0; i < handle_slots_.size(); ++i) {
        if (reinterpret_cast<const void*>(layer) == &handle_slots_[i]) return static_cast<int>(i);
    }
    return -1;
}

A_Matrix4 Composition::LayerToWorld(const CompLayer& layer) {
    Vec3d z = Sub(layer.point_of_interest, layer.position);
    const double len = Length(z);
    z = len > 0 && std::isfinite(len) ? Scale(z, 1.0 / len) : Vec3d{0, 0, 1};
    // No roll: x stays level (perpendicular to the world's y axis), so an unrotated
    // layer facing +z gets the identity. Aimed straight up or down, x is the world's x.
    Vec3d x = Cross(Vec3d{0, 1, 0}, z);
    const double xl = Length(x);
    x = xl > 1e-9 ? Scale(x, 1.0 / xl) : Vec3d{1, 0, 0};
    const Vec3d y = Cross(z, x);
    A_Matrix4 m;
    std::memset(&m, 0, sizeof m);
    const Vec3d rows[4] = {x, y, z, layer.position};
    for (int r = 0; r < 4; ++r) {
        m.mat[r][0] = rows[r].x;
        m.mat[r][1] = rows[r].y;
        m.mat[r][2] = rows[r].z;
    }
    m.mat[3][3] = 1;
    return m;
}

bool Composition::ActiveAt(const CompLayer& layer, const A_Time& time) {
    if (time.scale == 0) return false;
    const double seconds = static_cast<double>(time.value) / static_cast<double>(time.scale);
    return seconds >= layer.in_point && seconds < layer.out_point;
}

}  // namespace minihost
