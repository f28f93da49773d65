// CPU frames end to end: the built module, driven through minihost's pre-render and
// smart render, in all three depths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
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
    return std::clamp(std::floor(v * Full(depth) + 0.5f), 0.0f, Full(depth)) / Full(depth);
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
            for (float* c : {&p.r, &p.g, &p.b}) *c = std::min(std::fabs(*c), 1.0f);
            w.Set(x, y, p);
        }
    return w;
}

// Normals that sweep across the frame, so incidence and rim vary per pixel.
World Normals(int depth, int padding = 0) {
    World w(kW, kH, depth, padding);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
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
        for (const char* box : {"Enable IBL", "Enable Incidence", "Enable Rim Light", "Preview Sphere"})
            session.params().SetCheckbox(box, false);
    }

    void Incidence(bool on, double amount) {
        auto& p = session.params();
        p.SetCheckbox("Enable Incidence", on);
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

    FrameResult Render(const FrameRequest& r) {
        FrameResult f = minihost::RenderFrame(session, r);
        EXPECT_EQ(session.params().OutstandingCheckouts(), 0) << "every parameter goes back";
        return f;
    }

    FrameRequest Request(int depth, const World* input, const World* normals = nullptr, const World* hdri = nullptr) {
        FrameRequest r;
        r.depth = depth;
        r.layers[""] = input;
        r.layers["Normal Map"] = normals;
        r.layers["HDRI"] = hdri;
        return r;
    }

    // Passes A and B rendered alone and together, in float and in 8 or 16 bits. Float keeps
    // the unbounded sum where the base covers the pixel; the integer depths hold what float
    // holds, quantised and clamped after each pass; alpha is the base alpha, exactly. When
    // A is the IBL pass (rule B) it shades uncovered pixels too, which B then leaves alone.
    void ExpectTwoPassesAgainstFloat(const std::function<void(bool, bool)>& enable, bool a_is_ibl, uint32_t seed,
                                     const World* hdri) {
        for (int depth : {8, 16}) {
            SCOPED_TRACE(depth);
            const World in = Input(depth, depth == 8 ? 4 : 16, seed), normals = Normals(depth, depth == 8 ? 12 : 8);
            const World in_f = ToFloat(in), normals_f = ToFloat(normals);
            auto frame = [&](int d, bool a, bool b) {
                enable(a, b);
                FrameResult f = Render(d == 32 ? Request(d, &in_f, &normals_f, hdri) : Request(d, &in, &normals, hdri));
                EXPECT_EQ(f.err(), 0);
                return std::move(*f.output);
            };
            const World fa = frame(32, true, false), fb = frame(32, false, true), fab = frame(32, true, true);
            const World da = frame(depth, true, false), db = frame(depth, false, true), dab = frame(depth, true, true);
            const float tol = 1.0f / Full(depth) + 1e-6f;
            int above_one = 0, lit_by_both = 0;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const float base_a = in.Get(x, y).a;
                    const PixelF p[6] = {fa.Get(x, y), fb.Get(x, y), fab.Get(x, y),
                                         da.Get(x, y), db.Get(x, y), dab.Get(x, y)};
                    lit_by_both += p[0].r > 0.0f && p[1].r > 0.0f;
                    for (int c = 0; c < 3; ++c) {
                        SCOPED_TRACE(testing::Message() << x << "," << y << " channel " << c);
                        float v[6];
                        for (int i = 0; i < 6; ++i) v[i] = c == 0 ? p[i].r : c == 1 ? p[i].g : p[i].b;
                        ASSERT_NEAR(v[3], Quantise(v[0], depth), tol);
                        if (base_a > 0.0f) {
                            ASSERT_EQ(v[2], v[0] + v[1]);
                            ASSERT_NEAR(v[4], Quantise(v[1], depth), tol);
                            ASSERT_NEAR(v[5], Quantise(Quantise(v[0], depth) + v[1], depth), tol);
                        } else {
                            ASSERT_EQ(v[2], a_is_ibl ? v[0] : 0.0f);
                            ASSERT_EQ(v[4], 0.0f);
                            ASSERT_EQ(v[5], a_is_ibl ? v[3] : 0.0f);
                        }
                        above_one += v[2] > 1.0f;
                    }
                    ASSERT_EQ(p[2].a, base_a);
                    ASSERT_EQ(p[5].a, base_a);
                }
            EXPECT_GT(above_one, 0) << "the frame must reach past 1.0 to exercise the clamp";
            EXPECT_GT(lit_by_both, 40) << "the two passes must overlap";
            EXPECT_TRUE(dab.PaddingIntact());
        }
    }

    minihost::Session session{MORVEL_MODULE_PATH};
};

// A 16-bit output whose rows are long enough to pass for float is 16-bit: the deep flag decides.
TEST_F(Frames, NothingEnabledIsOpaqueBlackInEveryDepth) {
    for (int depth : {8, 16, 32}) {
        SCOPED_TRACE(depth);
        const int padding = depth == 8 ? 8 : depth == 16 ? 8 * kW : 32;
        const World in = Input(depth, padding);
        FrameRequest r = Request(depth, &in);
        r.output_padding = padding;
        const FrameResult f = Render(r);
        ASSERT_EQ(f.err(), 0);
        ASSERT_TRUE(f.output && f.output->width() == kW && f.output->height() == kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const PixelF p = f.output->Get(x, y);
                ASSERT_TRUE(p.a == 1.0f && p.r == 0.0f && p.g == 0.0f && p.b == 0.0f) << x << "," << y;
            }
        EXPECT_TRUE(f.output->PaddingIntact());
        // IBL off: the HDRI is never fetched.
        EXPECT_EQ(std::count(f.pixel_checkouts.begin(), f.pixel_checkouts.end(), 8), 0);
    }
}

