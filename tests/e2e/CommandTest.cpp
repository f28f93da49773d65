// Global setup, the commands the effect ignores, and the non-smart render.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "ModuleFixture.h"
#include "minihost/World.h"

namespace {

constexpr A_u_long kVersion = 0x00010000;
constexpr PF_OutFlags kOutFlags = 0x06000444;
constexpr PF_OutFlags2 kOutFlags2 = 0x0A20140C;

using GlobalSetup = e2e::SessionTest;

void ExpectVersionAndFlags(const minihost::Outcome& r) {
    EXPECT_EQ(r.out.my_version, kVersion);
    EXPECT_EQ(r.out.out_flags, kOutFlags);
    EXPECT_EQ(r.out.out_flags2, kOutFlags2);
}

TEST_F(GlobalSetup, RegistersWithThePluginLayerAndReleasesTheUtilitySuite) {
    const minihost::Outcome r = session->GlobalSetup();
    EXPECT_EQ(r.err, PF_Err_NONE);
    ExpectVersionAndFlags(r);
    const auto regs = session->AegpRegistrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].name, "Morvel");
    EXPECT_EQ(regs[0].refcon, nullptr);
    EXPECT_TRUE(regs[0].id_pointer_given);
    EXPECT_EQ(session->suites().AcquireCount("AEGP Utility Suite", 13), 1);
    EXPECT_EQ(session->suites().ReleaseCount("AEGP Utility Suite", 13), 1);
    EXPECT_TRUE(session->suites().Outstanding().empty());
    EXPECT_TRUE(session->UnimplementedCalls().empty());
}

TEST_F(GlobalSetup, WithoutBasicSuiteStillReportsVersionAndFlags) {
    minihost::CommandOptions o;
    o.basic_suite = false;
    const minihost::Outcome r = session->GlobalSetup(o);
    EXPECT_EQ(r.err, PF_Err_NONE);
    ExpectVersionAndFlags(r);
    EXPECT_TRUE(session->AegpRegistrations().empty());
    EXPECT_TRUE(session->suites().Events().empty());
}

class GlobalSetupWithoutUtilitySuite : public e2e::SessionTest,
                                       public ::testing::WithParamInterface<minihost::SuiteMode> {};

TEST_P(GlobalSetupWithoutUtilitySuite, Returns512AfterWritingVersionAndFlags) {
    session->suites().SetMode("AEGP Utility Suite", 13, GetParam());
    const minihost::Outcome r = session->GlobalSetup();
    EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    ExpectVersionAndFlags(r);
    EXPECT_TRUE(session->AegpRegistrations().empty());
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, GlobalSetupWithoutUtilitySuite,
                         ::testing::Values(minihost::SuiteMode::AcquireFails, minihost::SuiteMode::NullSuite));

TEST_F(GlobalSetup, AFailedPluginRegistrationIsNotAnError) {
    session->suites().FailFunction("AEGP_RegisterWithAEGP", A_Err_GENERIC);
    const minihost::Outcome r = session->GlobalSetup();
    EXPECT_EQ(r.err, PF_Err_NONE);
    ExpectVersionAndFlags(r);
    ASSERT_EQ(session->AegpRegistrations().size(), 1u);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

// Commands the effect does not handle return success and leave the output block alone.
class IgnoredCommand : public e2e::SessionTest, public ::testing::WithParamInterface<PF_Cmd> {};

TEST_P(IgnoredCommand, ReturnsZeroAndWritesNothing) {
    SetUpEffect();
    minihost::CommandOptions o;
    o.out_fill = 0xA5;
    const minihost::Outcome r = session->Send(GetParam(), o);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_FALSE(r.out_written);
    EXPECT_TRUE(session->suites().Events().empty());
    EXPECT_EQ(session->params().OutstandingCheckouts(), 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, IgnoredCommand,
                         ::testing::Values(PF_Cmd_ABOUT, PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_SEQUENCE_SETUP,
                                           PF_Cmd_FRAME_SETUP, PF_Cmd_FRAME_SETDOWN, PF_Cmd_NUM_CMDS, PF_Cmd(-1),
                                           PF_Cmd(1000), PF_Cmd(INT32_MIN)));

// The non-smart render copies the input layer to the output in every depth,
// whatever the row padding of either world.
struct RenderCase {
    int depth, width, height, input_padding, output_padding;
};

class NonSmartRender : public e2e::SessionTest, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(NonSmartRender, OutputEqualsInput) {
    SetUpEffect();
    const RenderCase c = GetParam();
    minihost::World input(c.width, c.height, c.depth, c.input_padding);
    minihost::World output(c.width, c.height, c.depth, c.output_padding);
    input.FillPattern(11);
    output.FillPattern(99);
    ASSERT_FALSE(output.SamePixels(input));
    const minihost::Outcome r = session->Render(input, output);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_TRUE(output.SamePixels(input));
    EXPECT_TRUE(output.PaddingIntact());
    EXPECT_TRUE(input.PaddingIntact());
}

INSTANTIATE_TEST_SUITE_P(Depths, NonSmartRender,
                         ::testing::Values(RenderCase{8, 37, 23, 0, 0}, RenderCase{8, 37, 23, 12, 4},
                                           RenderCase{16, 37, 23, 0, 0}, RenderCase{16, 37, 23, 6, 16},
                                           RenderCase{32, 37, 23, 0, 0}, RenderCase{32, 37, 23, 4, 64},
                                           RenderCase{32, 1, 1, 0, 0}));

using ThreadedRender = e2e::SessionTest;

TEST_F(ThreadedRender, SeveralThreadsRenderAtOnce) {
    SetUpEffect();
    constexpr int kThreads = 4;
    std::vector<minihost::World> inputs, outputs;
    for (int i = 0; i < kThreads; ++i) {
        const int depth = i % 3 == 0 ? 8 : i % 3 == 1 ? 16 : 32;
        inputs.emplace_back(17 + i, 9 + i, depth, 4 * i);
        outputs.emplace_back(17 + i, 9 + i, depth);
        inputs.back().FillPattern(uint32_t(i + 1));
    }
    std::vector<PF_Err> errs(kThreads, PF_Err_NONE);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            for (int n = 0; n < 20 && errs[i] == PF_Err_NONE; ++n) errs[i] = session->Render(inputs[i], outputs[i]).err;
        });
    for (std::thread& t : threads) t.join();
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(errs[i], PF_Err_NONE) << "thread " << i;
        EXPECT_TRUE(outputs[i].SamePixels(inputs[i])) << "thread " << i;
    }
}

}  // namespace
