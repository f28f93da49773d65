// Reads sections of an ELF64 little-endian file without loading it: the Linux
// module carries its registration resource in a section, not in code.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace minihost {

struct ElfSection {
    std::string name;
    uint32_t type = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
};

// All section headers; `what` names the buffer in errors.
std::vector<ElfSection> ReadElfSections(std::span<const uint8_t> file, const std::string& what);

// The contents of the named section; throws if the file has none or it has no
// bytes in the file (SHT_NOBITS).
std::vector<uint8_t> ReadElfSection(std::span<const uint8_t> file, const std::string& name, const std::string& what);
std::vector<uint8_t> ReadElfSectionFromFile(const std::string& path, const std::string& name);

}  // namespace minihost
