#include "BenchFloors.h"

#include <omp.h>

namespace morvel::bench {
namespace {

typedef float Lanes8 __attribute__((vector_size(32)));
constexpr int kChains = 12;  // independent accumulators: enough to hide the latency

// Each chain runs acc = acc * m + c: one fused multiply-add per lane and step.
template <typename Body>
double timedOnEveryThread(long stepsPerThread, const Body& body) {
    const auto t0 = std::chrono::steady_clock::now();
    float sink = 0.0f;
#pragma omp parallel reduction(+ : sink)
    sink += body(stepsPerThread);
    const double s = secondsSince(t0);
    volatile float keep = sink;
    (void)keep;
    return s;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
__attribute__((target("avx2,fma"))) float fmaChains(long steps) {
    Lanes8 acc[kChains];
    for (int c = 0; c < kChains; ++c) acc[c] = Lanes8{} + 1e-3f * static_cast<float>(c);
    const Lanes8 m = Lanes8{} + 0.999f, a = Lanes8{} + 1e-4f;
    for (long i = 0; i < steps; ++i)
        for (int c = 0; c < kChains; ++c) acc[c] = acc[c] * m + a;
    float s = 0.0f;
    for (int c = 0; c < kChains; ++c)
        for (int l = 0; l < 8; ++l) s += acc[c][l];
    return s;
}
#endif

float mulAddChains(long steps) {
    float acc[kChains * 8];
    for (int c = 0; c < kChains * 8; ++c) acc[c] = 1e-3f * static_cast<float>(c);
    for (long i = 0; i < steps; ++i)
        for (int c = 0; c < kChains * 8; ++c) acc[c] = acc[c] * 0.999f + 1e-4f;
    float s = 0.0f;
    for (float v : acc) s += v;
    return s;
}

}  // namespace

double multiplyAddFloor(double madds) {
    const int threads = omp_get_max_threads();
    const long steps = static_cast<long>(madds / (threads * kChains * 8.0)) + 1;
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
        return timedOnEveryThread(steps, [](long s) { return fmaChains(s); });
    }
#endif
    return timedOnEveryThread(steps, [](long s) { return mulAddChains(s); });
}

}  // namespace morvel::bench
