// The Linux module carries its registration resource in an ELF section, so that
// a host can read it from the file without running any of the module's code.
#if !defined(_WIN32)
#include "entry/PiplResource.h"

namespace {
[[gnu::section(".pipl"),
  gnu::used]] alignas(4) const std::array<uint8_t, morvel::pipl::kSize> kPiplSection = morvel::pipl::Bytes();
}  // namespace
#endif
