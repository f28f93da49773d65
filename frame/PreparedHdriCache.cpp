#include "frame/PreparedHdriCache.h"

#include <cstring>

namespace morvel {
namespace {

inline uint64_t Mix(uint64_t h, uint64_t v, uint64_t mul) {
    h ^= v * mul;
    h = (h << 27) | (h >> 37);
    return h * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
}

inline uint64_t Finish(uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

bool PreparedHdriKey::operator==(const PreparedHdriKey& o) const {
    return hash[0] == o.hash[0] && hash[1] == o.hash[1] && width == o.width && height == o.height && depth == o.depth &&
           SameBits(diffuse_sigma, o.diffuse_sigma) && SameBits(specular_sigma, o.specular_sigma);
}

void HashRows(const void* pixels, std::ptrdiff_t row_bytes, int rows, std::size_t row_length, uint64_t out[2]) {
    uint64_t a = 0x243F6A8885A308D3ull ^ row_length, b = 0x13198A2E03707344ull ^ static_cast<uint64_t>(rows);
    const auto* base = static_cast<const unsigned char*>(pixels);
    for (int y = 0; pixels && y < rows; ++y) {
        const unsigned char* row = base + static_cast<std::ptrdiff_t>(y) * row_bytes;
        std::size_t i = 0;
        for (; i + 8 <= row_length; i += 8) {
            uint64_t v;
            std::memcpy(&v, row + i, 8);
            a = Mix(a, v, 0x87C37B91114253D5ull);
            b = Mix(b, v, 0x4CF5AD432745937Full);
        }
        uint64_t tail = 0;
        std::memcpy(&tail, row + i, row_length - i);
        a = Mix(a, tail ^ (static_cast<uint64_t>(y) << 40), 0x87C37B91114253D5ull);
        b = Mix(b, tail + static_cast<uint64_t>(y), 0x4CF5AD432745937Full);
    }
    out[0] = Finish(a);
    out[1] = Finish(b ^ a);
}

}  // namespace morvel
