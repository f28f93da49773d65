// minihost's own behaviour where the module tests lean on it: reading damaged
// module files, loading failures, parameter names and the copy callback.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "ModuleFixture.h"
#include "minihost/Bytes.h"
#include "minihost/ElfReader.h"
#include "minihost/Error.h"
#include "minihost/UtilCallbacks.h"
#include "minihost/World.h"

namespace {

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const minihost::Error& e) {
        return e.what();
    }
    return "(no error)";
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ElfReader, TruncatedModulesAreErrorsNotCrashes) {
    const std::vector<uint8_t> file = minihost::ReadFileBytes(e2e::LinuxModulePath());
    const std::vector<uint8_t> whole = minihost::ReadElfSection(file, ".pipl", "whole");
    std::size_t accepted = 0;
    for (std::size_t n = 0; n < file.size(); n += (n < 256 ? 1 : file.size() / 300 + 1)) {
        const std::vector<uint8_t> cut(file.begin(), file.begin() + n);
        try {
            // The section table sits at the end of the file, so a cut file cannot yield the section.
            minihost::ReadElfSection(cut, ".pipl", "cut.aex");
            ++accepted;
        } catch (const minihost::Error& e) {
            EXPECT_TRUE(Contains(e.what(), "cut.aex")) << e.what();
        }
    }
    EXPECT_EQ(accepted, 0u);
    EXPECT_FALSE(whole.empty());
}

TEST(ElfReader, ForgedHeadersAreRejectedWithTheField) {
    const std::vector<uint8_t> file = minihost::ReadFileBytes(e2e::LinuxModulePath());
    struct Case {
        std::size_t offset;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    const Case cases[] = {
        {0, {'X'}, "bad magic"},
        {4, {1}, "64-bit"},
        {0x28, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}, "section header table"},
        {0x3A, {32, 0}, "e_shentsize"},
        {0x3E, {0xFE, 0xFF}, "e_shstrndx"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = file;
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + c.offset);
        EXPECT_TRUE(Contains(ErrorOf([&] { minihost::ReadElfSection(bad, ".pipl", "forged.aex"); }), c.message))
            << c.message;
    }
    EXPECT_TRUE(Contains(ErrorOf([&] { minihost::ReadElfSection(file, ".nothing", "m.aex"); }), "'.nothing'"));
}

TEST(Module, LoadErrorsNameTheFileAndTheSymbol) {
    EXPECT_TRUE(Contains(ErrorOf([] { minihost::Module m("/nonexistent/Morvel.aex"); }), "/nonexistent/Morvel.aex"));

    const std::string junk = testing::TempDir() + "/junk.aex";
    std::ofstream(junk) << "not a module";
    EXPECT_TRUE(Contains(ErrorOf([&] { minihost::Module m(junk); }), junk));
    std::filesystem::remove(junk);

    // The C library loads but exports none of the entry points.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&std::fopen), &info), 0);
    const std::string libc = info.dli_fname;
    const std::string e = ErrorOf([&] { minihost::Module m(libc); });
    EXPECT_TRUE(Contains(e, libc) && Contains(e, "EffectMain")) << e;
}

TEST(Session, ParameterNamesResolveOrExplainWhy) {
    minihost::Session s(e2e::LinuxModulePath());
    ASSERT_EQ(s.ParamsSetup().err, PF_Err_NONE);
    minihost::ParamModel& p = s.params();
    const std::string ambiguous = ErrorOf([&] { p.Find("Amount"); });
    EXPECT_TRUE(Contains(ambiguous, "Incidence/Amount") && Contains(ambiguous, "Rim Light/Amount")) << ambiguous;
    EXPECT_TRUE(Contains(ErrorOf([&] { p.Find("Brightness"); }), "\"Brightness\""));
    EXPECT_TRUE(Contains(ErrorOf([&] { p.Find("Rim Light/Gamma"); }), "Rim Light/Gamma"));
    EXPECT_TRUE(Contains(ErrorOf([&] { p.SetFloat("HDRI", 1.0); }), "layer"));

    p.SetFloat("Rim Light/Amount", 75.5);
    p.SetAngle("Rim Light/Angle", -90.0);
    p.SetCheckbox("Enable IBL", true);
    p.SetColor("Incidence/Color", PF_Pixel{255, 10, 20, 30});
    EXPECT_EQ(p.Current(38).u.fs_d.value, 75.5);
    EXPECT_EQ(p.Current(32).u.fs_d.value, 50.0);
    EXPECT_EQ(p.Current(42).u.ad.value, -90 * 65536);
    EXPECT_EQ(p.Current(17).u.bd.value, 1);
    EXPECT_EQ(p.Current(34).u.cd.value.green, 20);

    // A layer parameter checks out with the world's pixels, or with none.
    minihost::World hdri(5, 3, 32);
    PF_ParamDef def{};
    ASSERT_EQ(p.Checkout(18, 0, 1, 24, &def), PF_Err_NONE);
    EXPECT_EQ(def.u.ld.data, nullptr);
    EXPECT_EQ(p.Checkin(&def), PF_Err_NONE);
    p.SetLayer("HDRI", &hdri);
    ASSERT_EQ(p.Checkout(18, 0, 1, 24, &def), PF_Err_NONE);
    EXPECT_EQ(def.u.ld.data, hdri.View().data);
    EXPECT_EQ(def.u.ld.width, 5);
    EXPECT_EQ(p.OutstandingCheckouts(), 1);
    EXPECT_EQ(p.Checkin(&def), PF_Err_NONE);
    EXPECT_EQ(p.Checkin(&def), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(p.OutstandingCheckouts(), 0);
    EXPECT_EQ(p.UnmatchedCheckins(), 1);
}

TEST(CopyCallback, CopiesRectsAndRefusesMismatches) {
    minihost::World src(6, 5, 16, 6), dst(6, 5, 16), other(6, 5, 8);
    src.FillPattern(3);
    dst.Fill({});
    PF_Rect from{1, 1, 4, 3}, to{2, 3, 5, 5};
    ASSERT_EQ(minihost::CopyWorld(nullptr, &src.View(), &dst.View(), &from, &to), PF_Err_NONE);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 3 && y < 5;
            const minihost::PixelF got = dst.Get(x, y);
            const minihost::PixelF want = inside ? src.Get(x - 1, y - 2) : minihost::PixelF{};
            EXPECT_EQ(got.r, want.r) << x << "," << y;
            EXPECT_EQ(got.a, want.a) << x << "," << y;
        }
    EXPECT_EQ(minihost::CopyWorld(nullptr, &src.View(), &other.View(), nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    PF_Rect outside{0, 0, 7, 5};
    EXPECT_EQ(minihost::CopyWorld(nullptr, &src.View(), &dst.View(), &outside, nullptr), PF_Err_BAD_CALLBACK_PARAM);
}

TEST(World, DepthFollowsTheHostRule) {
    EXPECT_EQ(minihost::WorldDepth(minihost::World(9, 2, 8, 32).View()), 8);
    EXPECT_EQ(minihost::WorldDepth(minihost::World(9, 2, 16, 200).View()), 16);
    EXPECT_EQ(minihost::WorldDepth(minihost::World(9, 2, 32).View()), 32);
    // An 8-bit row this long would read as float.
    EXPECT_TRUE(Contains(ErrorOf([] { minihost::World w(2, 2, 8, 24); }), "float"));
    EXPECT_TRUE(Contains(ErrorOf([] { minihost::World w(2, 2, 32, 2); }), "padding"));
}

}  // namespace
