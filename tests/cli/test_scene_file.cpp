// Scene files: every kind of fault gives a message naming the file, the field
// and what was expected; keyframes interpolate; defaults apply.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "ErrorOf.h"
#include "cli/SceneError.h"
#include "cli/SceneFile.h"

namespace morvel::cli {
namespace {

TEST(SceneFile, EachFaultNamesFileFieldAndExpectation) {
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {R"({"fps": 24,})", {"shot.json", "not valid JSON", "line 1"}},
        {R"([1, 2])", {"shot.json", "expected an object"}},
        {R"({"fps": 24, "lightz": []})", {"shot.json", "unknown key \"lightz\"", "lights"}},
        {R"({"lights": [{"type": "point", "colour": [1,1,1]}]})",
         {"shot.json: lights[0]", "unknown key \"colour\"", "color"}},
        {R"({"fps": "24"})", {"shot.json: fps", "expected a number", "\"24\""}},
        {R"({"fps": 0})", {"shot.json: fps", "out of range"}},
        {R"({"depth": 12})", {"shot.json: depth", "expected 8, 16 or 32", "12"}},
        {R"({"layers": {"input": 3}})", {"shot.json: layers.input", "expected an image path"}},
        {R"({"lights": {"type": "point"}})", {"shot.json: lights", "expected an array"}},
        {R"({"lights": [{"type": "area"}]})",
         {"shot.json: lights[0].type", "unknown light type \"area\"",
          "\"parallel\", \"spot\", \"point\" or \"ambient\""}},
        {R"({"lights": [{"intensity": 50}]})", {"shot.json: lights[0]", "missing key \"type\""}},
        {R"({"lights": [{"type": "point", "position": [1, 2]}]})",
         {"shot.json: lights[0].position", "array of 3 numbers", "2 elements"}},
        {R"({"lights": [{"type": "point", "position": [1, "a", 3]}]})",
         {"shot.json: lights[0].position[1]", "expected a number"}},
        {R"({"lights": [{"type": "point", "color": [1, 2, 0]}]})",
         {"shot.json: lights[0].color[1]", "value 2 is out of range", "0 to 1"}},
        {R"({"lights": [{"type": "spot", "cone_angle": 200}]})",
         {"lights[0].cone_angle", "value 200", "0 to 180 degrees"}},
        {R"({"lights": [{"type": "point", "falloff_distance": -1}]})",
         {"lights[0].falloff_distance", "0 or more pixels"}},
        {R"({"lights": [{"type": "point", "falloff": "linear"}]})",
         {"lights[0].falloff", "unknown falloff \"linear\"", "inverse_square_clamped"}},
        {R"({"lights": [{"type": "point", "active": 1}]})", {"lights[0].active", "expected true or false", "1"}},
        {R"({"lights": [{"type": "point", "in": 2, "out": 1}]})", {"lights[0].out", "after \"in\""}},
        {R"({"params": {"Source Blend": {}}})", {"params.Source Blend", "bad keyframes", "at least one"}},
        {R"({"params": {"Source Blend": {"first": 10}}})",
         {"params.Source Blend", "bad keyframe \"first\"", "frame number"}},
        {R"({"params": {"Source Blend": {"-4": 10}}})", {"bad keyframe \"-4\""}},
        {R"({"params": {"Enable IBL": {"0": true, "10": 3}}})", {"params.Enable IBL[\"10\"]", "same kind"}},
        {R"({"lights": [{"type": "point", "intensity": {"0": 100, "24": "max"}}]})",
         {"lights[0].intensity[\"24\"]", "expected a number", "\"max\""}},
        {R"({"lights": [{"type": "point", "intensity": {"0": {"1": 2}}}]})",
         {"lights[0].intensity[\"0\"]", "cannot itself be keyframed"}},
        {R"({"params": {"Source Blend": null}})", {"params.Source Blend", "a number, true/false or [r, g, b]", "null"}},
        {R"({"params": {"Source Blend": 1e999}})", {"shot.json: params.Source Blend: cannot hold", "1e999"}},
        {R"({"lights": [{}, {"type": "point", "in": -1e999}]})", {"shot.json: lights[1].in: cannot hold"}},
        {R"({"lights": [{"type": "point", "position": [1e39, 0, -100]}]})",
         {"shot.json: lights[0].position[0]", "value 1e+39 is out of range", "3.4e38"}},
        {R"({"lights": [{"type": "point", "intensity": 1e39}]})", {"lights[0].intensity", "1e+39 is out of range"}},
        {R"({"lights": [{"type": "point", "falloff_distance": 1e300}]})",
         {"lights[0].falloff_distance", "1e+300 is out of range"}},
        {R"({"lights": [{"type": "spot", "point_of_interest": {"0": [0, 0, 0], "9": [0, -1e40, 0]}}]})",
         {"lights[0].point_of_interest[\"9\"][1]", "out of range"}},
        // Colour-managed layers and spaces.
        {R"({"layers": {"input": {"colorspace": "sRGB"}}})", {"shot.json: layers.input", "missing key \"file\""}},
        {R"({"layers": {"input": {"file": "a.png", "color": "sRGB"}}})",
         {"shot.json: layers.input", "unknown key \"color\"", "colorspace"}},
        {R"({"layers": {"input": {"file": 3}}})", {"shot.json: layers.input.file", "expected an image path"}},
        {R"({"layers": {"input": {"file": "a.png", "colorspace": ""}}})",
         {"shot.json: layers.input.colorspace", "expected a colour space name"}},
        {R"({"output_colorspace": 709})", {"shot.json: output_colorspace", "expected a colour space name", "709"}},
        {R"({"working_colorspace": null})", {"shot.json: working_colorspace", "expected a colour space name"}},
    };
    for (const auto& [json, parts] : cases) {
        const std::string message = ErrorOf([&, json = json] { ParseScene(json, "shot.json", "/shots"); });
        for (const char* part : parts)
            EXPECT_NE(message.find(part), std::string::npos) << json << ": \"" << part << "\" not in: " << message;
    }
}

TEST(SceneFile, MissingFileIsNamed) {
    EXPECT_EQ(ErrorOf([] { LoadScene("/nonexistent/dir/shot.json"); }),
              "/nonexistent/dir/shot.json: cannot open the scene file (no such file)");
}

TEST(SceneFile, FullSceneParsesWithPathsRelativeToTheFileAndColourSpaces) {
    const Scene s = ParseScene(R"({
      "fps": 25, "depth": 16, "working_colorspace": "linear", "output_colorspace": "sRGB",
      "layers": {"input": {"file": "beauty.exr", "colorspace": "sRGB"}, "Normal Map": {"file": "passes.exr#normal"},
                 "HDRI": "/abs/sky.hdr"},
      "params": {"Source Blend": 25, "Enable IBL": true, "HDRI Tint": [255, 240, 220]},
      "lights": [{"name": "Key", "type": "spot", "falloff": "smooth", "in": 1, "out": 2}]
    })",
                               "shot.json", "/shots");
    EXPECT_EQ(s.fps, 25);
    EXPECT_EQ(s.depth, 16);
    ASSERT_EQ(s.layers.size(), 3u);
    EXPECT_EQ(s.layers[0].path, "/shots/beauty.exr");
    EXPECT_EQ(s.layers[1].path, "/shots/passes.exr#normal");
    EXPECT_EQ(s.layers[2].path, "/abs/sky.hdr");
    EXPECT_EQ(std::make_tuple(s.working_colorspace, s.output_colorspace, s.layers[0].colorspace, s.layers[1].colorspace,
                              s.layers[2].colorspace),
              std::make_tuple("linear", "sRGB", "sRGB", "", ""));
    ASSERT_EQ(s.params.size(), 3u);
    EXPECT_EQ(s.params[1].value.At(0), Value::Bool(true));
    EXPECT_EQ(s.params[2].value.At(0), Value::Vector({255, 240, 220}));
    ASSERT_EQ(s.lights.size(), 1u);
    EXPECT_EQ(s.lights[0].type, LightType::Spot);
    EXPECT_EQ(s.lights[0].falloff, Falloff::Smooth);
}

