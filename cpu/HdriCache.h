// The CPU's prepared HDRI images kept between frames: a layer around
// PrepareHdriImages, so a sequence with a fixed HDRI and "HDRI Roughness Bias"
// converts and blurs it once. Entries are keyed by the HDRI's content, size and
// depth and the two blur widths, so a changed HDRI is never served stale.
#pragma once

#include <memory>

#include "cpu/HdriBlur.h"
#include "frame/PreparedHdriCache.h"

namespace morvel {

using CpuHdriCache = PreparedHdriCache<HdriImages>;

// The process's cache (4 entries or 1 GiB).
CpuHdriCache& ProcessHdriCache();

// What decides the images PrepareHdriImages would make from this world.
PreparedHdriKey HdriKeyOf(const HdriWorldView& world, float roughnessBias);

// The prepared images of the world: from the cache, else prepared and kept. Null
// when the world is unusable (as PrepareHdriImages returns false). A failed
// allocation throws, like every allocation of a frame.
std::shared_ptr<const HdriImages> PrepareHdriImagesCached(const HdriWorldView& world, float roughnessBias,
                                                          CpuHdriCache& cache = ProcessHdriCache());

}  // namespace morvel
