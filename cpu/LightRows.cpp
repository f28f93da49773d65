#include "cpu/LightRows.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#endif

#include "cpu/EnvironmentRows.h"

namespace morvel {

namespace {
std::atomic<CpuRowBodies> gRequested{CpuRowBodies::Auto};
}

bool CpuHasAvx2() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    static const bool has = __builtin_cpu_supports("avx2") != 0;
    return has;
#else
    return false;
#endif
}

// The processor's flags are not enough: an operating system that does not save the
// opmask and upper vector registers on a switch (XCR0) would corrupt them.
bool CpuHasAvx512() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    static const bool has = [] {
        if (!__builtin_cpu_supports("avx512f") || !__builtin_cpu_supports("avx512bw") ||
            !__builtin_cpu_supports("avx512dq") || !__builtin_cpu_supports("avx512vl")) {
            return false;
        }
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE)) {
            return false;
        }
        unsigned lo = 0, hi = 0;
        __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
        (void)hi;
        constexpr unsigned kSseAvxOpmaskZmm = 0x2u | 0x4u | 0x20u | 0x40u | 0x80u;
        return (lo & kSseAvxOpmaskZmm) == kSseAvxOpmaskZmm;
    }();
    return has;
#else
    return false;
#endif
}

void SetCpuRowBodies(CpuRowBodies bodies) { gRequested.store(bodies); }

// MORVEL_CPU_ROW_BODIES=per-pixel|baseline|avx2|avx512 overrides the automatic choice, for
// checking one copy against another on a machine (or under an emulator) at hand.
CpuRowBodies environmentChoice() {
    const char* v = std::getenv("MORVEL_CPU_ROW_BODIES");
    if (!v) return CpuRowBodies::Auto;
    if (std::strcmp(v, "per-pixel") == 0) return CpuRowBodies::PerPixel;
    if (std::strcmp(v, "baseline") == 0) return CpuRowBodies::Baseline;
    if (std::strcmp(v, "avx2") == 0) return CpuRowBodies::Avx2;
    if (std::strcmp(v, "avx512") == 0) return CpuRowBodies::Avx512;
    return CpuRowBodies::Auto;
}

CpuRowBodies ActiveCpuRowBodies() {
    static const CpuRowBodies fromEnvironment = environmentChoice();
    CpuRowBodies r = gRequested.load();
    if (r == CpuRowBodies::Auto) r = fromEnvironment;
    if (r == CpuRowBodies::PerPixel || r == CpuRowBodies::Baseline) {
        return r;
    }
    if ((r == CpuRowBodies::Auto || r == CpuRowBodies::Avx512) && CpuHasAvx512()) {
        return CpuRowBodies::Avx512;
    }
    return CpuHasAvx2() ? CpuRowBodies::Avx2 : CpuRowBodies::Baseline;
}

LightRowBody LightRowBodyFor(int layout, const LightPass& pass, int kind) {
    if (layout < PIXEL_ARGB8 || layout > PIXEL_ARGB32F || kind < LIGHT_DIRECTIONAL || kind > LIGHT_AMBIENT) {
        return nullptr;
    }
    const CpuRowBodies active = ActiveCpuRowBodies();
    if (active == CpuRowBodies::PerPixel) {
        return nullptr;
    }
    const LightRowTable& t = active == CpuRowBodies::Avx512 ? Avx512LightRows()
                             : active == CpuRowBodies::Avx2 ? Avx2LightRows()
                                                            : BaselineLightRows();
    return t.body[layout][kind - 1][pass.is_first ? 1 : 0][pass.source_blend > 0.0f ? 1 : 0];
}

IncidenceRimRowBody IncidenceRimRowBodyFor(int layout, const IncidenceRimPass& pass) {
    if (layout < PIXEL_ARGB8 || layout > PIXEL_ARGB32F) {
        return nullptr;
    }
    const CpuRowBodies active = ActiveCpuRowBodies();
    if (active == CpuRowBodies::PerPixel) {
        return nullptr;
    }
    const IncidenceRimRowTable& t = active == CpuRowBodies::Avx512 ? Avx512IncidenceRimRows()
                                    : active == CpuRowBodies::Avx2 ? Avx2IncidenceRimRows()
                                                                   : BaselineIncidenceRimRows();
    return t.body[layout][pass.is_first ? 1 : 0][incidenceOn(pass) ? 1 : 0][rimOn(pass) ? 1 : 0];
}

const EnvironmentRowTable* ActiveEnvironmentRows() {
    switch (ActiveCpuRowBodies()) {
        case CpuRowBodies::PerPixel:
            return nullptr;
        case CpuRowBodies::Avx2:
        case CpuRowBodies::Avx512:  // no copy of its own: every such processor has AVX2
            return &Avx2EnvironmentRows();
        default:
            return &BaselineEnvironmentRows();
    }
}

}  // namespace morvel
