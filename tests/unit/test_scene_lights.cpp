// Light collection against a fake composition: unit conversions, defaults left by
// failed or absurd host answers, layer order, the capacity and skipped layers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include "FakeSceneHost.h"
#include "hostaccess/HostSuites.h"
#include "scene/CollectSceneLights.h"

using namespace morvel;
using morvel::test::FakeLayer;
using morvel::test::FakeSceneHost;

namespace {

using T = SceneLightType;

struct Collected {
    int32_t count;
    std::vector<SceneLight> lights;
};

Collected Collect(FakeSceneHost& host, int32_t capacity = kMaxSceneLights, float w = 80.0f, float h = 60.0f) {
    Collected c{0, std::vector<SceneLight>(kMaxSceneLights + 2)};
    std::memset(c.lights.data(), 0, c.lights.size() * sizeof(SceneLight));
    c.count = CollectSceneLights(&host.in, c.lights.data(), capacity, w, h);
    return c;
}

// Whether the records from `from` on were left untouched.
bool ZeroFrom(const Collected& c, size_t from) {
    const auto* b = reinterpret_cast<const unsigned char*>(c.lights.data() + from);
    return std::all_of(b, b + (c.lights.size() - from) * sizeof(SceneLight), [](unsigned char x) { return x == 0; });
}

// Every field but the direction, in order; the direction is compared to float precision.
std::vector<double> Fields(const SceneLight& l) {
    return {double(l.type),  l.position[0],     l.position[1],         l.position[2],  l.color[0],
            l.color[1],      l.color[2],        l.intensity,           l.coneAngle,    l.coneFeather,
            l.falloffRadius, l.falloffDistance, double(l.falloffType), double(l.valid)};
}

void ExpectLight(const SceneLight& got, const SceneLight& want) {
    EXPECT_EQ(Fields(got), Fields(want));
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(got.direction[i], want.direction[i]) << "direction " << i;
}

// A spot whose every stream differs from its default.
FakeLayer& ReadableSpot(FakeSceneHost& host) {
    FakeLayer& l = host.AddLight(AEGP_LightType_SPOT);
    l.position = {1.0, 2.0, 3.0};
    l.color = {1.0, 0.5, 0.5, 0.5};
    l.intensity = l.coneFeather = 10.0;
    l.falloffType = 1.0;
    l.falloffRadius = 9.0;
    l.falloffDistance = 99.0;
    return l;
}

// Defaults of a light in an 80 x 60 layer.
constexpr SceneLight kDefaults = {T::Spot, {40, 30, -500}, {0, 0, 1}, {1, 1, 1}, 5, 0.7853982f, 0.5f, 0, 1000, 0, 1};

}  // namespace

