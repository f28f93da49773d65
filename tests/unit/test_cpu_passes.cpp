#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "cpu/CpuPasses.h"
#include "cpu/HdriCache.h"
#include "cpu/PassLoops.h"

using namespace morvel;

namespace {

// A host world in memory: rows padded by `pad` pixels, exactly rowbytes * height bytes
// so that a read past the world's own rows runs off its allocation.
template <typename Pixel>
struct TestWorld {
    std::unique_ptr<Pixel[]> mem;
    PF_EffectWorld w{};
    int stridePixels = 0;

    TestWorld(int width, int height, int pad = 3) : stridePixels(width + pad) {
        const size_t n = static_cast<size_t>(stridePixels) * static_cast<size_t>(std::max(height, 1));
        mem = std::make_unique<Pixel[]>(n);  // zeroed
        w.data = reinterpret_cast<PF_PixelPtr>(mem.get());
        w.rowbytes = static_cast<A_long>(stridePixels * sizeof(Pixel));
        w.width = width;
        w.height = height;
        w.world_flags = PixelTraits<Pixel>::kDepth == 16 ? PF_WorldFlag_DEEP : 0;
    }
    Pixel& at(int x, int y) { return mem[static_cast<size_t>(y) * stridePixels + x]; }
    PassPixel get(int x, int y) { return PixelToFloat(at(x, y)); }
    void set(int x, int y, PassPixel p) { StorePixel(at(x, y), p.r, p.g, p.b, p.a); }
    // Marks every pixel, padding included, so untouched memory can be recognised.
    void fillAll(PassPixel p) {
        for (int y = 0; y < w.height; ++y)
            for (int x = 0; x < stridePixels; ++x) set(x, y, p);
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

const PassPixel kInputColour{0.9f, 0.1f, 0.4f, 1.0f};

enum Layer { ALBEDO, NORMAL, ROUGH, METAL, SPEC, DEPTH, SOURCE };

// One frame's worlds in one depth, 37 x 23 with padded rows unless said otherwise.
template <typename Pixel>
struct Scene {
    int width, height;
    TestWorld<Pixel> input, output;
    std::vector<std::unique_ptr<TestWorld<Pixel>>> layers;
    FrameContext ctx;

    explicit Scene(bool allLayers = true, int w = 37, int h = 23)
        : width(w), height(h), input(w, h), output(w, h, 5), layers(kPassLayerCount) {
        ctx.input = &input.w;
        ctx.output = &output.w;
        ctx.width = w;
        ctx.height = h;
        ctx.depth = PixelTraits<Pixel>::kDepth;
        ctx.outputRowBytes = output.w.rowbytes;
        input.fillAll(kInputColour);
        output.fillAll(PassPixel{0.0f, 0.0f, 0.0f, 1.0f});
        if (allLayers)
            for (Layer i : {ALBEDO, NORMAL, ROUGH, METAL, SPEC, DEPTH, SOURCE}) addLayer(i, w, h);
    }
    TestWorld<Pixel>& addLayer(Layer i, int w, int h) {
        layers[i] = std::make_unique<TestWorld<Pixel>>(w, h, 2);
        ctx.passes[i] = &layers[i]->w;
        ctx.passRowBytes[i] = layers[i]->w.rowbytes;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                PassPixel p{hash01(x, y, i * 4), hash01(x, y, i * 4 + 1), hash01(x, y, i * 4 + 2), 1.0f};
                if (i == ALBEDO) {  // every seventh pixel uncovered, the rest partly or fully covered
                    p.a = (x + 2 * y) % 7 == 0 ? 0.0f : (x % 3 == 0 ? 0.5f : 1.0f);
                } else if (i == NORMAL) {  // mostly facing the viewer, tilted both ways
                    p.b = 0.6f + 0.4f * p.b;
                } else if (i == ROUGH) {  // away from mirror-sharp highlights
                    p.r = 0.2f + 0.7f * p.r;
                }
                layers[i]->set(x, y, p);
            }
        }
        return *layers[i];
    }
    // The reference reading of one layer at an output pixel: null outside it.
    const PassPixel* read(Layer i, int x, int y, PassPixel& tmp) {
        if (!layers[i] || x >= layers[i]->w.width || y >= layers[i]->w.height) return nullptr;
        tmp = layers[i]->get(x, y);
        return &tmp;
    }
    // The base is Diffuse Albedo when assigned, else the input; transparent outside it.
    const PassPixel* readBase(int x, int y, PassPixel& tmp) {
        TestWorld<Pixel>* b = layers[ALBEDO] ? layers[ALBEDO].get() : &input;
        tmp = x < b->w.width && y < b->w.height ? b->get(x, y) : PassPixel{0.0f, 0.0f, 0.0f, 0.0f};
        return &tmp;
    }
};

FrameSettings baseSettings(PassType type, int first) {
    FrameSettings fs{};
    fs.pass_type = type;
    fs.is_first_light = first;
    fs.width = fs.stride = 37;
    fs.height = 23;
    fs.output_mode = 1;
    fs.source_blend = 0.09f;
    fs.roughness_adjust = 0.3f, fs.metallic_adjust = -0.5f, fs.specular_adjust = 0.2f;
    return fs;
}

FrameSettings lightPass(PassType type, int first) {
    FrameSettings fs = baseSettings(type, first);
    fs.light_r = 1.0f, fs.light_g = 0.8f, fs.light_b = 0.6f;
    fs.intensity = 1.5f;
    fs.light_dir_x = 0.3f, fs.light_dir_y = -0.4f, fs.light_dir_z = 0.85f;
    if (type == PASS_SPOT) fs.light_dir_x = 0.1f, fs.light_dir_y = 0.0f, fs.light_dir_z = -1.0f;
    fs.light_pos_x = 0.3f, fs.light_pos_y = 0.6f, fs.light_pos_z = 0.4f;
    fs.light_decay = 1.0f, fs.falloff_distance = 2.0f;
    fs.cone_angle = 0.6f, fs.cone_feather = 0.5f;
    return fs;
}

FrameSettings incidenceRimPass(int first) {
    FrameSettings fs = baseSettings(PASS_INCIDENCE_RIM, first);
    fs.incidence_enable = 1;
    fs.incidence_amount = 0.8f, fs.incidence_power = 1.5f;
    fs.incidence_r = 1.0f, fs.incidence_g = 0.5f, fs.incidence_b = 0.0f;
    fs.rimlight_enable = 1;
    fs.rimlight_amount = 1.2f, fs.rimlight_power = 1.0f, fs.rimlight_threshold = 0.05f, fs.rimlight_angle = 0.7f;
    fs.rimlight_r = 0.0f, fs.rimlight_g = 0.3f, fs.rimlight_b = 1.0f;
    return fs;
}

FrameSettings iblPass(int first) {
    FrameSettings fs = baseSettings(PASS_IBL, first);
    fs.ibl_enable = 1;
    fs.ibl_diffuse_intensity = fs.ibl_specular_intensity = 1.0f;
    fs.ibl_exposure = 0.0f;
    fs.ibl_gamma = 1.0f;
    fs.ibl_rotation_z = 3.1415927f;
    fs.ibl_tint_r = fs.ibl_tint_g = fs.ibl_tint_b = 1.0f;
    fs.ibl_output_mode = 1;
    return fs;
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

FrameSettings pass(PassType type, int first) {
    return type == PASS_INCIDENCE_RIM ? incidenceRimPass(first) : lightPass(type, first);
}

// What one pass contributes at a covered pixel, from the per-pixel functions alone.
template <typename Pixel>
Float3 passReference(Scene<Pixel>& s, const FrameSettings& fs, int x, int y) {
    PassPixel b, src, n, r, m, sp;
    const PassPixel* np = s.read(NORMAL, x, y, n);
    if (fs.pass_type == PASS_INCIDENCE_RIM) {
        const Float3 N = np ? decodeNormal(np->r, np->g, np->b) : Float3{0.0f, 0.0f, 1.0f};
        return incidenceRimColor(N, IncidenceRimPassOf(fs));
    }
    const PassPixels in{s.readBase(x, y, b),    s.read(SOURCE, x, y, src), np,
                        s.read(ROUGH, x, y, r), s.read(METAL, x, y, m),    s.read(SPEC, x, y, sp)};
    const LightPass lp = LightPassOf(fs);
    const LightSample ls = lightAtPixel(lp, x, y);
    return renderSamplePBR(makeSurfaceSample(in, lightPassScales(lp)), ls.L, Float3{fs.light_r, fs.light_g, fs.light_b},
                           fs.intensity, ls.attenuation);
}

void expectPixelNear(const PassPixel& got, Float3 c, float a, float tol, int x, int y) {
    EXPECT_NEAR(got.r, c.x, tol) << x << "," << y;
    EXPECT_NEAR(got.g, c.y, tol) << x << "," << y;
    EXPECT_NEAR(got.b, c.z, tol) << x << "," << y;
    EXPECT_NEAR(got.a, a, tol) << x << "," << y;
}

// Renders one pass over an output filled with `marker` and checks coverage rule A: covered
// pixels get the pass colour (first pass) or add it to the marker, with the base alpha;
// uncovered ones are cleared to (0, 0, 0, 0) by a first pass and left alone by a later
// one; row padding is never written. Returns how many pixels the pass lit.
int renderAndExpectRuleA(Scene<PF_PixelFloat>& s, const FrameSettings& fs, PassPixel marker) {
    s.output.fillAll(marker);
    EXPECT_EQ(RenderPassCpu(s.ctx, fs), PF_Err_NONE);
    const bool first = fs.is_first_light != 0;
    int lit = 0;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            PassPixel b;
            const float alpha = s.readBase(x, y, b)->a;
            Float3 want = first ? Float3{0.0f, 0.0f, 0.0f} : Float3{marker.r, marker.g, marker.b};
            if (alpha > 0.0f) {
                const Float3 add = passReference(s, fs, x, y);
                lit += std::max({add.x, add.y, add.z}) > 0.01f;
                want = add3(want, add);
            }
            expectPixelNear(s.output.get(x, y), want, alpha > 0.0f ? alpha : first ? 0.0f : marker.a, 2e-6f, x, y);
        }
        for (int x = s.width; x < s.output.stridePixels; ++x) EXPECT_EQ(s.output.get(x, y).r, marker.r) << "padding";
    }
    return lit;
}

}  // namespace

