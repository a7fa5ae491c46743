#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "Dialog.h"
#include "PresetFiles.h"
#include "Plugin.h"

namespace frostel {
namespace {

FilterParameters Placement(int32_t base) {
    FilterParameters p{};
    ApplyParameterDefaults(p);
    int32_t* v = &p.dialogLeft;
    for (int i = 0; i < 6; ++i) v[i] = base + i * 11;
    p.curveInteractive = 1;  // a flag
    return p;
}

// The ini file lives beside the module that holds the code: here, this test program.
TEST(IniFile, IsWrittenAndReadBesideTheModule) {
    char exe[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameA(nullptr, exe, MAX_PATH));
    std::string folder = exe;
    folder.resize(folder.find_last_of('\\') + 1);
    EXPECT_EQ(folder, ModuleFolder());
    const std::string ini = folder + "Frostel.ini";
    std::remove(ini.c_str());

    // Without a locked record nothing is read or written.
    gParams = nullptr;
    ReadIniFile();
    EXPECT_FALSE(WriteIniFile());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ini.c_str()));

    // A missing file leaves the placement alone.
    FilterParameters record = Placement(-40);
    gParams = &record;
    ReadIniFile();
    EXPECT_EQ(-40, record.dialogLeft);
    EXPECT_EQ(15, record.curveTop);

    ASSERT_TRUE(WriteIniFile());
    std::string text;
    ASSERT_TRUE(ReadWholeFile(ini, text));
    EXPECT_NE(std::string::npos, text.find("\n poT -29 \t\t\t\t;Top of window\n"));

    FilterParameters other = Placement(900);
    gParams = &other;
    ReadIniFile();
    gParams = nullptr;
    const int32_t* got = &other.dialogLeft;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(-40 + i * 11, got[i]) << i;
    EXPECT_EQ(1, other.curveInteractive);
    std::remove(ini.c_str());
}

}  // namespace
}  // namespace frostel
