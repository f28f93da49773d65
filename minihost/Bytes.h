// Bounds-checked little-endian reads over a byte buffer. Module files are
// untrusted input: every offset is checked before it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace minihost {

std::vector<uint8_t> ReadFileBytes(const std::string& path);

class ByteReader {
public:
    // `what` names the buffer in error messages (usually the file path).
    ByteReader(std::span<const uint8_t> bytes, std::string what);

    std::size_t size() const { return bytes_.size(); }
    const std::string& what() const { return what_; }

    uint8_t U8(uint64_t offset, const char* field) const;
    uint16_t U16(uint64_t offset, const char* field) const;
    uint32_t U32(uint64_t offset, const char* field) const;
    uint64_t U64(uint64_t offset, const char* field) const;
    // The range [offset, offset + length) must lie inside the buffer.
    std::span<const uint8_t> Slice(uint64_t offset, uint64_t length, const char* field) const;
    // A NUL-terminated string starting at offset, at most max_length bytes long.
    std::string CString(uint64_t offset, std::size_t max_length, const char* field) const;
    bool Contains(uint64_t offset, uint64_t length) const;

    [[noreturn]] void Fail(const std::string& message) const;

private:
    std::span<const uint8_t> bytes_;
    std::string what_;
};

std::string Hex(uint64_t value);

}  // namespace minihost
