// The registration resource's property list, parsed from its bytes. Four-char
// codes are stored as little-endian integers, so their letters appear reversed
// in the bytes; the parsed codes read the right way round ("8BIM", "kind").
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace minihost {

struct PiplProperty {
    std::string vendor;  // readable four-char code
    std::string key;     // readable four-char code
    uint32_t id = 0;
    uint32_t length = 0;           // as stored
    std::vector<uint8_t> data;     // exactly `length` bytes
    std::vector<uint8_t> padding;  // the bytes between the data and the next multiple of four
};

struct Pipl {
    uint16_t word = 0;  // the leading 16-bit word the Windows resource carries (1)
    uint32_t version = 0;
    uint32_t count = 0;
    std::vector<PiplProperty> properties;
    std::size_t trailing = 0;  // bytes after the last property

    const PiplProperty* Find(const std::string& key) const;
};

Pipl ParsePipl(std::span<const uint8_t> bytes, const std::string& what = "registration resource");

// Reads a four-char code stored as a little-endian integer ("MIB8" -> "8BIM").
std::string FourCharCode(std::span<const uint8_t> four);
// A length byte followed by that many characters; nullopt if it does not fit.
std::optional<std::string> PascalString(std::span<const uint8_t> data);

// The resource bytes of a module file: the ELF section ".pipl" or the PE
// resource "PIPL" 16000 (language 1033), chosen by the file's magic.
std::vector<uint8_t> ReadPiplBytes(const std::string& module_path);

}  // namespace minihost
