#include "cli/ImagePlugin.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

#include "cli/SceneError.h"

#ifndef MORVEL_IMAGE_PLUGIN_BUILT
#define MORVEL_IMAGE_PLUGIN_BUILT ""
#endif

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

// The loader's reason, without the path it starts with (the caller names it).
std::string DlError(const std::string& path) {
    const char* e = dlerror();
    std::string reason = e ? e : "the dynamic loader gave no reason";
    if (reason.rfind(path + ": ", 0) == 0) reason.erase(0, path.size() + 2);
    return reason;
}

// The folder of the executable or shared library this code was linked into:
// the tool, a test runner, or the Python extension.
std::optional<fs::path> OwnFolder() {
    Dl_info info{};
    link_map* map = nullptr;
    if (!dladdr1(reinterpret_cast<void*>(&ImagePluginCandidates), &info, reinterpret_cast<void**>(&map),
                 RTLD_DL_LINKMAP) ||
        !map)
        return std::nullopt;
    std::error_code ec;
    // The main program's own entry has no name (the loader's dli_fname is then
    // argv[0], which may be a bare name found on PATH).
    const fs::path self = map->l_name && *map->l_name ? fs::path(map->l_name) : fs::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty()) return std::nullopt;
    return fs::absolute(self, ec).parent_path();
}

ImageLibrary* TryLoad(const std::string& path, std::string& why) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        why = "no such file";
        return nullptr;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        why = DlError(path);
        return nullptr;
    }
    auto factory = reinterpret_cast<ImageLibraryFactory>(dlsym(handle, kImageLibraryFactory));
    if (!factory) {
        why = "not an image plugin (" + DlError(path) + ")";
        dlclose(handle);
        return nullptr;
    }
    ImageLibrary* library = factory(kImageLibraryVersion);
    if (!library) {
        why = "built for another version of morvel-render; rebuild or reinstall it";
        dlclose(handle);
        return nullptr;
    }
    return library;
}

}  // namespace

std::vector<std::string> ImagePluginCandidates() {
    const char* chosen = std::getenv("MORVEL_IMAGE_PLUGIN");
    if (chosen && *chosen) return {chosen};
    std::vector<std::string> candidates;
    if (const auto folder = OwnFolder()) {
        candidates.push_back((*folder / kImagePluginFile).lexically_normal().string());
        candidates.push_back((*folder / ".." / "lib" / "morvel" / kImagePluginFile).lexically_normal().string());
    }
    if (*MORVEL_IMAGE_PLUGIN_BUILT)
        candidates.push_back(fs::path(MORVEL_IMAGE_PLUGIN_BUILT).lexically_normal().string());
    // The build tree's plugin sits beside the tool; name it once.
    for (std::size_t i = candidates.size(); i-- > 1;)
        if (std::find(candidates.begin(), candidates.begin() + i, candidates[i]) != candidates.begin() + i)
            candidates.erase(candidates.begin() + i);
    return candidates;
}

ImageLibrary& LoadImagePlugin(const std::vector<std::string>& candidates, const std::string& purpose) {
    std::string tried;
    for (const auto& path : candidates) {
        std::string why;
        if (ImageLibrary* library = TryLoad(path, why)) return *library;
        tried += "\n  " + path + ": " + why;
    }
    throw SceneError(purpose + " needs the image plugin " + kImagePluginFile + ", which could not be loaded" +
                     (tried.empty() ? " (nowhere to look for it)" : "; tried:" + tried));
}

ImageLibrary& ImagePlugin(const std::string& purpose) {
    static std::mutex mutex;
    static ImageLibrary* loaded = nullptr;
    std::lock_guard lock(mutex);
    if (!loaded) loaded = &LoadImagePlugin(ImagePluginCandidates(), purpose);
    return *loaded;
}

}  // namespace morvel::cli
