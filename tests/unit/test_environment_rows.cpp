// The environment pass's row bodies against the per-pixel entry point. The baseline
// copy (and an AVX2 copy without vector math) must give the same bytes; the AVX2 copy
// with vector math must pick the same nearest texel for nearly every lookup and stay
// within a small relative error on nearly every pixel, on HDRIs of production widths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cpu/EnvironmentRows.h"
#include "cpu/LightRows.h"
#include "cpu/PassLoops.h"
#include "cpu/PixelTraits.h"

using namespace morvel;

namespace {

struct RowBodiesScope {
    explicit RowBodiesScope(CpuRowBodies b) { SetCpuRowBodies(b); }
    ~RowBodiesScope() { SetCpuRowBodies(CpuRowBodies::Auto); }
};

uint32_t hash2(uint32_t x, uint32_t y) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    return h;
}

// Smoothly interpolated lattice noise in [0, 1), period `cells` across the width.
float valueNoise(float u, float v, int cells) {
    const float fx = u * cells, fy = v * cells;
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const float tx = fx - x0, ty = fy - y0;
    auto at = [cells](int x, int y) { return (hash2(static_cast<uint32_t>(x % cells), y) >> 8) / 16777216.0f; };
    const float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * tx;
    const float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * tx;
    return a + (b - a) * ty;
}

// An outdoor-looking equirect HDRI, rows from the bottom as the prepared images hold
// them: a sky graded to the zenith with clouds, a small sun thousands of times brighter,
// a skyline of hard-edged buildings, and textured ground with per-pixel grain, so that
// neighbouring texels differ and a different nearest texel shows in the result.
struct ProceduralHdri {
    int width, height;
    std::vector<float> px;

    explicit ProceduralHdri(int w) : width(w), height(w / 2), px(static_cast<size_t>(w) * (w / 2) * 4) {
        for (int row = 0; row < height; ++row) {
            const float v = 1.0f - (row + 0.5f) / height;  // 0 straight up
            const float elevation = 0.5f - v;              // +0.5 zenith, -0.5 nadir
            for (int col = 0; col < width; ++col) {
                const float u = (col + 0.5f) / width;
                float r, g, b;
                const float grain = (hash2(col, row) >> 8) / 16777216.0f;
                const float skyline = 0.02f + 0.06f * ((hash2(col * 64 / width, 7) >> 8) / 16777216.0f);
                if (elevation > skyline) {
                    const float cloud = valueNoise(u, v, 24) * valueNoise(u, v, 96);
                    r = 0.35f + 0.6f * elevation + 2.0f * cloud;
                    g = 0.5f + 0.7f * elevation + 2.0f * cloud;
                    b = 0.9f + 1.2f * elevation + 2.0f * cloud;
                    const float du = u - 0.3f, dv = v - 0.2f;
                    if (du * du + dv * dv < 1e-4f) r = g = b = 4000.0f;
                } else if (elevation > 0.0f) {
                    const float window = (col % 7 < 2 && row % 5 < 2) ? 3.0f : 0.0f;
                    r = 0.08f + window, g = 0.07f + window * 0.8f, b = 0.06f + window * 0.5f;
                } else {
                    const float n = valueNoise(u, v, 200);
                    r = (0.15f + 0.2f * n) * (0.7f + 0.6f * grain);
                    g = (0.12f + 0.15f * n) * (0.7f + 0.6f * grain);
                    b = (0.08f + 0.1f * n) * (0.7f + 0.6f * grain);
                }
                float* p = &px[(static_cast<size_t>(row) * width + col) * 4];
                p[0] = r, p[1] = g, p[2] = b, p[3] = 1.0f;
            }
        }
    }
    HdriView view() const { return HdriView{px.data(), width, height, width}; }
};

// A float world, rows padded.
template <typename Pixel>
struct World {
    std::vector<Pixel> px;
    PF_EffectWorld w{};
    World(int width, int height) : px(static_cast<size_t>(width + 2) * height) {
        w.data = reinterpret_cast<PF_PixelPtr>(px.data());
        w.rowbytes = static_cast<A_long>((width + 2) * sizeof(Pixel));
        w.width = width;
        w.height = height;
        w.world_flags = PixelTraits<Pixel>::kDepth == 16 ? PF_WorldFlag_DEEP : 0;
    }
    Pixel& at(int x, int y) { return px[static_cast<size_t>(y) * (w.width + 2) + x]; }
};

// A frame of a shaded sphere-like surface: normals that sweep smoothly over most of the
// hemisphere, roughness from near mirror to fully rough, some metal, and (optionally)
// some layers missing or cut short.
template <typename Pixel>
struct IblFrame {
    int width, height;
    World<Pixel> out, base, normal, rough, metal, spec;
    FrameContext ctx;
    FrameSettings fs{};

