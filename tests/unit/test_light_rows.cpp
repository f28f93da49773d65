// The whole-row light and incidence-and-rim bodies (baseline, AVX2 and AVX-512 copies) against
// the per-pixel entry point: every byte of the output, padding included, must be the
// same, in every depth, for every light kind and term combination, first and later
// passes, with and without the source blend, on frames whose layers cover all rows,
// some rows, or part of each row.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "cpu/CpuPasses.h"
#include "cpu/LightRows.h"
#include "cpu/PixelTraits.h"

using namespace morvel;

namespace {

// Restores the automatic choice however a test ends.
struct RowBodiesScope {
    explicit RowBodiesScope(CpuRowBodies b) { SetCpuRowBodies(b); }
    ~RowBodiesScope() { SetCpuRowBodies(CpuRowBodies::Auto); }
};

// A world with padded rows, filled with values that exercise every branch of the
// shading and of the quantisation: out-of-range, zero and (in float) NaN, infinite
// and negative-zero channels among ordinary ones.
template <typename Pixel>
struct RandomWorld {
    std::vector<Pixel> px;
    PF_EffectWorld w{};

    RandomWorld(int width, int height, std::mt19937& rng, bool alphaLayer)
        : px(static_cast<size_t>(width + 3) * height) {
        std::uniform_real_distribution<float> unit(-0.1f, 1.1f);
        std::uniform_int_distribution<int> pick(0, 99);
        for (Pixel& p : px) {
            float c[4];
            for (float& v : c) {
                v = unit(rng);
                const int k = pick(rng);
                if (k < 3) v = 0.0f;
                if constexpr (PixelTraits<Pixel>::kDepth == 32) {
                    if (k == 3) v = std::numeric_limits<float>::quiet_NaN();
                    if (k == 4) v = std::numeric_limits<float>::infinity();
                    if (k == 5) v = -0.0f;
                    if (k == 6) v = 1e30f;
                }
            }
            if (alphaLayer && pick(rng) < 20) c[3] = 0.0f;  // uncovered pixels of the base
            StorePixel(p, c[0], c[1], c[2], c[3]);
            if constexpr (PixelTraits<Pixel>::kDepth == 16) {
                if (pick(rng) < 5) p.red = 65535;  // above the host's white
            }
            if constexpr (PixelTraits<Pixel>::kDepth == 32) {
                if (pick(rng) < 2) p.alpha = -0.0f;
            }
        }
        w.data = reinterpret_cast<PF_PixelPtr>(px.data());
        w.rowbytes = static_cast<A_long>((width + 3) * sizeof(Pixel));
        w.width = width;
        w.height = height;
        w.world_flags = PixelTraits<Pixel>::kDepth == 16 ? PF_WorldFlag_DEEP : 0;
    }
};

enum class Cover { All, ShortLayer, NarrowLayer };

FrameSettings lightSettings(int kind, int first, float sourceBlend, int width, int height, float decay) {
    FrameSettings fs{};
    fs.pass_type = static_cast<PassType>(kind);
    fs.is_first_light = first;
    fs.width = fs.stride = width;
    fs.height = height;
    fs.output_mode = 1;
    fs.source_blend = sourceBlend;
    fs.roughness_adjust = 0.3f, fs.metallic_adjust = -0.5f, fs.specular_adjust = 0.2f;
    fs.light_r = 1.0f, fs.light_g = 0.8f, fs.light_b = 0.6f;
    fs.intensity = 1.5f;
    fs.light_dir_x = 0.3f, fs.light_dir_y = -0.4f, fs.light_dir_z = 0.85f;
    if (kind == PASS_SPOT) fs.light_dir_x = 0.1f, fs.light_dir_y = 0.0f, fs.light_dir_z = -1.0f;
    fs.light_pos_x = 0.3f, fs.light_pos_y = 0.6f, fs.light_pos_z = 0.4f;
    fs.light_decay = decay, fs.falloff_distance = 1.2f;
    fs.cone_angle = 0.6f, fs.cone_feather = 0.5f;
    return fs;
}

// Renders one pass with the given bodies from the same starting output; returns the
// output's bytes.
// The layers a cover case cuts short (by rows) and narrow (by columns).
struct CutLayers {
    int shorter, narrower;
};
constexpr CutLayers kLightCuts{SLOT_ROUGHNESS, SLOT_SPECULAR};
constexpr CutLayers kRimCuts{SLOT_NORMAL, SLOT_DIFFUSE_ALBEDO};

template <typename Pixel>
std::vector<unsigned char> render(CpuRowBodies bodies, const FrameSettings& fs, int width, int height, Cover cover,
                                  CutLayers cut) {
    std::mt19937 rng(1234u + static_cast<unsigned>(width * 31 + height));
    RandomWorld<Pixel> out(width, height, rng, false);
    std::vector<RandomWorld<Pixel>> layers;
    layers.reserve(kPassLayerCount);
    for (int i = 0; i < kPassLayerCount; ++i) {
        const bool shorter = cover == Cover::ShortLayer && i == cut.shorter;
        const bool narrower = cover == Cover::NarrowLayer && i == cut.narrower;
        layers.emplace_back(narrower ? width - 5 : width, shorter ? height - 4 : height, rng, i == SLOT_DIFFUSE_ALBEDO);
    }
    FrameContext ctx;
    ctx.input = &layers[SLOT_DIFFUSE_ALBEDO].w;
    ctx.output = &out.w;
    ctx.width = width;
    ctx.height = height;
    ctx.depth = PixelTraits<Pixel>::kDepth;
    ctx.outputRowBytes = out.w.rowbytes;
    for (int i = 0; i < kPassLayerCount; ++i) {
        ctx.passes[i] = &layers[i].w;
        ctx.passRowBytes[i] = layers[i].w.rowbytes;
    }
    RowBodiesScope scope(bodies);
    EXPECT_EQ(RenderPassCpu(ctx, fs), PF_Err_NONE);
    std::vector<unsigned char> bytes(out.px.size() * sizeof(Pixel));
    std::memcpy(bytes.data(), out.px.data(), bytes.size());
    return bytes;
}

std::vector<CpuRowBodies> rowBodiesHere() {
    std::vector<CpuRowBodies> b{CpuRowBodies::Baseline};
    if (CpuHasAvx2()) b.push_back(CpuRowBodies::Avx2);
    if (CpuHasAvx512()) b.push_back(CpuRowBodies::Avx512);
    return b;
}

const char* bodiesName(CpuRowBodies b) {
    return b == CpuRowBodies::Avx512 ? "avx512" : (b == CpuRowBodies::Avx2 ? "avx2" : "baseline");
}

// First differing pixel, for a readable failure.
std::string firstDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, int pixelBytes) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return "pixel " + std::to_string(i / pixelBytes) + " byte " + std::to_string(i % pixelBytes);
    }
    return "none";
}

