#include "tkbsim/virtual_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "board_file.h"
#include "platform.h"
#include "tkbsim/board_folder.h"
#include "tkbsim/error.h"
#include "tkr/byte_order.h"

namespace tkbsim {
namespace {

constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kMaxTransferSize = 65536;
constexpr uint8_t kInterfaceClassVendor = 0xFF;
constexpr uint32_t kPipeTypeBulk = 2;
// Device paths look like those of the Windows USB stack: identity, instance, interface class GUID.
constexpr const char* kPathPrefix = "\\\\?\\tkbsim#vid_0525&pid_a115#";
constexpr const char* kPathSuffix = "#{c1b7c34b-2a7e-4b8b-9eeb-be549b4df144}";

// The pipes a board offers now: the missing-endpoint fault takes one away.
std::vector<uint8_t> Endpoints(const state::Faults& faults) {
    std::vector<uint8_t> endpoints;
    for (uint8_t endpoint : {tkr::kEndpointBulkOut, tkr::kEndpointBulkIn}) {
        if (faults.missingEndpoint != endpoint) {
            endpoints.push_back(endpoint);
        }
    }
    return endpoints;
}

uint32_t WritePipeList(const tkr::PipeListLayout& layout, const state::BoardControl& control, void* output,
                       uint32_t outputSize, uint32_t& returned) {
    const std::vector<uint8_t> endpoints = Endpoints(control.faults);
    const size_t size = layout.firstEntryOffset + endpoints.size() * layout.entrySize;
    if (output == nullptr || outputSize < size) {
        return tkr::kErrorInsufficientBuffer;
    }
    auto* list = static_cast<uint8_t*>(output);
    std::memset(list, 0, size);
    tkr::WriteLe16(list, static_cast<uint16_t>(size));
    list[4] = kInterfaceClassVendor;
    tkr::WriteLe32(list + layout.countOffset, static_cast<uint32_t>(endpoints.size()));
    const uint16_t maxPacket = control.header.usbRelease >= 0x0300 ? 1024 : 512;
    for (size_t i = 0; i < endpoints.size(); ++i) {
        uint8_t* entry = list + layout.firstEntryOffset + i * layout.entrySize;
        tkr::WriteLe16(entry + layout.maxPacketOffset, maxPacket);
        entry[layout.endpointOffset] = endpoints[i];
        tkr::WriteLe32(entry + 4, kPipeTypeBulk);
        tkr::WriteLe32(entry + layout.maxTransferOffset, kMaxTransferSize);
    }
    returned = static_cast<uint32_t>(size);
    return 0;
}

// The pipe named by a bulk request's 4-byte input, if it is a pipe of `endpoint`.
bool NamesPipe(const state::Faults& faults, const void* input, uint32_t inputSize, uint8_t endpoint) {
    if (input == nullptr || inputSize != 4) {
        return false;
    }
    uint32_t pipe = 0;
    std::memcpy(&pipe, input, sizeof pipe);
    const std::vector<uint8_t> endpoints = Endpoints(faults);
    return pipe < endpoints.size() && endpoints[pipe] == endpoint;
}

}  // namespace

VirtualDriver::VirtualDriver(std::string folder, const tkr::PipeListLayout& layout)
    : folder_(std::move(folder)), layout_(layout) {}

std::string VirtualDriver::DevicePath(uint32_t number) {
    return kPathPrefix + std::to_string(number) + kPathSuffix;
}

std::vector<std::pair<uint32_t, std::shared_ptr<Board>>> VirtualDriver::Scan() {
    std::vector<std::pair<uint32_t, std::shared_ptr<Board>>> boards;
    if (folder_.empty()) {
        return boards;
    }
    std::error_code error;
    std::filesystem::directory_iterator it(folder_, error);
    if (error) {
        boards_.clear();
        return boards;
    }
    std::map<uint32_t, std::shared_ptr<Board>> present;
    for (const auto& file : it) {
        uint32_t number = 0;
        if (!BoardFolder::ParseFileName(file.path().filename().string(), number)) {
            continue;
        }
        auto known = boards_.find(number);
        if (known != boards_.end()) {
            present.emplace(number, known->second);
            continue;
        }
        // A refused file is no board: it stays out of the enumeration (the test tool tells why).
        try {
            present.emplace(number, std::make_shared<Board>(BoardFile::Open(file.path().string())));
        } catch (const Error&) {
        }
    }
    boards_ = std::move(present);
    boards.assign(boards_.begin(), boards_.end());
    return boards;
}

uint32_t VirtualDriver::Enumerate(std::vector<std::string>& paths) {
    paths.clear();
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [number, board] : Scan()) {
            BoardFile::Session session(board->File());
            if (session.Control().header.plugged) {
                paths.push_back(DevicePath(number));
            }
        }
    } catch (const std::exception&) {
        paths.clear();
        return tkr::kErrorNotEnoughMemory;
    }
    return 0;
}

