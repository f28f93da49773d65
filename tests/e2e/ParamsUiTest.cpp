// The "Environment (IBL)" controls follow whether "HDRI" has a layer, and a
// user change of "HDRI" asks the host to redraw.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "ModuleFixture.h"
#include "minihost/World.h"

namespace {

constexpr PF_ParamIndex kHdri = 18;
const std::vector<PF_ParamIndex> kIblControls = {17, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28};
constexpr const char* kParamUtils = "PF Param Utils Suite";

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
    minihost::World hdri{8, 4, 32};
};

struct UiCase {
    bool hdri_present;
    PF_ParamUIFlags flags_before;  // every IBL control's UI flags before the update
};

class UpdateParamsUiState : public UpdateParamsUi, public ::testing::WithParamInterface<UiCase> {};

TEST_P(UpdateParamsUiState, DisablesTheIblControlsExactlyWhenNoHdri) {
    const UiCase c = GetParam();
    session->params().SetLayer("HDRI", c.hdri_present ? &hdri : nullptr);
    for (PF_ParamIndex i : kIblControls) session->params().SetUiFlags(i, c.flags_before);

    const minihost::Outcome r = session->UpdateParamsUI();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_TRUE(r.out.out_flags & PF_OutFlag_REFRESH_UI);
    ASSERT_EQ(UpdatedIndices(), kIblControls);

    const PF_ParamUIFlags others = c.flags_before & ~PF_PUI_DISABLED;
    const PF_ParamUIFlags expected = others | (c.hdri_present ? 0 : PF_PUI_DISABLED);
    for (const auto& u : session->params().UiUpdates()) {
        SCOPED_TRACE("index " + std::to_string(u.index));
        EXPECT_EQ(u.ui_flags, expected);
        EXPECT_TRUE(u.flags & PF_ParamFlag_COLLAPSE_TWIRLY);
        // The definition handed back is the checked-out one: kind and name intact.
        EXPECT_EQ(u.def.param_type, session->params().Current(u.index).param_type);
        EXPECT_EQ(session->params().UiFlags(u.index), expected);
    }
    // "HDRI" itself, the IBL group and every other group are never touched.
    const std::set<PF_ParamIndex> controlled(kIblControls.begin(), kIblControls.end());
    for (PF_ParamIndex i = 1; i < session->params().Count(); ++i) {
        if (!controlled.count(i)) {
            EXPECT_EQ(session->params().UiFlags(i), 0) << "index " << i;
        }
    }

    // HDRI is looked at first; every checkout is checked back in.
    const auto checkouts = session->params().Checkouts();
    ASSERT_FALSE(checkouts.empty());
    EXPECT_EQ(checkouts.front().index, kHdri);
    EXPECT_EQ(checkouts.size(), kIblControls.size() + 1);
    EXPECT_EQ(session->params().OutstandingCheckouts(), 0);
    EXPECT_EQ(session->params().UnmatchedCheckins(), 0);
    EXPECT_EQ(session->suites().AcquireCount(kParamUtils, 3), 1);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

INSTANTIATE_TEST_SUITE_P(States, UpdateParamsUiState,
                         ::testing::Values(UiCase{false, 0}, UiCase{true, 0}, UiCase{false, PF_PUI_DISABLED},
                                           UiCase{true, PF_PUI_DISABLED},
                                           UiCase{false, PF_PUI_ECW_SEPARATOR | PF_PUI_DISABLED},
                                           UiCase{true, PF_PUI_ECW_SEPARATOR}));

TEST_F(UpdateParamsUi, FollowsTheHdriBackAndForth) {
    for (bool present : {false, true, false, true}) {
        session->params().SetLayer("HDRI", present ? &hdri : nullptr);
        ASSERT_EQ(session->UpdateParamsUI().err, PF_Err_NONE);
        for (PF_ParamIndex i : kIblControls)
            EXPECT_EQ(session->params().UiFlags(i) & PF_PUI_DISABLED, present ? 0 : PF_PUI_DISABLED)
                << "index " << i << (present ? " with" : " without") << " HDRI";
    }
}

class UpdateParamsUiWithoutSuite : public UpdateParamsUi, public ::testing::WithParamInterface<minihost::SuiteMode> {};

TEST_P(UpdateParamsUiWithoutSuite, Returns512WithoutRefresh) {
    session->suites().SetMode(kParamUtils, 3, GetParam());
    const minihost::Outcome r = session->UpdateParamsUI();
    EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_FALSE(r.out.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_TRUE(session->params().UiUpdates().empty());
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, UpdateParamsUiWithoutSuite,
                         ::testing::Values(minihost::SuiteMode::AcquireFails, minihost::SuiteMode::NullSuite));

TEST_F(UpdateParamsUi, AFailingUpdateEndsThePassButStillRefreshes) {
    session->suites().FailFunction("PF_UpdateParamUI", PF_Err_INVALID_INDEX);
    const minihost::Outcome r = session->UpdateParamsUI();
    EXPECT_EQ(r.err, PF_Err_INVALID_INDEX);
    EXPECT_TRUE(r.out.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(UpdatedIndices(), std::vector<PF_ParamIndex>{17});
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(UpdateParamsUi, AFailingCheckoutLeavesLaterControlsAsTheyWere) {
    for (PF_ParamIndex i : kIblControls) session->params().SetUiFlags(i, PF_PUI_DISABLED);
    session->params().SetLayer("HDRI", &hdri);
    session->params().FailCheckout(21, PF_Err_OUT_OF_MEMORY);
    const minihost::Outcome r = session->UpdateParamsUI();
    EXPECT_EQ(r.err, PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(r.out.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(UpdatedIndices(), (std::vector<PF_ParamIndex>{17, 19, 20}));
    for (PF_ParamIndex i : kIblControls)
        EXPECT_EQ(session->params().UiFlags(i), i <= 20 ? 0 : PF_PUI_DISABLED) << "index " << i;
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(UpdateParamsUi, AFailingHdriCheckoutUpdatesNothing) {
    session->params().FailCheckout(kHdri, PF_Err_INVALID_CALLBACK);
    const minihost::Outcome r = session->UpdateParamsUI();
    EXPECT_EQ(r.err, PF_Err_INVALID_CALLBACK);
    EXPECT_TRUE(r.out.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_TRUE(session->params().UiUpdates().empty());
    EXPECT_EQ(session->params().OutstandingCheckouts(), 0);
}

// Only a user change of "HDRI" asks for a redraw.
struct ChangeCase {
    std::optional<PF_ParamIndex> index;
    bool refresh;
};

class UserChangedParam : public e2e::SessionTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(UserChangedParam, RefreshesOnlyForHdri) {
    SetUpEffect();
    minihost::CommandOptions o;
    o.out_fill = 0;
    const minihost::Outcome r = session->UserChangedParam(GetParam().index, o);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out.out_flags, GetParam().refresh ? PF_OutFlag_REFRESH_UI : 0);
    EXPECT_EQ(r.out_written, GetParam().refresh);
    EXPECT_TRUE(session->params().UiUpdates().empty());
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

INSTANTIATE_TEST_SUITE_P(Indices, UserChangedParam,
                         ::testing::Values(ChangeCase{kHdri, true}, ChangeCase{std::nullopt, false},
                                           ChangeCase{17, false}, ChangeCase{19, false}, ChangeCase{0, false},
                                           ChangeCase{43, false}, ChangeCase{-1, false}));

}  // namespace
