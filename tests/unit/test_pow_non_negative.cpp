// The CPU's own power function: the cases the C standard fixes, exactly; everywhere
// else the correctly rounded power (the double pow rounded to float stands in for it)
// but for a few near-halfway results, and never more than one ulp from the C library;
// and its tables, recomputed in long double.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "kernel/Compat.h"

using namespace morvel;

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Distance in ulps between two non-negative floats (infinity included).
int64_t ulpsApart(float a, float b) { return std::llabs(int64_t(bitsOf(a)) - int64_t(bitsOf(b))); }

float correctlyRounded(float x, float y) { return float(std::pow(double(x), double(y))); }

}  // namespace

TEST(PowNonNegative, CasesTheStandardFixesHoldBitForBit) {
    const float sub = std::numeric_limits<float>::denorm_min();
    // In order: x^0 and 1^y are 1 whatever the other operand, NaN included; 0^y is +0 for a
    // positive power (a -0 base counts as +0) and infinity for a negative one; infinite
    // bases and powers; results beyond the float range are 0 and infinity, not a wrapped
    // exponent; exact powers land exactly, subnormal results included.
    const struct {
        float x, y, want;
    } rows[] = {{0.0f, 0.0f, 1.0f},          {kNaN, 0.0f, 1.0f},   {kInf, -0.0f, 1.0f}, {1.0f, kNaN, 1.0f},
                {1.0f, kInf, 1.0f},          {1.0f, -kInf, 1.0f},  {1.0f, 1e30f, 1.0f}, {0.0f, 2.0f, 0.0f},
                {0.0f, 0.1f, 0.0f},          {-0.0f, 3.0f, 0.0f},  {0.0f, -1.0f, kInf}, {0.0f, kInf, 0.0f},
                {kInf, 2.0f, kInf},          {kInf, -0.5f, 0.0f},  {0.5f, kInf, 0.0f},  {0.5f, -kInf, kInf},
                {2.0f, kInf, kInf},          {2.0f, -kInf, 0.0f},  {0.5f, 1e30f, 0.0f}, {0.99999994f, 1e30f, 0.0f},
                {2.0f, 128.0f, kInf},        {sub, 10.0f, 0.0f},   {sub, -1.0f, kInf},  {2.0f, 10.0f, 1024.0f},
                {4.0f, 0.5f, 2.0f},          {3.0f, 2.0f, 9.0f},   {0.5f, 149.0f, sub}, {2.0f, 127.0f, 0x1p127f},
                {0x1p-140f, 0.5f, 0x1p-70f}, {0.25f, -2.0f, 16.0f}};
    for (const auto& r : rows) {
        const float got = powNonNegative(r.x, r.y);
        EXPECT_EQ(bitsOf(got), bitsOf(r.want)) << r.x << "^" << r.y << " gave " << got << ", want " << r.want;
    }
    // NaN in, NaN out (unless fixed above); a negative base is outside the domain.
    EXPECT_TRUE(std::isnan(powNonNegative(kNaN, 2.0f)));
    EXPECT_TRUE(std::isnan(powNonNegative(0.5f, kNaN)));
    EXPECT_TRUE(std::isnan(powNonNegative(-0.5f, 2.0f)));
}

// The powers with an exact answer to round: x^1 is x itself, so correct rounding leaves
// no slack; x^2 is the correctly rounded square, also where the exact square lies
// halfway between two floats (1 + 2^-12 squared is 1 + 2^-11 + 2^-24; the tie goes to
// the even 1 + 2^-11), where an approximation of the power could round either way.
// Bases from the smallest subnormal to infinity.
TEST(PowNonNegative, FirstPowersAndSquaresAreExactlyRounded) {
    EXPECT_EQ(bitsOf(powNonNegative(1.0f + 0x1p-12f, 2.0f)), bitsOf(1.0f + 0x1p-11f));
    std::mt19937 rng(7);
    std::uniform_int_distribution<uint32_t> anyPositive(1, 0x7f800000u);
    for (int i = 0; i < 200000; ++i) {
        const uint32_t u = anyPositive(rng);
        float x;
        std::memcpy(&x, &u, sizeof x);
        ASSERT_EQ(bitsOf(powNonNegative(x, 1.0f)), u) << x;
        ASSERT_EQ(bitsOf(powNonNegative(x, 2.0f)), bitsOf(float(double(x) * double(x)))) << x;
    }
}

