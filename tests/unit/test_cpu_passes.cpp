#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "shading/CpuPasses.h"
#include "shading/PassLoops.h"

using namespace morvel;

namespace {

// A host world in memory: rows padded by `pad` pixels, exactly rowbytes * height bytes
// so that a read past the world's own rows runs off its allocation.
template <typename Pixel>
struct TestWorld {
    std::unique_ptr<Pixel[]> mem;
    PF_EffectWorld w{};
    int stridePixels = 0;

    TestWorld(int width, int height, int pad = 3) {
        stridePixels = width + pad;
        const size_t n = static_cast<size_t>(stridePixels) * static_cast<size_t>(std::max(height, 1));
        mem = std::make_unique<Pixel[]>(n);
        std::memset(static_cast<void*>(mem.get()), 0, n * sizeof(Pixel));
        w.data = reinterpret_cast<PF_PixelPtr>(mem.get());
        w.rowbytes = static_cast<A_long>(stridePixels * sizeof(Pixel));
        w.width = width;
        w.height = height;
        if (PixelTraits<Pixel>::kDepth == 16) {
            w.world_flags = PF_WorldFlag_DEEP;
        }
    }
    Pixel& at(int x, int y) { return mem[static_cast<size_t>(y) * stridePixels + x]; }
    PassPixel get(int x, int y) { return PixelTraits<Pixel>::toFloat(at(x, y)); }
    void set(int x, int y, PassPixel p) { PixelTraits<Pixel>::store(at(x, y), p.r, p.g, p.b, p.a); }
    // Marks every pixel, padding included, so untouched memory can be recognised.
    void fillAll(PassPixel p) {
        for (int y = 0; y < w.height; ++y)
            for (int x = 0; x < stridePixels; ++x)
                PixelTraits<Pixel>::store(mem[size_t(y) * stridePixels + x], p.r, p.g, p.b, p.a);
    }
};

// Deterministic values in [0, 1) per pixel and channel.
float hash01(int x, int y, int salt) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
                 static_cast<uint32_t>(salt) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xffffu) / 65536.0f;
}

enum Layer { ALBEDO, NORMAL, ROUGH, METAL, SPEC, DEPTH, SOURCE };

// One frame's worlds in one depth. Layers are filled from the same hash in every depth,
// rounded to the values that depth Q can hold, so that a float frame can be given
// exactly the inputs of an integer one.
template <typename Pixel, typename Q = Pixel>
struct Scene {
    int width, height;
    TestWorld<Pixel> input, output;
    std::vector<std::unique_ptr<TestWorld<Pixel>>> layers;
    FrameContext ctx;

    Scene(int w, int h) : width(w), height(h), input(w, h), output(w, h, 5), layers(kPassLayerCount) {
        ctx.input = &input.w;
        ctx.output = &output.w;
        ctx.width = w;
        ctx.height = h;
        ctx.depth = PixelTraits<Pixel>::kDepth;
        ctx.outputRowBytes = output.w.rowbytes;
        fillInput();
        output.fillAll(PassPixel{0.0f, 0.0f, 0.0f, 1.0f});
    }
    void fillInput() {
        for (int y = 0; y < input.w.height; ++y)
            for (int x = 0; x < input.w.width; ++x) input.set(x, y, PassPixel{0.9f, 0.1f, 0.4f, 1.0f});
    }
    TestWorld<Pixel>& addLayer(Layer i, int w, int h) {
        layers[i] = std::make_unique<TestWorld<Pixel>>(w, h, 2);
        ctx.passes[i] = &layers[i]->w;
        ctx.passRowBytes[i] = layers[i]->w.rowbytes;
        TestWorld<Pixel>& L = *layers[i];
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                PassPixel p{hash01(x, y, i * 4), hash01(x, y, i * 4 + 1), hash01(x, y, i * 4 + 2), 1.0f};
                if (i == ALBEDO) {
                    // Every seventh pixel uncovered, the rest partly or fully covered.
                    p.a = (x + 2 * y) % 7 == 0 ? 0.0f : (x % 3 == 0 ? 0.5f : 1.0f);
                } else if (i == NORMAL) {
                    // Mostly facing the viewer, tilted both ways.
                    p.b = 0.6f + 0.4f * p.b;
                } else if (i == ROUGH) {
                    p.r = 0.2f + 0.7f * p.r;  // away from mirror-sharp highlights
                }
                Q q{};
                PixelTraits<Q>::store(q, p.r, p.g, p.b, p.a);
                L.set(x, y, PixelTraits<Q>::toFloat(q));
            }
        }
        return L;
    }
    void addAllLayers() {
        for (Layer i : {ALBEDO, NORMAL, ROUGH, METAL, SPEC, DEPTH, SOURCE}) addLayer(i, width, height);
    }
    // The reference reading of one layer at an output pixel: null outside it.
    const PassPixel* read(Layer i, int x, int y, PassPixel& tmp) {
        if (!layers[i] || x >= layers[i]->w.width || y >= layers[i]->w.height) return nullptr;
        tmp = layers[i]->get(x, y);
        return &tmp;
    }
    const PassPixel* readBase(int x, int y, PassPixel& tmp) {
        TestWorld<Pixel>* b = layers[ALBEDO] ? layers[ALBEDO].get() : &input;
        if (x < b->w.width && y < b->w.height) {
            tmp = b->get(x, y);
        } else {
            tmp = PassPixel{0.0f, 0.0f, 0.0f, 0.0f};
        }
        return &tmp;
    }
};