// Every pass kind, first or later, with all layers full size or one smaller than the
// output: a pass layer reads as unassigned beyond its edge, a base world (albedo, else
// the input) as a transparent pixel.
TEST(CpuPasses, EveryPassKindFollowsCoverageRuleAWithinEachLayer) {
    const int kAllFull = -1, kInputAsBase = DEPTH;
    for (int small :
         {kAllFull, int(NORMAL), int(ROUGH), int(METAL), int(SPEC), int(SOURCE), int(ALBEDO), kInputAsBase}) {
        for (PassType type : {PASS_DIRECTIONAL, PASS_POINT, PASS_SPOT, PASS_AMBIENT, PASS_INCIDENCE_RIM}) {
            for (int first : {1, 0}) {
                SCOPED_TRACE(testing::Message() << "small layer " << small << " type " << type << " first " << first);
                Scene<PF_PixelFloat> s;
                s.ctx.depth = first ? 32 : 0;  // any depth but 8 and 16 renders as float
                if (small == kInputAsBase) {
                    s.layers[ALBEDO].reset();
                    s.ctx.passes[ALBEDO] = nullptr;
                    s.input = TestWorld<PF_PixelFloat>(20, 10, 0);
                    s.input.fillAll(kInputColour);
                    s.ctx.input = &s.input.w;
                } else if (small != kAllFull) {
                    s.addLayer(Layer(small), 20, 10);  // replaces the full-size one
                }
                const int lit = renderAndExpectRuleA(s, pass(type, first), PassPixel{0.125f, 0.25f, 0.375f, 0.5f});
                EXPECT_TRUE(small != kAllFull || lit > 50) << lit;  // the comparison saw light
            }
        }
    }
}

