#include "minihost/BuiltinSuites.h"

#include "host/AE_EffectSuites.h"
#include "host/AE_GeneralPlug.h"

namespace minihost {

const std::vector<SuiteDef>& BuiltinSuites() {
    static const std::vector<SuiteDef> suites = {
        {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion6, UtilitySuite13()},
        {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, ParamUtilsSuite3()},
    };
    return suites;
}

}  // namespace minihost