FrameSettings baseSettings(int width, int height) {
    FrameSettings fs{};
    fs.width = width;
    fs.height = height;
    fs.stride = width;
    fs.output_mode = 1;
    fs.source_blend = 0.09f;
    fs.roughness_adjust = 0.3f;
    fs.metallic_adjust = -0.5f;
    fs.specular_adjust = 0.2f;
    return fs;
}

FrameSettings lightPass(int width, int height, PassType type, int first) {
    FrameSettings fs = baseSettings(width, height);
    fs.pass_type = type;
    fs.is_first_light = first;
    fs.light_r = 1.0f;
    fs.light_g = 0.8f;
    fs.light_b = 0.6f;
    fs.intensity = 1.5f;
    fs.light_dir_x = 0.3f;
    fs.light_dir_y = -0.4f;
    fs.light_dir_z = 0.85f;
    fs.light_pos_x = 0.3f;
    fs.light_pos_y = 0.6f;
    fs.light_pos_z = 0.4f;
    fs.light_decay = 1.0f;
    fs.falloff_distance = 2.0f;
    fs.cone_angle = 0.6f;
    fs.cone_feather = 0.5f;
    if (type == PASS_SPOT) {
        fs.light_dir_x = 0.1f;
        fs.light_dir_y = 0.0f;
        fs.light_dir_z = -1.0f;
    }
    return fs;
}

FrameSettings incidenceRimPass(int width, int height, int first) {
    FrameSettings fs = baseSettings(width, height);
    fs.pass_type = PASS_INCIDENCE_RIM;
    fs.is_first_light = first;
    fs.incidence_enable = 1;
    fs.incidence_amount = 0.8f;
    fs.incidence_power = 1.5f;
    fs.incidence_r = 1.0f;
    fs.incidence_g = 0.5f;
    fs.incidence_b = 0.0f;
    fs.rimlight_enable = 1;
    fs.rimlight_amount = 1.2f;
    fs.rimlight_power = 1.0f;
    fs.rimlight_threshold = 0.05f;
    fs.rimlight_r = 0.0f;
    fs.rimlight_g = 0.3f;
    fs.rimlight_b = 1.0f;
    fs.rimlight_angle = 0.7f;
    return fs;
}

// What one light pass contributes at a pixel, from the per-pixel functions alone.
template <typename Pixel>
Vec3 lightReference(Scene<Pixel>& s, const FrameSettings& fs, int x, int y) {
    PassPixel b, src, n, r, m, sp;
    const PassPixels in{s.readBase(x, y, b),    s.read(SOURCE, x, y, src), s.read(NORMAL, x, y, n),
                        s.read(ROUGH, x, y, r), s.read(METAL, x, y, m),    s.read(SPEC, x, y, sp)};
    const SurfaceSample sample = makeSurfaceSample(in, sampleAdjustsFrom(fs));
    const LightSample ls = lightForPixel(fs, x, y);
    return renderPBR(sample, ls.L, lightColorOf(fs), fs.intensity, ls.attenuation);
}

template <typename Pixel>
Vec3 incidenceRimReference(Scene<Pixel>& s, const FrameSettings& fs, int x, int y) {
    PassPixel n;
    const PassPixel* np = s.read(NORMAL, x, y, n);
    const Vec3 N = np ? decodeNormal(np->r, np->g, np->b) : Vec3{0.0f, 0.0f, 1.0f};
    return incidenceRimColor(N, Vec3{0.0f, 0.0f, 1.0f}, incidenceRimParamsFrom(fs));
}