// Empty frames, missing outputs, non-light pass types and an IBL pass without a usable
// HDRI run no pixels.
TEST(CpuPasses, NothingToDoLeavesTheOutputAlone) {
    struct Case {
        int width, height;
        bool dropOutput;
        PassType type;
        int hdri;  // IBL pass only: 0 none, 1 a world without pixels
    };
    const Case cases[] = {{0, 23, false, PASS_POINT, 0},        {37, 0, false, PASS_POINT, 0},
                          {-5, -1, false, PASS_DIRECTIONAL, 0}, {37, 23, true, PASS_AMBIENT, 0},
                          {0, 0, false, PASS_INCIDENCE_RIM, 0}, {37, 23, false, PASS_IBL, 0},
                          {37, 23, false, PASS_IBL, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Scene<PF_Pixel8> s;
        s.output.fillAll(PassPixel{0.2f, 0.4f, 0.6f, 0.8f});
        s.ctx.width = c.width;
        s.ctx.height = c.height;
        if (c.dropOutput) s.ctx.output = nullptr;
        TestWorld<PF_PixelFloat> empty(0, 0, 4);
        if (c.hdri) s.ctx.hdri = &empty.w;
        // The light driver given an IBL pass type does nothing either.
        EXPECT_EQ(RenderPassCpu(s.ctx, pass(c.type, 1)), PF_Err_NONE);
        EXPECT_EQ(c.type == PASS_IBL ? RenderIblPassCpu(s.ctx, iblPass(1)) : PF_Err_NONE, PF_Err_NONE);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < s.output.stridePixels; ++x) ASSERT_EQ(s.output.at(x, y).red, 51);
    }
}

