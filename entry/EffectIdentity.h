// What the host learns about the effect before any of its code runs, shared by
// the registration resource, the registration call and global setup so that the
// three can never disagree.
#pragma once

#include <cstdint>

namespace morvel {

inline constexpr char kEffectName[] = "Morvel";
inline constexpr char kMatchName[] = "ADBE Morvel";
inline constexpr char kCategory[] = "Morvel";
inline constexpr char kEntryPointName[] = "EffectMain";
inline constexpr char kSupportUrl[] = "https://morvel.dev/support";

inline constexpr uint32_t kEffectKind = 0x65464B54;  // 'eFKT'
inline constexpr int32_t kInterfaceVersion = 13;
inline constexpr int32_t kInterfaceSubversion = 28;
inline constexpr int32_t kRegistrationReservedInfo = 8;

// 0.2.0, stage 0, build 0 in the host's version packing.
inline constexpr uint32_t kEffectVersion = 0x00010000;

inline constexpr uint32_t kGlobalOutFlags = 0x06000444;
inline constexpr uint32_t kGlobalOutFlags2 = 0x0A20140C;

}  // namespace morvel
