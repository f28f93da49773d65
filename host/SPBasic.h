// The basic suite the host hands every effect in in_data->pica_basicP; every
// other suite is acquired through it by name and numeric version.
#pragma once

#include "A.h"

#ifdef __cplusplus
extern "C" {
#endif

// The host uses the platform's default C convention for every suite call.
#define SPAPI

#define kSPBasicSuite "SP Basic Suite"
#define kSPBasicSuiteVersion 4

typedef int32_t SPErr;

// The host's Windows build returns a BOOL-sized value here, macOS a byte.
#if defined(_WIN32) || defined(_WINDOWS) || defined(_MSC_VER) || defined(WINDOWS)
typedef int32_t SPBoolean;
#else
typedef uint8_t SPBoolean;
#endif

#pragma pack(push, 8)

typedef struct SPBasicSuite {
    SPAPI SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPAPI SPErr (*ReleaseSuite)(const char* name, int32_t version);
    SPAPI SPBoolean (*IsEqual)(const char* token1, const char* token2);
    SPAPI SPErr (*AllocateBlock)(size_t size, void** block);
    SPAPI SPErr (*FreeBlock)(void* block);
    SPAPI SPErr (*ReallocateBlock)(void* block, size_t new_size, void** new_block);
    SPAPI SPErr (*Undefined)(void);
} SPBasicSuite;

#pragma pack(pop)

#ifdef __cplusplus
}
#endif
