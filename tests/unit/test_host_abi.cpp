// The host fills its tables by slot number and reads our blocks by byte
// offset; these tests play that side with raw slot arrays and raw bytes, and
// check that calls made through our declarations reach the right slot with
// their arguments intact.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/Host.h"

namespace {

// Builds a table the way the host does: an array of pointer-sized slots.
template <typename Table>
Table TableFromSlots(const std::vector<void*>& slots) {
    static_assert(sizeof(Table) % sizeof(void*) == 0);
    EXPECT_EQ(slots.size(), sizeof(Table) / sizeof(void*));
    Table table;
    std::memcpy(&table, slots.data(), sizeof(Table));
    return table;
}

template <typename Fn>
void* Slot(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

int g_called_slot = -1;

A_Err HostGetLayerToWorldXform(AEGP_LayerH, const A_Time* time, A_Matrix4* out) {
    g_called_slot = 1000;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out->mat[r][c] = r * 4 + c + time->value;
    return A_Err_NONE;
}

A_Err HostIsVideoActive(AEGP_LayerH, AEGP_LTimeMode mode, const A_Time* time, A_Boolean* active) {
    g_called_slot = 2000 + mode;
    *active = time->value == 7 && time->scale == 24;
    return A_Err_NONE;
}

A_Err HostGetLayerStreamValue(AEGP_LayerH, AEGP_LayerStream stream, AEGP_LTimeMode mode, const A_Time*,
                              A_Boolean pre_expression, AEGP_StreamVal* value, AEGP_StreamType* type) {
    g_called_slot = 3000 + stream * 10 + mode + (pre_expression ? 100 : 0);
    value->color = AEGP_ColorVal{0.25, 0.5, 0.75, 1.0};
    if (type) *type = AEGP_StreamType_COLOR;
    return A_Err_NONE;
}

A_Err HostOther() {
    g_called_slot = -2;
    return A_Err_GENERIC;
}

std::vector<void*> OtherSlots(size_t count) { return std::vector<void*>(count, Slot(&HostOther)); }

TEST(HostAbi, LayerSuiteVersion5And14PlaceTheTransformAtDifferentSlots) {
    std::vector<void*> v5 = OtherSlots(39);
    v5[36] = Slot(&HostGetLayerToWorldXform);
    v5[30] = Slot(&HostIsVideoActive);
    std::vector<void*> v14 = OtherSlots(50);
    v14[38] = Slot(&HostGetLayerToWorldXform);
    v14[31] = Slot(&HostIsVideoActive);

    const auto suite1 = TableFromSlots<AEGP_LayerSuite1>(v5);
    const auto suite8 = TableFromSlots<AEGP_LayerSuite8>(v14);
    const A_Time t{7, 24};
    A_Matrix4 m{};
    for (auto get : {suite1.AEGP_GetLayerToWorldXform, suite8.AEGP_GetLayerToWorldXform}) {
        g_called_slot = -1;
        ASSERT_EQ(get(nullptr, &t, &m), A_Err_NONE);
        EXPECT_EQ(g_called_slot, 1000);
        EXPECT_EQ(m.mat[0][1], 8.0);  // row index first
        EXPECT_EQ(m.mat[3][2], 21.0);
    }
    for (auto active : {suite1.AEGP_IsVideoActive, suite8.AEGP_IsVideoActive}) {
        A_Boolean on = 0;
        g_called_slot = -1;
        ASSERT_EQ(active(nullptr, AEGP_LTimeMode_CompTime, &t, &on), A_Err_NONE);
        EXPECT_EQ(g_called_slot, 2001);
        EXPECT_EQ(on, 1);
    }
}

TEST(HostAbi, StreamSuiteVersion4ReadsLayerStreamsFromSlot15WithNarrowTimeMode) {
    std::vector<void*> slots = OtherSlots(20);
    slots[15] = Slot(&HostGetLayerStreamValue);
    const auto suite = TableFromSlots<AEGP_StreamSuite1>(slots);
    const A_Time t{0, 1};
    AEGP_StreamVal value{};
    AEGP_StreamType type = AEGP_StreamType_NO_DATA;
    g_called_slot = -1;
    ASSERT_EQ(
        suite.AEGP_GetLayerStreamValue(nullptr, AEGP_LayerStream_COLOR, AEGP_LTimeMode_CompTime, &t, 0, &value, &type),
        A_Err_NONE);
    EXPECT_EQ(g_called_slot, 3000 + 17 * 10 + 1);
    EXPECT_EQ(type, AEGP_StreamType_COLOR);
    // The colour member and the four doubles are the same storage, alpha first.
    EXPECT_EQ(value.four_d[0], 0.25);
    EXPECT_EQ(value.four_d[3], 1.0);
}

int g_sprintf_calls = 0;

int HostSprintf(A_char* dst, const A_char* fmt, ...) {
    ++g_sprintf_calls;
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(dst, 256, fmt, args);
    va_end(args);
    return n;
}

TEST(HostAbi, SprintfIsReachedThroughTheUtilityBlockAtItsAbsoluteOffset) {
    std::vector<unsigned char> utils(sizeof(PF_UtilCallbacks), 0);
    void* fn = Slot(&HostSprintf);
    std::memcpy(utils.data() + 328, &fn, sizeof fn);

    PF_UtilCallbacks block;
    std::memcpy(&block, utils.data(), sizeof block);
    PF_InData in_data{};
    in_data.utils = &block;
    PF_OutData out_data{};
    g_sprintf_calls = 0;
    in_data.utils->ansi.sprintf(out_data.return_msg, "%s %d %.1f", "code", 13, 2.5);
    EXPECT_EQ(g_sprintf_calls, 1);
    EXPECT_STREQ(out_data.return_msg, "code 13 2.5");
    // The message lands where the host reads it.
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&out_data) + 100, "code 13", 7), 0);
}