TEST(SceneLights, EachTypeReadsItsOwnStreams) {
    const SceneLight point = {
        T::Point, {960.25f, -540.5f, -750}, {0, 0, 1}, {0.25f, 0.5f, 1.5f}, 12.5f, 0.7853982f, 0.5f, 123.5f, 777, 2, 1};
    const SceneLight spot = {T::Spot, {0, 0, 0}, {0.6f, 0, 0.8f}, {1, 1, 1}, 5, 1.5707964f, 0.5f, 0, 500, 0, 1};
    const SceneLight parallel = {T::Directional, {7, 8, 9}, {0, -1, 0}, {1, 1, 1}, 5, 0.7853982f, 0.5f, 0, 1000, 0, 1};
    const SceneLight ambient = {
        T::Ambient, {50.5f, 25.5f, -500}, {0, 0, 1}, {0.75f, 1, 1}, 5, 0.7853982f, 0.5f, 0, 1000, 0, 1};
    struct Case {
        const char* what;
        long streams, xforms;  // how many stream and matrix queries the type needs
        const SceneLight& expected;
        std::function<void(FakeLayer&)> compose;
    };
    const Case cases[] = {
        {"point", 6, 0, point,
         [](FakeLayer& l) {
             l.position = {960.25, -540.5, -750.0};
             l.color = {0.1, 0.25, 0.5, 1.5};  // alpha ignored, brighter than white kept
             l.intensity = 250.0;
             l.falloffType = 2.9;  // truncated, not rounded
             l.falloffRadius = 123.5;
             l.falloffDistance = 777.0;
             l.zAxis = {1.0, 0.0, 0.0};  // a point light has no direction
         }},
        {"spot", 8, 1, spot,
         [](FakeLayer& l) {
             l.zAxis = {3.0, 0.0, 4.0};
         }},
        {"parallel", 3, 1, parallel,
         [](FakeLayer& l) {
             l.position = {7.0, 8.0, 9.0};
             l.zAxis = {0.0, -2.0, 0.0};  // made unit length
         }},
        {"ambient", 2, 0, ambient,
         [](FakeLayer& l) {
             l.position = {5.0, 5.0, 5.0};
             l.zAxis = {1.0, 0.0, 0.0};
             l.color[1] = 0.75;
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        FakeSceneHost host;
        k.compose(host.AddLight(static_cast<AEGP_LightType>(k.expected.type)));
        const Collected c = Collect(host, kMaxSceneLights, 101.0f, 51.0f);
        ASSERT_EQ(c.count, 1);
        ExpectLight(c.lights[0], k.expected);
        EXPECT_TRUE(ZeroFrom(c, 1));
        EXPECT_EQ(host.Count("stream"), k.streams);
        EXPECT_EQ(host.Count("xform"), k.xforms);
        EXPECT_TRUE(host.SuitesBalanced());
    }
}

TEST(SceneLights, DirectionFallsBackToZUpForDegenerateAxes) {
    const std::pair<std::array<double, 3>, std::array<float, 3>> cases[] = {
        {{0.0, 0.0, 0.0}, {0.0f, 0.0f, 1.0f}},
        {{1e-7, 0.0, 0.0}, {0.0f, 0.0f, 1.0f}},                   // below the length floor
        {{1e30, 0.0, 0.0}, {1.0f, 0.0f, 0.0f}},                   // squares overflow float, still unit
        {{3e38, -3e38, 0.0}, {0.70710678f, -0.70710678f, 0.0f}},  // the length itself exceeds float
        {{NAN, 0.0, 1.0}, {0.0f, 0.0f, 1.0f}},
        {{INFINITY, 0.0, 0.0}, {0.0f, 0.0f, 1.0f}},
        {{1e300, 0.0, 0.0}, {0.0f, 0.0f, 1.0f}},  // not a float at all
    };
    for (const auto& [z, expected] : cases) {
        SCOPED_TRACE(z[0]);
        FakeSceneHost host;
        host.AddLight(AEGP_LightType_PARALLEL).zAxis = z;
        const Collected c = Collect(host);
        ASSERT_EQ(c.count, 1);
        for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(c.lights[0].direction[i], expected[i]) << i;
    }
    FakeSceneHost host;
    host.AddLight(AEGP_LightType_SPOT).fail.insert("xform");
    const Collected c = Collect(host);
    ASSERT_EQ(c.count, 1);
    EXPECT_EQ(c.lights[0].direction[2], 1.0f);
}

TEST(SceneLights, FailedNonFiniteOrHugeStreamsLeaveOnlyTheirDefault) {
    const SceneLight read = {T::Spot, {1, 2, 3}, {0, 0, 1}, {0.5f, 0.5f, 0.5f}, 0.5f, 1.5707964f, 0.1f, 9, 99, 1, 1};
    const std::pair<AEGP_LayerStream, size_t> fields[] = {
        {AEGP_LayerStream_POSITION, offsetof(SceneLight, position)},
        {AEGP_LayerStream_INTENSITY, offsetof(SceneLight, intensity)},
        {AEGP_LayerStream_COLOR, offsetof(SceneLight, color)},
        {AEGP_LayerStream_CONE_ANGLE, offsetof(SceneLight, coneAngle)},
        {AEGP_LayerStream_CONE_FEATHER, offsetof(SceneLight, coneFeather)},
        {AEGP_LayerStream_LIGHT_FALLOFF_START, offsetof(SceneLight, falloffRadius)},
        {AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE, offsetof(SceneLight, falloffDistance)},
        {AEGP_LayerStream_LIGHT_FALLOFF_TYPE, offsetof(SceneLight, falloffType)},
    };
    for (const auto& [stream, offset] : fields) {
        SCOPED_TRACE(stream);
        FakeSceneHost host;
        ReadableSpot(host).failStreams.insert(stream);
        const Collected c = Collect(host);
        ASSERT_EQ(c.count, 1);
        SceneLight expected = read;  // the failed stream's field alone takes its default
        const size_t size = stream == AEGP_LayerStream_POSITION || stream == AEGP_LayerStream_COLOR ? 12 : 4;
        std::memcpy(reinterpret_cast<char*>(&expected) + offset, reinterpret_cast<const char*>(&kDefaults) + offset,
                    size);
        ExpectLight(c.lights[0], expected);
    }

    FakeSceneHost host;
    FakeLayer& l = ReadableSpot(host);
    l.position[1] = NAN;  // one bad component rejects the whole position
    l.intensity = INFINITY;
    l.color[2] = -INFINITY;
    l.coneAngle = 1e300;
    l.coneFeather = l.falloffType = NAN;
    l.falloffRadius = -1e40;
    l.falloffDistance = INFINITY;
    // Finite but out of the usual range: intensity scaled, never clamped; the falloff type
    // truncated towards zero, kept up to the largest int32, the default beyond.
    const std::tuple<double, double, float, int32_t> odd[] = {
        {3.0e38, 1e12, 1.5e37f, 0}, {-40.0, -1.9, -2.0f, -1}, {0.0, 2147483647.0, 0.0f, 2147483647}};
    for (const auto& [intensity, falloff, expectedIntensity, expectedFalloff] : odd) {
        FakeLayer& o = host.AddLight(AEGP_LightType_POINT);
        o.intensity = intensity;
        o.falloffType = falloff;
    }
    const Collected c = Collect(host);
    ASSERT_EQ(c.count, 4);
    ExpectLight(c.lights[0], kDefaults);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(c.lights[i + 1].intensity, std::get<2>(odd[i])) << i;
        EXPECT_EQ(c.lights[i + 1].falloffType, std::get<3>(odd[i])) << i;
    }
}

TEST(SceneLights, SixteenInLayerOrderAndNoMore) {
    FakeSceneHost host;
    for (int i = 0; i < 17; ++i) host.AddLight(AEGP_LightType_POINT).intensity = 20.0 * (i + 1);
    const Collected c = Collect(host);
    ASSERT_EQ(c.count, 16);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(c.lights[i].intensity, static_cast<float>(i + 1)) << i;
    EXPECT_TRUE(ZeroFrom(c, 16));
    EXPECT_EQ(host.Count("lightType"), 16);  // the walk stops once the array is full

    for (int32_t capacity : {-3, 0, 2}) {
        SCOPED_TRACE(capacity);
        const Collected small = Collect(host, capacity);
        EXPECT_EQ(small.count, std::max(capacity, 0));
        EXPECT_TRUE(ZeroFrom(small, std::max(capacity, 0)));
    }
}

TEST(SceneLights, SkippedLayersTakeNoSlot) {
    const std::pair<const char*, std::function<void(FakeSceneHost&)>> cases[] = {
        {"inactive", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).active = false; }},
        {"camera", [](FakeSceneHost& h) { h.AddNonLight(AEGP_ObjectType_CAMERA); }},
        {"unknown object type", [](FakeSceneHost& h) { h.AddNonLight(9); }},
        {"light type 7", [](FakeSceneHost& h) { h.AddLight(7); }},
        {"light type 4", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_RESERVED1); }},
        {"light type none", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_NONE); }},
        {"null layer", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).nullLayer = true; }},
        {"layer", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).fail.insert("layer"); }},
        {"object", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).fail.insert("object"); }},
        {"active", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).fail.insert("active"); }},
        {"lightType", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).fail.insert("lightType"); }},
    };
    for (const auto& [what, spoil] : cases) {
        SCOPED_TRACE(what);
        FakeSceneHost host;
        spoil(host);
        spoil(host);
        host.AddLight(AEGP_LightType_SPOT).intensity = 20.0;
        const Collected c = Collect(host);
        ASSERT_EQ(c.count, 1);
        EXPECT_EQ(c.lights[0].type, T::Spot);
        EXPECT_EQ(c.lights[0].intensity, 1.0f);
        EXPECT_TRUE(ZeroFrom(c, 1));
        EXPECT_TRUE(host.SuitesBalanced());
    }
}

