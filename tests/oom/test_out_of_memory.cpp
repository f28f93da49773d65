// Running out of memory inside the effect is reported as out of memory, so a
// host can free its caches and render the frame again; the next frame works.
// This executable's allocation functions can be told to fail large requests,
// which is how the effect's frame buffers see an exhausted machine.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "minihost/Frame.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace {
std::atomic<std::size_t> gFailFrom{0};  // 0: never fail
std::atomic<int> gFailed{0};

void* Allocate(std::size_t n) {
    const std::size_t limit = gFailFrom.load(std::memory_order_relaxed);
    if (limit && n >= limit) {
        ++gFailed;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

// Exported, so that the loaded module's allocations come here too.
#define MORVEL_EXPORTED __attribute__((visibility("default")))
MORVEL_EXPORTED void* operator new(std::size_t n) { return Allocate(n); }
MORVEL_EXPORTED void* operator new[](std::size_t n) { return Allocate(n); }
MORVEL_EXPORTED void operator delete(void* p) noexcept { std::free(p); }
MORVEL_EXPORTED void operator delete[](void* p) noexcept { std::free(p); }
MORVEL_EXPORTED void operator delete(void* p, std::size_t) noexcept { std::free(p); }
MORVEL_EXPORTED void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(OutOfMemory, IsReportedAsOutOfMemoryAndTheNextFrameRenders) {
    minihost::Session session(MORVEL_MODULE_PATH);
    ASSERT_EQ(session.GlobalSetup().err, PF_Err_NONE);
    ASSERT_EQ(session.ParamsSetup().err, PF_Err_NONE);
    session.params().SetCheckbox("Enable IBL", true);
    minihost::World input(40, 20, 32), hdri(512, 256, 32);
    input.FillPattern(3);
    hdri.FillPattern(5);
    minihost::FrameRequest request;
    request.layers[""] = &input;
    request.layers["HDRI"] = &hdri;

    // The HDRI preparation asks for 2 MB buffers; the host's worlds already exist.
    gFailFrom = std::size_t(1) << 20;
    const minihost::FrameResult starved = minihost::RenderFrame(session, request);
    gFailFrom = 0;
    ASSERT_GT(gFailed.load(), 0) << "the frame never asked for a large buffer";
    EXPECT_EQ(starved.err(), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(session.params().OutstandingCheckouts(), 0) << "every parameter goes back";

    const minihost::FrameResult again = minihost::RenderFrame(session, request);
    EXPECT_EQ(again.err(), PF_Err_NONE);
}

}  // namespace
