#include "usb/usb_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace tkbctl::test {
namespace {

using namespace usb_layout;

constexpr uint16_t kVendor = kBoardUsbVendorId;
constexpr uint16_t kProduct = kBoardUsbProductId;

struct FakePort {
    uint16_t vendor = 0x046D;
    uint16_t product = 0xC52B;
    uint16_t bcdUsb = 0x0200;
    bool infoFails = false;
    std::optional<std::string> hub;      // name of the hub on this port
    std::optional<uint32_t> nameLength;  // ActualLength the connection name query answers instead
};

FakePort Board(uint16_t bcdUsb) {
    return {kVendor, kProduct, bcdUsb, false, {}, {}};
}
FakePort Hub(std::string name) {
    return {0x05E3, 0x0610, 0x0210, false, std::move(name), {}};
}
FakePort Silent() {
    FakePort port;
    port.infoFails = true;
    return port;
}

struct FakeHub {
    FakeHub(std::vector<FakePort> hubPorts = {}, bool hubOpens = true, bool hubNodeInfoFails = false)
        : ports(std::move(hubPorts)), opens(hubOpens), nodeInfoFails(hubNodeInfoFails) {}
    std::vector<FakePort> ports;
    bool opens = true;
    bool nodeInfoFails = false;
};

struct FakeController {
    FakeController(std::string root) : rootHub(std::move(root)) {}
    std::string rootHub;
    bool description = true;
    bool hasInterface = true;
    uint32_t detailSizeError = 122;  // ERROR_INSUFFICIENT_BUFFER, as Windows answers a size query
    bool detailReadFails = false;
    bool opens = true;
    std::optional<uint32_t> rootHubLength;
    std::optional<uint32_t> driverKeyLength;
};

// A PC's USB tree as the host controller and hub drivers describe it, byte for byte, checking the
// sizes of the buffers it is asked with.
class FakeUsbTree : public UsbTopology {
public:
    bool setAvailable = true;
    std::vector<FakeController> controllers;
    std::map<std::string, FakeHub> hubs;
    bool setOpen = false;
    std::vector<std::string> openedPaths;

    // Devices still open.
    std::size_t OpenCount() const { return open_.size(); }

