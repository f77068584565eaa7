// Start-up of the control program without its windows: which boards are present and how they are
// listed, which one is used, what model it is, what the main window's title says and which of its
// controls cannot be used.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/board_identity.h"
#include "board/identification.h"
#include "board/tkr_usb_control.h"

namespace tkbctl {

inline constexpr int kMaxBoards = 5;

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
    // Main dialog controls to disable (main_window/main_window_ids.h), in no particular order.
    std::vector<int> disabledControls;
};

// The board part of start-up: enumeration, selection, identification (which sets `identity` and the
// wrapper's board index) and the window title.
StartupOutcome RunStartup(CTkrUsbControl& control, BoardIdentity& identity, StartupHost& host);

}  // namespace tkbctl
