// Scene files: every kind of fault gives a message naming the file, the field
// and what was expected; keyframes interpolate; defaults apply.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/SceneError.h"
#include "cli/SceneFile.h"

namespace morvel::cli {
namespace {

std::string ErrorOf(const std::string& json) {
    try {
        ParseScene(json, "shot.json", "/shots");
    } catch (const SceneError& e) {
        return e.what();
    }
    return "(no error)";
}

struct BadScene {
    const char* what;
    const char* json;
    std::vector<const char*> message_parts;
};

TEST(SceneFile, EachFaultNamesFileFieldAndExpectation) {
    const BadScene cases[] = {
        {"not JSON", R"({"fps": 24,})", {"shot.json", "not valid JSON", "line 1"}},
        {"top-level array", R"([1, 2])", {"shot.json", "expected an object"}},
        {"unknown top-level key", R"({"fps": 24, "lightz": []})", {"shot.json", "unknown key \"lightz\"", "lights"}},
        {"unknown light key",
         R"({"lights": [{"type": "point", "colour": [1,1,1]}]})",
         {"shot.json: lights[0]", "unknown key \"colour\"", "color"}},
        {"fps wrong type", R"({"fps": "24"})", {"shot.json: fps", "expected a number", "\"24\""}},
        {"fps out of range", R"({"fps": 0})", {"shot.json: fps", "out of range"}},
        {"depth not a depth", R"({"depth": 12})", {"shot.json: depth", "expected 8, 16 or 32", "12"}},
        {"layer path not text", R"({"layers": {"input": 3}})", {"shot.json: layers.input", "expected an image path"}},
        {"lights not array", R"({"lights": {"type": "point"}})", {"shot.json: lights", "expected an array"}},
        {"unknown light type",
         R"({"lights": [{"type": "area"}]})",
         {"shot.json: lights[0].type", "unknown light type \"area\"",
          "\"parallel\", \"spot\", \"point\" or \"ambient\""}},
        {"missing light type", R"({"lights": [{"intensity": 50}]})", {"shot.json: lights[0]", "missing key \"type\""}},
        {"position wrong length",
         R"({"lights": [{"type": "point", "position": [1, 2]}]})",
         {"shot.json: lights[0].position", "array of 3 numbers", "2 elements"}},
        {"position element wrong type",
         R"({"lights": [{"type": "point", "position": [1, "a", 3]}]})",
         {"shot.json: lights[0].position[1]", "expected a number"}},
        {"colour out of range",
         R"({"lights": [{"type": "point", "color": [1, 2, 0]}]})",
         {"shot.json: lights[0].color[1]", "value 2 is out of range", "0 to 1"}},
        {"cone angle out of range",
         R"({"lights": [{"type": "spot", "cone_angle": 200}]})",
         {"lights[0].cone_angle", "value 200", "0 to 180 degrees"}},
        {"negative falloff distance",
         R"({"lights": [{"type": "point", "falloff_distance": -1}]})",
         {"lights[0].falloff_distance", "0 or more pixels"}},
        {"unknown falloff",
         R"({"lights": [{"type": "point", "falloff": "linear"}]})",
         {"lights[0].falloff", "unknown falloff \"linear\"", "inverse_square_clamped"}},
        {"active wrong type",
         R"({"lights": [{"type": "point", "active": 1}]})",
         {"lights[0].active", "expected true or false", "1"}},
        {"out before in", R"({"lights": [{"type": "point", "in": 2, "out": 1}]})", {"lights[0].out", "after \"in\""}},
        {"param object value",
         R"({"params": {"Source Blend": {}}})",
         {"params.Source Blend", "bad keyframes", "at least one"}},
        {"keyframe key not a frame",
         R"({"params": {"Source Blend": {"first": 10}}})",
         {"params.Source Blend", "bad keyframe \"first\"", "frame number"}},
        {"negative keyframe", R"({"params": {"Source Blend": {"-4": 10}}})", {"bad keyframe \"-4\""}},
        {"keyframe kinds mixed",
         R"({"params": {"Enable IBL": {"0": true, "10": 3}}})",
         {"params.Enable IBL[\"10\"]", "same kind"}},
        {"keyframe value wrong type",
         R"({"lights": [{"type": "point", "intensity": {"0": 100, "24": "max"}}]})",
         {"lights[0].intensity[\"24\"]", "expected a number", "\"max\""}},
        {"nested keyframes",
         R"({"lights": [{"type": "point", "intensity": {"0": {"1": 2}}}]})",
         {"lights[0].intensity[\"0\"]", "cannot itself be keyframed"}},
        {"param value null",
         R"({"params": {"Source Blend": null}})",
         {"params.Source Blend", "a number, true/false or [r, g, b]", "null"}},
    };
    for (const auto& c : cases) {
        const std::string message = ErrorOf(c.json);
        for (const char* part : c.message_parts)
            EXPECT_NE(message.find(part), std::string::npos) << c.what << ": \"" << part << "\" not in: " << message;
    }
}

TEST(SceneFile, MissingFileIsNamed) {
    try {
        LoadScene("/nonexistent/dir/shot.json");
        FAIL() << "no error";
    } catch (const SceneError& e) {
        EXPECT_STREQ(e.what(), "/nonexistent/dir/shot.json: cannot open the scene file (no such file)");
    }
}

TEST(SceneFile, FullSceneParsesWithPathsRelativeToTheFile) {
    const auto dir = std::filesystem::temp_directory_path() / "morvel_scene_test";
    std::filesystem::create_directories(dir);
    const auto file = dir / "shot.json";
    std::ofstream(file) << R"({
      "fps": 25, "depth": 16,
      "layers": {"input": "beauty.exr", "Normal Map": "passes.exr#normal", "HDRI": "/abs/sky.hdr"},
      "params": {"Source Blend": 25, "Enable IBL": true, "HDRI Tint": [255, 240, 220]},
      "lights": [{"name": "Key", "type": "spot", "falloff": "smooth", "in": 1, "out": 2}]
    })";
    const Scene s = LoadScene(file.string());
    EXPECT_EQ(s.fps, 25);
    EXPECT_EQ(s.depth, 16);
    ASSERT_EQ(s.layers.size(), 3u);
    EXPECT_EQ(s.layers[0].path, (dir / "beauty.exr").string());
    EXPECT_EQ(s.layers[1].path, (dir / "passes.exr#normal").string());
    EXPECT_EQ(s.layers[2].path, "/abs/sky.hdr");
    ASSERT_EQ(s.params.size(), 3u);
    EXPECT_EQ(s.params[1].value.At(0), Value::Bool(true));
    EXPECT_EQ(s.params[2].value.At(0), Value::Vector({255, 240, 220}));
    ASSERT_EQ(s.lights.size(), 1u);
    EXPECT_EQ(s.lights[0].type, LightType::Spot);
    EXPECT_EQ(s.lights[0].falloff, Falloff::Smooth);
    std::filesystem::remove_all(dir);
}

