// The suites every session serves. To add one: implement its table in its own
// file (see UtilitySuite.cpp), declare its accessor here and list it in
// BuiltinSuites.cpp.
#pragma once

#include <cstdint>
#include <vector>

namespace minihost {

struct SuiteDef {
    const char* name;
    int32_t version;
    const void* table;
};

const std::vector<SuiteDef>& BuiltinSuites();

// "AEGP Utility Suite" 13: AEGP_RegisterWithAEGP is recorded on the session.
const void* UtilitySuite13();
// "PF Param Utils Suite" 3: PF_UpdateParamUI is recorded on the parameter model.
const void* ParamUtilsSuite3();
// "AEGP PF Interface Suite" 1, "AEGP Layer Suite" 5 and 14, "AEGP Light Suite" 1 and
// "AEGP Stream Suite" 4: the session's composition (AegpSuites.cpp).
const void* PFInterfaceSuite1();
const void* LayerSuite5();
const void* LayerSuite14();
const void* LightSuite1();
const void* StreamSuite4();

}  // namespace minihost
