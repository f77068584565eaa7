// The USB generation over which the board is connected, for the main window's title.
//
// CGetUSBVersion walks every USB host controller of the PC, every hub below it and every port of
// every hub, looks for devices with the board's vendor and product identifiers, and answers the
// bcdUSB of the last one met, as Windows reports it for the current connection. It asks Windows
// through UsbTopology, so that the same walk runs against fake trees in tests.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tkbctl {

inline constexpr int32_t kBoardUsbVendorId = 0x0525;
inline constexpr int32_t kBoardUsbProductId = 0xA115;

// I/O control codes of the host controller and hub drivers. The root hub name and the node
// information share one code; they go to different devices.
inline constexpr uint32_t kIoctlGetHcdDriverKeyName = 0x220424;
inline constexpr uint32_t kIoctlUsbGetRootHubName = 0x220408;
inline constexpr uint32_t kIoctlUsbGetNodeInformation = 0x220408;
inline constexpr uint32_t kIoctlUsbGetNodeConnectionName = 0x220414;
inline constexpr uint32_t kIoctlUsbGetNodeConnectionInformationEx = 0x220448;

// Byte-packed layouts of the structures exchanged with those requests.
namespace usb_layout {
// USB_HCD_DRIVERKEY_NAME and USB_ROOT_HUB_NAME: ActualLength, then the wide name.
inline constexpr std::size_t kHcdNameHeaderSize = 6;
inline constexpr std::size_t kHcdNameLengthOffset = 0;
inline constexpr std::size_t kHcdNameOffset = 4;
// USB_NODE_CONNECTION_NAME: ConnectionIndex, ActualLength, then the wide name.
inline constexpr std::size_t kConnectionNameHeaderSize = 10;
inline constexpr std::size_t kConnectionNameLengthOffset = 4;
inline constexpr std::size_t kConnectionNameOffset = 8;
// USB_NODE_INFORMATION: NodeType, then the hub descriptor, whose bNumberOfPorts is byte 6.
inline constexpr std::size_t kNodeInformationSize = 76;
inline constexpr std::size_t kPortCountOffset = 6;
// USB_NODE_CONNECTION_INFORMATION_EX with room for 30 pipe entries of 11 bytes.
inline constexpr std::size_t kConnectionInformationSize = 35 + 30 * 11;
inline constexpr std::size_t kConnectionIndexOffset = 0;
inline constexpr std::size_t kBcdUsbOffset = 6;
inline constexpr std::size_t kIdVendorOffset = 12;
inline constexpr std::size_t kIdProductOffset = 14;
inline constexpr std::size_t kDeviceIsHubOffset = 24;
}  // namespace usb_layout

// What the walk asks of Windows: SetupAPI for the host controllers, device files and their I/O
// control requests, and the conversion of wide names. Every call blocks until done and reports
// failure by its result only; the walk treats each failure as described at CGetUSBVersion.
class UsbTopology {
public:
    // An open device; 0 is none.
    using Handle = std::uintptr_t;

    virtual ~UsbTopology() = default;

    // The set of present devices exposing the host-controller interface class. False: no set.
    virtual bool OpenControllerSet() = 0;
    // Releases the set; called once after a successful OpenControllerSet.
    virtual void CloseControllerSet() = 0;
    // Makes the device at `index` of the set the current controller; false past the last one.
    virtual bool SelectController(uint32_t index) = 0;
    // Whether the current controller has a device description (queried for its size, then read).
    virtual bool ControllerHasDescription() = 0;
    // Makes the set's host-controller interface at `index` the current interface; false: none.
    virtual bool SelectInterface(uint32_t index) = 0;
    // First step of the current interface's detail: asks only for its size. Returns 0 when the call
    // succeeded, else its Windows error code (ERROR_INSUFFICIENT_BUFFER, 122, is the usual answer).
    virtual uint32_t InterfaceDetailSize(uint32_t& requiredSize) = 0;
    // Second step: reads the detail with `requiredSize` bytes and gives its device path.
    virtual bool InterfaceDevicePath(uint32_t requiredSize, std::string& path) = 0;
    // Opens an existing device for writing, shared for writing; 0 when it cannot be opened.
    virtual Handle OpenDevice(const std::string& path) = 0;
    virtual void CloseDevice(Handle device) = 0;
    // One I/O control request with `buffer` as both input and output.
    virtual bool Control(Handle device, uint32_t code, std::span<uint8_t> buffer) = 0;
    // A wide-character name in the ANSI code page, without best-fit mapping.
    virtual bool WideToAnsi(std::u16string_view name, std::string& ansi) = 0;
};

// The platform's topology: Windows' on Windows; elsewhere one without host controllers.
std::unique_ptr<UsbTopology> CreatePlatformUsbTopology();

// The walk, over every host controller in set order:
//  - a controller without a device description, or without an interface at its index, is skipped;
//  - a failing interface detail query ends the walk (what was found so far stands);
//  - a controller that cannot be opened, or whose driver key or root hub name cannot be had, is
//    skipped; otherwise its root hub is walked.
// A hub that cannot be opened is skipped; one whose node information fails has no ports; a port
// whose connection information fails is passed over. Every port whose device carries both
// identifiers counts as a match and sets the version; a hub on a port is walked, depth first,
// before the next port.
class CGetUSBVersion {
public:
    // Hub levels walked below a root hub and the root hub itself. A real tree has at most seven
    // tiers; the bound keeps a topology that names a hub inside itself from recursing forever.
    static constexpr int kMaxHubDepth = 16;

    explicit CGetUSBVersion(UsbTopology& topology) : topology_(topology) {}

    // bcdUSB of the last matching device met; -1 when none matched, -2 when the set of host
    // controllers cannot be obtained.
    int32_t GetVersion(int32_t productId, int32_t vendorId);
    int32_t MatchCount() const { return matchCount_; }

private:
    void WalkControllers();
    void WalkHub(const std::string& name, int depth);
    void CheckPort(UsbTopology::Handle hub, uint32_t port, int depth);

    UsbTopology& topology_;
    int32_t productId_ = 0;
    int32_t vendorId_ = 0;
    int32_t matchCount_ = 0;
    int32_t version_ = 0;
};

}  // namespace tkbctl