    bool OpenControllerSet() override {
        EXPECT_FALSE(setOpen);
        setOpen = setAvailable;
        return setAvailable;
    }
    void CloseControllerSet() override {
        EXPECT_TRUE(setOpen);
        setOpen = false;
    }
    bool SelectController(uint32_t index) override {
        current_ = index;
        return index < controllers.size();
    }
    bool ControllerHasDescription() override { return controllers.at(current_).description; }
    bool SelectInterface(uint32_t index) override {
        EXPECT_EQ(index, current_);
        return controllers.at(index).hasInterface;
    }
    uint32_t InterfaceDetailSize(uint32_t& requiredSize) override {
        requiredSize = 40;
        return controllers.at(current_).detailSizeError;
    }
    bool InterfaceDevicePath(uint32_t requiredSize, std::string& path) override {
        EXPECT_EQ(requiredSize, 40u);
        path = ControllerPath(current_);
        return !controllers.at(current_).detailReadFails;
    }
    Handle OpenDevice(const std::string& path) override {
        openedPaths.push_back(path);
        const bool opens = IsController(path) ? Controller(path).opens
                                              : path.starts_with("\\\\.\\") && hubs.count(path.substr(4)) &&
                                                    hubs.at(path.substr(4)).opens;
        if (!opens)
            return 0;
        open_[++lastHandle_] = path;
        return lastHandle_;
    }
    void CloseDevice(Handle device) override { EXPECT_EQ(open_.erase(device), 1u); }
    bool Control(Handle device, uint32_t code, std::span<uint8_t> buffer) override {
        const std::string& path = open_.at(device);
        if (IsController(path)) {
            const FakeController& controller = Controller(path);
            if (code == kIoctlGetHcdDriverKeyName) {
                return AnswerName(buffer, "{36fc9e60-c465-11cf-8056-444553540000}\\0001",
                                  controller.driverKeyLength, kHcdNameHeaderSize, kHcdNameLengthOffset,
                                  kHcdNameOffset, 1);
            }
            EXPECT_EQ(code, kIoctlUsbGetRootHubName);
            return AnswerName(buffer, controller.rootHub, controller.rootHubLength, kHcdNameHeaderSize,
                              kHcdNameLengthOffset, kHcdNameOffset, 0);
        }
        const FakeHub& hub = hubs.at(path.substr(4));
        if (code == kIoctlUsbGetNodeInformation) {
            EXPECT_EQ(buffer.size(), kNodeInformationSize);
            if (hub.nodeInfoFails)
                return false;
            buffer[kPortCountOffset] = static_cast<uint8_t>(hub.ports.size());
            return true;
        }
        const uint32_t index = buffer[0] | buffer[1] << 8 | buffer[2] << 16 | buffer[3] << 24;
        EXPECT_GE(index, 1u);
        const FakePort& port = hub.ports.at(index - 1);
        if (code == kIoctlUsbGetNodeConnectionName) {
            return AnswerName(buffer, port.hub.value_or(""), port.nameLength, kConnectionNameHeaderSize,
                              kConnectionNameLengthOffset, kConnectionNameOffset, 0);
        }
        EXPECT_EQ(code, kIoctlUsbGetNodeConnectionInformationEx);
        EXPECT_EQ(buffer.size(), 365u);
        if (port.infoFails)
            return false;
        Put16(buffer, kBcdUsbOffset, port.bcdUsb);
        Put16(buffer, kIdVendorOffset, port.vendor);
        Put16(buffer, kIdProductOffset, port.product);
        buffer[kDeviceIsHubOffset] = port.hub ? 1 : 0;
        return true;
    }
    bool WideToAnsi(std::u16string_view name, std::string& ansi) override {
        ansi.clear();
        for (char16_t unit : name) {
            if (unit > 0x7F)
                return false;
            ansi.push_back(static_cast<char>(unit));
        }
        return true;
    }

private:
    static std::string ControllerPath(uint32_t index) {
        return "\\\\?\\pci#ven_8086&dev_a36d#" + std::to_string(index) +
               "#{3abf6f2d-71c4-462a-8a92-1e6861e6af27}";
    }
    static bool IsController(const std::string& path) { return path.starts_with("\\\\?\\pci#"); }
    FakeController& Controller(const std::string& path) {
        for (uint32_t i = 0; i < controllers.size(); ++i) {
            if (ControllerPath(i) == path)
                return controllers[i];
        }
        throw std::out_of_range(path);
    }
    static void Put16(std::span<uint8_t> buffer, std::size_t offset, uint16_t value) {
        buffer[offset] = static_cast<uint8_t>(value);
        buffer[offset + 1] = static_cast<uint8_t>(value >> 8);
    }
    // The two-step answer: the bare structure learns ActualLength, a buffer of that size (plus
    // `extra`) gets the name with its terminating zero.
    static bool AnswerName(std::span<uint8_t> buffer, const std::string& name,
                           std::optional<uint32_t> lengthOverride, std::size_t headerSize,
                           std::size_t lengthOffset, std::size_t nameOffset, uint32_t extra) {
        const uint32_t actualLength =
            lengthOverride.value_or(static_cast<uint32_t>(nameOffset + 2 * name.size() + 2));
        if (buffer.size() == headerSize) {
            Put16(buffer, lengthOffset, static_cast<uint16_t>(actualLength));
            return true;
        }
        EXPECT_EQ(buffer.size(), actualLength + extra);
        Put16(buffer, lengthOffset, static_cast<uint16_t>(actualLength));
        for (std::size_t i = 0; i < name.size() && nameOffset + 2 * i + 1 < buffer.size(); ++i) {
            Put16(buffer, nameOffset + 2 * i, static_cast<uint8_t>(name[i]));
        }
        return true;
    }

    uint32_t current_ = 0;
    Handle lastHandle_ = 0;
    std::map<Handle, std::string> open_;
};

class UsbVersionTest : public ::testing::Test {
protected:
    // One controller whose root hub is "root0" with `ports`.
    void OneController(std::vector<FakePort> ports) {
        tree_.controllers.push_back(FakeController{"root0"});
        tree_.hubs["root0"] = {std::move(ports)};
    }
    int32_t Version() {
        const int32_t version = search_.GetVersion(kBoardUsbProductId, kBoardUsbVendorId);
        EXPECT_EQ(tree_.OpenCount(), 0u) << "every device opened is closed";
        EXPECT_FALSE(tree_.setOpen) << "the controller set is released";
        return version;
    }

