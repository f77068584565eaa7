// The update image file on Windows: every byte of it, and nobody else's hands on it while open.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "update/image_file.h"

namespace tkbctl::test {
namespace {

class ImageFileWin32 : public ::testing::Test {
protected:
    ~ImageFileWin32() override { std::filesystem::remove(path_); }
    void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    HANDLE OpenElsewhere(DWORD access) {
        return CreateFileA(path_.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    std::string path_ = (std::filesystem::temp_directory_path() / "image_file_win32.img").string();
};

TEST_F(ImageFileWin32, ReadsEveryByteAndCanReadAgain) {
    std::string bytes(3 << 20, '\0');  // beyond one read request
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + (i >> 12));
    Write(bytes);
    {
        const std::unique_ptr<ImageFile> file = OpenImageFileExclusive(path_);
        ASSERT_TRUE(file);
        ASSERT_EQ(file->Size(), bytes.size());
        std::vector<uint8_t> buffer(bytes.size());
        ASSERT_TRUE(file->ReadAll(buffer));
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), bytes);
        std::fill(buffer.begin(), buffer.end(), 0);
        ASSERT_TRUE(file->ReadAll(buffer));
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), bytes);
    }

    Write("");
    const std::unique_ptr<ImageFile> empty = OpenImageFileExclusive(path_);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Size(), 0u);
    EXPECT_TRUE(empty->ReadAll({}));
    EXPECT_FALSE(OpenImageFileExclusive(path_ + ".missing"));
}

TEST_F(ImageFileWin32, NobodyElseOpensItMeanwhileAndAnOpenFileIsNotTaken) {
    Write("image");
    {
        const std::unique_ptr<ImageFile> file = OpenImageFileExclusive(path_);
        ASSERT_TRUE(file);
        EXPECT_EQ(OpenElsewhere(GENERIC_WRITE), INVALID_HANDLE_VALUE);
        EXPECT_EQ(OpenElsewhere(GENERIC_READ), INVALID_HANDLE_VALUE);
    }
    const HANDLE writer = OpenElsewhere(GENERIC_WRITE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(OpenImageFileExclusive(path_));
    CloseHandle(writer);
    EXPECT_TRUE(OpenImageFileExclusive(path_));
}

TEST_F(ImageFileWin32, AFileThatShrankIsNotReadWhole) {
    Write("0123456789");
    const std::unique_ptr<ImageFile> file = OpenImageFileExclusive(path_);
    ASSERT_TRUE(file);
    std::vector<uint8_t> longer(file->Size() + 1);
    EXPECT_FALSE(file->ReadAll(longer));
}

}  // namespace
}  // namespace tkbctl::test
