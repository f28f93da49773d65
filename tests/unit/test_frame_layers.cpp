// The CPU frame's layer checkout and buffer release, against a host that hands out
// worlds by checkout id.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "render/SmartRender.h"
#include "scene/SmartPreRender.h"

namespace morvel {
namespace {

// A world with its own storage; `padding` bytes end every row.
struct TestWorld {
    std::vector<unsigned char> bytes;
    PF_EffectWorld world{};

    TestWorld(int width, int height, int depth, int padding = 0) {
        world.width = width;
        world.height = height;
        world.rowbytes = width * (depth == 8 ? 4 : depth == 16 ? 8 : 16) + padding;
        world.world_flags = depth == 16 ? PF_WorldFlag_DEEP : 0;
        bytes.assign(static_cast<size_t>(world.rowbytes) * static_cast<size_t>(height), 0xAB);
        world.data = reinterpret_cast<PF_PixelPtr>(bytes.data());
    }
};

struct FakeRenderHost {
    std::map<A_long, PF_EffectWorld*> layers;
    std::map<A_long, PF_Err> layerErr;
    PF_EffectWorld* output = nullptr;
    PF_Err outputErr = 0;
    std::vector<A_long> asked;

    PF_InData in{};
    PF_SmartRenderInput input{};
    PF_SmartRenderCallbacks cb{};
    PF_SmartRenderExtra extra{};

    FakeRenderHost(TestWorld* inWorld, TestWorld* outWorld) {
        if (inWorld) layers[CHECKOUT_INPUT] = &inWorld->world;
        output = outWorld ? &outWorld->world : nullptr;
        in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
        cb.checkout_layer_pixels = [](PF_ProgPtr ref, A_long id, PF_EffectWorld** w) -> PF_Err {
            auto* self = reinterpret_cast<FakeRenderHost*>(ref);
            self->asked.push_back(id);
            *w = self->layers.count(id) ? self->layers[id] : nullptr;
            return self->layerErr.count(id) ? self->layerErr[id] : PF_Err_NONE;
        };
        cb.checkout_output = [](PF_ProgPtr ref, PF_EffectWorld** w) -> PF_Err {
            auto* self = reinterpret_cast<FakeRenderHost*>(ref);
            *w = self->output;
            return self->outputErr;
        };
        extra.input = &input;
        extra.cb = &cb;
    }

