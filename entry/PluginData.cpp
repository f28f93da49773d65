#include "entry/EffectIdentity.h"
#include "entry/Exports.h"

namespace {
const A_u_char* Text(const char* s) { return reinterpret_cast<const A_u_char*>(s); }
}  // namespace

extern "C" {
int32_t NvOptimusEnablementCuda = 1;
}

extern "C" A_Err PluginDataEntryFunction2(PF_PluginDataPtr inPtr, PF_PluginDataCB2 inPluginDataCallBackPtr,
                                          SPBasicSuite* /*inSPBasicSuitePtr*/, const char* /*inHostName*/,
                                          const char* /*inHostVersion*/) {
    using namespace morvel;
    if (!inPluginDataCallBackPtr) return PF_Err_INVALID_CALLBACK;
    return inPluginDataCallBackPtr(inPtr, Text(kEffectName), Text(kMatchName), Text(kCategory), Text(kEntryPointName),
                                   static_cast<A_long>(kEffectKind), kInterfaceVersion, kInterfaceSubversion,
                                   kRegistrationReservedInfo, Text(kSupportUrl));
}
