// Parameter setup as the host sees it: the add_param calls, in order, with
// every field the host reads, written out here as the published table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ModuleFixture.h"

namespace {

enum Kind : PF_ParamType {
    LAYER = PF_Param_LAYER,
    ANGLE = PF_Param_ANGLE,
    CHECK = PF_Param_CHECKBOX,
    COLOR = PF_Param_COLOR,
    FLOAT = PF_Param_FLOAT_SLIDER,
    START = PF_Param_GROUP_START,
    END = PF_Param_GROUP_END,
};

struct Row {
    int index;
    Kind kind;
    const char* name;
    PF_ParamFlags flags;
    // Float sliders only: default (also the initial value), valid = slider range, decimals.
    float dephault, min, max;
    int precision;
};

constexpr PF_ParamFlags kCollapsed = PF_ParamFlag_COLLAPSE_TWIRLY;
constexpr PF_ParamFlags kSupervise = PF_ParamFlag_SUPERVISE;

const std::vector<Row>& Table() {
    static const std::vector<Row> rows = {
        {1, START, "Morvel Passes", 0, 0, 0, 0, 0},
        {2, LAYER, "Diffuse Albedo", 0, 0, 0, 0, 0},
        {3, LAYER, "Normal Map", 0, 0, 0, 0, 0},
        {4, LAYER, "Roughness", 0, 0, 0, 0, 0},
        {5, LAYER, "Metalness", 0, 0, 0, 0, 0},
        {6, LAYER, "Specular Albedo", 0, 0, 0, 0, 0},
        {7, LAYER, "Depth Map", 0, 0, 0, 0, 0},
        {8, LAYER, "Source (for Blend)", 0, 0, 0, 0, 0},
        {9, END, "", 0, 0, 0, 0, 0},
        {10, START, "PBR Controller", 0, 0, 0, 0, 0},
        {11, FLOAT, "Source Blend", 0, 0, 0, 100, 1},
        {12, FLOAT, "Roughness Adjust", 0, 0, -200, 200, 1},
        {13, FLOAT, "Specular Adjust", 0, 0, -200, 200, 1},
        {14, FLOAT, "Metallic Adjust", 0, 0, -200, 200, 1},
        {15, END, "", 0, 0, 0, 0, 0},
        {16, START, "Environment (IBL)", kCollapsed, 0, 0, 0, 0},
        {17, CHECK, "Enable IBL", 0, 0, 0, 0, 0},
        {18, LAYER, "HDRI", kSupervise, 0, 0, 0, 0},
        {19, ANGLE, "HDRI Rotation Y", 0, 0, 0, 0, 0},
        {20, ANGLE, "HDRI Rotation X", 0, 0, 0, 0, 0},
        {21, ANGLE, "HDRI Rotation Z", 0, 0, 0, 0, 0},
        {22, FLOAT, "Diffuse Intensity", 0, 1, 0, 5, 2},
        {23, FLOAT, "Specular Intensity", 0, 1, 0, 5, 2},
        {24, FLOAT, "HDRI Exposure", 0, 0, -20, 4, 2},
        {25, FLOAT, "HDRI Gamma", 0, 1, 0.1f, 10, 2},
        {26, FLOAT, "HDRI Roughness Bias", 0, 0, 0, 100, 1},
        {27, COLOR, "HDRI Tint", 0, 0, 0, 0, 0},
        {28, CHECK, "Preview Sphere", 0, 0, 0, 0, 0},
        {29, END, "", 0, 0, 0, 0, 0},
        {30, START, "Incidence", kCollapsed, 0, 0, 0, 0},
        {31, CHECK, "Enable Incidence", 0, 0, 0, 0, 0},
        {32, FLOAT, "Amount", 0, 50, 0, 200, 1},
        {33, FLOAT, "Power", 0, 2, 0.1f, 10, 2},
        {34, COLOR, "Color", 0, 0, 0, 0, 0},
        {35, END, "", 0, 0, 0, 0, 0},
        {36, START, "Rim Light", kCollapsed, 0, 0, 0, 0},
        {37, CHECK, "Enable Rim Light", 0, 0, 0, 0, 0},
        {38, FLOAT, "Amount", 0, 50, 0, 200, 1},
        {39, FLOAT, "Power", 0, 2, 0.1f, 10, 2},
        {40, FLOAT, "Threshold", 0, 0, 0, 100, 1},
        {41, COLOR, "Color", 0, 0, 0, 0, 0},
        {42, ANGLE, "Angle", 0, 0, 0, 0, 0},
        {43, END, "", 0, 0, 0, 0, 0},
    };
    return rows;
}

bool AllZero(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (b[i]) return false;
    return true;
}

void ExpectMatches(const Row& row, const PF_ParamDef& d) {
    EXPECT_EQ(d.param_type, row.kind);
    EXPECT_STREQ(d.name, row.name);
    // "HDRI Tint" keeps identifier 0 for saved projects.
    EXPECT_EQ(d.uu.id, row.index == 27 ? 0 : row.index);
    EXPECT_EQ(d.flags, row.flags);
    EXPECT_EQ(d.ui_flags, 0);
    EXPECT_EQ(d.ui_width, 0);
    EXPECT_EQ(d.ui_height, 0);
    switch (row.kind) {
        case LAYER:
        case START:
        case END:
            // Nothing but the layer default (0, no layer) lives in the union.
            EXPECT_TRUE(AllZero(&d.u, sizeof d.u));
            break;
        case FLOAT: {
            const PF_FloatSliderDef& f = d.u.fs_d;
            EXPECT_EQ(f.value, double(row.dephault));
            EXPECT_EQ(f.dephault, row.dephault);
            EXPECT_EQ(f.valid_min, row.min);
            EXPECT_EQ(f.valid_max, row.max);
            EXPECT_EQ(f.slider_min, row.min);
            EXPECT_EQ(f.slider_max, row.max);
            EXPECT_GE(f.value, f.valid_min);
            EXPECT_LE(f.value, f.valid_max);
            EXPECT_EQ(f.precision, row.precision);
            EXPECT_EQ(f.display_flags, 0);
            EXPECT_EQ(f.fs_flags, 0u);
            EXPECT_EQ(f.curve_tolerance, 0.05f);
            EXPECT_EQ(f.phase, 0.0);
            EXPECT_EQ(f.useExponent, 0);
            EXPECT_EQ(f.exponent, 0.0f);
            EXPECT_TRUE(AllZero(f.value_desc, sizeof f.value_desc));
            break;
        }
        case CHECK:
            EXPECT_EQ(d.u.bd.value, 0);
            EXPECT_EQ(d.u.bd.dephault, 0);
            ASSERT_NE(d.u.bd.u.nameptr, nullptr);
            EXPECT_STREQ(d.u.bd.u.nameptr, "");
            break;
        case ANGLE:
            EXPECT_EQ(d.u.ad.value, 0);
            EXPECT_EQ(d.u.ad.dephault, 0);
            EXPECT_EQ(d.u.ad.valid_min, 0);
            EXPECT_EQ(d.u.ad.valid_max, 0);
            break;
        case COLOR: {
            const PF_Pixel white{255, 255, 255, 255};
            EXPECT_EQ(std::memcmp(&d.u.cd.value, &white, sizeof white), 0);
            EXPECT_EQ(std::memcmp(&d.u.cd.dephault, &white, sizeof white), 0);
            break;
        }
    }
}

using ParamsSetup = e2e::SessionTest;

TEST_F(ParamsSetup, RegistersTheTableInOrderAndReports44) {
    ASSERT_EQ(session->GlobalSetup().err, PF_Err_NONE);
    const minihost::Outcome r = session->ParamsSetup();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out.num_params, 44);
    const auto calls = session->params().AddCalls();
    ASSERT_EQ(calls.size(), Table().size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE("parameter " + std::to_string(Table()[i].index) + " \"" + Table()[i].name + "\"");
        EXPECT_EQ(calls[i].index, -1);  // appended
        ExpectMatches(Table()[i], calls[i].def);
    }
    EXPECT_EQ(session->params().Count(), 44);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(ParamsSetup, GroupsAndSharedNamesResolve) {
    ASSERT_EQ(session->ParamsSetup().err, PF_Err_NONE);
    const minihost::ParamModel& p = session->params();
    EXPECT_EQ(p.Find("Incidence/Amount"), 32);
    EXPECT_EQ(p.Find("Rim Light/Amount"), 38);
    EXPECT_EQ(p.Find("Rim Light/Color"), 41);
    EXPECT_EQ(p.Find("HDRI"), 18);
    EXPECT_EQ(p.Find("Environment (IBL)/HDRI Gamma"), 25);
    EXPECT_EQ(p.Group(18), "Environment (IBL)");
    EXPECT_EQ(p.Group(2), "Morvel Passes");
    EXPECT_EQ(p.Group(16), "");
}

// The first failing add ends registration: its code comes back, nothing more
// is added and the parameter count is left alone.
struct AddFailure {
    int call;
    PF_Err error;
};

class ParamsSetupFailure : public e2e::SessionTest, public ::testing::WithParamInterface<AddFailure> {};

TEST_P(ParamsSetupFailure, StopsAtTheFailingCall) {
    session->params().FailAdd(GetParam().call, GetParam().error);
    minihost::CommandOptions o;
    o.out_fill = 0x5A;
    const minihost::Outcome r = session->ParamsSetup(o);
    EXPECT_EQ(r.err, GetParam().error);
    const auto calls = session->params().AddCalls();
    ASSERT_EQ(calls.size(), std::size_t(GetParam().call));
    EXPECT_EQ(calls.back().result, GetParam().error);
    EXPECT_STREQ(calls.back().def.name, Table()[GetParam().call - 1].name);
    EXPECT_EQ(r.out.num_params, A_long(0x5A5A5A5A));
}

INSTANTIATE_TEST_SUITE_P(Calls, ParamsSetupFailure,
                         ::testing::Values(AddFailure{5, PF_Err_OUT_OF_MEMORY}, AddFailure{1, PF_Err_INVALID_INDEX},
                                           AddFailure{43, PF_Err_INTERNAL_STRUCT_DAMAGED}, AddFailure{27, -7}));

}  // namespace
