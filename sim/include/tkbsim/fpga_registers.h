// What the FPGA registers of a virtual board do beyond keeping what is written (their addresses are
// the protocol's, tkr::kReg...), and their power-on values. Values are 32-bit; on the wire the first
// byte is the most significant.
//
// A register read of n bytes at address a returns the registers a, a+4, a+8, ... one after another,
// four bytes each; a register never written reads 0. Writes go the same way. Writes to the
// identification and status registers are acknowledged and ignored, as the FPGA's own are.
#pragma once

#include <cstdint>

#include "tkr/protocol.h"

namespace tkbsim {

// tkr::kRegFeatures, bit 6 (0x40) of the fourth byte: I2C reads answer length-prefixed (the first data byte
// tells how many register bytes follow, at most the count asked less one, up to the end of the slave's
// register file).
inline constexpr uint32_t kFeatureLengthPrefixedI2C = 0x40;
// Writing 00 00 00 80 to tkr::kRegRestart restarts the board; it reads 0.
inline constexpr uint32_t kRestartValue = 0x00000080;
// The identification registers (letters, see models.h) are read-only.
// tkr::kRegCameraControl: camera power in the third byte (1 = on), camera reset in the fourth (1 = held in
// reset). The camera sensors answer on the bus only while powered and out of reset; powering them off or
// resetting them returns their registers to their power-on values.
inline constexpr uint32_t kCameraPowerOn = 0x00000100;
inline constexpr uint32_t kCameraReset = 0x00000001;

// The video input status registers are read-only; they power on with a 1920 x 1080 input at 60
// frames per second. tkr::kRegVpbSys and tkr::kRegHdmiPath are plain registers with a power-on value.
inline constexpr uint32_t kPowerOnTcbSync = 0x0003;
inline constexpr uint32_t kPowerOnTcbSys = 0x0001;
inline constexpr uint32_t kPowerOnTcbDepp = 1920;
inline constexpr uint32_t kPowerOnTcbDepr = 1080;
inline constexpr uint32_t kPowerOnTcbHspp = 2200;
inline constexpr uint32_t kPowerOnTcbHspr = 1125;
inline constexpr uint32_t kPowerOnTcbDckCnt = 148500;
inline constexpr uint32_t kPowerOnCsi2DataType = 0x1E;   // YUV 4:2:2 8-bit
inline constexpr uint32_t kPowerOnLaneControl = 0x0004;  // four lanes
inline constexpr uint32_t kPowerOnCtrlStts = 1;
inline constexpr uint32_t kPowerOnVpbSys = 0x0001;  // fourth byte: F-gate (1 = open)
inline constexpr uint32_t kPowerOnVpbPf =
    0x0002;  // factor 16 (its two lowest bits): the detected width is TCB_DEPP itself
inline constexpr uint32_t kPowerOnVpbErr = 0;
inline constexpr uint32_t kPowerOnCameraControl = kCameraPowerOn;

// HDMI receiver registers (slave 0x34) for the same 1920 x 1080 input, YUV 709, progressive,
// 8 bits per component; conversion registers (slave 0x22): CSC automatic, 709 to RGB.
inline constexpr uint8_t kPowerOnHdmiWidthHigh = 0x87;  // register 0x07: bit 7 DE locked, bits 4-0 width high
inline constexpr uint8_t kPowerOnHdmiWidthLow = 0x80;   // register 0x08
inline constexpr uint8_t kPowerOnHdmiHeightHigh = 0x04;  // register 0x09
inline constexpr uint8_t kPowerOnHdmiHeightLow = 0x38;   // register 0x0A
inline constexpr uint8_t kPowerOnHdmiInputFlags = 0x00;  // register 0x0B: no interlace, no deep colour
inline constexpr uint8_t kPowerOnHdmiFormat = 0x03;      // register 0x53: YUV_709
inline constexpr uint8_t kPowerOnCscManual = 0x00;       // slave 0x22 register 0x69: bit 4 manual CSC
inline constexpr uint8_t kPowerOnCscMode = 0x30;         // slave 0x22 register 0xF4: 709->RGB

}  // namespace tkbsim
