// Away from Windows there is no host controller set to walk: the speed is never known.
#include "usb/usb_version.h"

namespace tkbctl {
namespace {

class NoUsbTopology final : public UsbTopology {
public:
    bool OpenControllerSet() override { return false; }
    void CloseControllerSet() override {}
    bool SelectController(uint32_t) override { return false; }
    bool ControllerHasDescription() override { return false; }
    bool SelectInterface(uint32_t) override { return false; }
    uint32_t InterfaceDetailSize(uint32_t&) override { return 1; }
    bool InterfaceDevicePath(uint32_t, std::string&) override { return false; }
    Handle OpenDevice(const std::string&) override { return 0; }
    void CloseDevice(Handle) override {}
    bool Control(Handle, uint32_t, std::span<uint8_t>) override { return false; }
    bool WideToAnsi(std::u16string_view, std::string&) override { return false; }
};

}  // namespace

std::unique_ptr<UsbTopology> CreatePlatformUsbTopology() {
    return std::make_unique<NoUsbTopology>();
}

}  // namespace tkbctl