    PF_Err Checkout(FrameContext& ctx, bool ibl) {
        FrameSettings frame{};
        frame.ibl_enable = ibl ? 1 : 0;
        return CheckoutFrameLayers(&in, nullptr, &extra, ctx, frame);
    }
};

TEST(CheckoutFrameLayers, InputAndOutputFailures) {
    enum Break { NONE, NO_INPUT, NO_OUTPUT, INPUT_NO_PIXELS, OUTPUT_NO_PIXELS };
    struct Case {
        const char* name;
        Break broken;
        PF_Err inputErr, outputErr;
        int inputDepth, inputWidth;  // the output is 8-bit, 9 wide
        PF_Err expected;
    };
    const PF_Err kDamaged = PF_Err_INTERNAL_STRUCT_DAMAGED;
    const Case cases[] = {
        {"input error passes through", NONE, 17, 0, 8, 9, 17},
        {"input missing", NO_INPUT, 0, 0, 8, 9, kDamaged},
        {"input without pixels", INPUT_NO_PIXELS, 0, 0, 8, 9, kDamaged},
        {"output error passes through", NONE, 0, 33, 8, 9, 33},
        {"output missing", NO_OUTPUT, 0, 0, 8, 9, kDamaged},
        {"output without pixels", OUTPUT_NO_PIXELS, 0, 0, 8, 9, kDamaged},
        {"input narrower than the output", NONE, 0, 0, 8, 8, kDamaged},
        {"input of another depth", NONE, 0, 0, 32, 9, kDamaged},
        {"both present", NONE, 0, 0, 8, 9, PF_Err_NONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWorld in(c.inputWidth, 5, c.inputDepth), out(9, 5, 8);
        if (c.broken == INPUT_NO_PIXELS) in.world.data = nullptr;
        if (c.broken == OUTPUT_NO_PIXELS) out.world.data = nullptr;
        FakeRenderHost host(c.broken == NO_INPUT ? nullptr : &in, c.broken == NO_OUTPUT ? nullptr : &out);
        host.layerErr[CHECKOUT_INPUT] = c.inputErr;
        host.outputErr = c.outputErr;
        FrameContext ctx;
        EXPECT_EQ(host.Checkout(ctx, true), c.expected);
        if (c.expected != PF_Err_NONE) {
            // Nothing past the failure is fetched and the context names no world to render into.
            EXPECT_EQ(ctx.input, nullptr);
            EXPECT_EQ(ctx.output, nullptr);
            EXPECT_TRUE(ctx.hdriDiffuse.empty());
            EXPECT_EQ(host.asked.size(), 1u);
        }
    }
}

TEST(CheckoutFrameLayers, PassLayers) {
    TestWorld in(8, 6, 16), out(8, 6, 16, 16);
    TestWorld albedo(8, 6, 16, 8);  // padded rows
    TestWorld small(3, 2, 16);      // smaller than the output: kept with its own size
    TestWorld wrongDepth(8, 6, 8);  // 8-bit in a 16-bit frame
    TestWorld noPixels(8, 6, 16), source(8, 6, 16);
    noPixels.world.data = nullptr;
    FakeRenderHost host(&in, &out);
    host.layers[CHECKOUT_DIFFUSE_ALBEDO] = &albedo.world;
    host.layers[CHECKOUT_NORMAL] = &small.world;
    host.layers[CHECKOUT_ROUGHNESS] = &wrongDepth.world;
    host.layers[CHECKOUT_METALNESS] = &noPixels.world;
    host.layers[CHECKOUT_SOURCE] = &source.world;
    host.layerErr[CHECKOUT_SPECULAR_ALBEDO] = 99;  // a failed pass checkout is no frame error
    FrameContext ctx;
    ASSERT_EQ(host.Checkout(ctx, false), PF_Err_NONE);
    EXPECT_TRUE(ctx.depth == 16 && ctx.width == 8 && ctx.height == 6 && ctx.outputRowBytes == out.world.rowbytes);
    EXPECT_TRUE(ctx.output == &out.world && ctx.input == &in.world);

    const PF_EffectWorld* expected[kPassLayerCount] = {&albedo.world, &small.world, nullptr,      nullptr,
                                                       nullptr,       nullptr,      &source.world};
    for (int i = 0; i < kPassLayerCount; ++i) {
        SCOPED_TRACE(i);
        const PF_EffectWorld* e = expected[i];
        EXPECT_EQ(ctx.passes[i], e);
        EXPECT_EQ(ctx.passRowBytes[i], e ? e->rowbytes : 0);
    }
    // IBL off: the HDRI is never asked for.
    EXPECT_EQ(host.asked, (std::vector<A_long>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(ctx.hdri, nullptr);
    EXPECT_TRUE(ctx.hdriDiffuse.empty());
}

// The HDRI keeps its own depth; one that cannot be had or has no
// pixels leaves the frame without IBL, and no error.
TEST(CheckoutFrameLayers, Hdri) {
    TestWorld in(4, 4, 8), out(4, 4, 8), hdri(16, 8, 32, 32), empty(16, 8, 32);
    empty.world.width = 0;
    for (PF_EffectWorld* world : {&hdri.world, static_cast<PF_EffectWorld*>(nullptr), &empty.world}) {
        FakeRenderHost host(&in, &out);
        host.layers[CHECKOUT_HDRI] = world;
        host.layerErr[CHECKOUT_HDRI] = world ? 0 : 7;
        FrameContext ctx;
        ASSERT_EQ(host.Checkout(ctx, true), PF_Err_NONE);
        EXPECT_EQ(host.asked.back(), CHECKOUT_HDRI);
        EXPECT_EQ(ctx.depth, 8);
        const bool usable = world == &hdri.world;
        EXPECT_EQ(ctx.hdri, usable ? world : nullptr);
        EXPECT_EQ(ctx.hdriWidth, usable ? 16 : 0);
        if (!usable) {
            EXPECT_TRUE(ctx.hdriDiffuse.empty());
            continue;
        }
        EXPECT_TRUE(ctx.hdriDepth == 32 && ctx.hdriHeight == 8 && ctx.hdriRowBytes == 16 * 16 + 32);
        // The environment pass prepares the images (or finds them prepared); the frame holds none.
        EXPECT_TRUE(ctx.hdriDiffuse.empty() && ctx.hdriSpecular.empty() && ctx.hdriScratch.empty());
        ReleaseFrameBuffers(ctx);  // a release is harmless
    }
}

}  // namespace
}  // namespace morvel