    IblFrame(int w, int h, bool allLayers, int first)
        : width(w),
          height(h),
          out(w, h),
          base(w, h),
          normal(w, allLayers ? h : h - 3),
          rough(w, h),
          metal(allLayers ? w : w - 4, h),
          spec(w, h) {
        std::mt19937 rng(77);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float nx = 2.0f * (x + 0.5f) / w - 1.0f, ny = 1.0f - 2.0f * (y + 0.5f) / h;
                const float nz = std::sqrt(std::max(0.02f, 1.0f - 0.8f * (nx * nx + ny * ny)));
                if (y < normal.w.height)
                    StorePixel(normal.at(x, y), 0.5f + 0.5f * nx, 0.5f + 0.5f * ny, 0.5f + 0.5f * nz, 1);
                const float a = (x + y) % 11 == 0 ? 0.0f : 1.0f;
                StorePixel(base.at(x, y), unit(rng), unit(rng), unit(rng), a);
                StorePixel(rough.at(x, y), static_cast<float>(x) / w, 0, 0, 1);
                if (x < metal.w.width) StorePixel(metal.at(x, y), y % 3 == 0 ? 1.0f : 0.1f, 0, 0, 1);
                StorePixel(spec.at(x, y), 0.3f + 0.5f * unit(rng), 0, 0, 1);
                StorePixel(out.at(x, y), 0.25f, 0.5f, 0.125f, 1.0f);
            }
        ctx.input = &base.w;
        ctx.output = &out.w;
        ctx.width = w;
        ctx.height = h;
        ctx.depth = PixelTraits<Pixel>::kDepth;
        ctx.outputRowBytes = out.w.rowbytes;
        ctx.passes[SLOT_DIFFUSE_ALBEDO] = &base.w;
        ctx.passes[SLOT_NORMAL] = &normal.w;
        ctx.passes[SLOT_ROUGHNESS] = &rough.w;
        ctx.passes[SLOT_METALNESS] = &metal.w;
        ctx.passes[SLOT_SPECULAR] = &spec.w;
        fs.pass_type = PASS_IBL;
        fs.is_first_light = first;
        fs.width = fs.stride = w;
        fs.height = h;
        fs.ibl_diffuse_intensity = 0.8f, fs.ibl_specular_intensity = 1.2f;
        fs.ibl_gamma = 2.2f;
        fs.ibl_rotation_x = 0.2f, fs.ibl_rotation_y = 1.3f, fs.ibl_rotation_z = 3.1415927f;
        fs.ibl_tint_r = 1.0f, fs.ibl_tint_g = 0.9f, fs.ibl_tint_b = 0.8f;
        fs.preview_sphere = 1;
        fs.ibl_output_mode = 1;
    }

    std::vector<Pixel> render(CpuRowBodies bodies, const HdriView& diffuse, const HdriView& specular) {
        const std::vector<Pixel> start = out.px;
        {
            RowBodiesScope scope(bodies);
            ShadeIblRows<Pixel>(ctx, fs, diffuse, specular);
        }
        std::vector<Pixel> result = out.px;
        out.px = start;
        return result;
    }
};

bool sameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

template <typename Pixel>
void expectBatchedBodiesMatchPerPixel() {
    // A small HDRI with distinct texels: any other texel shows.
    const ProceduralHdri hdri(64);
    std::vector<CpuRowBodies> exact{CpuRowBodies::Baseline};
    if (CpuHasAvx2() && !Avx2EnvironmentRows().vectorMath) exact.push_back(CpuRowBodies::Avx2);
    for (CpuRowBodies bodies : exact)
        for (bool allLayers : {true, false})
            for (int first : {0, 1}) {
                IblFrame<Pixel> frame(53, 29, allLayers, first);
                const auto ref = frame.render(CpuRowBodies::PerPixel, hdri.view(), hdri.view());
                const auto got = frame.render(bodies, hdri.view(), hdri.view());
                EXPECT_TRUE(sameBytes(ref.data(), got.data(), ref.size() * sizeof(Pixel)))
                    << "depth " << PixelTraits<Pixel>::kDepth << " bodies "
                    << (bodies == CpuRowBodies::Avx2 ? "avx2" : "baseline") << " all layers " << allLayers << " first "
                    << first;
            }
}

TEST(EnvironmentRowBodies, ScalarMathMatchesPerPixelBodyIn8Bits) { expectBatchedBodiesMatchPerPixel<PF_Pixel8>(); }
TEST(EnvironmentRowBodies, ScalarMathMatchesPerPixelBodyIn16Bits) { expectBatchedBodiesMatchPerPixel<PF_Pixel16>(); }
TEST(EnvironmentRowBodies, ScalarMathMatchesPerPixelBodyInFloat) { expectBatchedBodiesMatchPerPixel<PF_PixelFloat>(); }

// The offsets the per-pixel lookups use, from the kernel's own functions.
int referenceOffsets(const HdriView& img, Float3 axis, float angle, const EnvRotation& rot, const ConeRing& ring,
                     std::ptrdiff_t* offsets) {
    offsets[0] = hdriNearestOffset(img, directionToEquirectUV(axis, rot));
    if (!coneHasRing(ring, angle)) return 1;
    const Basis basis = createBasis(axis);
    for (int i = 0; i < ring.count; ++i)
        offsets[1 + i] = hdriNearestOffset(
            img, directionToEquirectUV(coneRingDirection(axis, basis, cosf(angle), sinf(angle), ring, i), rot));
    return 1 + ring.count;
}

