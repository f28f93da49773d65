// Light collection against a fake composition: unit conversions, defaults left by
// failed or absurd host answers, layer order, the capacity and skipped layers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "FakeSceneHost.h"
#include "entry/HostSuites.h"
#include "scene/CollectSceneLights.h"

using namespace morvel;
using morvel::test::FakeLayer;
using morvel::test::FakeSceneHost;

namespace {

struct Collected {
    int32_t count;
    std::vector<SceneLight> lights;
};

Collected Collect(FakeSceneHost& host, int32_t capacity = kMaxSceneLights, float w = 1920.0f, float h = 1080.0f) {
    Collected c{0, std::vector<SceneLight>(kMaxSceneLights + 2)};
    std::memset(c.lights.data(), 0, c.lights.size() * sizeof(SceneLight));
    c.count = CollectSceneLights(&host.in, c.lights.data(), capacity, w, h);
    return c;
}

bool AllZero(const SceneLight* begin, size_t n) {
    const auto* b = reinterpret_cast<const unsigned char*>(begin);
    for (size_t i = 0; i < n * sizeof(SceneLight); ++i) {
        if (b[i] != 0) return false;
    }
    return true;
}

void ExpectUnitOrZUp(const SceneLight& l) {
    const float len =
        std::sqrt(l.direction[0] * l.direction[0] + l.direction[1] * l.direction[1] + l.direction[2] * l.direction[2]);
    EXPECT_NEAR(len, 1.0f, 1e-6f);
}

}  // namespace

TEST(SceneLights, NoLightLayersGiveNothingAndTouchNothing) {
    FakeSceneHost host;
    host.AddNonLight(AEGP_ObjectType_AV);
    host.AddNonLight(AEGP_ObjectType_CAMERA);
    host.AddNonLight(AEGP_ObjectType_TEXT);
    const Collected c = Collect(host);
    EXPECT_EQ(c.count, 0);
    EXPECT_TRUE(AllZero(c.lights.data(), c.lights.size()));
    EXPECT_TRUE(host.SuitesBalanced());
}

TEST(SceneLights, PointLightConvertsEachStream) {
    FakeSceneHost host;
    FakeLayer& l = host.AddLight(AEGP_LightType_POINT);
    l.position[0] = 960.25;
    l.position[1] = -540.5;
    l.position[2] = -750.0;
    l.color[0] = 0.1;  // alpha, ignored
    l.color[1] = 0.25;
    l.color[2] = 0.5;
    l.color[3] = 1.5;  // brighter than white stays as the host gives it
    l.intensity = 250.0;
    l.falloffType = 2.9;
    l.falloffRadius = 123.5;
    l.falloffDistance = 777.0;
    l.zAxis[0] = 1.0;  // a point light has no direction, whatever its orientation
    l.zAxis[2] = 0.0;

    const Collected c = Collect(host);
    ASSERT_EQ(c.count, 1);
    const SceneLight& s = c.lights[0];
    EXPECT_EQ(s.valid, 1);
    EXPECT_EQ(s.type, SceneLightType::Point);
    EXPECT_EQ(s.position[0], 960.25f);
    EXPECT_EQ(s.position[1], -540.5f);
    EXPECT_EQ(s.position[2], -750.0f);
    EXPECT_EQ(s.color[0], 0.25f);
    EXPECT_EQ(s.color[1], 0.5f);
    EXPECT_EQ(s.color[2], 1.5f);
    EXPECT_EQ(s.intensity, 12.5f);
    EXPECT_EQ(s.falloffType, 2);  // truncated, not rounded
    EXPECT_EQ(s.falloffRadius, 123.5f);
    EXPECT_EQ(s.falloffDistance, 777.0f);
    EXPECT_EQ(s.direction[0], 0.0f);
    EXPECT_EQ(s.direction[1], 0.0f);
    EXPECT_EQ(s.direction[2], 1.0f);
    // Not a spot: the cone keeps its defaults without being read.
    EXPECT_EQ(s.coneAngle, 0.7853982f);
    EXPECT_EQ(s.coneFeather, 0.5f);
    EXPECT_TRUE(AllZero(&c.lights[1], c.lights.size() - 1));
    EXPECT_TRUE(host.SuitesBalanced());
}