TEST_F(Frames, MissingInputOrOutputLeavesTheOutputAlone) {
    struct Case {
        const char* name;
        PF_Err input_error;
        bool input_no_world;
        PF_Err output_error;
        bool output_no_world;
        PF_Err expected;
    };
    const Case cases[] = {
        {"input checkout error", 1234, false, 0, false, 1234},
        {"input without world", 0, true, 0, false, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"output checkout error", 0, false, 4321, false, 4321},
        {"output without world", 0, false, 0, true, PF_Err_INTERNAL_STRUCT_DAMAGED},
    };
    Incidence(true, 100.0);
    for (const Case& c : cases)
        for (int depth : {8, 32}) {
            SCOPED_TRACE(std::string(c.name) + " depth " + std::to_string(depth));
            const World in = Input(depth);
            FrameRequest r = Request(depth, &in);
            if (c.input_error) r.checkout_error[0] = c.input_error;
            if (c.input_no_world) r.checkout_no_world.insert(0);
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

TEST_F(Frames, IblAndIncidenceAgainstFloatPassByPass) {
    const World hdri = Hdri();
    ExpectTwoPassesAgainstFloat(
        [&](bool ibl, bool incidence) {
            Ibl(ibl);
            Incidence(incidence, 150.0);
        },
        true, 1, &hdri);
}

// Each light is a pass of its own: the second adds to what the first stored. Coverage rule A
// holds in every depth: the first light clears uncovered pixels. IBL on without an HDRI runs
// no IBL pass, so the first light is still the first to write.
TEST_F(Frames, TwoLightsSumInEveryDepth) {
    auto& comp = session.composition();
    Ibl(true);
    ExpectTwoPassesAgainstFloat(
        [&](bool point, bool parallel) {
            comp.Clear();
            if (point) {
                minihost::CompLayer& l = comp.AddLight(AEGP_LightType_POINT, {kW * 0.3, kH * 0.4, -60.0});
                l.intensity = 60.0;
                l.color[1] = 1.0, l.color[2] = 0.6, l.color[3] = 0.3;
            }
            if (parallel) {
                minihost::CompLayer& l =
                    comp.AddLight(AEGP_LightType_PARALLEL, {-200.0, 100.0, -400.0}, {kW * 0.5, kH * 0.5, 0.0});
                l.intensity = 80.0;
                l.color[1] = 0.4, l.color[2] = 0.7, l.color[3] = 1.0;
            }
        },
        false, 7, nullptr);
    comp.Clear();
}

TEST_F(Frames, ThreadsGiveTheSameFramesAsOneByOne) {
    Incidence(true, 120.0);
    Ibl(true);
    const World hdri = Hdri();
    std::vector<World> inputs, normals;
    std::vector<FrameRequest> requests;
    const int depths[] = {8, 16, 32, 32, 16, 8, 32, 8};
    inputs.reserve(8), normals.reserve(8);  // the requests point into them
    for (int i = 0; i < 8; ++i) {
        inputs.push_back(Input(depths[i], 0, 11u + i));
        normals.push_back(Normals(depths[i], depths[i] == 8 ? 4 * (i % 2) : 8 * (i % 3)));
        requests.push_back(Request(depths[i], &inputs[i], &normals[i], &hdri));
        requests.back().output_padding = depths[i] == 8 ? 4 : 16;
    }
    std::vector<FrameResult> one_by_one;
    for (const FrameRequest& r : requests) one_by_one.push_back(Render(r));
    const std::vector<FrameResult> threaded = minihost::RenderFrames(session, requests, 4);
    EXPECT_EQ(session.params().OutstandingCheckouts(), 0);
    ASSERT_EQ(threaded.size(), requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(threaded[i].err() == 0 && one_by_one[i].err() == 0);
        EXPECT_TRUE(threaded[i].output->SamePixels(*one_by_one[i].output));
        EXPECT_EQ(threaded[i].guid_bytes, one_by_one[i].guid_bytes);
        EXPECT_TRUE(i == 0 || !one_by_one[i].output->SamePixels(*one_by_one[i - 1].output)) << "frames differ";
    }
}

// A GPU frame sent without any device set up, with worlds whose pixels the CPU can
// reach, is rendered by the CPU flow instead of coming back untouched.
TEST_F(Frames, GpuFramesWithoutDeviceRenderOnTheCpu) {
    EXPECT_EQ(session.Send(PF_Cmd_GPU_DEVICE_SETUP, {}).err, PF_Err_INTERNAL_STRUCT_DAMAGED) << "no setup block";
    Incidence(true, 120.0);
    session.composition().AddLight(AEGP_LightType_POINT, {kW * 0.3, kH * 0.4, -60.0});
    const World input = Input(32), normals = Normals(32);
    FrameRequest cpu = Request(32, &input, &normals, nullptr);
    FrameRequest gpu = cpu;
    gpu.render_command = PF_Cmd_SMART_RENDER_GPU;
    const FrameResult a = Render(cpu), b = Render(gpu);
    ASSERT_EQ(b.err(), PF_Err_NONE);
    EXPECT_FALSE(b.output_untouched);
    EXPECT_TRUE(b.output->SamePixels(*a.output));
    session.composition().Clear();
}

}  // namespace
