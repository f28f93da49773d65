// Parameter definitions as text, the same on every platform (numbers in their
// shortest round-trip form), for tools and reports.
#pragma once

#include <string>

#include "host/AE_Effect.h"

namespace minihost {

std::string FormatNumber(double value);
// Single-precision fields print in float's own shortest form (0.1, not 0.10000000149011612).
std::string FormatNumber(float value);
// "0", "on"/"off", "12.5°", "#FFFFFFFF" (ARGB), "no layer"; "-" for kinds without one.
std::string ParamDefaultText(const PF_ParamDef& def);
// "0 to 100", or "-" for kinds without one.
std::string ParamValidRangeText(const PF_ParamDef& def);
std::string ParamSliderRangeText(const PF_ParamDef& def);
// Every field of the definition that matters for its kind, one "key=value" list.
std::string ParamDetailText(const PF_ParamDef& def);

}  // namespace minihost