void expectPixelNear(const PassPixel& got, Vec3 c, float a, float tol, int x, int y, const char* what) {
    EXPECT_NEAR(got.r, c.x, tol) << what << " at " << x << "," << y;
    EXPECT_NEAR(got.g, c.y, tol) << what << " at " << x << "," << y;
    EXPECT_NEAR(got.b, c.z, tol) << what << " at " << x << "," << y;
    EXPECT_NEAR(got.a, a, tol) << what << " at " << x << "," << y;
}

// Padding of the output rows must never be written.
template <typename Pixel>
void expectPaddingUntouched(Scene<Pixel>& s, PassPixel marker) {
    for (int y = 0; y < s.height; ++y) {
        for (int x = s.width; x < s.output.stridePixels; ++x) {
            const PassPixel p = s.output.get(x, y);
            ASSERT_EQ(p.r, marker.r);
            ASSERT_EQ(p.a, marker.a);
        }
    }
}

struct KindCase {
    const char* name;
    PassType type;
};
const KindCase kLightKinds[] = {
    {"directional", PASS_DIRECTIONAL},
    {"point", PASS_POINT},
    {"spot", PASS_SPOT},
    {"ambient", PASS_AMBIENT},
};

}  // namespace

// Rule A on a first pass: covered pixels get the pass colour and the base alpha,
// uncovered ones become (0, 0, 0, 0), padding stays as it was.
TEST(CpuPasses, FirstLightPassOfEachKindWritesShadedOrClearedPixels) {
    for (const KindCase& k : kLightKinds) {
        Scene<PF_PixelFloat> s(37, 23);
        s.addAllLayers();
        const PassPixel marker{0.25f, 0.5f, 0.75f, 1.0f};
        s.output.fillAll(marker);
        const FrameSettings fs = lightPass(37, 23, k.type, 1);
        ASSERT_EQ(RenderPassCpu(s.ctx, fs), PF_Err_NONE);
        int lit = 0;
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                PassPixel b;
                const float alpha = s.readBase(x, y, b)->a;
                const Vec3 want = alpha > 0.0f ? lightReference(s, fs, x, y) : Vec3{0.0f, 0.0f, 0.0f};
                expectPixelNear(s.output.get(x, y), want, alpha, 1e-6f, x, y, k.name);
                lit += want.x > 0.01f;
            }
        }
        EXPECT_GT(lit, 50) << k.name << ": the scene should be lit";
        expectPaddingUntouched(s, marker);
    }
}

// A later pass adds where the base is covered and leaves every uncovered pixel alone.
TEST(CpuPasses, LaterLightPassAddsAndLeavesUncoveredPixels) {
    Scene<PF_PixelFloat> s(37, 23);
    s.addAllLayers();
    const PassPixel marker{0.125f, 0.25f, 0.375f, 0.5f};
    s.output.fillAll(marker);
    const FrameSettings fs = lightPass(37, 23, PASS_POINT, 0);
    RenderPassCpu(s.ctx, fs);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            PassPixel b;
            const float alpha = s.readBase(x, y, b)->a;
            const Vec3 add = lightReference(s, fs, x, y);
            if (alpha > 0.0f) {
                expectPixelNear(s.output.get(x, y), Vec3{0.125f + add.x, 0.25f + add.y, 0.375f + add.z}, alpha, 1e-6f,
                                x, y, "covered");
            } else {
                expectPixelNear(s.output.get(x, y), Vec3{0.125f, 0.25f, 0.375f}, 0.5f, 0.0f, x, y, "uncovered");
            }
        }
    }
}

TEST(CpuPasses, TwoLightsSumOnFloatAndQuantisePerPassOnIntegerDepths) {
    const FrameSettings first = lightPass(37, 23, PASS_DIRECTIONAL, 1);
    const FrameSettings second = lightPass(37, 23, PASS_SPOT, 0);

    Scene<PF_PixelFloat> f(37, 23);
    f.addAllLayers();
    RenderPassCpu(f.ctx, first);
    RenderPassCpu(f.ctx, second);
    int clipped = 0;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            PassPixel b;
            if (f.readBase(x, y, b)->a > 0.0f) {
                const Vec3 sum = lightReference(f, first, x, y) + lightReference(f, second, x, y);
                expectPixelNear(f.output.get(x, y), sum, b.a, 2e-6f, x, y, "float sum");
                clipped += sum.x > 1.0f;
            }
        }
    }
    EXPECT_GT(clipped, 0) << "the scene should push some pixels over white";
}

