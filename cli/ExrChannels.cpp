#include "cli/ExrChannels.h"

#include <strings.h>

#include <algorithm>

#include "cli/ChannelNames.h"

namespace morvel::cli {
namespace {

bool SameText(const std::string& a, const char* b) { return ::strcasecmp(a.c_str(), b) == 0; }

int Find(const std::vector<ExrChannel>& chans, const std::string& name) {
    for (const ExrChannel& c : chans)
        if (c.name == name) return c.index;
    return -1;
}

}  // namespace

std::vector<ExrChannel> CanonicalOrder(const exr_attr_chlist_t& list) {
    std::vector<ExrChannel> chans;
    for (int i = 0; i < list.num_channels; ++i) {
        ExrChannel c;
        if (list.entries[i].name.str)
            c.name.assign(list.entries[i].name.str, std::size_t(std::max(list.entries[i].name.length, 0)));
        c.index = i;
        const auto dot = c.name.rfind('.');
        c.layer = dot == std::string::npos ? "" : c.name.substr(0, dot + 1);
        c.suffix = dot == std::string::npos ? c.name : c.name.substr(dot + 1);
        chans.push_back(std::move(c));
    }
    std::stable_sort(chans.begin(), chans.end(),
                     [](const ExrChannel& a, const ExrChannel& b) { return a.layer < b.layer; });
    static const char* const kUsual[] = {"R",     "Red", "G",  "Green", "B",  "Blue", "Y",  "real", "imag",  "A",
                                         "Alpha", "AR",  "RA", "AG",    "GA", "AB",   "BA", "Z",    "Depth", "Zback"};
    static const char* const kPosition[] = {"R",  "Red", "G",    "Green", "B",  "Blue",  "X",
                                            "Y",  "Z",   "real", "imag",  "A",  "Alpha", "AR",
                                            "RA", "AG",  "GA",   "AB",    "BA", "Depth", "Zback"};
    for (auto begin = chans.begin(); begin != chans.end();) {
        auto end = begin;
        while (end != chans.end() && end->layer == begin->layer) ++end;
        auto has = [&](const char* s) {
            return std::any_of(begin, end, [&](const ExrChannel& c) { return SameText(c.suffix, s); });
        };
        const bool position = has("X") && (has("Y") || has("Z"));
        const auto* names = position ? std::begin(kPosition) : std::begin(kUsual);
        const auto* names_end = position ? std::end(kPosition) : std::end(kUsual);
        for (auto it = begin; it != end; ++it)
            for (auto n = names; n != names_end; ++n)
                if (SameText(it->suffix, *n)) {
                    it->special = int(n - names);
                    break;
                }
        std::sort(begin, end, [](const ExrChannel& a, const ExrChannel& b) {
            return a.special != b.special ? a.special < b.special : a.suffix < b.suffix;
        });
        begin = end;
    }
    return chans;
}

bool PickChannels(const std::vector<ExrChannel>& chans, const std::string& prefix, ExrLayer& pick) {
    if (PickChannelsByName([&](const std::string& name) { return Find(chans, name); }, prefix, pick)) return true;
    if (!prefix.empty()) return false;
    const int n = int(chans.size());
    if (n < 1) return false;
    pick.r = chans[0].index;
    pick.g = chans[n >= 3 ? 1 : 0].index;
    pick.b = chans[n >= 3 ? 2 : 0].index;
    pick.a = n == 2 ? chans[1].index : n >= 4 ? chans[3].index : -1;
    if (n != 3)
        for (const ExrChannel& c : chans)
            if (SameText(c.suffix, "A") || SameText(c.suffix, "Alpha")) {
                pick.a = c.index;
                break;
            }
    return true;
}

}  // namespace morvel::cli
