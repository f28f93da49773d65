// Which channels of an EXR part make an image's R G B A, by the rules and in
// the channel order the image library presents (so files read as before).
#pragma once

#include <OpenEXR/openexr.h>

#include <string>
#include <vector>

#include "cli/ExrRead.h"

namespace morvel::cli {

struct ExrChannel {
    std::string name, layer, suffix;  // layer keeps its dot: "diffuse."
    int index = 0;                    // in the part's list as stored
    int special = 10000;              // rank of a reserved name
};

// By layer, then colour, alpha and depth names first (X Y Z in a layer that
// holds a position), then by name.
std::vector<ExrChannel> CanonicalOrder(const exr_attr_chlist_t& list);

// Fills `pick`'s r g b a with `prefix`R G B A by name, else grey `prefix`Y or
// `prefix`Z; without a prefix, else by position (grey, grey + alpha, RGB,
// RGBA) with an alpha found by name. False when nothing fits.
bool PickChannels(const std::vector<ExrChannel>& chans, const std::string& prefix, ExrLayer& pick);

}  // namespace morvel::cli