    FakeUsbTree tree_;
    CGetUSBVersion search_{tree_};
};

TEST_F(UsbVersionTest, BoardOnARootPort) {
    OneController({FakePort{}, FakePort{}, Board(0x0300), FakePort{}});
    EXPECT_EQ(Version(), 0x0300);
    tree_.hubs["root0"].ports[2].bcdUsb = 0x0200;
    EXPECT_EQ(Version(), 512);
    EXPECT_EQ(tree_.openedPaths.at(1), "\\\\.\\root0");
}

TEST_F(UsbVersionTest, BoardBehindTwoNestedHubs) {
    OneController({FakePort{}, Hub("hubA")});
    tree_.hubs["hubA"] = {{FakePort{}, FakePort{}, FakePort{}, Hub("hubB")}};
    tree_.hubs["hubB"] = {{Board(0x0210)}};
    EXPECT_EQ(Version(), 0x0210);
    EXPECT_EQ(search_.MatchCount(), 1);
}

TEST_F(UsbVersionTest, LastBoardMetInTheWalkWins) {
    // Depth first: the board behind the hub on port 1 comes before the board on port 2.
    OneController({Hub("hubA"), Board(0x0200)});
    tree_.hubs["hubA"] = {{Board(0x0300)}};
    EXPECT_EQ(Version(), 0x0200);
    tree_.hubs["root0"].ports.pop_back();
    EXPECT_EQ(Version(), 0x0300);
    // A later controller comes after all of the first.
    tree_.controllers.push_back(FakeController{"root1"});
    tree_.hubs["root1"] = {{Board(0x0110)}};
    EXPECT_EQ(Version(), 0x0110);
    EXPECT_EQ(search_.MatchCount(), 2);
}

TEST_F(UsbVersionTest, OnlyOtherDevicesOrNoControllerSet) {
    OneController(
        {FakePort{}, {kVendor, 0xA116, 0x0300, false, {}, {}}, {0x0526, kProduct, 0x0300, false, {}, {}}});
    EXPECT_EQ(Version(), -1);
    tree_.openedPaths.clear();
    tree_.setAvailable = false;
    EXPECT_EQ(Version(), -2);
    EXPECT_TRUE(tree_.openedPaths.empty());
}

TEST_F(UsbVersionTest, UnusableControllersHubsAndPortsAreSkipped) {
    tree_.controllers = {{"r0"}, {"r1"}, {"r2"}, {"r3"}, {"r4"}};
    tree_.controllers[0].description = false;
    tree_.controllers[1].hasInterface = false;
    tree_.controllers[2].opens = false;
    for (const char* name : {"r0", "r1", "r2"})
        tree_.hubs[name] = {{Board(0x0100)}};
    tree_.hubs["r3"] = {{Hub("closed"), Hub("mute"), Silent(), Board(0x0300)}};
    tree_.hubs["closed"] = FakeHub({Board(0x0101)}, false);
    tree_.hubs["mute"] = FakeHub({Board(0x0102)}, true, true);
    tree_.hubs["r4"] = {{Silent()}};
    EXPECT_EQ(Version(), 0x0300);
    EXPECT_EQ(search_.MatchCount(), 1);
}

TEST_F(UsbVersionTest, NamesTooShortToHoldANameAreNotWalked) {
    OneController({Hub("hubA"), Hub("hubB")});
    tree_.hubs["hubA"] = {{Board(0x0300)}};
    tree_.hubs["hubB"] = {{Board(0x0200)}};
    tree_.hubs["root0"].ports[1].nameLength = kConnectionNameHeaderSize;
    EXPECT_EQ(Version(), 0x0300);

    // The root hub name too: a 6-byte answer leaves no room for a name after the length.
    for (uint32_t length : {0u, 4u, 6u}) {
        tree_.controllers[0].rootHubLength = length;
        EXPECT_EQ(Version(), -1) << length;
    }
    EXPECT_EQ(std::count(tree_.openedPaths.begin(), tree_.openedPaths.end(), "\\\\.\\"), 0);
    tree_.controllers[0].rootHubLength.reset();
    tree_.controllers[0].driverKeyLength = kHcdNameHeaderSize;
    EXPECT_EQ(Version(), -1);
}

TEST_F(UsbVersionTest, FailingInterfaceDetailEndsTheWalk) {
    tree_.controllers = {{"r0"}, {"r1"}, {"r2"}};
    tree_.hubs["r0"] = {{Board(0x0200)}};
    tree_.hubs["r1"] = {{Board(0x0210)}};
    tree_.hubs["r2"] = {{Board(0x0300)}};
    // A size query that succeeds is no failure.
    tree_.controllers[1].detailSizeError = 0;
    EXPECT_EQ(Version(), 0x0300);

    tree_.controllers[1].detailSizeError = 5;  // ERROR_ACCESS_DENIED
    EXPECT_EQ(Version(), 0x0200);
    tree_.controllers[1].detailSizeError = 122;
    tree_.controllers[1].detailReadFails = true;
    EXPECT_EQ(Version(), 0x0200);
    tree_.controllers[0].detailReadFails = true;
    EXPECT_EQ(Version(), -1);
}

TEST_F(UsbVersionTest, HubThatNamesItselfDoesNotRecurseForever) {
    OneController({Hub("loop")});
    tree_.hubs["loop"] = {{Board(0x0200), Hub("loop")}};
    EXPECT_EQ(Version(), 0x0200);
    EXPECT_EQ(search_.MatchCount(), CGetUSBVersion::kMaxHubDepth - 1);
}

}  // namespace
}  // namespace tkbctl::test
