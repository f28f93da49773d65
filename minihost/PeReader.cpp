#include "minihost/PeReader.h"

#include "minihost/Bytes.h"
#include "minihost/Error.h"

namespace minihost {
namespace {

constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kScnMemExecute = 0x20000000;
constexpr uint32_t kDirExport = 0, kDirImport = 1, kDirResource = 2;
// Limits that no real module reaches; they stop forged counts from driving huge loops.
constexpr uint32_t kMaxExports = 1u << 16;
constexpr uint32_t kMaxImports = 4096;
constexpr uint32_t kMaxResourceEntries = 4096;
// Leaves may share bytes; copying each would let a small file cost thousands of times its size.
constexpr uint64_t kMaxResourceCopies = 4;

struct Section {
    uint32_t va = 0, virtual_size = 0, raw_size = 0, raw_offset = 0, characteristics = 0;
};

struct DataDirectory {
    uint32_t rva = 0, size = 0;
};

class Image {
public:
    Image(std::span<const uint8_t> file, const std::string& what) : r_(file, what) {
        if (r_.U16(0, "DOS signature") != 0x5A4D) r_.Fail("not a PE file (no MZ signature)");
        const uint32_t pe = r_.U32(0x3C, "e_lfanew");
        if (r_.U32(pe, "PE signature") != 0x00004550) r_.Fail("no PE signature at e_lfanew " + Hex(pe));
        const uint64_t coff = uint64_t(pe) + 4;
        const uint16_t nsections = r_.U16(coff + 2, "NumberOfSections");
        const uint16_t optional_size = r_.U16(coff + 16, "SizeOfOptionalHeader");
        const uint64_t opt = coff + 20;
        const uint16_t magic = r_.U16(opt, "optional header Magic");
        if (magic != kPe32PlusMagic) r_.Fail("not a PE32+ (64-bit) image (Magic " + Hex(magic) + ")");
        const uint32_t ndirs = r_.U32(opt + 108, "NumberOfRvaAndSizes");
        for (uint32_t i = 0; i < 3 && i < ndirs; ++i) {
            if (112 + 8 * (i + 1) > optional_size) break;
            dirs_[i].rva = r_.U32(opt + 112 + 8 * i, "data directory RVA");
            dirs_[i].size = r_.U32(opt + 116 + 8 * i, "data directory size");
        }
        const uint64_t table = opt + optional_size;
        r_.Slice(table, uint64_t(nsections) * 40, "section table");
        for (uint16_t i = 0; i < nsections; ++i) {
            const uint64_t h = table + uint64_t(i) * 40;
            Section s;
            s.virtual_size = r_.U32(h + 8, "section VirtualSize");
            s.va = r_.U32(h + 12, "section VirtualAddress");
            s.raw_size = r_.U32(h + 16, "section SizeOfRawData");
            s.raw_offset = r_.U32(h + 20, "section PointerToRawData");
            s.characteristics = r_.U32(h + 36, "section Characteristics");
            sections_.push_back(s);
        }
    }

    const ByteReader& reader() const { return r_; }
    DataDirectory dir(uint32_t i) const { return dirs_[i]; }

    const Section* SectionOf(uint32_t rva) const {
        for (const Section& s : sections_) {
            const uint32_t extent = s.virtual_size ? s.virtual_size : s.raw_size;
            if (rva >= s.va && uint64_t(rva) < uint64_t(s.va) + extent) return &s;
        }
        return nullptr;
    }

    // File offset of an RVA whose bytes are present in the file.
    uint64_t Offset(uint32_t rva, const char* field) const {
        const Section* s = SectionOf(rva);
        if (!s || rva - s->va >= s->raw_size)
            r_.Fail(std::string(field) + " RVA " + Hex(rva) + " is not backed by any section's file data");
        return uint64_t(s->raw_offset) + (rva - s->va);
    }

    uint32_t U32(uint32_t rva, const char* field) const { return r_.U32(Offset(rva, field), field); }
    uint16_t U16(uint32_t rva, const char* field) const { return r_.U16(Offset(rva, field), field); }
    std::string String(uint32_t rva, const char* field) const { return r_.CString(Offset(rva, field), 1024, field); }

private:
    ByteReader r_;
    DataDirectory dirs_[3];
    std::vector<Section> sections_;
};

void ReadExports(const Image& img, PeFile& out) {
    const DataDirectory d = img.dir(kDirExport);
    if (d.rva == 0) return;
    out.dll_name = img.String(img.U32(d.rva + 12, "export Name"), "export directory name");
    const uint32_t base = img.U32(d.rva + 16, "export Base");
    const uint32_t nfunctions = img.U32(d.rva + 20, "export NumberOfFunctions");
    const uint32_t nnames = img.U32(d.rva + 24, "export NumberOfNames");
    const uint32_t functions = img.U32(d.rva + 28, "export AddressOfFunctions");
    const uint32_t names = img.U32(d.rva + 32, "export AddressOfNames");
    const uint32_t ordinals = img.U32(d.rva + 36, "export AddressOfNameOrdinals");
    if (nfunctions > kMaxExports || nnames > kMaxExports)
        img.reader().Fail("export directory claims " + std::to_string(nfunctions) + " functions and " +
                          std::to_string(nnames) + " names");
    std::vector<std::string> name_of(nfunctions);
    for (uint32_t i = 0; i < nnames; ++i) {
        const uint16_t index = img.U16(ordinals + 2 * i, "export name ordinal");
        if (index >= nfunctions)
            img.reader().Fail("export name ordinal " + std::to_string(index) + " is not below NumberOfFunctions " +
                              std::to_string(nfunctions));
        name_of[index] = img.String(img.U32(names + 4 * i, "export name RVA"), "export name");
    }
    for (uint32_t i = 0; i < nfunctions; ++i) {
        PeExport e;
        e.rva = img.U32(functions + 4 * i, "export address");
        if (e.rva == 0) continue;  // unused ordinal slot
        e.name = name_of[i];
        e.ordinal = base + i;
        e.is_forwarder = e.rva >= d.rva && uint64_t(e.rva) < uint64_t(d.rva) + d.size;
        const Section* s = img.SectionOf(e.rva);
        e.is_data = !e.is_forwarder && (!s || !(s->characteristics & kScnMemExecute));
        out.exports.push_back(std::move(e));
    }
}

void ReadImports(const Image& img, PeFile& out) {
    const DataDirectory d = img.dir(kDirImport);
    if (d.rva == 0) return;
    for (uint32_t i = 0;; ++i) {
        if (i == kMaxImports) img.reader().Fail("import directory has no terminating entry");
        const uint32_t entry = d.rva + 20 * i;
        const uint32_t name = img.U32(entry + 12, "import Name");
        const uint32_t thunk = img.U32(entry + 16, "import FirstThunk");
        if (name == 0 && thunk == 0) break;
        out.imports.push_back(img.String(name, "imported DLL name"));
    }
}

class ResourceWalker {
public:
    ResourceWalker(const Image& img, PeFile& out) : img_(img), out_(out) {
        const DataDirectory d = img.dir(kDirResource);
        root_ = d.rva;
        size_ = d.size;
    }

