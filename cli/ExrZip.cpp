#include "cli/ExrZip.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace morvel::cli {
namespace {

struct FreeDecompressor {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
struct FreeCompressor {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// Memory and libdeflate objects of one thread, made on first use and kept:
// a file's blocks come one after another on the same threads.
struct ThreadState {
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor;
    std::array<std::unique_ptr<libdeflate_compressor, FreeCompressor>, 13> compressors;
    std::unique_ptr<std::uint8_t[]> scratch;
    std::size_t scratch_size = 0;

    std::uint8_t* Scratch(std::size_t n) {
        if (n > scratch_size) {
            scratch.reset();
            scratch_size = 0;
            scratch.reset(new (std::nothrow) std::uint8_t[n]);
            if (!scratch) return nullptr;
            scratch_size = n;
        }
        return scratch.get();
    }
};

ThreadState& State() {
    thread_local ThreadState state;
    return state;
}

// Undoes the difference step: a running sum of (byte - 128).
void Reconstruct(std::uint8_t* buf, std::size_t n) {
    if (n == 0) return;
    std::size_t i = 1;
    std::uint8_t prev = buf[0];
#if defined(__SSE2__)
    // Sixteen bytes at a time: an in-register prefix sum plus the carry of the
    // bytes before. The first byte holds no difference, so it starts the carry.
    const __m128i bias = _mm_set1_epi8(char(-128));
    __m128i carry = _mm_set1_epi8(char(prev));
    for (; i + 16 <= n; i += 16) {
        __m128i d = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + i)), bias);
        d = _mm_add_epi8(d, _mm_slli_si128(d, 1));
        d = _mm_add_epi8(d, _mm_slli_si128(d, 2));
        d = _mm_add_epi8(d, _mm_slli_si128(d, 4));
        d = _mm_add_epi8(d, _mm_slli_si128(d, 8));
        d = _mm_add_epi8(d, carry);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(buf + i), d);
        __m128i top = _mm_srli_si128(d, 15);
        top = _mm_unpacklo_epi8(top, top);
        top = _mm_unpacklo_epi16(top, top);
        carry = _mm_shuffle_epi32(top, 0);
    }
    prev = buf[i - 1];
#endif
    for (; i < n; ++i) {
        prev = std::uint8_t(prev + buf[i] - 128);
        buf[i] = prev;
    }
}

// Even bytes come from the first half of `src`, odd bytes from the second.
void Interleave(std::uint8_t* out, const std::uint8_t* src, std::size_t n) {
    const std::uint8_t* even = src;
    const std::uint8_t* odd = src + (n + 1) / 2;
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 32 <= n; i += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(even + i / 2));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(odd + i / 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(a, b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 16), _mm_unpackhi_epi8(a, b));
    }
#endif
    for (; i < n; ++i) out[i] = (i % 2 == 0) ? even[i / 2] : odd[i / 2];
}

// The encoder's first step: even bytes to the first half of `out`, odd bytes
// to the second.
void Split(std::uint8_t* out, const std::uint8_t* src, std::size_t n) {
    std::uint8_t* even = out;
    std::uint8_t* odd = out + (n + 1) / 2;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi16(0x00ff);
    for (; i + 32 <= n; i += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(even + i / 2),
                         _mm_packus_epi16(_mm_and_si128(a, low), _mm_and_si128(b, low)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(odd + i / 2),
                         _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8)));
    }
#endif
    for (; i < n; ++i) (i % 2 == 0 ? even : odd)[i / 2] = src[i];
}

// The encoder's second step: each byte as its difference from the one before,
// plus 128. Done from the end back, so that every step still reads the bytes
// before it as they were.
void Predict(std::uint8_t* buf, std::size_t n) {
    std::size_t i = n;
#if defined(__SSE2__)
    const __m128i bias = _mm_set1_epi8(char(-128));
    for (; i >= 17; i -= 16) {
        const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + i - 16));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + i - 17));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(buf + i - 16), _mm_add_epi8(_mm_sub_epi8(now, before), bias));
    }
#endif
    for (; i > 1; --i) buf[i - 1] = std::uint8_t(buf[i - 1] - buf[i - 2] + 128);
}

}  // namespace

int DeflateLevel(int zlib_level) { return zlib_level <= 0 ? 6 : std::min(zlib_level, 12); }

bool DecodeZipBlock(const void* packed, std::size_t packed_size, void* out, std::size_t out_size) noexcept {
    if (packed_size == out_size) {
        if (out_size) std::memmove(out, packed, out_size);
        return true;
    }
    ThreadState& state = State();
    if (!state.decompressor) state.decompressor.reset(libdeflate_alloc_decompressor());
    std::uint8_t* scratch = state.Scratch(out_size);
    if (!state.decompressor || !scratch || !packed) return false;
    std::size_t got = 0;
    if (libdeflate_zlib_decompress(state.decompressor.get(), packed, packed_size, scratch, out_size, &got) !=
            LIBDEFLATE_SUCCESS ||
        got != out_size)
        return false;
    Reconstruct(scratch, out_size);
    Interleave(static_cast<std::uint8_t*>(out), scratch, out_size);
    return true;
}

std::size_t EncodeZipBlock(const void* raw, std::size_t raw_size, void* out, int level) noexcept {
    if (raw_size == 0) return 0;
    level = std::clamp(level, 1, 12);
    ThreadState& state = State();
    auto& compressor = state.compressors[std::size_t(level)];
    if (!compressor) compressor.reset(libdeflate_alloc_compressor(level));
    std::uint8_t* scratch = state.Scratch(raw_size);
    if (!compressor || !scratch) return 0;
    Split(scratch, static_cast<const std::uint8_t*>(raw), raw_size);
    Predict(scratch, raw_size);
    // A block as long as the raw bytes reads as raw, so compression must win by a byte.
    const std::size_t packed = libdeflate_zlib_compress(compressor.get(), scratch, raw_size, out, raw_size - 1);
    if (packed != 0) return packed;
    std::memcpy(out, raw, raw_size);
    return raw_size;
}

}  // namespace morvel::cli
