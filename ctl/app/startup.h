// Start-up of the control program without its windows: which boards are present and how they are
// listed, which one is used, what model it is, what the main window's title says and which of its
// controls cannot be used.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board_identity.h"
#include "tkr_usb_control.h"

namespace tkbctl {

// Control ids of the main dialog that start-up may disable.
inline constexpr int kIdTkbSetting = 1080;
inline constexpr int kIdSettingFileWrite = 1004;
inline constexpr int kIdWrite = 1001;
inline constexpr int kIdRead = 1002;
inline constexpr int kIdTkbRestart = 1003;
inline constexpr int kIdTkbInfo = 1081;
inline constexpr int kIdCameraPower = 1125;

inline constexpr int kMaxBoards = 5;
inline constexpr uint32_t kVersionInfoLength = 10;
inline constexpr uint32_t kSettingsBlockLength = 512;

using VersionInfo = std::array<uint8_t, kVersionInfoLength>;

// One row of the identification table.
struct IdentificationRow {
    int row;                 // 1..12, the order in which the rows are tried
    const char* listFormat;  // the board list entry, with "%d" for the board index
    const char* modelName;
    int boardType;
};

// True when the FPGA version (byte 2 major, byte 1 minor) is above 0.01, so that the FPGA carries
// the identification registers.
bool FpgaVersionQualifies(const VersionInfo& version);

// The first row of the identification table that matches; letters are 0 when not read.
const IdentificationRow& MatchIdentification(const VersionInfo& version, uint8_t letterA, uint8_t letterB);

// Enumerates boards 0..4 on `control` (leaving its board index at the last one tried). Returns the
// list entries of the boards that opened, counting from board 0 without a gap.
std::vector<std::string> EnumerateBoards(CTkrUsbControl& control);

// The main window title for an identified board and the USB connection speed query's answer
// (high byte major, low byte minor; negative when the query failed).
std::string WindowTitle(const std::string& modelName, int32_t usbVersion);

inline constexpr const char* kNoDeviceTitle = "TKBCtl +[No Device]";

// What start-up needs from the windows and the system around it.
class StartupHost {
public:
    virtual ~StartupHost() = default;
    // Shows the board selection with `entries` (at least two); the chosen index when the user
    // confirmed, nothing when the selection was closed otherwise.
    virtual std::optional<int> SelectBoard(const std::vector<std::string>& entries) = 0;
    // The USB connection speed query for the board's vendor and product ids.
    virtual int32_t QueryUsbVersion(uint16_t vendorId, uint16_t productId) = 0;
    virtual void Pause(std::chrono::milliseconds duration) = 0;
};

struct StartupOutcome {
    bool deviceFound = false;
    std::string title;
    // Main dialog controls to disable, in no particular order.
    std::vector<int> disabledControls;
};

// The board part of start-up: enumeration, selection, identification (which sets `identity` and the
// wrapper's board index) and the window title.
StartupOutcome RunStartup(CTkrUsbControl& control, BoardIdentity& identity, StartupHost& host);

}  // namespace tkbctl
