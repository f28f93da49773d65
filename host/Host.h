// Everything the host publishes to an effect, in one include.
#pragma once

#include "A.h"
#include "AE_Effect.h"
#include "AE_EffectCB.h"
#include "AE_EffectGPU.h"
#include "AE_EffectSmartRender.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "PluginData.h"
#include "SPBasic.h"
