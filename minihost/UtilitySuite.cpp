#include "host/AE_GeneralPlug.h"
#include "minihost/BuiltinSuites.h"
#include "minihost/Session.h"
#include "minihost/SuiteStub.h"

namespace minihost {
namespace {

A_Err RegisterWithAEGP(AEGP_GlobalRefcon refcon, const A_char* name, AEGP_PluginID* id) {
    Session* s = Session::Current();
    if (!s) return A_Err_GENERIC;
    AegpRegistration r;
    r.refcon = refcon;
    r.name = name ? std::optional<std::string>(name) : std::nullopt;
    r.id_pointer_given = id != nullptr;
    r.result = s->suites().FunctionFailure("AEGP_RegisterWithAEGP").value_or(A_Err_NONE);
    if (r.result == A_Err_NONE && id) *id = s->aegp_plugin_id();
    s->RecordAegpRegistration(r);
    return r.result;
}

AEGP_UtilitySuite6 Make() {
    AEGP_UtilitySuite6 t{};
    MINIHOST_STUB(t, AEGP_ReportInfo);
    MINIHOST_STUB(t, AEGP_ReportInfoUnicode);
    MINIHOST_STUB(t, AEGP_GetDriverPluginInitFuncVersion);
    MINIHOST_STUB(t, AEGP_GetDriverImplementationVersion);
    MINIHOST_STUB(t, AEGP_StartQuietErrors);
    MINIHOST_STUB(t, AEGP_EndQuietErrors);
    MINIHOST_STUB(t, AEGP_GetLastErrorMessage);
    MINIHOST_STUB(t, AEGP_StartUndoGroup);
    MINIHOST_STUB(t, AEGP_EndUndoGroup);
    t.AEGP_RegisterWithAEGP = RegisterWithAEGP;
    MINIHOST_STUB(t, AEGP_GetMainHWND);
    MINIHOST_STUB(t, AEGP_ShowHideAllFloaters);
    MINIHOST_STUB(t, AEGP_PaintPalGetForeColor);
    MINIHOST_STUB(t, AEGP_PaintPalGetBackColor);
    MINIHOST_STUB(t, AEGP_PaintPalSetForeColor);
    MINIHOST_STUB(t, AEGP_PaintPalSetBackColor);
    MINIHOST_STUB(t, AEGP_CharPalGetFillColor);
    MINIHOST_STUB(t, AEGP_CharPalGetStrokeColor);
    MINIHOST_STUB(t, AEGP_CharPalSetFillColor);
    MINIHOST_STUB(t, AEGP_CharPalSetStrokeColor);
    MINIHOST_STUB(t, AEGP_CharPalIsFillColorUIFrontmost);
    MINIHOST_STUB(t, AEGP_ConvertFpLongToHSFRatio);
    MINIHOST_STUB(t, AEGP_ConvertHSFRatioToFpLong);
    MINIHOST_STUB(t, AEGP_CauseIdleRoutinesToBeCalled);
    MINIHOST_STUB(t, AEGP_GetSuppressInteractiveUI);
    MINIHOST_STUB(t, AEGP_WriteToOSConsole);
    MINIHOST_STUB(t, AEGP_WriteToDebugLog);
    MINIHOST_STUB(t, AEGP_IsScriptingAvailable);
    MINIHOST_STUB(t, AEGP_ExecuteScript);
    MINIHOST_STUB(t, AEGP_HostIsActivated);
    MINIHOST_STUB(t, AEGP_GetPluginPlatformRef);
    MINIHOST_STUB(t, AEGP_UpdateFontList);
    MINIHOST_STUB(t, AEGP_GetPluginPaths);
    return t;
}

}  // namespace

const void* UtilitySuite13() {
    static const AEGP_UtilitySuite6 table = Make();
    return &table;
}

}  // namespace minihost
