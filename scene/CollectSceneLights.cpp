#include "scene/CollectSceneLights.h"

#include <cfloat>
#include <cmath>

#include "host/Host.h"
#include "hostaccess/HostSuites.h"
#include "kernel/ShadingMath.h"

namespace morvel {
namespace {

constexpr float kDefaultConeAngle = 0.7853982f;
constexpr float kMinDirectionLength = 1e-6f;

// A host value that is NaN, infinite or beyond float range counts as a failed read,
// so the field keeps its default: narrowing such a double is undefined behaviour, and
// a non-finite light would turn every pixel it touches into NaN.
bool ToFloat(double value, float* out) {
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(FLT_MAX)) {
        return false;
    }
    *out = static_cast<float>(value);
    return true;
}

bool ToFloats(const double* values, int n, float* out) {
    float tmp[4];
    for (int i = 0; i < n; ++i) {
        if (!ToFloat(values[i], &tmp[i])) {
            return false;
        }
    }
    for (int i = 0; i < n; ++i) {
        out[i] = tmp[i];
    }
    return true;
}

// Truncation toward zero; values outside int32 (or NaN) would be undefined behaviour.
bool ToInt32(double value, int32_t* out) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        return false;
    }
    *out = static_cast<int32_t>(value);
    return true;
}

struct LightReader {
    const AEGP_StreamSuite1* streams;
    const AEGP_LayerSuite8* layer14;
    AEGP_LayerH layer;
    A_Time time;

    bool Read(AEGP_LayerStream stream, AEGP_StreamVal* value) const {
        if (!streams->AEGP_GetLayerStreamValue) {
            return false;
        }
        *value = AEGP_StreamVal{};
        AEGP_StreamType type = AEGP_StreamType_NO_DATA;
        // Pre-expression false: the light as the artist's expressions leave it.
        return streams->AEGP_GetLayerStreamValue(layer, stream, AEGP_LTimeMode_CompTime, &time, 0, value, &type) ==
               A_Err_NONE;
    }

    // The layer's z axis in world space (third row), made unit length; (0, 0, 1) when
    // the matrix is unavailable, degenerate or not finite.
    void Direction(float out[3]) const {
        out[0] = 0.0f;
        out[1] = 0.0f;
        out[2] = 1.0f;
        if (!layer14->AEGP_GetLayerToWorldXform) {
            return;
        }
        A_Matrix4 m{};
        if (layer14->AEGP_GetLayerToWorldXform(layer, &time, &m) != A_Err_NONE) {
            return;
        }
        float z[3];
        if (!ToFloats(m.mat[2], 3, z)) {
            return;
        }
        const float length = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
        if (std::isinf(length)) {
            // The squares overflowed float (the length itself may exceed it too):
            // divide in double, where every quotient lands within [-1, 1].
            const double d = std::sqrt(static_cast<double>(z[0]) * z[0] + static_cast<double>(z[1]) * z[1] +
                                       static_cast<double>(z[2]) * z[2]);
            for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(z[i] / d);
            return;
        }
        if (!(length > kMinDirectionLength)) {
            return;
        }
        const float inv = 1.0f / length;
        out[0] = z[0] * inv;
        out[1] = z[1] * inv;
        out[2] = z[2] * inv;
    }
};

