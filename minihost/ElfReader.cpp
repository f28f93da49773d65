#include "minihost/ElfReader.h"

#include "minihost/Bytes.h"

namespace minihost {
namespace {

constexpr uint32_t kShtNobits = 8;
constexpr uint16_t kShnXindex = 0xFFFF;
constexpr uint64_t kSectionHeaderSize = 64;
// Far more than any real module has; stops a forged count from driving a huge loop.
constexpr uint64_t kMaxSections = 65536;

}  // namespace

std::vector<ElfSection> ReadElfSections(std::span<const uint8_t> file, const std::string& what) {
    ByteReader r(file, what);
    auto ident = r.Slice(0, 16, "ELF identification");
    if (ident[0] != 0x7F || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F')
        r.Fail("not an ELF file (bad magic)");
    if (ident[4] != 2) r.Fail("not a 64-bit ELF file (EI_CLASS " + std::to_string(ident[4]) + ")");
    if (ident[5] != 1) r.Fail("not a little-endian ELF file (EI_DATA " + std::to_string(ident[5]) + ")");

    const uint64_t shoff = r.U64(0x28, "e_shoff");
    const uint16_t shentsize = r.U16(0x3A, "e_shentsize");
    uint64_t shnum = r.U16(0x3C, "e_shnum");
    uint64_t shstrndx = r.U16(0x3E, "e_shstrndx");
    if (shoff == 0) r.Fail("has no section header table");
    if (shentsize != kSectionHeaderSize) r.Fail("e_shentsize is " + std::to_string(shentsize) + ", expected 64");
    // Extended numbering keeps the real counts in section 0.
    if (shnum == 0) shnum = r.U64(shoff + 32, "section 0 sh_size");
    if (shstrndx == kShnXindex) shstrndx = r.U32(shoff + 40, "section 0 sh_link");
    if (shnum > kMaxSections) r.Fail("e_shnum " + std::to_string(shnum) + " is implausibly large");
    r.Slice(shoff, shnum * kSectionHeaderSize, "section header table");
    if (shstrndx >= shnum)
        r.Fail("e_shstrndx " + std::to_string(shstrndx) + " is not below the section count " + std::to_string(shnum));

    const uint64_t strtab_header = shoff + shstrndx * kSectionHeaderSize;
    const uint64_t strtab_offset = r.U64(strtab_header + 24, "section name table sh_offset");
    const uint64_t strtab_size = r.U64(strtab_header + 32, "section name table sh_size");
    auto strtab = r.Slice(strtab_offset, strtab_size, "section name table");
    ByteReader names(strtab, what + " section name table");

    std::vector<ElfSection> sections;
    sections.reserve(static_cast<std::size_t>(shnum));
    for (uint64_t i = 0; i < shnum; ++i) {
        const uint64_t h = shoff + i * kSectionHeaderSize;
        ElfSection s;
        const uint32_t name_offset = r.U32(h, "sh_name");
        s.name = name_offset < strtab.size() ? names.CString(name_offset, 4096, "section name") : std::string();
        s.type = r.U32(h + 4, "sh_type");
        s.offset = r.U64(h + 24, "sh_offset");
        s.size = r.U64(h + 32, "sh_size");
        sections.push_back(std::move(s));
    }
    return sections;
}

std::vector<uint8_t> ReadElfSection(std::span<const uint8_t> file, const std::string& name, const std::string& what) {
    ByteReader r(file, what);
    for (const ElfSection& s : ReadElfSections(file, what)) {
        if (s.name != name) continue;
        if (s.type == kShtNobits) r.Fail("section '" + name + "' occupies no bytes in the file");
        auto bytes = r.Slice(s.offset, s.size, ("section '" + name + "'").c_str());
        return {bytes.begin(), bytes.end()};
    }
    r.Fail("has no section named '" + name + "'");
}

std::vector<uint8_t> ReadElfSectionFromFile(const std::string& path, const std::string& name) {
    const std::vector<uint8_t> file = ReadFileBytes(path);
    return ReadElfSection(file, name, path);
}

}  // namespace minihost
