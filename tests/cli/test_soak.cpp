// A long sequence through one effect instance must run in bounded memory:
// 1000 small frames with IBL, the rim light and keyframed parameters and
// lights; resident memory after frame 1000 within 5 % of frame 100.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "cli/DemoScene.h"
#include "cli/SceneRenderer.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MORVEL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define MORVEL_SANITIZED 1
#endif
#endif

namespace morvel::cli {
namespace {

double ResidentMegabytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

TEST(Soak, ThousandFramesThroughOneInstanceKeepMemoryFlat) {
#ifdef MORVEL_SANITIZED
    GTEST_SKIP() << "a sanitizer's quarantine and shadow memory make resident memory meaningless here";
#endif
    SceneImages shot = MakeDemoScene(32, 24);
    shot.layers["HDRI"] = MakeSkyHdri(32, 16);
    Scene& scene = shot.scene;
    auto keys = [](std::map<double, Value> k) { return Animated(std::move(k), true); };
    scene.params.push_back({"HDRI Rotation Y", keys({{0, Value::Number(0)}, {999, Value::Number(720)}}), "soak"});
    scene.params.push_back({"Rim Light/Amount", keys({{0, Value::Number(20)}, {500, Value::Number(150)}}), "soak"});
    scene.params.push_back({"Enable Rim Light", Animated(Value::Bool(true)), "soak"});
    scene.params.push_back({"Enable IBL", Animated(Value::Bool(true)), "soak"});
    ASSERT_FALSE(scene.lights.empty());
    scene.lights.front().position = keys({{0, Value::Vector({0, 0, -50})}, {999, Value::Vector({32, 24, -50})}});

    SceneRenderer renderer(MORVEL_MODULE_PATH, 1);
    renderer.Load(shot, 16);
    double at100 = 0;
    std::vector<float> first;
    for (int f = 1; f <= 1000; ++f) {
        const Frame frame = renderer.RenderOne(f - 1);
        if (f == 1) first = frame.pixels.rgba;
        if (f == 100) at100 = ResidentMegabytes();
        if (f == 1000) {
            EXPECT_NE(frame.pixels.rgba, first) << "the keyframes must change the frame";
        }
    }
    const double at1000 = ResidentMegabytes();
    EXPECT_LE(at1000, at100 * 1.05) << "resident memory grew from " << at100 << " MB at frame 100 to " << at1000
                                    << " MB at frame 1000";
}

}  // namespace
}  // namespace morvel::cli
