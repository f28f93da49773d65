#include "cli/SceneImages.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <thread>
#include <vector>

#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

struct FileId {
    std::string key;
    std::uintmax_t bytes = 0;
};

// The file itself where it can be stated (so "a.exr", "./a.exr" and a link to
// it are one file), else the path as written: the read then names the fault.
FileId IdentifyFile(const std::string& spec) {
    const LayerPath p = SplitLayerPath(spec);
    struct stat st {};
    if (::stat(p.file.c_str(), &st) != 0) return {"path:" + spec, 0};
    return {"file:" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + "#" + p.layer,
            std::uintmax_t(st.st_size)};
}

struct Decode {
    std::string spec;  // as the first layer naming it wrote it
    std::uintmax_t bytes = 0;
    std::vector<std::string> layers;
    Image image;
    std::exception_ptr error;
};

}  // namespace

int DecodeWorkers(std::size_t files) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return int(std::clamp<std::size_t>(std::min(files, cores), 1, 16));
}

SceneImages LoadSceneImages(Scene scene, int workers, LoadStats* stats) {
    std::vector<Decode> decodes;
    std::vector<std::size_t> decode_of;  // per scene layer
    std::map<std::string, std::size_t> by_key;
    for (const auto& layer : scene.layers) {
        const FileId id = IdentifyFile(layer.path);
        const auto [it, added] = by_key.emplace(id.key, decodes.size());
        if (added) decodes.push_back({layer.path, id.bytes, {}, {}, {}});
        decodes[it->second].layers.push_back(layer.name);
        decode_of.push_back(it->second);
    }
    // Largest files first: a big file started last would leave the other
    // threads idle while it alone decodes.
    std::vector<std::size_t> order(decodes.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return decodes[a].bytes > decodes[b].bytes; });

    const int threads = std::min(workers > 0 ? workers : DecodeWorkers(decodes.size()), int(decodes.size()));
    std::atomic<std::size_t> next{0};
    // Every decode runs to its end, failed or not, so the error reported never
    // depends on which thread got there first.
    auto work = [&] {
        for (std::size_t n = next++; n < order.size(); n = next++) {
            Decode& d = decodes[order[n]];
            try {
                d.image = ReadImage(d.spec);
            } catch (...) {
                d.error = std::current_exception();
            }
        }
    };
    {
        std::vector<std::jthread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back(work);
        work();
    }

    for (std::size_t l = 0; l < scene.layers.size(); ++l) {
        const LayerRef& layer = scene.layers[l];
        const Decode& d = decodes[decode_of[l]];
        if (!d.error) continue;
        try {
            std::rethrow_exception(d.error);
        } catch (const SceneError& e) {
            throw SceneError(scene.file + ": layers." + layer.name + ": " + e.what());
        }
    }
    SceneImages out;
    for (Decode& d : decodes) {
        // The last layer of a shared file takes the decoded image itself.
        for (std::size_t i = 0; i + 1 < d.layers.size(); ++i) out.layers[d.layers[i]] = d.image;
        out.layers[d.layers.back()] = std::move(d.image);
    }
    if (stats) stats->files_decoded = decodes.size();
    out.scene = std::move(scene);
    return out;
}

}  // namespace morvel::cli
