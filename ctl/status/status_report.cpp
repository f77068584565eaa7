#include "status/status_report.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "board/board_models.h"
#include "tkr/protocol.h"

namespace tkbctl {

namespace {

using tkr::kRegCsi2DataType, tkr::kRegCtrlStts, tkr::kRegHdmiPath, tkr::kRegLaneControl, tkr::kRegTcbDckCnt,
    tkr::kRegTcbDepp, tkr::kRegTcbDepr, tkr::kRegTcbHspp, tkr::kRegTcbHspr, tkr::kRegTcbSync, tkr::kRegTcbSys,
    tkr::kRegVpbErr, tkr::kRegVpbPf, tkr::kRegVpbSys;

constexpr uint32_t kRegCustomCode[4] = {tkr::kRegIdentA, tkr::kRegIdentB, tkr::kRegIdentC, tkr::kRegIdentD};

bool HasHdmiReceiver(const BoardIdentity& identity) {
    return ModelNamedLike(identity).hdmiReceiver;
}

bool HasMipiInput(const BoardIdentity& identity) {
    const BoardModel* model = FindBoardModel(identity.modelName);
    return model && model->mipiInput;
}

// One FPGA register, its first byte the most significant; 0 when the read delivered nothing.
uint32_t ReadFpga(CTkrUsbControl& control, uint32_t reg) {
    uint8_t bytes[4] = {};
    control.ReadRegister(CTkrUsbControl::kFpgaSlave, reg, bytes, sizeof bytes, false, false);
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

// One receiver register, read as its number written and a separate one-byte read.
uint8_t ReadReceiver(CTkrUsbControl& control, uint8_t slave, uint8_t reg) {
    uint8_t value = 0;
    control.ReadRegister(slave, reg, &value, 1, false, false);
    return value;
}

__attribute__((format(printf, 2, 3))) void Append(std::string& text, const char* format, ...) {
    char line[128];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length > 0)
        text.append(line, std::min<size_t>(static_cast<size_t>(length), sizeof line - 1));
}

// Name of the receiver's input colour format (low nibble of its register 0x53).
const char* ReceiverFormatName(unsigned nibble) {
    static const char* const kNames[16] = {"RGB_LIMITED",
                                           "RGB_FULL",
                                           "YUV_601",
                                           "YUV_709",
                                           "XVYCC_601",
                                           "XVYCC_709",
                                           "YUV_601_FULL",
                                           "YUV_709_FULL",
                                           "sYCC_601",
                                           "Adobe_YCC_601",
                                           "Adobe_RGB",
                                           "",
                                           "",
                                           "",
                                           "",
                                           ""};
    return nibble < 16 ? kNames[nibble] : "";
}

// Name of the receiver's colour-space conversion (high nibble of register 0xF4 at the conversion slave).
const char* ReceiverConversionName(unsigned nibble) {
    static const char* const kNames[16] = {"Bypassed", "601->RGB", "", "709->RGB",   "", "RGB->601",
                                           "",         "RGB->709", "", "709->601",   "", "601-709",
                                           "",         "",         "", "Manual Mode"};
    return nibble < 16 ? kNames[nibble] : "";
}

std::string FpgaReport(CTkrUsbControl& control, const BoardIdentity& identity) {
    const uint32_t vpbSys = ReadFpga(control, kRegVpbSys);
    const uint32_t vpbPf = ReadFpga(control, kRegVpbPf);
    const uint32_t vpbErr = ReadFpga(control, kRegVpbErr);
    const uint32_t tcbSync = ReadFpga(control, kRegTcbSync);
    const uint32_t tcbSys = ReadFpga(control, kRegTcbSys);
    const uint32_t tcbDepp = ReadFpga(control, kRegTcbDepp);
    const uint32_t tcbDepr = ReadFpga(control, kRegTcbDepr);
    const uint32_t tcbHspp = ReadFpga(control, kRegTcbHspp);
    const uint32_t tcbHspr = ReadFpga(control, kRegTcbHspr);
    const uint32_t tcbDckCnt = ReadFpga(control, kRegTcbDckCnt);

    // The custom code is the low byte of four registers, all of them read; a zero byte ends the text.
    char customCode[5] = {};
    for (size_t i = 0; i < 4; ++i)
        customCode[i] = static_cast<char>(ReadFpga(control, kRegCustomCode[i]) & 0xFF);

    std::string text;
    Append(text, "Custom Code = %s\r\n", customCode);
    if (HasMipiInput(identity)) {
        Append(text, "LANE_CONTROL = 0x%04X\r\n", ReadFpga(control, kRegLaneControl));
        Append(text, "CSI2_DATA_TYPE = 0x%02X\r\n", ReadFpga(control, kRegCsi2DataType));
    }
    Append(text, "CTRL_STTS = %d\r\n", static_cast<int32_t>(ReadFpga(control, kRegCtrlStts)));
    Append(text, "VPB_SYS = 0x%04X\r\n", vpbSys);
    Append(text, "VPB_PF = 0x%04X\r\n", vpbPf);
    Append(text, "VPB_ERR = 0x%04X\r\n", vpbErr);
    Append(text, "TCB_SYNC = 0x%04X\r\n", tcbSync);
    Append(text, "TCB_SYS = 0x%04X\r\n", tcbSys);
    Append(text, "TCB_DCK_CNT = %d\r\n", static_cast<int32_t>(tcbDckCnt));
    Append(text, "TCB_DEPP = %d\r\n", static_cast<int32_t>(tcbDepp));
    Append(text, "TCB_DEPR = %d\r\n", static_cast<int32_t>(tcbDepr));
    Append(text, "TCB_HSPP = %d\r\n", static_cast<int32_t>(tcbHspp));
    Append(text, "TCB_HSPR = %d\r\n", static_cast<int32_t>(tcbHspr));
    return text;
}

std::string ReceiverReport(CTkrUsbControl& control) {
    // Routes the receiver's status to the board's I2C bus before it is read.
    const uint8_t route[4] = {0x00, 0x00, 0x01, 0x00};
    control.WriteRegister(CTkrUsbControl::kFpgaSlave, kRegHdmiPath, route, sizeof route, false);

    const uint8_t widthHigh = ReadReceiver(control, tkr::kHdmiReceiverSlave, 0x07);
    const uint8_t widthLow = ReadReceiver(control, tkr::kHdmiReceiverSlave, 0x08);
    const uint8_t heightHigh = ReadReceiver(control, tkr::kHdmiReceiverSlave, 0x09);
    const uint8_t heightLow = ReadReceiver(control, tkr::kHdmiReceiverSlave, 0x0A);
    const uint8_t inputStatus = ReadReceiver(control, tkr::kHdmiReceiverSlave, 0x0B);
    const uint8_t format = ReadReceiver(control, tkr::kHdmiReceiverSlave, 0x53);
    const uint8_t manualConversion = ReadReceiver(control, tkr::kHdmiCscSlave, 0x69);
    const uint8_t conversion = ReadReceiver(control, tkr::kHdmiCscSlave, 0xF4);

    std::string text;
    // The top three bits of the high bytes belong to other fields.
    Append(text, "HDMI Width = %d\r\n", (widthHigh & 0x1F) * 256 + widthLow);
    Append(text, "HDMI Height = %d\r\n", (heightHigh & 0x1F) * 256 + heightLow);
    if (inputStatus & 0x20)
        text += "[Warning] Interlaced Input!\r\n";
    if (inputStatus & 0xC0)
        text += "[Warning] Deep Color Mode Input! \r\n";
    Append(text, "Format = %s\r\n", ReceiverFormatName(format & 0x0F));
    Append(text, "MAN_CP_CSC_EN = %d\r\n", (manualConversion >> 4) & 1);
    Append(text, "CSC Conversion = %s\r\n", ReceiverConversionName(conversion >> 4));
    return text;
}

}  // namespace

std::string BuildStatusReport(CTkrUsbControl& control, const BoardIdentity& identity) {
    return HasHdmiReceiver(identity) ? ReceiverReport(control) : FpgaReport(control, identity);
}

}  // namespace tkbctl
