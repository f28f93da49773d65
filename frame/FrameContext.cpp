#include "frame/FrameContext.h"

#include <cstddef>
#include <limits>

namespace morvel {

bool HdriSizeUsable(const FrameContext& ctx) {
    if (ctx.hdriWidth <= 0 || ctx.hdriHeight <= 0) {
        return false;
    }
    // Both factors are below 2^31, so the product of three fits in 64 bits; the check
    // keeps the later size * sizeof(float) from wrapping on a 32-bit size_t.
    const uint64_t floats = static_cast<uint64_t>(ctx.hdriWidth) * static_cast<uint64_t>(ctx.hdriHeight) * 4u;
    return floats <= std::numeric_limits<size_t>::max() / sizeof(float) / 3u;
}

bool AllocateHdriBuffers(FrameContext& ctx) {
    ctx.hdriDiffuse.clear();
    ctx.hdriSpecular.clear();
    ctx.hdriScratch.clear();
    if (!HdriSizeUsable(ctx)) {
        return false;
    }
    const auto n = static_cast<size_t>(ctx.hdriWidth) * static_cast<size_t>(ctx.hdriHeight) * 4u;
    ctx.hdriDiffuse.resize(n);
    ctx.hdriSpecular.resize(n);
    ctx.hdriScratch.resize(n);
    return true;
}

}  // namespace morvel
