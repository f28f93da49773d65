// The zip and zips blocks of EXR files, through libdeflate. A block is a zlib
// stream of the block's bytes after two reversible steps (even bytes before
// odd ones, then each byte as a difference from the one before it); a block
// that would not shrink is stored as it is, so a block as long as its
// uncompressed size is raw.
#pragma once

#include <cstddef>

namespace morvel::cli {

// libdeflate's level (1..12) for a zlib-style level: 1..9 keep their meaning
// (libdeflate's levels match zlib's in speed and size there), 0 or below is
// zlib's default (6), and above 9 stays above 9 up to libdeflate's 12.
int DeflateLevel(int zlib_level);

// Decodes one block of `packed_size` bytes into exactly `out_size` bytes.
// False when the block is damaged or does not hold exactly `out_size` bytes.
// The (de)compressors and the scratch memory live per thread.
bool DecodeZipBlock(const void* packed, std::size_t packed_size, void* out, std::size_t out_size) noexcept;

// Encodes `raw_size` bytes at deflate level `level` (1..12) into `out`, which
// holds at least `raw_size` bytes; returns the block's size. A block that
// would not shrink is stored raw (size `raw_size`). Returns 0 when memory
// runs out, or for an empty input.
std::size_t EncodeZipBlock(const void* raw, std::size_t raw_size, void* out, int level) noexcept;

}  // namespace morvel::cli