template <typename Pixel>
void expectRowBodiesMatchPerPixel() {
    struct Size {
        int w, h;
    };
    // Odd sizes; 301, 1030 and 2050 cross a block of the row bodies (the integer ones are longer);
    // 1 x 1 has no vector part at all.
    const Size sizes[] = {{37, 13}, {301, 3}, {1, 1}, {9, 2}, {1030, 1}, {2050, 1}};
    struct KindDecay {
        int kind;
        float decay;
    };
    // Point and spot rows are built per falloff: each whole one, and a power between.
    const KindDecay lights[] = {{PASS_DIRECTIONAL, 2.0f}, {PASS_AMBIENT, 2.0f}, {PASS_POINT, 0.0f}, {PASS_POINT, 1.0f},
                                {PASS_POINT, 2.0f},       {PASS_POINT, 1.3f},   {PASS_SPOT, 0.0f},  {PASS_SPOT, 1.0f},
                                {PASS_SPOT, 2.0f},        {PASS_SPOT, 2.6f}};
    for (CpuRowBodies bodies : rowBodiesHere())
        for (const KindDecay& kd : lights)
            for (int first : {0, 1})
                for (float blend : {0.0f, 0.09f})
                    for (Cover cover : {Cover::All, Cover::ShortLayer, Cover::NarrowLayer})
                        for (Size s : sizes) {
                            if (cover != Cover::All && (s.w < 6 || s.h < 5)) continue;
                            const int kind = kd.kind;
                            const FrameSettings fs = lightSettings(kind, first, blend, s.w, s.h, kd.decay);
                            const auto ref = render<Pixel>(CpuRowBodies::PerPixel, fs, s.w, s.h, cover, kLightCuts);
                            const auto got = render<Pixel>(bodies, fs, s.w, s.h, cover, kLightCuts);
                            EXPECT_TRUE(ref == got)
                                << "depth " << PixelTraits<Pixel>::kDepth << " bodies " << bodiesName(bodies)
                                << " kind " << kind << " decay " << kd.decay << " first " << first << " blend " << blend
                                << " cover " << static_cast<int>(cover) << " size " << s.w << "x" << s.h
                                << ": first difference at " << firstDifference(ref, got, sizeof(Pixel));
                        }
}

