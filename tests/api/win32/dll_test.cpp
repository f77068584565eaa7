// The shipped TKR50API.dll as a Windows program sees it: loaded by name, exports found by their
// undecorated names, its version resource, its shared section, and no board on this machine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class DllTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { module = LoadLibraryA("TKR50API.dll"); }
    static void TearDownTestSuite() { FreeLibrary(module); }

    template <class Function>
    static Function Export(const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    static std::string VersionString(const std::vector<char>& info, const char* name) {
        char* value = nullptr;
        UINT length = 0;
        const std::string query = std::string("\\StringFileInfo\\041104b0\\") + name;
        if (!VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
            return "<none>";
        return value;
    }

    static inline HMODULE module = nullptr;
};

TEST_F(DllTest, EveryExportIsFoundByItsUndecoratedName) {
    ASSERT_NE(module, nullptr);
    const char* names[] = {
        "TKR50API_Init", "TKR50API_End", "TKR50API_Open", "TKR50API_Close", "TKR50API_GetVersion",
        "TKR50API_I2CBlockWrite", "TKR50API_I2CBlockRead", "TKR50API_I2COneBlockWrite",
        "TKR50API_I2COneBlockRead", "TKR50API_SPIWrite", "TKR50API_SPIRead", "TKR50API_SPIFpgaWrite",
        "TKR50API_SPIFpgaRead", "TKR50API_TKBSettingWrite", "TKR50API_TKBSettingRead",
        "TKR50API_TKB20USettingWrite", "TKR50API_TKB20USettingRead", "TKR50API_TKBSPIBootMemUpdate",
        "TKR50API_TKBSPIBootMemRead", "TKR50API_Update", "TKR50API_TKBFX3Update", "TKR50API_TKBFPGAUpdate",
        "TKR50API_TKB20UFX3Update", "TKR50API_TKB20UFPGAUpdate", "TKR50API_TKBFX3BootMemRead",
        "TKR50API_TKBFPGABootMemRead", "TKR50API_TKB20UFX3BootMemRead", "TKR50API_TKB20UFPGABootMemRead",
        "TKR50API_TKBVersionInfo", "TKR50API_SetProgressCallback",
        // The class for C++ callers: constructor and copy assignment.
        "_ZN9CTKR50APIC1Ev", "_ZN9CTKR50APIaSERKS_"};
    for (const char* name : names)
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
}

TEST_F(DllTest, VersionComesFromTheResourceAlsoBeforeInit) {
    auto getVersion = Export<int32_t(__cdecl*)(char*)>("TKR50API_GetVersion");
    ASSERT_NE(getVersion, nullptr);
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(getVersion(buffer), 1);
    EXPECT_STREQ(buffer, "1.1.0.0");
    EXPECT_EQ(getVersion(nullptr), static_cast<int32_t>(0xF0000004));
}

TEST_F(DllTest, VersionResourceStrings) {
    char path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(module, path, MAX_PATH), 0u);
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &unused);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));

    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 0x04B0);

    EXPECT_EQ(VersionString(info, "FileVersion"), "1.1.0.0");
    EXPECT_EQ(VersionString(info, "ProductVersion"), "1.1.0.0");
    EXPECT_EQ(VersionString(info, "FileDescription"), "TKB-20/TKR-50/TKB-20U/TKR-90 Interface DLL");
    EXPECT_EQ(VersionString(info, "InternalName"), "TKRUSB20");
    EXPECT_EQ(VersionString(info, "OriginalFilename"), "TKR50API.dll");
}

TEST_F(DllTest, TheOpenFlagIsTheOnlyContentOfASharedSection) {
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(module) + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    const IMAGE_SECTION_HEADER* shared = nullptr;
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
        if (std::strncmp(reinterpret_cast<const char*>(section[i].Name), ".MyShare", 8) == 0)
            shared = &section[i];
    }
    ASSERT_NE(shared, nullptr);
    EXPECT_TRUE(shared->Characteristics & IMAGE_SCN_MEM_SHARED);
    EXPECT_TRUE(shared->Characteristics & IMAGE_SCN_MEM_READ);
    EXPECT_TRUE(shared->Characteristics & IMAGE_SCN_MEM_WRITE);
    EXPECT_EQ(shared->Misc.VirtualSize, 4u);
}

TEST_F(DllTest, WithNoBoardOpenFailsAtThePresenceCheck) {
    auto init = Export<void*(__cdecl*)()>("TKR50API_Init");
    auto end = Export<void(__cdecl*)()>("TKR50API_End");
    auto open = Export<int32_t(__cdecl*)(uint32_t, uint32_t)>("TKR50API_Open");
    auto close = Export<int32_t(__cdecl*)(uint32_t)>("TKR50API_Close");
    auto i2cWrite = Export<int32_t(__cdecl*)(uint32_t, uint32_t, uint32_t, const uint8_t*, uint32_t)>(
        "TKR50API_I2CBlockWrite");
    ASSERT_NE(init(), nullptr);
    EXPECT_EQ(open(2, 0), static_cast<int32_t>(0xF0000001));
    EXPECT_EQ(open(1, 0), static_cast<int32_t>(0xF0000001)) << "the presence check answers first";
    EXPECT_EQ(close(2), 1);
    const uint8_t byte = 0;
    EXPECT_EQ(i2cWrite(0x3C, 0, 1, &byte, 0), static_cast<int32_t>(0xF0000004)) << "no packet size yet";
    end();
    EXPECT_EQ(i2cWrite(0x3C, 0, 1, &byte, 0), static_cast<int32_t>(0xF0000003));
}

}  // namespace