void ReadLight(const LightReader& reader, SceneLightType type, float width, float height, SceneLight& light) {
    light.valid = 1;
    light.type = type;
    const bool spot = type == SceneLightType::Spot;
    const bool hasFalloff = spot || type == SceneLightType::Point;
    AEGP_StreamVal v{};

    light.position[0] = width * 0.5f;
    light.position[1] = height * 0.5f;
    light.position[2] = -500.0f;
    if (type != SceneLightType::Ambient && reader.Read(AEGP_LayerStream_POSITION, &v)) {
        const double xyz[3] = {v.three_d.x, v.three_d.y, v.three_d.z};
        ToFloats(xyz, 3, light.position);
    }

    light.intensity = 5.0f;
    if (reader.Read(AEGP_LayerStream_INTENSITY, &v)) {
        float percent;
        if (ToFloat(v.one_d, &percent)) {
            light.intensity = percent / 100.0f * 5.0f;
        }
    }

    light.color[0] = light.color[1] = light.color[2] = 1.0f;
    if (reader.Read(AEGP_LayerStream_COLOR, &v)) {
        const double rgb[3] = {v.color.redF, v.color.greenF, v.color.blueF};
        ToFloats(rgb, 3, light.color);
    }

    light.coneAngle = kDefaultConeAngle;
    light.coneFeather = 0.5f;
    if (spot) {
        float f;
        if (reader.Read(AEGP_LayerStream_CONE_ANGLE, &v) && ToFloat(v.one_d, &f)) {
            light.coneAngle = f * DEGREES_TO_RADIANS;
        }
        if (reader.Read(AEGP_LayerStream_CONE_FEATHER, &v) && ToFloat(v.one_d, &f)) {
            light.coneFeather = f / 100.0f;
        }
    }

    light.falloffRadius = 0.0f;
    light.falloffDistance = 1000.0f;
    light.falloffType = 0;
    if (hasFalloff) {
        if (reader.Read(AEGP_LayerStream_LIGHT_FALLOFF_TYPE, &v)) {
            ToInt32(v.one_d, &light.falloffType);
        }
        if (reader.Read(AEGP_LayerStream_LIGHT_FALLOFF_START, &v)) {
            ToFloat(v.one_d, &light.falloffRadius);
        }
        if (reader.Read(AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE, &v)) {
            ToFloat(v.one_d, &light.falloffDistance);
        }
    }

    if (type == SceneLightType::Directional || spot) {
        reader.Direction(light.direction);
    } else {
        light.direction[0] = 0.0f;
        light.direction[1] = 0.0f;
        light.direction[2] = 1.0f;
    }
}

}  // namespace

int32_t CollectSceneLights(const PF_InData* in_data, SceneLight* lights, int32_t capacity, float width, float height) {
    if (!in_data || !lights || capacity <= 0) {
        return 0;
    }
    HostSuiteCache suites(in_data->pica_basicP);
    const auto* pf = &suites.Get<AEGP_PFInterfaceSuite1>();
    const auto* layer5 = &suites.Get<AEGP_LayerSuite1>();

    AEGP_LayerH effectLayer = nullptr;
    if (!pf->AEGP_GetEffectLayer || pf->AEGP_GetEffectLayer(in_data->effect_ref, &effectLayer) != A_Err_NONE ||
        !effectLayer) {
        return 0;
    }
    AEGP_CompH comp = nullptr;
    if (!layer5->AEGP_GetLayerParentComp || layer5->AEGP_GetLayerParentComp(effectLayer, &comp) != A_Err_NONE ||
        !comp) {
        return 0;
    }
    A_long layerCount = 0;
    if (!layer5->AEGP_GetCompNumLayers || layer5->AEGP_GetCompNumLayers(comp, &layerCount) != A_Err_NONE ||
        layerCount <= 0) {
        return 0;
    }
    if (!layer5->AEGP_GetCompLayerByIndex || !layer5->AEGP_GetLayerObjectType || !layer5->AEGP_IsVideoActive) {
        return 0;
    }

    const A_Time time{in_data->current_time, in_data->time_scale};
    int32_t count = 0;
    for (A_long i = 0; i < layerCount && count < capacity; ++i) {
        AEGP_LayerH layer = nullptr;
        if (layer5->AEGP_GetCompLayerByIndex(comp, i, &layer) != A_Err_NONE || !layer) {
            continue;
        }
        AEGP_ObjectType objectType = AEGP_ObjectType_NONE;
        if (layer5->AEGP_GetLayerObjectType(layer, &objectType) != A_Err_NONE || objectType != AEGP_ObjectType_LIGHT) {
            continue;
        }
        A_Boolean active = 0;
        if (layer5->AEGP_IsVideoActive(layer, AEGP_LTimeMode_CompTime, &time, &active) != A_Err_NONE || !active) {
            continue;
        }
        // Suites are acquired on first need, so a composition without lights never asks for them.
        const auto* lightSuite = &suites.Get<AEGP_LightSuite1>();
        AEGP_LightType lightType = AEGP_LightType_NONE;
        if (!lightSuite->AEGP_GetLightType || lightSuite->AEGP_GetLightType(layer, &lightType) != A_Err_NONE ||
            lightType > AEGP_LightType_AMBIENT) {
            continue;
        }
        const LightReader reader{&suites.Get<AEGP_StreamSuite1>(), &suites.Get<AEGP_LayerSuite8>(), layer, time};
        ReadLight(reader, static_cast<SceneLightType>(lightType), width, height, lights[count]);
        ++count;
    }
    return count;
}

}  // namespace morvel