TEST(SceneLights, IntensityAndFalloffTypeConversions) {
    struct Case {
        double intensity;
        float expected;
    };
    const Case cases[] = {
        {100.0, 5.0f}, {250.0, 12.5f}, {-40.0, -2.0f}, {0.0, 0.0f}, {33.3, static_cast<float>(33.3) / 100.0f * 5.0f}};
    for (const Case& k : cases) {
        FakeSceneHost host;
        host.AddLight(AEGP_LightType_AMBIENT).intensity = k.intensity;
        const Collected c = Collect(host);
        ASSERT_EQ(c.count, 1);
        EXPECT_EQ(c.lights[0].intensity, k.expected) << k.intensity;
    }
    struct FalloffCase {
        double host;
        int32_t expected;
    };
    const FalloffCase falloff[] = {{0.0, 0}, {1.99, 1}, {-1.9, -1}, {2.0, 2}, {2147483647.0, 2147483647}};
    for (const FalloffCase& k : falloff) {
        FakeSceneHost host;
        host.AddLight(AEGP_LightType_SPOT).falloffType = k.host;
        const Collected c = Collect(host);
        ASSERT_EQ(c.count, 1);
        EXPECT_EQ(c.lights[0].falloffType, k.expected) << k.host;
    }
}

TEST(SceneLights, SpotConeAndDirection) {
    FakeSceneHost host;
    FakeLayer& l = host.AddLight(AEGP_LightType_SPOT);
    l.coneAngle = 90.0;
    l.coneFeather = 50.0;
    l.zAxis[0] = 3.0;
    l.zAxis[1] = 0.0;
    l.zAxis[2] = 4.0;
    const Collected c = Collect(host);
    ASSERT_EQ(c.count, 1);
    EXPECT_EQ(c.lights[0].coneAngle, 1.5707964f);
    EXPECT_EQ(c.lights[0].coneFeather, 0.5f);
    EXPECT_FLOAT_EQ(c.lights[0].direction[0], 0.6f);
    EXPECT_EQ(c.lights[0].direction[1], 0.0f);
    EXPECT_FLOAT_EQ(c.lights[0].direction[2], 0.8f);
}

TEST(SceneLights, AmbientKeepsDefaultPositionAndReadsOnlyIntensityAndColour) {
    FakeSceneHost host;
    FakeLayer& l = host.AddLight(AEGP_LightType_AMBIENT);
    l.position[0] = 5.0;
    l.zAxis[0] = 1.0;
    l.zAxis[2] = 0.0;
    l.color[1] = 0.75;
    const Collected c = Collect(host, kMaxSceneLights, 101.0f, 51.0f);
    ASSERT_EQ(c.count, 1);
    const SceneLight& s = c.lights[0];
    EXPECT_EQ(s.type, SceneLightType::Ambient);
    EXPECT_EQ(s.position[0], 50.5f);
    EXPECT_EQ(s.position[1], 25.5f);
    EXPECT_EQ(s.position[2], -500.0f);
    EXPECT_EQ(s.direction[2], 1.0f);
    EXPECT_EQ(s.color[0], 0.75f);
    EXPECT_EQ(s.falloffDistance, 1000.0f);
    std::set<AEGP_LayerStream> asked;
    for (const auto& q : host.streamQueries) asked.insert(q.stream);
    EXPECT_EQ(asked, (std::set<AEGP_LayerStream>{AEGP_LayerStream_INTENSITY, AEGP_LayerStream_COLOR}));
    EXPECT_TRUE(host.xformTimes.empty());
}

