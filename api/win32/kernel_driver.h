// The board maker's kernel driver, reached with SetupAPI and overlapped DeviceIoControl.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "tkr/driver.h"

namespace tkr {

// Handles are numbers of the driver's own, never pointers: a handle closed twice, or one this
// driver never gave out, finds no device and does nothing (Close) or fails with
// ERROR_INVALID_HANDLE (Control), as the driver contract promises.
class KernelDriver final : public Driver {
public:
    uint32_t Enumerate(std::vector<std::string>& paths) override;
    uint32_t Open(const std::string& path, DeviceHandle& handle) override;
    void Close(DeviceHandle handle) override;
    uint32_t Control(DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize, void* output,
                     uint32_t outputSize, uint32_t& returned) override;

    struct Device;

private:
    std::shared_ptr<Device> Find(DeviceHandle handle);

    std::mutex mutex_;
    std::map<DeviceHandle, std::shared_ptr<Device>> devices_;
    DeviceHandle nextHandle_ = 1;
};

}  // namespace tkr