// Against a float frame with the same (quantised) inputs, each integer pass clips at
// white and rounds: at most half a step per pass, one step after two.
template <typename Pixel>
void expectIntegerDepthFollowsFloat(float step) {
    const FrameSettings first = lightPass(37, 23, PASS_DIRECTIONAL, 1);
    const FrameSettings second = lightPass(37, 23, PASS_SPOT, 0);
    Scene<PF_PixelFloat, Pixel> f(37, 23);
    f.addAllLayers();
    Scene<Pixel> q(37, 23);
    q.addAllLayers();
    for (const FrameSettings* fs : {&first, &second}) {
        RenderPassCpu(f.ctx, *fs);
        RenderPassCpu(q.ctx, *fs);
        // Clip the float frame as the integer store does before the next pass adds.
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                PassPixel p = f.output.get(x, y);
                const Vec3 clip{std::clamp(p.r, 0.0f, 1.0f), std::clamp(p.g, 0.0f, 1.0f), std::clamp(p.b, 0.0f, 1.0f)};
                const float tol = step * (fs == &first ? 0.5f : 1.0f) + 1e-6f;
                expectPixelNear(q.output.get(x, y), clip, p.a, tol, x, y, "integer vs float");
                f.output.set(x, y, PassPixel{clip.x, clip.y, clip.z, p.a});
            }
        }
    }
}

TEST(CpuPasses, EightAndSixteenBitsFollowTheFloatResult) {
    expectIntegerDepthFollowsFloat<PF_Pixel8>(1.0f / 255.0f);
    expectIntegerDepthFollowsFloat<PF_Pixel16>(1.0f / 32768.0f);
}

// The 8- and 16-bit variants are exact against the same arithmetic on their own inputs.
TEST(CpuPasses, IntegerDepthsStoreTheQuantisedFloatResult) {
    Scene<PF_Pixel8> s8(37, 23);
    s8.addAllLayers();
    Scene<PF_Pixel16> s16(37, 23);
    s16.addAllLayers();
    const FrameSettings fs = lightPass(37, 23, PASS_POINT, 1);
    RenderPassCpu(s8.ctx, fs);
    RenderPassCpu(s16.ctx, fs);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            PassPixel b8, b16;
            const float a8 = s8.readBase(x, y, b8)->a;
            const float a16 = s16.readBase(x, y, b16)->a;
            const Vec3 c8 = a8 > 0.0f ? lightReference(s8, fs, x, y) : Vec3{0, 0, 0};
            const Vec3 c16 = a16 > 0.0f ? lightReference(s16, fs, x, y) : Vec3{0, 0, 0};
            PF_Pixel8 w8{};
            StorePixel8(w8, c8.x, c8.y, c8.z, a8);
            PF_Pixel16 w16{};
            StorePixel16(w16, c16.x, c16.y, c16.z, a16);
            const PF_Pixel8 g8 = s8.output.at(x, y);
            const PF_Pixel16 g16 = s16.output.at(x, y);
            ASSERT_TRUE(g8.alpha == w8.alpha && g8.red == w8.red && g8.green == w8.green && g8.blue == w8.blue)
                << x << "," << y;
            ASSERT_TRUE(g16.alpha == w16.alpha && g16.red == w16.red && g16.green == w16.green && g16.blue == w16.blue)
                << x << "," << y;
        }
    }
}

// The frame's depth picks the pixel layout: 8, 16, anything else float.
TEST(CpuPasses, DepthSelectsTheVariant) {
    Scene<PF_PixelFloat> f(9, 5);
    f.ctx.depth = 0;  // not 8 or 16: float
    RenderPassCpu(f.ctx, lightPass(9, 5, PASS_AMBIENT, 1));
    Scene<PF_PixelFloat> ref(9, 5);
    RenderPassCpu(ref.ctx, lightPass(9, 5, PASS_AMBIENT, 1));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(f.output.get(x, y).r, ref.output.get(x, y).r);
            EXPECT_GT(f.output.get(x, y).r, 0.1f);
        }
}

