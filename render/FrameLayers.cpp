// The layer side of the CPU frame: obtaining the worlds, clearing the output and
// freeing the HDRI buffers. Kept apart from SmartRender so that it links without the
// pass loops.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "cpu/CpuPasses.h"
#include "render/SmartRender.h"
#include "scene/SmartPreRender.h"

namespace morvel {
namespace {

PF_Err CheckoutLayer(PF_InData* in_data, PF_SmartRenderExtra* extra, CheckoutId id, PF_EffectWorld** world) {
    *world = nullptr;
    if (!extra->cb->checkout_layer_pixels) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    return extra->cb->checkout_layer_pixels(in_data->effect_ref, id, world);
}

// A world whose pixels the CPU cannot reach (a GPU world hands a null data pointer)
// is as good as none.
bool HasPixels(const PF_EffectWorld* world) { return world && world->data; }

bool Covers(const PF_EffectWorld& layer, const FrameContext& ctx) {
    return layer.width >= ctx.width && layer.height >= ctx.height;
}

// Rows long enough for the world's own width: anything else cannot be a real world,
// and filling or reading it to its width would leave its memory.
bool RowsHoldWidth(const PF_EffectWorld& world) {
    const int64_t pixelBytes = WorldPixelDepth(world) / 2;  // 4, 8 or 16
    return static_cast<int64_t>(world.rowbytes) >= static_cast<int64_t>(world.width) * pixelBytes;
}

}  // namespace

PF_Err CheckoutFrameLayers(PF_InData* in_data, PF_OutData*, PF_SmartRenderExtra* extra, FrameContext& ctx,
                           const FrameSettings& frame) {
    if (!in_data || !extra || !extra->cb) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    PF_EffectWorld* input = nullptr;
    if (PF_Err err = CheckoutLayer(in_data, extra, CHECKOUT_INPUT, &input)) return err;
    if (!HasPixels(input)) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    PF_EffectWorld* output = nullptr;
    if (!extra->cb->checkout_output) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    if (PF_Err err = extra->cb->checkout_output(in_data->effect_ref, &output)) return err;
    if (!HasPixels(output) || !RowsHoldWidth(*output)) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    ctx.output = output;
    ctx.width = output->width;
    ctx.height = output->height;
    ctx.outputRowBytes = output->rowbytes;
    ctx.depth = WorldPixelDepth(*output);

    // The input is the layer the effect is applied to: one that does not cover the
    // output, or comes in another depth, is not the layer the frame was promised.
    if (WorldPixelDepth(*input) != ctx.depth || !Covers(*input, ctx)) {
        ctx.output = nullptr;
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    ctx.input = input;

    for (int i = 0; i < kPassLayerCount; ++i) {
        PF_EffectWorld* pass = nullptr;
        // A pass layer that cannot be had is simply not used; its error is not the frame's.
        CheckoutLayer(in_data, extra, static_cast<CheckoutId>(CHECKOUT_DIFFUSE_ALBEDO + i), &pass);
        // Pass pixels are read in the frame's depth; a layer of another depth would be
        // misread and overrun, so it counts as unassigned.
        if (!HasPixels(pass) || WorldPixelDepth(*pass) != ctx.depth || pass->width <= 0 || pass->height <= 0) {
            continue;
        }
        ctx.passes[i] = pass;
        ctx.passRowBytes[i] = pass->rowbytes;
    }

    if (!frame.ibl_enable) return PF_Err_NONE;

    PF_EffectWorld* hdri = nullptr;
    CheckoutLayer(in_data, extra, CHECKOUT_HDRI, &hdri);
    if (!HasPixels(hdri) || !RowsHoldWidth(*hdri)) return PF_Err_NONE;
    ctx.hdriWidth = hdri->width;
    ctx.hdriHeight = hdri->height;
    // An empty HDRI lights nothing: the frame renders without the IBL pass. Its
    // images are prepared (or found prepared) by the pass, not held by the frame.
    if (!HdriSizeUsable(ctx)) {
        ctx.hdriWidth = ctx.hdriHeight = 0;
        return PF_Err_NONE;
    }
    ctx.hdri = hdri;
    ctx.hdriRowBytes = hdri->rowbytes;
    ctx.hdriDepth = WorldPixelDepth(*hdri);
    return PF_Err_NONE;
}

void ReleaseFrameBuffers(FrameContext& ctx) {
    // Swapping with empty vectors gives the memory back; clear() would keep it.
    std::vector<float>().swap(ctx.hdriDiffuse);
    std::vector<float>().swap(ctx.hdriSpecular);
    std::vector<float>().swap(ctx.hdriScratch);
}

void ClearToOpaqueBlack(const FrameContext& ctx) {
    if (!ctx.output || !ctx.output->data || ctx.width <= 0 || ctx.height <= 0) return;
    ClearOutputCpu(ctx);
}

}  // namespace morvel
