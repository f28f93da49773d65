// An in-process host for the scene and frame-settings tests: its basic suite serves the
// AEGP suites over a list of layers, checkout_param serves parameter values and the
// pre-render callbacks record what the effect asks for. Every query can be made to
// fail. One host per test, reached from the C callbacks through a thread-local pointer.
#pragma once

#include <algorithm>
#include <array>
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
    bool active = true, nullLayer = false;
    AEGP_LightType lightType = AEGP_LightType_POINT;
    std::array<double, 3> position{};
    std::array<double, 4> color{1.0, 1.0, 1.0, 1.0};  // alpha, red, green, blue
    double intensity = 100.0, coneAngle = 90.0, coneFeather = 50.0;
    double falloffType = 0.0, falloffRadius = 0.0, falloffDistance = 500.0;
    std::array<double, 3> zAxis{0.0, 0.0, 1.0};  // third row of the layer-to-world matrix
    std::set<std::string> fail;                  // queries that fail: "layer", "object", "active", "lightType", "xform"
    std::set<AEGP_LayerStream> failStreams;
};

// One layer query: which of the names above or "stream", and at what time.
struct Query {
    std::string fn;
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

    // Composition-level faults of "effectLayer", "comp", "numLayers": an error, or a null answer.
    std::map<std::string, A_Err> err;
    std::set<std::string> null;
    bool overrideLayerCount = false;
    A_long layerCount = 0;
    std::set<std::pair<std::string, int32_t>> unavailable;

    // Parameters checkout_param copies out, and per-index errors.
    std::map<PF_ParamIndex, PF_ParamDef> params;
    std::map<PF_ParamIndex, PF_Err> paramErr;

    // Pre-render: rectangles of the input layer, per-index checkout errors.
    PF_LRect inputRect{0, 0, 64, 48}, inputMaxRect{-8, -8, 72, 56};
    std::map<PF_ParamIndex, PF_Err> checkoutErr;

    // Records.
    std::vector<std::pair<std::string, int32_t>> acquired, released;
    std::vector<Query> queries;
    std::vector<PF_ParamIndex> checkedOut, checkedIn;
    std::vector<std::tuple<A_long, A_long, A_u_long>> paramTimes;
    std::vector<LayerCheckout> layerCheckouts;
    std::vector<unsigned char> mixed;  // every buffer mixed into the cache key, concatenated

    // Served as the GPU device suite when a test fills it in.
    PF_GPUDeviceSuite1 gpu{};

    PF_InData in{};
    PF_OutData out{};
    PF_PreRenderInput preIn{};
    PF_PreRenderOutput preOut{};
    PF_PreRenderCallbacks preCb{};
    PF_PreRenderExtra preExtra{};

    FakeSceneHost() {
        current() = this;
        basic_.AcquireSuite = &Acquire;
        basic_.ReleaseSuite = [](const char* n, int32_t v) -> SPErr {
            H().released.emplace_back(n, v);
            return 0;
        };
        pf_.AEGP_GetEffectLayer = &GetEffectLayer;
        layer5_.AEGP_GetLayerParentComp = &GetParentComp;
        layer5_.AEGP_GetCompNumLayers = &GetNumLayers;
        layer5_.AEGP_GetCompLayerByIndex = &GetLayerByIndex;
        layer5_.AEGP_GetLayerObjectType = [](AEGP_LayerH l, AEGP_ObjectType* out) {
            return Read(l, "object", out, &FakeLayer::objectType);
        };
        layer5_.AEGP_IsVideoActive = [](AEGP_LayerH l, AEGP_LTimeMode mode, const A_Time* t, A_Boolean* out) {
            return Read(l, "active", out, &FakeLayer::active, t, mode);
        };
        layer14_.AEGP_GetLayerToWorldXform = &GetXform;
        light_.AEGP_GetLightType = [](AEGP_LayerH l, AEGP_LightType* out) {
            return Read(l, "lightType", out, &FakeLayer::lightType);
        };
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
        preOut.flags = 0x4;
        preCb.checkout_layer = &CheckoutLayer;
        preCb.GuidMixInPtr = &GuidMix;
        preExtra = {&preIn, &preOut, &preCb};
    }
    ~FakeSceneHost() { current() = nullptr; }
    FakeSceneHost(const FakeSceneHost&) = delete;
    FakeSceneHost& operator=(const FakeSceneHost&) = delete;

