// Reads a PE32+ (64-bit Windows) module file without loading it: its exports,
// its imports and its resources. Used to check the Windows build from Linux.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace minihost {

struct PeExport {
    std::string name;  // empty for an export by ordinal only
    uint32_t ordinal = 0;
    uint32_t rva = 0;
    bool is_data = false;       // the address lies in a section that is not executable
    bool is_forwarder = false;  // the address points back into the export directory
};

struct PeResource {
    // Each level of the resource tree is named either by a string or by a number.
    std::optional<std::string> type_name;
    uint32_t type_id = 0;
    std::optional<std::string> name;
    uint32_t id = 0;
    uint32_t language = 0;
    std::vector<uint8_t> bytes;
};

struct PeFile {
    std::string dll_name;  // the export directory's name, empty without exports
    std::vector<PeExport> exports;
    std::vector<std::string> imports;  // imported DLL names, in directory order
    std::vector<PeResource> resources;
};

PeFile ParsePe(std::span<const uint8_t> file, const std::string& what);
PeFile ParsePeFile(const std::string& path);

// The resource with a string type, numeric id and language; throws naming all three if absent.
const PeResource& FindPeResource(const PeFile& pe, const std::string& type, uint32_t id, uint32_t language);

}  // namespace minihost