// Base world: Diffuse Albedo when assigned (the input then unused), else the input.
TEST(CpuPasses, BaseIsDiffuseAlbedoElseInput) {
    struct Case {
        const char* name;
        bool albedo;
        float wantRed;
    };
    for (const Case& c : {Case{"albedo", true, 0.2f}, Case{"input", false, 0.1f}}) {
        Scene<PF_PixelFloat> s(11, 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 11; ++x) s.input.set(x, y, PassPixel{0.1f, 0.1f, 0.1f, 1.0f});
        if (c.albedo) {
            TestWorld<PF_PixelFloat>& a = s.addLayer(ALBEDO, 11, 7);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 11; ++x) a.set(x, y, PassPixel{0.2f, 0.2f, 0.2f, 1.0f});
        }
        FrameSettings fs = lightPass(11, 7, PASS_AMBIENT, 1);
        fs.source_blend = 0.0f;
        fs.metallic_adjust = fs.roughness_adjust = fs.specular_adjust = 0.0f;
        RenderPassCpu(s.ctx, fs);
        const PassPixel want{c.wantRed, c.wantRed, c.wantRed, 1.0f};
        const Vec3 expect = renderPBR(
            makeSurfaceSample(PassPixels{&want, nullptr, nullptr, nullptr, nullptr, nullptr}, sampleAdjustsFrom(fs)),
            Vec3{0, 0, 1}, lightColorOf(fs), fs.intensity, 1.0f);
        EXPECT_NEAR(s.output.get(5, 3).r, expect.x, 1e-6f) << c.name;
    }
}

// Layers smaller than the output are read only inside themselves: a pass layer reads as
// unassigned beyond its edge, a base world as a transparent pixel.
TEST(CpuPasses, SmallerLayersAreNeverReadOutsideThemselves) {
    struct Case {
        const char* name;
        Layer small;
        bool albedo;  // base from Diffuse Albedo, else from the input
    };
    const Case cases[] = {
        {"normal", NORMAL, true},         {"roughness", ROUGH, true}, {"metalness", METAL, true},
        {"specular", SPEC, true},         {"source", SOURCE, true},   {"albedo", ALBEDO, true},
        {"input as base", ALBEDO, false},
    };
    for (const Case& c : cases) {
        for (int first : {1, 0}) {
            Scene<PF_PixelFloat> s(37, 23);
            s.addAllLayers();
            if (c.albedo) {
                s.addLayer(c.small, 20, 10);  // replaces the full-size one
            } else {
                s.layers[ALBEDO].reset();
                s.ctx.passes[ALBEDO] = nullptr;
                s.input = TestWorld<PF_PixelFloat>(20, 10, 0);
                s.fillInput();
                s.ctx.input = &s.input.w;
            }
            const PassPixel marker{0.5f, 0.5f, 0.5f, 1.0f};
            s.output.fillAll(marker);
            for (const FrameSettings& fs : {lightPass(37, 23, PASS_POINT, first), incidenceRimPass(37, 23, first)}) {
                s.output.fillAll(marker);
                RenderPassCpu(s.ctx, fs);
                for (int y = 0; y < 23; ++y) {
                    for (int x = 0; x < 37; ++x) {
                        PassPixel b;
                        const float alpha = s.readBase(x, y, b)->a;
                        const Vec3 add = fs.pass_type == PASS_INCIDENCE_RIM ? incidenceRimReference(s, fs, x, y)
                                                                            : lightReference(s, fs, x, y);
                        Vec3 want;
                        float wantAlpha = alpha;
                        if (alpha > 0.0f) {
                            want = first ? add : Vec3{0.5f + add.x, 0.5f + add.y, 0.5f + add.z};
                        } else if (first) {
                            want = Vec3{0, 0, 0};
                        } else {
                            want = Vec3{0.5f, 0.5f, 0.5f};
                            wantAlpha = 1.0f;
                        }
                        expectPixelNear(s.output.get(x, y), want, wantAlpha, 2e-6f, x, y, c.name);
                    }
                }
            }
        }
    }
}

// Without a normal layer the incidence and rim pass sees the flat normal: the same
// result as a layer encoding (0, 0, 1), which gets neither term.
TEST(CpuPasses, IncidenceRimWithoutNormalLayerEqualsFlatNormalLayer) {
    Scene<PF_Pixel16> none(37, 23);
    none.addLayer(ALBEDO, 37, 23);
    Scene<PF_Pixel16> flat(37, 23);
    flat.addLayer(ALBEDO, 37, 23);
    TestWorld<PF_Pixel16>& n = flat.addLayer(NORMAL, 37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) n.set(x, y, PassPixel{0.5f, 0.5f, 1.0f, 1.0f});  // exact on 16 bits
    const FrameSettings fs = incidenceRimPass(37, 23, 0);
    none.output.fillAll(PassPixel{0.25f, 0.25f, 0.25f, 1.0f});
    flat.output.fillAll(PassPixel{0.25f, 0.25f, 0.25f, 1.0f});
    RenderPassCpu(none.ctx, fs);
    RenderPassCpu(flat.ctx, fs);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            const PF_Pixel16 a = none.output.at(x, y);
            const PF_Pixel16 b = flat.output.at(x, y);
            ASSERT_TRUE(a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue);
            ASSERT_EQ(a.red, 8192);  // nothing added to the 0.25 already there
        }
    }
}

