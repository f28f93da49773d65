// The utility callbacks (in_data->utils) minihost serves. Implemented: copy
// (PF_COPY) in all three depths, the ANSI block (sprintf writes at most a
// return_msg's 256 bytes), and the handle functions. The remaining slots are
// typed placeholders that record the call and return an error.
#pragma once

#include "host/AE_EffectCB.h"

namespace minihost {

// One table shared by every session; the functions find their session through
// the effect reference where they get one.
PF_UtilCallbacks* UtilCallbacks();

// The copy callback itself, for direct tests.
PF_Err CopyWorld(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_rect, PF_Rect* dst_rect);

}  // namespace minihost