TEST(SceneFile, LightDefaultsFollowTheCompositionSize) {
    const Scene s = ParseScene(R"({"lights": [{"type": "point"}]})", "s.json", "");
    const LightState l = EvaluateLight(s.lights[0], 0, 24, 1920, 1080);
    EXPECT_EQ(l.position, (std::array<double, 3>{960, 540, -500}));
    EXPECT_EQ(l.point_of_interest, (std::array<double, 3>{960, 540, 0}));
    EXPECT_EQ(l.color, (std::array<double, 3>{1, 1, 1}));
    EXPECT_EQ(l.intensity, 100);
    EXPECT_EQ(l.cone_angle, 90);
    EXPECT_EQ(l.cone_feather, 50);
    EXPECT_EQ(l.falloff, Falloff::None);
    EXPECT_EQ(l.falloff_radius, 500);
    EXPECT_EQ(l.falloff_distance, 500);
    EXPECT_TRUE(l.active);
}

TEST(SceneFile, KeyframesInterpolateLinearlyAndBooleansHold) {
    const Scene s = ParseScene(R"({"lights": [{"type": "point",
        "position": {"0": [100, 100, -500], "48": [1900, 100, -500]},
        "intensity": {"10": 0, "20": 100, "30": 50},
        "active": {"0": true, "12": false, "36": true}}]})",
                               "s.json", "");
    struct Case {
        double frame, x, intensity;
        bool active;
    };
    const Case cases[] = {
        {0, 100, 0, true},       {5, 287.5, 0, true},  {12, 550, 20, false}, {15, 662.5, 50, false},
        {25, 1037.5, 75, false}, {36, 1450, 50, true}, {48, 1900, 50, true}, {60, 1900, 50, true},
    };
    for (const auto& c : cases) {
        const LightState l = EvaluateLight(s.lights[0], c.frame, 24, 1920, 1080);
        EXPECT_DOUBLE_EQ(l.position[0], c.x) << "frame " << c.frame;
        EXPECT_DOUBLE_EQ(l.position[2], -500) << "frame " << c.frame;
        EXPECT_DOUBLE_EQ(l.intensity, c.intensity) << "frame " << c.frame;
        EXPECT_EQ(l.active, c.active) << "frame " << c.frame;
    }
}

TEST(SceneFile, InAndOutTimesBoundTheActiveRange) {
    const Scene s = ParseScene(R"({"lights": [{"type": "ambient", "in": 1, "out": 2}]})", "s.json", "");
    const std::pair<double, bool> cases[] = {{0, false}, {23, false}, {24, true}, {47, true}, {48, false}};
    for (const auto& [frame, active] : cases)
        EXPECT_EQ(EvaluateLight(s.lights[0], frame, 24, 100, 100).active, active) << "frame " << frame;
}

TEST(SceneFile, SetAssignmentsParseAndReject) {
    EXPECT_EQ(ParseParamAssignment("Rim Light/Amount=80").value.At(0), Value::Number(80));
    EXPECT_EQ(ParseParamAssignment("Enable IBL=false").value.At(0), Value::Bool(false));
    EXPECT_EQ(ParseParamAssignment("HDRI Tint=[255, 0, 10]").value.At(0), Value::Vector({255, 0, 10}));
    for (const char* bad : {"Source Blend", "=5", "Source Blend=abc", "Source Blend={\"0\": 1}"}) {
        try {
            ParseParamAssignment(bad);
            ADD_FAILURE() << bad << ": no error";
        } catch (const SceneError& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("--set '") + bad + "'"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace morvel::cli
