#include "minihost/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "minihost/Error.h"
#include "minihost/LargeBuffer.h"

namespace minihost {

World::World(int width, int height, int depth, int row_padding)
    : width_(width), height_(height), depth_(depth), row_bytes_(0) {
    const std::string what = "world " + std::to_string(width) + "x" + std::to_string(height) + " depth " +
                             std::to_string(depth) + " padding " + std::to_string(row_padding);
    if (depth != 8 && depth != 16 && depth != 32) throw Error(what + ": depth must be 8, 16 or 32");
    if (width <= 0 || height <= 0 || width > 1 << 16 || height > 1 << 16)
        throw Error(what + ": width and height must be 1..65536");
    const int channel = depth / 8;
    if (row_padding < 0 || row_padding % channel != 0)
        throw Error(what + ": row padding must be a non-negative multiple of " + std::to_string(channel));
    const int64_t row = int64_t(width) * pixel_bytes() + row_padding;
    if (row > INT32_MAX) throw Error(what + ": row too long");
    if (depth == 8 && row >= int64_t(width) * 16)
        throw Error(what + ": an 8-bit row of " + std::to_string(row) + " bytes would read as float");
    row_bytes_ = static_cast<int>(row);
    ResizeLarge(bytes_, std::size_t(row_bytes_) * height_);
    for (int y = 0; y < height_; ++y)
        std::memset(Row(y) + std::size_t(width_) * pixel_bytes(), kPaddingFill, std::size_t(row_padding));

    view_.world_flags = PF_WorldFlag_WRITEABLE | (depth == 16 ? PF_WorldFlag_DEEP : 0);
    view_.data = reinterpret_cast<PF_PixelPtr>(bytes_.data());
    view_.rowbytes = row_bytes_;
    view_.width = width_;
    view_.height = height_;
    view_.extent_hint = {0, 0, width_, height_};
    view_.pix_aspect_ratio = {1, 1};
}

PixelF World::Get(int x, int y) const {
    const uint8_t* p = Row(y) + std::size_t(x) * pixel_bytes();
    float c[4];
    if (depth_ == 8) {
        for (int i = 0; i < 4; ++i) c[i] = p[i] / 255.0f;
    } else if (depth_ == 16) {
        uint16_t v[4];
        std::memcpy(v, p, sizeof v);
        for (int i = 0; i < 4; ++i) c[i] = v[i] / 32768.0f;
    } else {
        std::memcpy(c, p, sizeof c);
    }
    return {c[0], c[1], c[2], c[3]};
}

void World::Set(int x, int y, PixelF px) {
    uint8_t* p = Row(y) + std::size_t(x) * pixel_bytes();
    const float c[4] = {px.a, px.r, px.g, px.b};
    if (depth_ == 8) {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(std::clamp(std::lround(c[i] * 255.0f), 0L, 255L));
    } else if (depth_ == 16) {
        uint16_t v[4];
        for (int i = 0; i < 4; ++i) v[i] = static_cast<uint16_t>(std::clamp(std::lround(c[i] * 32768.0f), 0L, 32768L));
        std::memcpy(p, v, sizeof v);
    } else {
        std::memcpy(p, c, sizeof c);
    }
}

// The fill pattern's pixels in row order, one row at a time.
class Pattern {
public:
    Pattern(uint32_t seed, int depth) : state_(seed * 2654435761u + 12345u), depth_(depth) {}
    void Row(uint8_t* row, int width) {
        const int bytes = depth_ == 8 ? 4 : depth_ == 16 ? 8 : 16;
        for (int x = 0; x < width; ++x) {
            uint8_t* p = row + std::size_t(x) * bytes;
            if (depth_ == 8) {
                for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(Next());
            } else if (depth_ == 16) {
                uint16_t v[4];
                for (auto& c : v) c = static_cast<uint16_t>(Next() % 32769u);
                std::memcpy(p, v, sizeof v);
            } else {
                float v[4];
                for (auto& c : v) c = static_cast<float>(Next() % 100000u) / 25000.0f - 1.0f;
                std::memcpy(p, v, sizeof v);
            }
        }
    }

private:
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    uint32_t state_;
    int depth_;
};

void World::FillPattern(uint32_t seed) {
    Pattern pattern(seed, depth_);
    for (int y = 0; y < height_; ++y) pattern.Row(Row(y), width_);
}

bool World::HoldsPattern(uint32_t seed) const {
    Pattern pattern(seed, depth_);
    std::vector<uint8_t> expected(std::size_t(width_) * pixel_bytes());
    for (int y = 0; y < height_; ++y) {
        pattern.Row(expected.data(), width_);
        if (std::memcmp(Row(y), expected.data(), expected.size()) != 0) return false;
    }
    return true;
}

void World::Fill(PixelF p) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) Set(x, y, p);
}

bool World::SamePixels(const World& o) const {
    if (width_ != o.width_ || height_ != o.height_ || depth_ != o.depth_) return false;
    const std::size_t n = std::size_t(width_) * pixel_bytes();
    for (int y = 0; y < height_; ++y)
        if (std::memcmp(Row(y), o.Row(y), n) != 0) return false;
    return true;
}

bool World::PaddingIntact() const {
    const std::size_t used = std::size_t(width_) * pixel_bytes();
    for (int y = 0; y < height_; ++y)
        for (std::size_t i = used; i < std::size_t(row_bytes_); ++i)
            if (Row(y)[i] != kPaddingFill) return false;
    return true;
}

int WorldDepth(const PF_EffectWorld& w) {
    if (w.world_flags & PF_WorldFlag_DEEP) return 16;
    if (int64_t(w.rowbytes) >= int64_t(w.width) * 16) return 32;
    return 8;
}

}  // namespace minihost
