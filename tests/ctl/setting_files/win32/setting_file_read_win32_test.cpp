#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "setting_files/setting_file_runner.h"

namespace tkbctl::test {
namespace {

class SettingFileReadWin32 : public ::testing::Test {
protected:
    ~SettingFileReadWin32() override { std::filesystem::remove(path_); }
    void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }

    std::string path_ = (std::filesystem::temp_directory_path() / "setting_file_read_win32.txt").string();
};

TEST_F(SettingFileReadWin32, ReadsEveryByte) {
    const std::string bytes("SLAVE 3C\r\n10 01\0\xFF\n", 18);
    Write(bytes);
    const auto read = ReadSettingFileBytes(path_);
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(read->begin(), read->end()), bytes);

    Write("");
    ASSERT_TRUE(ReadSettingFileBytes(path_));
    EXPECT_TRUE(ReadSettingFileBytes(path_)->empty());
    EXPECT_FALSE(ReadSettingFileBytes(path_ + ".missing"));
}

TEST_F(SettingFileReadWin32, FileOpenElsewhereIsNotRead) {
    Write("10 01\r\n");
    const HANDLE writer = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadSettingFileBytes(path_));
    CloseHandle(writer);
    EXPECT_TRUE(ReadSettingFileBytes(path_));
}

}  // namespace
}  // namespace tkbctl::test