TEST(SceneFile, LightDefaultsFollowTheCompositionSize) {
    const Scene s = ParseScene(R"({"lights": [{"type": "point"}]})", "s.json", "");
    const LightState l = EvaluateLight(s.lights[0], 0, 24, 1920, 1080);
    EXPECT_EQ(l.position, (std::array<double, 3>{960, 540, -500}));
    EXPECT_EQ(l.point_of_interest, (std::array<double, 3>{960, 540, 0}));
    EXPECT_EQ(std::make_tuple(l.falloff_radius, l.falloff_distance, l.active), std::make_tuple(500.0, 500.0, true));
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
        SCOPED_TRACE("frame " + std::to_string(c.frame));
        const LightState l = EvaluateLight(s.lights[0], c.frame, 24, 1920, 1080);
        EXPECT_DOUBLE_EQ(l.position[0], c.x);
        EXPECT_DOUBLE_EQ(l.position[2], -500);
        EXPECT_DOUBLE_EQ(l.intensity, c.intensity);
        EXPECT_EQ(l.active, c.active);
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
    for (const std::string bad :
         {"Source Blend", "=5", "Source Blend=abc", "Source Blend={\"0\": 1}", "Source Blend=1e999"}) {
        const std::string e = ErrorOf([&] { ParseParamAssignment(bad); });
        EXPECT_NE(e.find("--set '" + bad + "'"), std::string::npos) << e;
    }
}

}  // namespace
}  // namespace morvel::cli
