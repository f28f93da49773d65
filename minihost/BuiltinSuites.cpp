#include "minihost/BuiltinSuites.h"

#include "host/AE_EffectGPU.h"
#include "host/AE_EffectSuites.h"
#include "host/AE_GeneralPlug.h"
#include "minihost/GpuHost.h"

namespace minihost {

const std::vector<SuiteDef>& BuiltinSuites() {
    static const std::vector<SuiteDef> suites = {
        {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion6, UtilitySuite13()},
        {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, ParamUtilsSuite3()},
        {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, PFInterfaceSuite1()},
        {kAEGPLayerSuite, kAEGPLayerSuiteVersion1, LayerSuite5()},
        {kAEGPLayerSuite, kAEGPLayerSuiteVersion8, LayerSuite14()},
        {kAEGPLightSuite, kAEGPLightSuiteVersion1, LightSuite1()},
        {kAEGPStreamSuite, kAEGPStreamSuiteVersion1, StreamSuite4()},
        {kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, GpuDeviceSuite1()},
    };
    return suites;
}

}  // namespace minihost
