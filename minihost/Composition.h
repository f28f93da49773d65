// The composition that holds the effect's layer, as the host's plug-in layer (AEGP)
// describes it to the effect: layers top first, light layers with their kind, place,
// aim, colour, cone and falloff, and the time range in which each layer is active.
// Every answer can be made to fail, per layer or for the whole composition; a whole
// suite function fails through SuiteTable::FailFunction with its AEGP name.
#pragma once

#include <cstddef>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/AE_GeneralPlug.h"

namespace minihost {

struct Vec3d {
    double x = 0, y = 0, z = 0;
};

// Composition pixels: x right, y down, z into the screen.
struct CompLayer {
    std::string name;
    AEGP_ObjectType object_type = AEGP_ObjectType_AV;

    // Read only for light layers. light_type takes any number, so a test can send
    // one the host does not define.
    AEGP_LightType light_type = AEGP_LightType_POINT;
    Vec3d position{0, 0, -500};
    Vec3d point_of_interest{0, 0, 0};
    double color[4] = {1, 1, 1, 1};  // alpha, red, green, blue
    double intensity = 100;          // percent
    double cone_angle = 90;          // degrees
    double cone_feather = 50;        // percent
    double falloff_type = 0;         // AEGP_LightFalloff_*, as the stream's double
    double falloff_radius = 500;
    double falloff_distance = 500;

    // Active (video on) from in_point, inclusive, to out_point, exclusive, in seconds
    // of composition time.
    double in_point = -std::numeric_limits<double>::infinity();
    double out_point = std::numeric_limits<double>::infinity();

    // ---- faults for this layer
    std::map<std::string, A_Err> fail;              // by AEGP function name
    std::map<AEGP_LayerStream, A_Err> fail_stream;  // AEGP_GetLayerStreamValue per stream
    bool null_handle = false;                       // GetCompLayerByIndex succeeds with no layer
    std::optional<A_Matrix4> matrix;                // answered instead of the derived one
};

// One AEGP call the effect made, in order.
struct AegpQuery {
    std::string function;
    int layer = -1;  // index in the composition; -1 when not about a layer of it
    A_Time time{};
    AEGP_LTimeMode time_mode = -1;
    AEGP_LayerStream stream = AEGP_LayerStream_NONE;
    A_Boolean pre_expression = 0;
};

class Composition {
public:
    // Starts with the effect's own layer (an AV layer) on top, index 0.
    Composition();
    Composition(const Composition&) = delete;
    Composition& operator=(const Composition&) = delete;

    // Appended below every existing layer. References stay valid until Clear.
    CompLayer& Add(CompLayer layer);
    CompLayer& AddLight(AEGP_LightType type, Vec3d position, Vec3d point_of_interest = {});
    CompLayer& AddLayer(AEGP_ObjectType type = AEGP_ObjectType_AV);
    // Removes every layer but the effect's own.
    void Clear();

    std::size_t size() const { return layers_.size(); }
    CompLayer& at(std::size_t index) { return layers_.at(index); }
    const CompLayer& at(std::size_t index) const { return layers_.at(index); }
    // The layer that carries the effect (index 0 unless changed).
    std::size_t effect_layer = 0;

    // ---- composition-wide faults
    bool null_effect_layer = false;     // GetEffectLayer succeeds with no layer
    bool null_comp = false;             // GetLayerParentComp succeeds with no comp
    std::optional<A_long> layer_count;  // answered instead of the real count

    // ---- what the effect asked
    std::vector<AegpQuery> Queries() const;
    void ClearQueries();
    void Record(AegpQuery q);

    // ---- what the suites work from
    AEGP_LayerH Handle(std::size_t index);
    AEGP_CompH CompHandle() { return reinterpret_cast<AEGP_CompH>(&comp_slot_); }
    // The index of a layer handle this composition handed out, or -1.
    int IndexOf(AEGP_LayerH layer) const;
    bool IsComp(AEGP_CompH comp) const { return comp == reinterpret_cast<const void*>(&comp_slot_); }

    // Rows are the layer's axes in world space, the fourth row its position; the z row
    // points from the layer to its point of interest (+z when they coincide).
    static A_Matrix4 LayerToWorld(const CompLayer& layer);
    // Whether the layer's video is on at that composition time; false for a time
    // with no scale.
    static bool ActiveAt(const CompLayer& layer, const A_Time& time);

private:
    std::deque<CompLayer> layers_;
    // Handles are the addresses of these slots, so they survive appends.
    std::deque<void*> handle_slots_;
    void* comp_slot_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<AegpQuery> queries_;
};

}  // namespace minihost