struct LookupCount {
    long total = 0, differing = 0;
};

LookupCount compareConeLookups(const EnvironmentRowTable& table, const HdriView& img, int cones) {
    std::mt19937 rng(2024u + static_cast<unsigned>(img.width));
    std::normal_distribution<float> gauss;
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const EnvRotation rot = makeEnvRotation(1.3f, 0.2f, 3.1415927f);
    const ConeRing ring = makeConeRing(9);
    LookupCount c;
    for (int k = 0; k < cones; ++k) {
        Float3 d{gauss(rng), gauss(rng), gauss(rng)};
        d = normalize3(d);
        const float rough = 0.04f + 0.96f * unit(rng);
        const float angle = k % 2 ? 0.5f : rough * rough * 0.5f;  // diffuse and specular cones
        std::ptrdiff_t want[kMaxConeLookups], got[kMaxConeLookups];
        const int n = referenceOffsets(img, d, angle, rot, ring, want);
        EXPECT_EQ(table.coneOffsets(img, d, angle, rot, ring, got), n);
        for (int i = 0; i < n; ++i) c.differing += want[i] != got[i];
        c.total += n;
    }
    return c;
}

TEST(EnvironmentRowBodies, ScalarMathPicksTheSameTexels) {
    const ProceduralHdri hdri(512);
    const LookupCount c = compareConeLookups(BaselineEnvironmentRows(), hdri.view(), 4000);
    EXPECT_EQ(c.differing, 0) << "of " << c.total;
    EXPECT_GT(c.total, 30000);
}

// The vector path on HDRIs of the widths productions use. A cone's texels may move for
// a lookup that falls within rounding of a texel edge, and nowhere else.
TEST(EnvironmentRowBodies, VectorMathStaysWithinToleranceOfTheScalarPass) {
    if (!CpuHasAvx2() || !Avx2EnvironmentRows().vectorMath) {
        GTEST_SKIP() << "no AVX2 vector math in this build or on this processor";
    }
    for (int width : {1024, 2048, 4096}) {
        SCOPED_TRACE("HDRI width " + std::to_string(width));
        const ProceduralHdri hdri(width);
        const LookupCount c = compareConeLookups(Avx2EnvironmentRows(), hdri.view(), 12000);
        RecordProperty("lookups_differing_" + std::to_string(width),
                       std::to_string(c.differing) + " of " + std::to_string(c.total));
        EXPECT_LE(static_cast<double>(c.differing), 1e-4 * static_cast<double>(c.total))
            << c.differing << " of " << c.total << " lookups picked another texel";

        IblFrame<PF_PixelFloat> frame(190, 108, true, 1);  // rows end in a partial group of eight
        const auto ref = frame.render(CpuRowBodies::PerPixel, hdri.view(), hdri.view());
        const auto got = frame.render(CpuRowBodies::Avx2, hdri.view(), hdri.view());
        long outside = 0, lit = 0;
        for (size_t i = 0; i < ref.size(); ++i) {
            const float a[4] = {ref[i].alpha, ref[i].red, ref[i].green, ref[i].blue};
            const float b[4] = {got[i].alpha, got[i].red, got[i].green, got[i].blue};
            bool ok = true;
            for (int k = 0; k < 4; ++k) ok = ok && std::fabs(a[k] - b[k]) <= 2e-4f + 1e-3f * std::fabs(a[k]);
            outside += !ok;
            lit += a[1] > 0.3f;
        }
        long changed = 0;
        for (size_t i = 0; i < ref.size(); ++i) changed += !sameBytes(&ref[i], &got[i], sizeof(ref[i]));
        RecordProperty("pixels_" + std::to_string(width), std::to_string(outside) + " beyond tolerance, " +
                                                              std::to_string(changed) + " changed of " +
                                                              std::to_string(ref.size()));
        EXPECT_LE(static_cast<double>(outside), 0.005 * static_cast<double>(ref.size()))
            << outside << " of " << ref.size() << " pixels beyond tolerance";
        EXPECT_GT(lit, static_cast<long>(ref.size() / 4)) << "the frame is mostly dark: nothing was compared";
    }
}

TEST(EnvironmentRowBodies, ChoiceFollowsTheRowBodies) {
    {
        RowBodiesScope s(CpuRowBodies::PerPixel);
        EXPECT_EQ(ActiveEnvironmentRows(), nullptr);
    }
    {
        RowBodiesScope s(CpuRowBodies::Baseline);
        EXPECT_EQ(ActiveEnvironmentRows(), &BaselineEnvironmentRows());
        EXPECT_FALSE(BaselineEnvironmentRows().vectorMath);
    }
    // The AVX-512 choice of the light rows keeps the AVX2 environment rows.
    for (CpuRowBodies b : {CpuRowBodies::Avx2, CpuRowBodies::Avx512}) {
        RowBodiesScope s(b);
        EXPECT_EQ(ActiveEnvironmentRows(), CpuHasAvx2() ? &Avx2EnvironmentRows() : &BaselineEnvironmentRows());
    }
}

}  // namespace
