// A small in-process host for the scene and frame-settings tests: a PF_InData whose
// basic suite serves the AEGP suites over a list of layers, whose checkout_param serves
// parameter values, and whose pre-render callbacks record what the effect asks for.
// Every query can be made to fail. One host per test; it is reached from the C
// callbacks through a thread-local pointer.
#pragma once

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/Host.h"

namespace morvel::test {

struct FakeLayer {
    AEGP_ObjectType objectType = AEGP_ObjectType_LIGHT;
    bool active = true;
    AEGP_LightType lightType = AEGP_LightType_POINT;
    double position[3] = {0.0, 0.0, 0.0};
    double color[4] = {1.0, 1.0, 1.0, 1.0};  // alpha, red, green, blue
    double intensity = 100.0;
    double coneAngle = 90.0;
    double coneFeather = 50.0;
    double falloffType = 0.0;
    double falloffRadius = 0.0;
    double falloffDistance = 500.0;
    double zAxis[3] = {0.0, 0.0, 1.0};  // third row of the layer-to-world matrix

    bool failGetLayer = false;
    bool nullLayer = false;
    bool failObjectType = false;
    bool failActive = false;
    bool failLightType = false;
    bool failXform = false;
    std::set<AEGP_LayerStream> failStreams;
};

struct StreamQuery {
    int layer;
    AEGP_LayerStream stream;
    AEGP_LTimeMode mode;
    A_Time time;
    A_Boolean preExpression;
};

struct LayerCheckout {
    PF_ParamIndex index;
    A_long id;
    PF_RenderRequest request;
    A_long time, step;
    A_u_long scale;
};

class FakeSceneHost {
public:
    std::vector<FakeLayer> layers;

    // Composition-level faults.
    PF_Err effectLayerErr = 0;
    bool nullEffectLayer = false;
    PF_Err parentCompErr = 0;
    bool nullComp = false;
    PF_Err numLayersErr = 0;
    bool overrideLayerCount = false;
    A_long layerCount = 0;
    std::set<std::pair<std::string, int32_t>> unavailable;

    // Parameters: the definition checkout_param copies out, and its result.
    std::map<PF_ParamIndex, PF_ParamDef> params;
    std::map<PF_ParamIndex, PF_Err> paramErr;

    // Pre-render: rectangles of the input layer, per-index checkout errors.
    PF_LRect inputRect{0, 0, 64, 48};
    PF_LRect inputMaxRect{-8, -8, 72, 56};
    std::map<PF_ParamIndex, PF_Err> checkoutErr;

    // Records.
    std::vector<std::pair<std::string, int32_t>> acquired, released;
    std::vector<StreamQuery> streamQueries;
    std::vector<A_Time> activeTimes, xformTimes;
    std::vector<AEGP_LTimeMode> activeModes;
    int lightTypeQueries = 0;
    std::vector<PF_ParamIndex> checkedOut;
    std::vector<PF_ParamIndex> checkedIn;
    std::vector<std::tuple<PF_ParamIndex, A_long, A_long, A_u_long>> paramTimes;
    std::vector<LayerCheckout> layerCheckouts;
    std::vector<std::vector<unsigned char>> mixed;

    PF_InData in{};
    PF_OutData out{};
    PF_PreRenderInput preIn{};
    PF_PreRenderOutput preOut{};
    PF_PreRenderCallbacks preCb{};
    PF_PreRenderExtra preExtra{};

    FakeSceneHost() {
        current() = this;
        basic_.AcquireSuite = &Acquire;
        basic_.ReleaseSuite = &Release;
        pf_.AEGP_GetEffectLayer = &GetEffectLayer;
        layer5_.AEGP_GetLayerParentComp = &GetParentComp;
        layer5_.AEGP_GetCompNumLayers = &GetNumLayers;
        layer5_.AEGP_GetCompLayerByIndex = &GetLayerByIndex;
        layer5_.AEGP_GetLayerObjectType = &GetObjectType;
        layer5_.AEGP_IsVideoActive = &IsVideoActive;
        layer14_.AEGP_GetLayerToWorldXform = &GetXform;
        light_.AEGP_GetLightType = &GetLightType;
        stream_.AEGP_GetLayerStreamValue = &GetStreamValue;

        in.effect_ref = reinterpret_cast<PF_ProgPtr>(&effectRefTarget_);
        in.pica_basicP = &basic_;
        in.inter.checkout_param = &CheckoutParam;
        in.inter.checkin_param = &CheckinParam;
        in.current_time = 48;
        in.time_step = 2;
        in.time_scale = 24;
        in.width = 1920;
        in.height = 1080;

        preIn.output_request.rect = {1, 2, 33, 44};
        preIn.output_request.field = 3;
        preIn.output_request.channel_mask = PF_ChannelMask_RED;
        preIn.output_request.reserved[2] = 77;
        preIn.bitdepth = 16;
        preOut.flags = 0x4;
        preCb.checkout_layer = &CheckoutLayer;
        preCb.GuidMixInPtr = &GuidMix;
        preExtra.input = &preIn;
        preExtra.output = &preOut;
        preExtra.cb = &preCb;
    }
    ~FakeSceneHost() { current() = nullptr; }
    FakeSceneHost(const FakeSceneHost&) = delete;
    FakeSceneHost& operator=(const FakeSceneHost&) = delete;