// An output world narrower in bytes than its width claims is cut at its row bytes.
TEST(CpuPasses, OutputRowsAreNeverOverrun) {
    Scene<PF_PixelFloat> s;
    // Rows of 9 float pixels at the front of a larger buffer whose tail is a guard.
    TestWorld<PF_PixelFloat> buffer(37, 23, 0);
    buffer.fillAll(PassPixel{7.0f, 7.0f, 7.0f, 7.0f});
    PF_EffectWorld narrow = buffer.w;
    narrow.rowbytes = 9 * sizeof(PF_PixelFloat);
    s.ctx.output = &narrow;
    RenderPassCpu(s.ctx, lightPass(PASS_DIRECTIONAL, 1));
    const PF_PixelFloat* px = buffer.mem.get();
    PassPixel b;
    EXPECT_EQ(px[22 * 9 + 8].alpha, s.readBase(8, 22, b)->a);
    for (int i = 9 * 23; i < 37 * 23; ++i) ASSERT_EQ(px[i].red, 7.0f) << i;
}

// A white 16-bit environment on a grey dielectric: the pass reads the HDRI at its own
// depth, and shades every pixel, uncovered ones too, with the documented total and the
// base alpha.
TEST(CpuIblPass, UniformEnvironmentShadesEveryPixelWithBaseAlpha) {
    Scene<PF_PixelFloat> s(false);
    TestWorld<PF_PixelFloat>& albedo = s.addLayer(ALBEDO, 37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) albedo.set(x, y, PassPixel{0.5f, 0.5f, 0.5f, (x + y) % 5 == 0 ? 0.0f : 0.75f});
    TestWorld<PF_Pixel16> hdri(64, 32, 1);
    hdri.fillAll(PassPixel{1.0f, 1.0f, 1.0f, 1.0f});
    attachHdri(s.ctx, hdri);
    ASSERT_EQ(RenderIblPassCpu(s.ctx, iblPass(1)), PF_Err_NONE);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            expectPixelNear(s.output.get(x, y), Float3{0.41542f, 0.41542f, 0.41542f}, (x + y) % 5 == 0 ? 0.0f : 0.75f,
                            1e-4f, x, y);
}

