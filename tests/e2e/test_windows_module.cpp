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
        if (!std::filesystem::exists(path))
            GTEST_SKIP() << "no Windows module at " << path << " (build it with the windows preset, "
                         << "or point MORVEL_WINDOWS_BUILD_DIR at its build folder)";
        pe = minihost::ParsePeFile(path);
    }
    std::string path = e2e::WindowsModulePath();
    minihost::PeFile pe;
};

TEST_F(WindowsModule, NameExportsResourceAndImports) {
    EXPECT_EQ(pe.dll_name, "Morvel.aex");
    // The three entry points, by name and ordinal; only the GPU hint is data.
    const std::tuple<const char*, uint32_t, bool> exports[] = {
        {"EffectMain", 1, false}, {"NvOptimusEnablementCuda", 2, true}, {"PluginDataEntryFunction2", 3, false}};
    ASSERT_EQ(pe.exports.size(), std::size(exports));
    for (const auto& [name, ordinal, data] : exports) {
        const auto it = std::find_if(pe.exports.begin(), pe.exports.end(),
                                     [&, name = name](const minihost::PeExport& e) { return e.name == name; });
        ASSERT_NE(it, pe.exports.end()) << name;
        EXPECT_EQ(it->ordinal, ordinal) << name;
        EXPECT_EQ(it->is_data, data) << name;
        EXPECT_FALSE(it->is_forwarder) << name;
    }

    // One registration resource, type PIPL, id 16000, US English, with the Linux section's bytes.
    EXPECT_EQ(minihost::FindPeResource(pe, "PIPL", 16000, 1033).bytes, minihost::ReadPiplBytes(e2e::LinuxModulePath()));
    EXPECT_EQ(std::count_if(pe.resources.begin(), pe.resources.end(),
                            [](const minihost::PeResource& x) { return x.type_name == "PIPL"; }),
              1);

    // Runtime libraries are linked statically: only Windows system libraries are imported.
    const std::string allowed[] = {"kernel32.dll", "msvcrt.dll",   "user32.dll", "advapi32.dll", "ws2_32.dll",
                                   "ntdll.dll",    "ucrtbase.dll", "bcrypt.dll", "shell32.dll",  "ole32.dll"};
    EXPECT_FALSE(pe.imports.empty());
    for (std::string dll : pe.imports) {
        std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        EXPECT_TRUE(dll.rfind("api-ms-win-", 0) == 0 || std::count(std::begin(allowed), std::end(allowed), dll))
            << "imports " << dll;
    }
}

// A damaged file is an error naming the file, never a read out of bounds.
TEST_F(WindowsModule, TruncatedOrCorruptedFilesAreErrors) {
    const std::vector<uint8_t> file = minihost::ReadFileBytes(path);
    for (std::size_t n = 0; n < file.size(); n += n < 4096 ? 7 : file.size() / 200 + 1) {
        try {
            minihost::ParsePe(std::vector<uint8_t>(file.begin(), file.begin() + n), "cut.aex");
        } catch (const minihost::Error& e) {
            EXPECT_NE(std::string(e.what()).find("cut.aex"), std::string::npos) << e.what();
        }
    }
    // Flip header bytes one at a time; each parse must end in a result or an Error.
    uint32_t state = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bad = file;
        state = state * 1664525u + 1013904223u;
        bad[(state >> 8) % std::min<std::size_t>(bad.size(), 1024)] ^= uint8_t(1u << (state % 8)) | 0x80;
        try {
            minihost::ParsePe(bad, "corrupt.aex");
        } catch (const minihost::Error&) {
        }
    }
}

}  // namespace