// A dense sweep over what the shading terms reach: bases in [0, 1] (uniform values,
// uniform bit patterns down to subnormals, and the neighbourhood of 1), with powers
// over the sliders' range and far beyond it, both signs; and a few bases above 1.
TEST(PowNonNegative, MatchesTheCorrectlyRoundedPowerAndStaysWithinAnUlpOfPowf) {
    std::mt19937_64 rng(2024);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<uint32_t> belowOne(0, 0x3f800000u);
    std::uniform_int_distribution<int> nearOne(-4096, 4096);
    std::uniform_real_distribution<float> slider(0.1f, 10.0f);
    std::uniform_real_distribution<float> anyPower(-40.0f, 40.0f);
    std::uniform_real_distribution<float> logPower(-20.0f, 20.0f);
    const auto pickBase = [&](int kind) {
        switch (kind) {
            case 0:
                return unit(rng);
            case 1: {
                const uint32_t u = belowOne(rng);
                float x;
                std::memcpy(&x, &u, sizeof x);
                return x;
            }
            case 2:
                return 1.0f + float(nearOne(rng)) * 0x1p-24f;
            default:
                return 1.0f + unit(rng) * 1000.0f;
        }
    };
    const auto pickPower = [&](int kind) {
        switch (kind) {
            case 0:
                return slider(rng);
            case 1:
                return anyPower(rng);
            default:
                return std::exp2(logPower(rng)) * (rng() % 2 ? 1.0f : -1.0f);
        }
    };
    const int64_t n = 1 << 22;
    int64_t offCorrect = 0, offPowf = 0, finiteChecked = 0;
    double worstRelative = 0.0, worstInSliders = 0.0;
    for (int64_t i = 0; i < n; ++i) {
        const float x = pickBase(int(i % 4));
        const float y = pickPower(int(i / 4 % 3));
        const float got = powNonNegative(x, y);
        const float want = correctlyRounded(x, y);
        const float libm = std::pow(x, y);
        offCorrect += got != want;
        offPowf += got != libm;
        ASSERT_LE(ulpsApart(got, want), 1) << x << "^" << y;
        ASSERT_LE(ulpsApart(got, libm), 1) << x << "^" << y;
        // The value before its rounding to float, where it has a normal float's precision.
        const double exact = std::pow(double(x), double(y));
        if (x > 0.0f && exact >= 0x1p-126 && exact < 0x1p127) {
            const double e = std::fabs(powPositiveUnrounded(x, y) / exact - 1.0);
            worstRelative = std::max(worstRelative, e);
            worstInSliders = std::fabs(y) <= 40.0f ? std::max(worstInSliders, e) : worstInSliders;
            ++finiteChecked;
        }
    }
    EXPECT_GT(finiteChecked, n / 2);
    EXPECT_LT(worstRelative, 0x1p-42);
    EXPECT_LT(worstInSliders, 0x1p-45);
    EXPECT_LE(offCorrect, n / 100000) << "of " << n;
    // The C library's powf is off the correctly rounded value on about 0.06 % of these.
    EXPECT_LE(offPowf, n / 1000) << "of " << n;
    RecordProperty("differ_from_correct", int(offCorrect));
    RecordProperty("differ_from_powf", int(offPowf));
}

// The tables against their definitions in long double: each 1/c a float whose interval
// of mantissas keeps |z/c - 1| small, 1/c = 1 where z = 1 lies, log2 c and 2^(i/64) to
// the last bit, and each polynomial within its error budget.
TEST(PowNonNegative, TablesMatchTheirDefinitions) {
    const int logEntries = 1 << kPowLogBits;
    ASSERT_EQ(int(sizeof kPowLogInvC / sizeof kPowLogInvC[0]), logEntries);
    ASSERT_EQ(int(sizeof kPowLogC / sizeof kPowLogC[0]), logEntries);
    const int shift = 52 - kPowLogBits;
    for (int i = 0; i < logEntries; ++i) {
        const uint64_t first = kPowLogOffset + (uint64_t(i) << shift);
        const uint64_t last = first + (uint64_t(1) << shift) - (uint64_t(1) << 29);  // the last float
        double zLo, zHi;
        std::memcpy(&zLo, &first, sizeof zLo);
        std::memcpy(&zHi, &last, sizeof zHi);
        const double invc = kPowLogInvC[i];
        EXPECT_EQ(double(float(invc)), invc) << "entry " << i << " is not a float";
        EXPECT_LE(std::fabs(zLo * invc - 1.0), 0x1p-7) << "entry " << i;
        EXPECT_LE(std::fabs(zHi * invc - 1.0), 0x1p-7) << "entry " << i;
        if (zLo <= 1.0 && 1.0 <= zHi) {
            EXPECT_EQ(invc, 1.0) << "entry " << i;
        }
        EXPECT_EQ(kPowLogC[i], double(-std::log2(static_cast<long double>(invc)))) << "entry " << i;
    }
    const int expEntries = 1 << kPowExpBits;
    ASSERT_EQ(int(sizeof kPowExp2 / sizeof kPowExp2[0]), expEntries);
    for (int i = 0; i < expEntries; ++i) {
        EXPECT_EQ(kPowExp2[i], double(std::exp2(static_cast<long double>(i) / expEntries))) << "entry " << i;
    }
    long double logWorst = 0.0L, expWorst = 0.0L;
    for (int j = -1000; j <= 1000; ++j) {
        const long double r = j * 0x1p-7L / 1000;
        if (j != 0) {
            long double p = 0.0L;
            for (int c = 5; c >= 0; --c) p = p * r + kPowLogPoly[c];
            logWorst = std::max(logWorst, std::fabs(p * r / std::log2(1.0L + r) - 1.0L));
        }
        const long double f = j * 0.5L / 1000;
        long double q = 0.0L;
        for (int c = 3; c >= 0; --c) q = q * f + kPowExpPoly[c];
        expWorst = std::max(expWorst, std::fabs((1.0L + f * q) / std::exp2(f / expEntries) - 1.0L));
    }
    EXPECT_LT(double(logWorst), 0x1p-48);
    EXPECT_LT(double(expWorst), 0x1p-46);
}