// With tilted normals the pass adds exactly the two terms, in every depth.
TEST(CpuPasses, IncidenceRimMatchesReferenceInEveryDepth) {
    const FrameSettings fs = incidenceRimPass(37, 23, 1);
    Scene<PF_PixelFloat> f(37, 23);
    f.addAllLayers();
    RenderPassCpu(f.ctx, fs);
    Scene<PF_Pixel8> s8(37, 23);
    s8.addAllLayers();
    RenderPassCpu(s8.ctx, fs);
    Scene<PF_Pixel16> s16(37, 23);
    s16.addAllLayers();
    RenderPassCpu(s16.ctx, fs);
    float peak = 0.0f;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            PassPixel b;
            const float alpha = f.readBase(x, y, b)->a;
            const Vec3 want = alpha > 0.0f ? incidenceRimReference(f, fs, x, y) : Vec3{0, 0, 0};
            peak = std::max(peak, want.z);
            expectPixelNear(f.output.get(x, y), want, alpha, 1e-6f, x, y, "float");
            const Vec3 clip{std::min(want.x, 1.0f), std::min(want.y, 1.0f), std::min(want.z, 1.0f)};
            expectPixelNear(s8.output.get(x, y), clip, alpha, 0.03f, x, y, "8-bit");
            expectPixelNear(s16.output.get(x, y), clip, alpha, 5e-4f, x, y, "16-bit");
        }
    }
    EXPECT_GT(peak, 0.05f) << "the tilted normals should catch some rim";
}

// Empty frames, missing outputs and non-light pass types run no pixels.
TEST(CpuPasses, NothingToDoLeavesTheOutputAlone) {
    struct Case {
        const char* name;
        int width, height;
        bool dropOutput;
        PassType type;
    };
    const Case cases[] = {
        {"width 0", 0, 23, false, PASS_POINT},
        {"height 0", 37, 0, false, PASS_POINT},
        {"negative size", -5, -1, false, PASS_DIRECTIONAL},
        {"no output", 37, 23, true, PASS_AMBIENT},
        {"IBL type to light driver", 37, 23, false, PASS_IBL},
        {"rim with zero size", 0, 0, false, PASS_INCIDENCE_RIM},
    };
    for (const Case& c : cases) {
        Scene<PF_Pixel8> s(37, 23);
        s.addAllLayers();
        const PassPixel marker{0.2f, 0.4f, 0.6f, 0.8f};
        s.output.fillAll(marker);
        s.ctx.width = c.width;
        s.ctx.height = c.height;
        if (c.dropOutput) s.ctx.output = nullptr;
        FrameSettings fs = c.type == PASS_INCIDENCE_RIM ? incidenceRimPass(37, 23, 1) : lightPass(37, 23, c.type, 1);
        EXPECT_EQ(RenderPassCpu(s.ctx, fs), PF_Err_NONE) << c.name;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < s.output.stridePixels; ++x) ASSERT_EQ(s.output.at(x, y).red, 51) << c.name;
    }
}

// An output world narrower in bytes than its width claims is cut at its row bytes.
TEST(CpuPasses, OutputRowsAreNeverOverrun) {
    Scene<PF_PixelFloat> s(37, 23);
    s.addAllLayers();
    // Rows of 9 float pixels at the front of a larger buffer whose tail is a guard.
    TestWorld<PF_PixelFloat> buffer(37, 23, 0);
    const PassPixel guard{7.0f, 7.0f, 7.0f, 7.0f};
    buffer.fillAll(guard);
    PF_EffectWorld narrow = buffer.w;
    narrow.rowbytes = 9 * sizeof(PF_PixelFloat);
    s.ctx.output = &narrow;
    RenderPassCpu(s.ctx, lightPass(37, 23, PASS_DIRECTIONAL, 1));
    const PF_PixelFloat* px = buffer.mem.get();
    PassPixel b;
    EXPECT_EQ(px[22 * 9 + 8].alpha, s.readBase(8, 22, b)->a);
    for (int i = 9 * 23; i < 37 * 23; ++i) ASSERT_EQ(px[i].red, 7.0f) << i;
}

