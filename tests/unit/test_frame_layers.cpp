// The CPU frame's layer checkout, output clear and buffer release, against a host
// that hands out worlds by checkout id.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "render/SmartRender.h"
#include "scene/SmartPreRender.h"

namespace morvel {
namespace {

// A world with its own storage; `rowbytes` may exceed the packed row.
struct TestWorld {
    std::vector<unsigned char> bytes;
    PF_EffectWorld world{};

    TestWorld(int width, int height, int depth, int padding = 0) {
        const int pixel = depth == 8 ? 4 : depth == 16 ? 8 : 16;
        world.width = width;
        world.height = height;
        world.rowbytes = width * pixel + padding;
        world.world_flags = depth == 16 ? PF_WorldFlag_DEEP : 0;
        bytes.assign(static_cast<size_t>(world.rowbytes) * static_cast<size_t>(height), 0xAB);
        world.data = reinterpret_cast<PF_PixelPtr>(bytes.data());
    }
    TestWorld(const TestWorld&) = delete;
    TestWorld& operator=(const TestWorld&) = delete;
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

    FakeRenderHost() {
        in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
        cb.checkout_layer_pixels = [](PF_ProgPtr ref, A_long id, PF_EffectWorld** w) -> PF_Err {
            auto* self = reinterpret_cast<FakeRenderHost*>(ref);
            self->asked.push_back(id);
            auto it = self->layers.find(id);
            *w = it == self->layers.end() ? nullptr : it->second;
            auto e = self->layerErr.find(id);
            return e == self->layerErr.end() ? PF_Err_NONE : e->second;
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
    struct Case {
        const char* name;
        bool input, output;
        PF_Err inputErr, outputErr;
        int inputDepth;  // of the input world when present
        int inputWidth;
        PF_Err expected;
    };
    const Case cases[] = {
        {"input error passes through", true, true, 17, 0, 8, 9, 17},
        {"input missing", false, true, 0, 0, 8, 9, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"output error passes through", true, true, 0, 33, 8, 9, 33},
        {"output missing", true, false, 0, 0, 8, 9, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"input narrower than the output", true, true, 0, 0, 8, 8, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"input of another depth", true, true, 0, 0, 32, 9, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"both present", true, true, 0, 0, 8, 9, PF_Err_NONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWorld in(c.inputWidth, 5, c.inputDepth);
        TestWorld out(9, 5, 8);
        FakeRenderHost host;
        if (c.input) host.layers[CHECKOUT_INPUT] = &in.world;
        host.layerErr[CHECKOUT_INPUT] = c.inputErr;
        host.output = c.output ? &out.world : nullptr;
        host.outputErr = c.outputErr;
        FrameContext ctx;
        EXPECT_EQ(host.Checkout(ctx, true), c.expected);
        if (c.expected != PF_Err_NONE) {
            // Nothing past the failure is fetched and the context names no world to render into.
            EXPECT_EQ(ctx.input, nullptr);
            EXPECT_TRUE(ctx.hdriDiffuse.empty());
            EXPECT_EQ(host.asked.size(), 1u);
        }
    }
}

TEST(CheckoutFrameLayers, WorldWithoutPixelsCountsAsMissing) {
    TestWorld in(4, 4, 8), out(4, 4, 8);
    FakeRenderHost host;
    host.layers[CHECKOUT_INPUT] = &in.world;
    host.output = &out.world;
    out.world.data = nullptr;
    FrameContext ctx;
    EXPECT_EQ(host.Checkout(ctx, false), PF_Err_INTERNAL_STRUCT_DAMAGED);
    out.world.data = reinterpret_cast<PF_PixelPtr>(out.bytes.data());
    in.world.data = nullptr;
    FrameContext ctx2;
    EXPECT_EQ(host.Checkout(ctx2, false), PF_Err_INTERNAL_STRUCT_DAMAGED);
}

TEST(CheckoutFrameLayers, FrameDepthFromTheOutput) {
    struct Case {
        int depth, padding;
        int expected;
    };
    // A deep world is 16-bit whatever its row bytes, even rows long enough to read as float.
    const Case cases[] = {{8, 0, 8}, {8, 12, 8}, {16, 0, 16}, {16, 64, 16}, {32, 0, 32}, {32, 16, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " padding " << c.padding);
        TestWorld in(5, 3, c.depth), out(5, 3, c.depth, c.padding);
        FakeRenderHost host;
        host.layers[CHECKOUT_INPUT] = &in.world;
        host.output = &out.world;
        FrameContext ctx;
        ASSERT_EQ(host.Checkout(ctx, false), PF_Err_NONE);
        EXPECT_EQ(ctx.depth, c.expected);
        EXPECT_EQ(ctx.width, 5);
        EXPECT_EQ(ctx.height, 3);
        EXPECT_EQ(ctx.outputRowBytes, out.world.rowbytes);
        EXPECT_EQ(ctx.output, &out.world);
        EXPECT_EQ(ctx.input, &in.world);
    }
}

TEST(CheckoutFrameLayers, PassLayers) {
    TestWorld in(8, 6, 16), out(8, 6, 16);
    TestWorld albedo(8, 6, 16, 8);  // padded rows
    TestWorld small(3, 2, 16);      // smaller than the output
    TestWorld wrongDepth(8, 6, 8);  // 8-bit in a 16-bit frame
    TestWorld noPixels(8, 6, 16);
    noPixels.world.data = nullptr;
    TestWorld source(8, 6, 16);
    FakeRenderHost host;
    host.layers[CHECKOUT_INPUT] = &in.world;
    host.output = &out.world;
    host.layers[CHECKOUT_DIFFUSE_ALBEDO] = &albedo.world;
    host.layers[CHECKOUT_NORMAL] = &small.world;
    host.layers[CHECKOUT_ROUGHNESS] = &wrongDepth.world;
    host.layers[CHECKOUT_METALNESS] = &noPixels.world;
    host.layers[CHECKOUT_SOURCE] = &source.world;
    host.layerErr[CHECKOUT_SPECULAR_ALBEDO] = 99;  // a failed pass checkout is no frame error
    FrameContext ctx;
    ASSERT_EQ(host.Checkout(ctx, false), PF_Err_NONE);

    const PF_EffectWorld* expected[kPassLayerCount] = {&albedo.world, &small.world, nullptr,      nullptr,
                                                       nullptr,       nullptr,      &source.world};
    for (int i = 0; i < kPassLayerCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ctx.passes[i], expected[i]);
        EXPECT_EQ(ctx.passRowBytes[i], expected[i] ? expected[i]->rowbytes : 0);
        EXPECT_EQ(ctx.passWidth[i], expected[i] ? expected[i]->width : 0);
        EXPECT_EQ(ctx.passHeight[i], expected[i] ? expected[i]->height : 0);
    }
    // IBL off: the HDRI is never asked for.
    EXPECT_EQ(host.asked, (std::vector<A_long>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(ctx.hdri, nullptr);
    EXPECT_TRUE(ctx.hdriDiffuse.empty());
}

TEST(CheckoutFrameLayers, HdriKeepsItsOwnDepthAndGetsBuffers) {
    TestWorld in(4, 4, 8), out(4, 4, 8), hdri(16, 8, 32, 32);
    FakeRenderHost host;
    host.layers[CHECKOUT_INPUT] = &in.world;
    host.output = &out.world;
    host.layers[CHECKOUT_HDRI] = &hdri.world;
    FrameContext ctx;
    ASSERT_EQ(host.Checkout(ctx, true), PF_Err_NONE);
    EXPECT_EQ(ctx.depth, 8);
    EXPECT_EQ(ctx.hdri, &hdri.world);
    EXPECT_EQ(ctx.hdriDepth, 32);
    EXPECT_EQ(ctx.hdriWidth, 16);
    EXPECT_EQ(ctx.hdriHeight, 8);
    EXPECT_EQ(ctx.hdriRowBytes, 16 * 16 + 32);
    for (const auto* buffer : {&ctx.hdriDiffuse, &ctx.hdriSpecular, &ctx.hdriScratch})
        EXPECT_EQ(buffer->size(), 16u * 8u * 4u);

    ReleaseFrameBuffers(ctx);
    for (const auto* buffer : {&ctx.hdriDiffuse, &ctx.hdriSpecular, &ctx.hdriScratch}) {
        EXPECT_TRUE(buffer->empty());
        EXPECT_EQ(buffer->capacity(), 0u);
    }
    ReleaseFrameBuffers(ctx);  // a second release is harmless
}

TEST(CheckoutFrameLayers, IblOnWithoutUsableHdri) {
    TestWorld in(4, 4, 8), out(4, 4, 8), empty(16, 8, 32);
    empty.world.width = 0;
    for (PF_EffectWorld* hdri : {static_cast<PF_EffectWorld*>(nullptr), &empty.world}) {
        FakeRenderHost host;
        host.layers[CHECKOUT_INPUT] = &in.world;
        host.output = &out.world;
        host.layers[CHECKOUT_HDRI] = hdri;
        host.layerErr[CHECKOUT_HDRI] = hdri ? 0 : 7;
        FrameContext ctx;
        EXPECT_EQ(host.Checkout(ctx, true), PF_Err_NONE);
        EXPECT_EQ(host.asked.back(), CHECKOUT_HDRI);
        EXPECT_EQ(ctx.hdri, nullptr);
        EXPECT_EQ(ctx.hdriWidth, 0);
        EXPECT_TRUE(ctx.hdriDiffuse.empty());
    }
}

TEST(ClearToOpaqueBlack, EveryDepthLeavesRowPaddingAlone) {
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        TestWorld out(37, 23, depth, depth == 8 ? 12 : 16);
        FrameContext ctx;
        ctx.output = &out.world;
        ctx.width = 37;
        ctx.height = 23;
        ctx.depth = depth;
        ctx.outputRowBytes = out.world.rowbytes;
        ClearToOpaqueBlack(ctx);
        const size_t pixel = depth == 8 ? 4 : depth == 16 ? 8 : 16;
        for (int y = 0; y < 23; ++y) {
            const unsigned char* row = out.bytes.data() + static_cast<size_t>(y) * out.world.rowbytes;
            for (int x = 0; x < 37; ++x) {
                const unsigned char* p = row + x * pixel;
                if (depth == 8) {
                    ASSERT_EQ(p[0], 255);
                    ASSERT_EQ(p[1] | p[2] | p[3], 0);
                } else if (depth == 16) {
                    uint16_t v[4];
                    std::memcpy(v, p, sizeof v);
                    ASSERT_EQ(v[0], 32768);
                    ASSERT_EQ(v[1] | v[2] | v[3], 0);
                } else {
                    float v[4];
                    std::memcpy(v, p, sizeof v);
                    ASSERT_EQ(v[0], 1.0f);
                    ASSERT_EQ(v[1], 0.0f);
                    ASSERT_EQ(v[2], 0.0f);
                    ASSERT_EQ(v[3], 0.0f);
                }
            }
            for (size_t i = 37 * pixel; i < static_cast<size_t>(out.world.rowbytes); ++i) ASSERT_EQ(row[i], 0xAB);
        }
    }
}

}  // namespace
}  // namespace morvel
