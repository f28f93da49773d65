// CPU frames end to end: the built module, driven through minihost's pre-render and
// smart render, in all three depths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "minihost/Composition.h"
#include "minihost/Frame.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace {

using minihost::FrameRequest;
using minihost::FrameResult;
using minihost::PixelF;
using minihost::World;

constexpr int kW = 37;
constexpr int kH = 23;

float Full(int depth) { return depth == 8 ? 255.0f : 32768.0f; }

// The stores of the effect's 8- and 16-bit paths: round half up, clamp, negatives to 0.
float Quantise(float v, int depth) {
    if (depth == 32) return v;
    const float full = Full(depth);
    const float code = std::clamp(std::floor(v * full + 0.5f), 0.0f, full);
    return code / full;
}

// The same pixels, read into a float world as the effect reads them.
World ToFloat(const World& w) {
    World f(w.width(), w.height(), 32);
    for (int y = 0; y < w.height(); ++y)
        for (int x = 0; x < w.width(); ++x) f.Set(x, y, w.Get(x, y));
    return f;
}

// Covered pixels everywhere except a diagonal band and one column with alpha 0.
World Input(int depth, int padding = 0, uint32_t seed = 1) {
    World w(kW, kH, depth, padding);
    w.FillPattern(seed);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            PixelF p = w.Get(x, y);
            p.a = ((x + y) % 7 == 0 || x == 5) ? 0.0f : std::clamp(0.25f + std::fabs(p.a) * 0.5f, 0.0f, 1.0f);
            p.r = std::clamp(std::fabs(p.r), 0.0f, 1.0f);
            p.g = std::clamp(std::fabs(p.g), 0.0f, 1.0f);
            p.b = std::clamp(std::fabs(p.b), 0.0f, 1.0f);
            w.Set(x, y, p);
        }
    return w;
}

// Normals that sweep across the frame, so incidence and rim vary per pixel.
World Normals(int width, int height, int depth, int padding = 0) {
    World w(width, height, depth, padding);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float nx = -0.9f + 1.8f * float(x) / float(kW - 1);
            const float ny = 0.8f - 1.6f * float(y) / float(kH - 1);
            const float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx * 0.5f - ny * ny * 0.5f));
            w.Set(x, y, {1.0f, nx * 0.5f + 0.5f, ny * 0.5f + 0.5f, nz * 0.5f + 0.5f});
        }
    return w;
}

// A bright, smooth environment, always float.
World Hdri() {
    World w(32, 16, 32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) w.Set(x, y, {1.0f, 0.5f + 3.0f * float(y) / 15.0f, 1.0f + float(x) / 31.0f, 0.8f});
    return w;
}

class Frames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(session.GlobalSetup().err, 0);
        ASSERT_EQ(session.ParamsSetup().err, 0);
        auto& p = session.params();
        p.SetCheckbox("Enable IBL", false);
        p.SetCheckbox("Enable Incidence", false);
        p.SetCheckbox("Enable Rim Light", false);
        p.SetCheckbox("Preview Sphere", false);
    }

    void Incidence(double amount) {
        auto& p = session.params();
        p.SetCheckbox("Enable Incidence", true);
        p.SetFloat("Incidence/Amount", amount);
        p.SetFloat("Incidence/Power", 1.0);
        p.SetColor("Incidence/Color", PF_Pixel{255, 255, 200, 100});
    }

    void Ibl(bool on) {
        auto& p = session.params();
        p.SetCheckbox("Enable IBL", on);
        p.SetFloat("Diffuse Intensity", 5.0);
        p.SetFloat("Specular Intensity", 5.0);
        p.SetFloat("HDRI Exposure", 0.0);
        p.SetFloat("HDRI Gamma", 1.0);
    }

    FrameResult Render(FrameRequest r) {
        FrameResult f = minihost::RenderFrame(session, r);
        EXPECT_EQ(session.params().OutstandingCheckouts(), 0) << "every parameter goes back";
        return f;
    }

    FrameRequest Request(int depth, const World* input) {
        FrameRequest r;
        r.depth = depth;
        r.layers[""] = input;
        return r;
    }

    minihost::Session session{MORVEL_MODULE_PATH};
};

void ExpectOpaqueBlack(const World& out) {
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const PixelF p = out.Get(x, y);
            ASSERT_EQ(p.a, 1.0f) << x << "," << y;
            ASSERT_EQ(p.r, 0.0f) << x << "," << y;
            ASSERT_EQ(p.g, 0.0f) << x << "," << y;
            ASSERT_EQ(p.b, 0.0f) << x << "," << y;
        }
    EXPECT_TRUE(out.PaddingIntact());
}

