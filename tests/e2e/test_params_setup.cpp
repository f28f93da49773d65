// Parameter setup as the host sees it: the add_param calls, in order, with
// every field the host reads, written out here as the published table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

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

// Index is the position + 1. Float sliders: default (also the value), valid = slider range, decimals.
struct Row {
    Kind kind;
    const char* name;
    PF_ParamFlags flags = 0;
    float dephault = 0, min = 0, max = 0;
    int precision = 0;
};

constexpr PF_ParamFlags kTwirl = PF_ParamFlag_COLLAPSE_TWIRLY;

// clang-format off
const Row kTable[] = {
    {START, "Morvel Passes"}, {LAYER, "Diffuse Albedo"}, {LAYER, "Normal Map"}, {LAYER, "Roughness"},
    {LAYER, "Metalness"}, {LAYER, "Specular Albedo"}, {LAYER, "Depth Map"}, {LAYER, "Source (for Blend)"}, {END, ""},
    {START, "PBR Controller"}, {FLOAT, "Source Blend", 0, 0, 0, 100, 1},
    {FLOAT, "Roughness Adjust", 0, 0, -200, 200, 1}, {FLOAT, "Specular Adjust", 0, 0, -200, 200, 1},
    {FLOAT, "Metallic Adjust", 0, 0, -200, 200, 1}, {END, ""},
    {START, "Environment (IBL)", kTwirl}, {CHECK, "Enable IBL"}, {LAYER, "HDRI", PF_ParamFlag_SUPERVISE},
    {ANGLE, "HDRI Rotation Y"}, {ANGLE, "HDRI Rotation X"}, {ANGLE, "HDRI Rotation Z"},
    {FLOAT, "Diffuse Intensity", 0, 1, 0, 5, 2}, {FLOAT, "Specular Intensity", 0, 1, 0, 5, 2},
    {FLOAT, "HDRI Exposure", 0, 0, -20, 4, 2}, {FLOAT, "HDRI Gamma", 0, 1, 0.1f, 10, 2},
    {FLOAT, "HDRI Roughness Bias", 0, 0, 0, 100, 1}, {COLOR, "HDRI Tint"}, {CHECK, "Preview Sphere"}, {END, ""},
    {START, "Incidence", kTwirl}, {CHECK, "Enable Incidence"}, {FLOAT, "Amount", 0, 50, 0, 200, 1},
    {FLOAT, "Power", 0, 2, 0.1f, 10, 2}, {COLOR, "Color"}, {END, ""},
    {START, "Rim Light", kTwirl}, {CHECK, "Enable Rim Light"}, {FLOAT, "Amount", 0, 50, 0, 200, 1},
    {FLOAT, "Power", 0, 2, 0.1f, 10, 2}, {FLOAT, "Threshold", 0, 0, 0, 100, 1}, {COLOR, "Color"}, {ANGLE, "Angle"},
    {END, ""},
};
// clang-format on

bool AllZero(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    return std::all_of(b, b + n, [](unsigned char c) { return c == 0; });
}

void ExpectMatches(const Row& row, int index, const PF_ParamDef& d) {
    EXPECT_EQ(d.param_type, row.kind);
    EXPECT_STREQ(d.name, row.name);
    EXPECT_EQ(d.uu.id, index == 27 ? 0 : index);  // "HDRI Tint" keeps identifier 0 for saved projects
    EXPECT_EQ(d.flags, row.flags);
    EXPECT_EQ(d.ui_flags | d.ui_width | d.ui_height, 0);
    const PF_Pixel white{255, 255, 255, 255};
    switch (row.kind) {
        case LAYER:
        case START:
        case END:
            EXPECT_TRUE(AllZero(&d.u, sizeof d.u));  // only the layer default (0, no layer) lives there
            break;
        case FLOAT: {
            const PF_FloatSliderDef& f = d.u.fs_d;
            EXPECT_EQ(std::make_tuple(f.value, f.dephault, f.valid_min, f.valid_max, f.slider_min, f.slider_max),
                      std::make_tuple(double(row.dephault), row.dephault, row.min, row.max, row.min, row.max));
            EXPECT_EQ(f.precision, row.precision);
            EXPECT_EQ(
                std::make_tuple(f.display_flags, f.fs_flags, f.curve_tolerance, f.phase, f.useExponent, f.exponent),
                std::make_tuple(0, 0u, 0.05f, 0.0, 0, 0.0f));
            EXPECT_TRUE(AllZero(f.value_desc, sizeof f.value_desc));
            break;
        }
        case CHECK:
            EXPECT_EQ(d.u.bd.value | d.u.bd.dephault, 0);
            ASSERT_NE(d.u.bd.u.nameptr, nullptr);
            EXPECT_STREQ(d.u.bd.u.nameptr, "");
            break;
        case ANGLE:
            EXPECT_EQ(d.u.ad.value | d.u.ad.dephault | d.u.ad.valid_min | d.u.ad.valid_max, 0);
            break;
        case COLOR:
            EXPECT_EQ(std::memcmp(&d.u.cd.value, &white, sizeof white), 0);
            EXPECT_EQ(std::memcmp(&d.u.cd.dephault, &white, sizeof white), 0);
            break;
    }
}

using ParamsSetup = e2e::SessionTest;

TEST_F(ParamsSetup, RegistersTheTableInOrderAndReports44) {
    ASSERT_EQ(session->GlobalSetup().err, PF_Err_NONE);
    const minihost::Outcome r = session->ParamsSetup();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out.num_params, 44);
    const auto calls = session->params().AddCalls();
    ASSERT_EQ(calls.size(), std::size(kTable));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE("parameter " + std::to_string(i + 1) + " \"" + kTable[i].name + "\"");
        EXPECT_EQ(calls[i].index, -1);  // appended
        ExpectMatches(kTable[i], int(i + 1), calls[i].def);
    }
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

// The first failing add ends registration: its code comes back, nothing more
// is added and the parameter count is left alone.
TEST_F(ParamsSetup, StopsAtTheFailingCall) {
    const std::pair<int, PF_Err> cases[] = {
        {5, PF_Err_OUT_OF_MEMORY}, {1, PF_Err_INVALID_INDEX}, {43, PF_Err_INTERNAL_STRUCT_DAMAGED}, {27, -7}};
    for (const auto& [call, error] : cases) {
        SCOPED_TRACE("failing call " + std::to_string(call));
        SetUp();
        session->params().FailAdd(call, error);
        minihost::CommandOptions o;
        o.out_fill = 0x5A;
        const minihost::Outcome r = session->ParamsSetup(o);
        EXPECT_EQ(r.err, error);
        const auto calls = session->params().AddCalls();
        ASSERT_EQ(calls.size(), std::size_t(call));
        EXPECT_EQ(calls.back().result, error);
        EXPECT_STREQ(calls.back().def.name, kTable[call - 1].name);
        EXPECT_EQ(r.out.num_params, A_long(0x5A5A5A5A));
    }
}

}  // namespace
