// "AEGP PF Interface Suite" 1, "AEGP Layer Suite" 5 and 14, "AEGP Light Suite" 1 and
// "AEGP Stream Suite" 4, answered from the session's composition. Each implemented
// function records its call, then fails when SuiteTable::FailFunction names it or the
// layer's own fault map does.
#include <cstring>

#include "host/AE_GeneralPlug.h"
#include "minihost/BuiltinSuites.h"
#include "minihost/Composition.h"
#include "minihost/Session.h"
#include "minihost/SuiteStub.h"

namespace minihost {
namespace {

struct Scope {
    Session* session = nullptr;
    Composition* comp = nullptr;
    int layer = -1;
};

// The call's session and composition, the call recorded, and the error to answer
// with (0 to go on). A layer handle minihost never handed out is a bad parameter.
A_Err Enter(Scope& s, const char* function, AEGP_LayerH layer, AegpQuery q, bool about_layer) {
    if (!s.session) s.session = Session::Current();
    if (!s.session) return A_Err_GENERIC;
    s.comp = &s.session->composition();
    if (about_layer) s.layer = s.comp->IndexOf(layer);
    q.function = function;
    q.layer = s.layer;
    s.comp->Record(q);
    if (about_layer && s.layer < 0) return A_Err_PARAMETER;
    if (auto e = s.session->suites().FunctionFailure(function)) return *e;
    if (about_layer) {
        const auto& fail = s.comp->at(static_cast<std::size_t>(s.layer)).fail;
        if (auto it = fail.find(function); it != fail.end()) return it->second;
    }
    return A_Err_NONE;
}

A_Err GetEffectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layer) {
    Scope s;
    s.session = Session::FromEffectRef(effect_ref);
    if (!s.session) return A_Err_PARAMETER;
    if (A_Err e = Enter(s, "AEGP_GetEffectLayer", nullptr, {}, false)) return e;
    if (!layer) return A_Err_PARAMETER;
    *layer = s.comp->null_effect_layer ? nullptr : s.comp->Handle(s.comp->effect_layer);
    return A_Err_NONE;
}

A_Err GetLayerParentComp(AEGP_LayerH layer, AEGP_CompH* comp) {
    Scope s;
    if (A_Err e = Enter(s, "AEGP_GetLayerParentComp", layer, {}, true)) return e;
    if (!comp) return A_Err_PARAMETER;
    *comp = s.comp->null_comp ? nullptr : s.comp->CompHandle();
    return A_Err_NONE;
}

A_Err GetCompNumLayers(AEGP_CompH comp, A_long* count) {
    Scope s;
    if (A_Err e = Enter(s, "AEGP_GetCompNumLayers", nullptr, {}, false)) return e;
    if (!s.comp->IsComp(comp) || !count) return A_Err_PARAMETER;
    *count = s.comp->layer_count.value_or(static_cast<A_long>(s.comp->size()));
    return A_Err_NONE;
}

A_Err GetCompLayerByIndex(AEGP_CompH comp, A_long index, AEGP_LayerH* layer) {
    Scope s;
    if (A_Err e = Enter(s, "AEGP_GetCompLayerByIndex", nullptr, {}, false)) return e;
    if (!s.comp->IsComp(comp) || !layer || index < 0 || static_cast<std::size_t>(index) >= s.comp->size())
        return A_Err_PARAMETER;
    const CompLayer& l = s.comp->at(static_cast<std::size_t>(index));
    if (auto it = l.fail.find("AEGP_GetCompLayerByIndex"); it != l.fail.end()) return it->second;
    *layer = l.null_handle ? nullptr : s.comp->Handle(static_cast<std::size_t>(index));
    return A_Err_NONE;
}

A_Err GetLayerIndex(AEGP_LayerH layer, A_long* index) {
    Scope s;
    if (A_Err e = Enter(s, "AEGP_GetLayerIndex", layer, {}, true)) return e;
    if (!index) return A_Err_PARAMETER;
    *index = s.layer;
    return A_Err_NONE;
}

A_Err GetLayerObjectType(AEGP_LayerH layer, AEGP_ObjectType* type) {
    Scope s;
    if (A_Err e = Enter(s, "AEGP_GetLayerObjectType", layer, {}, true)) return e;
    if (!type) return A_Err_PARAMETER;
    *type = s.comp->at(static_cast<std::size_t>(s.layer)).object_type;
    return A_Err_NONE;
}

A_Err IsVideoActive(AEGP_LayerH layer, AEGP_LTimeMode mode, const A_Time* time, A_Boolean* active) {
    Scope s;
    AegpQuery q;
    q.time_mode = mode;
    if (time) q.time = *time;
    if (A_Err e = Enter(s, "AEGP_IsVideoActive", layer, q, true)) return e;
    // No layer here has a time offset, so layer time and composition time agree.
    if (!time || !active || (mode != AEGP_LTimeMode_CompTime && mode != AEGP_LTimeMode_LayerTime))
        return A_Err_PARAMETER;
    *active = Composition::ActiveAt(s.comp->at(static_cast<std::size_t>(s.layer)), *time) ? 1 : 0;
    return A_Err_NONE;
}

A_Err GetLayerToWorldXform(AEGP_LayerH layer, const A_Time* time, A_Matrix4* m) {
    Scope s;
    AegpQuery q;
    if (time) q.time = *time;
    if (A_Err e = Enter(s, "AEGP_GetLayerToWorldXform", layer, q, true)) return e;
    if (!time || !m) return A_Err_PARAMETER;
    const CompLayer& l = s.comp->at(static_cast<std::size_t>(s.layer));
    *m = l.matrix ? *l.matrix : Composition::LayerToWorld(l);
    return A_Err_NONE;
}

A_Err GetLightType(AEGP_LayerH layer, AEGP_LightType* type) {
    Scope s;
    if (A_Err e = Enter(s, "AEGP_GetLightType", layer, {}, true)) return e;
    const CompLayer& l = s.comp->at(static_cast<std::size_t>(s.layer));
    if (!type || l.object_type != AEGP_ObjectType_LIGHT) return A_Err_PARAMETER;
    *type = l.light_type;
    return A_Err_NONE;
}

A_Err GetLayerStreamValue(AEGP_LayerH layer, AEGP_LayerStream stream, AEGP_LTimeMode mode, const A_Time* time,
                          A_Boolean pre_expression, AEGP_StreamVal* value, AEGP_StreamType* type) {
    Scope s;
    AegpQuery q;
    q.stream = stream;
    q.time_mode = mode;
    q.pre_expression = pre_expression;
    if (time) q.time = *time;
    if (A_Err e = Enter(s, "AEGP_GetLayerStreamValue", layer, q, true)) return e;
    const CompLayer& l = s.comp->at(static_cast<std::size_t>(s.layer));
    if (auto it = l.fail_stream.find(stream); it != l.fail_stream.end()) return it->second;
    if (!time || !value) return A_Err_PARAMETER;
    std::memset(value, 0, sizeof *value);
    AEGP_StreamType t = AEGP_StreamType_OneD;
    const bool light = l.object_type == AEGP_ObjectType_LIGHT;
    switch (stream) {
        case AEGP_LayerStream_POSITION:
            value->three_d = {l.position.x, l.position.y, l.position.z};
            t = AEGP_StreamType_ThreeD_SPATIAL;
            break;
        case AEGP_LayerStream_INTENSITY:
            if (!light) return A_Err_PARAMETER;
            value->one_d = l.intensity;
            break;
        case AEGP_LayerStream_COLOR:
            if (!light) return A_Err_PARAMETER;
            value->color = {l.color[0], l.color[1], l.color[2], l.color[3]};
            t = AEGP_StreamType_COLOR;
            break;
        case AEGP_LayerStream_CONE_ANGLE:
        case AEGP_LayerStream_CONE_FEATHER:
            if (!light || l.light_type != AEGP_LightType_SPOT) return A_Err_PARAMETER;
            value->one_d = stream == AEGP_LayerStream_CONE_ANGLE ? l.cone_angle : l.cone_feather;
            break;
        case AEGP_LayerStream_LIGHT_FALLOFF_TYPE:
            if (!light) return A_Err_PARAMETER;
            value->one_d = l.falloff_type;
            break;
        case AEGP_LayerStream_LIGHT_FALLOFF_START:
            if (!light) return A_Err_PARAMETER;
            value->one_d = l.falloff_radius;
            break;
        case AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE:
            if (!light) return A_Err_PARAMETER;
            value->one_d = l.falloff_distance;
            break;
        default:
            return A_Err_PARAMETER;  // streams minihost does not model
    }
    if (type) *type = t;
    return A_Err_NONE;
}

AEGP_PFInterfaceSuite1 MakePFInterface() {
    AEGP_PFInterfaceSuite1 t{};
    t.AEGP_GetEffectLayer = GetEffectLayer;
    MINIHOST_STUB(t, AEGP_GetNewEffectForEffect);
    MINIHOST_STUB(t, AEGP_ConvertEffectToCompTime);
    MINIHOST_STUB(t, AEGP_GetEffectCamera);
    MINIHOST_STUB(t, AEGP_GetEffectCameraMatrix);
    return t;
}

// The functions both layer-suite versions share with one signature.
template <typename Suite>
void SetCommonLayerFunctions(Suite& t) {
    t.AEGP_GetCompNumLayers = GetCompNumLayers;
    t.AEGP_GetCompLayerByIndex = GetCompLayerByIndex;
    t.AEGP_GetLayerIndex = GetLayerIndex;
    t.AEGP_GetLayerParentComp = GetLayerParentComp;
    t.AEGP_GetLayerObjectType = GetLayerObjectType;
    t.AEGP_IsVideoActive = IsVideoActive;
    t.AEGP_GetLayerToWorldXform = GetLayerToWorldXform;
    MINIHOST_STUB(t, AEGP_GetActiveLayer);
    MINIHOST_STUB(t, AEGP_GetLayerSourceItem);
    MINIHOST_STUB(t, AEGP_GetLayerName);
    MINIHOST_STUB(t, AEGP_GetLayerQuality);
    MINIHOST_STUB(t, AEGP_SetLayerQuality);
    MINIHOST_STUB(t, AEGP_GetLayerFlags);
    MINIHOST_STUB(t, AEGP_SetLayerFlag);
    MINIHOST_STUB(t, AEGP_IsLayerVideoReallyOn);
    MINIHOST_STUB(t, AEGP_IsLayerAudioReallyOn);
    MINIHOST_STUB(t, AEGP_GetLayerCurrentTime);
    MINIHOST_STUB(t, AEGP_GetLayerInPoint);
    MINIHOST_STUB(t, AEGP_GetLayerDuration);
    MINIHOST_STUB(t, AEGP_SetLayerInPointAndDuration);
    MINIHOST_STUB(t, AEGP_GetLayerOffset);
    MINIHOST_STUB(t, AEGP_SetLayerOffset);
    MINIHOST_STUB(t, AEGP_GetLayerStretch);
    MINIHOST_STUB(t, AEGP_SetLayerStretch);
    MINIHOST_STUB(t, AEGP_GetLayerTransferMode);
    MINIHOST_STUB(t, AEGP_SetLayerTransferMode);
    MINIHOST_STUB(t, AEGP_IsAddLayerValid);
    MINIHOST_STUB(t, AEGP_AddLayer);
    MINIHOST_STUB(t, AEGP_ReorderLayer);
    MINIHOST_STUB(t, AEGP_GetLayerMaskedBounds);
    MINIHOST_STUB(t, AEGP_IsLayer3D);
    MINIHOST_STUB(t, AEGP_IsLayer2D);
    MINIHOST_STUB(t, AEGP_IsLayerUsedAsTrackMatte);
    MINIHOST_STUB(t, AEGP_DoesLayerHaveTrackMatte);
    MINIHOST_STUB(t, AEGP_ConvertCompToLayerTime);
    MINIHOST_STUB(t, AEGP_GetLayerDancingRandValue);
    MINIHOST_STUB(t, AEGP_GetLayerID);
    MINIHOST_STUB(t, AEGP_GetLayerToWorldXformFromView);
    MINIHOST_STUB(t, AEGP_SetLayerName);
}

AEGP_LayerSuite1 MakeLayer5() {
    AEGP_LayerSuite1 t{};
    SetCommonLayerFunctions(t);
    return t;
}

AEGP_LayerSuite8 MakeLayer14() {
    AEGP_LayerSuite8 t{};
    SetCommonLayerFunctions(t);
    MINIHOST_STUB(t, AEGP_GetLayerSourceItemID);
    MINIHOST_STUB(t, AEGP_ConvertLayerToCompTime);
    MINIHOST_STUB(t, AEGP_GetLayerParent);
    MINIHOST_STUB(t, AEGP_SetLayerParent);
    MINIHOST_STUB(t, AEGP_DeleteLayer);
    MINIHOST_STUB(t, AEGP_DuplicateLayer);
    MINIHOST_STUB(t, AEGP_GetLayerFromLayerID);
    MINIHOST_STUB(t, AEGP_GetLayerLabel);
    MINIHOST_STUB(t, AEGP_SetLayerLabel);
    MINIHOST_STUB(t, AEGP_GetLayerSamplingQuality);
    MINIHOST_STUB(t, AEGP_SetLayerSamplingQuality);
    return t;
}

AEGP_LightSuite1 MakeLight1() {
    AEGP_LightSuite1 t{};
    t.AEGP_GetLightType = GetLightType;
    return t;
}

AEGP_StreamSuite1 MakeStream4() {
    AEGP_StreamSuite1 t{};
    t.AEGP_GetLayerStreamValue = GetLayerStreamValue;
    MINIHOST_STUB(t, AEGP_IsStreamLegal);
    MINIHOST_STUB(t, AEGP_CanVaryOverTime);
    MINIHOST_STUB(t, AEGP_GetNewLayerStream);
    MINIHOST_STUB(t, AEGP_GetEffectNumParamStreams);
    MINIHOST_STUB(t, AEGP_GetNewEffectStreamByIndex);
    MINIHOST_STUB(t, AEGP_GetNewMaskStream);
    MINIHOST_STUB(t, AEGP_DisposeStream);
    MINIHOST_STUB(t, AEGP_GetStreamName);
    MINIHOST_STUB(t, AEGP_GetStreamUnitsText);
    MINIHOST_STUB(t, AEGP_GetStreamProperties);
    MINIHOST_STUB(t, AEGP_IsStreamTimevarying);
    MINIHOST_STUB(t, AEGP_GetStreamType);
    MINIHOST_STUB(t, AEGP_GetNewStreamValue);
    MINIHOST_STUB(t, AEGP_DisposeStreamValue);
    MINIHOST_STUB(t, AEGP_SetStreamValue);
    MINIHOST_STUB(t, unused_slot16);
    MINIHOST_STUB(t, unused_slot17);
    MINIHOST_STUB(t, unused_slot18);
    MINIHOST_STUB(t, unused_slot19);
    return t;
}

}  // namespace

const void* PFInterfaceSuite1() {
    static const AEGP_PFInterfaceSuite1 table = MakePFInterface();
    return &table;
}

const void* LayerSuite5() {
    static const AEGP_LayerSuite1 table = MakeLayer5();
    return &table;
}

const void* LayerSuite14() {
    static const AEGP_LayerSuite8 table = MakeLayer14();
    return &table;
}

const void* LightSuite1() {
    static const AEGP_LightSuite1 table = MakeLight1();
    return &table;
}

const void* StreamSuite4() {
    static const AEGP_StreamSuite1 table = MakeStream4();
    return &table;
}

}  // namespace minihost
