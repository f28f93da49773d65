#include "cli/DemoScene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace morvel::cli {
namespace {

using Vec3 = std::array<double, 3>;
constexpr double kPi = 3.14159265358979323846;

struct Material {
    Vec3 albedo;
    double roughness, metalness, specular;
};

struct Sphere {
    double cx, cy, r;
    Material m;
};

struct Passes {
    Image albedo, normal, roughness, metalness, specular, depth;
    Passes(int w, int h) : albedo(w, h), normal(w, h), roughness(w, h), metalness(w, h), specular(w, h), depth(w, h) {}

    void Put(int x, int y, const Vec3& a, const Vec3& n, const Material& m, double z) {
        auto set = [&](Image& img, double r, double g, double b) {
            float* p = img.At(x, y);
            p[0] = float(r), p[1] = float(g), p[2] = float(b), p[3] = 1.0f;
        };
        set(albedo, a[0], a[1], a[2]);
        set(normal, n[0] * 0.5 + 0.5, n[1] * 0.5 + 0.5, n[2] * 0.5 + 0.5);
        set(roughness, m.roughness, m.roughness, m.roughness);
        set(metalness, m.metalness, m.metalness, m.metalness);
        set(specular, m.specular, m.specular, m.specular);
        set(depth, z, z, z);
    }
};

double Smooth(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

Vec3 Normalize(Vec3 v) {
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / l, v[1] / l, v[2] / l};
}

// Back row first, so that nearer spheres cover farther ones.
std::vector<Sphere> Spheres(double s) {
    return {
        {250 * s, 430 * s, 115 * s, {{0.95, 0.95, 0.96}, 0.06, 1.0, 0.5}},    // chrome
        {530 * s, 425 * s, 125 * s, {{0.70, 0.06, 0.05}, 0.32, 0.0, 0.5}},    // red plastic
        {830 * s, 420 * s, 140 * s, {{1.00, 0.77, 0.34}, 0.22, 1.0, 0.5}},    // gold
        {1090 * s, 445 * s, 100 * s, {{0.08, 0.22, 0.55}, 0.75, 0.0, 0.35}},  // blue rubber
        {400 * s, 600 * s, 70 * s, {{0.95, 0.64, 0.54}, 0.45, 1.0, 0.5}},     // brushed copper
        {700 * s, 615 * s, 62 * s, {{0.90, 0.90, 0.86}, 0.10, 0.0, 0.8}},     // white ceramic
        {980 * s, 620 * s, 66 * s, {{0.15, 0.45, 0.18}, 0.50, 0.0, 0.5}},     // green satin
    };
}

// A studio sweep: a wall facing the camera that curves into a floor tilted towards it.
void Backdrop(Passes& p, int w, int h, const std::vector<Sphere>& spheres) {
    const double horizon = 0.52 * h, bend = 0.14 * h;
    const Material floor{{0, 0, 0}, 0.55, 0.0, 0.45};
    for (int y = 0; y < h; ++y) {
        const double t = Smooth(horizon - bend, horizon + bend, y + 0.5);
        const Vec3 n = Normalize({0, 0.85 * t, 1.0 - 0.45 * t});
        for (int x = 0; x < w; ++x) {
            // Faint perspective tiles on the floor, fading into the wall.
            const double dy = std::max(y + 0.5 - horizon + 0.25 * h, 1.0);
            const double u = (x + 0.5 - w * 0.5) / dy * 3.0, v = h * 2.2 / dy;
            const bool odd = (int(std::floor(u)) + int(std::floor(v))) & 1;
            const double tile = 1.0 - 0.12 * t * (odd ? 1 : 0);
            double ao = 1.0;
            for (const auto& s : spheres) {
                // Contact darkening below each sphere, stretched along the floor and
                // pushed right, away from the key light.
                const double ex = (x + 0.5 - s.cx - 0.35 * s.r) / (1.5 * s.r);
                const double ey = (y + 0.5 - s.cy - 0.92 * s.r) / (0.32 * s.r);
                ao *= 1.0 - 0.75 * std::exp(-(ex * ex + ey * ey));
            }
            const double warm = 0.50 - 0.08 * (1 - t);
            const Vec3 a{warm * tile * ao, 0.46 * tile * ao, 0.43 * tile * ao};
            p.Put(x, y, a, n, floor, 0.6 + 0.4 * (1 - double(y) / h));
        }
    }
}

void DrawSphere(Passes& p, int w, int h, const Sphere& s) {
    const int x0 = std::max(0, int(s.cx - s.r - 1)), x1 = std::min(w - 1, int(s.cx + s.r + 1));
    const int y0 = std::max(0, int(s.cy - s.r - 1)), y1 = std::min(h - 1, int(s.cy + s.r + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double nx = (x + 0.5 - s.cx) / s.r, ny = -(y + 0.5 - s.cy) / s.r;  // view space: y up
            const double d2 = nx * nx + ny * ny;
            if (d2 >= 1.0) continue;
            const Vec3 n{nx, ny, std::sqrt(1.0 - d2)};
            const double ao = 0.55 + 0.45 * Smooth(-1.0, -0.2, ny);  // the floor occludes the underside
            const Vec3 a{s.m.albedo[0] * ao, s.m.albedo[1] * ao, s.m.albedo[2] * ao};
            p.Put(x, y, a, n, s.m, 0.3 - 0.1 * n[2] * s.r / h);
        }
}

}  // namespace

Image MakeSkyHdri(int width, int height) {
    Image sky(width, height);
    const Vec3 sun_dir = Normalize({-0.55, 0.62, -0.56});
    for (int y = 0; y < height; ++y) {
        const double elevation = (0.5 - (y + 0.5) / height) * kPi;  // +pi/2 at the top row
        for (int x = 0; x < width; ++x) {
            const double azimuth = ((x + 0.5) / width - 0.5) * 2 * kPi;
            const Vec3 d{std::cos(elevation) * std::cos(azimuth), std::sin(elevation),
                         std::cos(elevation) * std::sin(azimuth)};
            Vec3 c;
            if (d[1] >= 0) {
                const double k = std::pow(1.0 - d[1], 4.0);  // haze towards the horizon
                const Vec3 zenith{0.30, 0.52, 1.15}, horizon{1.45, 1.40, 1.30};
                for (int i = 0; i < 3; ++i) c[i] = zenith[i] + (horizon[i] - zenith[i]) * k;
            } else {
                const double k = std::pow(1.0 + d[1], 8.0);  // ground, hazy near the horizon
                const Vec3 ground{0.42, 0.36, 0.30}, horizon{1.1, 1.0, 0.9};
                for (int i = 0; i < 3; ++i) c[i] = ground[i] + (horizon[i] - ground[i]) * k;
            }
            const double cosSun = d[0] * sun_dir[0] + d[1] * sun_dir[1] + d[2] * sun_dir[2];
            const double disc = Smooth(0.9982, 0.9990, cosSun) * 40.0;
            const double glow =
                std::pow(std::max(cosSun, 0.0), 300.0) * 8.0 + std::pow(std::max(cosSun, 0.0), 12.0) * 0.5;
            const Vec3 sun{1.0, 0.88, 0.7};
            float* p = sky.At(x, y);
            for (int i = 0; i < 3; ++i) p[i] = float(c[i] + (disc + glow) * sun[i]);
            p[3] = 1.0f;
        }
    }
    return sky;
}

SceneImages MakeDemoScene(int width, int height) {
    Passes p(width, height);
    const auto spheres = Spheres(width / 1280.0);
    Backdrop(p, width, height, spheres);
    for (const auto& s : spheres) DrawSphere(p, width, height, s);

    SceneImages out;
    Scene& scene = out.scene;
    scene.depth = 16;
    for (const char* name :
         {"input", "Diffuse Albedo", "Normal Map", "Roughness", "Metalness", "Specular Albedo", "Depth Map", "HDRI"})
        scene.layers.push_back({name, "", ""});
    out.layers["input"] = p.albedo;
    out.layers["Diffuse Albedo"] = p.albedo;
    out.layers["Normal Map"] = std::move(p.normal);
    out.layers["Roughness"] = std::move(p.roughness);
    out.layers["Metalness"] = std::move(p.metalness);
    out.layers["Specular Albedo"] = std::move(p.specular);
    out.layers["Depth Map"] = std::move(p.depth);
    out.layers["HDRI"] = MakeSkyHdri(1024, 512);

    auto param = [&](const char* name, Value v) {
        scene.params.push_back({name, Animated(std::move(v)), std::string("demo scene: params.") + name});
    };
    param("Enable IBL", Value::Bool(true));
    param("HDRI Exposure", Value::Number(0.0));
    param("Diffuse Intensity", Value::Number(0.6));
    param("HDRI Rotation Y", Value::Number(30));
    param("Enable Rim Light", Value::Bool(true));
    param("Rim Light/Amount", Value::Number(60));
    param("Rim Light/Color", Value::Vector({170, 205, 255}));

    const double s = width / 1280.0;
    auto vec = [](double a, double b, double c) { return Animated(Value::Vector({a, b, c})); };
    auto num = [](double v) { return Animated(Value::Number(v)); };
    LightSpec key;
    key.name = "Key";
    key.type = LightType::Spot;
    key.position = vec(180 * s, 40 * s, -900 * s);
    key.point_of_interest = vec(640 * s, 460 * s, 0);
    key.color = vec(1.0, 0.92, 0.82);
    key.intensity = num(95);
    key.cone_angle = num(75);
    key.cone_feather = num(70);
    LightSpec fill;
    fill.name = "Fill";
    fill.type = LightType::Point;
    fill.position = vec(1250 * s, 250 * s, -500 * s);
    fill.color = vec(0.65, 0.78, 1.0);
    fill.intensity = num(30);
    fill.falloff = Falloff::Smooth;
    fill.falloff_distance = num(2400 * s);
    LightSpec ambient;
    ambient.name = "Ambient";
    ambient.type = LightType::Ambient;
    ambient.color = vec(1.0, 1.0, 1.0);
    ambient.intensity = num(6);
    scene.lights = {key, fill, ambient};
    return out;
}

}  // namespace morvel::cli
