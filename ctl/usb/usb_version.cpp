#include "usb/usb_version.h"
#include "tkr/byte_order.h"

#include <array>
#include <optional>
#include <vector>

namespace tkbctl {
namespace {

using namespace usb_layout;

constexpr uint32_t kErrorInsufficientBuffer = 122;
// Windows device names are counted strings of at most 65535 bytes; a larger ActualLength is a
// broken answer, refused like a failed allocation.
constexpr uint32_t kMaxNameStructureSize = 0x10000 + kConnectionNameHeaderSize;
constexpr std::string_view kDeviceNamespace = "\\\\.\\";

// One of the three name structures: where its length and its name lie, and whether it carries a
// connection index.
struct NameQuery {
    uint32_t code;
    std::size_t headerSize;
    std::size_t lengthOffset;
    std::size_t nameOffset;
    std::optional<uint32_t> connectionIndex;
    uint32_t extraBytes;  // allocated beyond ActualLength
};

// The two-step name query: the bare structure tells ActualLength, a buffer of that size then
// receives the name. An ActualLength no larger than the bare structure holds no name; the name is
// read only inside the buffer and ends at its first zero.
std::optional<std::string> QueryName(UsbTopology& topology, UsbTopology::Handle device,
                                     const NameQuery& query) {
    std::vector<uint8_t> bare(query.headerSize);
    if (query.connectionIndex)
        tkr::WriteLe32(bare.data() + kConnectionIndexOffset, *query.connectionIndex);
    if (!topology.Control(device, query.code, bare))
        return std::nullopt;
    const uint32_t actualLength = tkr::ReadLe32(bare.data() + query.lengthOffset);
    if (actualLength <= query.headerSize || actualLength > kMaxNameStructureSize)
        return std::nullopt;

    std::vector<uint8_t> full(actualLength + query.extraBytes);
    if (query.connectionIndex)
        tkr::WriteLe32(full.data() + kConnectionIndexOffset, *query.connectionIndex);
    if (!topology.Control(device, query.code, full))
        return std::nullopt;
    std::u16string name;
    for (std::size_t offset = query.nameOffset; offset + 1 < full.size(); offset += 2) {
        const char16_t unit = tkr::ReadLe16(full.data() + offset);
        if (unit == 0)
            break;
        name.push_back(unit);
    }
    std::string ansi;
    if (!topology.WideToAnsi(name, ansi))
        return std::nullopt;
    return ansi;
}

NameQuery DriverKeyNameQuery() {
    // One byte more than asked for, as the controller's driver key has always been read.
    return {
        kIoctlGetHcdDriverKeyName, kHcdNameHeaderSize, kHcdNameLengthOffset, kHcdNameOffset, std::nullopt, 1};
}
NameQuery RootHubNameQuery() {
    return {kIoctlUsbGetRootHubName, kHcdNameHeaderSize, kHcdNameLengthOffset,
            kHcdNameOffset,          std::nullopt,       0};
}
NameQuery ConnectionNameQuery(uint32_t port) {
    return {kIoctlUsbGetNodeConnectionName,
            kConnectionNameHeaderSize,
            kConnectionNameLengthOffset,
            kConnectionNameOffset,
            port,
            0};
}

}  // namespace

int32_t CGetUSBVersion::GetVersion(int32_t productId, int32_t vendorId) {
    productId_ = productId;
    vendorId_ = vendorId;
    matchCount_ = 0;
    version_ = 0;
    if (!topology_.OpenControllerSet())
        return -2;
    WalkControllers();
    topology_.CloseControllerSet();
    return matchCount_ == 0 ? -1 : version_;
}

void CGetUSBVersion::WalkControllers() {
    for (uint32_t index = 0; topology_.SelectController(index); ++index) {
        if (!topology_.ControllerHasDescription())
            continue;
        if (!topology_.SelectInterface(index))
            continue;
        uint32_t detailSize = 0;
        const uint32_t error = topology_.InterfaceDetailSize(detailSize);
        if (error != 0 && error != kErrorInsufficientBuffer)
            return;
        std::string path;
        if (!topology_.InterfaceDevicePath(detailSize, path))
            return;

        const UsbTopology::Handle controller = topology_.OpenDevice(path);
        if (controller == 0)
            continue;
        // The driver key name only tells that a working host controller driver answers.
        if (QueryName(topology_, controller, DriverKeyNameQuery())) {
            if (std::optional<std::string> rootHub = QueryName(topology_, controller, RootHubNameQuery())) {
                WalkHub(*rootHub, 1);
            }
        }
        topology_.CloseDevice(controller);
    }
}

void CGetUSBVersion::WalkHub(const std::string& name, int depth) {
    const UsbTopology::Handle hub = topology_.OpenDevice(std::string(kDeviceNamespace) + name);
    if (hub == 0)
        return;
    std::array<uint8_t, kNodeInformationSize> node{};
    const uint32_t ports =
        topology_.Control(hub, kIoctlUsbGetNodeInformation, node) ? node[kPortCountOffset] : 0;
    for (uint32_t port = 1; port <= ports; ++port)
        CheckPort(hub, port, depth);
    topology_.CloseDevice(hub);
}

void CGetUSBVersion::CheckPort(UsbTopology::Handle hub, uint32_t port, int depth) {
    std::array<uint8_t, kConnectionInformationSize> info{};
    tkr::WriteLe32(info.data() + kConnectionIndexOffset, port);
    if (!topology_.Control(hub, kIoctlUsbGetNodeConnectionInformationEx, info))
        return;
    if (tkr::ReadLe16(info.data() + kIdVendorOffset) == vendorId_ &&
        tkr::ReadLe16(info.data() + kIdProductOffset) == productId_) {
        ++matchCount_;
        version_ = tkr::ReadLe16(info.data() + kBcdUsbOffset);
    }
    if (info[kDeviceIsHubOffset] != 0 && depth < kMaxHubDepth) {
        if (std::optional<std::string> child = QueryName(topology_, hub, ConnectionNameQuery(port))) {
            WalkHub(*child, depth + 1);
        }
    }
}

}  // namespace tkbctl
