#include "usb/win32/usb_version_win32.h"

#include <gtest/gtest.h>

#include <initguid.h>

#include <winioctl.h>

#include <usbioctl.h>
#include <usbiodef.h>
#include <array>
#include <cstddef>

namespace tkbctl::test {
namespace {

using namespace usb_layout;

// The walk builds these structures byte by byte; they must match the system's own.
static_assert(kIoctlGetHcdDriverKeyName == IOCTL_GET_HCD_DRIVERKEY_NAME);
static_assert(kIoctlUsbGetRootHubName == IOCTL_USB_GET_ROOT_HUB_NAME);
static_assert(kIoctlUsbGetNodeInformation == IOCTL_USB_GET_NODE_INFORMATION);
static_assert(kIoctlUsbGetNodeConnectionName == IOCTL_USB_GET_NODE_CONNECTION_NAME);
static_assert(kIoctlUsbGetNodeConnectionInformationEx == IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX);
static_assert(sizeof(USB_HCD_DRIVERKEY_NAME) == kHcdNameHeaderSize);
static_assert(sizeof(USB_ROOT_HUB_NAME) == kHcdNameHeaderSize);
static_assert(offsetof(USB_ROOT_HUB_NAME, RootHubName) == kHcdNameOffset);
static_assert(sizeof(USB_NODE_CONNECTION_NAME) == kConnectionNameHeaderSize);
static_assert(offsetof(USB_NODE_CONNECTION_NAME, ActualLength) == kConnectionNameLengthOffset);
static_assert(offsetof(USB_NODE_CONNECTION_NAME, NodeName) == kConnectionNameOffset);
static_assert(sizeof(USB_NODE_INFORMATION) == kNodeInformationSize);
static_assert(offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts) ==
              kPortCountOffset);
static_assert(sizeof(USB_NODE_CONNECTION_INFORMATION_EX) + 30 * sizeof(USB_PIPE_INFO) ==
              kConnectionInformationSize);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.bcdUSB) == kBcdUsbOffset);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.idVendor) == kIdVendorOffset);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.idProduct) == kIdProductOffset);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceIsHub) == kDeviceIsHubOffset);

TEST(UsbVersionWin32, HostControllerClassIsTheSystems) {
    EXPECT_TRUE(IsEqualGUID(kUsbHostControllerInterfaceClass, GUID_DEVINTERFACE_USB_HOST_CONTROLLER));
}

TEST(UsbVersionWin32, RealWalkAnswersWithoutABoard) {
    std::unique_ptr<UsbTopology> topology = CreatePlatformUsbTopology();
    CGetUSBVersion search(*topology);
    const int32_t version = search.GetVersion(kBoardUsbProductId, kBoardUsbVendorId);
    EXPECT_TRUE(version == -1 || version == -2) << version;
}

// Display adapters are a device-interface class that Wine presents; the host controller class has
// no members there, so the SetupAPI steps are run on that class instead.
constexpr GUID kDisplayAdapterInterfaceClass = {
    0x5B45201D, 0xF2F2, 0x4F3B, {0x85, 0xBB, 0x30, 0xFF, 0x1F, 0x95, 0x35, 0x99}};

TEST(UsbVersionWin32, SetupApiStepsOverAPresentClass) {
    Win32UsbTopology topology(kDisplayAdapterInterfaceClass);
    ASSERT_TRUE(topology.OpenControllerSet());
    if (!topology.SelectController(0)) {
        topology.CloseControllerSet();
        GTEST_SKIP() << "no display adapter interface on this machine";
    }
    EXPECT_TRUE(topology.ControllerHasDescription());
    ASSERT_TRUE(topology.SelectInterface(0));
    uint32_t size = 0;
    EXPECT_EQ(topology.InterfaceDetailSize(size), static_cast<uint32_t>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_GT(size, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
    std::string path;
    ASSERT_TRUE(topology.InterfaceDevicePath(size, path));
    EXPECT_EQ(path.rfind("\\\\?\\", 0), 0u) << path;
    EXPECT_EQ(path.size() + 1, size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath));
    EXPECT_FALSE(topology.InterfaceDevicePath(size - 1, path));
    EXPECT_FALSE(topology.SelectController(1000));
    EXPECT_FALSE(topology.SelectInterface(1000));
    topology.CloseControllerSet();

    // The whole walk over that class: the adapter answers no host controller request.
    Win32UsbTopology adapters(kDisplayAdapterInterfaceClass);
    CGetUSBVersion search(adapters);
    EXPECT_EQ(search.GetVersion(kBoardUsbProductId, kBoardUsbVendorId), -1);
}

TEST(UsbVersionWin32, DevicesAndControlRequests) {
    Win32UsbTopology topology;
    EXPECT_EQ(topology.OpenDevice("\\\\.\\NoSuchRootHub"), 0u);
    const UsbTopology::Handle device = topology.OpenDevice("NUL");
    ASSERT_NE(device, 0u);
    std::array<uint8_t, kNodeInformationSize> node{};
    EXPECT_FALSE(topology.Control(device, kIoctlUsbGetNodeInformation, node));
    topology.CloseDevice(device);
}

TEST(UsbVersionWin32, WideNamesInTheAnsiCodePage) {
    Win32UsbTopology topology;
    std::string ansi = "stale";
    ASSERT_TRUE(topology.WideToAnsi(u"USB#ROOT_HUB30#4&2a9c1e0&0", ansi));
    EXPECT_EQ(ansi, "USB#ROOT_HUB30#4&2a9c1e0&0");
    ASSERT_TRUE(topology.WideToAnsi(u"", ansi));
    EXPECT_EQ(ansi, "");
    if (GetACP() == 1252) {
        // U+0100 would best-fit to 'A'; without best-fit mapping it becomes the default character.
        ASSERT_TRUE(topology.WideToAnsi(u"\u0100B", ansi));
        EXPECT_EQ(ansi, "?B");
    }
}

}  // namespace
}  // namespace tkbctl::test
