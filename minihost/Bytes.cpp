#include "minihost/Bytes.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "minihost/Error.h"

namespace minihost {

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error("cannot open '" + path + "' for reading");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Error("cannot read '" + path + "'");
    return bytes;
}

ByteReader::ByteReader(std::span<const uint8_t> bytes, std::string what) : bytes_(bytes), what_(std::move(what)) {}

bool ByteReader::Contains(uint64_t offset, uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
}

void ByteReader::Fail(const std::string& message) const { throw Error(what_ + ": " + message); }

std::span<const uint8_t> ByteReader::Slice(uint64_t offset, uint64_t length, const char* field) const {
    if (!Contains(offset, length))
        Fail(std::string(field) + " at offset " + Hex(offset) + " (" + std::to_string(length) +
             " bytes) lies outside the " + std::to_string(bytes_.size()) + "-byte buffer");
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

uint8_t ByteReader::U8(uint64_t offset, const char* field) const { return Slice(offset, 1, field)[0]; }

uint16_t ByteReader::U16(uint64_t offset, const char* field) const {
    auto s = Slice(offset, 2, field);
    return static_cast<uint16_t>(s[0] | (s[1] << 8));
}

uint32_t ByteReader::U32(uint64_t offset, const char* field) const {
    auto s = Slice(offset, 4, field);
    return uint32_t(s[0]) | (uint32_t(s[1]) << 8) | (uint32_t(s[2]) << 16) | (uint32_t(s[3]) << 24);
}

uint64_t ByteReader::U64(uint64_t offset, const char* field) const {
    return uint64_t(U32(offset, field)) | (uint64_t(U32(offset + 4, field)) << 32);
}

std::string ByteReader::CString(uint64_t offset, std::size_t max_length, const char* field) const {
    if (offset >= bytes_.size()) Fail(std::string(field) + " at offset " + Hex(offset) + " lies outside the buffer");
    std::string out;
    for (uint64_t i = offset; i < bytes_.size(); ++i) {
        if (bytes_[i] == 0) return out;
        if (out.size() == max_length) break;
        out.push_back(static_cast<char>(bytes_[i]));
    }
    Fail(std::string(field) + " at offset " + Hex(offset) + " is not NUL-terminated within " +
         std::to_string(max_length) + " bytes");
}

std::string Hex(uint64_t value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
    return buf;
}

}  // namespace minihost