    FakeLayer& AddLight(AEGP_LightType type) {
        layers.emplace_back();
        layers.back().lightType = type;
        return layers.back();
    }
    FakeLayer& AddNonLight(AEGP_ObjectType type = AEGP_ObjectType_AV) {
        layers.emplace_back();
        layers.back().objectType = type;
        return layers.back();
    }

    // Suite tables whose slots can be emptied by a test.
    AEGP_LayerSuite1& layer5() { return layer5_; }
    AEGP_StreamSuite1& streams() { return stream_; }

    bool SuitesBalanced() const {
        std::multiset<std::pair<std::string, int32_t>> a(acquired.begin(), acquired.end());
        std::multiset<std::pair<std::string, int32_t>> r(released.begin(), released.end());
        return a == r;
    }

    void SetSlider(PF_ParamIndex i, double v) { Def(i, PF_Param_FLOAT_SLIDER).u.fs_d.value = v; }
    void SetCheckbox(PF_ParamIndex i, A_long v) { Def(i, PF_Param_CHECKBOX).u.bd.value = v; }
    void SetAngleRaw(PF_ParamIndex i, PF_Fixed raw) { Def(i, PF_Param_ANGLE).u.ad.value = raw; }
    void SetColor(PF_ParamIndex i, A_u_char a, A_u_char r, A_u_char g, A_u_char b) {
        Def(i, PF_Param_COLOR).u.cd.value = PF_Pixel{a, r, g, b};
    }

private:
    SPBasicSuite basic_{};
    AEGP_PFInterfaceSuite1 pf_{};
    AEGP_LayerSuite1 layer5_{};
    AEGP_LayerSuite8 layer14_{};
    AEGP_LightSuite1 light_{};
    AEGP_StreamSuite1 stream_{};
    int effectRefTarget_ = 0;
    void* effectLayerSlot_ = nullptr;
    void* compSlot_ = nullptr;
    void* layerSlots_[256] = {};
    std::map<const PF_ParamDef*, PF_ParamIndex> outstanding_;

    PF_ParamDef& Def(PF_ParamIndex i, PF_ParamType type) {
        auto it = params.find(i);
        if (it == params.end()) {
            PF_ParamDef d;
            std::memset(&d, 0, sizeof d);
            d.param_type = type;
            it = params.emplace(i, d).first;
        }
        return it->second;
    }

    static FakeSceneHost*& current() {
        static thread_local FakeSceneHost* host = nullptr;
        return host;
    }
    static FakeSceneHost& H() { return *current(); }

    AEGP_LayerH LayerHandle(int i) { return reinterpret_cast<AEGP_LayerH>(&layerSlots_[i]); }
    int LayerIndex(AEGP_LayerH h) const {
        auto p = reinterpret_cast<void* const*>(h);
        if (p < layerSlots_ || p >= layerSlots_ + 256) return -1;
        return static_cast<int>(p - layerSlots_);
    }
    // A handle that is not one of the composition's layers is a test failure in itself.
    FakeLayer* Layer(AEGP_LayerH h) {
        const int i = LayerIndex(h);
        return (i >= 0 && i < static_cast<int>(layers.size())) ? &layers[i] : nullptr;
    }

