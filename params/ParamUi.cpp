#include "hostaccess/HostSuites.h"
#include "params/ParamCheckout.h"
#include "params/ParamSetup.h"
#include "params/ParamTable.h"

namespace morvel {

namespace {

// Applies the enabled state to one control: check out, flag, hand to the host, check in.
PF_Err UpdateControl(PF_InData* in_data, HostSuiteCache& suites, PF_ParamIndex index, bool disable) {
    ParamCheckout param(in_data);
    if (const PF_Err err = param.Checkout(index)) return err;
    PF_ParamDef& def = param.def();
    if (disable)
        def.ui_flags |= PF_PUI_DISABLED;
    else
        def.ui_flags &= ~PF_PUI_DISABLED;
    def.flags |= PF_ParamFlag_COLLAPSE_TWIRLY;
    const PF_ParamUtilsSuite3& utils = suites.Get<PF_ParamUtilsSuite3>();
    if (!utils.PF_UpdateParamUI) throw SuiteUnavailable;
    if (const PF_Err err = utils.PF_UpdateParamUI(in_data->effect_ref, index, &def)) return err;
    return param.Checkin();
}

}  // namespace

PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data) {
    if (!in_data || !out_data) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    HostSuiteCache suites(in_data->pica_basicP);

    PF_Err err = PF_Err_NONE;
    {
        ParamCheckout hdri(in_data);
        err = hdri.Checkout(IBL_HDRI);
        if (!err) {
            const bool absent = hdri.def().u.ld.data == nullptr;
            for (const ParamIndex index : kIblControls) {
                err = UpdateControl(in_data, suites, index, absent);
                if (err) break;
            }
            // The layer is returned whatever happened to the controls; its own
            // result counts only when everything else succeeded.
            const PF_Err checkin = hdri.Checkin();
            if (!err) err = checkin;
        }
    }
    out_data->out_flags |= PF_OutFlag_REFRESH_UI;
    return err;
}

PF_Err UserChangedParam(PF_OutData* out_data, const PF_UserChangedParamExtra* extra) {
    if (!extra || extra->param_index != IBL_HDRI) return PF_Err_NONE;
    if (!out_data) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    out_data->out_flags |= PF_OutFlag_REFRESH_UI;
    return PF_Err_NONE;
}

}  // namespace morvel
