#include "cpu/HdriCache.h"

#include <cstddef>

namespace morvel {

CpuHdriCache& ProcessHdriCache() {
    static CpuHdriCache cache;
    return cache;
}

PreparedHdriKey HdriKeyOf(const HdriWorldView& world, float roughnessBias) {
    PreparedHdriKey key;
    const std::size_t row = static_cast<std::size_t>(world.width) * static_cast<std::size_t>(world.depth / 2);
    HashRows(world.pixels, world.rowBytes, world.height, row, key.hash);
    key.width = world.width;
    key.height = world.height;
    key.depth = world.depth;
    key.diffuse_sigma = kDiffuseBlurSigma;
    key.specular_sigma = roughnessBias * 50.0f;
    return key;
}

std::shared_ptr<const HdriImages> PrepareHdriImagesCached(const HdriWorldView& world, float roughnessBias,
                                                          CpuHdriCache& cache) {
    // The same checks the conversion makes, before any row is hashed.
    if (!world.pixels || world.width <= 0 || world.height <= 0) return nullptr;
    if (world.depth != 8 && world.depth != 16 && world.depth != 32) return nullptr;
    if (world.rowBytes < static_cast<std::ptrdiff_t>(world.width) * (world.depth / 2)) return nullptr;

    const PreparedHdriKey key = HdriKeyOf(world, roughnessBias);
    if (std::shared_ptr<const HdriImages> hit = cache.Find(key)) return hit;
    auto images = std::make_shared<HdriImages>();
    if (!PrepareHdriImages(world, roughnessBias, *images) || !images->ready()) return nullptr;
    std::vector<float>().swap(images->scratch);  // only the blur needs it
    const std::size_t bytes = (images->diffuse.size() + images->specular.size()) * sizeof(float);
    cache.Insert(key, images, bytes);
    return images;
}

}  // namespace morvel
