// How a frame's buffers are addressed by the kernels of every GPU back end.
#pragma once

#include <cstdint>

#include "gpu/GpuFrame.h"
#include "kernel/GpuBuffers.h"

namespace morvel {

// The output's row pitch in bytes, or 0 when it does not fit the kernels' int.
int32_t OutputRowBytes(const GpuFrameContext& ctx);

// Each buffer's own size and pitch, as the kernels address them; the base is
// "Diffuse Albedo", else the input.
GpuLayers LayersOf(const GpuFrameContext& ctx, int32_t output_row_bytes);

// The buffer the base is read from.
void* BaseData(const GpuFrameContext& ctx);

}  // namespace morvel
