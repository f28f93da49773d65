// The composition's lights through the built module and minihost. The collection,
// fingerprint and pre-render rules are checked against the fake host in the unit
// tests; here only what needs the whole chain: the host's own look-at matrix feeding
// a lit frame, and the entry point turning a missing suite into an error code.
#include <gtest/gtest.h>

#include "ModuleFixture.h"
#include "minihost/Composition.h"
#include "minihost/Frame.h"
#include "minihost/World.h"

namespace {

using minihost::CompLayer;

constexpr int kW = 37, kH = 23;

class SceneLights : public e2e::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        SetUpEffect();
        input.Fill({1, 0.5f, 0.5f, 0.5f});
        session->params().SetLayer(0, &input);
    }
    minihost::FrameResult Frame() {
        minihost::FrameRequest r;
        r.depth = 32;
        return minihost::RenderFrame(*session, r);
    }
    minihost::Composition& comp() { return session->composition(); }

    minihost::World input{kW, kH, 32};
};

TEST_F(SceneLights, MissingLightSuiteEndsThePreRenderWith512) {
    comp().AddLight(AEGP_LightType_POINT, {1, 1, 1});
    session->suites().SetMode("AEGP Light Suite", 1, minihost::SuiteMode::AcquireFails);
    EXPECT_EQ(Frame().pre_render.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(SceneLights, SpotAimedAtTheFrameFromTheFrontLightsIt) {
    minihost::World albedo(kW, kH, 32);
    albedo.Fill({1, 1, 1, 1});
    session->params().SetLayer("Diffuse Albedo", &albedo);
    CompLayer& spot = comp().AddLight(AEGP_LightType_SPOT, {kW / 2.0, kH / 2.0, -500}, {kW / 2.0, kH / 2.0, 0});
    spot.cone_angle = 30;

    const minihost::FrameResult lit = Frame();
    ASSERT_EQ(lit.err(), PF_Err_NONE);
    ASSERT_TRUE(lit.output);
    const minihost::PixelF centre = lit.output->Get(kW / 2, kH / 2);
    EXPECT_GT(centre.r, 0.01f);
    EXPECT_GT(centre.g, 0.01f);

    // Turned round to face away from the layer, it lights nothing there.
    spot.point_of_interest = {kW / 2.0, kH / 2.0, -1000};
    const minihost::FrameResult away = Frame();
    ASSERT_EQ(away.err(), PF_Err_NONE);
    ASSERT_TRUE(away.output);
    EXPECT_EQ(away.output->Get(kW / 2, kH / 2).r, 0.0f);
}

}  // namespace
