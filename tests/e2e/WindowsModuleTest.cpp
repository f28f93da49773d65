// The cross-built Windows module, read as a file: its exports, its name, its
// imports and its registration resource. Skips when the Windows build is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "ModuleFixture.h"
#include "minihost/Bytes.h"
#include "minihost/Error.h"
#include "minihost/PeReader.h"
#include "minihost/Pipl.h"

namespace {

class WindowsModule : public ::testing::Test {
protected:
    void SetUp() override {
        path = e2e::WindowsModulePath();
        if (!std::filesystem::exists(path))
            GTEST_SKIP() << "no Windows module at " << path
                         << " (build it with `cmake --preset windows && cmake --build --preset windows`, "
                            "or point MORVEL_WINDOWS_BUILD_DIR at its build folder)";
        pe = minihost::ParsePeFile(path);
    }
    std::string path;
    minihost::PeFile pe;
};

TEST_F(WindowsModule, ExportsTheThreeEntryPointsByOrdinal) {
    EXPECT_EQ(pe.dll_name, "Morvel.aex");
    struct Want {
        const char* name;
        uint32_t ordinal;
        bool data;
    };
    const Want wants[] = {
        {"EffectMain", 1, false}, {"NvOptimusEnablementCuda", 2, true}, {"PluginDataEntryFunction2", 3, false}};
    ASSERT_EQ(pe.exports.size(), std::size(wants));
    for (std::size_t i = 0; i < std::size(wants); ++i) {
        SCOPED_TRACE(wants[i].name);
        const auto it = std::find_if(pe.exports.begin(), pe.exports.end(),
                                     [&](const minihost::PeExport& e) { return e.name == wants[i].name; });
        ASSERT_NE(it, pe.exports.end());
        EXPECT_EQ(it->ordinal, wants[i].ordinal);
        EXPECT_EQ(it->is_data, wants[i].data);
        EXPECT_FALSE(it->is_forwarder);
    }
}

TEST_F(WindowsModule, ResourceBytesEqualTheLinuxSection) {
    const minihost::PeResource& r = minihost::FindPeResource(pe, "PIPL", 16000, 1033);
    EXPECT_EQ(r.bytes, minihost::ReadPiplBytes(e2e::LinuxModulePath()));
    EXPECT_EQ(minihost::ParsePipl(r.bytes).count, 13u);
    // Exactly one registration resource.
    const auto pipls = std::count_if(pe.resources.begin(), pe.resources.end(),
                                     [](const minihost::PeResource& x) { return x.type_name == "PIPL"; });
    EXPECT_EQ(pipls, 1);
}

TEST_F(WindowsModule, ImportsOnlyWindowsSystemLibraries) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    const std::string allowed[] = {"kernel32.dll", "msvcrt.dll",   "user32.dll", "advapi32.dll", "ws2_32.dll",
                                   "ntdll.dll",    "ucrtbase.dll", "bcrypt.dll", "shell32.dll",  "ole32.dll"};
    EXPECT_FALSE(pe.imports.empty());
    for (const std::string& dll : pe.imports) {
        const std::string l = lower(dll);
        const bool ok =
            l.rfind("api-ms-win-", 0) == 0 || std::find(std::begin(allowed), std::end(allowed), l) != std::end(allowed);
        EXPECT_TRUE(ok) << "imports " << dll << " (runtime libraries must be linked statically)";
    }
}

// A damaged file is an error naming the file, never a read out of bounds.
TEST_F(WindowsModule, TruncatedOrCorruptedFilesAreErrors) {
    const std::vector<uint8_t> file = minihost::ReadFileBytes(path);
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n < 4096 && n < file.size(); n += 7) lengths.push_back(n);
    for (std::size_t n = 4096; n < file.size(); n += file.size() / 200 + 1) lengths.push_back(n);
    for (std::size_t n : lengths) {
        const std::vector<uint8_t> cut(file.begin(), file.begin() + n);
        try {
            minihost::ParsePe(cut, "cut.aex");
        } catch (const minihost::Error& e) {
            EXPECT_NE(std::string(e.what()).find("cut.aex"), std::string::npos) << e.what();
        }
    }
    // Flip header bytes one at a time; each parse must end in a result or an Error.
    uint32_t state = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bad = file;
        state = state * 1664525u + 1013904223u;
        const std::size_t at = (state >> 8) % std::min<std::size_t>(bad.size(), 1024);
        bad[at] ^= uint8_t(1u << (state % 8)) | 0x80;
        try {
            minihost::ParsePe(bad, "corrupt.aex");
        } catch (const minihost::Error&) {
        }
    }
}

}  // namespace
