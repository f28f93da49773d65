#include <cstring>
#include <new>

#include "entry/EffectIdentity.h"
#include "entry/Exports.h"
#include "gpu/GpuDeviceLifecycle.h"
#include "hostaccess/HostSuites.h"
#include "params/ParamSetup.h"
#include "render/SmartRender.h"
#include "render/SmartRenderGPU.h"
#include "scene/SmartPreRender.h"

namespace morvel {
namespace {

// Process-wide, written only by global setup.
AEGP_PluginID gPluginId = 0;
// Written only by GPU device setup and setdown, one record per device.
GpuDeviceTable gGpuDevices;

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data) {
    if (!out_data) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    out_data->my_version = kEffectVersion;
    out_data->out_flags = static_cast<PF_OutFlags>(kGlobalOutFlags);
    out_data->out_flags2 = static_cast<PF_OutFlags2>(kGlobalOutFlags2);
    if (!in_data) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    // Without a basic suite the effect still works; it is only not known to the AEGP layer.
    if (!in_data->pica_basicP) return PF_Err_NONE;

    HostSuiteCache suites(in_data->pica_basicP);
    const AEGP_UtilitySuite6& utility = suites.Get<AEGP_UtilitySuite6>();
    if (!utility.AEGP_RegisterWithAEGP) throw SuiteUnavailable;
    utility.AEGP_RegisterWithAEGP(nullptr, kEffectName, &gPluginId);
    return PF_Err_NONE;
}

// The non-smart path passes the frame through unchanged.
PF_Err Render(PF_InData* in_data, PF_ParamDef* params[], PF_LayerDef* output) {
    if (!in_data || !params || !params[0] || !output) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    if (!in_data->utils || !in_data->utils->copy) return PF_Err_INVALID_CALLBACK;
    return in_data->utils->copy(in_data->effect_ref, &params[0]->u.ld, output, nullptr, nullptr);
}

PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                void* extra) {
    switch (cmd) {
        case PF_Cmd_GLOBAL_SETUP:
            return GlobalSetup(in_data, out_data);
        case PF_Cmd_PARAMS_SETUP:
            return ParamsSetup(in_data, out_data);
        case PF_Cmd_RENDER:
            return Render(in_data, params, output);
        case PF_Cmd_USER_CHANGED_PARAM:
            return UserChangedParam(out_data, static_cast<const PF_UserChangedParamExtra*>(extra));
        case PF_Cmd_UPDATE_PARAMS_UI:
            return UpdateParamsUI(in_data, out_data);
        case PF_Cmd_SMART_PRE_RENDER:
            return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER:
            return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER_GPU:
            return SmartRenderGPU(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra), gGpuDevices);
        case PF_Cmd_GPU_DEVICE_SETUP:
            return SetupGpuDevice(in_data, out_data, static_cast<PF_GPUDeviceSetupExtra*>(extra), gGpuDevices);
        case PF_Cmd_GPU_DEVICE_SETDOWN:
            return SetdownGpuDevice(in_data, out_data, static_cast<PF_GPUDeviceSetdownExtra*>(extra), gGpuDevices);
        default:
            return PF_Err_NONE;
    }
}

}  // namespace
}  // namespace morvel

extern "C" PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                             PF_LayerDef* output, void* extra) {
    // Nothing may unwind into the host, whatever was thrown. Running out of
    // memory is told apart: the host can then free its caches and try again.
    try {
        return morvel::Dispatch(cmd, in_data, out_data, params, output, extra);
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}
