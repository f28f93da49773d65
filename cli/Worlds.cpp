#include "cli/Worlds.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "cli/PixelDepth.h"

namespace morvel::cli {
namespace {

// Runs rows(y0, y1) over [0, height) in bands, one per core: a whole frame is
// tens of megabytes, and one core alone cannot draw from memory what all do.
template <class Rows>
void ForRowBands(int width, int height, const Rows& rows) {
    constexpr std::size_t kPixelsPerBand = std::size_t(1) << 16;
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t by_size = std::max<std::size_t>(std::size_t(width) * height / kPixelsPerBand, 1);
    const int bands = int(std::min({cores, by_size, std::size_t(height)}));
    std::vector<std::jthread> others;
    for (int b = 1; b < bands; ++b)
        others.emplace_back([&rows, b, bands, height] { rows(height * b / bands, height * (b + 1) / bands); });
    rows(0, height / bands);
}

template <class T>
void StoreRow(uint8_t* row, const float* rgba, int width, int depth) {
    for (int x = 0; x < width; ++x, rgba += 4) {
        const T argb[4] = {T(ToDepth(rgba[3], depth)), T(ToDepth(rgba[0], depth)), T(ToDepth(rgba[1], depth)),
                           T(ToDepth(rgba[2], depth))};
        std::memcpy(row + std::size_t(x) * sizeof argb, argb, sizeof argb);
    }
}

template <class T>
void LoadRow(float* rgba, const uint8_t* row, int width) {
    for (int x = 0; x < width; ++x, rgba += 4) {
        T argb[4];
        std::memcpy(argb, row + std::size_t(x) * sizeof argb, sizeof argb);
        rgba[0] = float(argb[1]), rgba[1] = float(argb[2]), rgba[2] = float(argb[3]), rgba[3] = float(argb[0]);
    }
}

}  // namespace

minihost::World ToWorld(const Image& image, int depth) {
    minihost::World world(image.width, image.height, depth);
    ForRowBands(image.width, image.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const float* src = image.At(0, y);
            if (depth == 8) StoreRow<uint8_t>(world.Row(y), src, image.width, depth);
            if (depth == 16) StoreRow<uint16_t>(world.Row(y), src, image.width, depth);
            if (depth == 32) StoreRow<float>(world.Row(y), src, image.width, depth);
        }
    });
    return world;
}

Frame FromWorld(const minihost::World& world) {
    Frame frame{world.depth(), Image(world.width(), world.height())};
    const int depth = world.depth();
    ForRowBands(world.width(), world.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            float* dst = frame.pixels.At(0, y);
            if (depth == 8) LoadRow<uint8_t>(dst, world.Row(y), world.width());
            if (depth == 16) LoadRow<uint16_t>(dst, world.Row(y), world.width());
            if (depth == 32) LoadRow<float>(dst, world.Row(y), world.width());
        }
    });
    return frame;
}

}  // namespace morvel::cli