    static SPErr Acquire(const char* name, int32_t version, const void** suite) {
        auto& h = H();
        const std::pair<std::string, int32_t> key{name, version};
        if (h.unavailable.count(key)) return A_Err_MISSING_SUITE;
        const void* s = nullptr;
        if (key.first == kAEGPPFInterfaceSuite && version == 1) s = &h.pf_;
        if (key.first == kAEGPLayerSuite && version == 5) s = &h.layer5_;
        if (key.first == kAEGPLayerSuite && version == 14) s = &h.layer14_;
        if (key.first == kAEGPLightSuite && version == 1) s = &h.light_;
        if (key.first == kAEGPStreamSuite && version == 4) s = &h.stream_;
        if (!s) return A_Err_MISSING_SUITE;
        h.acquired.push_back(key);
        *suite = s;
        return 0;
    }
    static SPErr Release(const char* name, int32_t version) {
        H().released.emplace_back(name, version);
        return 0;
    }

    static A_Err GetEffectLayer(PF_ProgPtr ref, AEGP_LayerH* out) {
        auto& h = H();
        if (ref != h.in.effect_ref) return A_Err_PARAMETER;
        if (h.effectLayerErr) return h.effectLayerErr;
        *out = h.nullEffectLayer ? nullptr : reinterpret_cast<AEGP_LayerH>(&h.effectLayerSlot_);
        return 0;
    }
    static A_Err GetParentComp(AEGP_LayerH layer, AEGP_CompH* out) {
        auto& h = H();
        if (layer != reinterpret_cast<AEGP_LayerH>(&h.effectLayerSlot_)) return A_Err_PARAMETER;
        if (h.parentCompErr) return h.parentCompErr;
        *out = h.nullComp ? nullptr : reinterpret_cast<AEGP_CompH>(&h.compSlot_);
        return 0;
    }
    static A_Err GetNumLayers(AEGP_CompH comp, A_long* out) {
        auto& h = H();
        if (comp != reinterpret_cast<AEGP_CompH>(&h.compSlot_)) return A_Err_PARAMETER;
        if (h.numLayersErr) return h.numLayersErr;
        *out = h.overrideLayerCount ? h.layerCount : static_cast<A_long>(h.layers.size());
        return 0;
    }
    static A_Err GetLayerByIndex(AEGP_CompH comp, A_long i, AEGP_LayerH* out) {
        auto& h = H();
        if (comp != reinterpret_cast<AEGP_CompH>(&h.compSlot_)) return A_Err_PARAMETER;
        if (i < 0 || i >= static_cast<A_long>(h.layers.size()) || i >= 256) return A_Err_PARAMETER;
        const FakeLayer& l = h.layers[i];
        if (l.failGetLayer) return A_Err_GENERIC;
        *out = l.nullLayer ? nullptr : h.LayerHandle(i);
        return 0;
    }
    static A_Err GetObjectType(AEGP_LayerH layer, AEGP_ObjectType* out) {
        FakeLayer* l = H().Layer(layer);
        if (!l) return A_Err_PARAMETER;
        if (l->failObjectType) return A_Err_GENERIC;
        *out = l->objectType;
        return 0;
    }
    static A_Err IsVideoActive(AEGP_LayerH layer, AEGP_LTimeMode mode, const A_Time* t, A_Boolean* out) {
        auto& h = H();
        FakeLayer* l = h.Layer(layer);
        if (!l) return A_Err_PARAMETER;
        h.activeTimes.push_back(*t);
        h.activeModes.push_back(mode);
        if (l->failActive) return A_Err_GENERIC;
        *out = l->active ? 1 : 0;
        return 0;
    }
    static A_Err GetLightType(AEGP_LayerH layer, AEGP_LightType* out) {
        auto& h = H();
        FakeLayer* l = h.Layer(layer);
        if (!l) return A_Err_PARAMETER;
        ++h.lightTypeQueries;
        if (l->failLightType) return A_Err_GENERIC;
        *out = l->lightType;
        return 0;
    }
    static A_Err GetXform(AEGP_LayerH layer, const A_Time* t, A_Matrix4* m) {
        auto& h = H();
        FakeLayer* l = h.Layer(layer);
        if (!l) return A_Err_PARAMETER;
        h.xformTimes.push_back(*t);
        if (l->failXform) return A_Err_GENERIC;
        std::memset(m, 0, sizeof *m);
        m->mat[0][0] = 1.0;
        m->mat[1][1] = 1.0;
        m->mat[2][0] = l->zAxis[0];
        m->mat[2][1] = l->zAxis[1];
        m->mat[2][2] = l->zAxis[2];
        m->mat[3][0] = l->position[0];
        m->mat[3][1] = l->position[1];
        m->mat[3][2] = l->position[2];
        m->mat[3][3] = 1.0;
        return 0;
    }
    static A_Err GetStreamValue(AEGP_LayerH layer, AEGP_LayerStream stream, AEGP_LTimeMode mode, const A_Time* t,
                                A_Boolean pre, AEGP_StreamVal* v, AEGP_StreamType* type) {
        auto& h = H();
        FakeLayer* l = h.Layer(layer);
        if (!l) return A_Err_PARAMETER;
        h.streamQueries.push_back({h.LayerIndex(layer), stream, mode, *t, pre});
        if (l->failStreams.count(stream)) return A_Err_GENERIC;
        std::memset(v, 0, sizeof *v);
        AEGP_StreamType st = AEGP_StreamType_OneD;
        switch (stream) {
            case AEGP_LayerStream_POSITION:
                v->three_d = {l->position[0], l->position[1], l->position[2]};
                st = AEGP_StreamType_ThreeD_SPATIAL;
                break;
            case AEGP_LayerStream_COLOR:
                v->color = {l->color[0], l->color[1], l->color[2], l->color[3]};
                st = AEGP_StreamType_COLOR;
                break;
            case AEGP_LayerStream_INTENSITY:
                v->one_d = l->intensity;
                break;
            case AEGP_LayerStream_CONE_ANGLE:
                v->one_d = l->coneAngle;
                break;
            case AEGP_LayerStream_CONE_FEATHER:
                v->one_d = l->coneFeather;
                break;
            case AEGP_LayerStream_LIGHT_FALLOFF_TYPE:
                v->one_d = l->falloffType;
                break;
            case AEGP_LayerStream_LIGHT_FALLOFF_START:
                v->one_d = l->falloffRadius;
                break;
            case AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE:
                v->one_d = l->falloffDistance;
                break;
            default:
                return A_Err_PARAMETER;
        }
        if (type) *type = st;
        return 0;
    }

