// A fresh folder per test for INI files, removed afterwards, and a way to run a test with that
// folder as the current working directory (the program INI file follows it).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tkbctl::test {

class IniFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  (std::string("tkb_ini_") + info->test_suite_name() + "_" + info->name());
        RemoveFolder();
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        if (!previousDirectory_.empty()) {
            std::filesystem::current_path(previousDirectory_);
        }
        RemoveFolder();
    }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    void WriteFile(const std::string& name, const std::string& contents) const {
        std::ofstream(folder_ / name, std::ios::binary) << contents;
    }

    std::string ReadFile(const std::string& name) const {
        std::ifstream in(folder_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Makes the test's folder the current working directory until the test ends.
    void EnterFolder() {
        previousDirectory_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
    }

    std::filesystem::path folder_;

private:
    // Read-only files a test left behind would stop the removal on Windows.
    void RemoveFolder() const {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        }
        std::filesystem::remove_all(folder_, error);
    }

    std::filesystem::path previousDirectory_;
};

}  // namespace tkbctl::test
