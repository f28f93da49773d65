#include "gpu/GpuPassLayers.h"

#include <utility>

namespace morvel {

int32_t OutputRowBytes(const GpuFrameContext& ctx) {
    return ctx.stride > 0 && ctx.stride <= INT32_MAX / 16 ? ctx.stride * 16 : 0;
}

GpuLayers LayersOf(const GpuFrameContext& ctx, int32_t output_row_bytes) {
    GpuLayers g{};
    auto set = [&g](int layer, const PF_EffectWorld* w, int32_t row_bytes) {
        if (!w) return;
        g.width[layer] = w->width;
        g.height[layer] = w->height;
        g.row_bytes[layer] = row_bytes;
    };
    g.width[GPU_OUT] = ctx.width;
    g.height[GPU_OUT] = ctx.height;
    g.row_bytes[GPU_OUT] = output_row_bytes;
    const bool albedo = ctx.pass_data[SLOT_DIFFUSE_ALBEDO] != nullptr;
    const PF_EffectWorld* base = albedo ? ctx.pass_worlds[SLOT_DIFFUSE_ALBEDO] : ctx.input_world;
    set(GPU_BASE, base, base ? base->rowbytes : 0);
    g.has_base = base != nullptr;
    const std::pair<int, int> slots[] = {{GPU_SOURCE, SLOT_SOURCE},
                                         {GPU_NORMAL, SLOT_NORMAL},
                                         {GPU_ROUGHNESS, SLOT_ROUGHNESS},
                                         {GPU_METALLIC, SLOT_METALNESS},
                                         {GPU_SPECULAR, SLOT_SPECULAR}};
    for (auto [layer, slot] : slots)
        if (ctx.pass_data[slot]) set(layer, ctx.pass_worlds[slot], ctx.pass_worlds[slot]->rowbytes);
    return g;
}

void* BaseData(const GpuFrameContext& ctx) {
    return ctx.pass_data[SLOT_DIFFUSE_ALBEDO] ? ctx.pass_data[SLOT_DIFFUSE_ALBEDO] : ctx.input_data;
}

}  // namespace morvel