    static PF_Err CheckoutParam(PF_ProgPtr ref, PF_ParamIndex i, A_long time, A_long step, A_u_long scale,
                                PF_ParamDef* def) {
        auto& h = H();
        if (ref != h.in.effect_ref) return PF_Err_BAD_CALLBACK_PARAM;
        h.checkedOut.push_back(i);
        h.paramTimes.emplace_back(i, time, step, scale);
        h.outstanding_[def] = i;
        auto err = h.paramErr.find(i);
        if (err != h.paramErr.end()) return err->second;
        auto it = h.params.find(i);
        if (it != h.params.end()) *def = it->second;
        return 0;
    }
    static PF_Err CheckinParam(PF_ProgPtr, PF_ParamDef* def) {
        auto& h = H();
        auto it = h.outstanding_.find(def);
        h.checkedIn.push_back(it == h.outstanding_.end() ? -1 : it->second);
        if (it != h.outstanding_.end()) h.outstanding_.erase(it);
        return 0;
    }

    static PF_Err CheckoutLayer(PF_ProgPtr, PF_ParamIndex i, A_long id, const PF_RenderRequest* req, A_long time,
                                A_long step, A_u_long scale, PF_CheckoutResult* result) {
        auto& h = H();
        h.layerCheckouts.push_back({i, id, *req, time, step, scale});
        auto err = h.checkoutErr.find(i);
        if (err != h.checkoutErr.end()) return err->second;
        std::memset(result, 0, sizeof *result);
        result->result_rect = i == 0 ? h.inputRect : PF_LRect{0, 0, 5, 5};
        result->max_result_rect = i == 0 ? h.inputMaxRect : PF_LRect{0, 0, 6, 6};
        return 0;
    }
    static PF_Err GuidMix(PF_ProgPtr, A_u_long size, const void* buf) {
        auto& h = H();
        const auto* b = static_cast<const unsigned char*>(buf);
        h.mixed.emplace_back(b, b + size);
        return 0;
    }

public:
    // Concatenation of every mixed buffer: what the host's cache key sees.
    std::vector<unsigned char> MixedBytes() const {
        std::vector<unsigned char> all;
        for (const auto& m : mixed) all.insert(all.end(), m.begin(), m.end());
        return all;
    }
    void DropGuidMix() { preCb.GuidMixInPtr = nullptr; }
    // Whether every parameter checked out has been checked in.
    bool ParamsBalanced() const { return outstanding_.empty() && checkedIn.size() == checkedOut.size(); }
};

}  // namespace morvel::test
