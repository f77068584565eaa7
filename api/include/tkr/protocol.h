// What travels between the library and the driver, and between the driver and a board: I/O control
// codes, the pipe list layout and the command codes. The virtual boards answer exactly this.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tkr {

// I/O control codes of the boards' driver: CTL_CODE(FILE_DEVICE_UNKNOWN, function, method, FILE_ANY_ACCESS).
inline constexpr uint32_t kIoctlGetPipeList = 0x222000;  // METHOD_BUFFERED, 1024-byte reply
inline constexpr uint32_t kIoctlBulkWrite = 0x222051;    // METHOD_IN_DIRECT, input: 4-byte pipe number
inline constexpr uint32_t kIoctlBulkRead = 0x22204E;     // METHOD_OUT_DIRECT, input: 4-byte pipe number

inline constexpr uint8_t kEndpointBulkOut = 0x04;
inline constexpr uint8_t kEndpointBulkIn = 0x84;

inline constexpr uint32_t kPipeListSize = 1024;

// The pipe list is the Windows USB stack's USBD_INTERFACE_INFORMATION with its USBD_PIPE_INFORMATION
// array; pointer-sized handles inside both make the layout depend on the caller's bitness.
struct PipeListLayout {
    size_t countOffset;        // signed 32-bit NumberOfPipes
    size_t firstEntryOffset;   // Pipes[0]
    size_t entrySize;          // sizeof(USBD_PIPE_INFORMATION)
    size_t maxPacketOffset;    // unsigned 16-bit MaximumPacketSize, within an entry
    size_t endpointOffset;     // 8-bit EndpointAddress, within an entry
    size_t maxTransferOffset;  // unsigned 32-bit MaximumTransferSize, within an entry

    constexpr size_t EntriesThatFit() const { return (kPipeListSize - firstEntryOffset) / entrySize; }
};

inline constexpr PipeListLayout kPipeListLayout64{16, 24, 24, 0, 2, 16};
inline constexpr PipeListLayout kPipeListLayout32{12, 16, 20, 0, 2, 12};
// The layout this build reads (and a driver built into the same module writes).
inline constexpr PipeListLayout kPipeListLayoutNative = sizeof(void*) == 8 ? kPipeListLayout64 : kPipeListLayout32;

// Command codes (byte 0 of a frame). SPI and FPGA commands carry the caller's own code.
inline constexpr uint8_t kCmdI2CRead8 = 0x00;
inline constexpr uint8_t kCmdI2CWrite = 0x01;
inline constexpr uint8_t kCmdI2CRead16 = 0x02;
inline constexpr uint8_t kCmdBootMemProgram = 0x05;
inline constexpr uint8_t kCmdBootMemRead = 0x06;
inline constexpr uint8_t kCmdVersion = 0xF0;
inline constexpr uint8_t kSelectorFlash = 0xE7;
// The codes the control program uses with the caller-chosen SPI and FPGA commands.
inline constexpr uint8_t kCmdSpiRead = 0x03;
inline constexpr uint8_t kCmdSpiWrite = 0x04;
inline constexpr uint8_t kCmdFpgaRead = 0x07;
inline constexpr uint8_t kCmdFpgaWrite = 0x08;
inline constexpr uint8_t kSelectorFpga = 0x99;

// Replies are received into a buffer of this size: a status byte and at most 1023 data bytes.
inline constexpr uint32_t kReplyBufferSize = 1024;

// Windows system error codes the library and its drivers use.
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorGenFailure = 31;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kErrorIoPending = 997;
inline constexpr uint32_t kErrorDeviceNotConnected = 1167;

}  // namespace tkr
