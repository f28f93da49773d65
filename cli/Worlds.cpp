#include "cli/Worlds.h"

#include <cstring>

#include "cli/PixelDepth.h"

namespace morvel::cli {

minihost::World ToWorld(const Image& image, int depth) {
    minihost::World world(image.width, image.height, depth);
    for (int y = 0; y < image.height; ++y) {
        uint8_t* row = world.Row(y);
        for (int x = 0; x < image.width; ++x) {
            const float* p = image.At(x, y);
            const float argb[4] = {ToDepth(p[3], depth), ToDepth(p[0], depth), ToDepth(p[1], depth),
                                   ToDepth(p[2], depth)};
            for (int c = 0; c < 4; ++c) {
                if (depth == 8) {
                    row[x * 4 + c] = uint8_t(argb[c]);
                } else if (depth == 16) {
                    const uint16_t v = uint16_t(argb[c]);
                    std::memcpy(row + (x * 4 + c) * 2, &v, 2);
                } else {
                    std::memcpy(row + (x * 4 + c) * 4, &argb[c], 4);
                }
            }
        }
    }
    return world;
}

Frame FromWorld(const minihost::World& world) {
    Frame frame{world.depth(), Image(world.width(), world.height())};
    const int depth = world.depth();
    for (int y = 0; y < world.height(); ++y) {
        const uint8_t* row = world.Row(y);
        for (int x = 0; x < world.width(); ++x) {
            float argb[4];
            for (int c = 0; c < 4; ++c) {
                if (depth == 8) {
                    argb[c] = row[x * 4 + c];
                } else if (depth == 16) {
                    uint16_t v;
                    std::memcpy(&v, row + (x * 4 + c) * 2, 2);
                    argb[c] = v;
                } else {
                    std::memcpy(&argb[c], row + (x * 4 + c) * 4, 4);
                }
            }
            float* p = frame.pixels.At(x, y);
            p[0] = argb[1], p[1] = argb[2], p[2] = argb[3], p[3] = argb[0];
        }
    }
    return frame;
}

}  // namespace morvel::cli
