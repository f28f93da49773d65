// The registration resource, built at compile time. The same bytes go into the
// ELF section ".pipl" of the Linux module and, through a dump tool run at build
// time, into the PIPL resource of the Windows module.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "entry/EffectIdentity.h"

namespace morvel::pipl {

inline constexpr uint16_t kResourceId = 16000;
inline constexpr uint16_t kResourceLanguage = 1033;

class Writer {
public:
    static constexpr std::size_t kCapacity = 512;

    constexpr void u8(uint8_t v) { bytes_[size_++] = v; }
    constexpr void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    constexpr void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    // Four-character codes are little-endian integers, so their letters land reversed.
    constexpr void code(std::string_view c) { u32(FourCC(c)); }

    static constexpr uint32_t FourCC(std::string_view c) {
        return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8) |
               uint32_t(uint8_t(c[3]));
    }

    // Data is zero-padded to a multiple of four bytes. The stored length counts
    // that padding, as the host's own Windows resources do, except where a
    // property declares its bare size (the info flags).
    enum class Length { Padded, Bare };
    template <typename Fill>
    constexpr void property(std::string_view key, Fill fill, Length length = Length::Padded) {
        code("8BIM");
        code(key);
        u32(0);
        const std::size_t lengthAt = size_;
        u32(0);
        const std::size_t dataAt = size_;
        fill(*this);
        const std::size_t bare = size_ - dataAt;
        while ((size_ - dataAt) % 4 != 0) u8(0);
        patch32(lengthAt, static_cast<uint32_t>(length == Length::Padded ? size_ - dataAt : bare));
    }

    constexpr void pascal(std::string_view s) {
        u8(static_cast<uint8_t>(s.size()));
        for (char c : s) u8(static_cast<uint8_t>(c));
    }
    // The entry point name carries one more zero byte past its terminator.
    constexpr void entryName(std::string_view s) {
        for (char c : s) u8(static_cast<uint8_t>(c));
        u8(0);
        u8(0);
    }

    constexpr std::size_t size() const { return size_; }
    constexpr uint8_t at(std::size_t i) const { return bytes_[i]; }

private:
    constexpr void patch32(std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    std::array<uint8_t, kCapacity> bytes_{};
    std::size_t size_ = 0;
};

constexpr Writer Build() {
    Writer w;
    w.u16(1);
    w.u32(0);
    w.u32(13);
    w.property("kind", [](Writer& p) { p.code("eFKT"); });
    w.property("name", [](Writer& p) { p.pascal(kEffectName); });
    w.property("catg", [](Writer& p) { p.pascal(kCategory); });
    w.property("8664", [](Writer& p) { p.entryName(kEntryPointName); });
    w.property("ePVR", [](Writer& p) {
        p.u16(2);
        p.u16(0);
    });
    w.property("eSVR", [](Writer& p) {
        p.u16(static_cast<uint16_t>(kInterfaceVersion));
        p.u16(static_cast<uint16_t>(kInterfaceSubversion));
    });
    w.property("eVER", [](Writer& p) { p.u32(kEffectVersion); });
    w.property(
        "eINF", [](Writer& p) { p.u16(0); }, Writer::Length::Bare);
    w.property("eGLO", [](Writer& p) { p.u32(kGlobalOutFlags); });
    w.property("eGL2", [](Writer& p) { p.u32(kGlobalOutFlags2); });
    w.property("eMNA", [](Writer& p) { p.pascal(kMatchName); });
    w.property("aeFL", [](Writer& p) { p.u32(0); });
    w.property("eURL", [](Writer& p) { p.pascal(kSupportUrl); });
    return w;
}

inline constexpr std::size_t kSize = Build().size();

constexpr std::array<uint8_t, kSize> Bytes() {
    constexpr Writer w = Build();
    std::array<uint8_t, kSize> out{};
    for (std::size_t i = 0; i < kSize; ++i) out[i] = w.at(i);
    return out;
}

}  // namespace morvel::pipl