TEST(SceneLights, DirectionFallsBackToZUpForDegenerateAxes) {
    struct Case {
        double z[3];
        float expected[3];
    };
    const Case cases[] = {
        {{0.0, 0.0, 0.0}, {0.0f, 0.0f, 1.0f}},   {{1e-7, 0.0, 0.0}, {0.0f, 0.0f, 1.0f}},  // below the length floor
        {{0.0, -2.0, 0.0}, {0.0f, -1.0f, 0.0f}},                                          // scaled to unit length
        {{1e30, 0.0, 0.0}, {1.0f, 0.0f, 0.0f}},  // squares overflow float, still unit
        {{NAN, 0.0, 1.0}, {0.0f, 0.0f, 1.0f}},   {{INFINITY, 0.0, 0.0}, {0.0f, 0.0f, 1.0f}},
        {{1e300, 0.0, 0.0}, {0.0f, 0.0f, 1.0f}},  // not a float at all
    };
    for (const Case& k : cases) {
        FakeSceneHost host;
        FakeLayer& l = host.AddLight(AEGP_LightType_PARALLEL);
        std::copy(k.z, k.z + 3, l.zAxis);
        const Collected c = Collect(host);
        ASSERT_EQ(c.count, 1);
        for (int i = 0; i < 3; ++i) {
            EXPECT_FLOAT_EQ(c.lights[0].direction[i], k.expected[i]) << k.z[0] << " component " << i;
        }
        ExpectUnitOrZUp(c.lights[0]);
    }
    FakeSceneHost host;
    host.AddLight(AEGP_LightType_SPOT).failXform = true;
    const Collected c = Collect(host);
    ASSERT_EQ(c.count, 1);
    EXPECT_EQ(c.lights[0].direction[2], 1.0f);
}

TEST(SceneLights, EachFailedStreamLeavesItsDefaultAndTheLightCounts) {
    struct Case {
        AEGP_LayerStream stream;
        bool (*check)(const SceneLight&);
    };
    const Case cases[] = {
        {AEGP_LayerStream_POSITION,
         [](const SceneLight& s) {
             return s.position[0] == 40.0f && s.position[1] == 30.0f && s.position[2] == -500.0f;
         }},
        {AEGP_LayerStream_INTENSITY, [](const SceneLight& s) { return s.intensity == 5.0f; }},
        {AEGP_LayerStream_COLOR,
         [](const SceneLight& s) { return s.color[0] == 1.0f && s.color[1] == 1.0f && s.color[2] == 1.0f; }},
        {AEGP_LayerStream_CONE_ANGLE, [](const SceneLight& s) { return s.coneAngle == 0.7853982f; }},
        {AEGP_LayerStream_CONE_FEATHER, [](const SceneLight& s) { return s.coneFeather == 0.5f; }},
        {AEGP_LayerStream_LIGHT_FALLOFF_TYPE, [](const SceneLight& s) { return s.falloffType == 0; }},
        {AEGP_LayerStream_LIGHT_FALLOFF_START, [](const SceneLight& s) { return s.falloffRadius == 0.0f; }},
        {AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE, [](const SceneLight& s) { return s.falloffDistance == 1000.0f; }},
    };
    for (const Case& k : cases) {
        FakeSceneHost host;
        FakeLayer& l = host.AddLight(AEGP_LightType_SPOT);
        l.position[0] = 1.0;
        l.position[1] = 2.0;
        l.position[2] = 3.0;
        l.color[1] = l.color[2] = l.color[3] = 0.5;
        l.intensity = 10.0;
        l.coneAngle = 10.0;
        l.coneFeather = 10.0;
        l.falloffType = 1.0;
        l.falloffRadius = 9.0;
        l.falloffDistance = 99.0;
        l.failStreams.insert(k.stream);
        const Collected c = Collect(host, kMaxSceneLights, 80.0f, 60.0f);
        ASSERT_EQ(c.count, 1) << k.stream;
        const SceneLight& s = c.lights[0];
        EXPECT_TRUE(k.check(s)) << "stream " << k.stream;
        // The other reads are independent of the failed one.
        if (k.stream != AEGP_LayerStream_INTENSITY) {
            EXPECT_EQ(s.intensity, 0.5f) << k.stream;
        }
        if (k.stream != AEGP_LayerStream_LIGHT_FALLOFF_DISTANCE) {
            EXPECT_EQ(s.falloffDistance, 99.0f) << k.stream;
        }
        if (k.stream != AEGP_LayerStream_POSITION) {
            EXPECT_EQ(s.position[2], 3.0f) << k.stream;
        }
    }
}