TEST(LightRowBodies, MatchPerPixelBodyIn8Bits) { expectRowBodiesMatchPerPixel<PF_Pixel8>(); }
TEST(LightRowBodies, MatchPerPixelBodyIn16Bits) { expectRowBodiesMatchPerPixel<PF_Pixel16>(); }
TEST(LightRowBodies, MatchPerPixelBodyInFloat) { expectRowBodiesMatchPerPixel<PF_PixelFloat>(); }

// Incidence and rim: each term on, off, or on with no amount; powers that are
// fractional, zero (0^0), whole and at the sliders' ends; with and without the
// threshold remap; rows longer than a block.
template <typename Pixel>
void expectIncidenceRimRowBodiesMatchPerPixel() {
    struct Terms {
        int incEnable;
        float incAmount, incPower;
        int rimEnable;
        float rimAmount, rimPower, threshold;
    };
    const Terms terms[] = {
        {1, 0.8f, 1.7f, 1, 0.6f, 2.5f, 0.2f},  {1, 1.2f, 0.0f, 0, 0.6f, 1.0f, 0.0f},
        {0, 1.0f, 2.0f, 1, 0.9f, 0.5f, 0.0f},  {1, 0.0f, 2.0f, 1, 0.5f, 3.0f, 1.0f},
        {0, 1.0f, 1.0f, 0, 1.0f, 1.0f, 0.0f},  {1, 2.0f, 2.0f, 1, 1.0f, 0.0f, 0.4f},
        {1, 1.0f, 10.0f, 1, 2.0f, 0.1f, 0.0f}, {1, 2.0f, 0.1f, 1, 1.0f, 10.0f, 0.0f},
        {1, 0.5f, 2.0f, 1, 0.7f, 2.0f, 0.3f},  // both at their default power, a square
    };
    const struct { int w, h; } sizes[] = {{37, 13}, {301, 3}, {1, 1}, {2050, 1}};
    for (CpuRowBodies bodies : rowBodiesHere())
        for (const Terms& t : terms)
            for (int first : {0, 1})
                for (Cover cover : {Cover::All, Cover::ShortLayer, Cover::NarrowLayer})
                    for (const auto& s : sizes) {
                        if (cover != Cover::All && (s.w < 6 || s.h < 5)) continue;
                        FrameSettings fs{};
                        fs.pass_type = PASS_INCIDENCE_RIM;
                        fs.is_first_light = first;
                        fs.width = fs.stride = s.w;
                        fs.height = s.h;
                        fs.output_mode = 1;
                        fs.incidence_enable = t.incEnable, fs.incidence_amount = t.incAmount;
                        fs.incidence_power = t.incPower;
                        fs.incidence_r = 1.0f, fs.incidence_g = 0.5f, fs.incidence_b = 0.25f;
                        fs.rimlight_enable = t.rimEnable, fs.rimlight_amount = t.rimAmount;
                        fs.rimlight_power = t.rimPower, fs.rimlight_threshold = t.threshold;
                        fs.rimlight_r = 0.2f, fs.rimlight_g = 0.7f, fs.rimlight_b = 1.3f;
                        fs.rimlight_angle = 2.2f;
                        const auto ref = render<Pixel>(CpuRowBodies::PerPixel, fs, s.w, s.h, cover, kRimCuts);
                        const auto got = render<Pixel>(bodies, fs, s.w, s.h, cover, kRimCuts);
                        EXPECT_TRUE(ref == got) << "depth " << PixelTraits<Pixel>::kDepth << " bodies "
                                                << bodiesName(bodies) << " terms " << (&t - terms) << " first " << first
                                                << " cover " << static_cast<int>(cover) << " size " << s.w << "x" << s.h
                                                << ": first difference at " << firstDifference(ref, got, sizeof(Pixel));
                    }
}