TEST_F(Frames, NothingEnabledIsOpaqueBlackInEveryDepth) {
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        const World in = Input(depth);
        FrameRequest r = Request(depth, &in);
        r.output_padding = depth == 8 ? 8 : 32;
        const FrameResult f = Render(r);
        ASSERT_EQ(f.err(), 0);
        ASSERT_TRUE(f.output);
        EXPECT_EQ(f.output->width(), kW);
        EXPECT_EQ(f.output->height(), kH);
        ExpectOpaqueBlack(*f.output);
        // IBL off: the HDRI is never fetched.
        EXPECT_EQ(std::count(f.pixel_checkouts.begin(), f.pixel_checkouts.end(), 8), 0);
    }
}

// A 16-bit output whose rows are long enough to pass for float: the deep flag decides.
TEST_F(Frames, DeepFlagMakesTheFrameSixteenBit) {
    const World in = Input(16, 8 * kW);
    FrameRequest r = Request(16, &in);
    r.output_padding = 8 * kW;  // row bytes = 16 x width
    const FrameResult f = Render(r);
    ASSERT_EQ(f.err(), 0);
    ASSERT_EQ(f.output->row_bytes(), 16 * kW);
    ExpectOpaqueBlack(*f.output);
}

TEST_F(Frames, MissingInputOrOutputLeavesTheOutputAlone) {
    struct Case {
        const char* name;
        A_long failing_id;  // -1: none
        PF_Err layer_error;
        bool layer_no_world;
        PF_Err output_error;
        bool output_no_world;
        PF_Err expected;
    };
    const Case cases[] = {
        {"input checkout error", 0, 1234, false, 0, false, 1234},
        {"input without world", 0, 0, true, 0, false, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"output checkout error", -1, 0, false, 4321, false, 4321},
        {"output without world", -1, 0, false, 0, true, PF_Err_INTERNAL_STRUCT_DAMAGED},
    };
    Incidence(100.0);
    for (const Case& c : cases)
        for (int depth : {8, 32}) {
            SCOPED_TRACE(std::string(c.name) + " depth " + std::to_string(depth));
            const World in = Input(depth);
            FrameRequest r = Request(depth, &in);
            if (c.failing_id >= 0 && c.layer_error) r.checkout_error[c.failing_id] = c.layer_error;
            if (c.failing_id >= 0 && c.layer_no_world) r.checkout_no_world.insert(c.failing_id);
            r.output_error = c.output_error;
            r.output_no_world = c.output_no_world;
            const FrameResult f = Render(r);
            EXPECT_EQ(f.pre_render.err, 0);
            ASSERT_TRUE(f.rendered);
            EXPECT_EQ(f.err(), c.expected);
            EXPECT_TRUE(f.output_untouched);
            EXPECT_TRUE(f.output->PaddingIntact());
        }
}

// Rule A: the first writing pass clears uncovered pixels to (0, 0, 0, 0) and keeps
// the base alpha elsewhere. IBL on without an HDRI runs no IBL pass, so the
// incidence pass is still the first to write.
TEST_F(Frames, UncoveredPixelsAfterTheFirstPass) {
    Incidence(80.0);
    for (bool ibl_without_hdri : {false, true})
        for (int depth : {8, 16, 32}) {
            SCOPED_TRACE(std::to_string(depth) + (ibl_without_hdri ? " IBL on, no HDRI" : ""));
            Ibl(ibl_without_hdri);
            const World in = Input(depth);
            const World normals = Normals(kW, kH, depth);
            FrameRequest r = Request(depth, &in);
            r.layers["Normal Map"] = &normals;
            r.layers["HDRI"] = nullptr;
            const FrameResult f = Render(r);
            ASSERT_EQ(f.err(), 0);
            int covered_lit = 0;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const PixelF b = in.Get(x, y), o = f.output->Get(x, y);
                    if (b.a <= 0.0f) {
                        ASSERT_EQ(o.a, 0.0f);
                        ASSERT_EQ(o.r + o.g + o.b, 0.0f);
                    } else {
                        ASSERT_EQ(o.a, b.a) << x << "," << y;
                        covered_lit += o.r > 0.0f;
                    }
                }
            EXPECT_GT(covered_lit, kW * kH / 2);
        }
}

struct Frame3 {
    World ibl, inc, both;
};

