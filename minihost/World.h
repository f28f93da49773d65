// An owning image buffer in one of the host's three CPU depths, with an
// optional gap at the end of each row, and the PF_EffectWorld view of it that
// the effect receives. Pixels are A, R, G, B; 16-bit channels run 0..32768.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/AE_Effect.h"

namespace minihost {

struct PixelF {
    float a = 0, r = 0, g = 0, b = 0;
};

class World {
public:
    // depth is 8, 16 or 32; row_padding is extra bytes per row, a multiple of
    // the channel size. An 8-bit row must stay shorter than width × 16 bytes,
    // or the host's rule would read it as float.
    World(int width, int height, int depth, int row_padding = 0);
    // The view points into the buffer, so a copy would alias it; a move keeps it valid.
    World(const World&) = delete;
    World& operator=(const World&) = delete;
    World(World&&) = default;
    World& operator=(World&&) = default;

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    int row_bytes() const { return row_bytes_; }
    int pixel_bytes() const { return depth_ == 8 ? 4 : depth_ == 16 ? 8 : 16; }

    // The view as the host fills it; data points into this world.
    PF_EffectWorld& View() { return view_; }
    const PF_EffectWorld& View() const { return view_; }

    uint8_t* Row(int y) { return bytes_.data() + std::size_t(y) * row_bytes_; }
    const uint8_t* Row(int y) const { return bytes_.data() + std::size_t(y) * row_bytes_; }

    // Channels as floats: 8-bit / 255, 16-bit / 32768, float as stored.
    PixelF Get(int x, int y) const;
    // Stores rounded and clamped to the depth's range.
    void Set(int x, int y, PixelF p);
    // A deterministic pattern that differs per pixel and channel.
    void FillPattern(uint32_t seed);
    // Every pixel still what FillPattern(seed) wrote (padding ignored); needs no second world.
    bool HoldsPattern(uint32_t seed) const;
    void Fill(PixelF p);

    // Same size, depth and pixel bytes (row padding ignored).
    bool SamePixels(const World& other) const;
    // Padding bytes still hold the fill they were created with.
    bool PaddingIntact() const;

private:
    int width_, height_, depth_, row_bytes_;
    std::vector<uint8_t> bytes_;
    PF_EffectWorld view_{};
};

inline constexpr uint8_t kPaddingFill = 0xCD;

// The depth of a world as the host's rule reads it: deep flag → 16, otherwise
// float when the rows hold at least 16 bytes per pixel, otherwise 8.
int WorldDepth(const PF_EffectWorld& w);

}  // namespace minihost
