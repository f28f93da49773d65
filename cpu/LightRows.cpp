#include "cpu/LightRows.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

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

void SetCpuRowBodies(CpuRowBodies bodies) { gRequested.store(bodies); }

// MORVEL_CPU_ROW_BODIES=per-pixel|baseline|avx2 overrides the automatic choice, for
// checking one copy against another on a machine (or under an emulator) at hand.
CpuRowBodies environmentChoice() {
    const char* v = std::getenv("MORVEL_CPU_ROW_BODIES");
    if (!v) return CpuRowBodies::Auto;
    if (std::strcmp(v, "per-pixel") == 0) return CpuRowBodies::PerPixel;
    if (std::strcmp(v, "baseline") == 0) return CpuRowBodies::Baseline;
    if (std::strcmp(v, "avx2") == 0) return CpuRowBodies::Avx2;
    return CpuRowBodies::Auto;
}

CpuRowBodies ActiveCpuRowBodies() {
    static const CpuRowBodies fromEnvironment = environmentChoice();
    CpuRowBodies r = gRequested.load();
    if (r == CpuRowBodies::Auto) r = fromEnvironment;
    if (r == CpuRowBodies::PerPixel || r == CpuRowBodies::Baseline) {
        return r;
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
    const LightRowTable& t = active == CpuRowBodies::Avx2 ? Avx2LightRows() : BaselineLightRows();
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
    const IncidenceRimRowTable& t = active == CpuRowBodies::Avx2 ? Avx2IncidenceRimRows() : BaselineIncidenceRimRows();
    return t.body[layout][pass.is_first ? 1 : 0][incidenceOn(pass) ? 1 : 0][rimOn(pass) ? 1 : 0];
}

const EnvironmentRowTable* ActiveEnvironmentRows() {
    switch (ActiveCpuRowBodies()) {
        case CpuRowBodies::PerPixel:
            return nullptr;
        case CpuRowBodies::Avx2:
            return &Avx2EnvironmentRows();
        default:
            return &BaselineEnvironmentRows();
    }
}

}  // namespace morvel