TEST(SceneLights, CompositionQueriesDecideWhetherAnyLightIsRead) {
    const std::tuple<const char*, std::function<void(FakeSceneHost&)>, int32_t> cases[] = {
        {"effect layer error", [](FakeSceneHost& h) { h.err["effectLayer"] = A_Err_GENERIC; }, 0},
        {"null effect layer", [](FakeSceneHost& h) { h.null.insert("effectLayer"); }, 0},
        {"comp error", [](FakeSceneHost& h) { h.err["comp"] = A_Err_PARAMETER; }, 0},
        {"null comp", [](FakeSceneHost& h) { h.null.insert("comp"); }, 0},
        {"layer count error", [](FakeSceneHost& h) { h.err["numLayers"] = A_Err_GENERIC; }, 0},
        {"layer count zero", [](FakeSceneHost& h) { h.overrideLayerCount = true; }, 0},
        {"layer count negative", [](FakeSceneHost& h) { h.overrideLayerCount = true, h.layerCount = -5; }, 0},
        // More layers than there are: the host refuses the extra indices.
        {"layer count too large", [](FakeSceneHost& h) { h.overrideLayerCount = true, h.layerCount = 1000; }, 1},
        {"null suite slot", [](FakeSceneHost& h) { h.layer5().AEGP_GetCompNumLayers = nullptr; }, 0},
        {"only non-lights", [](FakeSceneHost& h) { h.layers[0].objectType = AEGP_ObjectType_CAMERA; }, 0},
    };
    for (const auto& [what, spoil, expected] : cases) {
        SCOPED_TRACE(what);
        FakeSceneHost host;
        host.AddLight(AEGP_LightType_POINT);
        spoil(host);
        const Collected c = Collect(host);
        EXPECT_EQ(c.count, expected);
        EXPECT_TRUE(ZeroFrom(c, expected));
        EXPECT_TRUE(host.SuitesBalanced());
    }
}

