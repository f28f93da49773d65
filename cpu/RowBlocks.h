// How many pixels the row bodies take at a time, shared by the light and the incidence
// and rim bodies; included by one translation unit per instruction set.
#pragma once

#include "kernel/ImageView.h"

namespace morvel {
namespace {

// Pixels per block. The vector loop over a block leaves its last pixels (up to a vector's
// width, and at least one: a layer read for some channels only must not read past the
// block) to scalar code, so the wider the vectors, the longer a block must be to keep
// that tail small. The integer depths take a whole HD row at AVX-512's width, where
// 256-pixel blocks measured up to a third slower; longer float blocks measured no faster.
#if defined(__AVX512F__)
constexpr int kIntegerBlock16 = 2048, kIntegerBlock8 = 2048;
#else
constexpr int kIntegerBlock16 = 256, kIntegerBlock8 = 1024;
#endif
template <int Layout>
constexpr int kBlock = Layout == PIXEL_ARGB8 ? kIntegerBlock8 : (Layout == PIXEL_ARGB16 ? kIntegerBlock16 : 256);

}  // namespace
}  // namespace morvel
