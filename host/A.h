// Basic scalar and value types shared by every part of the host interface.
// A_long is 32-bit on every platform (never C `long`), which is what keeps the
// LLP64 Windows layouts identical to the LP64 ones we build and test on Linux.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 8)

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef double A_FpLong;
typedef float A_FpShort;
typedef A_long A_Err;
typedef void* A_Handle;
typedef uint64_t A_u_longlong;
typedef uint64_t A_HandleSize;
typedef int64_t A_intptr_t;
typedef uint16_t A_UTF16Char;

// Placeholder type for function-table slots this program never calls; the
// slot still has to exist so that later members land at the host's offsets.
typedef void (*A_UnusedSlotFunc)(void);

enum : A_Err {
    A_Err_NONE = 0,
    A_Err_GENERIC = 1,
    A_Err_STRUCT = 2,
    A_Err_PARAMETER = 3,
    A_Err_ALLOC = 4,
    A_Err_WRONG_THREAD = 5,
    A_Err_CONST_PROJECT_MODIFICATION = 6,
    A_Err_MISSING_SUITE = 13,
    A_Err_NOT_IN_CACHE_OR_COMPUTE_PENDING = 22,
    A_Err_PROJECT_LOAD_FATAL = 23,
    A_Err_EFFECT_APPLY_FATAL = 24,
    A_Err_LAST = 25
};

typedef struct A_Time {
    A_long value;
    A_u_long scale;
} A_Time;

// Passed by value to the host: two 32-bit integers in one register on both ABIs.
typedef struct A_Ratio {
    A_long num;
    A_u_long den;
} A_Ratio;

typedef struct A_FloatPoint {
    A_FpLong x;
    A_FpLong y;
} A_FloatPoint;

typedef struct A_FloatPoint3 {
    A_FpLong x;
    A_FpLong y;
    A_FpLong z;
} A_FloatPoint3;

// Row index first; whether the host multiplies row or column vectors is not
// documented, so callers must establish it themselves.
typedef struct A_Matrix4 {
    A_FpLong mat[4][4];
} A_Matrix4;

// Alpha first, like every colour the host hands out as doubles.
typedef struct A_Color {
    A_FpLong alpha;
    A_FpLong red;
    A_FpLong green;
    A_FpLong blue;
} A_Color;

typedef struct A_LRect {
    A_long left;
    A_long top;
    A_long right;
    A_long bottom;
} A_LRect;

typedef A_LRect A_Rect;

// Only ever reached through pointers in the tables we declare.
typedef struct A_FloatRect A_FloatRect;

#pragma pack(pop)

#ifdef __cplusplus
}
#endif