TEST(SceneLights, NonFiniteAndOutOfRangeStreamValuesKeepDefaults) {
    FakeSceneHost host;
    FakeLayer& l = host.AddLight(AEGP_LightType_SPOT);
    l.position[0] = 10.0;
    l.position[1] = NAN;  // one bad component rejects the whole position
    l.intensity = INFINITY;
    l.color[2] = -INFINITY;
    l.coneAngle = 1e300;
    l.coneFeather = NAN;
    l.falloffType = NAN;
    l.falloffRadius = -1e40;
    l.falloffDistance = INFINITY;
    FakeLayer& big = host.AddLight(AEGP_LightType_POINT);
    big.falloffType = 1e12;  // beyond int32
    big.intensity = 3.0e38;  // fits a float, and the scaling only shrinks it
    const Collected c = Collect(host, kMaxSceneLights, 100.0f, 50.0f);
    ASSERT_EQ(c.count, 2);
    const SceneLight& s = c.lights[0];
    EXPECT_EQ(s.position[0], 50.0f);
    EXPECT_EQ(s.position[1], 25.0f);
    EXPECT_EQ(s.position[2], -500.0f);
    EXPECT_EQ(s.intensity, 5.0f);
    EXPECT_EQ(s.color[0], 1.0f);
    EXPECT_EQ(s.color[1], 1.0f);
    EXPECT_EQ(s.coneAngle, 0.7853982f);
    EXPECT_EQ(s.coneFeather, 0.5f);
    EXPECT_EQ(s.falloffType, 0);
    EXPECT_EQ(s.falloffRadius, 0.0f);
    EXPECT_EQ(s.falloffDistance, 1000.0f);
    EXPECT_EQ(c.lights[1].falloffType, 0);
    EXPECT_TRUE(std::isfinite(c.lights[1].intensity));
    EXPECT_EQ(c.lights[1].intensity, 3.0e38f / 100.0f * 5.0f);
}

TEST(SceneLights, SixteenInLayerOrderAndNoMore) {
    FakeSceneHost host;
    for (int i = 0; i < 17; ++i) host.AddLight(AEGP_LightType_POINT).intensity = 10.0 * (i + 1);
    const Collected c = Collect(host);
    ASSERT_EQ(c.count, 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(c.lights[i].intensity, static_cast<float>(10 * (i + 1)) / 100.0f * 5.0f);
    EXPECT_TRUE(AllZero(&c.lights[16], 2));
    // The walk stops once the array is full.
    EXPECT_EQ(host.lightTypeQueries, 16);
}

TEST(SceneLights, SmallerCapacityBoundsTheWrites) {
    for (int32_t capacity : {-3, 0, 1, 2}) {
        FakeSceneHost host;
        for (int i = 0; i < 5; ++i) host.AddLight(AEGP_LightType_AMBIENT);
        const Collected c = Collect(host, capacity);
        const int32_t expected = capacity < 0 ? 0 : capacity;
        EXPECT_EQ(c.count, expected);
        EXPECT_TRUE(AllZero(&c.lights[expected], c.lights.size() - expected)) << capacity;
    }
}

TEST(SceneLights, SkippedLayersTakeNoSlot) {
    struct Case {
        const char* what;
        void (*spoil)(FakeSceneHost&);
    };
    const Case cases[] = {
        {"inactive", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).active = false; }},
        {"camera", [](FakeSceneHost& h) { h.AddNonLight(AEGP_ObjectType_CAMERA); }},
        {"unknown object type", [](FakeSceneHost& h) { h.AddNonLight(9); }},
        {"light type 7", [](FakeSceneHost& h) { h.AddLight(7); }},
        {"light type 4", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_RESERVED1); }},
        {"light type none", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_NONE); }},
        {"layer query fails", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).failGetLayer = true; }},
        {"null layer", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).nullLayer = true; }},
        {"object type fails", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).failObjectType = true; }},
        {"activity fails", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).failActive = true; }},
        {"light type fails", [](FakeSceneHost& h) { h.AddLight(AEGP_LightType_POINT).failLightType = true; }},
    };
    for (const Case& k : cases) {
        FakeSceneHost host;
        k.spoil(host);
        k.spoil(host);
        host.AddLight(AEGP_LightType_SPOT).intensity = 20.0;
        const Collected c = Collect(host);
        ASSERT_EQ(c.count, 1) << k.what;
        EXPECT_EQ(c.lights[0].type, SceneLightType::Spot) << k.what;
        EXPECT_EQ(c.lights[0].intensity, 1.0f) << k.what;
        EXPECT_TRUE(AllZero(&c.lights[1], c.lights.size() - 1)) << k.what;
        EXPECT_TRUE(host.SuitesBalanced()) << k.what;
    }
}

