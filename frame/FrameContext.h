// One CPU frame's worlds, their geometry and depths, and the HDRI float buffers that
// the blur and environment passes work in.
#pragma once

#include <cstdint>
#include <vector>

#include "host/AE_Effect.h"

namespace morvel {

inline constexpr int kPassLayerCount = 7;

// Slots of FrameContext::passes, in the order of the layer parameters.
enum PassSlot : int {
    SLOT_DIFFUSE_ALBEDO = 0,
    SLOT_NORMAL,
    SLOT_ROUGHNESS,
    SLOT_METALNESS,
    SLOT_SPECULAR,
    SLOT_DEPTH,
    SLOT_SOURCE,
};
static_assert(SLOT_SOURCE + 1 == kPassLayerCount);

// Worlds are borrowed from the host for the frame and never freed here; the HDRI
// buffers belong to the context, so every return path of the frame releases them.
struct FrameContext {
    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* output = nullptr;
    // Diffuse albedo, normal, roughness, metalness, specular albedo, depth, source.
    PF_EffectWorld* passes[kPassLayerCount] = {};
    PF_EffectWorld* hdri = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0;
    int32_t outputRowBytes = 0;
    int32_t passRowBytes[kPassLayerCount] = {};
    int32_t hdriRowBytes = 0;
    int32_t hdriWidth = 0;
    int32_t hdriHeight = 0;
    int32_t hdriDepth = 0;
    // R, G, B, A floats per pixel, rows packed.
    std::vector<float> hdriDiffuse;
    std::vector<float> hdriSpecular;
    std::vector<float> hdriScratch;
};

// Bits per channel of a world judged from the world alone: the deep flag means 16;
// otherwise 16 bytes per pixel or more can only be float.
inline int32_t WorldPixelDepth(const PF_EffectWorld& world) {
    if (world.world_flags & PF_WorldFlag_DEEP) {
        return 16;
    }
    // 64-bit product: 16 x width overflows 32 bits for absurd widths.
    return static_cast<int64_t>(world.rowbytes) >= 16 * static_cast<int64_t>(world.width) ? 32 : 8;
}

// Whether hdriWidth x hdriHeight is positive and three float images of it fit in
// memory addressing (what the HDRI preparation allocates).
bool HdriSizeUsable(const FrameContext& ctx);

// Sizes the three HDRI buffers for hdriWidth x hdriHeight; false (and all three empty)
// when HdriSizeUsable is not.
bool AllocateHdriBuffers(FrameContext& ctx);

}  // namespace morvel
