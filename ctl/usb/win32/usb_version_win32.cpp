#include "usb/win32/usb_version_win32.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tkbctl {

Win32UsbTopology::Win32UsbTopology(const GUID& interfaceClass) : interfaceClass_(interfaceClass) {}

Win32UsbTopology::~Win32UsbTopology() {
    CloseControllerSet();
}

bool Win32UsbTopology::OpenControllerSet() {
    CloseControllerSet();
    set_ = SetupDiGetClassDevsA(&interfaceClass_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    return set_ != INVALID_HANDLE_VALUE;
}

void Win32UsbTopology::CloseControllerSet() {
    if (set_ == INVALID_HANDLE_VALUE)
        return;
    SetupDiDestroyDeviceInfoList(set_);
    set_ = INVALID_HANDLE_VALUE;
}

bool Win32UsbTopology::SelectController(uint32_t index) {
    device_ = {};
    device_.cbSize = sizeof device_;
    return SetupDiEnumDeviceInfo(set_, index, &device_) != FALSE;
}

bool Win32UsbTopology::ControllerHasDescription() {
    DWORD size = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set_, &device_, SPDRP_DEVICEDESC, nullptr, nullptr, 0, &size) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    if (size == 0)
        return false;
    std::vector<BYTE> description(size);
    return SetupDiGetDeviceRegistryPropertyA(set_, &device_, SPDRP_DEVICEDESC, nullptr, description.data(),
                                             size, nullptr) != FALSE;
}

bool Win32UsbTopology::SelectInterface(uint32_t index) {
    interface_ = {};
    interface_.cbSize = sizeof interface_;
    return SetupDiEnumDeviceInterfaces(set_, nullptr, &interfaceClass_, index, &interface_) != FALSE;
}

uint32_t Win32UsbTopology::InterfaceDetailSize(uint32_t& requiredSize) {
    DWORD size = 0;
    const BOOL ok = SetupDiGetDeviceInterfaceDetailA(set_, &interface_, nullptr, 0, &size, nullptr);
    requiredSize = size;
    return ok ? 0 : GetLastError();
}

bool Win32UsbTopology::InterfaceDevicePath(uint32_t requiredSize, std::string& path) {
    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    // Room for the structure even when the size asked for is smaller (the call then fails), in
    // storage aligned for it, and a zero after the path in case the driver did not end it.
    const std::size_t bytes =
        std::max<std::size_t>(requiredSize, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) + 1;
    std::vector<DWORD> storage((bytes + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set_, &interface_, detail, requiredSize, nullptr, nullptr))
        return false;
    const char* text = detail->DevicePath;
    path.assign(text, strnlen(text, bytes - kPathOffset));
    return true;
}

UsbTopology::Handle Win32UsbTopology::OpenDevice(const std::string& path) {
    const HANDLE device =
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return device == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<Handle>(device);
}

void Win32UsbTopology::CloseDevice(Handle device) {
    CloseHandle(reinterpret_cast<HANDLE>(device));
}

bool Win32UsbTopology::Control(Handle device, uint32_t code, std::span<uint8_t> buffer) {
    DWORD returned = 0;
    const DWORD size = static_cast<DWORD>(buffer.size());
    return DeviceIoControl(reinterpret_cast<HANDLE>(device), code, buffer.data(), size, buffer.data(), size,
                           &returned, nullptr) != FALSE;
}

bool Win32UsbTopology::WideToAnsi(std::u16string_view name, std::string& ansi) {
    ansi.clear();
    if (name.empty())
        return true;
    const auto* wide = reinterpret_cast<const wchar_t*>(name.data());
    const int length = static_cast<int>(name.size());
    const int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return false;
    ansi.resize(size);
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, ansi.data(), size, nullptr,
                               nullptr) == size;
}

std::unique_ptr<UsbTopology> CreatePlatformUsbTopology() {
    return std::make_unique<Win32UsbTopology>();
}

}  // namespace tkbctl