TEST(SceneLights, EveryQueryUsesTheFrameTimeInCompositionTime) {
    FakeSceneHost host;
    host.in.current_time = 1001;
    host.in.time_scale = 30000;
    host.AddLight(AEGP_LightType_SPOT);
    host.AddLight(AEGP_LightType_PARALLEL);
    ASSERT_EQ(Collect(host).count, 2);
    ASSERT_TRUE(host.Count("active") == 2 && host.Count("xform") == 2 && host.Count("stream") > 0);
    for (const auto& q : host.queries) {
        if (q.fn == "lightType" || q.fn == "object") continue;
        SCOPED_TRACE(q.fn);
        EXPECT_TRUE(q.time.value == 1001 && q.time.scale == 30000u);
        EXPECT_EQ(q.mode, q.fn == "xform" ? -1 : AEGP_LTimeMode_CompTime);
        EXPECT_EQ(q.preExpression, 0);  // the value after expressions
    }
}

TEST(SceneLights, MissingSuiteIsThrownAndAcquiredSuitesAreReleased) {
    FakeSceneHost host;
    host.AddLight(AEGP_LightType_POINT);
    host.unavailable.insert({kAEGPStreamSuite, kAEGPStreamSuiteVersion1});
    SceneLight lights[kMaxSceneLights] = {};
    try {
        CollectSceneLights(&host.in, lights, kMaxSceneLights, 10.0f, 10.0f);
        FAIL() << "expected SuiteUnavailable";
    } catch (int code) {
        EXPECT_EQ(code, SuiteUnavailable);
    }
    EXPECT_FALSE(host.acquired.empty());
    EXPECT_TRUE(host.SuitesBalanced());

    EXPECT_EQ(CollectSceneLights(nullptr, lights, 1, 1.0f, 1.0f), 0);
    EXPECT_EQ(CollectSceneLights(&host.in, nullptr, 16, 1.0f, 1.0f), 0);
}
