// The channel-name rule every image reader shares, so that a file picks the
// same channels whichever library decodes it.
#pragma once

#include <string>

namespace morvel::cli {

// Sets `pick`'s r g b a to `prefix`R G B A when R, G and B are all there, else
// r g b to a grey `prefix`Y or `prefix`Z. `find` maps a channel name to its
// index, or -1. False when neither fits; the caller's positional rule follows.
template <class Pick, class Find>
bool PickChannelsByName(const Find& find, const std::string& prefix, Pick& pick) {
    pick.r = find(prefix + "R");
    pick.g = find(prefix + "G");
    pick.b = find(prefix + "B");
    pick.a = find(prefix + "A");
    if (pick.r >= 0 && pick.g >= 0 && pick.b >= 0) return true;
    for (const char* grey : {"Y", "Z"}) {
        const int y = find(prefix + grey);
        if (y >= 0) {
            pick.r = pick.g = pick.b = y;
            return true;
        }
    }
    return false;
}

}  // namespace morvel::cli