uint32_t VirtualDriver::Open(const std::string& path, tkr::DeviceHandle& handle) {
    handle = 0;
    const std::string prefix = kPathPrefix;
    const std::string suffix = kPathSuffix;
    if (path.size() <= prefix.size() + suffix.size() || path.compare(0, prefix.size(), prefix) != 0 ||
        path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return tkr::kErrorFileNotFound;
    }
    uint32_t number = 0;
    if (!BoardFolder::ParseNumber(path.substr(prefix.size(), path.size() - prefix.size() - suffix.size()),
                                  number)) {
        return tkr::kErrorFileNotFound;
    }
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        Scan();
        auto found = boards_.find(number);
        if (found == boards_.end()) {
            return tkr::kErrorFileNotFound;
        }
        BoardFile::Session session(found->second->File());
        state::Header& header = session.Control().header;
        state::Faults& faults = session.Control().faults;
        if (!header.plugged || (faults.openLimitArmed && faults.opensLeft == 0)) {
            return tkr::kErrorFileNotFound;
        }
        if (faults.openLimitArmed) {
            --faults.opensLeft;
        }
        ++header.opens;
        handle = nextHandle_++;
        handles_[handle] = OpenBoard{found->second, header.connection};
    } catch (const std::exception&) {
        handle = 0;
        return tkr::kErrorNotEnoughMemory;
    }
    return 0;
}

void VirtualDriver::Close(tkr::DeviceHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    handles_.erase(handle);
}

uint32_t VirtualDriver::Control(tkr::DeviceHandle handle, uint32_t code, const void* input,
                                uint32_t inputSize, void* output, uint32_t outputSize, uint32_t& returned) {
    returned = 0;
    OpenBoard open;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = handles_.find(handle);
        if (found == handles_.end()) {
            return tkr::kErrorInvalidHandle;
        }
        open = found->second;
    }
    BoardFile::Session session(open.board->File());
    state::BoardControl& control = session.Control();
    if (!control.header.plugged || control.header.connection != open.connection) {
        return tkr::kErrorDeviceNotConnected;
    }
    if (control.faults.errorCount > 0) {
        --control.faults.errorCount;
        return control.faults.error;
    }
    switch (code) {
        case tkr::kIoctlGetPipeList:
            return WritePipeList(layout_, control, output, outputSize, returned);
        case tkr::kIoctlBulkWrite:
            if (!NamesPipe(control.faults, input, inputSize, tkr::kEndpointBulkOut) ||
                outputSize > kMaxTransferSize || (output == nullptr && outputSize > 0)) {
                return tkr::kErrorInvalidParameter;
            }
            session.Firmware().Receive(static_cast<const uint8_t*>(output), outputSize, CurrentProcessId());
            returned = outputSize;
            return 0;
        case tkr::kIoctlBulkRead:
            if (!NamesPipe(control.faults, input, inputSize, tkr::kEndpointBulkIn) ||
                outputSize > kMaxTransferSize || (output == nullptr && outputSize > 0)) {
                return tkr::kErrorInvalidParameter;
            }
            returned = session.Firmware().Reply(static_cast<uint8_t*>(output), outputSize);
            return 0;
        default:
            return kErrorInvalidFunction;
    }
}

std::string DefaultBoardFolder() {
    const std::string variable = EnvironmentVariable("TKBSIM_DIR");
    if (!variable.empty()) {
        return variable;
    }
    const std::string module = ModuleDirectory();
    return module.empty() ? std::string{} : (std::filesystem::path(module) / "tkbsim-boards").string();
}

}  // namespace tkbsim
