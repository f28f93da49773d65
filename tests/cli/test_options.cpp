// morvel-render's command line: values, defaults and the usage errors.
#include <gtest/gtest.h>

#include "cli/Options.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

TEST(Options, ParsesEveryOptionAndDefaultsToTheDemoScene) {
    const Options o =
        ParseOptions({"shot.json", "-o", "out.####.exr", "--depth", "16", "--backend=cpu", "--frames", "3-9", "--jobs",
                      "2", "--set", "Source Blend=25", "--set=Enable IBL=true", "--module", "/m/Morvel.aex", "--quiet",
                      "--colorconfig", "studio.ocio", "--skip-existing"});
    EXPECT_EQ(o.scene, "shot.json");
    EXPECT_EQ(o.output, "out.####.exr");
    EXPECT_EQ(o.depth, 16);
    EXPECT_EQ(o.backend, Backend::Cpu);
    EXPECT_EQ(o.frames, (std::pair<int, int>{3, 9}));
    EXPECT_EQ(o.jobs, 2);
    EXPECT_EQ(o.sets, (std::vector<std::string>{"Source Blend=25", "Enable IBL=true"}));
    EXPECT_EQ(o.module, "/m/Morvel.aex");
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.colorconfig, "studio.ocio");
    EXPECT_TRUE(o.skip_existing);

    const Options d = ParseOptions({});
    EXPECT_FALSE(d.scene || d.output || d.depth || d.quiet || d.colorconfig || d.skip_existing);
    EXPECT_EQ(d.backend, Backend::Auto);
    EXPECT_EQ(d.jobs, 1);
    EXPECT_EQ(ParseOptions({"--frames", "7"}).frames, (std::pair<int, int>{7, 7}));
}

TEST(Options, UsageErrorsNameTheOptionAndTheExpectation) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--depth", "24"}, "--depth 24: expected 8, 16 or 32"},
        {{"--depth"}, "--depth: expects a value"},
        {{"--backend", "metal"}, "--backend metal: expected auto, cpu, opencl or cuda"},
        {{"--frames", "9-3"}, "--frames 9-3: expected A-B"},
        {{"--frames", "a-b"}, "--frames a-b: expected A-B"},
        {{"--frames", "0-2147484"}, "--frames 0-2147484: frames go up to 2147483"},
        {{"--jobs", "0"}, "--jobs 0: expected a thread count"},
        {{"--bogus"}, "--bogus: unknown option"},
        {{"a.json", "b.json"}, "b.json: only one scene file"},
        {{"--frames", "0-5", "-o", "out.exr"}, "a frame range needs ####"},
        {{"--quiet=yes"}, "takes no value"},
        {{"--skip-existing=1"}, "takes no value"},
        {{"--colorconfig="}, "--colorconfig: expects a config file name"},
    };
    for (const auto& [args, part] : cases) {
        try {
            ParseOptions(args);
            ADD_FAILURE() << part << ": no error";
        } catch (const SceneError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    }
}

TEST(Options, FramePathsPadToTheHashCount) {
    EXPECT_EQ(FramePath("out.####.exr", 7), "out.0007.exr");
    EXPECT_EQ(FramePath("out.#.exr", 12), "out.12.exr");
    EXPECT_EQ(FramePath("a##_b###.png", 5), "a05_b005.png");
    EXPECT_EQ(FramePath("plain.png", 5), "plain.png");
}

}  // namespace
}  // namespace morvel::cli
