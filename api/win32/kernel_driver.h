// The board maker's kernel driver, reached with SetupAPI and overlapped DeviceIoControl.
#pragma once

#include "tkr/driver.h"

namespace tkr {

class KernelDriver final : public Driver {
public:
    uint32_t Enumerate(std::vector<std::string>& paths) override;
    uint32_t Open(const std::string& path, DeviceHandle& handle) override;
    void Close(DeviceHandle handle) override;
    uint32_t Control(DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize, void* output,
                     uint32_t outputSize, uint32_t& returned) override;
};

}  // namespace tkr
