// minihost's own behaviour where the module tests lean on it: reading damaged
// module files, loading failures, parameter names and the copy callback.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cmath>
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

#define EXPECT_ERROR_HAS(call, part)                                                      \
    do {                                                                                  \
        const std::string e_ = ErrorOf([&] { call; });                                    \
        EXPECT_NE(e_.find(part), std::string::npos) << "wanted " << part << " in " << e_; \
    } while (0)

TEST(ElfReader, TruncatedOrForgedModulesAreErrorsNotCrashes) {
    const std::vector<uint8_t> file = minihost::ReadFileBytes(e2e::LinuxModulePath());
    EXPECT_FALSE(minihost::ReadElfSection(file, ".pipl", "whole").empty());
    // The section table sits at the end of the file, so a cut file cannot yield the section.
    for (std::size_t n = 0; n < file.size(); n += (n < 256 ? 1 : file.size() / 300 + 1)) {
        const std::vector<uint8_t> cut(file.begin(), file.begin() + n);
        SCOPED_TRACE("length " + std::to_string(n));
        EXPECT_ERROR_HAS(minihost::ReadElfSection(cut, ".pipl", "cut.aex"), "cut.aex");
    }
    const std::tuple<std::size_t, std::vector<uint8_t>, const char*> forgeries[] = {
        {0, {'X'}, "bad magic"},
        {4, {1}, "64-bit"},
        {0x28, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}, "section header table"},
        {0x3A, {32, 0}, "e_shentsize"},
        {0x3E, {0xFE, 0xFF}, "e_shstrndx"},
    };
    for (const auto& [offset, bytes, message] : forgeries) {
        std::vector<uint8_t> bad = file;
        std::copy(bytes.begin(), bytes.end(), bad.begin() + offset);
        EXPECT_ERROR_HAS(minihost::ReadElfSection(bad, ".pipl", "forged.aex"), message);
    }
    EXPECT_ERROR_HAS(minihost::ReadElfSection(file, ".nothing", "m.aex"), "'.nothing'");
}

TEST(Module, LoadErrorsNameTheFileAndTheSymbol) {
    EXPECT_ERROR_HAS(minihost::Module m("/nonexistent/Morvel.aex"), "/nonexistent/Morvel.aex");
    const std::string junk = testing::TempDir() + "/junk.aex";
    std::ofstream(junk) << "not a module";
    EXPECT_ERROR_HAS(minihost::Module m(junk), junk);
    std::filesystem::remove(junk);
    // The C library loads but exports none of the entry points. Found through
    // the loader, since a sanitizer's interceptors would put fopen in the program.
    void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(libc, nullptr);
    link_map* map = nullptr;
    ASSERT_EQ(dlinfo(libc, RTLD_DI_LINKMAP, &map), 0);
    const std::string path = map->l_name;
    dlclose(libc);
    const std::string e = ErrorOf([&] { minihost::Module m(path); });
    EXPECT_TRUE(e.find(path) != std::string::npos && e.find("EffectMain") != std::string::npos) << e;
}

TEST(Session, ParameterNamesResolveOrExplainWhy) {
    minihost::Session s(e2e::LinuxModulePath());
    ASSERT_EQ(s.ParamsSetup().err, PF_Err_NONE);
    minihost::ParamModel& p = s.params();
    EXPECT_ERROR_HAS(p.Find("Amount"), "Incidence/Amount");
    EXPECT_ERROR_HAS(p.Find("Amount"), "Rim Light/Amount");
    EXPECT_ERROR_HAS(p.Find("Brightness"), "\"Brightness\"");
    EXPECT_ERROR_HAS(p.Find("Rim Light/Gamma"), "Rim Light/Gamma");
    EXPECT_ERROR_HAS(p.SetFloat("HDRI", 1.0), "layer");
    EXPECT_EQ(p.Find("Environment (IBL)/HDRI Gamma"), 25);
    p.SetAngle("Rim Light/Angle", -90.0);
    EXPECT_EQ(p.Current(42).u.ad.value, -90 * 65536);  // degrees in 16.16 fixed point
    for (double bad : {32768.0, -1e300, std::nan("")})
        EXPECT_ERROR_HAS(p.SetAngle("Rim Light/Angle", bad), "Rim Light/Angle");
    EXPECT_EQ(p.Current(42).u.ad.value, -90 * 65536);

    // A layer parameter checks out with the world's pixels, or with none.
    minihost::World hdri(5, 3, 32);
    PF_ParamDef def{};
    ASSERT_EQ(p.Checkout(18, 0, 1, 24, &def), PF_Err_NONE);
    EXPECT_EQ(def.u.ld.data, nullptr);
    EXPECT_EQ(p.Checkin(&def), PF_Err_NONE);
    p.SetLayer("HDRI", &hdri);
    ASSERT_EQ(p.Checkout(18, 0, 1, 24, &def), PF_Err_NONE);
    EXPECT_EQ(def.u.ld.data, hdri.View().data);
    EXPECT_EQ(p.OutstandingCheckouts(), 1);
    EXPECT_EQ(p.Checkin(&def), PF_Err_NONE);
    EXPECT_EQ(p.Checkin(&def), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(p.OutstandingCheckouts(), 0);
    EXPECT_EQ(p.UnmatchedCheckins(), 1);
    ASSERT_EQ(p.Checkout(18, 0, 1, 24, &def), PF_Err_NONE);
    p.ClearRecords();  // forgets the checkout still out
    EXPECT_EQ(p.OutstandingCheckouts(), 0);
    EXPECT_EQ(p.Checkin(&def), PF_Err_BAD_CALLBACK_PARAM);
}

// The module copies with null rectangles; worlds of another depth are refused.
TEST(CopyCallback, RefusesMismatchedWorlds) {
    minihost::World src(6, 5, 16), other(6, 5, 8);
    EXPECT_EQ(minihost::CopyWorld(nullptr, &src.View(), &other.View(), nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
}

TEST(World, DepthFollowsTheHostRule) {
    EXPECT_EQ(minihost::WorldDepth(minihost::World(9, 2, 8, 32).View()), 8);
    EXPECT_EQ(minihost::WorldDepth(minihost::World(9, 2, 16, 200).View()), 16);
    EXPECT_EQ(minihost::WorldDepth(minihost::World(9, 2, 32).View()), 32);
    EXPECT_ERROR_HAS(minihost::World w(2, 2, 8, 24), "float");  // an 8-bit row this long would read as float
    EXPECT_ERROR_HAS(minihost::World w(2, 2, 32, 2), "padding");
}

}  // namespace
