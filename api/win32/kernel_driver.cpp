#include "win32/kernel_driver.h"

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

#include "tkr/default_driver.h"

namespace tkr {

namespace {

// Device-interface class of the boards' driver.
constexpr GUID kBoardInterfaceClass = {
    0xC1B7C34B, 0x2A7E, 0x4B8B, {0x9E, 0xEB, 0xBE, 0x54, 0x9B, 0x4D, 0xF1, 0x44}};

// Owns a SetupAPI device-information list.
class DeviceInfoList {
public:
    explicit DeviceInfoList(HDEVINFO list) : list_(list) {}
    ~DeviceInfoList() {
        if (list_ != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(list_);
    }
    DeviceInfoList(const DeviceInfoList&) = delete;
    DeviceInfoList& operator=(const DeviceInfoList&) = delete;
    HDEVINFO get() const { return list_; }
    bool valid() const { return list_ != INVALID_HANDLE_VALUE; }

private:
    HDEVINFO list_;
};

// The device path of interface `index`: the detail is asked for its size first, then read into
// a buffer of that size.
uint32_t InterfacePath(HDEVINFO list, DWORD index, std::string& path) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(list, nullptr, &kBoardInterfaceClass, index, &data))
        return GetLastError();
    DWORD size = 0;
    if (!SetupDiGetDeviceInterfaceDetailA(list, &data, nullptr, 0, &size, nullptr) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return GetLastError();
    }
    HGLOBAL memory = GlobalAlloc(GPTR, size);
    if (!memory)
        return GetLastError();
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(memory);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    uint32_t error = 0;
    if (SetupDiGetDeviceInterfaceDetailA(list, &data, detail, size, nullptr, nullptr)) {
        path = detail->DevicePath;
    } else {
        error = GetLastError();
    }
    GlobalFree(memory);
    return error;
}

}  // namespace

// An opened device: the file handle and the overlapped request state used for every request. Both
// are closed when the last user lets go, so a Close during another thread's request cannot pull the
// handle from under it.
struct KernelDriver::Device {
    HANDLE file = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};

    Device() = default;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    ~Device() {
        if (overlapped.hEvent)
            CloseHandle(overlapped.hEvent);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
};

std::shared_ptr<KernelDriver::Device> KernelDriver::Find(DeviceHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = devices_.find(handle);
    return found == devices_.end() ? nullptr : found->second;
}

uint32_t KernelDriver::Enumerate(std::vector<std::string>& paths) {
    paths.clear();
    DeviceInfoList list(
        SetupDiGetClassDevsA(&kBoardInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!list.valid())
        return GetLastError();
    for (DWORD index = 0;; ++index) {
        std::string path;
        const uint32_t error = InterfacePath(list.get(), index, path);
        if (error == ERROR_NO_MORE_ITEMS)
            break;
        if (error != 0)
            return error;
        paths.push_back(path);
    }
    return 0;
}

uint32_t KernelDriver::Open(const std::string& path, DeviceHandle& handle) {
    handle = 0;
    auto device = std::make_shared<Device>();
    device->file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device->file == INVALID_HANDLE_VALUE)
        return GetLastError();
    // Auto-reset and initially signalled; each request resets it when it starts.
    device->overlapped.hEvent = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    if (!device->overlapped.hEvent)
        return GetLastError();
    std::lock_guard<std::mutex> lock(mutex_);
    handle = nextHandle_++;
    devices_.emplace(handle, std::move(device));
    return 0;
}

void KernelDriver::Close(DeviceHandle handle) {
    std::shared_ptr<Device> device;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = devices_.find(handle);
        if (found == devices_.end())
            return;
        device = std::move(found->second);
        devices_.erase(found);
    }
}

uint32_t KernelDriver::Control(DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                               void* output, uint32_t outputSize, uint32_t& returned) {
    returned = 0;
    const std::shared_ptr<Device> device = Find(handle);
    if (!device)
        return ERROR_INVALID_HANDLE;
    DWORD count = 0;
    if (DeviceIoControl(device->file, code, const_cast<void*>(input), inputSize, output, outputSize, &count,
                        &device->overlapped)) {
        returned = count;
        return 0;
    }
    uint32_t error = GetLastError();
    if (error != ERROR_IO_PENDING)
        return error;
    // No time-out: the driver completes or fails every request.
    if (!GetOverlappedResult(device->file, &device->overlapped, &count, TRUE))
        return GetLastError();
    returned = count;
    return 0;
}

std::shared_ptr<Driver> DefaultDriver() {
    return std::make_shared<KernelDriver>();
}

}  // namespace tkr