// The 8- and 16-bit frames hold what the float frame holds, quantised after each pass
// and clamped to the depth's range; alpha is the base alpha, exactly.
TEST_F(Frames, SixteenAndEightBitAgainstFloatPassByPass) {
    const World hdri = Hdri();
    for (int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const World in = Input(depth, depth == 8 ? 4 : 16);
        const World normals = Normals(kW, kH, depth, depth == 8 ? 12 : 8);
        const World in_f = ToFloat(in), normals_f = ToFloat(normals);

        auto frame = [&](int d, bool ibl, bool inc) {
            Ibl(ibl);
            session.params().SetCheckbox("Enable Incidence", inc);
            if (inc) Incidence(150.0);
            FrameRequest r = Request(d, d == 32 ? &in_f : &in);
            r.layers["Normal Map"] = d == 32 ? &normals_f : &normals;
            r.layers["HDRI"] = &hdri;
            FrameResult f = Render(r);
            EXPECT_EQ(f.err(), 0);
            return std::move(*f.output);
        };
        const Frame3 fl{frame(32, true, false), frame(32, false, true), frame(32, true, true)};
        const Frame3 dd{frame(depth, true, false), frame(depth, false, true), frame(depth, true, true)};

        const float tol = 1.0f / Full(depth) + 1e-6f;
        int above_one = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const PixelF b = in.Get(x, y);
                const PixelF fi = fl.ibl.Get(x, y), fn = fl.inc.Get(x, y), fb = fl.both.Get(x, y);
                const PixelF di = dd.ibl.Get(x, y), dn = dd.inc.Get(x, y), db = dd.both.Get(x, y);
                const float fic[3] = {fi.r, fi.g, fi.b}, fnc[3] = {fn.r, fn.g, fn.b}, fbc[3] = {fb.r, fb.g, fb.b};
                const float dic[3] = {di.r, di.g, di.b}, dnc[3] = {dn.r, dn.g, dn.b}, dbc[3] = {db.r, db.g, db.b};
                for (int c = 0; c < 3; ++c) {
                    SCOPED_TRACE(testing::Message() << x << "," << y << " channel " << c);
                    // Float keeps the unbounded sum of the two passes where the base covers the pixel;
                    // uncovered pixels keep the IBL colour, which ignores coverage.
                    ASSERT_EQ(fbc[c], b.a > 0.0f ? fic[c] + fnc[c] : fic[c]);
                    above_one += fbc[c] > 1.0f;
                    ASSERT_NEAR(dic[c], Quantise(fic[c], depth), tol);
                    if (b.a > 0.0f) {
                        ASSERT_NEAR(dnc[c], Quantise(fnc[c], depth), tol);
                        ASSERT_NEAR(dbc[c], Quantise(Quantise(fic[c], depth) + fnc[c], depth), tol);
                    } else {
                        ASSERT_EQ(dnc[c], 0.0f);
                        ASSERT_EQ(dbc[c], dic[c]);
                    }
                }
                // IBL shades every pixel and keeps the base alpha, 0 included.
                ASSERT_EQ(db.a, b.a);
                ASSERT_EQ(fb.a, b.a);
            }
        EXPECT_GT(above_one, 0) << "the frame must reach past 1.0 to exercise the clamp";
        EXPECT_TRUE(dd.both.PaddingIntact());
    }
}

// Every layer is addressed through its own row bytes, and a pass layer smaller than
// the frame is read only where it has pixels; elsewhere it counts as unassigned.
TEST_F(Frames, PaddedSmallAndMismatchedPassLayers) {
    Incidence(100.0);
    session.params().SetCheckbox("Enable Rim Light", true);
    session.params().SetFloat("Rim Light/Amount", 100.0);
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        const World in = Input(depth), in_padded = Input(depth, depth == 8 ? 8 : 64);
        const World normals = Normals(kW, kH, depth), normals_padded = Normals(kW, kH, depth, depth == 8 ? 20 : 48);
        const World small = Normals(20, 11, depth, depth == 8 ? 4 : 16);
        const World other_depth = Normals(kW, kH, depth == 32 ? 8 : 32);

        auto frame = [&](const World& input, const World* n, int out_padding) {
            FrameRequest r = Request(depth, &input);
            r.layers["Normal Map"] = n;
            r.output_padding = out_padding;
            FrameResult f = Render(r);
            EXPECT_EQ(f.err(), 0);
            EXPECT_TRUE(f.output->PaddingIntact());
            return std::move(*f.output);
        };
        const World plain = frame(in, &normals, 0);
        EXPECT_TRUE(frame(in_padded, &normals_padded, depth == 8 ? 4 : 24).SamePixels(plain));

        const World without = frame(in, nullptr, 0);
        EXPECT_FALSE(without.SamePixels(plain)) << "the normal layer must matter";
        EXPECT_TRUE(frame(in, &other_depth, 0).SamePixels(without));

        const World partial = frame(in, &small, 0);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const World& expected = (x < 20 && y < 11) ? plain : without;
                const PixelF e = expected.Get(x, y), o = partial.Get(x, y);
                ASSERT_TRUE(e.a == o.a && e.r == o.r && e.g == o.g && e.b == o.b) << x << "," << y;
            }
    }
}

