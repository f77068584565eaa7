// The board models the virtual boards imitate, with what each answers to identification.
//
// Identification reads the 10 version bytes (byte 0 the FX3 firmware version, byte 1 the FPGA minor
// and byte 2 the FPGA major version; bytes 3 to 9 are 0) and, when the FPGA version is above 0.01,
// the fourth (least significant) byte of FPGA registers 0x080000D0 (letter A) and 0x080000D4
// (letter B). Registers 0x080000D8 and 0x080000DC carry letters C and D the same way; the four
// letters form the board's custom code (a zero letter ends it).
//
// Model          Type  FX3  FPGA  A B C D   USB     Settings block  HDMI receiver  MIPI
// TKB-20           0   120  2.10  T M - -   0x0200  0x1F0000        no             no
// TKB-20U          1    35  3.05  T U K M   0x0300  0x1F0000        no             no
// TKB-20W          4    40  1.20  T W - -   0x0300  0x1F0000        no             no
// TKB-20-MIPI      0   125  1.08  R H - -   0x0200  0x1F0000        no             yes
// TKB-20U-MIPI     1    42  1.12  S U - -   0x0300  0x1F0000        no             yes
// TKD-20           0   110  1.03  O D - -   0x0200  0x1F0000        yes            no
// TKF-20           1    50  1.07  O V - -   0x0300  0x1F0000        yes            no
// TKR-50U          2    95  0.15  - - - -   0x0200  0x1F0000        no             no
// TKR-90          10    60  2.01  K R - -   0x0300  0xFF0000        no             no
// RJQ-10           3    12  0.01  - - - -   0x0200  0x070000        no             no
//
// The FX3 versions also fit the fallback rows of identification: a TKR-50U has no letters and an
// FX3 version in 90..99; TKB-20 boards have FX3 versions in 100..199, TKB-20U boards outside it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tkbsim {

enum class ModelId : uint32_t {
    TKB20 = 1,
    TKB20U = 2,
    TKB20W = 3,
    TKB20Mipi = 4,
    TKB20UMipi = 5,
    TKD20 = 6,
    TKF20 = 7,
    TKR50U = 8,
    TKR90 = 9,
    RJQ10 = 10,
};

struct ModelInfo {
    ModelId id;
    const char* name;          // the board model name identification yields
    int boardType;             // the board type identification yields
    uint8_t fx3Version;        // version byte 0
    uint8_t fpgaMinor;         // version byte 1
    uint8_t fpgaMajor;         // version byte 2
    char letters[4];           // A, B, C, D: fourth bytes of 0x080000D0, D4, D8, DC (0 = none)
    uint16_t usbRelease;       // bcdUSB the board reports for its connection (0x0200 or 0x0300)
    uint32_t settingsAddress;  // flash address of the 512-byte settings block
    bool hdmiReceiver;         // an HDMI receiver answers at I2C slaves 0x34 and 0x22
    bool mipi;                 // the FPGA has the CSI-2 lane and data type registers
};

inline constexpr std::array<ModelInfo, 10> kModels{{
    {ModelId::TKB20, "TKB-20", 0, 120, 0x10, 0x02, {'T', 'M', 0, 0}, 0x0200, 0x1F0000, false, false},
    {ModelId::TKB20U, "TKB-20U", 1, 35, 0x05, 0x03, {'T', 'U', 'K', 'M'}, 0x0300, 0x1F0000, false, false},
    {ModelId::TKB20W, "TKB-20W", 4, 40, 0x20, 0x01, {'T', 'W', 0, 0}, 0x0300, 0x1F0000, false, false},
    {ModelId::TKB20Mipi, "TKB-20-MIPI", 0, 125, 0x08, 0x01, {'R', 'H', 0, 0}, 0x0200, 0x1F0000, false, true},
    {ModelId::TKB20UMipi, "TKB-20U-MIPI", 1, 42, 0x12, 0x01, {'S', 'U', 0, 0}, 0x0300, 0x1F0000, false, true},
    {ModelId::TKD20, "TKD-20", 0, 110, 0x03, 0x01, {'O', 'D', 0, 0}, 0x0200, 0x1F0000, true, false},
    {ModelId::TKF20, "TKF-20", 1, 50, 0x07, 0x01, {'O', 'V', 0, 0}, 0x0300, 0x1F0000, true, false},
    {ModelId::TKR50U, "TKR-50U", 2, 95, 0x15, 0x00, {0, 0, 0, 0}, 0x0200, 0x1F0000, false, false},
    {ModelId::TKR90, "TKR-90", 10, 60, 0x01, 0x02, {'K', 'R', 0, 0}, 0x0300, 0xFF0000, false, false},
    {ModelId::RJQ10, "RJQ-10", 3, 12, 0x01, 0x00, {0, 0, 0, 0}, 0x0200, 0x070000, false, false},
}};

// The model of that name (exact, case-sensitive), or nullptr.
const ModelInfo* FindModel(std::string_view name);
// The model of that id, or nullptr for an id no model has.
const ModelInfo* FindModel(ModelId id);

// I2C slaves (7-bit addresses) on every board's bus.
inline constexpr uint8_t kSensor8BitSlave = 0x3C;   // camera sensor, 8-bit sub-addresses, 256 registers
inline constexpr uint8_t kSensor16BitSlave = 0x10;  // camera sensor, 16-bit sub-addresses, 65536 registers
// On boards with an HDMI receiver only: tkr::kHdmiReceiverSlave and tkr::kHdmiCscSlave.

// Status bytes the board firmware answers besides 0 (success).
inline constexpr uint8_t kStatusUnknownCommand = 0x01;     // command code or selector not implemented
inline constexpr uint8_t kStatusBadLength = 0x02;          // frame shorter or longer than its fields say
inline constexpr uint8_t kStatusOutOfRange = 0x03;         // flash address range past 0xFFFFFF
inline constexpr uint8_t kStatusNoAcknowledge = 0x04;      // no I2C slave answered the address
inline constexpr uint8_t kStatusRegisterSpaceFull = 0x05;  // the FPGA holds no more written registers

inline constexpr uint32_t kFlashSize = 0x1000000;

}  // namespace tkbsim
