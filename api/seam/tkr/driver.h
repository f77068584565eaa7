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
//
// Contract for implementations, for every method:
//  - It blocks until it is complete; there is no time-out and no cancellation.
//  - It never throws, but for std::bad_alloc, which the library turns into its allocation failure
//    code. Failures are returned as Windows system error codes (what GetLastError would give);
//    0 is success.
//  - It may be called from any thread. The implementation must not take the library's system-wide
//    exchange lock "TKR50API_RES" itself.
class Driver {
public:
    virtual ~Driver() = default;

    // Fills `paths` (cleared first) with the device paths of the present interfaces of the boards'
    // device-interface class, in enumeration order; an empty list with 0 means no board. Called
    // during TKR50API_Open, without the exchange lock.
    virtual uint32_t Enumerate(std::vector<std::string>& paths) = 0;

    // Opens the interface at `path`; `handle` is set to a non-zero handle on success and to 0
    // otherwise. A path whose board has gone away fails with ERROR_FILE_NOT_FOUND (2). Called
    // during TKR50API_Open, without the exchange lock. The caller closes each handle it opened
    // exactly once.
    virtual uint32_t Open(const std::string& path, DeviceHandle& handle) = 0;

    // Closes `handle`. Close of 0, of a handle already closed or of one the driver never gave out
    // does nothing. Called by TKR50API_Close and TKR50API_End, without the exchange lock.
    virtual void Close(DeviceHandle handle) = 0;

    // One I/O control request run to completion; `returned` receives the driver's byte count (0 on
    // failure). Bulk traffic (0x222051, 0x22204E) comes with the exchange lock held; the pipe list
    // (0x222000) comes without it, during Open. Calls for one handle never overlap (the library
    // serialises them). A handle that is not open fails with ERROR_INVALID_HANDLE (6); one whose
    // board has gone fails with ERROR_DEVICE_NOT_CONNECTED (1167) or ERROR_GEN_FAILURE (31).
    virtual uint32_t Control(DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                             void* output, uint32_t outputSize, uint32_t& returned) = 0;
};

// Makes `driver` the way to the boards for this process from the next TKR50API_Open on;
// nullptr restores the platform's own driver.
void SetDriver(std::shared_ptr<Driver> driver);
}  // namespace tkr
