// Global setup, the commands the effect ignores, and the non-smart render.
#include <gtest/gtest.h>

#include <optional>

#include "ModuleFixture.h"
#include "minihost/World.h"

namespace {

using Commands = e2e::SessionTest;

// Version and flags are written in every case; a missing utility suite is 512
// and a refused plug-in registration is no error.
TEST_F(Commands, GlobalSetupWritesVersionAndFlagsWhateverTheSuites) {
    using Mode = minihost::SuiteMode;
    struct Case {
        const char* what;
        bool basic_suite;
        std::optional<Mode> utility_mode;
        bool registration_fails;
        PF_Err err;
        std::size_t registrations;
    };
    const Case cases[] = {
        {"all suites", true, std::nullopt, false, PF_Err_NONE, 1},
        {"no basic suite", false, std::nullopt, false, PF_Err_NONE, 0},
        {"utility acquire fails", true, Mode::AcquireFails, false, PF_Err_INTERNAL_STRUCT_DAMAGED, 0},
        {"utility suite null", true, Mode::NullSuite, false, PF_Err_INTERNAL_STRUCT_DAMAGED, 0},
        {"registration refused", true, std::nullopt, true, PF_Err_NONE, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.utility_mode) session->suites().SetMode("AEGP Utility Suite", 13, *c.utility_mode);
        if (c.registration_fails) session->suites().FailFunction("AEGP_RegisterWithAEGP", A_Err_GENERIC);
        minihost::CommandOptions o;
        o.basic_suite = c.basic_suite;
        const minihost::Outcome r = session->GlobalSetup(o);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out.my_version, 0x00010000u);
        EXPECT_EQ(r.out.out_flags, 0x06000444);
        EXPECT_EQ(r.out.out_flags2, 0x0A20140C);
        const auto regs = session->AegpRegistrations();
        ASSERT_EQ(regs.size(), c.registrations);
        if (!regs.empty()) {
            EXPECT_EQ(regs[0].name, "Morvel");
            EXPECT_EQ(regs[0].refcon, nullptr);
            EXPECT_TRUE(regs[0].id_pointer_given);
            EXPECT_EQ(session->suites().AcquireCount("AEGP Utility Suite", 13), 1);
            EXPECT_EQ(session->suites().ReleaseCount("AEGP Utility Suite", 13), 1);
        }
        EXPECT_TRUE(c.basic_suite || session->suites().Events().empty());
        EXPECT_TRUE(session->suites().Outstanding().empty());
        EXPECT_TRUE(session->UnimplementedCalls().empty());
    }
}

// Commands the effect does not handle return success and leave the output block alone.
TEST_F(Commands, IgnoredCommandsReturnZeroAndWriteNothing) {
    SetUpEffect();
    const PF_Cmd ignored[] = {PF_Cmd_ABOUT,       PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_SEQUENCE_SETUP,
                              PF_Cmd_FRAME_SETUP, PF_Cmd_FRAME_SETDOWN,  PF_Cmd_NUM_CMDS,
                              PF_Cmd(-1),         PF_Cmd(1000),          PF_Cmd(INT32_MIN)};
    for (PF_Cmd cmd : ignored) {
        minihost::CommandOptions o;
        o.out_fill = 0xA5;
        const minihost::Outcome r = session->Send(cmd, o);
        EXPECT_EQ(r.err, PF_Err_NONE) << cmd;
        EXPECT_FALSE(r.out_written) << cmd;
        EXPECT_TRUE(session->suites().Events().empty()) << cmd;
        EXPECT_EQ(session->params().OutstandingCheckouts(), 0) << cmd;
    }
}

// The non-smart render copies the input layer to the output in every depth,
// whatever the row padding of either world.
TEST_F(Commands, NonSmartRenderCopiesInputToOutput) {
    SetUpEffect();
    struct Case {
        int depth, width, height, input_padding, output_padding;
    };
    const Case cases[] = {{8, 37, 23, 0, 0},  {8, 37, 23, 12, 4},  {16, 37, 23, 0, 0}, {16, 37, 23, 6, 16},
                          {32, 37, 23, 0, 0}, {32, 37, 23, 4, 64}, {32, 1, 1, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.depth) + "-bit, padding " + std::to_string(c.input_padding) + "/" +
                     std::to_string(c.output_padding));
        minihost::World input(c.width, c.height, c.depth, c.input_padding);
        minihost::World output(c.width, c.height, c.depth, c.output_padding);
        input.FillPattern(11);
        output.FillPattern(99);
        ASSERT_FALSE(output.SamePixels(input));
        EXPECT_EQ(session->Render(input, output).err, PF_Err_NONE);
        EXPECT_TRUE(output.SamePixels(input));
        EXPECT_TRUE(output.PaddingIntact());
        EXPECT_TRUE(input.PaddingIntact());
    }
}

}  // namespace

// A host that sends a command without the blocks it needs gets an error code,
// never a crash; the user-changed command without its extra block is a no-op.
TEST_F(Commands, MissingBlocksAreAnErrorNotACrash) {
    const PF_EffectMainFunc effect_main = session->module().effect_main();
    for (const PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_RENDER, PF_Cmd_UPDATE_PARAMS_UI,
                             PF_Cmd_SMART_PRE_RENDER, PF_Cmd_SMART_RENDER}) {
        SCOPED_TRACE(cmd);
        EXPECT_NE(effect_main(cmd, nullptr, nullptr, nullptr, nullptr, nullptr), PF_Err_NONE);
    }
    EXPECT_EQ(effect_main(PF_Cmd_USER_CHANGED_PARAM, nullptr, nullptr, nullptr, nullptr, nullptr), PF_Err_NONE);

    // With the output block alone, global setup still reports its version before failing.
    PF_OutData out{};
    EXPECT_NE(effect_main(PF_Cmd_GLOBAL_SETUP, nullptr, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.my_version, 0x00010000u);
}
