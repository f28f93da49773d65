// Registration without running the effect: the host calls the module's
// PluginDataEntryFunction2 export, which calls back once per effect it holds.
#pragma once

#include "A.h"
#include "SPBasic.h"

#ifdef __cplusplus
extern "C" {
#endif

// The registration context; passed back to the callback unchanged.
typedef struct PF_PluginData* PF_PluginDataPtr;

// Version 1 callback: everything but the support URL.
typedef A_Err (*PF_PluginDataCB)(PF_PluginDataPtr inPtr, const A_u_char* inNameP, const A_u_char* inMatchNameP,
                                 const A_u_char* inCategoryP, const A_u_char* inEntryPointFuncNameP, A_long inkind,
                                 A_long inApiVersionMajor, A_long inApiVersionMinor, A_long inReservedInfo);

typedef A_Err (*PF_PluginDataCB2)(PF_PluginDataPtr inPtr, const A_u_char* inNameP, const A_u_char* inMatchNameP,
                                  const A_u_char* inCategoryP, const A_u_char* inEntryPointFuncNameP, A_long inkind,
                                  A_long inApiVersionMajor, A_long inApiVersionMinor, A_long inReservedInfo,
                                  const A_u_char* inSupportURLP);

// Signatures of the exports the host looks up by these exact names.
typedef A_Err (*PluginDataEntryFunctionPtr)(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                                            SPBasicSuite* inSPBasicSuitePtr, const char* inHostName,
                                            const char* inHostVersion);
typedef A_Err (*PluginDataEntryFunction2Ptr)(PF_PluginDataPtr inPtr, PF_PluginDataCB2 inPluginDataCallBackPtr,
                                             SPBasicSuite* inSPBasicSuitePtr, const char* inHostName,
                                             const char* inHostVersion);

#define PF_PLUGIN_DATA_ENTRY_NAME "PluginDataEntryFunction"
#define PF_PLUGIN_DATA_ENTRY2_NAME "PluginDataEntryFunction2"

// The plug-in kind of an effect, 'eFKT', as the callback's inkind.
#define PF_PLUGIN_KIND_EFFECT ((A_long)0x65464B54)
// The reserved-info value registrations pass (while the resource holds 0).
#define AE_RESERVED_INFO 8

#ifdef __cplusplus
}
#endif
