// The "Environment (IBL)" controls follow whether "HDRI" has a layer, and a
// user change of "HDRI" asks the host to redraw.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ModuleFixture.h"
#include "minihost/World.h"

namespace {

constexpr PF_ParamIndex kHdri = 18;
const std::vector<PF_ParamIndex> kIblControls = {17, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28};
constexpr const char* kParamUtils = "PF Param Utils Suite";

bool IsIblControl(PF_ParamIndex i) { return std::count(kIblControls.begin(), kIblControls.end(), i) > 0; }

class UpdateParamsUi : public e2e::SessionTest {
protected:
    void SetUp() override {
        e2e::SessionTest::SetUp();
        SetUpEffect();
    }
    std::vector<PF_ParamIndex> UpdatedIndices() const {
        std::vector<PF_ParamIndex> out;
        for (const auto& u : session->params().UiUpdates()) out.push_back(u.index);
        return out;
    }
    void SetIblFlags(PF_ParamUIFlags flags) {
        for (PF_ParamIndex i : kIblControls) session->params().SetUiFlags(i, flags);
    }
    minihost::World hdri{8, 4, 32};
};

// Run in one session, so the controls also follow the HDRI back and forth.
TEST_F(UpdateParamsUi, DisablesTheIblControlsExactlyWhenNoHdri) {
    const std::pair<bool, PF_ParamUIFlags> cases[] = {// HDRI present; every IBL control's flags before
                                                      {false, 0},
                                                      {true, 0},
                                                      {false, PF_PUI_DISABLED},
                                                      {true, PF_PUI_DISABLED},
                                                      {false, PF_PUI_ECW_SEPARATOR | PF_PUI_DISABLED},
                                                      {true, PF_PUI_ECW_SEPARATOR},
                                                      {true, 0},
                                                      {false, 0}};
    for (const auto& [present, before] : cases) {
        SCOPED_TRACE(std::string(present ? "with" : "without") + " HDRI, flags before " + std::to_string(before));
        session->params().ClearRecords();
        session->suites().ClearEvents();
        session->params().SetLayer("HDRI", present ? &hdri : nullptr);
        SetIblFlags(before);

        const minihost::Outcome r = session->UpdateParamsUI();
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_TRUE(r.out.out_flags & PF_OutFlag_REFRESH_UI);
        ASSERT_EQ(UpdatedIndices(), kIblControls);
        const PF_ParamUIFlags expected = (before & ~PF_PUI_DISABLED) | (present ? 0 : PF_PUI_DISABLED);
        for (const auto& u : session->params().UiUpdates()) {
            EXPECT_EQ(u.ui_flags, expected) << u.index;
            EXPECT_TRUE(u.flags & PF_ParamFlag_COLLAPSE_TWIRLY) << u.index;
            // The definition handed back is the checked-out one.
            EXPECT_EQ(u.def.param_type, session->params().Current(u.index).param_type) << u.index;
            EXPECT_EQ(session->params().UiFlags(u.index), expected) << u.index;
        }
        // "HDRI" itself, the IBL group and every other group are never touched.
        for (PF_ParamIndex i = 1; i < session->params().Count(); ++i)
            EXPECT_TRUE(IsIblControl(i) || session->params().UiFlags(i) == 0) << "index " << i;

        // HDRI is looked at first; every checkout is checked back in, every suite released.
        const auto checkouts = session->params().Checkouts();
        ASSERT_EQ(checkouts.size(), kIblControls.size() + 1);
        EXPECT_EQ(checkouts.front().index, kHdri);
        EXPECT_EQ(session->params().OutstandingCheckouts(), 0);
        EXPECT_EQ(session->params().UnmatchedCheckins(), 0);
        EXPECT_EQ(session->suites().AcquireCount(kParamUtils, 3), 1);
        EXPECT_TRUE(session->suites().Outstanding().empty());
    }
}

// Without the Param Utils suite: 512, no refresh, nothing updated.
TEST_F(UpdateParamsUi, WithoutTheSuiteReturns512WithoutRefresh) {
    for (minihost::SuiteMode mode : {minihost::SuiteMode::AcquireFails, minihost::SuiteMode::NullSuite}) {
        session->suites().SetMode(kParamUtils, 3, mode);
        const minihost::Outcome r = session->UpdateParamsUI();
        EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_FALSE(r.out.out_flags & PF_OutFlag_REFRESH_UI);
        EXPECT_TRUE(session->params().UiUpdates().empty());
        EXPECT_TRUE(session->suites().Outstanding().empty());
    }
}

// A failing host call ends the pass with its code, still asks for a redraw,
// leaves the controls after it as they were and checks everything back in.
TEST_F(UpdateParamsUi, AFailingHostCallEndsThePass) {
    struct Case {
        PF_ParamIndex failing_checkout;  // 0: the first UI update fails instead
        PF_Err err;
        std::size_t updated, enabled;  // how many IBL controls were updated, and how many took effect
    };
    const Case cases[] = {{0, PF_Err_INVALID_INDEX, 1, 0}, {21, PF_Err_OUT_OF_MEMORY, 3, 3}, {kHdri, -7, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE("failing checkout " + std::to_string(c.failing_checkout));
        SetUp();
        SetIblFlags(PF_PUI_DISABLED);
        session->params().SetLayer("HDRI", &hdri);
        if (c.failing_checkout)
            session->params().FailCheckout(c.failing_checkout, c.err);
        else
            session->suites().FailFunction("PF_UpdateParamUI", c.err);
        const minihost::Outcome r = session->UpdateParamsUI();
        EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(r.out.out_flags & PF_OutFlag_REFRESH_UI);
        EXPECT_EQ(UpdatedIndices(), std::vector(kIblControls.begin(), kIblControls.begin() + c.updated));
        for (std::size_t j = 0; j < kIblControls.size(); ++j)
            EXPECT_EQ(session->params().UiFlags(kIblControls[j]), j < c.enabled ? 0 : PF_PUI_DISABLED) << j;
        EXPECT_EQ(session->params().OutstandingCheckouts(), 0);
        EXPECT_TRUE(session->suites().Outstanding().empty());
    }
}

// Only a user change of "HDRI" asks for a redraw, and only with the extra block.
TEST_F(UpdateParamsUi, UserChangeRefreshesOnlyForHdri) {
    const std::pair<std::optional<PF_ParamIndex>, bool> cases[] = {
        {kHdri, true}, {std::nullopt, false}, {17, false}, {19, false}, {0, false}, {43, false}, {-1, false}};
    for (const auto& [index, refresh] : cases) {
        SCOPED_TRACE(index ? std::to_string(*index) : "no extra block");
        minihost::CommandOptions o;
        o.out_fill = 0;
        const minihost::Outcome r = session->UserChangedParam(index, o);
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(r.out.out_flags, refresh ? PF_OutFlag_REFRESH_UI : 0);
        EXPECT_EQ(r.out_written, refresh);
        EXPECT_TRUE(session->params().UiUpdates().empty());
        EXPECT_TRUE(session->suites().Outstanding().empty());
    }
}

}  // namespace
