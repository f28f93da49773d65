#include "minihost/Pipl.h"

#include "minihost/Bytes.h"
#include "minihost/ElfReader.h"
#include "minihost/Error.h"
#include "minihost/PeReader.h"

namespace minihost {

const PiplProperty* Pipl::Find(const std::string& key) const {
    for (const PiplProperty& p : properties)
        if (p.key == key) return &p;
    return nullptr;
}

std::string FourCharCode(std::span<const uint8_t> four) {
    std::string out;
    for (std::size_t i = four.size(); i-- > 0;) out.push_back(static_cast<char>(four[i]));
    return out;
}

std::optional<std::string> PascalString(std::span<const uint8_t> data) {
    if (data.empty() || data[0] >= data.size()) return std::nullopt;
    return std::string(data.begin() + 1, data.begin() + 1 + data[0]);
}

Pipl ParsePipl(std::span<const uint8_t> bytes, const std::string& what) {
    ByteReader r(bytes, what);
    Pipl p;
    p.word = r.U16(0, "leading word");
    p.version = r.U32(2, "version");
    p.count = r.U32(6, "property count");
    // Each property needs at least its 16-byte header; a larger count is forged.
    if (p.count > bytes.size() / 16)
        r.Fail("property count " + std::to_string(p.count) + " cannot fit in " + std::to_string(bytes.size()) +
               " bytes");
    uint64_t at = 10;
    for (uint32_t i = 0; i < p.count; ++i) {
        const std::string field = "property " + std::to_string(i + 1);
        PiplProperty prop;
        prop.vendor = FourCharCode(r.Slice(at, 4, (field + " vendor").c_str()));
        prop.key = FourCharCode(r.Slice(at + 4, 4, (field + " key").c_str()));
        prop.id = r.U32(at + 8, (field + " id").c_str());
        prop.length = r.U32(at + 12, (field + " length").c_str());
        const uint64_t padded = (uint64_t(prop.length) + 3) & ~uint64_t(3);
        auto data = r.Slice(at + 16, padded, (field + " ('" + prop.key + "') data").c_str());
        prop.data.assign(data.begin(), data.begin() + prop.length);
        prop.padding.assign(data.begin() + prop.length, data.end());
        p.properties.push_back(std::move(prop));
        at += 16 + padded;
    }
    p.trailing = static_cast<std::size_t>(bytes.size() - at);
    return p;
}

std::vector<uint8_t> ReadPiplBytes(const std::string& module_path) {
    const std::vector<uint8_t> file = ReadFileBytes(module_path);
    if (file.size() >= 4 && file[0] == 0x7F && file[1] == 'E' && file[2] == 'L' && file[3] == 'F')
        return ReadElfSection(file, ".pipl", module_path);
    if (file.size() >= 2 && file[0] == 'M' && file[1] == 'Z')
        return FindPeResource(ParsePe(file, module_path), "PIPL", 16000, 1033).bytes;
    throw Error(module_path + ": neither an ELF nor a PE file");
}

}  // namespace minihost