TEST(IncidenceRimRowBodies, MatchPerPixelBodyIn8Bits) { expectIncidenceRimRowBodiesMatchPerPixel<PF_Pixel8>(); }
TEST(IncidenceRimRowBodies, MatchPerPixelBodyIn16Bits) { expectIncidenceRimRowBodiesMatchPerPixel<PF_Pixel16>(); }
TEST(IncidenceRimRowBodies, MatchPerPixelBodyInFloat) { expectIncidenceRimRowBodiesMatchPerPixel<PF_PixelFloat>(); }

// The choice itself: a copy the processor lacks is never used, and turning the row
// bodies off takes effect.
TEST(LightRowBodies, ChoiceFollowsTheProcessor) {
    const CpuRowBodies widest =
        CpuHasAvx512() ? CpuRowBodies::Avx512 : (CpuHasAvx2() ? CpuRowBodies::Avx2 : CpuRowBodies::Baseline);
    {
        RowBodiesScope s(CpuRowBodies::Avx2);
        EXPECT_EQ(ActiveCpuRowBodies(), CpuHasAvx2() ? CpuRowBodies::Avx2 : CpuRowBodies::Baseline);
    }
    {
        RowBodiesScope s(CpuRowBodies::Avx512);
        EXPECT_EQ(ActiveCpuRowBodies(), widest);
    }
    // Each copy asked for (and present) is the one the passes get: the exactness tables
    // above cannot tell the copies apart by their output.
    for (CpuRowBodies b : rowBodiesHere()) {
        RowBodiesScope s(b);
        const LightRowTable& lt = b == CpuRowBodies::Avx512 ? Avx512LightRows()
                                  : b == CpuRowBodies::Avx2 ? Avx2LightRows()
                                                            : BaselineLightRows();
        const IncidenceRimRowTable& rt = b == CpuRowBodies::Avx512 ? Avx512IncidenceRimRows()
                                         : b == CpuRowBodies::Avx2 ? Avx2IncidenceRimRows()
                                                                   : BaselineIncidenceRimRows();
        LightPass lp{};
        lp.is_first = 1;
        lp.source_blend = 0.5f;
        EXPECT_EQ(LightRowBodyFor(PIXEL_ARGB16, lp, LIGHT_SPOT), lt.body[PIXEL_ARGB16][LIGHT_SPOT - 1][1][1])
            << bodiesName(b);
        IncidenceRimPass rp{};
        EXPECT_EQ(IncidenceRimRowBodyFor(PIXEL_ARGB8, rp), rt.body[PIXEL_ARGB8][0][0][0]) << bodiesName(b);
    }
    {
        RowBodiesScope s(CpuRowBodies::PerPixel);
        LightPass p{};
        p.is_first = 1;
        EXPECT_EQ(LightRowBodyFor(PIXEL_ARGB32F, p, LIGHT_POINT), nullptr);
    }
    LightPass p{};
    EXPECT_NE(LightRowBodyFor(PIXEL_ARGB8, p, LIGHT_AMBIENT), nullptr);
    EXPECT_EQ(LightRowBodyFor(PIXEL_ARGB8, p, 0), nullptr);  // not a light: the per-pixel body
    EXPECT_EQ(LightRowBodyFor(PIXEL_BGRA32F, p, LIGHT_AMBIENT), nullptr);
    IncidenceRimPass rim{};
    EXPECT_NE(IncidenceRimRowBodyFor(PIXEL_ARGB16, rim), nullptr);
    EXPECT_EQ(IncidenceRimRowBodyFor(PIXEL_BGRA32F, rim), nullptr);
    {
        RowBodiesScope s(CpuRowBodies::PerPixel);
        EXPECT_EQ(IncidenceRimRowBodyFor(PIXEL_ARGB16, rim), nullptr);
    }
    EXPECT_EQ(ActiveCpuRowBodies(), widest);
}

}  // namespace