TEST(HostAbi, InDataCallbacksAndPointersSitWhereTheHostWritesThem) {
    std::vector<unsigned char> raw(sizeof(PF_InData), 0);
    SPBasicSuite basic{};
    PF_UtilCallbacks utils{};
    const auto put = [&raw](size_t offset, const void* p) { std::memcpy(raw.data() + offset, &p, sizeof p); };
    put(176, &utils);
    put(384, &basic);
    put(16, reinterpret_cast<const void*>(+[](PF_ProgPtr, PF_ParamIndex index, PF_ParamDefPtr def) -> PF_Err {
            return index == -1 && def != nullptr ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
        }));
    const A_long time_scale = 30;
    std::memcpy(raw.data() + 240, &time_scale, sizeof time_scale);

    PF_InData in_data;
    std::memcpy(&in_data, raw.data(), sizeof in_data);
    EXPECT_EQ(in_data.utils, &utils);
    EXPECT_EQ(in_data.pica_basicP, &basic);
    EXPECT_EQ(in_data.time_scale, 30u);
    PF_ParamDef def{};
    EXPECT_EQ(in_data.inter.add_param(nullptr, -1, &def), PF_Err_NONE);
    EXPECT_EQ(in_data.inter.add_param(nullptr, 0, nullptr), PF_Err_BAD_CALLBACK_PARAM);
}

TEST(HostAbi, FloatSliderFieldsFollowTheValueDescription) {
    PF_ParamDef def{};
    def.param_type = PF_Param_FLOAT_SLIDER;
    def.u.fs_d.value = 1.5;
    def.u.fs_d.valid_min = -2.0f;
    def.u.fs_d.dephault = 0.75f;
    def.u.fs_d.precision = 2;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&def);
    double value = 0;
    float valid_min = 0, dephault = 0;
    A_short precision = 0;
    std::memcpy(&value, bytes + 56, sizeof value);
    std::memcpy(&valid_min, bytes + 56 + 48, sizeof valid_min);
    std::memcpy(&dephault, bytes + 56 + 64, sizeof dephault);
    std::memcpy(&precision, bytes + 56 + 68, sizeof precision);
    EXPECT_EQ(value, 1.5);
    EXPECT_EQ(valid_min, -2.0f);
    EXPECT_EQ(dephault, 0.75f);
    EXPECT_EQ(precision, 2);
    A_long type = 0;
    std::memcpy(&type, bytes + 12, sizeof type);
    EXPECT_EQ(type, 10);
}

TEST(HostAbi, PixelsAreStoredAlphaFirst) {
    const unsigned char bytes8[4] = {1, 2, 3, 4};
    PF_Pixel p8;
    std::memcpy(&p8, bytes8, sizeof p8);
    EXPECT_EQ(p8.alpha, 1);
    EXPECT_EQ(p8.red, 2);
    EXPECT_EQ(p8.blue, 4);
    const float floats[4] = {1.0f, 0.5f, 0.25f, 0.125f};
    PF_PixelFloat pf;
    std::memcpy(&pf, floats, sizeof pf);
    EXPECT_EQ(pf.alpha, 1.0f);
    EXPECT_EQ(pf.green, 0.25f);
}

TEST(HostAbi, UnsignedLightTypeAndSignedFlagsKeepTheHostsBitPatterns) {
    const uint32_t raw_none = 0xFFFFFFFFu;
    AEGP_LightType type;
    std::memcpy(&type, &raw_none, sizeof type);
    EXPECT_EQ(type, AEGP_LightType_NONE);
    EXPECT_NE(type, AEGP_LightType_AMBIENT);

    PF_OutData out{};
    out.out_flags = PF_OutFlag_AUDIO_EFFECT_ONLY | PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    uint32_t bits = 0;
    std::memcpy(&bits, reinterpret_cast<const char*>(&out) + 96, sizeof bits);
    EXPECT_EQ(bits, 0x80000100u);
}

TEST(HostAbi, VersionPackingMatchesTheHostsExample) {
    EXPECT_EQ(PF_VERSION(1, 0, 0, PF_Stage_DEVELOP, 1), 0x80001u);
    // Major versions above 7 continue at bit 26.
    EXPECT_EQ(PF_VERSION(9, 0, 0, PF_Stage_DEVELOP, 0), (1u << 26) | (1u << 19));
    EXPECT_EQ(PF_VERSION(0, 3, 2, PF_Stage_RELEASE, 5), (3u << 15) | (2u << 11) | (3u << 9) | 5u);
}

}  // namespace
