#include "cpu/CpuPasses.h"

#include <memory>
#include <utility>
#include <vector>

#include "cpu/HdriBlur.h"
#include "cpu/HdriCache.h"
#include "cpu/PassLoops.h"

namespace morvel {

PF_Err RenderPassCpu(const FrameContext& ctx, const FrameSettings& pass) {
    if (pass.pass_type < PASS_DIRECTIONAL) {
        return PF_Err_NONE;
    }
    const bool rim = pass.pass_type == PASS_INCIDENCE_RIM;
    switch (ctx.depth) {
        case 8:
            rim ? ShadeIncidenceRimRows<PF_Pixel8>(ctx, pass) : ShadeLightRows<PF_Pixel8>(ctx, pass);
            break;
        case 16:
            rim ? ShadeIncidenceRimRows<PF_Pixel16>(ctx, pass) : ShadeLightRows<PF_Pixel16>(ctx, pass);
            break;
        default:
            rim ? ShadeIncidenceRimRows<PF_PixelFloat>(ctx, pass) : ShadeLightRows<PF_PixelFloat>(ctx, pass);
            break;
    }
    return PF_Err_NONE;
}

void ClearOutputCpu(const FrameContext& ctx) {
    switch (ctx.depth) {
        case 8:
            ClearRows<PF_Pixel8>(ctx);
            break;
        case 16:
            ClearRows<PF_Pixel16>(ctx);
            break;
        default:
            ClearRows<PF_PixelFloat>(ctx);
            break;
    }
}

PF_Err RenderIblPassCpu(FrameContext& ctx, const FrameSettings& pass) {
    // No HDRI, or one without a single pixel, leaves nothing to do.
    if (!ctx.hdri || !ctx.hdri->data || ctx.hdri->width <= 0 || ctx.hdri->height <= 0) {
        return PF_Err_NONE;
    }
    // The HDRI world's own geometry and depth: it is read in a depth of its own.
    HdriWorldView world;
    world.pixels = ctx.hdri->data;
    world.rowBytes = ctx.hdri->rowbytes;
    world.width = ctx.hdri->width;
    world.height = ctx.hdri->height;
    world.depth = WorldPixelDepth(*ctx.hdri);
    // Prepared once per HDRI and blur width, then shared by the frames that use them.
    const std::shared_ptr<const HdriImages> images = PrepareHdriImagesCached(world, pass.ibl_roughness_bias);
    if (!images) {
        // A world the conversion cannot read: nothing was written, and the frame
        // must not count this pass as the one that replaced the cleared colour.
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    ctx.hdriWidth = images->width;
    ctx.hdriHeight = images->height;
    const HdriView diffuse{images->diffuse.data(), images->width, images->height, images->stride};
    const HdriView specular{images->specular.data(), images->width, images->height, images->stride};
    switch (ctx.depth) {
        case 8:
            ShadeIblRows<PF_Pixel8>(ctx, pass, diffuse, specular);
            break;
        case 16:
            ShadeIblRows<PF_Pixel16>(ctx, pass, diffuse, specular);
            break;
        default:
            ShadeIblRows<PF_PixelFloat>(ctx, pass, diffuse, specular);
            break;
    }
    return PF_Err_NONE;
}

}  // namespace morvel