// Varying normals, maps and environment: each pixel is the environment shading of its
// own layers with the pass's own sample rules (no source blend, no adjusts, roughness
// held to [0.04, 1], specular unclamped), and a later pass adds. The preview sphere,
// on in the first pass only, shows the environment itself and makes its ball opaque
// whatever the base coverage.
TEST(CpuIblPass, MatchesPerPixelEnvironmentShading) {
    for (int first : {1, 0}) {
        SCOPED_TRACE(first);
        Scene<PF_PixelFloat> s;
        s.addLayer(NORMAL, 30, 20);                             // smaller than the output
        s.layers[ROUGH]->set(3, 4, PassPixel{0.0f, 0, 0, 1});   // below the floor
        s.layers[SPEC]->set(5, 6, PassPixel{1.7f, 0, 0, 1});    // kept as is
        s.layers[METAL]->set(7, 8, PassPixel{-1.0f, 0, 0, 1});  // held at 0
        TestWorld<PF_PixelFloat> hdri(48, 24, 2);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 48; ++x)
                hdri.set(x, y, PassPixel{2.0f * hash01(x, y, 90), hash01(x, y, 91), 0.1f + y / 24.0f, 1.0f});
        attachHdri(s.ctx, hdri);
        FrameSettings fs = iblPass(first);
        fs.source_blend = 1.0f;  // ignored by this pass, as are the adjusts
        fs.ibl_roughness_bias = 0.1f, fs.ibl_rotation_y = 0.4f, fs.ibl_exposure = 0.5f, fs.ibl_gamma = 2.2f;
        fs.ibl_tint_g = 0.8f, fs.ibl_diffuse_intensity = 0.6f, fs.preview_sphere = first;
        const PassPixel marker{0.125f, 0.25f, 0.5f, 1.0f};
        s.output.fillAll(marker);
        RenderIblPassCpu(s.ctx, fs);

        // The images the pass used: the process cache hands the same ones back.
        HdriWorldView world{hdri.w.data, hdri.w.rowbytes, 48, 24, 32};
        const std::shared_ptr<const HdriImages> images = PrepareHdriImagesCached(world, fs.ibl_roughness_bias);
        ASSERT_TRUE(images);
        const HdriView dv{images->diffuse.data(), 48, 24, 48}, sv{images->specular.data(), 48, 24, 48};
        const IblPass ibl = IblPassOf(fs, 37, 23);
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                PassPixel b{}, n{}, r{}, m{}, sp{};
                s.readBase(x, y, b);
                const PassPixel* np = s.read(NORMAL, x, y, n);
                s.read(ROUGH, x, y, r), s.read(METAL, x, y, m), s.read(SPEC, x, y, sp);
                const Float3 N = np ? decodeNormal(n.r, n.g, n.b) : Float3{0, 0, 1};
                Float3 c = shadeEnvironment(Float3{b.r, b.g, b.b}, N, std::clamp(r.r, 0.04f, 1.0f),
                                            std::clamp(m.r, 0.0f, 1.0f), sp.r, dv, sv, ibl);
                float alpha = b.a;
                const PreviewSphereInfo info = getPreviewSphereInfo(x, y, 37, 23);
                if (first && info.covered) {
                    c = blendPreviewSphere(c, samplePreviewSphereHDRI(info.normal, sv, ibl.sphereRotation), info.alpha);
                    if (info.alpha > 0.5f) alpha = 1.0f;
                }
                if (!first) c = add3(c, Float3{marker.r, marker.g, marker.b});
                expectPixelNear(s.output.get(x, y), c, alpha, 2e-6f, x, y);
            }
        }
    }
}
