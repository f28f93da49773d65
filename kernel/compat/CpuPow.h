// The CPU's power function for shading terms: x^y for x >= 0 as 2^(y log2 x), both
// steps from small tables and short polynomials in double, rounded once to float. It
// has no branches, so a row loop computes it as vectors (the table loads lane by lane)
// with the same bits as one pixel; the C library's powf has no vector twin with its bits.
#ifndef MORVEL_KERNEL_COMPAT_CPU_POW_H
#define MORVEL_KERNEL_COMPAT_CPU_POW_H

#include <string.h>

#include "kernel/compat/CpuPowTables.h"

MORVEL_NAMESPACE_BEGIN

MORVEL_FUNC unsigned int bitsOfFloat(float f) {
    unsigned int u;
    memcpy(&u, &f, sizeof u);
    return u;
}

MORVEL_FUNC float floatOfBits(unsigned int u) {
    float f;
    memcpy(&f, &u, sizeof f);
    return f;
}

MORVEL_FUNC unsigned long long bitsOfDouble(double d) {
    unsigned long long u;
    memcpy(&u, &d, sizeof u);
    return u;
}

MORVEL_FUNC double doubleOfBits(unsigned long long u) {
    double d;
    memcpy(&d, &u, sizeof d);
    return d;
}

// Every step below is on doubles and 64-bit integers alone, so that a vector loop
// keeps one lane width throughout (no shuffles between float and double lanes).

// The integer held in the low bits of a double's mantissa, as a double: exact for
// |k| < 2^51, and without an integer-to-double conversion AVX2 lacks for 64 bits.
MORVEL_FUNC double doubleOfSmallInteger(unsigned long long k) {
    return doubleOfBits(0x4338000000000000ull + k) - 0x1.8p52;
}

// log2 x for x a positive finite float widened to double (subnormal floats are normal
// doubles); any other bits still give a finite value. x = 2^k z with z in
// [0.699, 1.398), and log2 x = k + log2 c + log2(1 + r) with r = z/c - 1 formed
// exactly (z and 1/c have 24 bits each), |r| < 2^-7. The entry holding 1 has c = 1,
// so next to x = 1 the result keeps its relative precision.
MORVEL_FUNC double log2OfFloat(double x) {
    const unsigned long long ix = bitsOfDouble(x);
    const unsigned long long t = ix - kPowLogOffset;
    // A signed index: the vector gathers take signed offsets.
    const ptrdiff_t i = (ptrdiff_t)((t >> (52 - kPowLogBits)) & ((1u << kPowLogBits) - 1u));
    const unsigned long long top = t & 0xfff0000000000000ull;
    // k is the 12-bit two's complement number in top; biased by 2048 it is unsigned.
    const double k = doubleOfSmallInteger((top >> 52) ^ 0x800u) - 2048.0;
    const double z = doubleOfBits(ix - top);
    const double r = z * kPowLogInvC[i] - 1.0;
    // In pairs (Estrin's scheme) rather than one long chain: a row loop is bound by
    // the latency of this path, not by the number of operations.
    const double r2 = r * r;
    const double p01 = kPowLogPoly[0] + kPowLogPoly[1] * r;
    const double p23 = kPowLogPoly[2] + kPowLogPoly[3] * r;
    const double p45 = kPowLogPoly[4] + kPowLogPoly[5] * r;
    const double p = p01 + r2 * (p23 + r2 * p45);
    return (k + kPowLogC[i]) + r * p;
}

// 2^v for |v| < 2^50 as 2^q 2^(i/64) 2^(f/64), with v = (64 q + i + f) / 64 and
// |f| <= 1/2: a table entry with q added to its exponent, times a polynomial. q is
// clamped to +-161, beyond which the float result is 0 or infinite either way. The
// table index is taken before the clamp: an index that the clamp could fix would let
// the compiler branch around the table load, and the loop would not run as vectors.
MORVEL_FUNC double exp2Bounded(double v) {
    const double shifter = 0x1.8p52;  // adding it rounds to an integer held in the low bits
    const double scaled = v * (double)(1 << kPowExpBits);
    const double rounded = scaled + shifter;
    const double f = scaled - (rounded - shifter);
    const long long n = (long long)(bitsOfDouble(rounded) - bitsOfDouble(shifter));
    const ptrdiff_t i = (ptrdiff_t)(n & ((1 << kPowExpBits) - 1));
    const long long limit = 161ll << kPowExpBits;
    long long q64 = n - i;  // 64 q
    q64 = q64 > -limit ? q64 : -limit;
    q64 = q64 < limit ? q64 : limit;
    const double s = doubleOfBits(bitsOfDouble(kPowExp2[i]) + ((unsigned long long)q64 << (52 - kPowExpBits)));
    const double p = (kPowExpPoly[0] + kPowExpPoly[1] * f) + (f * f) * (kPowExpPoly[2] + kPowExpPoly[3] * f);
    return s * (1.0 + f * p);
}

// x^y in double before its rounding to float, for x > 0 finite and y finite or
// infinite: relative error below 2^-42 wherever the float result is neither 0 nor
// infinite (for |y| <= 40 below 2^-45). Powers beyond 2^32 are taken as 2^32 (on the
// bits, as a float select stops the loop from vectorising): every base but 1, which
// callers treat apart, still gives 0 or infinity.
MORVEL_FUNC double powPositiveUnrounded(float x, float y) {
    const unsigned int uy = bitsOfFloat(y);
    unsigned int magnitude = uy & 0x7fffffffu;
    magnitude = magnitude < 0x4f800000u ? magnitude : 0x4f800000u;
    const float yc = floatOfBits((uy & 0x80000000u) | magnitude);
    return exp2Bounded((double)yc * log2OfFloat((double)x));
}

// x^y for x >= 0 (-0 counts as +0), y anything: the correctly rounded powf except where
// the exact power (a square's never) lies within about 2^-42 of a rounding boundary,
// so within one ulp of any good powf. What the C standard fixes holds exactly: x^0 =
// 1^y = 1 (NaN included), 0^y = +0 for y > 0 and +inf for y < 0, inf^y = inf or +0,
// and NaN otherwise propagates. No shading term has a negative base: x < 0 gives NaN.
// Every case is computed and then chosen, in double, without a branch.
MORVEL_FUNC float powNonNegative(float x, float y) {
    const double xd = x;
    const double yd = y;
    const double d = powPositiveUnrounded(x, y);
    const double finite = d < 0x1p128 ? d : (double)INFINITY;
    const double ofZero = yd > 0.0 ? 0.0 : (double)INFINITY;
    const double ofInf = yd > 0.0 ? (double)INFINITY : 0.0;
    double r = xd == 0.0 ? ofZero : (xd == (double)INFINITY ? ofInf : finite);
    r = (xd != xd || yd != yd) ? xd + yd : r;
    // 2 is the default power of both artistic terms. The product of two floats is exact
    // in double, so its one rounding is the correctly rounded square, even on a halfway
    // point; and a loop that passes the constant 2 drops the tables altogether.
    r = yd == 2.0 ? xd * xd : r;
    r = xd < 0.0 ? (double)NAN : r;
    return (float)((xd == 1.0 || yd == 0.0) ? 1.0 : r);
}

MORVEL_NAMESPACE_END

#endif
