// On Linux no kernel driver of the board maker exists: the default driver finds no board.
#include "tkr/default_driver.h"
#include "tkr/protocol.h"

namespace tkr {

namespace {

class NoBoardDriver final : public Driver {
public:
    uint32_t Enumerate(std::vector<std::string>& paths) override {
        paths.clear();
        return 0;
    }
    uint32_t Open(const std::string&, DeviceHandle& handle) override {
        handle = 0;
        return kErrorFileNotFound;
    }
    void Close(DeviceHandle) override {}
    uint32_t Control(DeviceHandle, uint32_t, const void*, uint32_t, void*, uint32_t,
                     uint32_t& returned) override {
        returned = 0;
        return kErrorInvalidHandle;
    }
};

}  // namespace

std::shared_ptr<Driver> DefaultDriver() {
    return std::make_shared<NoBoardDriver>();
}

}  // namespace tkr
