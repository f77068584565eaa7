// The USB speed walk's calls into Windows.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include "usb/usb_version.h"

namespace tkbctl {

// {3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}
inline constexpr GUID kUsbHostControllerInterfaceClass = {
    0x3ABF6F2D, 0x71C4, 0x462A, {0x8A, 0x92, 0x1E, 0x68, 0x61, 0xE6, 0xAF, 0x27}};

// SetupAPI over the present interfaces of one device-interface class (the USB host controllers; a
// test may name a class that its machine has), device files opened for I/O control requests, and
// the ANSI code page. The controller and interface selected last are kept for the calls that follow.
class Win32UsbTopology final : public UsbTopology {
public:
    explicit Win32UsbTopology(const GUID& interfaceClass = kUsbHostControllerInterfaceClass);
    ~Win32UsbTopology() override;
    Win32UsbTopology(const Win32UsbTopology&) = delete;
    Win32UsbTopology& operator=(const Win32UsbTopology&) = delete;

    bool OpenControllerSet() override;
    void CloseControllerSet() override;
    bool SelectController(uint32_t index) override;
    bool ControllerHasDescription() override;
    bool SelectInterface(uint32_t index) override;
    uint32_t InterfaceDetailSize(uint32_t& requiredSize) override;
    bool InterfaceDevicePath(uint32_t requiredSize, std::string& path) override;
    Handle OpenDevice(const std::string& path) override;
    void CloseDevice(Handle device) override;
    bool Control(Handle device, uint32_t code, std::span<uint8_t> buffer) override;
    bool WideToAnsi(std::u16string_view name, std::string& ansi) override;

private:
    GUID interfaceClass_;
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA device_{};
    SP_DEVICE_INTERFACE_DATA interface_{};
};

}  // namespace tkbctl