TEST(SceneLights, CompositionQueryFailuresGiveNoLights) {
    struct Case {
        const char* what;
        void (*spoil)(FakeSceneHost&);
    };
    const Case cases[] = {
        {"effect layer error", [](FakeSceneHost& h) { h.effectLayerErr = A_Err_GENERIC; }},
        {"null effect layer", [](FakeSceneHost& h) { h.nullEffectLayer = true; }},
        {"comp error", [](FakeSceneHost& h) { h.parentCompErr = A_Err_PARAMETER; }},
        {"null comp", [](FakeSceneHost& h) { h.nullComp = true; }},
        {"layer count error", [](FakeSceneHost& h) { h.numLayersErr = A_Err_GENERIC; }},
        {"layer count zero",
         [](FakeSceneHost& h) {
             h.overrideLayerCount = true;
             h.layerCount = 0;
         }},
        {"layer count negative",
         [](FakeSceneHost& h) {
             h.overrideLayerCount = true;
             h.layerCount = -5;
         }},
        {"null layer suite slot", [](FakeSceneHost& h) { h.layer5().AEGP_GetCompNumLayers = nullptr; }},
    };
    for (const Case& k : cases) {
        FakeSceneHost host;
        host.AddLight(AEGP_LightType_POINT);
        k.spoil(host);
        const Collected c = Collect(host);
        EXPECT_EQ(c.count, 0) << k.what;
        EXPECT_TRUE(AllZero(c.lights.data(), c.lights.size())) << k.what;
        EXPECT_TRUE(host.SuitesBalanced()) << k.what;
    }
}

TEST(SceneLights, LayerCountLargerThanTheCompositionIsHarmless) {
    FakeSceneHost host;
    host.AddLight(AEGP_LightType_POINT);
    host.overrideLayerCount = true;
    host.layerCount = 1000;  // the host then refuses indices past its real layers
    const Collected c = Collect(host);
    EXPECT_EQ(c.count, 1);
}

TEST(SceneLights, EveryQueryUsesTheFrameTimeInCompositionTime) {
    FakeSceneHost host;
    host.in.current_time = 1001;
    host.in.time_scale = 30000;
    host.AddLight(AEGP_LightType_SPOT);
    host.AddLight(AEGP_LightType_PARALLEL);
    ASSERT_EQ(Collect(host).count, 2);
    ASSERT_EQ(host.activeTimes.size(), 2u);
    ASSERT_EQ(host.xformTimes.size(), 2u);
    ASSERT_FALSE(host.streamQueries.empty());
    for (const A_Time& t : host.activeTimes) EXPECT_TRUE(t.value == 1001 && t.scale == 30000u);
    for (AEGP_LTimeMode m : host.activeModes) EXPECT_EQ(m, AEGP_LTimeMode_CompTime);
    for (const A_Time& t : host.xformTimes) EXPECT_TRUE(t.value == 1001 && t.scale == 30000u);
    for (const auto& q : host.streamQueries) {
        EXPECT_TRUE(q.time.value == 1001 && q.time.scale == 30000u);
        EXPECT_EQ(q.mode, AEGP_LTimeMode_CompTime);
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
}

TEST(SceneLights, NullArgumentsCollectNothing) {
    FakeSceneHost host;
    host.AddLight(AEGP_LightType_POINT);
    SceneLight lights[1] = {};
    EXPECT_EQ(CollectSceneLights(nullptr, lights, 1, 1.0f, 1.0f), 0);
    EXPECT_EQ(CollectSceneLights(&host.in, nullptr, 16, 1.0f, 1.0f), 0);
}