// Each light is a pass of its own: the second adds to what the first stored, so on
// 8 and 16 bits the sum is quantised (and clamped) after each light.
TEST_F(Frames, TwoLightsSumInEveryDepth) {
    auto& comp = session.composition();
    auto lights = [&](bool first, bool second) {
        comp.Clear();
        if (first) {
            minihost::CompLayer& l = comp.AddLight(AEGP_LightType_POINT, {kW * 0.3, kH * 0.4, -60.0});
            l.intensity = 60.0;
            l.color[1] = 1.0, l.color[2] = 0.6, l.color[3] = 0.3;
        }
        if (second) {
            minihost::CompLayer& l =
                comp.AddLight(AEGP_LightType_PARALLEL, {-200.0, 100.0, -400.0}, {kW * 0.5, kH * 0.5, 0.0});
            l.intensity = 80.0;
            l.color[1] = 0.4, l.color[2] = 0.7, l.color[3] = 1.0;
        }
    };
    for (int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const World in = Input(depth, depth == 8 ? 4 : 8, 7);
        const World normals = Normals(kW, kH, depth);
        const World in_f = ToFloat(in), normals_f = ToFloat(normals);
        auto frame = [&](int d, bool first, bool second) {
            lights(first, second);
            FrameRequest r = Request(d, d == 32 ? &in_f : &in);
            r.layers["Normal Map"] = d == 32 ? &normals_f : &normals;
            FrameResult f = Render(r);
            EXPECT_EQ(f.err(), 0);
            return std::move(*f.output);
        };
        const Frame3 fl{frame(32, true, false), frame(32, false, true), frame(32, true, true)};
        const World both = frame(depth, true, true);
        const float tol = 1.0f / Full(depth) + 1e-6f;
        int lit_by_both = 0, above_one = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const PixelF b = in.Get(x, y), f1 = fl.ibl.Get(x, y), f2 = fl.inc.Get(x, y), fb = fl.both.Get(x, y);
                const PixelF d = both.Get(x, y);
                const float c1[3] = {f1.r, f1.g, f1.b}, c2[3] = {f2.r, f2.g, f2.b}, cb[3] = {fb.r, fb.g, fb.b};
                const float cd[3] = {d.r, d.g, d.b};
                lit_by_both += c1[0] > 0.0f && c2[0] > 0.0f;
                for (int c = 0; c < 3; ++c) {
                    SCOPED_TRACE(testing::Message() << x << "," << y << " channel " << c);
                    if (b.a <= 0.0f) {
                        ASSERT_EQ(cb[c], 0.0f);
                        ASSERT_EQ(cd[c], 0.0f);
                        continue;
                    }
                    ASSERT_EQ(cb[c], c1[c] + c2[c]);
                    above_one += cb[c] > 1.0f;
                    ASSERT_NEAR(cd[c], Quantise(Quantise(c1[c], depth) + c2[c], depth), tol);
                }
                ASSERT_EQ(d.a, b.a);
            }
        EXPECT_GT(lit_by_both, 40) << "the two lights must overlap";
        EXPECT_GT(above_one, 0) << "the sum must pass 1.0 somewhere to exercise the clamp";
    }
    comp.Clear();
}

TEST_F(Frames, ThreadsGiveTheSameFramesAsOneByOne) {
    Incidence(120.0);
    Ibl(true);
    const World hdri = Hdri();
    std::vector<World> inputs, normals;
    std::vector<FrameRequest> requests;
    const int depths[] = {8, 16, 32, 32, 16, 8, 32, 8};
    for (int i = 0; i < 8; ++i) {
        inputs.push_back(Input(depths[i], 0, 11u + i));
        normals.push_back(Normals(kW, kH, depths[i], depths[i] == 8 ? 4 * (i % 2) : 8 * (i % 3)));
    }
    for (int i = 0; i < 8; ++i) {
        FrameRequest r = Request(depths[i], &inputs[i]);
        r.layers["Normal Map"] = &normals[i];
        r.layers["HDRI"] = &hdri;
        r.output_padding = depths[i] == 8 ? 4 : 16;
        requests.push_back(r);
    }
    std::vector<FrameResult> one_by_one;
    for (const FrameRequest& r : requests) one_by_one.push_back(Render(r));
    const std::vector<FrameResult> threaded = minihost::RenderFrames(session, requests, 4);
    EXPECT_EQ(session.params().OutstandingCheckouts(), 0);
    ASSERT_EQ(threaded.size(), requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(threaded[i].err(), 0);
        ASSERT_EQ(one_by_one[i].err(), 0);
        EXPECT_TRUE(threaded[i].output->SamePixels(*one_by_one[i].output));
        EXPECT_EQ(threaded[i].guid_bytes, one_by_one[i].guid_bytes);
        if (i > 0) {
            EXPECT_FALSE(one_by_one[i].output->SamePixels(*one_by_one[i - 1].output));
        }
    }
}

}  // namespace
