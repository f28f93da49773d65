// Registration of the effect's controls and the host-facing UI behaviour.
#pragma once

#include "host/Host.h"

namespace morvel {

// Fills one parameter definition from the table; exposed for the tests.
PF_ParamDef MakeParamDef(int tableRow);

// Registers every control, in index order, and reports the count.
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);

// Greys the environment controls out while no HDRI layer is assigned.
PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data);

// Asks the host to redraw the controls when the HDRI layer changes.
PF_Err UserChangedParam(PF_OutData* out_data, const PF_UserChangedParamExtra* extra);

}  // namespace morvel
