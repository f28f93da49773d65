// The module's three exports. On Windows their names and ordinals come from
// Morvel.def; on Linux everything else is hidden by the version script.
#pragma once

#include "host/Host.h"

#if defined(_WIN32)
#define MORVEL_EXPORT
#else
#define MORVEL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

MORVEL_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                PF_LayerDef* output, void* extra);

MORVEL_EXPORT A_Err PluginDataEntryFunction2(PF_PluginDataPtr inPtr, PF_PluginDataCB2 inPluginDataCallBackPtr,
                                             SPBasicSuite* inSPBasicSuitePtr, const char* inHostName,
                                             const char* inHostVersion);

// Asks hybrid-graphics laptops to run the process on the discrete NVIDIA GPU.
MORVEL_EXPORT extern int32_t NvOptimusEnablementCuda;
}