    FakeLayer& AddLight(AEGP_LightType type) {
        layers.emplace_back().lightType = type;
        return layers.back();
    }
    FakeLayer& AddNonLight(AEGP_ObjectType type = AEGP_ObjectType_AV) {
        layers.emplace_back().objectType = type;
        return layers.back();
    }
    AEGP_LayerSuite1& layer5() { return layer5_; }

    long Count(const std::string& fn) const {
        return std::count_if(queries.begin(), queries.end(), [&](const Query& q) { return q.fn == fn; });
    }
    bool SuitesBalanced() const {
        using Set = std::multiset<std::pair<std::string, int32_t>>;
        return Set(acquired.begin(), acquired.end()) == Set(released.begin(), released.end());
    }
    // Whether every parameter checked out has been checked in.
    bool ParamsBalanced() const { return outstanding_.empty() && checkedIn.size() == checkedOut.size(); }

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
        params[i].param_type = type;  // value-initialised: zero
        return params[i];
    }

    static FakeSceneHost*& current() {
        static thread_local FakeSceneHost* host = nullptr;
        return host;
    }
    static FakeSceneHost& H() { return *current(); }
    AEGP_CompH Comp() { return reinterpret_cast<AEGP_CompH>(&compSlot_); }
    AEGP_LayerH EffectLayer() { return reinterpret_cast<AEGP_LayerH>(&effectLayerSlot_); }

    // The layer behind a handle; nullptr for one that is not the composition's.
    FakeLayer* Layer(AEGP_LayerH h) {
        auto p = reinterpret_cast<void* const*>(h);
        const long i = p - layerSlots_;
        return (p >= layerSlots_ && i < static_cast<long>(layers.size())) ? &layers[i] : nullptr;
    }

    static SPErr Acquire(const char* name, int32_t version, const void** suite) {
        auto& h = H();
        const std::pair<std::string, int32_t> key{name, version};
        const std::map<std::pair<std::string, int32_t>, const void*> served = {
            {{kAEGPPFInterfaceSuite, 1}, &h.pf_}, {{kAEGPLayerSuite, 5}, &h.layer5_},
            {{kAEGPLayerSuite, 14}, &h.layer14_}, {{kAEGPLightSuite, 1}, &h.light_},
            {{kAEGPStreamSuite, 4}, &h.stream_},  {{kPFGPUDeviceSuite, 1}, &h.gpu}};
        auto it = served.find(key);
        if (h.unavailable.count(key) || it == served.end()) return A_Err_MISSING_SUITE;
        h.acquired.push_back(key);
        *suite = it->second;
        return 0;
    }

    // The composition queries' answer: refused for a handle that is not the expected one.
    template <class T>
    static A_Err Answer(const char* fn, bool rightHandle, T* out, T value) {
        auto& h = H();
        if (!rightHandle) return A_Err_PARAMETER;
        if (h.err.count(fn)) return h.err[fn];
        *out = h.null.count(fn) ? T{} : value;
        return 0;
    }
    static A_Err GetEffectLayer(PF_ProgPtr ref, AEGP_LayerH* out) {
        return Answer("effectLayer", ref == H().in.effect_ref, out, H().EffectLayer());
    }
    static A_Err GetParentComp(AEGP_LayerH layer, AEGP_CompH* out) {
        return Answer("comp", layer == H().EffectLayer(), out, H().Comp());
    }
    static A_Err GetNumLayers(AEGP_CompH comp, A_long* out) {
        auto& h = H();
        return Answer("numLayers", comp == h.Comp(), out,
                      h.overrideLayerCount ? h.layerCount : static_cast<A_long>(h.layers.size()));
    }
    static A_Err GetLayerByIndex(AEGP_CompH comp, A_long i, AEGP_LayerH* out) {
        auto& h = H();
        if (comp != h.Comp() || i < 0 || i >= static_cast<A_long>(h.layers.size()) || i >= 256) return A_Err_PARAMETER;
        if (h.layers[i].fail.count("layer")) return A_Err_GENERIC;
        *out = h.layers[i].nullLayer ? nullptr : reinterpret_cast<AEGP_LayerH>(&h.layerSlots_[i]);
        return 0;
    }
    // Records a query on a layer; the layer, or nullptr with the error to return.
    static FakeLayer* Ask(AEGP_LayerH handle, const char* fn, A_Err* e, const A_Time* t = nullptr,
                          AEGP_LTimeMode mode = -1, AEGP_LayerStream stream = 0, A_Boolean pre = 0) {
        auto& h = H();
        FakeLayer* l = h.Layer(handle);
        if (!l) return *e = A_Err_PARAMETER, nullptr;
        h.queries.push_back({fn, stream, mode, t ? *t : A_Time{}, pre});
        *e = l->fail.count(fn) || l->failStreams.count(stream) ? A_Err_GENERIC : 0;
        return *e ? nullptr : l;
    }
    // A query that copies one field of the layer out.
    template <class T, class M>
    static A_Err Read(AEGP_LayerH handle, const char* fn, T* out, M FakeLayer::*field, const A_Time* t = nullptr,
                      AEGP_LTimeMode mode = -1) {
        A_Err e;
        if (FakeLayer* l = Ask(handle, fn, &e, t, mode)) *out = static_cast<T>(l->*field);
        return e;
    }
    static A_Err GetXform(AEGP_LayerH layer, const A_Time* t, A_Matrix4* m) {
        A_Err e;
        FakeLayer* l = Ask(layer, "xform", &e, t);
        if (!l) return e;
        std::memset(m, 0, sizeof *m);
        m->mat[0][0] = m->mat[1][1] = m->mat[3][3] = 1.0;
        for (int i = 0; i < 3; ++i) {
            m->mat[2][i] = l->zAxis[i];
            m->mat[3][i] = l->position[i];
        }
        return 0;
    }
    static A_Err GetStreamValue(AEGP_LayerH layer, AEGP_LayerStream stream, AEGP_LTimeMode mode, const A_Time* t,
                                A_Boolean pre, AEGP_StreamVal* v, AEGP_StreamType*) {
        A_Err e;
        FakeLayer* l = Ask(layer, "stream", &e, t, mode, stream, pre);
        if (!l) return e;
        const std::map<AEGP_LayerStream, double FakeLayer::*> oneD = {
            {AEGP_LayerStream_INTENSITY, &FakeLayer::intensity},
            {AEGP_LayerStream_CONE_ANGLE, &FakeLayer::coneAngle},
            {AEGP_LayerStream_CONE_FEATHER, &FakeLayer::coneFeather},
            {AEGP_LayerStream_LIGHT_FALLOFF_TYPE, &FakeLayer::falloffType},
            {AEGP_LayerStream_LIGHT_FALLOFF_START, &FakeLayer::falloffRadius},
            {AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE, &FakeLayer::falloffDistance}};
        std::memset(v, 0, sizeof *v);
        if (stream == AEGP_LayerStream_POSITION) {
            v->three_d = {l->position[0], l->position[1], l->position[2]};
        } else if (stream == AEGP_LayerStream_COLOR) {
            v->color = {l->color[0], l->color[1], l->color[2], l->color[3]};
        } else {
            if (!oneD.count(stream)) return A_Err_PARAMETER;
            v->one_d = l->*oneD.at(stream);
        }
        return 0;
    }

    static PF_Err CheckoutParam(PF_ProgPtr ref, PF_ParamIndex i, A_long time, A_long step, A_u_long scale,
                                PF_ParamDef* def) {
        auto& h = H();
        if (ref != h.in.effect_ref) return PF_Err_BAD_CALLBACK_PARAM;
        h.checkedOut.push_back(i);
        h.paramTimes.emplace_back(time, step, scale);
        h.outstanding_[def] = i;
        if (h.paramErr.count(i)) return h.paramErr[i];
        if (h.params.count(i)) *def = h.params[i];
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
        if (h.checkoutErr.count(i)) return h.checkoutErr[i];
        std::memset(result, 0, sizeof *result);
        result->result_rect = i == 0 ? h.inputRect : PF_LRect{0, 0, 5, 5};
        result->max_result_rect = i == 0 ? h.inputMaxRect : PF_LRect{0, 0, 6, 6};
        return 0;
    }
    static PF_Err GuidMix(PF_ProgPtr, A_u_long size, const void* buf) {
        const auto* b = static_cast<const unsigned char*>(buf);
        H().mixed.insert(H().mixed.end(), b, b + size);
        return 0;
    }
};

}  // namespace morvel::test
