// The seam between the library and the boards' kernel driver.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tkr {
// Handle of an opened device interface; 0 means none.
using DeviceHandle = std::uintptr_t;

// The way to the boards: the board maker's kernel driver, or whatever stands in for it.
// Each function returns 0 on success or a Windows system error code (what GetLastError would give).
//
// Contract for implementations:
//  - Every call blocks until it is complete; there is no time-out and no cancellation.
//  - The library calls Control while it holds the system-wide exchange lock "TKR50API_RES" for
//    bulk traffic (0x222051, 0x22204E) and without it for the pipe list (0x222000) during Open.
//    Implementations must not take that lock themselves.
//  - Enumerate fills `paths` (cleared first) with the device paths of the present interfaces;
//    an empty list with 0 means no board. Open of a path that has gone away fails with
//    ERROR_FILE_NOT_FOUND (2); Control on a handle whose board has gone fails with
//    ERROR_DEVICE_NOT_CONNECTED (1167) or ERROR_GEN_FAILURE (31).
//  - Control may be called from any thread; calls for one handle never overlap (the library
//    serialises them under its lock).
//  - Close of 0, or of a handle already closed, does nothing.
class Driver {
public:
    virtual ~Driver() = default;
    // Device paths of the present interfaces of the boards' device-interface class, in enumeration order.
    virtual uint32_t Enumerate(std::vector<std::string>& paths) = 0;
    virtual uint32_t Open(const std::string& path, DeviceHandle& handle) = 0;
    virtual void Close(DeviceHandle handle) = 0;
    // One I/O control request run to completion; `returned` receives the driver's byte count.
    virtual uint32_t Control(DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                             void* output, uint32_t outputSize, uint32_t& returned) = 0;
};

// Makes `driver` the way to the boards for this process from the next TKR50API_Open on;
// nullptr restores the platform's own driver.
void SetDriver(std::shared_ptr<Driver> driver);
}  // namespace tkr
