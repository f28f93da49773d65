#include "host/AE_EffectSuites.h"
#include "minihost/BuiltinSuites.h"
#include "minihost/Session.h"
#include "minihost/SuiteStub.h"

namespace minihost {
namespace {

PF_Err UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def) {
    Session* s = Session::FromEffectRef(effect_ref);
    if (!s) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_Err injected = s->suites().FunctionFailure("PF_UpdateParamUI").value_or(PF_Err_NONE);
    return s->params().UpdateUI(index, def, injected);
}

PF_ParamUtilsSuite3 Make() {
    PF_ParamUtilsSuite3 t{};
    t.PF_UpdateParamUI = UpdateParamUI;
    MINIHOST_STUB(t, PF_GetCurrentState);
    MINIHOST_STUB(t, PF_AreStatesIdentical);
    MINIHOST_STUB(t, PF_IsIdenticalCheckout);
    MINIHOST_STUB(t, PF_FindKeyframeTime);
    MINIHOST_STUB(t, PF_GetKeyframeCount);
    MINIHOST_STUB(t, PF_CheckoutKeyframe);
    MINIHOST_STUB(t, PF_CheckinKeyframe);
    MINIHOST_STUB(t, PF_KeyIndexToTime);
    return t;
}

}  // namespace

const void* ParamUtilsSuite3() {
    static const PF_ParamUtilsSuite3 table = Make();
    return &table;
}

}  // namespace minihost