namespace {

FrameSettings iblPass(int width, int height, int first) {
    FrameSettings fs = baseSettings(width, height);
    fs.pass_type = PASS_IBL;
    fs.is_first_light = first;
    fs.ibl_enable = 1;
    fs.ibl_diffuse_intensity = 1.0f;
    fs.ibl_specular_intensity = 1.0f;
    fs.ibl_exposure = 0.0f;
    fs.ibl_gamma = 1.0f;
    fs.ibl_rotation_z = 3.1415927f;
    fs.ibl_tint_r = fs.ibl_tint_g = fs.ibl_tint_b = 1.0f;
    fs.ibl_output_mode = 1;
    return fs;
}

// An HDRI world of its own depth, every pixel the same colour.
template <typename Pixel>
std::unique_ptr<TestWorld<Pixel>> uniformHdri(int w, int h, float v) {
    auto world = std::make_unique<TestWorld<Pixel>>(w, h, 1);
    world->fillAll(PassPixel{v, v, v, 1.0f});
    return world;
}

template <typename Pixel>
void attachHdri(FrameContext& ctx, TestWorld<Pixel>& hdri) {
    ctx.hdri = &hdri.w;
    ctx.hdriWidth = hdri.w.width;
    ctx.hdriHeight = hdri.w.height;
    ctx.hdriRowBytes = hdri.w.rowbytes;
    ctx.hdriDepth = PixelTraits<Pixel>::kDepth;
    AllocateHdriBuffers(ctx);
}

}  // namespace

// A white environment on a grey dielectric gives the documented total in every pixel,
// whatever the HDRI's own depth; rule B shades uncovered pixels too and keeps their alpha.
TEST(CpuIblPass, UniformEnvironmentShadesEveryPixelWithBaseAlpha) {
    struct Case {
        const char* name;
        int hdriDepth;
    };
    for (const Case& c : {Case{"float HDRI", 32}, Case{"16-bit HDRI", 16}, Case{"8-bit HDRI", 8}}) {
        Scene<PF_PixelFloat> s(37, 23);
        TestWorld<PF_PixelFloat>& albedo = s.addLayer(ALBEDO, 37, 23);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) albedo.set(x, y, PassPixel{0.5f, 0.5f, 0.5f, (x + y) % 5 == 0 ? 0.0f : 0.75f});
        std::unique_ptr<TestWorld<PF_PixelFloat>> hf;
        std::unique_ptr<TestWorld<PF_Pixel16>> h16;
        std::unique_ptr<TestWorld<PF_Pixel8>> h8;
        if (c.hdriDepth == 32) attachHdri(s.ctx, *(hf = uniformHdri<PF_PixelFloat>(64, 32, 1.0f)));
        if (c.hdriDepth == 16) attachHdri(s.ctx, *(h16 = uniformHdri<PF_Pixel16>(64, 32, 1.0f)));
        if (c.hdriDepth == 8) attachHdri(s.ctx, *(h8 = uniformHdri<PF_Pixel8>(64, 32, 1.0f)));
        s.output.fillAll(PassPixel{0.0f, 0.0f, 0.0f, 1.0f});
        ASSERT_EQ(RenderIblPassCpu(s.ctx, iblPass(37, 23, 1)), PF_Err_NONE);
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                const float alpha = (x + y) % 5 == 0 ? 0.0f : 0.75f;
                expectPixelNear(s.output.get(x, y), Vec3{0.41542f, 0.41542f, 0.41542f}, alpha, 1e-4f, x, y, c.name);
            }
        }
        EXPECT_EQ(s.ctx.hdriDiffuse.size(), 64u * 32u * 4u) << c.name;
    }
}

// The preview sphere covers its corner whatever the base coverage and makes it opaque.
TEST(CpuIblPass, PreviewSphereRaisesAlpha) {
    for (int sphere : {0, 1}) {
        // 64 x 48: radius 3.84, centre (58.528, 42.528).
        Scene<PF_Pixel16> s(64, 48);
        TestWorld<PF_Pixel16>& albedo = s.addLayer(ALBEDO, 64, 48);
        albedo.fillAll(PassPixel{0.5f, 0.5f, 0.5f, 0.0f});
        auto hdri = uniformHdri<PF_PixelFloat>(32, 16, 0.25f);
        attachHdri(s.ctx, *hdri);
        FrameSettings fs = iblPass(64, 48, 1);
        fs.preview_sphere = sphere;
        RenderIblPassCpu(s.ctx, fs);
        const PassPixel centre = s.output.get(58, 42);
        const PassPixel corner = s.output.get(0, 0);
        EXPECT_EQ(centre.a, sphere ? 1.0f : 0.0f) << sphere;
        EXPECT_EQ(corner.a, 0.0f) << sphere;
        // The ball shows the environment itself, unlit by the surface's BRDF.
        if (sphere) {
            EXPECT_NEAR(centre.r, 0.25f, 1.0f / 32768.0f);
        }
        EXPECT_GT(corner.r, 0.0f) << "uncovered pixels are still shaded";
        EXPECT_NE(corner.r, 0.25f);
    }
}

