// What travels between the library and the driver, and between the driver and a board: I/O control
// codes, the pipe list layout, the command frames, the flash map and the board's registers. The
// library builds these frames, the virtual boards answer them and the control program names them in
// its calls; none of them is written anywhere else. Tests that check frames byte for byte keep their
// own literal bytes, so a wrong value here is still caught.
#pragma once

#include <cstddef>
#include <cstdint>

#include "TKR50API.h"

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
inline constexpr PipeListLayout kPipeListLayoutNative =
    sizeof(void*) == 8 ? kPipeListLayout64 : kPipeListLayout32;

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

// Header sizes of the command frames, in bytes, before any data bytes. Multi-byte fields are big-endian.
//   I2C read, 8-bit sub-address:  code, slave address byte, sub-address, count
//   I2C read, 16-bit sub-address: code, slave address byte, sub-address (2), count
//   I2C write:                    code, slave address byte; the data follow, the frame has no length
//   version:                      code, length, 3 bytes 0
//   SPI read:                     code, selector, address (3), count (2)
//   SPI write, boot memory:       code, selector, address (3), length (3)
//   FPGA read:                    code, selector, register (4), count (2)
//   FPGA write:                   code, selector, register (4), length (3)
inline constexpr uint32_t kHeaderI2CRead8 = 4;
inline constexpr uint32_t kHeaderI2CRead16 = 5;
inline constexpr uint32_t kHeaderI2CWrite = 2;
inline constexpr uint32_t kHeaderVersion = 5;
inline constexpr uint32_t kHeaderSpiRead = 7;
inline constexpr uint32_t kHeaderSpiWrite = 8;
inline constexpr uint32_t kHeaderFpgaRead = 8;
inline constexpr uint32_t kHeaderFpgaWrite = 9;

// The only access mode TKR50API_Open and TKR50API_Close accept.
inline constexpr uint32_t kAccessMode = 2;

// Where the library's fixed-address exports find the settings block and the firmware images.
inline constexpr uint32_t kFlashSettings = 0x1F0000;
inline constexpr uint32_t kFlashFx3Image = 0x100000;
inline constexpr uint32_t kFlashFpgaImage = 0x000000;
// The images of boards with the larger FX3 firmware (the ...TKB20U... exports).
inline constexpr uint32_t kFlashFx3ImageUpper = 0x180000;
inline constexpr uint32_t kFlashFpgaImageUpper = 0x080000;

// FPGA registers (32-bit; on the wire the first byte is the most significant).
inline constexpr uint32_t kRegFeatures = 0x08000000;
inline constexpr uint32_t kRegRestart = 0x08000084;
// Identification letters A to D in the fourth byte.
inline constexpr uint32_t kRegIdentA = 0x080000D0;
inline constexpr uint32_t kRegIdentB = 0x080000D4;
inline constexpr uint32_t kRegIdentC = 0x080000D8;
inline constexpr uint32_t kRegIdentD = 0x080000DC;
inline constexpr uint32_t kRegCameraControl = 0x10000000;
// Video input status.
inline constexpr uint32_t kRegTcbSync = 0x10000004;
inline constexpr uint32_t kRegTcbSys = 0x10000010;
inline constexpr uint32_t kRegTcbDepp = 0x10000040;       // active pixels per line
inline constexpr uint32_t kRegTcbDepr = 0x10000044;       // active lines
inline constexpr uint32_t kRegTcbHspp = 0x10000048;       // pixels per line including blanking
inline constexpr uint32_t kRegTcbHspr = 0x1000004C;       // lines per frame including blanking
inline constexpr uint32_t kRegTcbDckCnt = 0x10000050;     // pixel clock in kHz
inline constexpr uint32_t kRegCsi2DataType = 0x1000005C;  // MIPI models only
inline constexpr uint32_t kRegLaneControl = 0x10000064;   // MIPI models only
inline constexpr uint32_t kRegCtrlStts = 0x18000000;
inline constexpr uint32_t kRegHdmiPath = 0x28000000;
inline constexpr uint32_t kRegVpbSys = 0xB0000000;
inline constexpr uint32_t kRegVpbPf = 0xB0000004;
inline constexpr uint32_t kRegVpbErr = 0xB0000008;

// I2C slaves of the boards with an HDMI receiver.
inline constexpr uint8_t kHdmiReceiverSlave = 0x34;  // video detection registers
inline constexpr uint8_t kHdmiCscSlave = 0x22;       // colour-space conversion registers

// USB identity every board reports (the control program finds its port by it).
inline constexpr uint16_t kUsbVendorId = 0x0525;
inline constexpr uint16_t kUsbProductId = 0xA115;

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
inline constexpr uint32_t kErrorInternalError = 1359;

}  // namespace tkr
