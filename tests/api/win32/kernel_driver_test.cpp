// The Windows driver binding on a machine without boards: SetupAPI enumeration, CreateFileA and
// overlapped DeviceIoControl on handles that are no board.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "win32/kernel_driver.h"

namespace {

TEST(KernelDriverTest, EnumeratesNoBoardHere) {
    tkr::KernelDriver driver;
    std::vector<std::string> paths{"stale"};
    EXPECT_EQ(driver.Enumerate(paths), 0u);
    EXPECT_TRUE(paths.empty());
}

TEST(KernelDriverTest, OpenOfAMissingDeviceReportsTheSystemError) {
    tkr::KernelDriver driver;
    tkr::DeviceHandle handle = 123;
    const uint32_t error =
        driver.Open("\\\\?\\usb#vid_0525&pid_a115#nothing#{c1b7c34b-2a7e-4b8b-9eeb-be549b4df144}", handle);
    EXPECT_NE(error, 0u);
    EXPECT_EQ(handle, 0u);
}

TEST(KernelDriverTest, RequestsOnAHandleThatIsNoBoardFailWithoutHanging) {
    char folder[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    const std::string path = std::string(folder) + "tkr50api-not-a-board.bin";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    tkr::KernelDriver driver;
    tkr::DeviceHandle handle = 0;
    ASSERT_EQ(driver.Open(path, handle), 0u);
    ASSERT_NE(handle, 0u);
    uint8_t list[1024];
    uint32_t returned = 77;
    EXPECT_NE(driver.Control(handle, 0x222000, nullptr, 0, list, sizeof list, returned), 0u);
    EXPECT_EQ(returned, 0u);
    driver.Close(handle);
    // A closed handle is no handle any more: closing it again does nothing, requests on it fail.
    driver.Close(handle);
    driver.Close(0);
    EXPECT_EQ(driver.Control(handle, 0x222000, nullptr, 0, list, sizeof list, returned),
              static_cast<uint32_t>(ERROR_INVALID_HANDLE));
    // The file was really closed: it can be deleted now.
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(KernelDriverTest, ControlOnNoHandle) {
    tkr::KernelDriver driver;
    uint32_t returned = 0;
    EXPECT_EQ(driver.Control(0, 0x222000, nullptr, 0, nullptr, 0, returned),
              static_cast<uint32_t>(ERROR_INVALID_HANDLE));
}

}  // namespace