// Varying normals, maps and environment: each pixel is the environment shading of its
// own layers with the pass's own sample rules (no source blend, no adjusts, roughness
// held to [0.04, 1], specular unclamped), and a later pass adds.
TEST(CpuIblPass, MatchesPerPixelEnvironmentShading) {
    for (int first : {1, 0}) {
        Scene<PF_PixelFloat> s(37, 23);
        s.addAllLayers();
        s.addLayer(NORMAL, 30, 20);  // smaller than the output
        TestWorld<PF_PixelFloat>& rough = *s.layers[ROUGH];
        rough.set(3, 4, PassPixel{0.0f, 0, 0, 1});  // below the floor
        TestWorld<PF_PixelFloat>& spec = *s.layers[SPEC];
        spec.set(5, 6, PassPixel{1.7f, 0, 0, 1});  // kept as is
        TestWorld<PF_PixelFloat>& metal = *s.layers[METAL];
        metal.set(7, 8, PassPixel{-1.0f, 0, 0, 1});  // held at 0
        TestWorld<PF_PixelFloat> hdri(48, 24, 2);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 48; ++x)
                hdri.set(x, y, PassPixel{2.0f * hash01(x, y, 90), hash01(x, y, 91), 0.1f + y / 24.0f, 1.0f});
        attachHdri(s.ctx, hdri);
        FrameSettings fs = iblPass(37, 23, first);
        fs.source_blend = 1.0f;  // ignored by this pass, as are the adjusts
        fs.ibl_roughness_bias = 0.1f;
        fs.ibl_rotation_y = 0.4f;
        fs.ibl_exposure = 0.5f;
        fs.ibl_gamma = 2.2f;
        fs.ibl_tint_g = 0.8f;
        fs.ibl_diffuse_intensity = 0.6f;
        fs.preview_sphere = 1;
        const PassPixel marker{0.125f, 0.25f, 0.5f, 1.0f};
        s.output.fillAll(marker);
        RenderIblPassCpu(s.ctx, fs);

        const HdriView dv{s.ctx.hdriDiffuse.data(), 48, 24, 48};
        const HdriView sv{s.ctx.hdriSpecular.data(), 48, 24, 48};
        const IblSettings ibl = iblSettingsFromPass(fs);
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                PassPixel b{}, n{}, r{}, m{}, sp{};
                s.readBase(x, y, b);
                const PassPixel* np = s.read(NORMAL, x, y, n);
                s.read(ROUGH, x, y, r);
                s.read(METAL, x, y, m);
                s.read(SPEC, x, y, sp);
                const Vec3 N = np ? decodeNormal(n.r, n.g, n.b) : Vec3{0, 0, 1};
                Vec3 c = shadeEnvironment(Vec3{b.r, b.g, b.b}, N, std::clamp(r.r, 0.04f, 1.0f),
                                          std::clamp(m.r, 0.0f, 1.0f), sp.r, dv, sv, ibl);
                float alpha = b.a;
                const PreviewSphereInfo info = getPreviewSphereInfo(x, y, 37, 23);
                if (info.covered && blendPreviewSphere(c,
                                                       samplePreviewSphereHDRI(info.normal, sv, fs.ibl_rotation_x,
                                                                               fs.ibl_rotation_y, fs.ibl_rotation_z),
                                                       info.alpha))
                    alpha = 1.0f;
                if (!first) c = c + Vec3{marker.r, marker.g, marker.b};
                expectPixelNear(s.output.get(x, y), c, alpha, 2e-6f, x, y, first ? "first" : "added");
            }
        }
    }
}

// Without an HDRI world the pass does nothing.
TEST(CpuIblPass, NoHdriLeavesTheOutputAlone) {
    Scene<PF_Pixel8> s(37, 23);
    s.addAllLayers();
    s.output.fillAll(PassPixel{0.2f, 0.4f, 0.6f, 0.8f});
    EXPECT_EQ(RenderIblPassCpu(s.ctx, iblPass(37, 23, 1)), PF_Err_NONE);
    TestWorld<PF_PixelFloat> empty(0, 0, 4);
    s.ctx.hdri = &empty.w;  // a world without pixels is no better
    EXPECT_EQ(RenderIblPassCpu(s.ctx, iblPass(37, 23, 1)), PF_Err_NONE);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < s.output.stridePixels; ++x) ASSERT_EQ(s.output.at(x, y).red, 51);
}