    void Walk() {
        if (root_ == 0) return;
        PeResource r;
        Level(0, 0, r);
    }

private:
    // Entry offsets are relative to the start of the resource directory.
    uint32_t At(uint32_t relative, uint32_t length, const char* field) const {
        if (uint64_t(relative) + length > size_)
            img_.reader().Fail(std::string(field) + " at resource offset " + Hex(relative) +
                               " lies outside the resource directory (" + std::to_string(size_) + " bytes)");
        return root_ + relative;
    }

    std::string Utf16Name(uint32_t relative) const {
        const uint16_t length = img_.U16(At(relative, 2, "resource name length"), "resource name length");
        std::string name;
        for (uint16_t i = 0; i < length; ++i) {
            const uint32_t at = At(relative + 2 + 2u * i, 2, "resource name");
            const uint16_t c = img_.U16(at, "resource name");
            name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
        return name;
    }

    void Level(int depth, uint32_t relative, PeResource& current) {
        const uint32_t dir = At(relative, 16, "resource directory");
        const uint32_t count =
            uint32_t(img_.U16(dir + 12, "NumberOfNamedEntries")) + img_.U16(dir + 14, "NumberOfIdEntries");
        if ((entries_seen_ += count) > kMaxResourceEntries)
            img_.reader().Fail("resource directory has too many entries");
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t entry = At(relative + 16 + 8 * i, 8, "resource directory entry");
            const uint32_t name = img_.U32(entry, "resource entry name");
            const uint32_t target = img_.U32(entry + 4, "resource entry offset");
            std::optional<std::string> label;
            uint32_t id = 0;
            if (name & 0x80000000u)
                label = Utf16Name(name & 0x7FFFFFFFu);
            else
                id = name;
            if (depth == 0) {
                current.type_name = label;
                current.type_id = id;
            } else if (depth == 1) {
                current.name = label;
                current.id = id;
            } else {
                current.language = id;
            }
            const bool subdirectory = target & 0x80000000u;
            if (depth < 2) {
                if (!subdirectory) img_.reader().Fail("resource tree has a leaf above the language level");
                Level(depth + 1, target & 0x7FFFFFFFu, current);
            } else {
                if (subdirectory) img_.reader().Fail("resource tree is deeper than type/name/language");
                const uint32_t data = At(target, 16, "resource data entry");
                const uint32_t rva = img_.U32(data, "resource data RVA");
                const uint32_t length = img_.U32(data + 4, "resource data size");
                auto bytes = img_.reader().Slice(img_.Offset(rva, "resource data"), length, "resource data");
                const uint64_t limit = kMaxResourceCopies * img_.reader().size();
                if ((bytes_copied_ += length) > limit)
                    img_.reader().Fail("resource data totals more than " + std::to_string(limit) + " bytes (" +
                                       std::to_string(kMaxResourceCopies) +
                                       " times the file size): leaves overlap or repeat");
                PeResource leaf = current;
                leaf.bytes.assign(bytes.begin(), bytes.end());
                out_.resources.push_back(std::move(leaf));
            }
        }
    }

    const Image& img_;
    PeFile& out_;
    uint32_t root_ = 0, size_ = 0, entries_seen_ = 0;
    uint64_t bytes_copied_ = 0;
};

}  // namespace

PeFile ParsePe(std::span<const uint8_t> file, const std::string& what) {
    Image img(file, what);
    PeFile out;
    ReadExports(img, out);
    ReadImports(img, out);
    ResourceWalker(img, out).Walk();
    return out;
}

PeFile ParsePeFile(const std::string& path) {
    const std::vector<uint8_t> file = ReadFileBytes(path);
    return ParsePe(file, path);
}

const PeResource& FindPeResource(const PeFile& pe, const std::string& type, uint32_t id, uint32_t language) {
    for (const PeResource& r : pe.resources)
        if (r.type_name == type && !r.name && r.id == id && r.language == language) return r;
    throw Error("no resource of type \"" + type + "\", id " + std::to_string(id) + ", language " +
                std::to_string(language) + " among " + std::to_string(pe.resources.size()) + " resources");
}

}  // namespace minihost
